// Uninstall registration under HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall":
// the entries a run is due to write, planned once, then written, sized and deleted.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include "common/Globals.h"
#include "script/UninstallCommand.h"

// One Uninstall entry for a key of the run: its values, or why it cannot be written.
struct PlannedEntry {
  char key[kFieldSize];
  bool due;      // the key names a product with a remove section, or the setup-level entry
  bool existed;  // a due entry that was there before the run: an earlier installation's
  DWORD error;   // 0 when the entry can be written
  char displayName[kFieldSize];
  char version[kFieldSize];
  bool hasVersion;
  char command[kTargetDirSize];
  char setupPath[kTargetDirSize];  // the copy of setup.exe the command starts
  char setupList[kFieldSize];      // the file list that copies it
  char keyPath[kUninstallKeyPathSize];
};

// The entries of one install run: one per key of its key list, in order, then the
// setup-level one (not due when the Install section has no "Uninstall" line).
struct UninstallPlan {
  PlannedEntry *entries;
  int count;
};

// Plans the entries of keyList once, with directory id 32768 bound; false when memory ran out.
bool PlanUninstallEntries(HINF inf, const char *keyList, UninstallPlan *plan);
void ReleaseUninstallPlan(UninstallPlan *plan);

// 0 when every due entry can be written; else the reason of the first that cannot, which is
// logged: no copy of setup.exe to name (ERROR_FILE_NOT_FOUND), a key the command line cannot
// carry (ERROR_INVALID_NAME), a path or command line too long (ERROR_FILENAME_EXCED_RANGE).
DWORD CheckPlannedEntries(const UninstallPlan &plan);

// Writes the due entries in order, with targetDir as "UserTargetDir" and "InstallLocation"
// when it is not empty. 1 when every due entry was written; 0 when registration stopped at a
// product without a copy of setup.exe or at an entry that could not be created, or refused an
// entry whose command line would be cut.
int RegisterPlannedEntries(HINF inf, const UninstallPlan &plan, const char *targetDir);

// Writes "EstimatedSize" of the entries of keyList and of the setup-level entry, those that
// exist, from the files their install sections copied; called after the files were copied.
void RecordInstalledSizes(HINF inf, const char *keyList);

// Deletes key's Uninstall entry; one that is not there counts as deleted. 0, or the reason,
// logged, why it stays: the removal can then be tried again through it.
DWORD DeleteUninstallEntry(const char *key);
// The same for every key of keyList; the first reason, after every key was tried.
DWORD DeleteUninstallEntries(const char *keyList);
