// What a removal takes and what it leaves: in a script of a hundred products, one removal keeps
// the files that a product staying installed (or the setup while it stays) places too; the
// emptied folders of a two-level target go up to the vendor folder, once the restart has taken
// a file that was in use, while another product's folder under the same vendor keeps it.
#include <gtest/gtest.h>

#include <stdio.h>

#include <string>

#include "e2e/Media.h"
#include "e2e/WizardDriver.h"

namespace {

constexpr int kProducts = 100;
constexpr DWORD kRunLimitMs = 120000;

// Keys and section names long enough that a hundred of them fill more than 1,024 bytes.
std::string Key(int product) {
  char key[32];
  snprintf(key, sizeof(key), "E2EManyProductsKey%03d", product);
  return key;
}

// Products 0 and 1 both place shared.txt, each through a list of its own; product 0 also
// places common.txt, which the setup-level Install section places too.
std::string ManyProductsScript() {
  std::string products, sections, destinations;
  for (int i = 0; i < kProducts; ++i) {
    std::string key = Key(i);
    products += key + " = \"Product " + std::to_string(i) + "\", " + key + ".Install, " + key +
                ".Remove, 1\r\n";
    destinations += key + ".Files = 32768\r\n";
    sections += "[" + key + ".Install]\r\nCopyFiles = " + key + ".Files\r\n[" + key +
                ".Remove]\r\nDelFiles = " + key + ".Files\r\n[" + key + ".Files]\r\np" +
                std::to_string(i) + ".txt\r\n" + (i < 2 ? "shared.txt\r\n" : "") +
                (i == 0 ? "common.txt\r\n" : "");
  }
  return "[Version]\r\nSignature=\"$Chicago$\"\r\n[Products]\r\n" + products +
         "[Install]\r\nUninstall = E2EManySuite\r\nCopyFiles = Setup.Files\r\n"
         "[Remove]\r\nDelFiles = Setup.Files\r\n"
         "[DestinationDirs]\r\nDefaultDestDir = 32768\r\nSetup.Files = 32768\r\n" +
         destinations + "[Setup.Files]\r\nsetup.exe\r\nsetup.inf\r\ncommon.txt\r\n" + sections;
}

// Runs the media's setup.exe with arguments to its end; its exit code.
int Install(const Media &media, const std::string &arguments) {
  SetupProcess setup(media.dir());
  if (!setup.Start(arguments)) return -1;
  return setup.WaitForExit(kRunLimitMs);
}

// Runs the removal that key's Uninstall entry records, silently; its exit code.
int Remove(const std::string &key) {
  SetupProcess remover(UninstallValue(key, "UserTargetDir"), false);
  if (!remover.StartCommandLine(UninstallValue(key, "UninstallString") + " /silent")) return -1;
  return remover.WaitForExit(kRunLimitMs);
}

class RemovalScopeTest : public testing::Test {
 protected:
  void TearDown() override {
    for (int i = 0; i < kProducts; ++i) DeleteUninstallEntry(Key(i));
    for (const char *key : {"E2EManySuite", "E2EVendorOne", "E2EVendorTwo"})
      DeleteUninstallEntry(key);
    RemoveTree(ProgramFilesDir() + "\\E2E Vendor");
    ClearPendingRenames();
  }
};

TEST_F(RemovalScopeTest, HundredProductsThenSharedFilesStayWhileAProductPlacesThem) {
  std::vector<std::string> payload = {"shared.txt", "common.txt"};
  for (int i = 0; i < kProducts; ++i) payload.push_back("p" + std::to_string(i) + ".txt");
  Media media(ManyProductsScript(), payload);
  const std::string target = media.target();
  ASSERT_EQ(Install(media, "/quiet /dir:\"" + target + "\""), 0);
  for (int i = 0; i < kProducts; ++i) {
    ASSERT_TRUE(FileExists(target + "\\p" + std::to_string(i) + ".txt")) << i;
    ASSERT_TRUE(UninstallEntryExists(Key(i))) << i;
  }

  // Product 1 stays and places shared.txt; the setup stays and places common.txt.
  ASSERT_EQ(Remove(Key(0)), 0);
  EXPECT_FALSE(FileExists(target + "\\p0.txt"));
  EXPECT_TRUE(FileExists(target + "\\shared.txt"));
  EXPECT_TRUE(FileExists(target + "\\common.txt"));
  EXPECT_FALSE(UninstallEntryExists(Key(0)));
  EXPECT_TRUE(UninstallEntryExists(Key(1)));
  EXPECT_TRUE(FileExists(target + "\\p99.txt"));

  // Nothing that stays places shared.txt any more.
  ASSERT_EQ(Remove(Key(1)), 0);
  EXPECT_FALSE(FileExists(target + "\\p1.txt"));
  EXPECT_FALSE(FileExists(target + "\\shared.txt"));
  EXPECT_TRUE(FileExists(target + "\\common.txt"));
}

// Two products of two setups below one vendor folder ("24, E2E Vendor\One" and "...\Two").
std::string VendorScript(const std::string &product) {
  return "[Version]\r\nSignature=\"$Chicago$\"\r\n[Products]\r\nE2EVendor" + product + " = \"" +
         product + "\", Product.Install, Product.Remove, 1\r\n"
         "[Product.Install]\r\nCopyFiles = Product.Files\r\n"
         "[Product.Remove]\r\nDelFiles = Product.Files\r\n"
         "[DestinationDirs]\r\nDefaultDestDir = 24, \"E2E Vendor\\" + product + "\"\r\n"
         "Product.Files = 32768\r\n[Product.Files]\r\nsetup.exe\r\nsetup.inf\r\n" + product +
         ".txt\r\n";
}

TEST_F(RemovalScopeTest, TwoLevelTargetGoesAfterTheRestartAndASiblingKeepsTheVendorFolder) {
  const std::string vendor = ProgramFilesDir() + "\\E2E Vendor";
  Media one(VendorScript("One"), {"One.txt"});
  Media two(VendorScript("Two"), {"Two.txt"});
  ASSERT_EQ(Install(one, "/silent"), 0);
  ASSERT_EQ(Install(two, "/silent"), 0);
  ASSERT_TRUE(FileExists(vendor + "\\One\\One.txt"));
  ASSERT_TRUE(FileExists(vendor + "\\Two\\Two.txt"));

  ASSERT_EQ(Remove("E2EVendorTwo"), 0);
  EXPECT_FALSE(FileExists(vendor + "\\Two"));
  EXPECT_TRUE(FileExists(vendor + "\\One\\One.txt")) << "the sibling keeps the vendor folder";

  // A file in use: it, its folder and the vendor folder wait for the restart.
  HANDLE held = CreateFileA((vendor + "\\One\\One.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  int removal = Remove("E2EVendorOne");
  CloseHandle(held);
  EXPECT_EQ(removal, 3010) << "a restart is needed";
  EXPECT_TRUE(FileExists(vendor + "\\One\\One.txt"));
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, sizeof(system));
  ASSERT_EQ(RunAndWait(std::string(system) + "\\wineboot.exe -r", 60000), 0);
  EXPECT_FALSE(FileExists(vendor)) << "both levels are gone after the restart";
  EXPECT_TRUE(FileExists(ProgramFilesDir())) << "never the base folder itself";
}

}  // namespace
