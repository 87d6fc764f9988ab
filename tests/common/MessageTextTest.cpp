// The message texts, with buffers sized to catch overruns.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "common/MessageText.h"

namespace {

TEST(WarningTextTest, NameTakesThePlaceOfTheFirstPlaceholderOnly) {
  char out[512];
  FillNamePlaceholder(out, sizeof(out), "A more recent version of %s is installed.\r\rReplace?",
                      "Tools");
  EXPECT_STREQ(out, "A more recent version of Tools is installed.\r\rReplace?");
  // Percent signs in the name or elsewhere in the text are never read as formats.
  FillNamePlaceholder(out, sizeof(out), "%d of %s, 100%s", "50%s %n");
  EXPECT_STREQ(out, "%d of 50%s %n, 100%s");
  FillNamePlaceholder(out, sizeof(out), "no placeholder", "x");
  EXPECT_STREQ(out, "no placeholder");
}

TEST(WarningTextTest, LongestFormatAndNameFitTheMessageBuffer) {
  std::string format(120, 'f');
  format += "%s";
  format += std::string(133, 'g');  // 255 characters with the placeholder
  std::string name(255, 'n');
  char out[512];
  FillNamePlaceholder(out, sizeof(out), format.c_str(), name.c_str());
  EXPECT_EQ(strlen(out), 253u + 255u);
  // A smaller buffer cuts the text and keeps it terminated.
  char tiny[8];
  memset(tiny, 'x', sizeof(tiny));
  FillNamePlaceholder(tiny, sizeof(tiny), format.c_str(), name.c_str());
  EXPECT_STREQ(tiny, "fffffff");
  // A UTF-8 name is cut before a character that does not fit whole, and nothing follows it.
  FillNamePlaceholder(tiny, sizeof(tiny), "%s!", "\xCE\xA9\xCE\xA9\xCE\xA9\xCE\xA9");
  EXPECT_STREQ(tiny, "\xCE\xA9\xCE\xA9\xCE\xA9");
}

TEST(ErrorTextTest, SystemTextAfterABlankLineAndSizedToFitWhole) {
  const char *text = "The installation did not complete successfully.";
  std::string system(5000, 's');  // the system's text has no bound
  size_t size = ErrorMessageSize(text, system.c_str());
  std::string buffer(size, '\x7f');
  ComposeErrorMessage(&buffer[0], size, text, system.c_str());
  EXPECT_EQ(std::string(buffer.c_str()), std::string(text) + "\r\n\r\n" + system);
  EXPECT_EQ(strlen(buffer.c_str()) + 1, size);

  char alone[64];
  EXPECT_EQ(ErrorMessageSize(text, nullptr), strlen(text) + 1);
  ComposeErrorMessage(alone, sizeof(alone), text, nullptr);
  EXPECT_STREQ(alone, text);
  ComposeErrorMessage(alone, sizeof(alone), text, "");
  EXPECT_STREQ(alone, text) << "an empty system text adds no blank line";
  ComposeErrorMessage(alone, 10, text, system.c_str());
  EXPECT_STREQ(alone, "The insta");
}

}  // namespace
