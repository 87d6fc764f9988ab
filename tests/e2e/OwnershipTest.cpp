// Two vendors' setups on one machine: a product key or a folder that one setup holds is never
// taken over by the other, and a target written another way lands, and is removed, as one.
#include <gtest/gtest.h>

#include <string>

#include "e2e/Media.h"
#include "e2e/WizardDriver.h"
#include "res/resource.h"

namespace {

constexpr int kWelcome = 0, kComponents = 1, kTarget = 2;
constexpr DWORD kRunLimitMs = 60000;
const char *const kKeys[] = {"OWNTools", "OWNMore", "OWNZen"};

// A vendor's script: products of one file each, "Vendor Tools" first, both checked by
// default, and the setup's own copy.
std::string VendorScript(const std::string &vendor, const std::string &key,
                         const std::string &moreKey = "OWNMore") {
  return "[Version]\r\nSignature=\"$Chicago$\"\r\nProvider=\"" + vendor + " Corp\"\r\n"
         "[Products]\r\n" + key + "=\"" + vendor + " Tools\",P.Install,P.Remove,1\r\n" +
         moreKey + "=\"" + vendor + " More\",M.Install,M.Remove,1\r\n"
         "[Install]\r\nCopyFiles=Setup.Files\r\n[Remove]\r\nDelFiles=Setup.Files\r\n"
         "[P.Install]\r\nCopyFiles=P.Files\r\n[P.Remove]\r\nDelFiles=P.Files\r\n"
         "[M.Install]\r\nCopyFiles=M.Files\r\n[M.Remove]\r\nDelFiles=M.Files\r\n"
         "[DestinationDirs]\r\nDefaultDestDir=24,\"" + vendor + "\\Tools\"\r\n"
         "P.Files=32768\r\nM.Files=32768\r\nSetup.Files=32768\r\n"
         "[P.Files]\r\n" + vendor + "-tool.txt\r\n[M.Files]\r\n" + vendor + "-more.txt\r\n"
         "[Setup.Files]\r\nsetup.exe\r\nsetup.inf\r\n";
}

std::string Quoted(const std::string &text) { return "\"" + text + "\""; }

int RunSilently(const Media &media, const std::string &options) {
  SetupProcess setup(media.dir());
  if (!setup.Start("/silent " + options)) return -1;
  return setup.WaitForExit(kRunLimitMs);
}

// Runs the command line that key's entry records, silently.
int RemoveThroughEntry(const std::string &key, const std::string &folder) {
  SetupProcess remover(folder, false);
  if (!remover.StartCommandLine(UninstallValue(key, "UninstallString") + " /silent")) return -1;
  return remover.WaitForExit(kRunLimitMs);
}

// The values a takeover would change.
std::string EntryValues(const std::string &key) {
  std::string values;
  for (const char *name : {"DisplayName", "Publisher", "UninstallString", "UserTargetDir",
                           "SetupIdentity"})
    values += std::string(name) + "=" + UninstallValue(key, name) + "\n";
  return values;
}

class OwnershipTest : public testing::Test {
 protected:
  void TearDown() override {
    for (const char *key : kKeys) DeleteUninstallEntry(key);
  }
  Media acme_{VendorScript("Acme", "OWNTools"), {"Acme-tool.txt", "Acme-more.txt"}};
  Media zenith_{VendorScript("Zenith", "OWNTools", "OWNZen"),
                {"Zenith-tool.txt", "Zenith-more.txt"}};
};

TEST_F(OwnershipTest, AnotherVendorsKeyIsRefusedAndTheFirstProductStaysRemovable) {
  const std::string acmeDir = acme_.target();
  ASSERT_EQ(RunSilently(acme_, "/install:OWNTools /dir:" + Quoted(acmeDir)), 0);
  EXPECT_EQ(UninstallValue("OWNTools", "SetupIdentity"), "Acme Corp");
  const std::string before = EntryValues("OWNTools");

  const std::string log = zenith_.dir() + "\\run.log";
  const std::string zenithDir = zenith_.target() + "\\Z";
  EXPECT_EQ(RunSilently(zenith_, "/dir:" + Quoted(zenithDir) + " /log:" + Quoted(log)), 1603);
  EXPECT_NE(ReadTextFile(log).find("the product key OWNTools is registered by another "
                                   "program, Acme Tools (Acme Corp)"),
            std::string::npos)
      << ReadTextFile(log);
  EXPECT_EQ(RunSilently(zenith_, "/remove:OWNTools"), 1605);
  EXPECT_FALSE(FileExists(zenithDir));
  EXPECT_FALSE(UninstallEntryExists("OWNZen")) << "nothing of the refused run is registered";
  EXPECT_EQ(EntryValues("OWNTools"), before);
  EXPECT_NE(ReadTextFile(acmeDir + "\\setup.inf").find("Acme Corp"), std::string::npos);

  // The wizard says so where the product is chosen, and never proposes Acme's folder.
  SetupProcess setup(zenith_.dir());
  ASSERT_TRUE(setup.Start());
  WizardDriver wizard(setup.pid());
  ASSERT_TRUE(wizard.WaitForPage(kWelcome));
  ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Next); }));
  ASSERT_TRUE(wizard.WaitForPage(kComponents));
  ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Next); }));
  MessageBoxState box = wizard.WaitForMessageBox();
  ASSERT_TRUE(box.window);
  EXPECT_EQ(box.text.find("Another program, Acme Tools (Acme Corp), already uses the key of "
                          "this product."),
            0u)
      << box.text;
  wizard.Answer(box, IDOK);
  EXPECT_EQ(wizard.ActivePage(), kComponents) << "the product can be unchecked here";
  wizard.ClickCheckBox(0);
  ASSERT_TRUE(WaitUntil([&] { return !wizard.ItemChecked(0); }));
  ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Next); }));
  ASSERT_TRUE(wizard.WaitForPage(kTarget));
  EXPECT_EQ(wizard.Control(IDC_TARGET_EDIT).text, ProgramFilesDir() + "\\Zenith\\Tools");
  ASSERT_TRUE(wizard.Press(WizardButton::Cancel));
  EXPECT_EQ(setup.WaitForExit(), 1602);

  EXPECT_EQ(RemoveThroughEntry("OWNTools", acmeDir), 0);
  EXPECT_FALSE(UninstallEntryExists("OWNTools"));
  EXPECT_FALSE(FileExists(acmeDir + "\\Acme-tool.txt"));
}

