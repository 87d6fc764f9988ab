// File lines of script lines, as the Setup API counts a section's lines (the cases below were
// read back through the Setup API under Wine).
#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "script/ScriptLines.h"

namespace {

const char kScript[] =
    "[Version]\r\n"                           // 1
    "Signature=\"$Chicago$\"\r\n"             // 2
    "\r\n"                                    // 3
    "; a comment\r\n"                         // 4
    "  [a]  ; header with a comment\r\n"      // 5
    "k1 = x, y ; comment\r\n"                 // 6  a 0
    "   \t\r\n"                               // 7
    "  ; indented comment\r\n"                // 8
    "k2 = x, \\\r\n"                          // 9  a 1, goes on
    "   y\r\n"                                // 10
    "\"\"\r\n"                                // 11 a 2: an empty field is a line
    "k3 = \"x;y\", \\ ; comment\r\n"          // 12 a 3, goes on past the comment
    "  z\r\n"                                 // 13
    "k4 = \"a\\\"\r\n"                        // 14 a 4: a quoted backslash does not go on
    "k5 = a \\\r\n"                           // 15 a 5: goes on into a blank line only
    "\r\n"                                    // 16
    "k6 = b, \\\n"                            // 17 a 6: goes on into the header text
    "[B]\n"                                   // 18
    "k7 = c\n"                                // 19 a 7
    "[b]\n"                                   // 20
    "b1 = 1\n"                                // 21 b 0
    "[A]\n"                                   // 22 a again: one section
    "k8 = \\\n"                               // 23 a 8, goes on
    "; a comment ends it\n"                   // 24
    "k9 = d";                                 // 25 a 9, no line end

TEST(ScriptLinesTest, CountsLinesAsTheSetupApiDoes) {
  struct Case {
    const char *section;
    int index;
    int line;
  } cases[] = {
      {"A", kSectionHeader, 5}, {"a", 0, 6},  {"A", 1, 9},  {"A", 2, 11}, {"A", 3, 12},
      {"A", 4, 14},            {"A", 5, 15}, {"A", 6, 17}, {"A", 7, 19}, {"A", 8, 23},
      {"A", 9, 25},            {"A", 10, 0}, {"B", kSectionHeader, 20},    {"B", 0, 21},
      {"Version", 0, 2},       {"Missing", 0, 0}, {"Missing", kSectionHeader, 0},
      {"Versio", 0, 0},
  };
  for (const Case &c : cases)
    EXPECT_EQ(FindScriptLine(kScript, strlen(kScript), c.section, c.index), c.line)
        << "[" << c.section << "] line " << c.index;
}

TEST(ScriptLinesTest, NamesTheHeadersTheSetupApiSees) {
  // "[B]" on line 18 continues line 17 and is no header.
  std::string names;
  ForEachSectionName(kScript, strlen(kScript), [](const char *name, size_t length, void *all) {
    *static_cast<std::string *>(all) += std::string(name, length) + "|";
  }, &names);
  EXPECT_EQ(names, "Version|a|b|A|");
}

// Fields as the Setup API reads them, taken from the text itself; each line stands alone.
TEST(ScriptLinesTest, ReadsAFieldAsItStands) {
  struct Case {
    const char *line;
    unsigned field;
    long length;  // -1: no such field
    const char *text;
    bool percent;
  } cases[] = {
      {"k = one, \"two, three\" , four", 0, 1, "k", false},
      {"k = one, \"two, three\" , four", 2, 10, "two, three", false},
      {"k = one, \"two, three\" , four", 3, 4, "four", false},
      {"k = one, \"two, three\" , four", 4, -1, "", false},
      {"one, two", 2, 3, "two", false},                      // no key: the first value is 1
      {"k = \"a \"\"quoted\"\" word\"", 1, 15, "a \"quoted\" word", false},
      {"k = -\"Extended Base\"  ; note", 1, 14, "-Extended Base", false},
      {"k = \"  kept  \"  , x", 1, 8, "  kept  ", false},
      {"k = a \"=\" b = c", 1, 9, "a = b = c", false},
      {"k = first \\ ; goes on\r\n   second, x", 1, 12, "first second", false},
      {"k = 100%%, %name%", 2, 6, "%name%", true},
      {"k = , x", 1, 0, "", false},
      {"k = x\r\nnext = y", 2, -1, "", false},
  };
  for (const Case &c : cases) {
    char buffer[64];
    bool percent = true;
    EXPECT_EQ(ScriptLineField(c.line, c.line + strlen(c.line), c.field, buffer, sizeof(buffer),
                              &percent),
              c.length)
        << c.line << " field " << c.field;
    EXPECT_STREQ(buffer, c.text) << c.line << " field " << c.field;
    EXPECT_EQ(percent, c.percent) << c.line << " field " << c.field;
  }
  // A field longer than the buffer gives its whole length and what fits.
  char small[4];
  bool percent;
  const char line[] = "k = abcdefgh";
  EXPECT_EQ(ScriptLineField(line, line + sizeof(line) - 1, 1, small, sizeof(small), &percent), 8);
  EXPECT_STREQ(small, "abc");
  // The line that the Setup API calls line 3 of [A] begins where the text holds it.
  EXPECT_EQ(FindScriptLineText(kScript, strlen(kScript), "a", 3), strstr(kScript, "k3 = "));
}

TEST(ScriptLinesTest, StaysInsideTheTextItIsGiven) {
  // The text ends at its length, whatever follows in memory.
  EXPECT_EQ(FindScriptLine("[A]\nk = 1\n", 3, "A", kSectionHeader), 1);
  EXPECT_EQ(FindScriptLine("[A]\nk = 1\n", 3, "A", 0), 0);
  EXPECT_EQ(FindScriptLine("[A]\nk = \\", 9, "A", 0), 2);
  EXPECT_EQ(FindScriptLine("", 0, "A", kSectionHeader), 0);
}

}  // namespace
