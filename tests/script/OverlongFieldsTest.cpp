// Product lines whose fields do not fit the buffers they are read into: such a field counts
// as missing, the same for every operation, so that the indexes of the components page, the
// keys of the run and the Uninstall entries agree with each other.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/CheckList.h"
#include "pages/ProductList.h"
#include "script/Catalogue.h"
#include "script/ProductScriptSupport.h"
#include "script/RemovalTarget.h"
#include "res/resource.h"

namespace {

constexpr DWORD kOverlongTargetDirId = 32768;

// A parent window with the checklist as control 1206, as on the components page.
class OverlongPage {
 public:
  OverlongPage() {
    page_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    list_ = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_NOTIFY | LBS_HASSTRINGS, 0, 0, 280,
                            180, page_, reinterpret_cast<HMENU>(IDC_CHECKLIST),
                            GetModuleHandleA(nullptr), nullptr);
  }
  ~OverlongPage() { DestroyWindow(page_); }
  HWND page() const { return page_; }
  std::vector<std::string> Items() const {
    std::vector<std::string> items;
    int count = static_cast<int>(SendMessageA(list_, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      char text[256] = "";
      SendMessageA(list_, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
      items.push_back(text + std::string(CheckListGetCheck(list_, i) ? "+" : "-"));
    }
    return items;
  }

 private:
  HWND page_;
  HWND list_;
};

// A key of this test process padded to length characters.
std::string PaddedKey(const std::string &name, size_t length) {
  std::string key = TestKey(name);
  return key + std::string(length - key.size(), 'k');
}

TEST(OverlongFieldsTest, ProductFieldsThatDoNotFitCountAsMissing) {
  std::string longKey = PaddedKey("K", 128);  // one more than a key list entry may hold
  std::string body =
      "[Install]\r\na=1\r\n[Products]\r\n"
      "@A=First,SecA,RemA,1,0,Description A\r\n"
      "@N=" + std::string(256, 'n') + ",SecN,RemN,1,0,Description N\r\n"  // name: 256 bytes
      "@I=Long Section," + std::string(128, 's') + ",RemI,1,0,Description I\r\n" +
      longKey + "=Long Key,SecK,RemK,1,0,Description K\r\n"
      "@F=Long Flags,SecF,RemF," + std::string(255, '0') + "1,0,Description F\r\n"
      "@Z=Last,SecZ,RemZ,1,0,Description Z\r\n";
  ProductScript script(body);
  ASSERT_NE(script.inf(), INVALID_HANDLE_VALUE);
  OverlongPage page;

  // Neither the product whose name nor the one whose install section does not fit is offered;
  // flags that do not fit are no flags, so that product starts unchecked.
  EXPECT_EQ(FillProductList(page.page(), script.inf()), 4);
  std::vector<std::string> expected = {"First+", "Long Key+", "Long Flags-", "Last+"};
  EXPECT_EQ(page.Items(), expected);

  // Descriptions follow the same indexes as the items.
  char text[kLongTextSize];
  const char *descriptions[] = {"Description A", "Description K", "Description F",
                                "Description Z"};
  for (int i = 0; i < 4; ++i) {
    GetProductDescription(script.inf(), i, text, sizeof(text));
    EXPECT_STREQ(text, descriptions[i]) << i;
  }

  // The key that does not fit a key list entry is left out whole; the products after it stay.
  std::vector<char> keys(kKeyListSize + 16, 'x');
  EXPECT_EQ(CollectCheckedProducts(page.page(), script.inf(), keys.data(), kKeyListSize), 2);
  EXPECT_EQ(Joined(keys.data()), TestKey("A") + "|" + TestKey("Z") + "|");
  EXPECT_EQ(std::string(keys.data() + kKeyListSize, 16), std::string(16, 'x'));
}

TEST(OverlongFieldsTest, RemoveSectionThatCannotRunIsNotRegistered) {
  // A remove section name of 128 characters fits no section list slot: the removal could
  // never run it, so an Uninstall entry for it would only lose the product's files' owner.
  std::string body =
      "[Install]\r\nCopyFiles=SetupFiles\r\n"
      "[DestinationDirs]\r\nSetupFiles=32768\r\n[SetupFiles]\r\nsetup.exe\r\n"
      "[Products]\r\n"
      "@A=Product A,SecA,RemA\r\n"
      "@R=Product R,SecR," + std::string(128, 'r') + "\r\n"
      "@Q=Product Q,SecQ," + std::string(127, 'q') + "\r\n";
  ProductScript script(body);
  ASSERT_NE(script.inf(), INVALID_HANDLE_VALUE);
  UninstallEntries entries({"A", "R", "Q"});
  ASSERT_TRUE(SetupSetDirectoryIdA(script.inf(), kOverlongTargetDirId, "D:\\Tools"));
  std::vector<char> keys = KeyList({TestKey("R"), TestKey("A"), TestKey("Q")});
  EXPECT_EQ(RegisterEntries(script.inf(), keys.data(), g_targetDir), 1);
  EXPECT_FALSE(UninstallEntryExists(TestKey("R")));
  EXPECT_TRUE(UninstallEntryExists(TestKey("A")));
  EXPECT_TRUE(UninstallEntryExists(TestKey("Q"))) << "127 characters fit a slot";

  char sections[kSectionListSize];
  EXPECT_EQ(BuildRemoveSectionListChecked(script.inf(), keys.data(), sections, sizeof(sections)), 1);
  EXPECT_EQ(Joined(sections), "RemA|" + std::string(127, 'q') + "|Remove|");
}

}  // namespace
