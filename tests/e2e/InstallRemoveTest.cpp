// A user's install from the welcome page to the restart question, and the removal started
// from the command line that the install recorded.
#include <gtest/gtest.h>

#include <windows.h>
#include <stdio.h>
#include <setupapi.h>

#include "e2e/Media.h"
#include "e2e/WizardDriver.h"
#include "res/resource.h"
#include "script/TargetDir.h"

namespace {

const char kSuiteScript[] = R"([Version]
Signature="$Chicago$"
Provider=%Vendor%

[Products]
E2EAlpha = "Alpha Tools", Alpha.Install, Alpha.Remove, 3, 2, "The alpha tools.", 1.0
E2EBeta = "Beta Extras", Beta.Install, Beta.Remove, 0, 0, , 1.0
E2EGamma = "Gamma Driver", Gamma.Install, Gamma.Remove, 5, 3, "Needs the CD.", 1.0

[Install]
Uninstall = E2ESuite, "E2E Suite"
CopyFiles = Setup.Files

[Remove]
DelFiles = Setup.Files

[Alpha.Install]
CopyFiles = Alpha.Files
AddReg = Alpha.Reg
Exec = Hold

[Alpha.Remove]
DelFiles = Alpha.Files
DelReg = Alpha.Reg

[Beta.Install]
CopyFiles = Beta.Files

[Beta.Remove]
DelFiles = Beta.Files

[Gamma.Install]
CopyFiles = Gamma.Files

[Gamma.Remove]
DelFiles = Gamma.Files

[Hold]
Wait = 1, gate.exe, "@GATE@"

[Alpha.Reg]
HKLM, "Software\E2EWizard\Alpha", "Dir", 0, "%32768%"

[DestinationDirs]
DefaultDestDir = 24, "E2E Suite"
Alpha.Files = 32768
Beta.Files = 32768
Gamma.Files = 32768
Setup.Files = 32768

[Alpha.Files]
alpha.txt

[Beta.Files]
beta.txt

[Gamma.Files]
gamma.txt

[Setup.Files]
setup.exe
setup.inf
gate.exe

[Strings]
Vendor = "E2E Vendor"
)";

const std::vector<std::string> kPayload = {"alpha.txt", "beta.txt", "gamma.txt"};

std::string AlphaRegistryDir() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\E2EWizard\\Alpha", 0, KEY_READ, &key))
    return "<no key>";
  char text[MAX_PATH] = {};
  DWORD size = sizeof(text) - 1;
  LONG result =
      RegQueryValueExA(key, "Dir", nullptr, nullptr, reinterpret_cast<BYTE *>(text), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS ? std::string(text) : std::string("<no value>");
}

// What SetupSetDirectoryIdA of this platform says to a text, asked in this process.
bool PlatformAcceptsDirectory(HINF inf, const std::string &text) {
  return SetupSetDirectoryIdA(inf, kTargetDirId, text.c_str()) != FALSE;
}

// Presses Finish and answers a restart question with No; true when one was asked. Wine's
// SetupPromptReboot asks nothing: there the exit code alone tells that a restart is due.
bool FinishAndDeclineRestart(WizardDriver &wizard) {
  EXPECT_TRUE(wizard.Press(WizardButton::Finish));
  MessageBoxState box = wizard.WaitForMessageBox(4000);
  if (!box.window) return false;
  wizard.Answer(box, IDNO);
  return true;
}

// The sizes of files of a folder together, in KiB rounded up, as an Uninstall entry gives it.
DWORD KibibytesOf(const std::string &dir, const std::vector<std::string> &names) {
  unsigned long long bytes = 0;
  for (const std::string &name : names) bytes += ReadTextFile(dir + "\\" + name).size();
  return static_cast<DWORD>((bytes + 1023) / 1024);
}

std::string Today() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char text[16];
  snprintf(text, sizeof(text), "%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
  return text;
}

struct EntryExpectation {
  const char *key;
  const char *version;
  DWORD kib;
};

