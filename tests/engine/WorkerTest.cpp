// The install and remove workers end to end: a real setup script, files, the registry of the
// Wine prefix, the real section runner on the worker thread, and a page window that receives
// the phases and WM_SETUP_DONE.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Globals.h"
#include "common/Messages.h"
#include "common/WizardContext.h"
#include "engine/SectionRunner.h"
#include "engine/Workers.h"
#include "script/ProductScriptSupport.h"

namespace {

constexpr DWORD kTargetDirId = 32768;
constexpr DWORD kRunTimeoutMs = 20000;

// Product A needs a restart (flag 2). Its removal also copies the cabinet needed.cab into the
// target: while a folder of that name stands there, the copy fails and so does the removal. (A cabinet, because the file-queue callback copies those itself and
// ends the commit on failure; Wine's default callback retries a failed copy without end.)
const char kWorkerScript[] =
    "[DestinationDirs]\r\nDefaultDestDir=32768\r\n"
    "[Install]\r\nUninstall=@S,Worker Setup\r\nCopyFiles=SetupFiles\r\n"
    "[Remove]\r\nDelFiles=SetupFiles\r\n"
    "[SetupFiles]\r\nsetup.exe\r\n"
    "[Products]\r\n@A=Product A,InstA,RemA,2\r\n@B=Product B,InstB,RemB,0\r\n"
    "[InstA]\r\nCopyFiles=AFiles\r\n[RemA]\r\nDelFiles=AFiles\r\nCopyFiles=Needed\r\n"
    "[AFiles]\r\na.txt\r\n[Needed]\r\nneeded.cab\r\n"
    "[InstB]\r\nCopyFiles=BFiles\r\n[RemB]\r\nDelFiles=BFiles\r\n[BFiles]\r\nb.txt\r\n";

// What the page window received from one run.
struct PageLog {
  std::vector<int> phases;
  bool done = false;
  WPARAM doneOk = 0;
  LPARAM doneError = 0;
  int busyAtDone = -1;
  int rebootAtDone = -1;
};
PageLog g_log;

INT_PTR CALLBACK PageProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETUP_PHASE:
      g_log.phases.push_back(static_cast<int>(wParam));
      return TRUE;
    case WM_SETUP_DONE:
      g_log.done = true;
      g_log.doneOk = wParam;
      g_log.doneError = lParam;
      g_log.busyAtDone = g_workerBusy;
      g_log.rebootAtDone = g_rebootNeeded;
      return TRUE;
  }
  return FALSE;
}

// A dialog without controls as the page that receives the run's messages.
HWND CreatePage() {
  std::vector<WORD> t(32, 0);
  auto *dialog = reinterpret_cast<DLGTEMPLATE *>(t.data());
  dialog->style = WS_POPUP;
  dialog->cx = 100;
  dialog->cy = 50;
  return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dialog, nullptr, PageProc, 0);
}

const std::vector<int> kAllPhases = {2, 3, 4, 5, 6, -1};

class WorkerTest : public testing::Test {
 protected:
  void SetUp() override {
    GetCurrentDirectoryA(sizeof(previousDir_), previousDir_);
    source_ = script_.dir().path();
    target_ = script_.dir() / "Target Dir";
    elsewhere_ = script_.dir() / "Elsewhere";
    CreateDirectoryA(elsewhere_.c_str(), nullptr);
    for (const char *name : {"setup.exe", "a.txt", "b.txt", "needed.cab"}) {
      WriteTextFile(source_ + "\\" + name, std::string("payload ") + name);
      WriteTextFile(elsewhere_ + "\\" + name, "not ours");
    }
    // The runner copies from the current directory, the program's own in a real run.
    ASSERT_TRUE(SetCurrentDirectoryA(source_.c_str()));
    ASSERT_NE(script_.inf(), INVALID_HANDLE_VALUE);
    inf_ = script_.inf();
    page_ = CreatePage();
    ASSERT_NE(page_, nullptr);
    g_rebootNeeded = 0;
    g_workerBusy = 0;
    snprintf(g_targetDir, sizeof(g_targetDir), "%s", target_.c_str());
    ASSERT_TRUE(SetupSetDirectoryIdA(script_.inf(), kTargetDirId, target_.c_str()));
  }
  void TearDown() override {
    if (page_) DestroyWindow(page_);
    SetCurrentDirectoryA(previousDir_);
    g_targetDir[0] = '\0';
    g_rebootNeeded = 0;
  }

