#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "app/CommandLine.h"
#include "common/Decimal.h"
#include "common/Globals.h"
#include "common/KeyList.h"

namespace {

class CommandLineTest : public testing::Test {
 protected:
  void SetUp() override {
    g_removeMode = 0;
    g_quiet = 0;
    g_wizardStyle = 1;
    g_languageId = 0x0409;
    memset(g_productKey, 0x5A, g_productKeySize);
    g_productKey[0] = g_productKey[1] = '\0';
  }
  static std::string FirstKey() { return g_productKey; }
  static bool KeyListEndsAfterFirst() {
    size_t n = strlen(g_productKey);
    return n + 1 < g_productKeySize && g_productKey[n + 1] == '\0';
  }
};

TEST_F(CommandLineTest, NoOptionsKeepsDefaults) {
  ParseCommandLine("");
  EXPECT_EQ(g_removeMode, 0);
  EXPECT_EQ(g_quiet, 0);
  EXPECT_EQ(g_wizardStyle, 1);
  EXPECT_EQ(g_languageId, 0x0409);
  EXPECT_EQ(FirstKey(), "");
}

TEST_F(CommandLineTest, PrefixesAndCase) {
  ParseCommandLine("/REMOVE:abc");
  EXPECT_EQ(g_removeMode, 1);
  EXPECT_EQ(FirstKey(), "abc");
  EXPECT_TRUE(KeyListEndsAfterFirst());

  ParseCommandLine("/remove:abc /install");
  EXPECT_EQ(g_removeMode, 0);
  EXPECT_EQ(FirstKey(), "abc");

  ParseCommandLine("/quietly /removeX");
  EXPECT_EQ(g_quiet, 1);
  EXPECT_EQ(g_removeMode, 1);
  EXPECT_EQ(FirstKey(), "abc") << "/removeX only selects the run";

  ParseCommandLine("/InStAlL:Tools");
  EXPECT_EQ(g_removeMode, 0);
  EXPECT_EQ(FirstKey(), "Tools");
}

TEST_F(CommandLineTest, ShortTokensMatchNothing) {
  ParseCommandLine("/qui /inst /rem /lang:sp /style");
  EXPECT_EQ(g_quiet, 0);
  EXPECT_EQ(g_removeMode, 0);
  EXPECT_EQ(g_wizardStyle, 1);
  EXPECT_EQ(g_languageId, 0x0409);
}

TEST_F(CommandLineTest, OnlySpacesSeparateTokens) {
  ParseCommandLine("/quiet\t/remove");
  EXPECT_EQ(g_quiet, 1);
  EXPECT_EQ(g_removeMode, 0) << "a tab does not separate tokens";

  ParseCommandLine("   /remove:\"a b\"   ");
  EXPECT_EQ(g_removeMode, 1);
  EXPECT_EQ(FirstKey(), "a b") << "a quoted part keeps its blanks and loses its quotes";
  ParseCommandLine("\"/remove:My App\" /quiet");
  EXPECT_EQ(FirstKey(), "My App");
}

// The options added for unattended runs; a path that does not fit is refused, never cut.
TEST_F(CommandLineTest, UnattendedOptions) {
  const struct {
    const char *line;
    const char *logPath, *targetDir, *checkPath, *fault;
    int silent, check, logInTemp, downgrade;
  } cases[] = {
      {"/silent /log:C:\\t\\a.log", "C:\\t\\a.log", "", "", nullptr, 1, 0, 0, 0},
      {"/dir:\"C:\\Program Files\\X\" /LOG:\"C:\\a b.log\"", "C:\\a b.log",
       "C:\\Program Files\\X", "", nullptr, 0, 0, 0, 0},
      {"/check", "", "", "", nullptr, 0, 1, 0, 0},
      {"/check:\"D:\\my media\\setup.inf\"", "", "", "D:\\my media\\setup.inf", nullptr, 0, 1, 0,
       0},
      {"/dir:", "", "", "", nullptr, 0, 0, 0, 0},
      // "/log" alone asks for a log in the temporary folder; the later of the two forms wins.
      {"/silent /log", "", "", "", nullptr, 1, 0, 1, 0},
      {"/log /log:a.log", "a.log", "", "", nullptr, 0, 0, 0, 0},
      {"/log:a.log /LOG", "a.log", "", "", nullptr, 0, 0, 1, 0},
      {"/quiet /Downgrade", "", "", "", nullptr, 0, 0, 0, 1},
  };
  for (const auto &c : cases) {
    g_silent = g_checkScript = g_logInTemp = g_allowDowngrade = 0;
    g_logPath[0] = g_targetDir[0] = g_checkPath[0] = '\0';
    g_commandLineFault = nullptr;
    ParseCommandLine(c.line);
    EXPECT_EQ(g_silent, c.silent) << c.line;
    EXPECT_EQ(g_checkScript, c.check) << c.line;
    EXPECT_EQ(g_logInTemp, c.logInTemp) << c.line;
    EXPECT_EQ(g_allowDowngrade, c.downgrade) << c.line;
    EXPECT_STREQ(g_logPath, c.logPath) << c.line;
    EXPECT_STREQ(g_targetDir, c.targetDir) << c.line;
    EXPECT_STREQ(g_checkPath, c.checkPath) << c.line;
    EXPECT_EQ(g_commandLineFault, c.fault) << c.line;
  }
  g_logInTemp = g_allowDowngrade = 0;
  g_commandLineFault = nullptr;
  ParseCommandLine(("/dir:C:\\" + std::string(kTargetDirSize, 'd')).c_str());
  EXPECT_STREQ(g_commandLineFault, "/dir:");
  EXPECT_STREQ(g_targetDir, "");
  g_commandLineFault = nullptr;
}

// "/install:" takes a comma-separated list; "/remove:" one key, commas and all.
TEST_F(CommandLineTest, InstallKeyLists) {
  ParseCommandLine("/install:A,\"My App\",,B");
  EXPECT_EQ(ListCount(g_productKey), 3);
  EXPECT_STREQ(g_productKey, "A");
  EXPECT_STREQ(ListNext(g_productKey), "My App");
  EXPECT_STREQ(ListNext(ListNext(g_productKey)), "B");
  ParseCommandLine("/remove:A,B");
  EXPECT_EQ(FirstKey(), "A,B");
  EXPECT_TRUE(KeyListEndsAfterFirst());

  g_commandLineFault = nullptr;
  ParseCommandLine(("/install:A," + std::string(kKeyListSize, 'k')).c_str());
  EXPECT_STREQ(g_commandLineFault, "/install:") << "a list that does not fit is refused whole";
  EXPECT_EQ(FirstKey(), "");
  g_commandLineFault = nullptr;
}

TEST_F(CommandLineTest, LaterTokensWin) {
  ParseCommandLine("/install:one /remove:two /lang:ger /lang:fre /style:2 /style:0");
  EXPECT_EQ(g_removeMode, 1);
  EXPECT_EQ(FirstKey(), "two");
  EXPECT_EQ(g_languageId, 0x040C);
  EXPECT_EQ(g_wizardStyle, 0);
}

TEST_F(CommandLineTest, EmptyKeysLeaveAnEmptyList) {
  ParseCommandLine("/install:first /install:");
  EXPECT_EQ(FirstKey(), "");
  EXPECT_EQ(g_removeMode, 0);
  ParseCommandLine("/remove:first /remove:");
  EXPECT_EQ(FirstKey(), "");
  EXPECT_EQ(g_removeMode, 1);
}

TEST_F(CommandLineTest, StyleValuesReadAsAtolReadsThem) {
  const struct {
    const char *line;
    int style;
  } cases[] = {{"/style:2", 2},      {"/style:", 0},      {"/style:x", 0},
               {"/style:-3", -3},    {"/style:+1", 1},    {"/style:\t2", 2},
               {"/style:12abc", 12}, {"/STYLE:1", 1},     {"/style:99999999999", 2147483647},
               {"/style:-99999999999", -2147483647 - 1}};
  for (const auto &c : cases) {
    g_wizardStyle = 7;
    ParseCommandLine(c.line);
    EXPECT_EQ(g_wizardStyle, c.style) << c.line;
  }
}

TEST_F(CommandLineTest, EveryLanguageCode) {
  const struct {
    const char *line;
    unsigned short language;
  } cases[] = {{"/lang:eng", 0x0409}, {"/lang:ger", 0x0407}, {"/lang:fre", 0x040C},
               {"/lang:ita", 0x0410}, {"/lang:spa", 0x000A}, {"/lang:dut", 0x0413},
               {"/LANG:SPA", 0x000A}, {"/lang:english", 0x0409}};
  for (const auto &c : cases) {
    g_languageId = 1;
    ParseCommandLine(c.line);
    EXPECT_EQ(g_languageId, c.language) << c.line;
  }
  g_languageId = 0x0407;
  ParseCommandLine("/lang:dan /lang:fin /lang:nor /lang:");
  EXPECT_EQ(g_languageId, 0x0407) << "no option for Danish, Finnish or Norwegian";
}

// A key longer than the list holds is cut to 1022 characters, still followed by two NULs,
// and nothing past the list is written.
TEST_F(CommandLineTest, OverlongKeyIsCutInsideTheList) {
  std::string key(5000, 'k');
  key[1021] = 'L';  // the last character that fits
  std::string line = "/remove:" + key + " /quiet";
  ParseCommandLine(line.c_str());
  EXPECT_EQ(g_removeMode, 1);
  EXPECT_EQ(g_quiet, 1);
  ASSERT_EQ(strlen(g_productKey), static_cast<size_t>(kKeyListSize - 2));
  EXPECT_EQ(g_productKey[1021], 'L');
  EXPECT_EQ(g_productKey[1022], '\0');
  EXPECT_EQ(g_productKey[1023], '\0');

  std::string exact(1022, 'e');
  ParseCommandLine(("/install:" + exact).c_str());
  EXPECT_EQ(std::string(g_productKey), exact);
}

TEST(ReadDecimalTest, StopsAtTheGivenLength) {
  EXPECT_EQ(ReadDecimal("12345", 2), 12);
  EXPECT_EQ(ReadDecimal("  -7", 4), -7);
  EXPECT_EQ(ReadDecimal("-", 1), 0);
  EXPECT_EQ(ReadDecimal("9", 0), 0);
}

}  // namespace
