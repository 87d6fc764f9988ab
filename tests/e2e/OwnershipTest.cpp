// Two vendors' setups on one machine: a product key or a folder that one setup holds is never
// taken over by the other, and a target written another way lands, and is removed, as one.
#include <gtest/gtest.h>

#include <string>

#include "e2e/Media.h"
#include "e2e/WizardDriver.h"
#include "res/resource.h"

namespace {

// A vendor's script: two products of one file each, both checked by default, and the setup's
// own copy.
std::string VendorScript(const std::string &vendor, const std::string &moreKey) {
  return "[Version]\r\nSignature=\"$Chicago$\"\r\nProvider=\"" + vendor + " Corp\"\r\n"
         "[Products]\r\nOWNTools=\"" + vendor + " Tools\",P.Install,P.Remove,1\r\n" + moreKey +
         "=More,M.Install,M.Remove,1\r\n[Install]\r\nCopyFiles=S.Files\r\n[Remove]\r\n"
         "DelFiles=S.Files\r\n[P.Install]\r\nCopyFiles=P.Files\r\n[P.Remove]\r\nDelFiles=P.Files\r\n"
         "[M.Install]\r\nCopyFiles=M.Files\r\n[M.Remove]\r\nDelFiles=M.Files\r\n"
         "[DestinationDirs]\r\nDefaultDestDir=24,\"" + vendor + "\"\r\nP.Files=32768\r\n"
         "M.Files=32768\r\nS.Files=32768\r\n[P.Files]\r\n" + vendor + ".txt\r\n[M.Files]\r\n"
         "more.txt\r\n[S.Files]\r\nsetup.exe\r\nsetup.inf\r\n";
}

std::string Quoted(const std::string &text) { return "\"" + text + "\""; }

// A silent run of the media's setup.exe, or (in folder) of key's recorded command line.
int RunSilently(const std::string &folder, const std::string &options, const char *key = "") {
  SetupProcess setup(folder, !*key);
  if (*key ? !setup.StartCommandLine(UninstallValue(key, "UninstallString") + " /silent")
           : !setup.Start("/silent " + options))
    return -1;
  return setup.WaitForExit(60000);
}

// The values a takeover would change.
std::string EntryValues() {
  std::string values;
  for (const char *name : {"DisplayName", "Publisher", "UninstallString", "SetupIdentity"})
    values += UninstallValue("OWNTools", name) + "|";
  return values;
}

class OwnershipTest : public testing::Test {
 protected:
  void TearDown() override {
    for (const char *key : {"OWNTools", "OWNMore", "OWNZen"}) DeleteUninstallEntry(key);
  }
  Media acme_{VendorScript("Acme", "OWNMore"), {"Acme.txt", "more.txt"}};
  Media zenith_{VendorScript("Zenith", "OWNZen"), {"Zenith.txt", "more.txt"}};
};

TEST_F(OwnershipTest, AnotherVendorsKeyIsRefusedAndTheFirstProductStaysRemovable) {
  const std::string acme = acme_.target();
  ASSERT_EQ(RunSilently(acme_.dir(), "/install:OWNTools /dir:" + Quoted(acme)), 0);
  const std::string before = EntryValues();
  EXPECT_EQ(UninstallValue("OWNTools", "SetupIdentity"), "Acme Corp");

  const std::string log = zenith_.dir() + "\\run.log";
  EXPECT_EQ(RunSilently(zenith_.dir(), "/dir:" + Quoted(zenith_.target() + "\\Z") + " /log:" +
                                           Quoted(log)),
            1603);
  EXPECT_NE(ReadTextFile(log).find("the product key OWNTools is registered by another "
                                   "program, Acme Tools (Acme Corp)"),
            std::string::npos);
  EXPECT_EQ(RunSilently(zenith_.dir(), "/remove:OWNTools"), 1605);
  EXPECT_FALSE(FileExists(zenith_.target() + "\\Z"));
  EXPECT_FALSE(UninstallEntryExists("OWNZen"));
  EXPECT_EQ(EntryValues(), before);

  // The wizard says so where products are chosen, and never proposes Acme's folder.
  SetupProcess setup(zenith_.dir());
  ASSERT_TRUE(setup.Start());
  WizardDriver wizard(setup.pid());
  ASSERT_TRUE(wizard.WaitForPage(0));
  ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Next); }));
  ASSERT_TRUE(wizard.WaitForPage(1));
  ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Next); }));
  MessageBoxState box = wizard.WaitForMessageBox();
  EXPECT_EQ(box.text.find("Another program, Acme Tools (Acme Corp), already uses the key"), 0u)
      << box.text;
  wizard.Answer(box, IDOK);
  wizard.ClickCheckBox(0);
  ASSERT_TRUE(WaitUntil([&] { return !wizard.ItemChecked(0); }));
  ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Next); }));
  ASSERT_TRUE(wizard.WaitForPage(2));
  EXPECT_EQ(wizard.Control(IDC_TARGET_EDIT).text, ProgramFilesDir() + "\\Zenith");
  ASSERT_TRUE(wizard.Press(WizardButton::Cancel));
  EXPECT_EQ(setup.WaitForExit(), 1602);

  EXPECT_EQ(RunSilently(acme, "", "OWNTools"), 0);
  EXPECT_FALSE(UninstallEntryExists("OWNTools"));
  EXPECT_FALSE(FileExists(acme + "\\Acme.txt"));
}

