// File lines of script lines, as the Setup API counts a section's lines (the cases below were
// read back through the Setup API under Wine).
#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "check/ScriptLines.h"

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

TEST(ScriptLinesTest, StaysInsideTheTextItIsGiven) {
  // The text ends at its length, whatever follows in memory.
  EXPECT_EQ(FindScriptLine("[A]\nk = 1\n", 3, "A", kSectionHeader), 1);
  EXPECT_EQ(FindScriptLine("[A]\nk = 1\n", 3, "A", 0), 0);
  EXPECT_EQ(FindScriptLine("[A]\nk = \\", 9, "A", 0), 2);
  EXPECT_EQ(FindScriptLine("", 0, "A", kSectionHeader), 0);
}

}  // namespace
