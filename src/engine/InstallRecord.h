// The install record: for each product, a plain text file beside the product's copy of
// setup.exe that says, one line each, what its installs put on the machine. Every line is
// written before the change it names, so that a run that is killed leaves a true record.
#pragma once
#include <windows.h>

#include "common/Globals.h"
#include "common/KeyList.h"
#include "engine/PathSet.h"

// The words of the record's lines, each followed by a blank and a path or a name.
constexpr char kRecordFolder[] = "folder";      // a folder its installs made
constexpr char kRecordFile[] = "file";          // a file that was not there before its first install
constexpr char kRecordReplaced[] = "replaced";  // a file that was there before its first install
constexpr char kRecordBackup[] = "backup";      // a run's copy of a file as it was before the run
constexpr char kRecordService[] = "service";
constexpr char kRecordShortcut[] = "shortcut";
constexpr char kRecordEntry[] = "entry";        // an Uninstall entry
// A run's copy of a file it replaces lies beside the file, under the file's name and this.
constexpr char kBackupSuffix[] = ".setup-backup";

// What a product's record holds, as read back: every run in it, an interrupted one included.
struct ProductRecord {
  bool present;
  PathSet files;        // sorted
  PathSet replaced;     // sorted
  GrowingList folders;  // in the order they were made
  GrowingList backups;  // copies that an interrupted run left
};
// Reads the record at path; an absent record reads as empty (present false). False when memory
// ran out.
bool ReadProductRecord(const char *path, ProductRecord *record);
void FreeProductRecord(ProductRecord *record);

// The record of key beside the copy of setup.exe at setupPath.
bool RecordPathOf(const char *setupPath, const char *key, char (&path)[kTargetDirSize]);
// The record of an installed key: beside the program its entry's command line starts.
bool InstalledRecordPath(const char *key, char (&path)[kTargetDirSize]);
// A run's copy of file: the file's path and kBackupSuffix.
bool BackupPathOf(const char *file, char (&backup)[kTargetDirSize]);
// The file whose copy backup is; false when backup does not end in kBackupSuffix.
bool FileOfBackup(const char *backup, char (&file)[kTargetDirSize]);
// A copy that an interrupted run left, when its file is missing: the run was killed between
// moving the file aside and placing the new one, and the copy goes back in its place. False
// when it stays a copy.
bool PutBackInterruptedCopy(const char *backup);

// A record that a run writes: the record as it was stays in front, the run's lines follow.
struct RecordFile {
  HANDLE file;
  DWORD keptSize;  // the record's size before the run
  char path[kTargetDirSize];
};
// Opens the record at path for the run of key, making it when it is not there; false, with
// the reason in GetLastError(), when it cannot be written.
bool OpenRecordFile(RecordFile *record, const char *path, const char *key);
// One line: word, a blank, text.
void WriteRecordLine(RecordFile *record, const char *word, const char *text);
// After a successful run the record holds only this run's lines; after a failed one it is as
// it was (gone when the run made it).
void CloseRecordFile(RecordFile *record, bool succeeded);
