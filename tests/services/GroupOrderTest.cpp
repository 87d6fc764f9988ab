// The service group order edit against the system's real "List" value, which every test
// saves first and puts back at the end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/GroupOrder.h"
#include "services/ServiceSections.h"
#include "services/ServiceTestSupport.h"

namespace {

std::string Packed(const std::vector<std::string> &groups) {
  std::string bytes;
  for (const std::string &g : groups) bytes += g + '\0';
  return bytes + '\0';
}

const char kSettings[] =
    "[AfterQ]\r\nServiceGroupOrder=G,-Q\r\n"
    "[BeforeQ]\r\nDisplayName=x\r\nServiceGroupOrder=G,Q\r\nServiceGroupOrder=H,-R\r\n"
    "[Front]\r\nServiceGroupOrder=G\r\n"
    "[NoLine]\r\nDisplayName=x\r\n"
    "[NoGroup]\r\nServiceGroupOrder=\r\n"
    "[EmptyGroup]\r\nServiceGroupOrder=\"\",-Q\r\n"
    "[Long]\r\nServiceGroupOrder=New group,-Group number 7\r\n";

TEST(GroupOrderTest, PlacesTheGroupInTheStoredList) {
  SavedGroupOrder saved;
  TestScript script(kSettings);
  ASSERT_NE(script.inf(), INVALID_HANDLE_VALUE);

  WriteGroupOrderList(Packed({"P", "G", "Q", "R"}));
  EXPECT_EQ(ApplyServiceGroupOrder(script.inf(), "AfterQ"), 1);
  DWORD type = 0;
  EXPECT_EQ(ReadGroupOrderList(&type), "P,Q,G,R");
  EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));

  // Only the first line counts.
  EXPECT_EQ(ApplyServiceGroupOrder(script.inf(), "BeforeQ"), 1);
  EXPECT_EQ(ReadGroupOrderList(), "P,G,Q,R");

  EXPECT_EQ(ApplyServiceGroupOrder(script.inf(), "Front"), 1);
  EXPECT_EQ(ReadGroupOrderList(), "G,P,Q,R");

  // A stored value without its final NULs loses nothing.
  WriteGroupOrderList(std::string("P\0Q", 3), REG_BINARY);
  EXPECT_EQ(ApplyServiceGroupOrder(script.inf(), "AfterQ"), 1);
  EXPECT_EQ(ReadGroupOrderList(&type), "P,Q,G");
  EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));

  DeleteGroupOrderList();
  EXPECT_EQ(ApplyServiceGroupOrder(script.inf(), "AfterQ"), 1);
  EXPECT_EQ(ReadGroupOrderList(), "G");
}

TEST(GroupOrderTest, LinesWithoutAGroupLeaveTheListAlone) {
  SavedGroupOrder saved;
  TestScript script(kSettings);
  ASSERT_NE(script.inf(), INVALID_HANDLE_VALUE);
  std::string stored = Packed({"P", "Q", "R"});
  WriteGroupOrderList(stored);

  EXPECT_EQ(ApplyServiceGroupOrder(script.inf(), "NoLine"), 1);
  EXPECT_EQ(ApplyServiceGroupOrder(script.inf(), "NoGroup"), 0);
  EXPECT_EQ(ApplyServiceGroupOrder(script.inf(), "EmptyGroup"), 0);
  EXPECT_EQ(ReadGroupOrderList(), "P,Q,R");

  DeleteGroupOrderList();
  EXPECT_EQ(ApplyServiceGroupOrder(script.inf(), "EmptyGroup"), 0);
  EXPECT_EQ(ReadGroupOrderList(), "<missing>");
}

TEST(GroupOrderTest, LongStoredListKeepsEveryGroup) {
  SavedGroupOrder saved;
  TestScript script(kSettings);
  ASSERT_NE(script.inf(), INVALID_HANDLE_VALUE);
  std::vector<std::string> groups;
  std::string joined;
  size_t bytes = 0;
  for (int i = 0; bytes < 4096; ++i) {
    groups.push_back("Group number " + std::to_string(i));
    bytes += groups.back().size() + 1;
  }
  WriteGroupOrderList(Packed(groups));
  EXPECT_EQ(ApplyServiceGroupOrder(script.inf(), "Long"), 1);

  groups.insert(groups.begin() + 8, "New group");
  for (const std::string &g : groups) joined += (joined.empty() ? "" : ",") + g;
  EXPECT_EQ(ReadGroupOrderList(), joined);
}

TEST(GroupOrderTest, AddServiceLinePlacesItsGroup) {
  SavedGroupOrder saved;
  ServiceGuard service(UniqueServiceName("group"));
  TestScript script(
      "[Install.Services]\r\nAddService=" + std::string(service.name()) + ",,Svc.Settings\r\n"
      "[Svc.Settings]\r\nServiceType=0x10\r\nStartType=3\r\nErrorControl=1\r\n"
      "ServiceBinary=\"" + TestServiceCommand(service.name()) + "\"\r\n"
      "LoadOrderGroup=Orlavin\r\nServiceGroupOrder=Orlavin,-Q\r\n"
      "[Broken.Services]\r\nAddService=" + std::string(service.name()) + ",,Bad.Settings\r\n"
      "[Bad.Settings]\r\nServiceType=0x10\r\nServiceGroupOrder=\r\n");
  ASSERT_NE(script.inf(), INVALID_HANDLE_VALUE);
  WriteGroupOrderList(Packed({"P", "Q", "R"}));

  EXPECT_EQ(ApplySectionServices(script.inf(), "Install"), 1);
  if (EmulatesWin9x()) {
    EXPECT_EQ(ReadGroupOrderList(), "P,Q,R");
    EXPECT_FALSE(ServiceExists(service.name()));
    return;
  }
  EXPECT_EQ(ReadGroupOrderList(), "P,Q,Orlavin,R");
  EXPECT_EQ(QueryConfig(service.name()).loadOrderGroup, "Orlavin");

  // The service exists, so a group order line that fails does not fail the line.
  EXPECT_EQ(ApplySectionServices(script.inf(), "Broken"), 1);
  EXPECT_EQ(ReadGroupOrderList(), "P,Q,Orlavin,R");
}

}  // namespace
