// Uninstall registration under HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall".
#pragma once
#include <windows.h>
#include <setupapi.h>

#include "common/Globals.h"

// The copy of the program that an Uninstall entry starts.
constexpr char kSetupProgramName[] = "setup.exe";

// Values of an Uninstall entry that the program reads back.
constexpr char kUninstallStringValue[] = "UninstallString";
constexpr char kProductVersionValue[] = "ProductVersion";
constexpr char kUserTargetDirValue[] = "UserTargetDir";  // the target directory of the install

// targetDir is recorded as "UserTargetDir" and "InstallLocation" when it is not empty.
int RegisterUninstallEntries(HINF inf, const char *keyList, const char *targetDir);
// Writes "EstimatedSize" of the entries of keyList and of the setup-level entry, those that
// exist, from the files their install sections copied; called after the files were copied.
void RecordInstalledSizes(HINF inf, const char *keyList);
int FindSetupCopyPath(HINF inf, const char *section, char *path /* 260 bytes */);
// The target path of the first line of the file list whose target name is fileName
// (compared without regard to case), in the file list's own destination directory.
bool FindCopyInFileList(HINF inf, const char *fileList, const char *fileName,
                        char *path /* 260 bytes */);
int FindInstalledTargetDir(HINF inf, const char *keyList /* or NULL */, char *dir /* 260 */);
void BuildRemoveSectionList(HINF inf, const char *keyList, char *sectionList /* 1024 */);
int DeleteUninstallEntries(HINF inf, const char *keyList);

bool UninstallEntryExists(const char *key);

// The target directory that key's entry records (260 bytes); false when there is none.
bool ReadRecordedTargetDir(const char *key, char *dir);

// Reads a text value of key's Uninstall entry into buffer (size bytes, NUL included; the value
// type is not checked). False, with the buffer empty, when the entry or the value is missing,
// empty, or too long for the buffer.
bool ReadUninstallValue(const char *key, const char *valueName, char *buffer, DWORD size);

// As BuildRemoveSectionList; 0 when a section did not fit the list, which then holds only the
// sections before it.
int BuildRemoveSectionListChecked(HINF inf, const char *keyList, char *sectionList,
                                  size_t size);

// 0 when every Uninstall entry due for keyList (and the setup-level entry) can be written;
// else the reason of the first that cannot, which is logged: no copy of setup.exe to name
// (ERROR_FILE_NOT_FOUND), a key the command line cannot carry (ERROR_INVALID_NAME), a path or
// command line too long (ERROR_FILENAME_EXCED_RANGE). Directory id 32768 must be bound.
DWORD CheckUninstallEntries(HINF inf, const char *keyList);

// The keys of the entries due for keyList (and the setup-level one) that do not exist yet:
// those that an install creates. 0 when they do not all fit into size bytes.
int ListEntriesToCreate(HINF inf, const char *keyList, char *keys, size_t size);

// Adds the setup-level key to the key list unless it holds it already.
void AppendSetupLevelKey(HINF inf, char *keys, size_t size);

// The keys a removal works on: those of keyList, or for an empty list the setup-level key.
void RemovalKeys(HINF inf, const char *keyList, char (&keys)[kKeyListSize]);

// Whether the removal of keys may run: each key is one that the script lists (a product key or
// the setup-level key), and its Uninstall entry exists and records a target directory. dir
// (260 bytes) receives the first key's. 0, with the reason logged, for anything else.
int FindRemovalTarget(HINF inf, const char *keys, char *dir);
