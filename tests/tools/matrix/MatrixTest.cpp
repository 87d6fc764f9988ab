// The sample product through install and removal on every platform path that the program
// knows: quietly in each emulated Windows version, and with the wizard driven page by page in
// some of them; after every step the machine is read back.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Machine.h"
#include "Sample.h"
#include "e2e/Media.h"
#include "e2e/WizardDriver.h"
#include "support/TestSupport.h"
#include "res/resource.h"

namespace {

constexpr DWORD kRunLimitMs = 90000;
constexpr int kRestartDue = 3010;
// Wine asks no restart question (its SetupPromptReboot shows nothing); Windows would at once.
constexpr DWORD kRestartQuestionMs = 1500;

bool Nt() { return !EmulatesWin9x(); }

// The emulations where the wizard is also driven page by page; the others run quietly only,
// to keep the whole suite inside its time.
bool DrivenHere() {
  const std::string version = EmulatedVersion();
  return version == "win98" || version == "win2k";
}

std::string HexHandle(HWND window) {
  char text[32];
  snprintf(text, sizeof(text), "0x%08x", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(window)));
  return text;
}

// Media of the sample in a scratch folder; SetupProcess adds the build's setup.exe.
class SampleMedia {
 public:
  SampleMedia() { PlaceSampleMedia(dir_.path()); }
  const std::string &dir() const { return dir_.path(); }

 private:
  ScratchDir dir_;
};

// Runs setup.exe from a folder with arguments and returns its exit code; the process id in
// *pid when asked.
int RunSetup(const std::string &folder, const std::string &arguments, bool copy,
             DWORD *pid = nullptr) {
  SetupProcess setup(folder, copy);
  if (!setup.Start(arguments)) return -1;
  if (pid) *pid = setup.pid();
  return setup.WaitForExit(kRunLimitMs);
}

// The recorded Uninstall command of a product, started as the system would, quietly; the
// processes of the run (the program started, and the copy it hands the removal to) in *family.
int RunRecordedRemoval(const std::string &key, std::vector<DWORD> *family) {
  std::string line = UninstallValue(key, "UninstallString");
  if (line[0] == '<') return -1;
  SetupProcess setup("", false);
  if (!setup.StartCommandLine(line + " /quiet")) return -1;
  family->clear();
  return setup.WaitForExitNoting(family, kRunLimitMs);
}

// The step program's runs since the log was last cleared, checked against the expected tags:
// every run with a handle was given a window of a setup process of the run (one of owners).
void ExpectSteps(const std::vector<std::string> &expected, const std::vector<DWORD> &owners,
                 const std::string &handle = "") {
  std::vector<StepRun> runs = SampleStepsRun();
  std::vector<std::string> tags;
  for (const StepRun &run : runs) {
    tags.push_back(run.tag);
    if (run.tag == "-") continue;  // "@program": no arguments, no handle
    EXPECT_NE(std::find(owners.begin(), owners.end(), run.owner), owners.end())
        << run.tag << " got " << run.handle << ", not a window of the setup process";
    EXPECT_EQ(run.handle.size(), 10u) << run.handle;
    if (!handle.empty()) EXPECT_EQ(run.handle, handle) << run.tag;
  }
  EXPECT_EQ(Join(tags), Join(expected)) << "programs of both passes, in order";
  DeleteFileA(SampleLogPath().c_str());
}

// The deletions that wait for the restart: PendingFileRenameOperations on NT, the Rename
// section of wininit.ini (short names) on Windows 9x.
bool DeletionScheduled(const std::string &path) {
  if (Nt()) return ContainsPath(PendingDeletions(), path);
  char shortPath[MAX_PATH] = {};
  GetShortPathNameA(path.c_str(), shortPath, sizeof(shortPath));
  std::vector<std::string> lines = WininitDeletions();
  return ContainsPath(lines, shortPath) || ContainsPath(lines, path);
}

class MatrixTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    // setup.exe is the same file name in every media and target folder: Wine's per-program
    // setting shows all of them this run's Windows version.
    SetEmulatedVersionFor("setup.exe", EmulatedVersion());
  }
  void SetUp() override { ResetSampleMachine(); }
  void TearDown() override { ResetSampleMachine(); }
};

