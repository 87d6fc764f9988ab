// Runs without the interactive walk: the target proposal, "/install:KEY", "/quiet", a failing
// install with its retry, and the exit codes of each way a run can end.
#include <gtest/gtest.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/Messages.h"
#include "e2e/Media.h"
#include "e2e/WizardDriver.h"
#include "engine/SectionRunner.h"
#include "res/resource.h"

namespace {

// A script without listed products: the components page steps aside.
std::string TargetOnlyScript(const std::string &defaultDestDir) {
  return "[Version]\r\nSignature=\"$Chicago$\"\r\n[Install]\r\n[DestinationDirs]\r\n"
         "DefaultDestDir = " + defaultDestDir + "\r\n";
}

// Starts a wizard, goes from the welcome page to the target page, and reads the proposal;
// then cancels and returns the exit code in *exitCode.
std::string ProposalOf(const std::string &script, int *exitCode) {
  Media media(script);
  SetupProcess setup(media.dir());
  if (!setup.Start()) return "<not started>";
  WizardDriver wizard(setup.pid());
  if (!wizard.WaitForPage(kPageWelcome)) return "<no welcome>";
  WaitUntil([&] { return wizard.Press(WizardButton::Next); });
  if (!wizard.WaitForPage(kPageTargetDir)) return "<no target page>";
  std::string text = wizard.Control(IDC_TARGET_EDIT).text;
  WaitUntil([&] { return wizard.Press(WizardButton::Cancel); });
  *exitCode = setup.WaitForExit();
  return text;
}

TEST(TargetProposalTest, ProgramFilesBelowIdTwentyFourAndEarlierInstallationsFirst) {
  const std::string programFiles = ProgramFilesDir();
  ASSERT_FALSE(programFiles.empty());
  int exitCode = -1;
  EXPECT_EQ(ProposalOf(TargetOnlyScript("24, \"Tools\""), &exitCode), programFiles + "\\Tools");
  EXPECT_EQ(exitCode, 1602) << "cancelled before any run";
  EXPECT_EQ(ProposalOf(TargetOnlyScript("24, \"\\Tools\""), &exitCode),
            programFiles + "\\Tools");
  EXPECT_EQ(ProposalOf(TargetOnlyScript("24"), &exitCode), programFiles);

  // A product of the script installed earlier: its recorded directory wins.
  const std::string script =
      TargetOnlyScript("24, \"Tools\"") +
      "[Products]\r\nE2EEarlier = \"Earlier\", Earlier.Install, Earlier.Remove, 1\r\n"
      "[Earlier.Install]\r\n[Earlier.Remove]\r\n";
  WriteUninstallValue("E2EEarlier", "UserTargetDir", "D:\\Earlier\\Place");
  Media media(script);
  SetupProcess setup(media.dir());
  ASSERT_TRUE(setup.Start());
  WizardDriver wizard(setup.pid());
  ASSERT_TRUE(wizard.WaitForPage(kPageWelcome));
  ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Next); }));
  ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Next); }));
  ASSERT_TRUE(wizard.WaitForPage(kPageTargetDir));
  EXPECT_EQ(wizard.Control(IDC_TARGET_EDIT).text, "D:\\Earlier\\Place");
  ASSERT_TRUE(wizard.Press(WizardButton::Cancel));
  EXPECT_EQ(setup.WaitForExit(), 1602);
  DeleteUninstallEntry("E2EEarlier");
}

const char kTwoProducts[] = R"([Version]
Signature="$Chicago$"
[Products]
E2EOne = "One", One.Install, One.Remove, 1, 0, "first", 1.0
E2ETwo = "Two", Two.Install, Two.Remove, 1, 0, "second", 1.0
E2EOld = "Old", Old.Install, Old.Remove, 1, 0, "older than installed", 1.0
E2EOff = "Off", Off.Install, Off.Remove, 0, 0, "not by default", 1.0
[Install]
Uninstall = E2EPair, "Pair"
CopyFiles = Setup.Files
[Remove]
DelFiles = Setup.Files
[One.Install]
CopyFiles = One.Files
[One.Remove]
DelFiles = One.Files
[Two.Install]
CopyFiles = Two.Files
[Two.Remove]
DelFiles = Two.Files
[Old.Install]
CopyFiles = Old.Files
[Old.Remove]
[Off.Install]
CopyFiles = Off.Files
[Off.Remove]
[DestinationDirs]
DefaultDestDir = 32768
One.Files = 32768
Two.Files = 32768
Old.Files = 32768
Off.Files = 32768
Setup.Files = 32768
[One.Files]
one.txt
[Two.Files]
two.txt
[Old.Files]
old.txt
[Off.Files]
off.txt
[Setup.Files]
setup.exe
setup.inf
)";

