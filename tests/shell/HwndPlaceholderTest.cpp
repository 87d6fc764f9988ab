// The "%hwnd%" replacement in program arguments, where it stops, and its buffer bounds.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "shell/HwndPlaceholder.h"

namespace {

constexpr uint32_t kHandle = 0x0001a2bc;
const std::string kHandleText = "0x0001a2bc";

std::string Prepared(const std::string &arguments, uint32_t handle = kHandle) {
  char buffer[kArgumentBufferSize];
  EXPECT_EQ(PrepareArguments(buffer, sizeof(buffer), arguments.c_str(), handle), 1) << arguments;
  return buffer;
}

std::string Repeat(const std::string &text, int times) {
  std::string result;
  for (int i = 0; i < times; ++i) result += text;
  return result;
}

TEST(HwndPlaceholderTest, HandleIsTenCharactersLowercaseZeroPadded) {
  char text[kHandleTextSize];
  FormatWindowHandle(text, sizeof(text), 0x1A2B);
  EXPECT_STREQ(text, "0x00001a2b");
  FormatWindowHandle(text, sizeof(text), 0xFFFFFFFFu);
  EXPECT_STREQ(text, "0xffffffff");
  FormatWindowHandle(text, sizeof(text), 0);
  EXPECT_STREQ(text, "0x00000000");
}

TEST(HwndPlaceholderTest, PlaceholderInAnyCaseIsReplaced) {
  EXPECT_EQ(Prepared("%HWND%"), kHandleText);
  EXPECT_EQ(Prepared("%hWnD%", 0xABCDEF), "0x00abcdef");
  EXPECT_EQ(Prepared("/notify=%hwnd% /quiet"), "/notify=" + kHandleText + " /quiet");
}

TEST(HwndPlaceholderTest, SeveralPlaceholdersInARowAreAllReplaced) {
  EXPECT_EQ(Prepared("%hwnd% %HWND%"), kHandleText + " " + kHandleText);
  EXPECT_EQ(Prepared("%hwnd%%hwnd%x"), kHandleText + kHandleText + "x");
}

TEST(HwndPlaceholderTest, FirstPercentThatIsNoPlaceholderStopsTheReplacement) {
  EXPECT_EQ(Prepared("50% %hwnd%"), "50% %hwnd%");
  EXPECT_EQ(Prepared("%hwnd% 50% %hwnd%"), kHandleText + " 50% %hwnd%");
  EXPECT_EQ(Prepared("%TEMP%\\x %hwnd%"), "%TEMP%\\x %hwnd%");
  EXPECT_EQ(Prepared("%hwn"), "%hwn") << "a cut placeholder at the end stays";
  EXPECT_EQ(Prepared("plain text"), "plain text");
  EXPECT_EQ(Prepared(""), "");
}

TEST(HwndPlaceholderTest, FullFieldOfPlaceholdersFitsTheBuffer) {
  // 255 characters, the longest text a script field holds: 42 placeholders and three more.
  std::string arguments = Repeat("%hwnd%", 42) + "%hw";
  ASSERT_EQ(arguments.size(), 255u);
  std::string result = Prepared(arguments);
  EXPECT_EQ(result, Repeat(kHandleText, 42) + "%hw");
  EXPECT_EQ(result.size(), 423u);
  EXPECT_EQ(Prepared(Repeat("%HWND%", 42)), Repeat(kHandleText, 42));
}

TEST(HwndPlaceholderTest, TextThatDoesNotFitIsRefusedNeverOverrun) {
  // Guard bytes after a small buffer catch any write past its end.
  struct {
    char text[32];
    char guard[16];
  } area;
  memset(area.guard, 'G', sizeof(area.guard));

  // 28 characters grow to 32 with the handle: one more than fits with the NUL.
  EXPECT_EQ(PrepareArguments(area.text, sizeof(area.text), "%hwnd%1234567890123456789012",
                             kHandle),
            0);
  // 27 characters grow to 31, which fits exactly.
  EXPECT_EQ(PrepareArguments(area.text, sizeof(area.text), "%hwnd%123456789012345678901",
                             kHandle),
            1);
  EXPECT_EQ(std::string(area.text), kHandleText + "123456789012345678901");
  // Arguments longer than the buffer are refused rather than cut.
  EXPECT_EQ(PrepareArguments(area.text, sizeof(area.text), std::string(40, 'a').c_str(), kHandle),
            0);
  EXPECT_EQ(std::string(area.guard, sizeof(area.guard)), std::string(sizeof(area.guard), 'G'));

  char big[kArgumentBufferSize];
  std::string many = Repeat("%hwnd%", 170) + "abc";  // 1023 characters, grows to 1703
  EXPECT_EQ(PrepareArguments(big, sizeof(big), many.c_str(), kHandle), 0);
}

TEST(HwndPlaceholderTest, HandleTextIsNotSearchedAgain) {
  char text[64] = "%hwnd% %hwnd%";
  EXPECT_EQ(ReplaceWindowPlaceholders(text, sizeof(text), "%hwnd%!"), 1);
  EXPECT_STREQ(text, "%hwnd%! %hwnd%!");
}

}  // namespace
