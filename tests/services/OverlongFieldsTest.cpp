// Service setting lines whose fields do not fit their 256-byte buffers: a group that does not
// fit counts as missing and leaves the system's list alone; an anchor that does not fit is
// no anchor; a dependency name that does not fit ends the list there without overrunning it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/GroupOrder.h"
#include "services/ServiceSections.h"
#include "services/ServiceTestSupport.h"

namespace {

std::string PackedGroups(const std::vector<std::string> &groups) {
  std::string bytes;
  for (const std::string &g : groups) bytes += g + '\0';
  return bytes + '\0';
}

TEST(OverlongServiceFieldsTest, GroupOrderFieldsThatDoNotFit) {
  SavedGroupOrder saved;
  std::string group(256, 'g');  // with its NUL one byte more than the buffer
  std::string anchor = "-" + std::string(255, 'Q');
  TestScript script("[LongGroup]\r\nServiceGroupOrder=" + group + ",-Q\r\n"
                    "[LongAnchor]\r\nServiceGroupOrder=G," + anchor + "\r\n"
                    "[LongestGroup]\r\nServiceGroupOrder=" + group.substr(1) + ",-Q\r\n");
  ASSERT_NE(script.inf(), INVALID_HANDLE_VALUE);
  WriteGroupOrderList(PackedGroups({"P", "Q", "R"}));

  EXPECT_EQ(ApplyServiceGroupOrder(script.inf(), "LongGroup"), 0);
  EXPECT_EQ(ReadGroupOrderList(), "P,Q,R");
  // Without its anchor the group goes to the front, as for an anchor that is not listed.
  EXPECT_EQ(ApplyServiceGroupOrder(script.inf(), "LongAnchor"), 1);
  EXPECT_EQ(ReadGroupOrderList(), "G,P,Q,R");
  EXPECT_EQ(ApplyServiceGroupOrder(script.inf(), "LongestGroup"), 1);
  EXPECT_EQ(ReadGroupOrderList(), "G,P,Q," + group.substr(1) + ",R");
}

TEST(OverlongServiceFieldsTest, DependencyNameThatDoesNotFitEndsTheList) {
  std::string longest(255, 'd');
  TestScript script("[Deps]\r\nDependencies=A," + longest + "," + longest + "x,B\r\n");
  ASSERT_NE(script.inf(), INVALID_HANDLE_VALUE);
  size_t needed = ReadServiceDependencies(script.inf(), "Deps", nullptr, 0);
  std::string expected = "A" + std::string(1, '\0') + longest + std::string(2, '\0');
  ASSERT_EQ(needed, expected.size());
  // Exactly the bytes asked for, and guard bytes behind them.
  std::vector<char> list(needed + 16, 'x');
  EXPECT_EQ(ReadServiceDependencies(script.inf(), "Deps", list.data(), needed), needed);
  EXPECT_EQ(std::string(list.data(), needed), expected);
  EXPECT_EQ(std::string(list.data() + needed, 16), std::string(16, 'x'));
  // One byte short: nothing is written.
  std::vector<char> small(needed - 1 + 16, 'y');
  EXPECT_EQ(ReadServiceDependencies(script.inf(), "Deps", small.data(), needed - 1), needed);
  EXPECT_EQ(std::string(small.data(), small.size()), std::string(small.size(), 'y'));
}

}  // namespace
