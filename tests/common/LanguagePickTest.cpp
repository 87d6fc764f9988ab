#include <gtest/gtest.h>

#include "common/LanguagePick.h"

namespace {

// The nine carried languages in the order the resource directory lists them.
const unsigned short kCarried[] = {6, 10, 11, 20, 1031, 1033, 1036, 1040, 1043, 0};

TEST(LanguagePickTest, EveryRowOfTheTable) {
  const struct {
    unsigned short user;
    unsigned short chosen;
  } rows[] = {
      {0x0407, 1031}, {0x0807, 1031}, {0x0C0A, 10},   {0x040A, 10},   {0x0414, 20},
      {0x0814, 20},   {0x0406, 6},    {0x040B, 11},   {0x0809, 1033}, {0x0813, 1043},
      {0x080C, 1036}, {0x0810, 1040}, {0x041D, 1033}, {0x0409, 1033}, {0x0413, 1043},
  };
  for (const auto &row : rows)
    EXPECT_EQ(PickUiLanguage(row.user, kCarried), row.chosen) << std::hex << row.user;
}

TEST(LanguagePickTest, ExactMatchBeatsAnEarlierPrimaryMatch) {
  const unsigned short list[] = {0x0807, 0x0407, 0};
  EXPECT_EQ(PickUiLanguage(0x0407, list), 0x0407);
  EXPECT_EQ(PickUiLanguage(0x0C07, list), 0x0807) << "first primary match in list order";
}

TEST(LanguagePickTest, NoMatchGivesEnglishEvenWhenNotCarried) {
  const unsigned short list[] = {0x0407, 0};
  EXPECT_EQ(PickUiLanguage(0x041D, list), 0x0409);
  const unsigned short empty[] = {0};
  EXPECT_EQ(PickUiLanguage(0x0407, empty), 0x0409);
}

TEST(LanguagePickTest, LocaleTextsReadAsHex) {
  EXPECT_EQ(ParseLocaleText("00000407"), 0x0407);
  EXPECT_EQ(ParseLocaleText("0000040c"), 0x040C);
  EXPECT_EQ(ParseLocaleText("0000040C"), 0x040C);
  EXPECT_EQ(ParseLocaleText("  414"), 0x0414);
  EXPECT_EQ(ParseLocaleText("407x9"), 0x0407);
  EXPECT_EQ(ParseLocaleText("12340809"), 0x0809) << "low 16 bits";
  EXPECT_EQ(ParseLocaleText("zz"), 0);
}

}  // namespace