// An entry that an earlier build wrote records no identity: the setup.inf beside the program it
// starts tells whose it is. An entry that this program did not write is never its own.
TEST_F(OwnershipTest, EntriesWithoutIdentityAreUpgradedOnlyForTheirOwnSetup) {
  const struct {
    const char *what;
    bool otherInstaller;  // the entry starts another program
    bool byZenith;        // the second install is Zenith's, else Acme's again
    int exitCode;
    const char *identity;
  } cases[] = {
      {"an earlier build's entry, installed again", false, false, 0, "Acme Corp"},
      {"an earlier build's entry, another vendor", false, true, 1603, "<no value>"},
      {"another installer's entry", true, false, 1603, "<no value>"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    const std::string acmeDir = acme_.target() + "\\" + (c.byZenith ? "Z" : "A") +
                                (c.otherInstaller ? "O" : "E");
    ASSERT_EQ(RunSilently(acme_, "/install:OWNTools /dir:" + Quoted(acmeDir)), 0);
    DeleteUninstallValue("OWNTools", "SetupIdentity");
    if (c.otherInstaller) WriteUninstallValue("OWNTools", "UninstallString", "MsiExec.exe /X{1}");
    const Media &second = c.byZenith ? zenith_ : acme_;
    EXPECT_EQ(RunSilently(second, "/install:OWNTools /dir:" + Quoted(acmeDir)), c.exitCode);
    EXPECT_EQ(UninstallValue("OWNTools", "SetupIdentity"), c.identity);
    EXPECT_EQ(UninstallValue("OWNTools", "Publisher"), "Acme Corp");
    DeleteUninstallEntry("OWNTools");
  }
}

// A folder holds one setup: another setup's setup.inf that its entry still needs is never
// replaced, while the setup's own products share it. The target is taken in its full form.
TEST_F(OwnershipTest, AFolderHoldsOneSetupAndATargetIsTakenInItsFullForm) {
  const std::string shared = acme_.target() + "\\Shared";
  ASSERT_EQ(RunSilently(acme_, "/install:OWNTools /dir:" + Quoted(acme_.target() +
                                                                  "\\Sub/..\\.\\Shared. ")),
            0);
  EXPECT_EQ(UninstallValue("OWNTools", "UserTargetDir"), shared);
  EXPECT_EQ(UninstallValue("OWNTools", "UninstallString").find(shared + "\\setup.exe"),
            shared.find(' ') == std::string::npos ? 0u : 1u);

  const std::string log = zenith_.dir() + "\\run.log";
  EXPECT_EQ(RunSilently(zenith_, "/install:OWNZen /dir:" + Quoted(shared) + " /log:" +
                                     Quoted(log)),
            1639);
  EXPECT_NE(ReadTextFile(log).find("This folder holds the setup of another program, Acme "
                                   "Tools (Acme Corp)."),
            std::string::npos)
      << ReadTextFile(log);
  EXPECT_FALSE(UninstallEntryExists("OWNZen"));
  EXPECT_FALSE(FileExists(shared + "\\Zenith-more.txt"));
  EXPECT_NE(ReadTextFile(shared + "\\setup.inf").find("Acme Corp"), std::string::npos);

  SetupProcess setup(zenith_.dir());
  ASSERT_TRUE(setup.Start("/install:OWNZen"));
  WizardDriver wizard(setup.pid());
  ASSERT_TRUE(wizard.WaitForPage(kWelcome));
  ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Next); }));
  ASSERT_TRUE(wizard.WaitForPage(kTarget));
  wizard.TypeTarget(shared);
  EXPECT_TRUE(WaitUntil([&] {
    return wizard.Control(IDC_TARGET_FAULT).text ==
               "This folder holds the setup of another program, Acme Tools (Acme Corp)." &&
           !wizard.Button(WizardButton::Next).enabled;
  })) << wizard.Control(IDC_TARGET_FAULT).text;
  ASSERT_TRUE(wizard.Press(WizardButton::Cancel));
  EXPECT_EQ(setup.WaitForExit(), 1602);

  EXPECT_EQ(RunSilently(acme_, "/install:OWNMore /dir:" + Quoted(shared)), 0)
      << "the same setup shares its own folder";
  for (const char *key : {"OWNMore", "OWNTools"})
    EXPECT_EQ(RemoveThroughEntry(key, shared), 0) << key << ": no restart needed";
  EXPECT_EQ(GetFileAttributesA(shared.c_str()), INVALID_FILE_ATTRIBUTES)
      << "the removal takes the folder at once";
}

}  // namespace
