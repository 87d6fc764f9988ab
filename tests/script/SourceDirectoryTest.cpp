// Directory id 1 written out as the media folder in a converted copy of a script, read as the
// Setup API reads references: everything else, and every line, stays.
#include <gtest/gtest.h>

#include <string>

#include "script/SourceDirectory.h"

namespace {

std::u16string Written(const std::u16string &text, const std::u16string &folder) {
  std::u16string out(WriteSourceDirectory(text.data(), text.size(), folder.c_str(), nullptr), 0);
  EXPECT_EQ(WriteSourceDirectory(text.data(), text.size(), folder.c_str(), &out[0]), out.size());
  return out;
}

TEST(SourceDirectoryTest, WritesOutDirectoryIdOneOnly) {
  const struct { const char16_t *text, *written; } cases[] = {
      {u"a = %1%\\x.txt\r\n", u"a = \"D:\\Μέσα\"\\x.txt\r\n"},
      {u"a = \"%01%\\x y\"\r\n", u"a = \"D:\\Μέσα\\x y\"\r\n"},  // inside quotes: none added
      {u"a = %%1%%, %11%, %1x%, %a%1%\n", u"a = %%1%%, %11%, %1x%, %a%1%\n"},
      {u"a = 100%\nb = %1%", u"a = 100%\nb = \"D:\\Μέσα\""},     // a lone percent sign
      {u"; %1%\na = x ; %1%\nb = \";\" %1%", u"; %1%\na = x ; %1%\nb = \";\" \"D:\\Μέσα\""},
  };
  for (const auto &c : cases) EXPECT_EQ(Written(c.text, u"D:\\Μέσα"), c.written);
  EXPECT_EQ(Written(u"a = %1%", u"C:\\100% \"x\""), u"a = \"C:\\100%% \"\"x\"\"\"");
}

}  // namespace