  void SetKeys(const std::vector<std::string> &names) {
    std::vector<std::string> keys;
    for (const std::string &name : names) keys.push_back(TestKey(name));
    std::vector<char> list = KeyList(keys);
    ASSERT_LE(list.size(), g_productKeySize);
    memcpy(g_productKey, list.data(), list.size());
  }

  // Starts the worker of the run's kind, as the pages would, and pumps messages until
  // WM_SETUP_DONE.
  void Run(bool removal) {
    g_log = PageLog();
    RunRecord run = {inf_, page_, g_productKey, {}, removal};
    snprintf(run.targetDir, sizeof(run.targetDir), "%s", g_targetDir);
    HANDLE thread = StartWorker(&run);
    ASSERT_NE(thread, nullptr);
    DWORD start = GetTickCount();
    while (!g_log.done && GetTickCount() - start < kRunTimeoutMs) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
      MSG message;
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(page_, &message)) DispatchMessageA(&message);
      }
    }
    EXPECT_EQ(WaitForSingleObject(thread, kRunTimeoutMs), WAIT_OBJECT_0);
    CloseHandle(thread);
    ASSERT_TRUE(g_log.done) << "no WM_SETUP_DONE";
    EXPECT_EQ(g_log.busyAtDone, 0) << "the busy flag is cleared before the message";
  }

  bool InTarget(const char *name) { return FileExists(target_ + "\\" + name); }

  UninstallEntries entries_{{"A", "B", "S"}};
  ProductScript script_{kWorkerScript};
  HINF inf_ = INVALID_HANDLE_VALUE;
  HWND page_ = nullptr;
  std::string source_;
  std::string target_;
  std::string elsewhere_;
  char previousDir_[MAX_PATH] = "";
};

TEST_F(WorkerTest, InstallThenRemoveOneProduct) {
  SetKeys({"A", "B"});
  Run(false);
  EXPECT_EQ(g_log.phases, kAllPhases);
  EXPECT_EQ(g_log.doneOk, 1u);
  EXPECT_EQ(g_log.doneError, 0);
  EXPECT_EQ(Joined(g_sectionList), "Install|InstA|InstB|");
  EXPECT_TRUE(InTarget("setup.exe") && InTarget("a.txt") && InTarget("b.txt"));
  EXPECT_EQ(EntryValue(TestKey("A"), "UninstallString"),
            "\"" + target_ + "\\setup.exe\" /remove:" + TestKey("A"));
  EXPECT_EQ(EntryValue(TestKey("B"), "UserTargetDir"), target_);
  EXPECT_TRUE(UninstallEntryExists(TestKey("S")));
  EXPECT_EQ(g_log.rebootAtDone, 1) << "product A asks for a restart";

  // The removal runs in a fresh wizard: the target id is bound to some other folder, and
  // the worker must bind it to the recorded one.
  g_rebootNeeded = 0;
  g_targetDir[0] = '\0';
  ASSERT_TRUE(SetupSetDirectoryIdA(script_.inf(), kTargetDirId, elsewhere_.c_str()));
  SetKeys({"B"});
  Run(true);
  EXPECT_EQ(g_log.phases, kAllPhases);
  EXPECT_EQ(g_log.doneOk, 1u);
  EXPECT_EQ(Joined(g_sectionList), "RemB|") << "A stays registered";
  EXPECT_FALSE(InTarget("b.txt"));
  EXPECT_TRUE(InTarget("a.txt") && InTarget("setup.exe"));
  EXPECT_TRUE(FileExists(elsewhere_ + "\\b.txt"));
  EXPECT_FALSE(UninstallEntryExists(TestKey("B")));
  EXPECT_TRUE(UninstallEntryExists(TestKey("A")) && UninstallEntryExists(TestKey("S")));
  EXPECT_EQ(g_log.rebootAtDone, 0) << "product B needs no restart";
}

