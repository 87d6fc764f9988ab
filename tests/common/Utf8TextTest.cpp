// UTF-8 told from a legacy code page's bytes, and cuts that never split a character.
#include <gtest/gtest.h>
#include <string.h>

#include "common/Utf8Text.h"

namespace {

TEST(Utf8TextTest, TellsUtf8FromOtherBytesAndCutsBeforeASplitCharacter) {
  // ö Ω € and an emoji; U+10FFFF; Windows-1252; overlong "/"; a surrogate; past U+10FFFF; cut short.
  const struct { const char *text; bool utf8; } bytes[] = {
      {"", true}, {"Zubeh\xC3\xB6r \xCE\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", true},
      {"\xF4\x8F\xBF\xBF", true}, {"Zubeh\xF6r", false}, {"\xC0\xAF", false},
      {"\xED\xA0\x80", false}, {"\xF4\x90\x80\x80", false}, {"\xCE", false}, {"\xCE\x41", false}};
  for (const auto &c : bytes) EXPECT_EQ(IsUtf8(c.text, strlen(c.text)), c.utf8) << c.text;
  // Legacy bytes are cut where asked; bytes with no lead within reach too.
  const struct { const char *text; size_t at, cut; } cuts[] = {
      {"\xCE\xA9\xCE\xBC", 1, 0}, {"\xCE\xA9\xCE\xBC", 2, 2}, {"\xCE\xA9\xCE\xBC", 3, 2},
      {"a\xE2\x82\xAC" "b", 3, 1}, {"a\xE2\x82\xAC" "b", 4, 4}, {"\xF0\x9F\x98\x80!", 3, 0},
      {"Zubeh\xF6r", 6, 6}, {"ab\xA9\xA9\xA9\xA9", 5, 5}};
  for (const auto &c : cuts) EXPECT_EQ(CharacterCut(c.text, c.at), c.cut) << c.text << " " << c.at;
}

}  // namespace
