// Multi-string helpers and the placement of a group in the group order list.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "common/KeyList.h"
#include "services/GroupPlacement.h"
#include "services/MultiSz.h"

namespace {

// A multi-string buffer of a given capacity, with guard bytes on both sides to catch overruns.
class ListBuffer {
 public:
  explicit ListBuffer(size_t capacity, const std::vector<std::string> &entries = {})
      : bytes_(capacity + 2 * kGuard, 'G'), capacity_(capacity) {
    std::string packed;
    for (const std::string &e : entries) packed += e + '\0';
    packed += '\0';
    if (entries.empty()) packed += '\0';
    EXPECT_LE(packed.size(), capacity);
    memcpy(list(), packed.data(), packed.size());
  }
  char *list() { return &bytes_[kGuard]; }
  size_t capacity() const { return capacity_; }
  bool GuardsIntact() const {
    for (size_t i = 0; i < kGuard; ++i)
      if (bytes_[i] != 'G' || bytes_[kGuard + capacity_ + i] != 'G') return false;
    return true;
  }

 private:
  static constexpr size_t kGuard = 8;
  std::vector<char> bytes_;
  size_t capacity_;
};

std::string Joined(const char *list) {
  std::string out;
  for (int i = 0; MultiSzNth(list, i); ++i) out += std::string(i ? "," : "") + MultiSzNth(list, i);
  return out;
}

// The group order list "P, Q, R" after placing group G with the given anchor.
std::string PlacedInPQR(const char *group, const char *anchor,
                        std::vector<std::string> entries = {"P", "Q", "R"}) {
  ListBuffer buffer(64, entries);
  EXPECT_EQ(PlaceGroupInList(buffer.list(), buffer.capacity(), group, anchor), 1);
  EXPECT_TRUE(buffer.GuardsIntact());
  return Joined(buffer.list());
}

TEST(MultiSzTest, WalksEmptyAndFilledLists) {
  ListBuffer empty(16);
  EXPECT_EQ(ListCount(empty.list()), 0);
  EXPECT_EQ(MultiSzNth(empty.list(), 0), nullptr);
  EXPECT_EQ(MultiSzFind(empty.list(), ""), -1);
  EXPECT_EQ(MultiSzSize(empty.list()), 2u);

  ListBuffer pqr(32, {"Pa", "Q", "Rrr"});
  EXPECT_EQ(ListCount(pqr.list()), 3);
  EXPECT_STREQ(MultiSzNth(pqr.list(), 2), "Rrr");
  EXPECT_EQ(MultiSzNth(pqr.list(), 3), nullptr);
  EXPECT_EQ(MultiSzNth(pqr.list(), -1), nullptr);
  EXPECT_EQ(MultiSzFind(pqr.list(), "Q"), 1);
  EXPECT_EQ(MultiSzFind(pqr.list(), "q"), -1);   // case-sensitive
  EXPECT_EQ(MultiSzFind(pqr.list(), "P"), -1);   // whole text only
  EXPECT_EQ(MultiSzFind(pqr.list(), ""), -1);    // the final empty entry is no entry
  EXPECT_EQ(MultiSzSize(pqr.list()), 10u);       // "Pa\0Q\0Rrr\0\0"
}

TEST(MultiSzTest, RemoveMovesTheRestOver) {
  for (int n = 0; n < 3; ++n) {
    ListBuffer buffer(32, {"P", "Qq", "R"});
    EXPECT_EQ(MultiSzRemove(buffer.list(), n), 1);
    const char *expected[] = {"Qq,R", "P,R", "P,Qq"};
    EXPECT_EQ(Joined(buffer.list()), expected[n]);
  }
  ListBuffer buffer(32, {"P"});
  EXPECT_EQ(MultiSzRemove(buffer.list(), 1), 0);
  EXPECT_EQ(MultiSzRemove(buffer.list(), -1), 0);
  EXPECT_EQ(MultiSzRemove(buffer.list(), 0), 1);
  EXPECT_EQ(ListCount(buffer.list()), 0);
  EXPECT_EQ(MultiSzRemove(buffer.list(), 0), 0);
  EXPECT_EQ(MultiSzSize(buffer.list()), 2u);
}

TEST(MultiSzTest, InsertAtEveryPosition) {
  const char *expected[] = {"G,P,Q", "P,G,Q", "P,Q,G", "P,Q,G", "P,Q,G"};
  const int positions[] = {0, 1, 2, 7, -1};
  for (int i = 0; i < 5; ++i) {
    ListBuffer buffer(32, {"P", "Q"});
    EXPECT_EQ(MultiSzInsert(buffer.list(), buffer.capacity(), "G", positions[i]), 1);
    EXPECT_EQ(Joined(buffer.list()), expected[i]) << positions[i];
    EXPECT_EQ(MultiSzSize(buffer.list()), 7u);
  }
  ListBuffer empty(8);
  EXPECT_EQ(MultiSzInsert(empty.list(), empty.capacity(), "Grp", 0), 1);
  EXPECT_EQ(Joined(empty.list()), "Grp");
  EXPECT_EQ(MultiSzSize(empty.list()), 5u);
  EXPECT_EQ(empty.list()[4], '\0');
}

TEST(MultiSzTest, InsertRefusesWhatDoesNotFitOrWouldEndTheList) {
  // "P\0Q\0\0" is 5 bytes; "Gg\0" makes 8.
  ListBuffer exact(8, {"P", "Q"});
  EXPECT_EQ(MultiSzInsert(exact.list(), exact.capacity(), "Gg", 1), 1);
  EXPECT_EQ(Joined(exact.list()), "P,Gg,Q");
  EXPECT_TRUE(exact.GuardsIntact());

  ListBuffer small(7, {"P", "Q"});
  EXPECT_EQ(MultiSzInsert(small.list(), small.capacity(), "Gg", 0), 0);
  EXPECT_EQ(Joined(small.list()), "P,Q");
  EXPECT_TRUE(small.GuardsIntact());

  ListBuffer buffer(16, {"P", "Q"});
  EXPECT_EQ(MultiSzInsert(buffer.list(), buffer.capacity(), "", 0), 0);
  EXPECT_EQ(Joined(buffer.list()), "P,Q");
}

TEST(MultiSzTest, StoredBytesBecomeAWellFormedList) {
  struct Case {
    std::string stored;
    const char *joined;
    size_t size;
  } cases[] = {
      {std::string("P\0Q\0\0", 5), "P,Q", 5},
      {std::string("P\0Q\0", 4), "P,Q", 5},            // final NUL missing
      {std::string("P\0Q", 3), "P,Q", 5},              // last entry not ended (REG_SZ-like)
      {std::string("\0P\0\0Q\0\0", 7), "P,Q", 5},      // empty entries hid the groups after them
      {std::string("", 0), "", 2},
      {std::string("\0", 1), "", 2},
  };
  for (const Case &c : cases) {
    std::vector<char> buffer(c.stored.size() + 2 + 4, 'x');
    memcpy(buffer.data(), c.stored.data(), c.stored.size());
    EXPECT_EQ(MultiSzFromBytes(buffer.data(), c.stored.size(), c.stored.size() + 2), c.size);
    EXPECT_EQ(Joined(buffer.data()), c.joined);
    EXPECT_EQ(buffer[c.stored.size() + 2], 'x');
  }
  char tooSmall[4] = {'P', '\0', 'Q', '\0'};
  EXPECT_EQ(MultiSzFromBytes(tooSmall, 4, sizeof(tooSmall)), 0u);
}

TEST(GroupPlacementTest, AnchorBeforeAndAfter) {
  EXPECT_EQ(PlacedInPQR("G", "Q"), "P,G,Q,R");
  EXPECT_EQ(PlacedInPQR("G", "+Q"), "P,G,Q,R");
  EXPECT_EQ(PlacedInPQR("G", "-Q"), "P,Q,G,R");
  EXPECT_EQ(PlacedInPQR("G", "P"), "G,P,Q,R");
  EXPECT_EQ(PlacedInPQR("G", "-P"), "P,G,Q,R");
  EXPECT_EQ(PlacedInPQR("G", "+R"), "P,Q,G,R");
  EXPECT_EQ(PlacedInPQR("G", "-R"), "P,Q,R,G");
}

TEST(GroupPlacementTest, MissingOrEmptyAnchorGoesToAnEnd) {
  EXPECT_EQ(PlacedInPQR("G", "X"), "G,P,Q,R");
  EXPECT_EQ(PlacedInPQR("G", "+X"), "G,P,Q,R");
  EXPECT_EQ(PlacedInPQR("G", "-X"), "P,Q,R,G");
  EXPECT_EQ(PlacedInPQR("G", ""), "G,P,Q,R");
  EXPECT_EQ(PlacedInPQR("G", "+"), "G,P,Q,R");
  EXPECT_EQ(PlacedInPQR("G", "-"), "P,Q,R,G");
  // Only one prefix character is taken off.
  EXPECT_EQ(PlacedInPQR("G", "--Q"), "P,Q,R,G");
  EXPECT_EQ(PlacedInPQR("G", "-Q", {}), "G");
  EXPECT_EQ(PlacedInPQR("G", "Q", {}), "G");
}

TEST(GroupPlacementTest, NamesAreComparedExactly) {
  EXPECT_EQ(PlacedInPQR("G", "-q"), "P,Q,R,G");
  EXPECT_EQ(PlacedInPQR("G", "q"), "G,P,Q,R");
  EXPECT_EQ(PlacedInPQR("G", "-Q ", {"P", "Q", "R"}), "P,Q,R,G");
  EXPECT_EQ(PlacedInPQR("g", "-Q", {"P", "G", "Q"}), "P,G,Q,g");  // g is another group than G
}

TEST(GroupPlacementTest, PresentGroupEndsUpOnceAtItsNewPlace) {
  EXPECT_EQ(PlacedInPQR("G", "-Q", {"P", "G", "Q"}), "P,Q,G");
  EXPECT_EQ(PlacedInPQR("G", "P", {"P", "Q", "G"}), "G,P,Q");
  EXPECT_EQ(PlacedInPQR("G", "X", {"P", "G", "Q"}), "G,P,Q");
  // An anchor naming the group itself is not found once the group is out.
  EXPECT_EQ(PlacedInPQR("G", "G", {"P", "G", "Q"}), "G,P,Q");
  EXPECT_EQ(PlacedInPQR("G", "+G", {"P", "G", "Q"}), "G,P,Q");
  EXPECT_EQ(PlacedInPQR("G", "-G", {"P", "G", "Q"}), "P,Q,G");
}

TEST(GroupPlacementTest, RefusalLeavesTheListAlone) {
  ListBuffer buffer(16, {"P", "Q"});
  EXPECT_EQ(PlaceGroupInList(buffer.list(), buffer.capacity(), "", "-P"), 0);
  EXPECT_EQ(Joined(buffer.list()), "P,Q");

  ListBuffer full(8, {"P", "Q"});  // 5 bytes used, "Ggg\0" would need 9
  EXPECT_EQ(PlaceGroupInList(full.list(), full.capacity(), "Ggg", "-P"), 0);
  EXPECT_EQ(Joined(full.list()), "P,Q");
  EXPECT_TRUE(full.GuardsIntact());

  // Moving a group that is already there never needs more room.
  ListBuffer exact(9, {"P", "Ggg", "Q"});
  EXPECT_EQ(PlaceGroupInList(exact.list(), exact.capacity(), "Ggg", "-Q"), 1);
  EXPECT_EQ(Joined(exact.list()), "P,Q,Ggg");
  EXPECT_TRUE(exact.GuardsIntact());
}

TEST(GroupPlacementTest, LongStoredListKeepsEveryGroupInOrder) {
  // About 4 KiB of stored groups, as read from the registry into a buffer sized for them.
  std::string stored;
  std::vector<std::string> groups;
  for (int i = 0; stored.size() < 4096; ++i) {
    groups.push_back("Group number " + std::to_string(i));
    stored += groups.back() + '\0';
  }
  stored += '\0';
  const std::string group = "New group";
  size_t capacity = GroupListCapacity(stored.size(), group.size());
  std::vector<char> bytes(capacity + 8, 'G');
  memcpy(bytes.data(), stored.data(), stored.size());
  ASSERT_EQ(MultiSzFromBytes(bytes.data(), stored.size(), capacity), stored.size());
  ASSERT_EQ(PlaceGroupInList(bytes.data(), capacity, group.c_str(), "-Group number 7"), 1);

  std::vector<std::string> expected = groups;
  expected.insert(expected.begin() + 8, group);
  ASSERT_EQ(ListCount(bytes.data()), static_cast<int>(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(MultiSzNth(bytes.data(), static_cast<int>(i)), expected[i]);
  EXPECT_EQ(MultiSzSize(bytes.data()), stored.size() + group.size() + 1);
  for (size_t i = capacity; i < bytes.size(); ++i) EXPECT_EQ(bytes[i], 'G');

  // The worst case for the capacity: a stored last entry without any NUL, group at the end.
  std::string unended = "A";
  capacity = GroupListCapacity(unended.size(), group.size());
  std::vector<char> tight(capacity, 'x');
  memcpy(tight.data(), unended.data(), unended.size());
  ASSERT_EQ(MultiSzFromBytes(tight.data(), unended.size(), capacity), 3u);
  EXPECT_EQ(PlaceGroupInList(tight.data(), capacity, group.c_str(), "-"), 1);
  EXPECT_EQ(Joined(tight.data()), "A,New group");
}

}  // namespace
