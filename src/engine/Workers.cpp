// The install and remove workers: one run of the section runner on its own thread, with the
// registration work of its kind, reported to the page that started it by WM_SETUP_DONE.
#include "engine/Workers.h"

#include <string.h>

#include "app/Globals.h"
#include "app/Language.h"
#include "app/WizardContext.h"
#include "common/Log.h"
#include "engine/SectionRunner.h"
#include "script/Catalogue.h"
#include "script/KeyList.h"
#include "script/ProductLines.h"
#include "script/Registration.h"
#include "script/TargetDir.h"

namespace {

constexpr int kFlagRestart = 2;

// What the worker reads before it starts: the script from the page's context.
HINF BeginRun(HWND page) {
  g_workerBusy = 1;
  SetThreadLanguage(g_languageId);
  WizardContext *context = PageContext(page);
  return context ? context->hInf : INVALID_HANDLE_VALUE;
}

// Sets the restart flag for a successful run, clears the busy flag and tells the page; the
// page sees the final values of both flags when the message arrives.
void EndRun(HWND page, HINF inf, const char *keyList, int ok, DWORD error) {
  if (ok && CountProductsWithFlag(inf, keyList, kFlagRestart) != 0) {
    LogLine("a restart is needed: a product of the run asks for one");
    g_rebootNeeded = 1;
  }
  g_workerBusy = 0;
  PostMessageA(page, WM_SETUP_DONE, ok ? 1 : 0, ok ? 0 : static_cast<LPARAM>(error));
}

// The runner's result with the error it left, read before any other call can change it.
int RunAndKeepError(HINF inf, HWND page, DWORD *error) {
  int ok = RunSections(inf, g_sectionList, page);
  *error = ok ? 0 : GetLastError();
  return ok;
}

// Adds the setup-level key of the script's "Uninstall" line to the key list, unless the list
// has it already.
void AppendSetupLevelKey(HINF inf, char *keys, size_t size) {
  INFCONTEXT line;
  char setupKey[kFieldSize];
  if (!ReadSetupLevelKey(inf, &line, setupKey, sizeof(setupKey))) return;
  for (const char *key = keys; *key; key = ListNext(key))
    if (lstrcmpiA(key, setupKey) == 0) return;
  ListAppend(keys, size, setupKey, sizeof(setupKey) - 1);
}

// The keys a removal works on: those of the command line, or, for a bare "/remove", the
// setup-level key, which is what the confirm page named. Without it a bare removal would
// report success while removing nothing and leaving its entry behind.
void RemovalKeys(HINF inf, char (&keys)[kKeyListSize]) {
  memcpy(keys, g_productKey, sizeof(keys));
  if (!keys[0]) AppendSetupLevelKey(inf, keys, sizeof(keys));
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

}  // namespace

// Installs the products of g_productKey. The Uninstall entries are written before any file is
// copied, so that even a broken installation can be removed.
DWORD WINAPI InstallWorker(LPVOID parameter) {
  HWND page = static_cast<HWND>(parameter);
  HINF inf = BeginRun(page);
  LogChoices("install", g_productKey, g_targetDir);
  DWORD error = 0;
  int ok = 0;
  // A list that cannot hold every chosen product's section would install only some of them
  // while reporting success: refuse the run instead.
  if (!BuildInstallSectionListChecked(inf, g_productKey, g_sectionList)) {
    error = ERROR_INSUFFICIENT_BUFFER;
  } else {
    RegisterUninstallEntries(inf, g_productKey);
    ok = RunAndKeepError(inf, page, &error);
  }
  EndRun(page, inf, g_productKey, ok, error);
  return 0;
}

// Removes the products of g_productKey from the directory they were installed to. The entries
// are deleted only after a successful run: a failed removal stays registered, so that it can
// be tried again from the recorded directory.
DWORD WINAPI RemoveWorker(LPVOID parameter) {
  HWND page = static_cast<HWND>(parameter);
  HINF inf = BeginRun(page);
  char keys[kKeyListSize];
  RemovalKeys(inf, keys);
  char dir[kTargetDirSize] = {};
  if (FindInstalledTargetDir(inf, keys, dir)) SetupSetDirectoryIdA(inf, kTargetDirId, dir);
  LogChoices("remove", keys, dir);
  DWORD error = 0;
  int ok = 0;
  if (!BuildRemoveSectionListChecked(inf, keys, g_sectionList)) {
    error = ERROR_INSUFFICIENT_BUFFER;
  } else {
    ok = RunAndKeepError(inf, page, &error);
    if (ok) {
      char entries[kKeyListSize];
      memcpy(entries, keys, sizeof(entries));
      // The setup-level entry goes with the setup's files: its command would name a setup.exe
      // and setup.inf that are gone.
      if (RemovesTheSetup(g_sectionList)) AppendSetupLevelKey(inf, entries, sizeof(entries));
      DeleteUninstallEntries(inf, entries);
    }
  }
  EndRun(page, inf, keys, ok, error);
  return 0;
}
