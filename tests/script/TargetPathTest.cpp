// The default target below Program Files, assembled as a text.
#include <gtest/gtest.h>

#include "script/TargetPath.h"

namespace {

TEST(ProgramFilesTargetTest, OneBackslashBetweenAndNoneAtTheEnd) {
  char out[260];
  ASSERT_TRUE(AssembleProgramFilesTarget(out, sizeof(out), "C:\\Program Files", "Tools"));
  EXPECT_STREQ(out, "C:\\Program Files\\Tools");
  ASSERT_TRUE(AssembleProgramFilesTarget(out, sizeof(out), "C:\\Program Files", "\\Tools"));
  EXPECT_STREQ(out, "C:\\Program Files\\Tools") << "a leading backslash makes no difference";
  ASSERT_TRUE(AssembleProgramFilesTarget(out, sizeof(out), "C:\\Program Files\\", "Tools\\"));
  EXPECT_STREQ(out, "C:\\Program Files\\Tools");
  ASSERT_TRUE(AssembleProgramFilesTarget(out, sizeof(out), "C:\\Program Files", ""));
  EXPECT_STREQ(out, "C:\\Program Files");
  ASSERT_TRUE(AssembleProgramFilesTarget(out, sizeof(out), "C:\\Program Files\\", ""));
  EXPECT_STREQ(out, "C:\\Program Files");
  ASSERT_TRUE(AssembleProgramFilesTarget(out, sizeof(out), "C:\\Apps", "Tools\\Data"));
  EXPECT_STREQ(out, "C:\\Apps\\Tools\\Data");
}

TEST(ProgramFilesTargetTest, TooLongIsRefusedAndLeavesTheBufferAlone) {
  char out[16] = "unchanged";
  EXPECT_FALSE(AssembleProgramFilesTarget(out, sizeof(out), "C:\\Program Files", "Tools"));
  EXPECT_STREQ(out, "unchanged");
  // Exactly fitting: 15 characters and the terminator.
  EXPECT_TRUE(AssembleProgramFilesTarget(out, sizeof(out), "C:\\Program", "Tool"));
  EXPECT_STREQ(out, "C:\\Program\\Tool");
}

}  // namespace