TEST_F(WorkerTest, FailedRemovalStaysRegisteredAndIsTriedAgainInThePlace) {
  SetKeys({"A"});
  Run(false);
  ASSERT_EQ(g_log.doneOk, 1u);
  ASSERT_TRUE(InTarget("a.txt"));

  g_rebootNeeded = 0;
  ASSERT_TRUE(CreateDirectoryA((target_ + "\\needed.cab").c_str(), nullptr));
  ASSERT_TRUE(SetupSetDirectoryIdA(script_.inf(), kTargetDirId, elsewhere_.c_str()));
  Run(true);
  EXPECT_EQ(g_log.doneOk, 0u);
  EXPECT_NE(g_log.doneError, 0) << "the runner's error code reaches the page";
  EXPECT_EQ(g_log.rebootAtDone, 0) << "a failed run does not ask for a restart";
  EXPECT_TRUE(UninstallEntryExists(TestKey("A"))) << "a failed removal can still be started again";
  EXPECT_TRUE(UninstallEntryExists(TestKey("S")));

  // Whatever the first attempt removed, the file is back, and the id points elsewhere again.
  WriteTextFile(target_ + "\\a.txt", "installed");
  ASSERT_TRUE(RemoveDirectoryA((target_ + "\\needed.cab").c_str()));
  // A file of the user's keeps the folder, which the removal would otherwise take away as
  // soon as it is empty, before needed.cab arrives.
  WriteTextFile(target_ + "\\notes.txt", "the user's");
  ASSERT_TRUE(SetupSetDirectoryIdA(script_.inf(), kTargetDirId, elsewhere_.c_str()));
  Run(true);
  EXPECT_EQ(g_log.phases, kAllPhases);
  EXPECT_EQ(g_log.doneOk, 1u) << "error " << g_log.doneError;
  EXPECT_EQ(Joined(g_sectionList), "RemA|Remove|") << "the last product takes Remove along";
  EXPECT_FALSE(InTarget("a.txt")) << "removed from the recorded directory";
  EXPECT_FALSE(InTarget("setup.exe"));
  EXPECT_TRUE(FileExists(elsewhere_ + "\\a.txt")) << "and from nowhere else";
  EXPECT_FALSE(UninstallEntryExists(TestKey("A")));
  EXPECT_FALSE(UninstallEntryExists(TestKey("S")))
      << "the setup's own files are gone, and its entry with them";
  EXPECT_EQ(g_log.rebootAtDone, 1);
}

// An entry that cannot be deleted (a key below it keeps the registry from deleting it) fails
// the removal, which can then be tried again through that entry.
TEST_F(WorkerTest, EntryThatCannotBeDeletedFailsTheRemoval) {
  SetKeys({"B"});
  Run(false);
  ASSERT_EQ(g_log.doneOk, 1u);
  const std::string below = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                            TestKey("B") + "\\Held";
  HKEY held = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, below.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &held, nullptr), ERROR_SUCCESS);
  RegCloseKey(held);
  g_targetDir[0] = '\0';
  Run(true);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, below.c_str());
  EXPECT_EQ(g_log.doneOk, 0u);
  EXPECT_NE(g_log.doneError, 0);
  EXPECT_TRUE(UninstallEntryExists(TestKey("B")));
  EXPECT_EQ(g_log.rebootAtDone, 0);
}

TEST_F(WorkerTest, SectionsThatDoNotFitRefuseTheInstall) {
  std::string body = "[Install]\r\nUninstall=@S\r\nCopyFiles=SetupFiles\r\n"
                     "[DestinationDirs]\r\nDefaultDestDir=32768\r\n[SetupFiles]\r\nsetup.exe\r\n"
                     "[Products]\r\n";
  std::vector<std::string> keys;
  for (int i = 0; i < 8; ++i) {
    std::string key = "K" + std::to_string(i);
    keys.push_back(key);
    body += key + "=Name," + std::string(127, static_cast<char>('a' + i)) + ",Rem,2\r\n";
  }
  ProductScript crowded(body);
  inf_ = crowded.inf();
  std::vector<char> list = KeyList(keys);
  memcpy(g_productKey, list.data(), list.size());
  Run(false);
  EXPECT_EQ(g_log.doneOk, 0u);
  EXPECT_EQ(g_log.doneError, ERROR_INSUFFICIENT_BUFFER);
  EXPECT_TRUE(g_log.phases.empty()) << "nothing ran";
  EXPECT_FALSE(UninstallEntryExists(TestKey("S"))) << "nothing was registered";
  EXPECT_EQ(g_log.rebootAtDone, 0);
}

}  // namespace
