// The install and remove workers: one run of the section runner on its own thread, with the
// registration work of its kind, reported to the run's window by WM_SETUP_DONE.
#include "engine/Workers.h"

#include <string.h>

#include "common/AsciiCase.h"
#include "common/Globals.h"
#include "common/KeyList.h"
#include "common/Language.h"
#include "common/Log.h"
#include "common/ExitCode.h"
#include "common/Messages.h"
#include "common/WizardContext.h"
#include "engine/Folders.h"
#include "engine/InstallJournal.h"
#include "engine/RemovalScope.h"
#include "engine/SectionRunner.h"
#include "script/Catalogue.h"
#include "script/Ownership.h"
#include "script/ProductLines.h"
#include "script/Registration.h"
#include "script/RemovalTarget.h"
#include "script/TargetDir.h"

namespace {

// The worker's own thread speaks the wizard's language; the run is busy from here on.
void BeginRun() {
  g_workerBusy = 1;
  SetThreadLanguage(g_languageId);
}

// Sets the restart flag for a successful run, clears the busy flag and tells the run's window;
// the window sees the final values of both flags and the outcome when the message arrives.
void EndRun(RunRecord &run, const char *keyList, int ok, DWORD error) {
  if (ok && CountProductsWithFlag(run.inf, keyList, kProductNeedsRestart) != 0) {
    LogLine("a restart is needed: a product of the run asks for one");
    g_rebootNeeded = 1;
  }
  if (ok) run.outcome = kRunSucceeded;
  g_workerBusy = 0;
  PostMessageA(run.window, WM_SETUP_DONE, ok ? 1 : 0, ok ? 0 : static_cast<LPARAM>(error));
}

// The runner's result with the error it left, read before any other call can change it.
int RunAndKeepError(const RunRecord &run, DWORD *error, const RemovalScope *scope,
                    InstallJournal *journal) {
  int ok = RunSections(run.inf, g_sectionList, run.window, scope, journal);
  *error = ok ? 0 : GetLastError();
  return ok;
}

// Whether the run's section list ends with the setup-level Remove section: the removal takes
// the last registered product, and with it the setup's own files.
bool RemovesTheSetup(const char *sectionList) {
  const char *last = nullptr;
  for (const char *entry = sectionList; *entry; entry = ListNext(entry)) last = entry;
  return last && g_removeSection && SameIgnoringCase(last, g_removeSection);
}

// The run's choices, for the log.
void LogChoices(const char *verb, const char *keys, const char *targetDir) {
  if (!LogEnabled()) return;
  for (const char *key = keys; *key; key = ListNext(key)) LogLine("%s product %s", verb, key);
  LogLine("target directory: %s", targetDir[0] ? targetDir : "(none)");
}

// The one place where directory id 32768 is bound: to the run's target directory, at the
// start of its work; the reason when that cannot be. A removal or an install must never run
// with the id unbound: the Setup API would resolve it to the system folder.
DWORD BindRunTarget(const RunRecord &run) {
  const char *dir = run.targetDir;
  if (!dir[0]) {
    LogLine("no target directory is given");
    return ERROR_BAD_PATHNAME;
  }
  // A relative path would lead wherever the current directory is: to the media, say.
  if (!IsAbsolutePath(dir)) {
    LogLine("the target directory \"%s\" is not a complete path", dir);
    return ERROR_BAD_PATHNAME;
  }
  if (SetupSetDirectoryIdA(run.inf, kTargetDirId, dir)) return 0;
  DWORD error = GetLastError();
  LogFailure(error, "the target directory %s cannot be bound", dir);
  return error ? error : ERROR_BAD_PATHNAME;
}

// What an install makes sure of before it copies or registers anything: no chosen product and
// no folder of another program, a bound target directory that exists (created here when
// it does not), every chosen product's sections in the list, and every Uninstall entry writable.
DWORD PrepareInstall(const RunRecord &run, InstallJournal *journal, UninstallPlan *plan) {
  HINF inf = run.inf;
  DWORD error = BindRunTarget(run);
  if (!error) error = CheckNothingOfOtherPrograms(inf, run.keys, run.targetDir);
  if (error) return error;
  error = MakeJournaledFolder(journal, run.targetDir);
  if (error) {
    LogFailure(error, "the target directory %s cannot be created", run.targetDir);
    return error;
  }
  if (!PlanUninstallEntries(inf, run.keys, plan)) return ERROR_NOT_ENOUGH_MEMORY;
  // A list that cannot hold every chosen product's section would install only some of them
  // while reporting success.
  if (!BuildInstallSectionListChecked(inf, run.keys, g_sectionList, g_sectionListSize)) {
    LogLine("The sections or keys of the chosen products do not fit their lists");
    return ERROR_INSUFFICIENT_BUFFER;
  }
  return CheckPlannedEntries(*plan);
}

// The records are opened, setup.exe and setup.inf placed before anything else, so that an
// entry never names a program that is not there, and the entries written.
DWORD RecordAndRegister(const RunRecord &run, InstallJournal *journal, const UninstallPlan &plan) {
  DWORD error = OpenRecords(journal, plan);
  if (error) return error;
  char lists[kKeyListSize];
  ListSetupFileLists(journal, lists, sizeof(lists));
  if (!PlaceFileLists(run.inf, lists, run.window, journal))
    return GetLastError() ? GetLastError() : ERROR_GEN_FAILURE;
  NoteEntries(journal);
  return RegisterPlannedEntries(run.inf, plan, run.targetDir) ? 0 : ERROR_CANTWRITE;
}

// A failed install takes back what it changed; the outcome says how that went.
void TakeBack(RunRecord &run, InstallJournal *journal, DWORD error) {
  bool atRestart = false;
  bool changed = TakeBackRun(journal, &atRestart);
  run.outcome = !changed ? kRunFailed : atRestart ? kRunTakenBackAtRestart
                : error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? kRunDiskFull
                : kRunTakenBack;
  if (atRestart) {
    LogLine("a restart is needed: it puts back files that were in use");
    g_rebootNeeded = 1;
  }
}

// Installs the products of the run's keys. Every change is written first into the products'
// install records; a run that fails takes its changes back.
DWORD WINAPI InstallWorker(LPVOID parameter) {
  RunRecord &run = *static_cast<RunRecord *>(parameter);
  BeginRun();
  LogChoices("install", run.keys, run.targetDir);
  InstallJournal journal;
  BeginJournal(&journal, run.inf, run.keys);
  UninstallPlan plan = {};
  DWORD error = PrepareInstall(run, &journal, &plan);
  if (!error) error = RecordAndRegister(run, &journal, plan);
  int ok = 0;
  if (!error) ok = RunAndKeepError(run, &error, nullptr, &journal);
  if (ok) {
    // Counted once the files are in place.
    RecordInstalledSizes(run.inf, run.keys);
    KeepRun(&journal, run.targetDir);
  } else {
    TakeBack(run, &journal, error);
  }
  EndJournal(&journal);
  ReleaseUninstallPlan(&plan);
  EndRun(run, run.keys, ok, error);
  return 0;
}

// Removes the products of the run's keys from the directory they were installed to, which it
// writes into the run: what their remove sections say and what their install records hold.
// setup.exe, setup.inf and the records go after every step, the entries last: a removal that
// is cut short can be started again through them.
DWORD WINAPI RemoveWorker(LPVOID parameter) {
  RunRecord &run = *static_cast<RunRecord *>(parameter);
  HINF inf = run.inf;
  BeginRun();
  run.outcome = kRunFailed;
  char keys[kKeyListSize];
  DWORD error = RemovalKeys(inf, run.keys, keys) && FindRemovalTarget(inf, keys, run.targetDir)
                    ? 0
                    : ERROR_UNKNOWN_PRODUCT;
  LogChoices("remove", keys, run.targetDir);
  if (!error && !BuildRemoveSectionListChecked(inf, keys, g_sectionList, g_sectionListSize))
    error = ERROR_INSUFFICIENT_BUFFER;
  // The setup-level entry goes with the setup's files: its command would name a setup.exe
  // and setup.inf that are gone.
  char entries[kKeyListSize];
  memcpy(entries, keys, sizeof(entries));
  bool setupGoes = RemovesTheSetup(g_sectionList);
  if (setupGoes) AppendSetupLevelKey(inf, entries, sizeof(entries));
  RemovalScope scope = {};
  // The files that stay are found through their own directories; the run's is bound after.
  if (!error && !PrepareRemovalScope(inf, keys, run.targetDir, !setupGoes, &scope))
    error = ERROR_NOT_ENOUGH_MEMORY;
  if (!error) error = BindRunTarget(run);
  if (!error) FindRemovalOuterFolder(inf, run.targetDir, scope.outerFolder);
  if (!error && !AddRecordedFiles(inf, entries, g_sectionList, run.targetDir, setupGoes,
                                  &scope))
    error = ERROR_NOT_ENOUGH_MEMORY;
  int ok = 0;
  if (!error) ok = RunAndKeepError(run, &error, &scope, nullptr);
  // An entry that stays fails the removal: it can be tried again through that entry.
  if (ok) error = RemoveLastFiles(&scope);
  if (ok && !error) error = DeleteUninstallEntries(entries);
  ok = ok && !error;
  ReleaseRemovalScope(&scope);
  EndRun(run, keys, ok, error);
  return 0;
}

}  // namespace

HANDLE StartWorker(RunRecord *run) {
  return CreateThread(nullptr, 0, run->removal ? RemoveWorker : InstallWorker, run, 0, nullptr);
}
