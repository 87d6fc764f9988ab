// A file that the script deletes but that is marked read-only (an earlier version, or the
// copy over such a file, left it so): the deletion takes it at once instead of leaving it for
// a restart that could not delete it either.
#include <gtest/gtest.h>

#include <string>

#include "common/Globals.h"
#include "engine/FileQueueCallback.h"
#include "engine/QueueTestSupport.h"

namespace {

const char kReadOnlyScript[] =
    "[DestinationDirs]\r\nDefaultDestDir=32768\r\nGone.Files=32768,ro\r\n"
    "[Remove]\r\nDelFiles=Gone.Files\r\n"
    "[Gone.Files]\r\nlocked.txt\r\n";

TEST(ReadOnlyDeletionTest, ReadOnlyFileIsDeletedAtOnceWithItsFolder) {
  ScriptMedia media;
  ASSERT_TRUE(media.Open(kReadOnlyScript));
  PendingRenamesGuard pending;
  WininitGuard wininit;
  std::string folder = media.target() / "ro";
  std::string file = folder + "\\locked.txt";
  CreateDirectoryA(folder.c_str(), nullptr);
  WriteTextFile(file, "x");
  ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
  g_rebootNeeded = 0;

  QueueCallbackContext context = {};
  BOOL committed = CommitSection(media.inf(), "Remove", &context);

  EXPECT_TRUE(committed);
  EXPECT_FALSE(FileExists(file));
  EXPECT_FALSE(FileExists(folder)) << "the emptied folder goes with it";
  EXPECT_EQ(g_rebootNeeded, 0);
  EXPECT_TRUE(PendingDeletions().empty());
  EXPECT_TRUE(WininitRenameLines().empty());
  if (FileExists(file)) SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
  g_rebootNeeded = 0;
}

}  // namespace
