// Uninstall registration against the real registry of the Wine prefix. Every key is unique to
// the test process and deleted before and after each test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/ProductScriptSupport.h"
#include "script/Registration.h"
#include "script/RemovalTarget.h"
#include "script/SetupCopy.h"
#include "script/UninstallValues.h"

namespace {

constexpr DWORD kTargetDirId = 32768;

// Install copies setup.exe to the target directory; product D copies its own to a subfolder.
const char kRegistered[] =
    "[Install]\r\nUninstall=@S,Whole Setup\r\nCopyFiles=Payload,SetupFiles\r\n"
    "[DestinationDirs]\r\nDefaultDestDir=11\r\nPayload=32768\r\nSetupFiles=32768\r\n"
    "AFiles=32768\r\nDFiles=32768,Sub Dir\r\n"
    "[Payload]\r\nreadme.txt\r\n[SetupFiles]\r\nsetup.inf\r\nSETUP.EXE\r\n"
    "[AFiles]\r\na.txt\r\n[DFiles]\r\nsetup.exe\r\n"
    "[Products]\r\n"
    "@A=Product A,SecA,RemA,0,1,,1.5\r\n"
    "@B=Product B,SecB,,0\r\n"
    "@E=Product E,,RemE\r\n"
    "@C=Product C,SecC,RemC\r\n"
    "@D=Product D,SecD,RemD,0,0,,2.0\r\n"
    "[SecA]\r\nCopyFiles=AFiles\r\n[SecD]\r\nCopyFiles=AFiles,DFiles\r\n";

const std::vector<std::string> kAllKeys = {"A", "B", "C", "D", "E", "S", "L"};

class RegistrationTest : public testing::Test {
 protected:
  void SetUp() override { g_targetDir[0] = '\0'; }
  void TearDown() override { g_targetDir[0] = '\0'; }
  void BindTarget(const ProductScript &script, const std::string &dir) {
    ASSERT_TRUE(SetupSetDirectoryIdA(script.inf(), kTargetDirId, dir.c_str()));
  }
  void SetTargetDirText(const std::string &dir) {
    snprintf(g_targetDir, sizeof(g_targetDir), "%s", dir.c_str());
  }
  UninstallEntries entries_{kAllKeys};
};

TEST_F(RegistrationTest, ProductsWithRemoveSectionsAndTheSetupLevel) {
  ProductScript script(kRegistered);
  BindTarget(script, "C:\\Program Files\\Tools");
  SetTargetDirText("C:\\Program Files\\Tools");
  std::vector<char> keys = KeyList({TestKey("A"), TestKey("B")});
  EXPECT_EQ(RegisterEntries(script.inf(), keys.data(), g_targetDir), 1);

  std::string a = TestKey("A");
  EXPECT_EQ(EntryValue(a, "DisplayName"), "Product A");
  EXPECT_EQ(EntryValue(a, "UninstallString"),
            "\"C:\\Program Files\\Tools\\setup.exe\" /remove:" + a);
  EXPECT_EQ(EntryValue(a, "ProductVersion"), "1.5");
  EXPECT_EQ(EntryValue(a, "UserTargetDir"), "C:\\Program Files\\Tools");
  EXPECT_FALSE(UninstallEntryExists(TestKey("B"))) << "no remove section, no entry";
  std::string s = TestKey("S");
  EXPECT_EQ(EntryValue(s, "DisplayName"), "Whole Setup");
  EXPECT_EQ(EntryValue(s, "UninstallString"),
            "\"C:\\Program Files\\Tools\\setup.exe\" /remove:" + s);
  EXPECT_EQ(EntryValue(s, "ProductVersion"), "<none>");
  EXPECT_EQ(EntryValue(s, "UserTargetDir"), "C:\\Program Files\\Tools");
}

TEST_F(RegistrationTest, ValuesWrittenOnlyWhenKnownAndEarlierValuesStay) {
  ProductScript script(
      std::string(kRegistered).replace(std::string(kRegistered).find(",Whole Setup"), 12, ""));
  BindTarget(script, "D:\\Tools");
  WriteUninstallValue(TestKey("C"), "ProductVersion", "0.9");
  WriteUninstallValue(TestKey("C"), "DisplayName", "Old name");
  std::vector<char> keys = KeyList({TestKey("C"), TestKey("D")});
  EXPECT_EQ(RegisterEntries(script.inf(), keys.data(), g_targetDir), 1);
  std::string c = TestKey("C");
  EXPECT_EQ(EntryValue(c, "DisplayName"), "Product C");
  EXPECT_EQ(EntryValue(c, "UninstallString"), "D:\\Tools\\setup.exe /remove:" + c);
  EXPECT_EQ(EntryValue(c, "ProductVersion"), "0.9") << "the script has no version for C";
  EXPECT_EQ(EntryValue(c, "UserTargetDir"), "<none>") << "no target directory text";
  std::string d = TestKey("D");
  EXPECT_EQ(EntryValue(d, "UninstallString"), "\"D:\\Tools\\Sub Dir\\setup.exe\" /remove:" + d)
      << "the product's own copy of setup.exe comes first";
  EXPECT_EQ(EntryValue(TestKey("S"), "DisplayName"), TestKey("S")) << "no field 2: the key";
}

TEST_F(RegistrationTest, NoCopyOfSetupStopsRegistration) {
  std::string body = kRegistered;
  body.replace(body.find("SETUP.EXE"), 9, "other.exe");
  ProductScript script(body);
  BindTarget(script, "D:\\Tools");
  std::vector<char> keys = KeyList({TestKey("A"), TestKey("D")});
  EXPECT_EQ(RegisterEntries(script.inf(), keys.data(), g_targetDir), 0);
  EXPECT_FALSE(UninstallEntryExists(TestKey("A")));
  EXPECT_FALSE(UninstallEntryExists(TestKey("D"))) << "nothing after the product that failed";
  EXPECT_FALSE(UninstallEntryExists(TestKey("S")));

  keys = KeyList({TestKey("D")});
  EXPECT_EQ(RegisterEntries(script.inf(), keys.data(), g_targetDir), 0) << "setup level fails";
  EXPECT_TRUE(UninstallEntryExists(TestKey("D")));
  EXPECT_FALSE(UninstallEntryExists(TestKey("S")));
}

TEST_F(RegistrationTest, CommandLineTooLongIsNotRegistered) {
  std::string longKey = TestKey("L") + std::string(60, 'l');
  std::string body = kRegistered;
  body.insert(body.find("[Products]\r\n") + 12, longKey + "=Long,SecA,RemL\r\n");
  ProductScript script(body);
  DeleteUninstallEntry(longKey);
  std::string dir = "C:\\" + std::string(180, 'd');
  BindTarget(script, dir);
  std::vector<char> keys = KeyList({longKey, TestKey("A")});
  EXPECT_EQ(RegisterEntries(script.inf(), keys.data(), g_targetDir), 0) << "one entry was refused";
  EXPECT_FALSE(UninstallEntryExists(longKey));
  EXPECT_EQ(EntryValue(TestKey("A"), "UninstallString"), dir + "\\setup.exe /remove:" + TestKey("A"));
  EXPECT_TRUE(UninstallEntryExists(TestKey("S")));
  DeleteUninstallEntry(longKey);
}

// Where the copy lands for the bound target, and for a target that is only being checked,
// which must not take the binding's place.
TEST_F(RegistrationTest, SetupCopyPathFromTheFileListSection) {
  ProductScript script(kRegistered);
  BindTarget(script, "C:\\Target");
  const struct {
    const char *section;
    const char *target;
    const char *path;
  } cases[] = {
      {"Install", nullptr, "C:\\Target\\setup.exe"},
      {"SecD", nullptr, "C:\\Target\\Sub Dir\\setup.exe"},
      {"Install", "E:\\Checked", "E:\\Checked\\setup.exe"},
      {"SecD", "E:\\Checked", "E:\\Checked\\Sub Dir\\setup.exe"},
      {"Install", nullptr, "C:\\Target\\setup.exe"},
      {"SecA", nullptr, nullptr},
      {"NoSuchSection", "E:\\Checked", nullptr},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.section) + " " + (c.target ? c.target : "bound"));
    char path[kTargetDirSize];
    EXPECT_EQ(FindSetupCopyPath(script.inf(), c.section, path, c.target), c.path ? 1 : 0);
    if (c.path) EXPECT_STREQ(path, c.path);
  }
}

