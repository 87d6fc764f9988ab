// Link paths in fixed buffers: assembly, refusal when they do not fit, and the parent walk.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "shell/LinkPath.h"

namespace {

// A path buffer followed by guard bytes that catch a write past its end.
struct GuardedPath {
  GuardedPath() {
    memset(path, 'P', sizeof(path));
    memset(guard, 'G', sizeof(guard));
  }
  bool GuardIntact() const {
    return std::string(guard, sizeof(guard)) == std::string(sizeof(guard), 'G');
  }
  char path[kTargetDirSize];
  char guard[32];
};

TEST(LinkPathTest, FolderNameAndExtension) {
  GuardedPath p;
  ASSERT_EQ(BuildLinkPath(p.path, sizeof(p.path), "C:\\Menu", "Orlavin\\Tools\\Run"), 1);
  EXPECT_STREQ(p.path, "C:\\Menu\\Orlavin\\Tools\\Run.lnk");
}

TEST(LinkPathTest, PathOfExactly259CharactersFits) {
  std::string folder = "C:\\" + std::string(200, 'f');  // 203 characters
  std::string name(259 - 203 - 1 - 4, 'n');
  GuardedPath p;
  ASSERT_EQ(BuildLinkPath(p.path, sizeof(p.path), folder.c_str(), name.c_str()), 1);
  EXPECT_EQ(strlen(p.path), 259u);
  EXPECT_EQ(std::string(p.path), folder + "\\" + name + ".lnk");
  EXPECT_TRUE(p.GuardIntact());
}

TEST(LinkPathTest, PathThatDoesNotFitIsRefusedNotCut) {
  std::string folder = "C:\\" + std::string(200, 'f');
  std::string name(259 - 203 - 1 - 4 + 1, 'n');  // one character too many
  GuardedPath p;
  EXPECT_EQ(BuildLinkPath(p.path, sizeof(p.path), folder.c_str(), name.c_str()), 0);
  EXPECT_STREQ(p.path, "") << "no cut path is left behind for a caller to use";
  EXPECT_TRUE(p.GuardIntact());

  // The longest parts a script and the registry can give: a 259-character folder and a
  // 255-character name.
  std::string longFolder(259, 'f'), longName(255, 'n');
  EXPECT_EQ(BuildLinkPath(p.path, sizeof(p.path), longFolder.c_str(), longName.c_str()), 0);
  EXPECT_EQ(BuildLinkPath(p.path, sizeof(p.path), longFolder.c_str(), ""), 0);
  std::string folder254(254, 'f');  // with "\" and ".lnk" exactly 259
  EXPECT_EQ(BuildLinkPath(p.path, sizeof(p.path), folder254.c_str(), ""), 1);
  EXPECT_EQ(BuildLinkPath(p.path, sizeof(p.path), "", longName.c_str()), 0);
  EXPECT_TRUE(p.GuardIntact());

  char tiny[4];
  EXPECT_EQ(BuildLinkPath(tiny, sizeof(tiny), "", ""), 0);
  EXPECT_STREQ(tiny, "");
}

TEST(LinkPathTest, WorkingDirectoryIsTheTargetsFolder) {
  char dir[kTargetDirSize];
  ShortcutWorkingDirectory(dir, sizeof(dir), "C:\\Program Files\\Orlavin\\orl.exe");
  EXPECT_STREQ(dir, "C:\\Program Files\\Orlavin");
  ShortcutWorkingDirectory(dir, sizeof(dir), "notepad.exe");
  EXPECT_STREQ(dir, "notepad.exe") << "a target without a backslash stays whole";
  ShortcutWorkingDirectory(dir, sizeof(dir), "C:\\orl.exe");
  EXPECT_STREQ(dir, "C:");
  char small[8];
  ShortcutWorkingDirectory(small, sizeof(small), "C:\\folder\\x.exe");
  EXPECT_STREQ(small, "") << "a cut target would give another folder";
}

TEST(LinkPathTest, ParentWalkStopsAboveTheShellFolder) {
  const std::string folder = "C:\\Menu";
  char path[kTargetDirSize] = "C:\\Menu\\Orlavin\\Tools\\Run.lnk";
  ASSERT_EQ(CutToParentFolder(path, folder.size()), 1);
  EXPECT_STREQ(path, "C:\\Menu\\Orlavin\\Tools");
  ASSERT_EQ(CutToParentFolder(path, folder.size()), 1);
  EXPECT_STREQ(path, "C:\\Menu\\Orlavin");
  EXPECT_EQ(CutToParentFolder(path, folder.size()), 0);
  EXPECT_STREQ(path, "C:\\Menu\\Orlavin");

  char direct[kTargetDirSize] = "C:\\Menu\\Run.lnk";
  EXPECT_EQ(CutToParentFolder(direct, folder.size()), 0) << "the shell folder itself stays";
  char bare[kTargetDirSize] = "Run.lnk";
  EXPECT_EQ(CutToParentFolder(bare, 0), 0);
}

}  // namespace

namespace {

// A name that would leave the shell folder, or name a path of its own, makes no link.
TEST(LinkPathTest, NamesStayInsideTheirShellFolder) {
  const struct {
    const char *name;
    bool contained;
  } cases[] = {
      {"Orlavin\\Tools\\Run", true},       {"Run", true},
      {"Vendor\\..\\..\\Elsewhere\\Name", false}, {"..\\Name", false},
      {"Vendor/../Name", false},           {"Vendor\\.. \\Name", false},
      {"Vendor\\...\\Name", false},        {"\\Windows\\Name", false},
      {"/Name", false},                    {"C:\\Windows\\Name", false},
      {"Name:stream", false},              {"Vendor\\.\\Name", true},
      {"Vendor\\..Name", true},            {"1.2 release notes", true},
  };
  for (const auto &c : cases) EXPECT_EQ(IsContainedLinkName(c.name), c.contained) << c.name;
}

}  // namespace
