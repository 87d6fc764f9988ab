// The callback's directory buffer against deleted files whose paths do not fit it: the
// buffer is never written past, and a path that does not fit leaves lastDirectory and the
// count of waiting files as they were.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "common/Globals.h"
#include "engine/FileQueueCallback.h"
#include "engine/QueueTestSupport.h"
#include "support/TestSupport.h"

namespace {

constexpr char kGuardByte = 'G';

// The context with guard bytes behind it, where a write past directoryBuffer would land.
struct GuardedContext {
  QueueCallbackContext context;
  char guard[64];
};

class QueueBoundsTest : public testing::Test {
 protected:
  void SetUp() override {
    g_rebootNeeded = 0;
    memset(&area_, kGuardByte, sizeof(area_));
    area_.context.scope = nullptr;  // given by the runner before the queue starts
    area_.context.progress = FileProgress();
    area_.context.defaultContext = progress_.context();
    Notify(SPFILENOTIFY_STARTQUEUE, 0);
  }
  void TearDown() override {
    Notify(SPFILENOTIFY_ENDQUEUE, 0);
    g_rebootNeeded = 0;
  }

  void Notify(UINT notification, UINT_PTR param1) {
    FileQueueCallback(&area_.context, notification, param1, 0);
  }

  // The queue's report that it deleted target (or tried to).
  void Deleted(const std::string &target) {
    FILEPATHS_A paths = {};
    paths.Target = target.c_str();
    Notify(SPFILENOTIFY_ENDDELETE, reinterpret_cast<UINT_PTR>(&paths));
  }

  bool GuardIntact() const {
    for (char c : area_.guard)
      if (c != kGuardByte) return false;
    return true;
  }

  ScratchDir dir_;
  GuardedContext area_;
  DefaultQueueCallback progress_;
};

TEST_F(QueueBoundsTest, LongestPathThatFitsAndLongerOnesLeaveTheDirectoryAlone) {
  // A real, short directory first, so that the later paths have something to leave alone.
  // Each directory keeps another file, so that none is removed or scheduled for removal.
  WriteTextFile(dir_ / "keep.txt", "x");
  std::string first = dir_ / "gone.txt";
  Deleted(first);
  EXPECT_EQ(g_rebootNeeded, 0) << first;
  ASSERT_NE(area_.context.lastDirectory, nullptr);
  EXPECT_EQ(std::string(area_.context.lastDirectory), dir_.path());
  EXPECT_EQ(area_.context.pendingCount, 0);

  // 259 characters: the whole path fits the 260-byte buffer, its directory is taken.
  // A name of this process under the drive's root, padded to 244 characters.
  std::string name = "setupbounds-" + std::to_string(GetCurrentProcessId());
  std::string longDir = dir_.path().substr(0, 3) + name + std::string(244 - name.size(), 'd');
  ASSERT_TRUE(CreateDirectoryA(longDir.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  WriteTextFile(longDir + "\\k", "x");
  std::string longest = longDir + "\\abcdefghijk";
  ASSERT_EQ(longest.size(), 259u);
  Deleted(longest);
  EXPECT_EQ(g_rebootNeeded, 0) << longest;
  EXPECT_EQ(std::string(area_.context.lastDirectory), longDir);
  EXPECT_TRUE(FileExists(longDir + "\\k"));
  EXPECT_TRUE(GuardIntact());
  RemoveTree(longDir);

  // One character more, and far more: a cut path would name another directory.
  std::string before = area_.context.lastDirectory;
  for (size_t length : {260u, 261u, 400u, 5000u}) {
    std::string path = "C:\\" + std::string(length - 9, 'e') + "\\f.txt";
    ASSERT_EQ(path.size(), length);
    Deleted(path);
    EXPECT_EQ(g_rebootNeeded, 0) << length;
    EXPECT_EQ(std::string(area_.context.lastDirectory), before) << length;
    EXPECT_EQ(area_.context.pendingCount, 0) << length;
    EXPECT_TRUE(GuardIntact()) << length;
  }

  // A directory name of the whole buffer's length without any backslash after it.
  Deleted(std::string(5000, 'x'));
  EXPECT_EQ(std::string(area_.context.lastDirectory), before);
  EXPECT_TRUE(GuardIntact());
}

}  // namespace
