// The "Rename" line of wininit.ini added to a section of any length.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "engine/RenameSection.h"

namespace {

// A section as the profile reader returns it: lines with their NULs, then one more NUL.
std::vector<char> Section(const std::vector<std::string> &lines, size_t capacity) {
  std::vector<char> buffer(capacity, 'x');
  size_t at = 0;
  for (const std::string &line : lines) {
    memcpy(buffer.data() + at, line.c_str(), line.size() + 1);
    at += line.size() + 1;
  }
  buffer[at] = '\0';
  return buffer;
}

std::vector<std::string> Lines(const char *section) {
  std::vector<std::string> lines;
  for (const char *p = section; *p; p += strlen(p) + 1) lines.push_back(p);
  return lines;
}

TEST(RenameSectionTest, NewLineFollowsTheLinesAlreadyThere) {
  std::vector<std::string> old = {"NUL=C:\\OLD\\A.DLL", "C:\\WIN\\B.DLL=C:\\WIN\\B.NEW"};
  std::vector<char> buffer = Section(old, 1024);
  size_t length = old[0].size() + 1 + old[1].size() + 1;
  size_t result = AppendRenameLine(buffer.data(), length, buffer.size(), "C:\\PROGRA~1\\X.EXE");
  EXPECT_EQ(result, length + strlen("NUL=C:\\PROGRA~1\\X.EXE") + 1);
  std::vector<std::string> lines = Lines(buffer.data());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], old[0]);
  EXPECT_EQ(lines[1], old[1]);
  EXPECT_EQ(lines[2], "NUL=C:\\PROGRA~1\\X.EXE");
  EXPECT_EQ(buffer[result], '\0') << "the list keeps its final NUL";
}

TEST(RenameSectionTest, EmptySectionGetsTheOnlyLine) {
  std::vector<char> buffer(64, 'x');
  size_t result = AppendRenameLine(buffer.data(), 0, buffer.size(), "C:\\A");
  EXPECT_EQ(result, 9u);
  EXPECT_EQ(std::string(buffer.data(), 10), std::string("NUL=C:\\A\0\0", 10));
}

TEST(RenameSectionTest, ExactFitAndOneByteShort) {
  // "NUL=C:\A" + NUL + NUL = 10 bytes.
  std::vector<char> exact(10, 'x');
  EXPECT_EQ(AppendRenameLine(exact.data(), 0, exact.size(), "C:\\A"), 9u);
  EXPECT_EQ(RenameSectionSizeWith(0, "C:\\A"), 10u);

  std::vector<char> shortBuffer(9, 'x');
  EXPECT_EQ(AppendRenameLine(shortBuffer.data(), 0, shortBuffer.size(), "C:\\A"), 0u);
  EXPECT_EQ(std::string(shortBuffer.begin(), shortBuffer.end()), std::string(9, 'x'))
      << "a line that does not fit leaves the buffer untouched";
}

TEST(RenameSectionTest, SectionOfSeveralKilobytesKeepsEveryLine) {
  std::vector<std::string> old;
  size_t length = 0;
  for (int i = 0; length < 6000; ++i) {
    old.push_back("NUL=C:\\DIR" + std::to_string(i) + "\\FILE" + std::to_string(i) + ".DLL");
    length += old.back().size() + 1;
  }
  std::vector<char> buffer = Section(old, RenameSectionSizeWith(length, "C:\\NEW.DLL"));
  ASSERT_GT(buffer.size(), 1024u);
  ASSERT_NE(AppendRenameLine(buffer.data(), length, buffer.size(), "C:\\NEW.DLL"), 0u);
  std::vector<std::string> lines = Lines(buffer.data());
  ASSERT_EQ(lines.size(), old.size() + 1);
  for (size_t i = 0; i < old.size(); ++i) EXPECT_EQ(lines[i], old[i]);
  EXPECT_EQ(lines.back(), "NUL=C:\\NEW.DLL");
}

TEST(RenameSectionTest, ReadThatFilledTheBufferMayBeCut) {
  EXPECT_TRUE(ProfileSectionMayBeCut(1022, 1024));
  EXPECT_FALSE(ProfileSectionMayBeCut(1021, 1024));
  EXPECT_FALSE(ProfileSectionMayBeCut(0, 1024));
  EXPECT_TRUE(ProfileSectionMayBeCut(0, 2)) << "a buffer of two bytes holds no line at all";
}

}  // namespace
