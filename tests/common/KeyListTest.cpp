#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "common/KeyList.h"

namespace {

std::string Joined(const char *list) {
  std::string out;
  for (const char *p = list; *p; p = ListNext(p)) out += std::string(p) + "|";
  return out;
}

TEST(KeyListTest, AppendCountAndWalk) {
  char list[32];
  memset(list, 'x', sizeof(list));
  ListClear(list, sizeof(list));
  EXPECT_EQ(ListCount(list), 0);
  EXPECT_EQ(ListEnd(list), 0u);
  EXPECT_EQ(ListAppend(list, sizeof(list), "Install", 0), 1);
  EXPECT_EQ(ListAppend(list, sizeof(list), "Tools", 0), 1);
  EXPECT_EQ(Joined(list), "Install|Tools|");
  EXPECT_EQ(ListCount(list), 2);
  EXPECT_EQ(ListEnd(list), 14u);
  EXPECT_EQ(list[14], '\0');
}

TEST(KeyListTest, RefusesWhatDoesNotFitAndKeepsTheList) {
  char guard[40];
  memset(guard, 'G', sizeof(guard));
  char *list = guard + 4;  // 32 usable bytes, guards on both sides
  const size_t size = 32;
  ListClear(list, size);
  EXPECT_EQ(ListAppend(list, size, std::string(28, 'a').c_str(), 0), 1);  // 28 + NUL + NUL = 30
  EXPECT_EQ(ListAppend(list, size, "b", 0), 1);                           // 30 + 2 = 32 exactly
  EXPECT_EQ(ListAppend(list, size, "c", 0), 0);
  EXPECT_EQ(ListCount(list), 2);
  EXPECT_EQ(list[31], '\0');
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(guard[i], 'G');
    EXPECT_EQ(guard[36 + i], 'G');
  }
}

TEST(KeyListTest, MaximumEntryLengthAndEmptyEntries) {
  char list[1024];
  ListClear(list, sizeof(list));
  EXPECT_EQ(ListAppend(list, sizeof(list), std::string(128, 's').c_str(), 128), 0);
  EXPECT_EQ(ListAppend(list, sizeof(list), std::string(127, 's').c_str(), 128), 1);
  EXPECT_EQ(ListAppend(list, sizeof(list), "", 128), 0) << "an empty entry would end the list";
  EXPECT_EQ(ListCount(list), 1);
}

TEST(KeyListTest, SetSingleCutsToTheBuffer) {
  char list[8];
  ListSetSingle(list, sizeof(list), "abcdefghij", 10);
  EXPECT_STREQ(list, "abcdef");
  EXPECT_EQ(list[7], '\0');
  ListSetSingle(list, sizeof(list), "xyz", 0);
  EXPECT_EQ(ListCount(list), 0);
  ListSetSingle(list, sizeof(list), "xyz", 2);
  EXPECT_EQ(Joined(list), "xy|");
}

}  // namespace
