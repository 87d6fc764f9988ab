// Start-up as a user meets it: the real setup.exe, started twice, with a broken or missing
// script, and the host window's answer to the end of the session.
#include <gtest/gtest.h>

#include <string>

#include "app/Globals.h"
#include "app/HostWindow.h"
#include "app/Startup.h"
#include "support/TestSupport.h"

namespace {

TEST(StartupTest, MutexNameFromTheProgramPath) {
  char path[] = "C:\\SETUP\\Setup.exe";
  MakeInstanceMutexName(path);
  EXPECT_STREQ(path, "c:_setup_setup.exe");
  char other[] = "D:\\Prog\xC4mme\\X-1.EXE";
  MakeInstanceMutexName(other);
  EXPECT_STREQ(other, "d:_prog\xC4mme_x-1.exe") << "only A to Z are lowered";
}

TEST(StartupTest, EndOfSessionRefusedOnlyWhileAWorkerRuns) {
  g_rebootNeeded = 0;
  g_workerBusy = 0;
  EXPECT_EQ(HostWindowProc(nullptr, WM_QUERYENDSESSION, 0, 0), TRUE);
  EXPECT_EQ(g_rebootNeeded, 0);
  g_workerBusy = 1;
  EXPECT_EQ(HostWindowProc(nullptr, WM_QUERYENDSESSION, 0, 0), FALSE);
  EXPECT_EQ(g_rebootNeeded, 1);
  g_workerBusy = 0;
  g_rebootNeeded = 0;
}

TEST(StartupTest, CommonControlsVersionIsReported) {
  DWORD major = 0, minor = 0;
  ASSERT_NE(GetCommonControlsVersion(&major, &minor), 0);
  EXPECT_GE(major, 4u);
}

// A running setup.exe copy in its own folder with its own script.
class RunningSetup {
 public:
  RunningSetup(const ScratchDir &dir, const std::string &script) : dir_(dir) {
    CopyFileA(BinaryPath("setup.exe").c_str(), exe().c_str(), FALSE);
    if (!script.empty()) WriteTextFile(dir_ / "setup.inf", script);
  }
  ~RunningSetup() {
    if (process_.hProcess) {
      TerminateProcess(process_.hProcess, 1);
      WaitForSingleObject(process_.hProcess, 5000);
      CloseHandle(process_.hProcess);
    }
  }
  std::string exe() const { return dir_ / "setup.exe"; }
  bool Start() {
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    std::string line = "\"" + exe() + "\"";
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process_))
      return false;
    CloseHandle(process_.hThread);
    return true;
  }
  // The message box that the program shows, found through the host window it owns.
  HWND WaitForMessageBox(DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
      HWND box = FindBoxOfProcess();
      if (box) return box;
      Sleep(50);
    }
    return nullptr;
  }
  bool Running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
  int WaitForExit(DWORD timeoutMs) {
    if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -2;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<int>(code);
  }

 private:
  struct Search {
    DWORD pid;
    HWND found;
  };
  static BOOL CALLBACK Match(HWND window, LPARAM param) {
    Search *search = reinterpret_cast<Search *>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof(cls));
    if (pid == search->pid && std::string(cls) == "#32770" && IsWindowVisible(window)) {
      search->found = window;
      return FALSE;
    }
    return TRUE;
  }
  HWND FindBoxOfProcess() const {
    Search search = {process_.dwProcessId, nullptr};
    EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }
  const ScratchDir &dir_;
  PROCESS_INFORMATION process_ = {};
};

std::string BoxText(HWND box) {
  char text[1024] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
  return text;
}

std::string ScriptPathAsShown(const ScratchDir &dir) {
  // The program names the script by its full path as GetModuleFileName gives it.
  char full[MAX_PATH];
  GetFullPathNameA((dir / "setup.inf").c_str(), sizeof(full), full, nullptr);
  return full;
}

const char kBrokenScript[] =
    "[Version]\r\nSignature=\"$Chicago$\"\r\n[Install\r\nCopyFiles=Files\r\n";

TEST(StartupTest, BrokenScriptShowsPathAndLineAndNoPage) {
  ScratchDir dir;
  RunningSetup setup(dir, kBrokenScript);
  ASSERT_TRUE(setup.Start());
  HWND box = setup.WaitForMessageBox(20000);
  ASSERT_TRUE(box) << "no message box";
  EXPECT_EQ(BoxText(box), "There is an error in file " + ScriptPathAsShown(dir) +
                              ", line 3. Installation can not continue.");
  // The box is the only window: no wizard page exists behind it.
  HWND owner = GetWindow(box, GW_OWNER);
  ASSERT_TRUE(owner);
  char cls[32] = {};
  GetClassNameA(owner, cls, sizeof(cls));
  EXPECT_STREQ(cls, "SETUP");
  EXPECT_FALSE(IsWindowVisible(owner));
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(setup.WaitForExit(20000), 1620) << "the script could not be opened";
}

TEST(StartupTest, MissingScriptShowsItsPath) {
  ScratchDir dir;
  RunningSetup setup(dir, "");
  ASSERT_TRUE(setup.Start());
  HWND box = setup.WaitForMessageBox(20000);
  ASSERT_TRUE(box);
  EXPECT_EQ(BoxText(box), "There is an error in file " + ScriptPathAsShown(dir) +
                              ", line 0. Installation can not continue.");
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(setup.WaitForExit(20000), 1620);
}

TEST(StartupTest, SecondStartOfTheSameFileEndsAtOnceAnotherCopyRuns) {
  ScratchDir dirA, dirB;
  RunningSetup first(dirA, kBrokenScript);
  ASSERT_TRUE(first.Start());
  HWND firstBox = first.WaitForMessageBox(20000);
  ASSERT_TRUE(firstBox) << "the first copy must be waiting in its message box";

  RunningSetup second(dirA, "");  // the same program file
  ASSERT_TRUE(second.Start());
  EXPECT_EQ(second.WaitForExit(20000), 1618) << "the second start must end by itself";
  EXPECT_TRUE(first.Running());

  RunningSetup other(dirB, kBrokenScript);  // a copy in another folder is another instance
  ASSERT_TRUE(other.Start());
  HWND otherBox = other.WaitForMessageBox(20000);
  ASSERT_TRUE(otherBox) << "a copy elsewhere runs and shows its own box";
  PostMessageA(otherBox, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(other.WaitForExit(20000), 1620);
  PostMessageA(firstBox, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(first.WaitForExit(20000), 1620);
}

}  // namespace
