// Start-up as a user meets it: the real setup.exe, started twice, with a broken or missing
// script, and the host window's answer to the end of the session.
#include <gtest/gtest.h>

#include <string>

#include "app/HostWindow.h"
#include "app/Startup.h"
#include "common/Globals.h"
#include "e2e/WizardDriver.h"
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

// setup.exe copied into dir with the script (none when empty), started without options.
bool StartSetup(SetupProcess *setup, const ScratchDir &dir, const std::string &script) {
  if (!script.empty()) WriteTextFile(dir / "setup.inf", script);
  return setup->Start();
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
  SetupProcess setup(dir.path());
  ASSERT_TRUE(StartSetup(&setup, dir, kBrokenScript));
  MessageBoxState box = WizardDriver(setup.pid()).WaitForMessageBox(20000);
  ASSERT_TRUE(box.window) << "no message box";
  EXPECT_EQ(box.text, "There is an error in file " + ScriptPathAsShown(dir) +
                          ", line 3. Installation can not continue.");
  // The box is the only window: no wizard page exists behind it.
  HWND owner = GetWindow(box.window, GW_OWNER);
  ASSERT_TRUE(owner);
  char cls[32] = {};
  GetClassNameA(owner, cls, sizeof(cls));
  EXPECT_STREQ(cls, "SETUP");
  EXPECT_FALSE(IsWindowVisible(owner));
  PostMessageA(box.window, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(setup.WaitForExit(20000), 1620) << "the script could not be opened";
}

TEST(StartupTest, MissingScriptShowsItsPath) {
  ScratchDir dir;
  SetupProcess setup(dir.path());
  ASSERT_TRUE(StartSetup(&setup, dir, ""));
  MessageBoxState box = WizardDriver(setup.pid()).WaitForMessageBox(20000);
  ASSERT_TRUE(box.window);
  EXPECT_EQ(box.text, "There is an error in file " + ScriptPathAsShown(dir) +
                          ", line 0. Installation can not continue.");
  PostMessageA(box.window, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(setup.WaitForExit(20000), 1620);
}

TEST(StartupTest, SecondStartOfTheSameFileEndsAtOnceAnotherCopyRuns) {
  ScratchDir dirA, dirB;
  SetupProcess first(dirA.path());
  ASSERT_TRUE(StartSetup(&first, dirA, kBrokenScript));
  HWND firstBox = WizardDriver(first.pid()).WaitForMessageBox(20000).window;
  ASSERT_TRUE(firstBox) << "the first copy must be waiting in its message box";

  SetupProcess second(dirA.path(), false);  // the same program file
  ASSERT_TRUE(second.Start());
  EXPECT_EQ(second.WaitForExit(20000), 1618) << "the second start must end by itself";
  EXPECT_TRUE(first.Running());

  SetupProcess other(dirB.path());  // a copy in another folder is another instance
  ASSERT_TRUE(StartSetup(&other, dirB, kBrokenScript));
  HWND otherBox = WizardDriver(other.pid()).WaitForMessageBox(20000).window;
  ASSERT_TRUE(otherBox) << "a copy elsewhere runs and shows its own box";
  PostMessageA(otherBox, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(other.WaitForExit(20000), 1620);
  PostMessageA(firstBox, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(first.WaitForExit(20000), 1620);
}

}  // namespace