TEST_F(RegistrationTest, InstalledTargetDirOrder) {
  ProductScript script(kRegistered);
  char dir[kTargetDirSize];
  EXPECT_EQ(FindInstalledTargetDir(script.inf(), nullptr, dir), 0);
  WriteUninstallValue(TestKey("S"), "UserTargetDir", "S-dir");
  WriteUninstallValue(TestKey("C"), "UserTargetDir", "C-dir");
  WriteUninstallValue(TestKey("E"), "UserTargetDir", "E-dir");
  WriteUninstallValue(TestKey("A"), "UserTargetDir", "A-dir");
  WriteUninstallValue(TestKey("B"), nullptr, "");
  std::vector<char> keys = KeyList({TestKey("B"), TestKey("C")});
  EXPECT_EQ(FindInstalledTargetDir(script.inf(), keys.data(), dir), 1);
  EXPECT_STREQ(dir, "C-dir") << "the key list comes first";
  EXPECT_EQ(FindInstalledTargetDir(script.inf(), nullptr, dir), 1);
  EXPECT_STREQ(dir, "A-dir");
  DeleteUninstallEntry(TestKey("A"));
  EXPECT_EQ(FindInstalledTargetDir(script.inf(), nullptr, dir), 1);
  EXPECT_STREQ(dir, "E-dir") << "product lines that are not listed count too";
  DeleteUninstallEntry(TestKey("E"));
  DeleteUninstallEntry(TestKey("C"));
  keys = KeyList({TestKey("B")});
  EXPECT_EQ(FindInstalledTargetDir(script.inf(), keys.data(), dir), 1);
  EXPECT_STREQ(dir, "S-dir") << "the setup level comes last";
  DeleteUninstallEntry(TestKey("S"));
  EXPECT_EQ(FindInstalledTargetDir(script.inf(), keys.data(), dir), 0);
}