const std::vector<std::string> kTwoPayload = {"one.txt", "two.txt", "old.txt", "off.txt"};

class ProductRunsTest : public testing::Test {
 protected:
  void TearDown() override {
    for (const char *key : {"E2EOne", "E2ETwo", "E2EOld", "E2EOff", "E2EPair", "E2EBroken", "E2EHeld"})
      DeleteUninstallEntry(key);
    ClearPendingRenames();
  }
};

// Steps from page to page with Next until the page wanted; records the pages passed.
std::vector<int> NextUntil(WizardDriver &wizard, int wanted) {
  std::vector<int> seen;
  for (int step = 0; step < 8; ++step) {
    int page = -1;
    WaitUntil([&] { return (page = wizard.ActivePage()) >= 0; });
    if (seen.empty() || seen.back() != page) seen.push_back(page);
    if (page == wanted) break;
    WaitUntil([&] { return wizard.Press(WizardButton::Next); });
    WaitUntil([&] { return wizard.ActivePage() != page; }, 5000);
  }
  return seen;
}

TEST_F(ProductRunsTest, InstallKeyInstallsExactlyThatProductWithoutTheComponentsPage) {
  Media media(kTwoProducts, kTwoPayload);
  SetupProcess setup(media.dir());
  ASSERT_TRUE(setup.Start("/install:e2etwo"));
  WizardDriver wizard(setup.pid());
  ASSERT_TRUE(wizard.WaitForPage(kPageWelcome));
  std::vector<int> pages = NextUntil(wizard, kPageTargetDir);
  EXPECT_EQ(pages, (std::vector<int>{kPageWelcome, kPageTargetDir}))
      << "the components page never shows";
  wizard.TypeTarget(media.target());
  std::vector<int> rest = NextUntil(wizard, kPageInstallFinish);
  EXPECT_EQ(rest.back(), kPageInstallFinish);
  EXPECT_FALSE(wizard.Control(IDC_TEXT).visible) << "no restart note";
  ASSERT_TRUE(wizard.Press(WizardButton::Finish));
  EXPECT_EQ(setup.WaitForExit(), 0);
  EXPECT_TRUE(FileExists(media.target() + "\\two.txt"));
  EXPECT_FALSE(FileExists(media.target() + "\\one.txt"));
  EXPECT_TRUE(UninstallEntryExists("E2ETwo"));
  EXPECT_FALSE(UninstallEntryExists("E2EOne"));
}

TEST_F(ProductRunsTest, QuietInstallsTheDefaultChoiceAndQuietRemovalTakesItAway) {
  WriteUninstallValue("E2EOld", "ProductVersion", "2.0");
  Media media(kTwoProducts, kTwoPayload);
  // The quiet run goes to the proposal: an earlier installation's directory.
  WriteUninstallValue("E2EPair", "UserTargetDir", media.target());
  SetupProcess setup(media.dir());
  DWORD started = GetTickCount();
  ASSERT_TRUE(setup.Start("/quiet"));
  EXPECT_EQ(setup.WaitForExit(60000), 0);
  DWORD installMs = GetTickCount() - started;
  EXPECT_TRUE(FileExists(media.target() + "\\one.txt"));
  EXPECT_TRUE(FileExists(media.target() + "\\two.txt"));
  EXPECT_FALSE(FileExists(media.target() + "\\old.txt")) << "a newer version is installed";
  EXPECT_FALSE(FileExists(media.target() + "\\off.txt")) << "not checked by default";
  EXPECT_EQ(UninstallValue("E2EOne", "UninstallString"),
            media.target() + "\\setup.exe /remove:E2EOne");
  DeleteUninstallEntry("E2EOld");

  SetupProcess remover(media.target(), false);
  started = GetTickCount();
  ASSERT_TRUE(remover.StartCommandLine(UninstallValue("E2EOne", "UninstallString") + " /quiet"));
  EXPECT_EQ(remover.WaitForExit(60000), 0);
  DWORD removeMs = GetTickCount() - started;
  EXPECT_FALSE(FileExists(media.target() + "\\one.txt"));
  EXPECT_TRUE(FileExists(media.target() + "\\two.txt"));
  EXPECT_FALSE(UninstallEntryExists("E2EOne"));
  printf("quiet install %lu ms, quiet removal %lu ms (wall time, one run)\n", installMs,
         removeMs);
}

