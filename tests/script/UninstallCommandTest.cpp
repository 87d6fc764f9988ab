#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "script/UninstallCommand.h"

namespace {

constexpr size_t kBuffer = 260;

std::string Command(const std::string &path, const std::string &key, int *ok) {
  char out[kBuffer + 8];
  memset(out, 'x', sizeof(out));
  *ok = BuildUninstallCommand(out, kBuffer, path.c_str(), key.c_str());
  EXPECT_EQ(std::string(out + kBuffer, 8), std::string(8, 'x')) << "wrote past the buffer";
  return out;
}

TEST(UninstallCommandTest, PathWithBlanksIsQuoted) {
  int ok = 0;
  EXPECT_EQ(Command("C:\\Program Files\\Tools\\setup.exe", "tools", &ok),
            "\"C:\\Program Files\\Tools\\setup.exe\" /remove:tools");
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(Command("C:\\Tools\\setup.exe", "tools", &ok), "C:\\Tools\\setup.exe /remove:tools");
  EXPECT_EQ(ok, 1);
}

// A key with a blank is carried in quotes, as the command line reads it back; a key with a
// quote cannot be carried at all, so no command is formed for it.
TEST(UninstallCommandTest, KeysTheCommandLineCanCarry) {
  int ok = 0;
  EXPECT_EQ(Command("C:\\Program Files\\A\\setup.exe", "My App", &ok),
            "\"C:\\Program Files\\A\\setup.exe\" /remove:\"My App\"");
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(Command("C:\\A\\setup.exe", "a\"b", &ok), "");
  EXPECT_EQ(ok, 0);
  EXPECT_FALSE(KeyCanBeCarried(""));
  EXPECT_TRUE(KeyCanBeCarried("Tab\tKey"));
}

TEST(UninstallCommandTest, LongestCommandFitsAndOneMoreIsRefused) {
  const std::string key = "k";
  const size_t fixed = strlen(" /remove:") + key.size();
  int ok = 0;
  std::string plain(kUninstallCommandMax - fixed, 'a');
  EXPECT_EQ(Command(plain, key, &ok).size(), kUninstallCommandMax);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(Command(plain + "a", key, &ok), "");
  EXPECT_EQ(ok, 0);
  // The quotes count: the same length with a blank no longer fits.
  std::string blank = "C:\\x y" + std::string(kUninstallCommandMax - fixed - 8, 'a');
  EXPECT_EQ(Command(blank, key, &ok).size(), kUninstallCommandMax);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(Command(blank + "a", key, &ok), "");
  EXPECT_EQ(ok, 0);
  // A small buffer refuses too, never cuts.
  char small[16];
  EXPECT_EQ(BuildUninstallCommand(small, sizeof(small), "C:\\setup.exe", "key"), 0);
  EXPECT_STREQ(small, "");
}

TEST(UninstallCommandTest, KeyPathIsFormedOrRefused) {
  char path[kBuffer];
  EXPECT_EQ(FormUninstallKeyPath(path, sizeof(path), "Tools"), 1);
  EXPECT_STREQ(path, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tools");
  EXPECT_EQ(FormUninstallKeyPath(path, sizeof(path), ""), 0);
  EXPECT_STREQ(path, "");
  EXPECT_EQ(FormUninstallKeyPath(path, sizeof(path), std::string(255, 'k').c_str()), 0)
      << "the path with a 255-character key does not fit 260 bytes";
  char large[kUninstallKeyPathSize];
  EXPECT_EQ(FormUninstallKeyPath(large, sizeof(large), std::string(255, 'k').c_str()), 1);
  EXPECT_EQ(FormUninstallKeyPath(large, sizeof(large), std::string(256, 'k').c_str()), 0);
}

}  // namespace
