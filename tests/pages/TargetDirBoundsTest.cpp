// The default target directory against "DefaultDestDir" subdirectories that do not fit: a
// field too long for its buffer counts as missing, a path too long for the target buffer is
// never cut, and neither buffer is written past.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "common/Globals.h"
#include "script/TargetDir.h"
#include "support/TestSupport.h"

namespace {

// The two 260-byte buffers of DefaultTargetDir, each with guard bytes behind it.
struct GuardedTarget {
  char dir[kTargetDirSize];
  char guard1[32];
  char subdir[kTargetDirSize];
  char guard2[32];
};

bool Intact(const char *guard, size_t size) {
  for (size_t i = 0; i < size; ++i)
    if (guard[i] != 'G') return false;
  return true;
}

class TargetDirBoundsTest : public testing::Test {
 protected:
  // DefaultTargetDir over a script whose "DefaultDestDir" line is the given text.
  void Run(const std::string &line) {
    TestScript script("[DestinationDirs]\r\n" + line + "\r\n");
    ASSERT_NE(script.inf(), INVALID_HANDLE_VALUE);
    memset(&out_, 'G', sizeof(out_));
    DefaultTargetDir(script.inf(), out_.dir, out_.subdir);
    EXPECT_TRUE(Intact(out_.guard1, sizeof(out_.guard1)));
    EXPECT_TRUE(Intact(out_.guard2, sizeof(out_.guard2)));
    EXPECT_LT(strnlen(out_.dir, sizeof(out_.dir)), sizeof(out_.dir));
    EXPECT_LT(strnlen(out_.subdir, sizeof(out_.subdir)), sizeof(out_.subdir));
  }

  GuardedTarget out_;
};

TEST_F(TargetDirBoundsTest, SubdirectoryThatDoesNotFitCountsAsMissing) {
  char programFiles[kTargetDirSize] = {};
  ASSERT_TRUE(ReadProgramFilesDir(programFiles));

  Run("DefaultDestDir=24,Tools");
  EXPECT_EQ(std::string(out_.dir), std::string(programFiles) + "\\Tools");
  EXPECT_STREQ(out_.subdir, "Tools");

  // 260 characters do not fit the 260-byte field buffer: no subdirectory, and no proposal
  // either, which would be Program Files itself.
  Run("DefaultDestDir=24," + std::string(260, 's'));
  EXPECT_STREQ(out_.dir, "");
  EXPECT_STREQ(out_.subdir, "");

  // 259 characters fit the field, but not below Program Files: the subdirectory is kept
  // whole for the browser, and there is no proposal rather than a cut path or another folder.
  std::string longest(259, 't');
  Run("DefaultDestDir=24," + longest);
  EXPECT_EQ(std::string(out_.subdir), longest);
  EXPECT_STREQ(out_.dir, "");
}

}  // namespace