// An earlier build wrote no identity: the setup.inf beside the program that the entry starts
// tells whose it is. An entry that this program did not write is never its own.
TEST_F(OwnershipTest, EntriesWithoutIdentityAreUpgradedOnlyForTheirOwnSetup) {
  const struct {
    const char *folder;
    // Another installer's; "*": the path without quotes, as builds before the quoting wrote
    // it; empty: as written.
    const char *command;
    const Media *second;
    int exitCode;
    const char *identity;
  } cases[] = {
      {"again", "", &acme_, 0, "Acme Corp"},
      {"zenith", "", &zenith_, 1603, "<no value>"},
      {"msi", "MsiExec.exe /X{1}", &acme_, 1603, "<no value>"},
      {"old form", "*", &acme_, 0, "Acme Corp"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.folder);
    const std::string dir = "/install:OWNTools /dir:" + Quoted(acme_.target() + "\\" + c.folder);
    ASSERT_EQ(RunSilently(acme_.dir(), dir), 0);
    DeleteUninstallValue("OWNTools", "SetupIdentity");
    std::string command = c.command;
    if (command == "*")
      command = acme_.target() + "\\" + c.folder + "\\setup.exe /remove:OWNTools";
    if (!command.empty()) WriteUninstallValue("OWNTools", "UninstallString", command);
    EXPECT_EQ(RunSilently(c.second->dir(), dir), c.exitCode);
    EXPECT_EQ(UninstallValue("OWNTools", "SetupIdentity"), c.identity);
    DeleteUninstallEntry("OWNTools");
  }
}

// Another setup's setup.inf that its entry still needs is never replaced, while the setup's
// own products share its folder; the target is taken in its full form.
TEST_F(OwnershipTest, AFolderHoldsOneSetupAndATargetIsTakenInItsFullForm) {
  const std::string shared = acme_.target() + "\\Shared";
  const std::string written = acme_.target() + "\\Sub/..\\.\\Shared. ";
  ASSERT_EQ(RunSilently(acme_.dir(), "/install:OWNTools /dir:" + Quoted(written)), 0);
  EXPECT_EQ(UninstallValue("OWNTools", "UserTargetDir"), shared);

  const std::string log = zenith_.dir() + "\\run.log";
  EXPECT_EQ(RunSilently(zenith_.dir(), "/install:OWNZen /dir:" + Quoted(shared) + " /log:" +
                                           Quoted(log)),
            1639);
  EXPECT_NE(ReadTextFile(log).find("This folder holds the setup of another program, Acme "
                                   "Tools (Acme Corp)."),
            std::string::npos);
  EXPECT_NE(ReadTextFile(shared + "\\setup.inf").find("Acme Corp"), std::string::npos);

  EXPECT_EQ(RunSilently(acme_.dir(), "/install:OWNMore /dir:" + Quoted(shared)), 0);
  for (const char *key : {"OWNMore", "OWNTools"})
    EXPECT_EQ(RunSilently(shared, "", key), 0) << key << ": no restart needed";
  EXPECT_EQ(GetFileAttributesA(shared.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