TEST_F(RegistrationTest, RemoveSectionListAndDeletion) {
  ProductScript script(kRegistered);
  BindTarget(script, "C:\\Target");
  std::vector<char> both = KeyList({TestKey("A"), TestKey("C")});
  ASSERT_EQ(RegisterEntries(script.inf(), both.data(), g_targetDir), 1);
  char list[kSectionListSize];

  std::vector<char> keys = KeyList({TestKey("S")});
  ASSERT_EQ(BuildRemoveSectionListChecked(script.inf(), keys.data(), list, sizeof(list)), 1);
  EXPECT_EQ(Joined(list), "") << "the setup level while products stay registered";

  std::string lowerA = TestKey("A");
  for (char &ch : lowerA) ch = static_cast<char>(tolower(ch));
  keys = KeyList({lowerA});
  ASSERT_EQ(BuildRemoveSectionListChecked(script.inf(), keys.data(), list, sizeof(list)), 1);
  EXPECT_EQ(Joined(list), "RemA|") << "C stays registered";

  EXPECT_EQ(DeleteUninstallEntries(keys.data()), 0u);
  EXPECT_FALSE(UninstallEntryExists(TestKey("A")));
  EXPECT_TRUE(UninstallEntryExists(TestKey("C")));

  keys = KeyList({TestKey("C")});
  ASSERT_EQ(BuildRemoveSectionListChecked(script.inf(), keys.data(), list, sizeof(list)), 1);
  EXPECT_EQ(Joined(list), "RemC|Remove|") << "the last product takes the Remove section along";

  keys = KeyList({TestKey("C"), TestKey("S")});
  EXPECT_EQ(DeleteUninstallEntries(keys.data()), 0u);
  EXPECT_FALSE(UninstallEntryExists(TestKey("C")));
  EXPECT_FALSE(UninstallEntryExists(TestKey("S")));
  keys = KeyList({TestKey("S")});
  ASSERT_EQ(BuildRemoveSectionListChecked(script.inf(), keys.data(), list, sizeof(list)), 1);
  EXPECT_EQ(Joined(list), "Remove|") << "no product left";
}

TEST_F(RegistrationTest, RemoveSectionsThatDoNotFitAreRefused) {
  std::string body = "[Products]\r\n";
  std::vector<std::string> keys;
  for (int i = 0; i < 9; ++i) {
    std::string key = "K" + std::to_string(i);
    keys.push_back(key);
    body += key + "=Name,Sec," + std::string(127, static_cast<char>('a' + i)) + "\r\n";
  }
  ProductScript script(body);
  std::vector<char> list = KeyList(keys);
  std::vector<char> sections(kSectionListSize + 16, 'x');
  EXPECT_EQ(BuildRemoveSectionListChecked(script.inf(), list.data(), sections.data(),
                                          kSectionListSize), 0);
  EXPECT_EQ(std::string(sections.data() + kSectionListSize, 16), std::string(16, 'x'));
  EXPECT_EQ(Joined(sections.data()).size(), 7u * 128u) << "seven whole names, none cut";
}

}  // namespace
