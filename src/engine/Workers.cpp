// The install and remove workers: one run of the section runner on its own thread, with the
// registration work of its kind, reported to the run's window by WM_SETUP_DONE.
#include "engine/Workers.h"

#include <string.h>

#include "common/Globals.h"
#include "common/KeyList.h"
#include "common/Language.h"
#include "common/Log.h"
#include "common/Messages.h"
#include "common/WizardContext.h"
#include "engine/Folders.h"
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
// the window sees the final values of both flags when the message arrives.
void EndRun(const RunRecord &run, const char *keyList, int ok, DWORD error) {
  if (ok && CountProductsWithFlag(run.inf, keyList, kProductNeedsRestart) != 0) {
    LogLine("a restart is needed: a product of the run asks for one");
    g_rebootNeeded = 1;
  }
  g_workerBusy = 0;
  PostMessageA(run.window, WM_SETUP_DONE, ok ? 1 : 0, ok ? 0 : static_cast<LPARAM>(error));
}

// The runner's result with the error it left, read before any other call can change it.
int RunAndKeepError(const RunRecord &run, DWORD *error, const RemovalScope *scope = nullptr) {
  int ok = RunSections(run.inf, g_sectionList, run.window, scope);
  *error = ok ? 0 : GetLastError();
  return ok;
}

// Whether the run's section list ends with the setup-level Remove section: the removal takes
// the last registered product, and with it the setup's own files.
bool RemovesTheSetup(const char *sectionList) {
  const char *last = nullptr;
  for (const char *entry = sectionList; *entry; entry = ListNext(entry)) last = entry;
  return last && g_removeSection && lstrcmpiA(last, g_removeSection) == 0;
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
// no folder of another program, a bound target directory that exists (created here when it
// does not), every chosen product's sections in the list, and every Uninstall entry writable.
struct InstallPlan {
  UninstallPlan entries;
  char outermostFolder[kTargetDirSize];  // the first level of the target made here, or empty
};

DWORD PrepareInstall(const RunRecord &run, InstallPlan *plan) {
  HINF inf = run.inf;
  DWORD error = BindRunTarget(run);
  if (!error) error = CheckNothingOfOtherPrograms(inf, run.keys, run.targetDir);
  if (error) return error;
  error = CreateFolderPath(run.targetDir, plan->outermostFolder);
  if (error) {
    LogFailure(error, "the target directory %s cannot be created", run.targetDir);
    return error;
  }
  if (!PlanUninstallEntries(inf, run.keys, &plan->entries)) return ERROR_NOT_ENOUGH_MEMORY;
  // A list that cannot hold every chosen product's section would install only some of them
  // while reporting success.
  if (!BuildInstallSectionListChecked(inf, run.keys, g_sectionList, g_sectionListSize)) {
    LogLine("The sections or keys of the chosen products do not fit their lists");
    return ERROR_INSUFFICIENT_BUFFER;
  }
  return CheckPlannedEntries(plan->entries);
}

// Takes back what a failed install created: the entries would name a copy of setup.exe that
// may never have arrived, and the target folder it made is left empty. An earlier
// installation's entries stay.
void ForgetCreated(const RunRecord &run, const InstallPlan &plan) {
  const UninstallPlan &entries = plan.entries;
  for (int at = 0; at < entries.count; ++at) {
    const PlannedEntry &entry = entries.entries[at];
    if (!entry.due || entry.existed) continue;
    LogLine("the install failed: its new Uninstall entry %s is deleted again", entry.key);
    DeleteUninstallEntry(entry.key);
  }
  RemoveCreatedFolders(run.targetDir, plan.outermostFolder);
}

// Installs the products of the run's keys. The Uninstall entries are written before any file
// is copied, so that a run that is cut short can still be removed.
DWORD WINAPI InstallWorker(LPVOID parameter) {
  const RunRecord &run = *static_cast<const RunRecord *>(parameter);
  HINF inf = run.inf;
  BeginRun();
  LogChoices("install", run.keys, run.targetDir);
  InstallPlan plan = {};
  DWORD error = PrepareInstall(run, &plan);
  int ok = 0;
  if (!error && !RegisterPlannedEntries(inf, plan.entries, run.targetDir)) error = ERROR_CANTWRITE;
  if (!error) ok = RunAndKeepError(run, &error);
  // Counted once the files are in place.
  if (ok) RecordInstalledSizes(inf, run.keys);
  if (!ok) ForgetCreated(run, plan);
  ReleaseUninstallPlan(&plan.entries);
  EndRun(run, run.keys, ok, error);
  return 0;
}

// Removes the products of the run's keys from the directory they were installed to, which it
// writes into the run. The entries are deleted only after a successful run: a failed removal
// stays registered, so that it can be tried again from the recorded directory.
DWORD WINAPI RemoveWorker(LPVOID parameter) {
  RunRecord &run = *static_cast<RunRecord *>(parameter);
  HINF inf = run.inf;
  BeginRun();
  char keys[kKeyListSize];
  DWORD error = RemovalKeys(inf, run.keys, keys) && FindRemovalTarget(inf, keys, run.targetDir)
                    ? 0
                    : ERROR_UNKNOWN_PRODUCT;
  LogChoices("remove", keys, run.targetDir);
  if (!error && !BuildRemoveSectionListChecked(inf, keys, g_sectionList, g_sectionListSize))
    error = ERROR_INSUFFICIENT_BUFFER;
  RemovalScope scope = {};
  // The files that stay are found through their own directories; the run's is bound after.
  if (!error && !PrepareRemovalScope(inf, keys, run.targetDir, !RemovesTheSetup(g_sectionList),
                                     &scope))
    error = ERROR_NOT_ENOUGH_MEMORY;
  if (!error) error = BindRunTarget(run);
  if (!error) FindRemovalOuterFolder(inf, run.targetDir, scope.outerFolder);
  int ok = 0;
  if (!error) {
    ok = RunAndKeepError(run, &error, &scope);
    if (ok) {
      char entries[kKeyListSize];
      memcpy(entries, keys, sizeof(entries));
      // The setup-level entry goes with the setup's files: its command would name a setup.exe
      // and setup.inf that are gone.
      if (RemovesTheSetup(g_sectionList)) AppendSetupLevelKey(inf, entries, sizeof(entries));
      // An entry that stays fails the removal: it can be tried again through that entry.
      error = DeleteUninstallEntries(entries);
      ok = error ? 0 : 1;
    }
  }
  ReleaseRemovalScope(&scope);
  EndRun(run, keys, ok, error);
  return 0;
}

}  // namespace

HANDLE StartWorker(RunRecord *run) {
  return CreateThread(nullptr, 0, run->removal ? RemoveWorker : InstallWorker, run, 0, nullptr);
}