// The service manager refuses a service of a type that does not exist. The product has no
// remove section, and so no Uninstall entry that would need a copy of setup.exe.
const char kFailingScript[] = R"([Version]
Signature="$Chicago$"
[Products]
E2EBroken = "Broken", Broken.Install, , 1, 0, "its service cannot be created", 1.0
[Install]
[Broken.Install]
[Broken.Install.Services]
AddService = E2EBrokenService, , Broken.Settings
[Broken.Settings]
DisplayName = "Broken service"
ServiceType = 0x7777
StartType = 3
ErrorControl = 0
ServiceBinary = "%11%\notepad.exe"
[DestinationDirs]
DefaultDestDir = 32768
)";

TEST_F(ProductRunsTest, FailedInstallShowsTheReasonAndTheRetryFailsAgainThenCancelEnds1603) {
  Media media(kFailingScript);
  SetupProcess setup(media.dir());
  ASSERT_TRUE(setup.Start());
  WizardDriver wizard(setup.pid());
  ASSERT_TRUE(wizard.WaitForPage(kPageWelcome));
  NextUntil(wizard, kPageTargetDir);
  wizard.TypeTarget(media.target());
  NextUntil(wizard, kPageReady);
  for (int attempt = 0; attempt < 2; ++attempt) {
    ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Next); })) << attempt;
    MessageBoxState box = wizard.WaitForMessageBox(60000);
    ASSERT_TRUE(box.window) << "no error box, attempt " << attempt;
    const std::string head = "The installation did not complete successfully.\r\n\r\n";
    EXPECT_EQ(box.text.compare(0, head.size(), head), 0) << box.text;
    EXPECT_GT(box.text.size(), head.size()) << "the system's text follows";
    EXPECT_TRUE(box.hasIcon);
    wizard.Answer(box, IDOK);
    // Ready again: Back, Next and Cancel, the phase text cleared.
    EXPECT_TRUE(WaitUntil([&] { return wizard.Button(WizardButton::Next).enabled; }));
    EXPECT_TRUE(wizard.Button(WizardButton::Back).enabled);
    EXPECT_TRUE(wizard.Button(WizardButton::Cancel).enabled);
    EXPECT_EQ(wizard.ActivePage(), kPageReady);
    EXPECT_EQ(wizard.Control(IDC_TEXT).text, "");
  }
  ASSERT_TRUE(wizard.Press(WizardButton::Cancel));
  EXPECT_EQ(setup.WaitForExit(), 1603) << "the last run failed";
}

// Files to copy, and a program of the second pass that holds the run after the last phase; no
// remove section, so no Uninstall entry that would need a copy of setup.exe.
const char kHeldScript[] = R"([Version]
Signature="$Chicago$"
[Products]
E2EHeld = "Held", Held.Install, , 1, 0, "", 1.0
[Install]
[Held.Install]
CopyFiles = Held.Files
Exec = Held.Programs
[Held.Programs]
Hold = 2, "@MEDIA@\gate.exe", "@GATE@"
[DestinationDirs]
DefaultDestDir = 32768
Held.Files = 32768
[Held.Files]
)";

// The held script with count files of its own, listed in *payload; the last one named last.
std::string HeldScriptCopying(int count, std::vector<std::string> *payload) {
  std::string script = kHeldScript;
  for (int file = 0; file < count; ++file) {
    payload->push_back("file" + std::to_string(file) + ".txt");
    script += payload->back() + "\n";
  }
  return script;
}

