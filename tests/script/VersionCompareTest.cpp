#include <gtest/gtest.h>

#include <string>

#include "script/VersionCompare.h"

namespace {

int Sign(int value) { return value > 0 ? 1 : (value < 0 ? -1 : 0); }

TEST(VersionCompareTest, PartsCompareAsNumbers) {
  struct Case {
    const char *installed;
    const char *script;
    int sign;
  } cases[] = {
      {"2.10", "2.9", -1},      {"1.10", "1.9", -1},   {"1.9", "1.10", 1},
      {"1.2", "1.3", 1},        {"1.2", "1.2.0", 0},   {"1.2", "1.2.3", 0},
      {"1.2.3", "1.2", 0},      {"3", "2.9", -1},      {"2.0.1", "2.0.2", 1},
      {"007.1", "7.2", 1},      {"", "", 0},           {"", "1", 1},
      {"x", "0", 0},            {" 2. 3", "2.4", 1},   {"-1", "0", 1},
      {"-2", "-10", -1},        {"-0", "0", 0},        {"1.-5", "1.-4", 1},
      {"2beta", "2.1", 0},      {".5", "0.6", 1},
  };
  for (const Case &c : cases)
    EXPECT_EQ(Sign(CompareVersionTexts(c.installed, c.script)), c.sign)
        << c.installed << " against " << c.script;
}

TEST(VersionCompareTest, LongPartsDoNotOverflow) {
  std::string big(60, '9');
  EXPECT_EQ(Sign(CompareVersionTexts(("1." + big).c_str(), ("1." + big + "0").c_str())), 1);
  EXPECT_EQ(Sign(CompareVersionTexts(("1" + big).c_str(), ("0" + big).c_str())), -1);
  EXPECT_EQ(CompareVersionTexts((big + ".1").c_str(), ("000" + big + ".1").c_str()), 0);
  // Values around the 32-bit limits, where a subtraction of parts would wrap.
  EXPECT_EQ(Sign(CompareVersionTexts("-2147483648", "2147483647")), 1);
  EXPECT_EQ(Sign(CompareVersionTexts("4294967296", "1")), -1);
  EXPECT_EQ(Sign(CompareVersionTexts("1.99999999999999999999", "1.99999999999999999998")), -1);
}

}  // namespace
