// Choice of the Install, Remove and Products sections on each emulated platform.
#include <gtest/gtest.h>

#include <string>

#include "common/Globals.h"
#include "script/SetupScript.h"
#include "support/TestSupport.h"

namespace {

void Select(const TestScript &script) {
  ASSERT_NE(script.inf(), INVALID_HANDLE_VALUE);
  g_installSection = g_removeSection = g_productsSection = nullptr;
  SelectPlatformSections(script.inf());
  ASSERT_TRUE(g_installSection && g_removeSection && g_productsSection);
}

TEST(SetupScriptTest, MostSpecificSectionOfThePlatform) {
  TestScript script(
      "[Install.Win]\r\na=1\r\n[Install.NT5]\r\na=1\r\n[Install.NTx86]\r\na=1\r\n"
      "[Install.NT]\r\na=1\r\n[Install]\r\na=1\r\n");
  Select(script);
  std::string chosen = g_installSection;
  if (EmulatesWin9x())
    EXPECT_EQ(chosen, "Install.Win");
  else if (EmulatesNt4())
    EXPECT_EQ(chosen, "Install.NTx86");
  else
    EXPECT_EQ(chosen, "Install.NT5");
}

TEST(SetupScriptTest, EmptySectionsCountAsMissing) {
  TestScript script(
      "[Products.Win]\r\n[Products.NT5]\r\n[Products.NTx86]\r\n[Products.NT]\r\nx=1\r\n"
      "[Products]\r\nx=1\r\n");
  Select(script);
  EXPECT_EQ(std::string(g_productsSection), EmulatesWin9x() ? "Products" : "Products.NT");
}

TEST(SetupScriptTest, FamiliesAreChosenIndependently) {
  TestScript script(
      "[Install.NT5]\r\na=1\r\n[Install.Win]\r\na=1\r\n[Remove.NTx86]\r\nb=1\r\n"
      "[Products]\r\nP=Name,Sec\r\n");
  Select(script);
  if (EmulatesWin9x()) {
    EXPECT_STREQ(g_installSection, "Install.Win");
    EXPECT_STREQ(g_removeSection, "Remove");
  } else {
    EXPECT_STREQ(g_installSection, EmulatesNt4() ? "Install" : "Install.NT5");
    EXPECT_STREQ(g_removeSection, "Remove.NTx86");
  }
  EXPECT_STREQ(g_productsSection, "Products");
}

TEST(SetupScriptTest, NtOnlyScriptOn9xEndsWithBareNames) {
  TestScript script("[Install.NT]\r\na=1\r\n[Products.NT]\r\nP=Name,Sec\r\n");
  Select(script);
  if (EmulatesWin9x()) {
    EXPECT_STREQ(g_installSection, "Install");
    EXPECT_STREQ(g_productsSection, "Products");
    EXPECT_FALSE(IsSectionPresent(script.inf(), g_productsSection));
  } else {
    EXPECT_STREQ(g_installSection, "Install.NT");
    EXPECT_STREQ(g_productsSection, "Products.NT");
  }
  EXPECT_STREQ(g_removeSection, "Remove") << "the bare name is taken without a test";
}

TEST(SetupScriptTest, SectionNamesIgnoreCase) {
  TestScript script("[install.nt5]\r\na=1\r\n[INSTALL.NTX86]\r\na=1\r\n");
  Select(script);
  if (EmulatesWin9x())
    EXPECT_STREQ(g_installSection, "Install");
  else
    EXPECT_STREQ(g_installSection, EmulatesNt4() ? "Install.NTx86" : "Install.NT5");
}

}  // namespace
