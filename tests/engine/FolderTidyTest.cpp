// The folders a queue's deletions empty go from the innermost out when the queue ends, so
// that a parent emptied only by a later deletion goes too; a folder that holds anything else
// stays, and one that holds only what waits for the restart goes at the restart after it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Globals.h"
#include "engine/FileQueueCallback.h"
#include "engine/QueueTestSupport.h"

namespace {

class FolderTidyTest : public testing::Test {
 protected:
  void SetUp() override {
    g_rebootNeeded = 0;
    context_.defaultContext = progress_.context();
    Notify(SPFILENOTIFY_STARTQUEUE, 0);
  }
  void TearDown() override { g_rebootNeeded = 0; }

  void Notify(UINT notification, UINT_PTR param1) {
    FileQueueCallback(&context_, notification, param1, 0);
  }

  // What the queue does for one file of a DelFiles list: delete it, then report how it went.
  void QueueDeletes(const std::string &relative) {
    std::string file = dir_ / relative;
    FILEPATHS_A paths = {};
    paths.Target = file.c_str();
    paths.Win32Error = DeleteFileA(file.c_str()) ? NO_ERROR : GetLastError();
    Notify(SPFILENOTIFY_ENDDELETE, reinterpret_cast<UINT_PTR>(&paths));
  }

  // Creates the files (and their folders) below the scratch folder.
  void Make(const std::vector<std::string> &files) {
    for (const std::string &file : files) {
      for (size_t at = file.find('\\'); at != std::string::npos; at = file.find('\\', at + 1))
        CreateDirectoryA((dir_ / file.substr(0, at)).c_str(), nullptr);
      WriteTextFile(dir_ / file, file);
    }
  }

  std::string Full(const std::string &relative) const { return FullPath(dir_ / relative); }

  ScratchDir dir_;
  PendingRenamesGuard pending_;
  WininitGuard wininit_;
  DefaultQueueCallback progress_;
  QueueCallbackContext context_ = {};
};

TEST_F(FolderTidyTest, NestedFoldersGoFromTheInnermostOutWhenTheQueueEnds) {
  Make({"one\\a.txt", "one\\deeper\\b.txt", "keep\\c.txt", "keep\\other.txt", "sub\\d.txt",
        "sub\\foreign\\e.txt"});
  // "one" is reached while "deeper" is still in it.
  for (const char *file : {"one\\a.txt", "one\\deeper\\b.txt", "keep\\c.txt", "sub\\d.txt"})
    QueueDeletes(file);
  EXPECT_TRUE(FileExists(dir_ / "one\\deeper")) << "nothing goes before the queue ends";
  Notify(SPFILENOTIFY_ENDQUEUE, 0);
  EXPECT_FALSE(FileExists(dir_ / "one"));
  EXPECT_TRUE(FileExists(dir_ / "keep\\other.txt"));
  EXPECT_TRUE(FileExists(dir_ / "sub\\foreign\\e.txt")) << "a folder of its own keeps sub";
  EXPECT_TRUE(PendingDeletions().empty()) << "nothing that stays is scheduled either";
  EXPECT_EQ(g_rebootNeeded, 0);
}

// Files in use inside a nested folder: one that refused its deletion and one whose deletion
// is only pending behind another handle wait for the restart, then their folder, then the
// parent that holds nothing else.
TEST_F(FolderTidyTest, FilesInUseTakeTheirFoldersAlongAtTheRestart) {
  Make({"outer\\x.txt", "outer\\busy\\a.txt", "outer\\busy\\held.txt",
        "outer\\busy\\shared.txt"});
  FileHolder holder({Full("outer\\busy\\held.txt")});
  ASSERT_TRUE(holder.holding());
  const std::string sharedPath = Full("outer\\busy\\shared.txt");  // gone once it is closed
  HANDLE shared = CreateFileA(sharedPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(shared, INVALID_HANDLE_VALUE);
  for (const char *file : {"outer\\busy\\a.txt", "outer\\busy\\held.txt",
                           "outer\\busy\\shared.txt", "outer\\x.txt"})
    QueueDeletes(file);
  Notify(SPFILENOTIFY_ENDQUEUE, 0);
  CloseHandle(shared);
  EXPECT_EQ(g_rebootNeeded, 1);
  EXPECT_EQ(context_.pendingCount, 2);
  EXPECT_TRUE(FileExists(dir_ / "outer\\busy\\held.txt"));
  if (!EmulatesWin9x()) {
    std::vector<std::string> expected = {Full("outer\\busy\\held.txt"), sharedPath,
                                         Full("outer\\busy"), Full("outer")};
    EXPECT_EQ(PendingDeletions(), expected) << "the files, then their folders, each once";
  }
}

// In a removal's scope the parents of an emptied folder go up to the outer folder, which
// stays, and never past one that still holds something: two products below one vendor folder,
// removed one after the other.
TEST_F(FolderTidyTest, RemovalTakesEmptiedParentsUpToItsOuterFolder) {
  Make({"base\\vendor\\one\\bin\\tool.exe", "base\\vendor\\one\\readme.txt",
        "base\\vendor\\two\\kept.txt"});
  RemovalScope scope = {};
  lstrcpynA(scope.outerFolder, (dir_ / "base").c_str(), sizeof(scope.outerFolder));
  context_.scope = &scope;
  QueueDeletes("base\\vendor\\one\\bin\\tool.exe");
  QueueDeletes("base\\vendor\\one\\readme.txt");
  Notify(SPFILENOTIFY_ENDQUEUE, 0);
  EXPECT_FALSE(FileExists(dir_ / "base\\vendor\\one"));
  EXPECT_TRUE(FileExists(dir_ / "base\\vendor\\two\\kept.txt"));

  Notify(SPFILENOTIFY_STARTQUEUE, 0);
  QueueDeletes("base\\vendor\\two\\kept.txt");
  Notify(SPFILENOTIFY_ENDQUEUE, 0);
  EXPECT_FALSE(FileExists(dir_ / "base\\vendor"));
  EXPECT_TRUE(FileExists(dir_ / "base")) << "the outer folder itself stays";
  EXPECT_TRUE(PendingDeletions().empty());
}

}  // namespace
