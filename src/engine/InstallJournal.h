// The journal of one install run: every change it makes, in order, each written first into
// the install record of the products it belongs to. A run that succeeds keeps its changes,
// removes what an earlier install of its products placed and this one no longer does, and
// replaces the records; a run that fails is taken back from the journal in reverse order.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include "common/Globals.h"
#include "common/KeyList.h"
#include "common/MadeListener.h"
#include "engine/InstallRecord.h"
#include "engine/PathSet.h"

struct UninstallPlan;
struct PlannedEntry;

// A product whose record the run writes: one of its due Uninstall entries.
struct RecordOwner {
  const PlannedEntry *entry;
  char section[kFieldSize];         // its install section, whose files are its own
  PathSet planned;                  // the files that section places, sorted
  ProductRecord old;                // what its earlier installs recorded
  char oldRecord[kTargetDirSize];   // the earlier record when it lies elsewhere, or empty
  RecordFile record;
  char *snapshot;                   // the values of its entry before the run, when it had one
  DWORD snapshotSize;
};

struct InstallJournal {
  MadeListener listener;  // first: the steps' news come back through it
  HINF inf;
  const char *keys;
  RecordOwner *owners;
  int ownerCount;
  int setupOwner;         // the owner of the setup-level entry, or -1
  int sectionOwner;       // the owner of the section at work, or -1 for the fallback
  bool firstOfSetup;      // no product of the script was installed before the run
  bool placingFirst;      // the copies that precede the queue (setup.exe and setup.inf)
  GrowingList steps;      // "<kind><path or name>", in the order they were made
  PathSet placed;         // every target of the run's copies
  PathSet preplaced;      // those that precede the queue
  PathSet newFolders;     // folders the run made
  char lastFolder[kTargetDirSize];
  bool lastFolderNew;
  size_t copiedAside;     // offset of the step of the last file copied aside, or 0
};

void BeginJournal(InstallJournal *journal, HINF inf, const char *keys);
// Creates the missing levels of folder, each one a step; 0 or the reason.
DWORD MakeJournaledFolder(InstallJournal *journal, const char *folder);
// Reads the products' earlier records and opens this run's, beside each entry's setup.exe;
// 0 or the reason.
DWORD OpenRecords(InstallJournal *journal, const UninstallPlan &plan);
// The file lists that copy setup.exe and setup.inf for the entries, for the copy that
// precedes everything else (size bytes, a key list).
void ListSetupFileLists(const InstallJournal *journal, char *lists, size_t size);
// Keeps the entries as they are before the run writes them.
void NoteEntries(InstallJournal *journal);

// The queue is about to copy to paths->Target: the change is recorded and the file as it was
// kept aside. True when the queue must skip the file: it was placed before the queue.
bool JournalBeforeCopy(InstallJournal *journal, const FILEPATHS_A *paths);
// The queue keeps the file on the machine (a version question answered no).
void JournalCopyKept(InstallJournal *journal, const char *target);
void JournalRestartDeletion(InstallJournal *journal, const char *path);
void JournalRegistry(InstallJournal *journal);
// The section whose services and shortcuts are applied next; the listener that records them.
MadeListener *JournalSection(InstallJournal *journal, const char *section);

// The run succeeded: the copies kept aside go, what the earlier installs of its products
// placed and this run does not is removed (unless another installed product places it), and
// the records say what is on the machine now.
void KeepRun(InstallJournal *journal, const char *targetDir);
// The run failed: every step is taken back, the last first; true when it changed anything.
// *atRestart tells whether something waits for the restart to be put back.
bool TakeBackRun(InstallJournal *journal, bool *atRestart);
void EndJournal(InstallJournal *journal);