class InstallRemoveTest : public testing::Test {
 protected:
  void TearDown() override {
    for (const char *key : {"E2EAlpha", "E2EBeta", "E2EGamma", "E2ESuite"})
      DeleteUninstallEntry(key);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\E2EWizard\\Alpha");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\E2EWizard");
    ClearPendingRenames();
  }

  // The pages of the install in the order a user meets them, then what the install left and
  // the two removals through the recorded entries.
  // Welcome, centred on the work area.
  void Welcome(WizardDriver &wizard) {
    ASSERT_TRUE(wizard.WaitForPage(kPageWelcome));
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT sheet = wizard.SheetRect();
    EXPECT_NEAR((sheet.left + sheet.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((sheet.top + sheet.bottom) / 2, (work.top + work.bottom) / 2, 1);
    EXPECT_EQ(wizard.Control(IDC_TITLE).text, "Orlavin for Windows Setup");
    EXPECT_TRUE(WaitUntil([&] { return wizard.Button(WizardButton::Next).enabled; }));
    EXPECT_FALSE(wizard.Button(WizardButton::Back).enabled);
    ASSERT_TRUE(wizard.Press(WizardButton::Next));
  }

  // Components: default checks, the newer Gamma unchecked, the description follows.
  void Components(WizardDriver &wizard) {
    ASSERT_TRUE(wizard.WaitForPage(kPageComponents));
    ASSERT_EQ(wizard.ItemCount(), 3);
    EXPECT_EQ(wizard.ItemText(0), "Alpha Tools");
    EXPECT_EQ(wizard.ItemText(2), "Gamma Driver");
    EXPECT_TRUE(wizard.ItemChecked(0));
    EXPECT_FALSE(wizard.ItemChecked(1));
    EXPECT_FALSE(wizard.ItemChecked(2)) << "a more recent version is installed";
    EXPECT_EQ(wizard.Control(IDC_DESCRIPTION).text, "The alpha tools.");
    wizard.SelectItemByKey(1);
    EXPECT_TRUE(WaitUntil([&] { return wizard.Control(IDC_DESCRIPTION).text.empty(); }))
        << "Beta has no description";
    wizard.ClickItemText(2);
    EXPECT_TRUE(WaitUntil([&] { return wizard.Control(IDC_DESCRIPTION).text == "Needs the CD."; }));
    EXPECT_EQ(wizard.Selection(), 2);
    EXPECT_FALSE(wizard.ItemChecked(2)) << "a click on the text selects only";

    // Nothing checked: only Back.
    wizard.SelectItemByKey(0);
    wizard.ToggleByKey();
    ASSERT_TRUE(WaitUntil([&] { return !wizard.ItemChecked(0); }));
    EXPECT_TRUE(WaitUntil([&] { return !wizard.Button(WizardButton::Next).enabled; }));
    EXPECT_TRUE(wizard.Button(WizardButton::Back).enabled);
    wizard.ClickCheckBox(0);
    ASSERT_TRUE(WaitUntil([&] { return wizard.ItemChecked(0); }));
    EXPECT_TRUE(WaitUntil([&] { return wizard.Button(WizardButton::Next).enabled; }));

  }

  // Checking the newer Gamma asks first, with No as the default; No keeps it unchecked.
  void NewerVersionAsksFirst(WizardDriver &wizard) {
    wizard.SelectItemByKey(2);
    wizard.ToggleByKey();
    MessageBoxState warning = wizard.WaitForMessageBox();
    ASSERT_TRUE(warning.window) << "no warning";
    EXPECT_EQ(warning.caption, "Warning");
    EXPECT_EQ(warning.text,
              "A more recent version of Gamma Driver is currently installed on your system.\r\r"
              "Do you really want to replace the existing version?");
    EXPECT_EQ(warning.defaultButton, IDNO);
    EXPECT_TRUE(warning.hasIcon);
    wizard.Answer(warning, IDNO);
    Sleep(300);
    EXPECT_FALSE(wizard.ItemChecked(2));
    wizard.ClickCheckBox(2);
    warning = wizard.WaitForMessageBox();
    ASSERT_TRUE(warning.window) << "the mouse asks as well";
    wizard.Answer(warning, IDYES);
    EXPECT_TRUE(WaitUntil([&] { return wizard.ItemChecked(2); }));
    ASSERT_TRUE(wizard.Press(WizardButton::Next));
  }

  // Target directory: the default below Program Files; on every keystroke Next follows the
  // platform's answer for a complete path ("C:\" on), and the hint says why while it is off.
  void Target(WizardDriver &wizard, const Media &media) {
    ASSERT_TRUE(wizard.WaitForPage(kPageTargetDir));
    EXPECT_EQ(wizard.Control(IDC_TARGET_EDIT).text, ProgramFilesDir() + "\\E2E Suite");
    HINF inf = SetupOpenInfFileA((media.dir() + "\\setup.inf").c_str(), nullptr, INF_STYLE_WIN4,
                                 nullptr);
    ASSERT_NE(inf, INVALID_HANDLE_VALUE);
    int mismatches = 0;
    wizard.TypeTarget(media.target(), [&](size_t n) {
      std::string text = media.target().substr(0, n);
      bool expected = n >= 3 && PlatformAcceptsDirectory(inf, text);
      if (!WaitUntil([&] {
            return wizard.Button(WizardButton::Next).enabled == expected &&
                   wizard.Control(IDC_TARGET_FAULT).text.empty() == (expected || n == 0);
          }, 3000))
        ++mismatches;
    });
    SetupCloseInfFile(inf);
    EXPECT_EQ(mismatches, 0);
    ASSERT_TRUE(WaitUntil([&] { return wizard.Button(WizardButton::Next).enabled; }));
    ASSERT_TRUE(wizard.Press(WizardButton::Next));
  }

  // Ready: Gamma wants the CD.
  void ReadyAndBack(WizardDriver &wizard, const Media &media) {
    ASSERT_TRUE(wizard.WaitForPage(kPageReady));
    EXPECT_TRUE(WaitUntil([&] { return wizard.Control(IDC_CDROM_NOTE).visible; }));
    EXPECT_TRUE(wizard.Control(IDC_NOTICE_ICON).visible);
    EXPECT_NE(wizard.Control(IDC_CDROM_NOTE).text.find("CD-ROM"), std::string::npos);

    // Back to the components, Gamma unchecked without a question, and the note is gone.
    ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Back); }));
    ASSERT_TRUE(wizard.WaitForPage(kPageTargetDir));
    EXPECT_EQ(wizard.Control(IDC_TARGET_EDIT).text, media.target()) << "the field keeps its text";
    ASSERT_TRUE(wizard.Press(WizardButton::Back));
    ASSERT_TRUE(wizard.WaitForPage(kPageComponents));
    EXPECT_TRUE(wizard.ItemChecked(2)) << "the choices stay as they were left";
    wizard.SelectItemByKey(2);
    wizard.ToggleByKey();
    ASSERT_TRUE(WaitUntil([&] { return !wizard.ItemChecked(2); }));
    EXPECT_FALSE(wizard.WaitForMessageBox(500).window) << "unchecking never asks";
    ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Next); }));
    ASSERT_TRUE(wizard.WaitForPage(kPageTargetDir));
    ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Next); }));
    ASSERT_TRUE(wizard.WaitForPage(kPageReady));
    EXPECT_TRUE(WaitUntil([&] { return !wizard.Control(IDC_CDROM_NOTE).visible; }));
    EXPECT_FALSE(wizard.Control(IDC_NOTICE_ICON).visible);
  }

  // Progress: while the worker is held, no button works and the sheet cannot be closed.
  void Progress(WizardDriver &wizard, const SetupProcess &setup, const Media &media) {
    ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Next); }));
    EXPECT_TRUE(WaitUntil([&] { return !wizard.Button(WizardButton::Cancel).enabled; }));
    EXPECT_TRUE(WaitUntil([&] { return !wizard.Button(WizardButton::Next).enabled; }));
    EXPECT_FALSE(wizard.Button(WizardButton::Back).enabled);
    wizard.Close();
    Sleep(500);
    EXPECT_TRUE(setup.Running()) << "a close request while busy is refused";
    EXPECT_EQ(wizard.ActivePage(), kPageReady);
    media.OpenGate();
  }

  // Finish: Alpha asks for a restart; only Finish is available.
  void Finish(WizardDriver &wizard, SetupProcess &setup) {
    ASSERT_TRUE(wizard.WaitForPage(kPageInstallFinish, 60000));
    EXPECT_TRUE(WaitUntil([&] { return wizard.Button(WizardButton::Finish).enabled; }));
    EXPECT_TRUE(wizard.Control(IDC_TEXT).visible) << "restart note";
    EXPECT_TRUE(wizard.Control(IDC_NOTICE_ICON).visible);
    EXPECT_FALSE(wizard.Button(WizardButton::Back).enabled);
    EXPECT_FALSE(wizard.Button(WizardButton::Cancel).enabled);
    FinishAndDeclineRestart(wizard);
    EXPECT_EQ(setup.WaitForExit(), 3010) << "installed, restart needed and not done";
  }

  // What the install left.
  void ExpectInstalled(const std::string &target) {
    EXPECT_TRUE(FileExists(target + "\\alpha.txt"));
    EXPECT_FALSE(FileExists(target + "\\beta.txt"));
    EXPECT_FALSE(FileExists(target + "\\gamma.txt"));
    EXPECT_TRUE(FileExists(target + "\\setup.exe"));
    EXPECT_TRUE(FileExists(target + "\\setup.inf"));
    EXPECT_EQ(AlphaRegistryDir(), target);
    EXPECT_EQ(UninstallValue("E2EAlpha", "DisplayName"), "Alpha Tools");
    EXPECT_EQ(UninstallValue("E2EAlpha", "ProductVersion"), "1.0");
    EXPECT_EQ(UninstallValue("E2EAlpha", "UserTargetDir"), target);
    EXPECT_EQ(UninstallValue("E2EAlpha", "UninstallString"),
              target + "\\setup.exe /remove:E2EAlpha");
    EXPECT_EQ(UninstallValue("E2ESuite", "DisplayName"), "E2E Suite");
    EXPECT_FALSE(UninstallEntryExists("E2EBeta"));
    // What Programs and Features shows; each entry's size counts its own section's files.
    const DWORD alphaKiB = KibibytesOf(target, {"alpha.txt"});
    const DWORD suiteKiB = KibibytesOf(target, {"setup.exe", "setup.inf", "gate.exe"});
    ASSERT_GT(suiteKiB, 1u);
    for (const EntryExpectation &entry :
         {EntryExpectation{"E2EAlpha", "1.0", alphaKiB}, {"E2ESuite", "<no value>", suiteKiB}}) {
      SCOPED_TRACE(entry.key);
      EXPECT_EQ(UninstallValue(entry.key, "DisplayVersion"), entry.version);
      EXPECT_EQ(UninstallValue(entry.key, "Publisher"), "E2E Vendor");
      EXPECT_EQ(UninstallValue(entry.key, "InstallLocation"), target);
      EXPECT_EQ(UninstallValue(entry.key, "DisplayIcon"), target + "\\setup.exe");
      EXPECT_EQ(UninstallValue(entry.key, "EstimatedSize"), "dword:" + std::to_string(entry.kib));
      EXPECT_EQ(UninstallValue(entry.key, "InstallDate"), Today());
      EXPECT_EQ(UninstallValue(entry.key, "QuietUninstallString"),
                UninstallValue(entry.key, "UninstallString") + " /silent");
      EXPECT_EQ(UninstallValue(entry.key, "NoModify"), "dword:1");
      EXPECT_EQ(UninstallValue(entry.key, "NoRepair"), "dword:1");
    }
  }

  // The setup-level removal by a bare "/remove" while Alpha stays registered: its display
  // name, no icon, and nothing to remove but its own entry.
  void RemoveSetupLevel(const std::string &target) {
    {
      SetupProcess remover(target, false);
      ASSERT_TRUE(remover.Start("/remove"));
      WizardDriver removal(remover.pid());
      ASSERT_TRUE(removal.WaitForPage(kPageRemove))
          << removal.WaitForMessageBox(100).text;
      EXPECT_EQ(removal.Control(IDC_TEXT).text, "E2E Suite");
      EXPECT_FALSE(removal.HasIcon(IDC_NOTICE_ICON)) << "the setup-level entry has no icon";
      ASSERT_TRUE(WaitUntil([&] { return removal.Press(WizardButton::Next); }));
      ASSERT_TRUE(removal.WaitForPage(kPageRemoveFinish, 60000));
      EXPECT_TRUE(WaitUntil([&] { return removal.Button(WizardButton::Finish).enabled; }));
      bool noteShown = removal.Control(IDC_TEXT).visible;
      FinishAndDeclineRestart(removal);
      EXPECT_EQ(remover.WaitForExit(), noteShown ? 3010 : 0)
          << "the note shows exactly when a restart is due";
    }
    EXPECT_FALSE(UninstallEntryExists("E2ESuite"));
    EXPECT_TRUE(UninstallEntryExists("E2EAlpha"));
    EXPECT_TRUE(FileExists(target + "\\alpha.txt"));
    EXPECT_TRUE(FileExists(target + "\\setup.inf"));
    ClearPendingRenames();
  }

  // Removal of the last product with the recorded command line: its name and icon, the
  // finish page, and the setup-level Remove section after it.
  void RemoveLastProduct(const std::string &target, const std::string &uninstall) {
    {
      SetupProcess remover(target, false);
      ASSERT_TRUE(remover.StartCommandLine(uninstall));
      WizardDriver removal(remover.pid());
      ASSERT_TRUE(removal.Sheet());
      ASSERT_TRUE(removal.WaitForPage(kPageRemove));
      EXPECT_EQ(removal.Control(IDC_TEXT).text, "Alpha Tools");
      EXPECT_TRUE(removal.HasIcon(IDC_NOTICE_ICON)) << "Alpha has icon number 2";
      // The sheet starts with its own buttons; the page's choice arrives by a posted message.
      EXPECT_TRUE(WaitUntil([&] {
        return removal.Button(WizardButton::Next).enabled &&
               !removal.Button(WizardButton::Back).enabled;
      })) << "Next on, Back off: this is the first page of a remove run";
      ASSERT_TRUE(removal.Press(WizardButton::Next));
      ASSERT_TRUE(removal.WaitForPage(kPageRemoveFinish, 60000));
      EXPECT_TRUE(WaitUntil([&] { return removal.Button(WizardButton::Finish).enabled; }));
      // Alpha's flag asks for a restart after its removal as well.
      EXPECT_TRUE(removal.Control(IDC_TEXT).visible);
      FinishAndDeclineRestart(removal);
      EXPECT_EQ(remover.WaitForExit(), 3010);
    }
    EXPECT_FALSE(FileExists(target + "\\alpha.txt"));
    EXPECT_NE(AlphaRegistryDir().front(), 'C') << "the value is gone";
    EXPECT_FALSE(UninstallEntryExists("E2EAlpha"));
    EXPECT_FALSE(FileExists(target + "\\setup.inf")) << "the last product takes the setup along";
  }
};