// The default products quietly in, then out one after the other while a file of the last is
// held open; the restart finishes what waited for it.
TEST_F(MatrixTest, QuietInstallThenEachRemovalWithAFileInUseThenTheRestart) {
  SampleMedia media;
  const std::vector<std::string> products = SampleDefaultProducts();
  DWORD pid = 0;
  ASSERT_EQ(RunSetup(media.dir(), "/quiet", true, &pid), SampleInstallExitCode(products))
      << "quiet install of the default products";
  const std::string target = SampleDefaultTarget();
  EXPECT_EQ(PlatformSectionsThatRan(), ExpectedPlatformSection())
      << "the Install section chosen for " << EmulatedVersion();
  ExpectSampleInstalled(target, products, media.dir());
  ExpectSteps(SampleInstallSteps(products), {pid});

  // The entry of the setup as a whole first: with products still registered, its removal runs
  // no section and deletes only its own entry.
  const std::string setupKey = SampleSetupKey();
  std::vector<DWORD> family;
  EXPECT_EQ(RunRecordedRemoval(setupKey, &family), 0);
  EXPECT_FALSE(UninstallEntryExists(setupKey));
  ExpectSetupLevelPresent(target, true);
  ExpectSteps({}, family);

  const std::vector<std::string> removable = SampleRemovableOf(products);
  ASSERT_GE(removable.size(), 2u);
  const std::string heldKey = removable.back();
  const std::string held = SampleHeldFile(target, heldKey);
  FileHolder holder({held});
  ASSERT_TRUE(holder.holding()) << held;
  for (size_t i = 0; i < removable.size(); ++i) {
    const std::string &key = removable[i];
    const bool last = i + 1 == removable.size();
    const bool holding = key == heldKey;
    SCOPED_TRACE("removal of " + key);
    EXPECT_EQ(RunRecordedRemoval(key, &family),
              holding ? kRestartDue : SampleRemoveExitCode(key, last));
    ExpectProductRemoved(target, key, holding ? held : "");
    ExpectSetupLevelPresent(target, !last);
    ExpectSteps(SampleRemoveSteps(key, last), family);
    if (holding) {
      EXPECT_TRUE(FileExists(held)) << "still open";
      EXPECT_TRUE(DeletionScheduled(held)) << "the held file waits for the restart";
    }
  }
  // The last removal took the setup along, the installed setup.exe at once.
  EXPECT_FALSE(FileExists(target + "\\setup.exe"));
  holder.Release();
  ASSERT_TRUE(SimulateRestart());
  EXPECT_FALSE(FileExists(held)) << "deleted by the restart";
  ExpectNothingLeft(target);
}

// A second install over the first: the recorded directory is proposed, a newer registered
// version keeps its product out of the default choice, and the other entries are rewritten.
TEST_F(MatrixTest, QuietReinstallOverAnExistingInstallation) {
  SampleMedia media;
  const std::string elsewhere = SampleAlternateTarget();
  const std::vector<std::string> products = SampleDefaultProducts();
  const std::vector<std::string> removable = SampleRemovableOf(products);
  ASSERT_GE(removable.size(), 2u);
  const std::string older = removable.front(), newer = removable.back();
  // An earlier installation of one product by the same setup, in another directory, of an
  // older version.
  WriteUninstallValue(older, "UserTargetDir", elsewhere);
  WriteUninstallValue(older, "ProductVersion", "0.9");
  WriteUninstallValue(older, "SetupIdentity", "Orlavin Software");
  ASSERT_EQ(RunSetup(media.dir(), "/quiet", true), SampleInstallExitCode(products));
  EXPECT_FALSE(DirectoryExists(SampleDefaultTarget())) << "the earlier directory was proposed";
  ExpectSampleInstalled(elsewhere, products, media.dir());

  // Now one product is registered with a newer version than the script's: the second install
  // leaves it alone and installs the others again over what is there.
  WriteUninstallValue(newer, "ProductVersion", "99.0");
  WriteUninstallValue(older, "DisplayName", "stale name");
  SpoilSampleFile(elsewhere, older);
  SpoilSampleFile(elsewhere, newer);
  ASSERT_EQ(RunSetup(media.dir(), "/quiet", true), SampleInstallExitCode(products));
  EXPECT_EQ(UninstallValue(newer, "ProductVersion"), "99.0") << "the newer one is kept";
  EXPECT_TRUE(SampleFileSpoiled(elsewhere, newer)) << newer << " was not installed again";
  EXPECT_FALSE(SampleFileSpoiled(elsewhere, older)) << older << " was installed again";
  EXPECT_EQ(UninstallValue(older, "DisplayName"), SampleProductName(older));
  EXPECT_EQ(UninstallValue(older, "ProductVersion"), SampleProductVersion(older));
  EXPECT_EQ(UninstallValue(older, "UserTargetDir"), elsewhere);
  EXPECT_EQ(UninstallValue(older, "UninstallString"), SampleRemoveCommand(elsewhere, older));
}