// The bar follows the files of the commit: it rises while they are copied and ends full,
// whatever progress messages of the system's own also arrive.
TEST_F(ProductRunsTest, ProgressBarRisesWithTheCopiedFilesAndTheLastPhaseClearsThePage) {
  constexpr int kFiles = 400;
  std::vector<std::string> payload;
  Media media(HeldScriptCopying(kFiles, &payload), payload);
  SetupProcess setup(media.dir());
  ASSERT_TRUE(setup.Start());
  WizardDriver wizard(setup.pid());
  ASSERT_TRUE(wizard.WaitForPage(kPageWelcome));
  NextUntil(wizard, kPageTargetDir);
  wizard.TypeTarget(media.target());
  NextUntil(wizard, kPageReady);
  EXPECT_EQ(wizard.Control(IDC_TEXT).text, "");

  // A count above 65,535 keeps its bar: the range is not cut to 16 bits.
  ASSERT_TRUE(wizard.PostToPage(WM_SETUP_PROGRESS, 0, 70000));
  EXPECT_TRUE(WaitUntil([&] { return wizard.ProgressHigh(IDC_PROGRESS) == 70000; }))
      << wizard.ProgressHigh(IDC_PROGRESS);
  ASSERT_TRUE(wizard.PostToPage(WM_SETUP_PROGRESS, 1, 0));
  EXPECT_TRUE(WaitUntil([&] { return wizard.ProgressPos(IDC_PROGRESS) == 1; }));
  // Steps of the system's own that come before the program's first count (half of a queue of
  // four) are not taken back by it.
  ASSERT_TRUE(wizard.PostToPage(WM_SETUP_PROGRESS, 0, 4));
  ASSERT_TRUE(wizard.PostToPage(WM_SETUP_PROGRESS, 1, 0));
  EXPECT_TRUE(WaitUntil([&] { return wizard.ProgressPos(IDC_PROGRESS) == 2; }));

  // Held in the second pass, after the last phase: the text is cleared and the bar hidden
  // while the worker finishes. Until then the bar is sampled as the files are copied.
  ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Next); }));
  EXPECT_TRUE(WaitUntil([&] { return !wizard.Button(WizardButton::Cancel).enabled; }));
  std::vector<int> positions;
  EXPECT_TRUE(WaitUntil([&] {
    if (wizard.ProgressHigh(IDC_PROGRESS) == kFiles)
      positions.push_back(wizard.ProgressPos(IDC_PROGRESS));
    return wizard.Control(IDC_TEXT).text.empty() && !wizard.Control(IDC_PROGRESS).visible &&
           FileExists(media.target() + "\\" + payload.back());
  }, 60000));
  EXPECT_EQ(wizard.ActivePage(), kPageReady);
  ASSERT_FALSE(positions.empty());
  EXPECT_GE(positions.front(), kFiles / 2) << "the system's steps were taken back";
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end())) << "never backwards";
  EXPECT_TRUE(std::any_of(positions.begin(), positions.end(),
                          [](int position) { return position > 0 && position < kFiles; }))
      << "sampled " << positions.size() << " times, never part-way";
  EXPECT_EQ(wizard.ProgressHigh(IDC_PROGRESS), kFiles);
  EXPECT_EQ(wizard.ProgressPos(IDC_PROGRESS), kFiles);
  // The system's own messages, which Windows sends besides, neither move nor rescale it.
  ASSERT_TRUE(wizard.PostToPage(WM_SETUP_PROGRESS, 0, 3));
  ASSERT_TRUE(wizard.PostToPage(WM_SETUP_PROGRESS, 1, 0));
  // A phase posted after them shows once the page has handled them.
  ASSERT_TRUE(wizard.PostToPage(WM_SETUP_PHASE, kPhaseFiles, 0));
  ASSERT_TRUE(WaitUntil([&] { return wizard.Control(IDC_TEXT).text == "Copying files ..."; }));
  EXPECT_EQ(wizard.ProgressHigh(IDC_PROGRESS), kFiles);
  EXPECT_EQ(wizard.ProgressPos(IDC_PROGRESS), kFiles);
  printf("progress bar: %zu samples during the copy of %d files\n", positions.size(), kFiles);
  media.OpenGate();
  ASSERT_TRUE(wizard.WaitForPage(kPageInstallFinish, 60000));
  ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Finish); }));
  EXPECT_EQ(setup.WaitForExit(), 0);
}