TEST_F(InstallRemoveTest, InteractiveInstallThenRemovalFromTheRecordedCommand) {
  Media media(kSuiteScript, kPayload);
  // An installed Gamma of the same setup, more recent than the script's.
  WriteUninstallValue("E2EGamma", "ProductVersion", "9.0");
  WriteUninstallValue("E2EGamma", "SetupIdentity", "E2E Vendor");

  SetupProcess setup(media.dir());
  ASSERT_TRUE(setup.Start());
  WizardDriver wizard(setup.pid());
  ASSERT_TRUE(wizard.Sheet()) << "no wizard";
  ASSERT_NO_FATAL_FAILURE(Welcome(wizard));
  ASSERT_NO_FATAL_FAILURE(Components(wizard));
  ASSERT_NO_FATAL_FAILURE(NewerVersionAsksFirst(wizard));
  ASSERT_NO_FATAL_FAILURE(Target(wizard, media));
  ASSERT_NO_FATAL_FAILURE(ReadyAndBack(wizard, media));
  ASSERT_NO_FATAL_FAILURE(Progress(wizard, setup, media));
  ASSERT_NO_FATAL_FAILURE(Finish(wizard, setup));

  const std::string target = media.target();
  ASSERT_NO_FATAL_FAILURE(ExpectInstalled(target));
  const std::string uninstall = UninstallValue("E2EAlpha", "UninstallString");
  ClearPendingRenames();
  DeleteUninstallEntry("E2EGamma");
  ASSERT_NO_FATAL_FAILURE(RemoveSetupLevel(target));
  ASSERT_NO_FATAL_FAILURE(RemoveLastProduct(target, uninstall));
}


}  // namespace