// A user's install of everything the platform offers and the removals, page by page.
TEST_F(MatrixTest, DrivenInstallAndRemovalsWithAFileInUse) {
  if (!DrivenHere()) GTEST_SKIP() << "the wizard is driven in win98 and win2k only";
  SampleMedia media;
  ScratchDir place;
  const std::string target = place / "Driven Orlavin";
  const std::vector<std::string> all = SampleAllProducts();

  SetupProcess setup(media.dir());
  ASSERT_TRUE(setup.Start());
  WizardDriver wizard(setup.pid());
  ASSERT_TRUE(wizard.WaitForPage(kPageWelcome));
  ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Next); }));
  ASSERT_TRUE(wizard.WaitForPage(kPageComponents));
  const std::vector<std::string> names = SampleListedNames();
  ASSERT_EQ(wizard.ItemCount(), static_cast<int>(names.size()))
      << "the Products section of " << EmulatedVersion();
  for (int i = 0; i < wizard.ItemCount(); ++i) {
    EXPECT_EQ(wizard.ItemText(i), names[i]);
    EXPECT_EQ(wizard.ItemChecked(i), SampleCheckedByDefault(all[i])) << names[i];
    if (wizard.ItemChecked(i)) continue;
    wizard.ClickCheckBox(i);
    EXPECT_TRUE(WaitUntil([&] { return wizard.ItemChecked(i); })) << names[i];
  }
  ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Next); }));
  ASSERT_TRUE(wizard.WaitForPage(kPageTargetDir));
  EXPECT_EQ(wizard.Control(IDC_TARGET_EDIT).text, SampleDefaultTarget());
  wizard.TypeTarget(target);
  ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Next); }));
  ASSERT_TRUE(wizard.WaitForPage(kPageReady));
  const HWND readyPage = wizard.Page();
  EXPECT_TRUE(WaitUntil(
      [&] { return wizard.Control(IDC_NOTICE_ICON).visible == SampleNeedsCd(all); }))
      << "the CD-ROM note";
  ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Next); }));
  ASSERT_TRUE(wizard.WaitForPage(kPageInstallFinish, kRunLimitMs));
  ASSERT_TRUE(WaitUntil([&] { return wizard.Button(WizardButton::Finish).enabled; }));
  const bool restart = SampleInstallExitCode(all) == kRestartDue;
  EXPECT_EQ(wizard.Control(IDC_TEXT).visible, restart) << "the restart note after the install";
  ASSERT_TRUE(wizard.Press(WizardButton::Finish));
  MessageBoxState box = wizard.WaitForMessageBox(kRestartQuestionMs);
  if (box.window) wizard.Answer(box, IDNO);
  EXPECT_EQ(setup.WaitForExit(), restart ? kRestartDue : 0);
  ExpectSampleInstalled(target, all, media.dir());
  ExpectSteps(SampleInstallSteps(all), {setup.pid()}, HexHandle(readyPage));

  // The setup as a whole first, then each product through its recorded command line, a file
  // of the first held open: its restart note comes from that file alone.
  std::vector<std::string> removals = {SampleSetupKey()};
  for (const std::string &key : SampleRemovableProducts()) removals.push_back(key);
  const std::string heldKey = removals[1];
  ASSERT_EQ(SampleRemoveExitCode(heldKey, false), 0) << "a product that needs no restart";
  const std::string held = SampleHeldFile(target, heldKey);
  FileHolder holder({held});
  ASSERT_TRUE(holder.holding());
  for (size_t i = 0; i < removals.size(); ++i) {
    const std::string &key = removals[i];
    const bool setupLevel = i == 0;
    const bool last = i + 1 == removals.size();
    const bool holding = key == heldKey;
    SCOPED_TRACE("driven removal of " + key);
    SetupProcess remover("", false);
    ASSERT_TRUE(remover.StartCommandLine(UninstallValue(key, "UninstallString")));
    WizardDriver removal(remover.pid());
    ASSERT_TRUE(removal.WaitForPage(kPageRemove));
    EXPECT_EQ(removal.Control(IDC_TEXT).text,
              setupLevel ? std::string("Orlavin for Windows") : SampleProductName(key));
    EXPECT_EQ(removal.HasIcon(IDC_NOTICE_ICON), !setupLevel) << "a product shows its icon";
    const HWND confirmPage = removal.Page();
    // The page belongs to the copy that the started program handed the removal to.
    DWORD pageOwner = 0;
    GetWindowThreadProcessId(confirmPage, &pageOwner);
    ASSERT_TRUE(WaitUntil([&] { return removal.Press(WizardButton::Next); }));
    ASSERT_TRUE(removal.WaitForPage(kPageRemoveFinish, kRunLimitMs));
    ASSERT_TRUE(WaitUntil([&] { return removal.Button(WizardButton::Finish).enabled; }));
    const int expected =
        setupLevel ? 0 : holding ? kRestartDue : SampleRemoveExitCode(key, last);
    EXPECT_EQ(removal.Control(IDC_TEXT).visible, expected == kRestartDue)
        << "the restart note on the finish page";
    ASSERT_TRUE(removal.Press(WizardButton::Finish));
    MessageBoxState question = removal.WaitForMessageBox(kRestartQuestionMs);
    if (question.window) removal.Answer(question, IDNO);
    EXPECT_EQ(remover.WaitForExit(), expected);
    EXPECT_FALSE(UninstallEntryExists(key));
    if (!setupLevel) ExpectProductRemoved(target, key, holding ? held : "");
    ExpectSetupLevelPresent(target, !last);
    ExpectSteps(setupLevel ? std::vector<std::string>() : SampleRemoveSteps(key, last),
                {pageOwner}, HexHandle(confirmPage));
  }
  EXPECT_TRUE(DeletionScheduled(held));
  holder.Release();
  ASSERT_TRUE(SimulateRestart());
  EXPECT_FALSE(FileExists(held));
  // The held file waited from an earlier removal than the one that emptied the folder; that
  // removal did not count it as waiting, so it left the folder for the user to delete.
  ExpectNothingLeft(target, true);
}

}  // namespace
