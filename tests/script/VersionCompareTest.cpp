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

TEST(VersionCompareTest, MajorAndMinorNumbers) {
  const struct {
    const char *text;
    uint32_t major, minor;
  } cases[] = {
      {"2.10.1", 2, 10}, {"3", 3, 0},       {"", 0, 0},           {"007.08", 7, 8},
      {"2beta.5", 2, 0}, {".5", 0, 5},      {"-1.2", 0, 2},       {" 4. 6", 4, 6},
      {"4294967295.1", 4294967295u, 1},     {"99999999999.4294967296", 4294967295u, 4294967295u},
  };
  for (const auto &c : cases) {
    uint32_t major = 1, minor = 1;
    ReadVersionNumbers(c.text, &major, &minor);
    EXPECT_EQ(major, c.major) << c.text;
    EXPECT_EQ(minor, c.minor) << c.text;
  }
}

}  // namespace