// The target page takes only a folder it can use: Next stays off, and the hint says why. A
// quiet run, which skips the page, meets the same path in the worker: the run fails with the
// system's reason before any entry is written, and the user can only try again or cancel.
TEST_F(ProductRunsTest, TargetThatCannotBeAFolderIsRefusedOnThePageAndByTheWorker) {
  Media media(kTwoProducts, kTwoPayload);
  const std::string file = media.dir() + "\\setup.inf";
  const struct {
    std::string typed;
    std::string hint;
  } cases[] = {
      {file, file + " is a file, not a folder."},
      {file + "\\Deeper", file + " is a file, not a folder."},
      {"Q:\\Apps", "There is no drive Q:."},
      {"Apps\\Tools", "Please enter a complete path, beginning with a drive letter such as C:."},
      {media.target() + "\\New", ""},
  };
  {
    SetupProcess setup(media.dir());
    ASSERT_TRUE(setup.Start());
    WizardDriver wizard(setup.pid());
    ASSERT_TRUE(wizard.WaitForPage(kPageWelcome));
    NextUntil(wizard, kPageTargetDir);
    for (const auto &c : cases) {
      wizard.TypeTarget(c.typed);
      EXPECT_TRUE(WaitUntil([&] {
        return wizard.Control(IDC_TARGET_FAULT).text == c.hint &&
               wizard.Button(WizardButton::Next).enabled == c.hint.empty();
      })) << c.typed << ": " << wizard.Control(IDC_TARGET_FAULT).text;
    }
    ASSERT_TRUE(wizard.Press(WizardButton::Cancel));
    EXPECT_EQ(setup.WaitForExit(), 1602);
  }

  WriteUninstallValue("E2EPair", "UserTargetDir", file);
  SetupProcess setup(media.dir(), false);
  ASSERT_TRUE(setup.Start("/quiet"));
  WizardDriver wizard(setup.pid());
  MessageBoxState box = wizard.WaitForMessageBox(60000);
  ASSERT_TRUE(box.window) << "no error box";
  EXPECT_EQ(box.text.find("The installation did not complete successfully.\r\n\r\n"), 0u)
      << box.text;
  wizard.Answer(box, IDOK);
  EXPECT_TRUE(WaitUntil([&] { return wizard.Button(WizardButton::Next).enabled; }))
      << "back on the ready page, waiting";
  ASSERT_TRUE(wizard.Press(WizardButton::Cancel));
  EXPECT_EQ(setup.WaitForExit(), 1603);
  EXPECT_FALSE(UninstallEntryExists("E2EOne")) << "refused before any entry is written";
  EXPECT_EQ(ReadTextFile(file).substr(0, 9), "[Version]") << "the file is left as it was";
}

TEST(ExitCodeRunsTest, MissingScriptAndSecondStart) {
  ScratchDir empty;
  {
    SetupProcess setup(empty.path());
    ASSERT_TRUE(setup.Start());
    WizardDriver wizard(setup.pid());
    MessageBoxState box = wizard.WaitForMessageBox();
    ASSERT_TRUE(box.window);
    wizard.Answer(box, IDOK);
    EXPECT_EQ(setup.WaitForExit(), 1620);
  }
  Media media(TargetOnlyScript("24"));
  SetupProcess first(media.dir());
  ASSERT_TRUE(first.Start());
  WizardDriver wizard(first.pid());
  ASSERT_TRUE(wizard.WaitForPage(kPageWelcome));
  SetupProcess second(media.dir(), false);
  ASSERT_TRUE(second.Start("/quiet"));
  EXPECT_EQ(second.WaitForExit(), 1618);
  EXPECT_TRUE(first.Running());
  ASSERT_TRUE(wizard.Press(WizardButton::Cancel));
  EXPECT_EQ(first.WaitForExit(), 1602);
}

}  // namespace
