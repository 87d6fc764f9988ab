// The callback counts a folder's files when the queue's deletions reach it and follows them
// with a running count: the folder must still go exactly when its last file has gone, stay
// when a file came in meanwhile, and go when the queue moves on after another hand emptied it.
#include <gtest/gtest.h>

#include <string>

#include "app/Globals.h"
#include "engine/FileQueueCallback.h"
#include "engine/QueueTestSupport.h"

namespace {

class FolderCountTest : public testing::Test {
 protected:
  void SetUp() override {
    g_rebootNeeded = 0;
    window_ = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    context_.defaultContext =
        SetupInitDefaultQueueCallbackEx(window_, window_, WM_USER + 11, 0, nullptr);
    Notify(SPFILENOTIFY_STARTQUEUE, 0);
  }
  void TearDown() override {
    SetupTermDefaultQueueCallback(context_.defaultContext);
    DestroyWindow(window_);
    g_rebootNeeded = 0;
  }

  void Notify(UINT notification, UINT_PTR param1) {
    FileQueueCallback(&context_, notification, param1, 0);
  }

  // What the queue does for one file of a DelFiles list: delete it, then report it.
  void QueueDeletes(const std::string &file) {
    DeleteFileA(file.c_str());
    FILEPATHS_A paths = {};
    paths.Target = file.c_str();
    Notify(SPFILENOTIFY_ENDDELETE, reinterpret_cast<UINT_PTR>(&paths));
  }

  std::string MakeFolder(const std::string &name, const std::vector<std::string> &files) {
    std::string folder = dir_ / name;
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const std::string &file : files) WriteTextFile(folder + "\\" + file, file);
    return folder;
  }

  ScratchDir dir_;
  PendingRenamesGuard pending_;
  WininitGuard wininit_;
  QueueCallbackContext context_ = {};
  HWND window_ = nullptr;
};

TEST_F(FolderCountTest, FolderGoesWithItsLastFileAndNotBefore) {
  std::string folder = MakeFolder("three", {"a.txt", "b.txt", "c.txt", "kept.txt"});
  QueueDeletes(folder + "\\a.txt");
  QueueDeletes(folder + "\\b.txt");
  QueueDeletes(folder + "\\c.txt");
  EXPECT_TRUE(FileExists(folder)) << "kept.txt is still there";
  QueueDeletes(folder + "\\kept.txt");
  EXPECT_FALSE(FileExists(folder));
  Notify(SPFILENOTIFY_ENDQUEUE, 0);
  EXPECT_TRUE(PendingDeletions().empty());
  EXPECT_EQ(g_rebootNeeded, 0);
}

TEST_F(FolderCountTest, FileThatCameInMeanwhileKeepsTheFolder) {
  std::string folder = MakeFolder("grown", {"a.txt", "b.txt"});
  QueueDeletes(folder + "\\a.txt");
  WriteTextFile(folder + "\\new.txt", "written while the queue worked");
  QueueDeletes(folder + "\\b.txt");
  EXPECT_TRUE(FileExists(folder + "\\new.txt"));
  Notify(SPFILENOTIFY_ENDQUEUE, 0);
  EXPECT_TRUE(FileExists(folder + "\\new.txt"));
  EXPECT_TRUE(PendingDeletions().empty()) << "a folder with a file in it is not scheduled";
}

TEST_F(FolderCountTest, FolderEmptiedByAnotherHandGoesWhenTheQueueMovesOn) {
  std::string first = MakeFolder("first", {"a.txt", "b.txt", "other.txt"});
  std::string second = MakeFolder("second", {"c.txt", "d.txt", "other.txt"});
  QueueDeletes(first + "\\a.txt");
  DeleteFileA((first + "\\other.txt").c_str());  // not the queue's work
  QueueDeletes(first + "\\b.txt");
  QueueDeletes(second + "\\c.txt");
  EXPECT_FALSE(FileExists(first)) << "checked again when the queue went on to another folder";

  DeleteFileA((second + "\\other.txt").c_str());
  QueueDeletes(second + "\\d.txt");
  Notify(SPFILENOTIFY_ENDQUEUE, 0);
  EXPECT_FALSE(FileExists(second)) << "checked again at the end of the queue";
  EXPECT_TRUE(PendingDeletions().empty());
}

// A file in use in the middle of a folder: the folder waits for the restart after it, and the
// count of the other files still empties to the point where the folder is scheduled.
TEST_F(FolderCountTest, FileInUseAmongOthersSchedulesTheFolderAfterIt) {
  std::string folder = MakeFolder("busy", {"a.txt", "held.txt", "z.txt"});
  FileHolder holder({folder + "\\held.txt"});
  ASSERT_TRUE(holder.holding());
  QueueDeletes(folder + "\\a.txt");
  QueueDeletes(folder + "\\held.txt");
  if (!EmulatesWin9x())
    EXPECT_EQ(PendingDeletions(), std::vector<std::string>{FullPath(folder + "\\held.txt")})
        << "not the folder yet: z.txt is still in it";
  QueueDeletes(folder + "\\z.txt");
  Notify(SPFILENOTIFY_ENDQUEUE, 0);
  EXPECT_EQ(g_rebootNeeded, 1);
  EXPECT_EQ(context_.pendingCount, 1);
  EXPECT_TRUE(FileExists(folder + "\\held.txt"));
  if (!EmulatesWin9x()) {
    std::vector<std::string> expected = {FullPath(folder + "\\held.txt"), FullPath(folder)};
    EXPECT_EQ(PendingDeletions(), expected) << "the file first, then its folder, once";
  }
}

}  // namespace
