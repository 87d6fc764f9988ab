// The product catalogue over a real setup script, a real checklist and the real registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pages/CheckList.h"
#include "pages/ProductList.h"
#include "script/Catalogue.h"
#include "script/ProductScriptSupport.h"

namespace {

constexpr int kListId = 1206;

const char kCatalogue[] =
    "[Install]\r\nUninstall=@S,Whole Setup\r\n"
    "[Products]\r\n"
    "@A=Product One,SecA,RemA,1,2,Description one,2.9\r\n"
    "@B=Hidden,,RemB,1,4,Hidden text,1.0\r\n"
    "@C=Product Three,SecC,,3,0,,1.9\r\n"
    "@D=Product Four,SecD,RemD,5,3,Four,1.2.0\r\n"
    "@E=Product Five,SecE,,2,,,1.3\r\n"
    "@F=Product Six,SecF,,1,,,1.0\r\n"
    "@G=Product Seven,SecG,,1,,,1.0\r\n";

// A parent window with the checklist as control 1206, as on the components page.
class ProductPage {
 public:
  ProductPage() {
    page_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    list_ = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_NOTIFY | LBS_HASSTRINGS, 0, 0, 280,
                            180, page_, reinterpret_cast<HMENU>(kListId),
                            GetModuleHandleA(nullptr), nullptr);
  }
  ~ProductPage() { DestroyWindow(page_); }
  HWND page() const { return page_; }
  HWND list() const { return list_; }
  std::string Text(int index) const {
    char text[256] = "";
    SendMessageA(list_, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
  }
  std::vector<int> Checks() const {
    std::vector<int> checks;
    int count = static_cast<int>(SendMessageA(list_, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) checks.push_back(CheckListGetCheck(list_, i));
    return checks;
  }
  std::vector<int> Marks() const {
    std::vector<int> marks;
    int count = static_cast<int>(SendMessageA(list_, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) marks.push_back(CheckListGetMark(list_, i));
    return marks;
  }
  int Image(int index) const {
    return static_cast<int>((SendMessageA(list_, LB_GETITEMDATA, index, 0) >> 16) & 0xFF);
  }

 private:
  HWND page_;
  HWND list_;
};

int Sign(int value) { return value > 0 ? 1 : (value < 0 ? -1 : 0); }

TEST(CatalogueTest, DefaultChecksFromFlagsAndListedProductsOnly) {
  UninstallEntries entries({"A", "B", "C", "D", "E", "F", "G"});
  ProductScript script(kCatalogue);
  ProductPage page;
  ASSERT_EQ(FillProductList(page.page(), script.inf()), 6);
  EXPECT_EQ(page.Text(0), "Product One");
  EXPECT_EQ(page.Text(1), "Product Three") << "the line with an empty field 2 takes no index";
  EXPECT_EQ(page.Text(5), "Product Seven");
  EXPECT_EQ(page.Checks(), (std::vector<int>{1, 1, 1, 0, 1, 1}));  // flags 1, 3, 5, 2, 1, 1
  EXPECT_EQ(page.Marks(), (std::vector<int>{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(page.Image(0), 2);
  EXPECT_EQ(page.Image(2), 3);
  EXPECT_EQ(page.Image(3), 0);

  std::vector<char> keys(kKeyListSize, 'x');
  EXPECT_EQ(CollectCheckedProducts(page.page(), script.inf(), keys.data(), kKeyListSize), 5);
  EXPECT_EQ(Joined(keys.data()), WithTestKeys("@A|@C|@D|@F|@G|"));
  CheckListSetCheck(page.list(), 0, 0);
  CheckListSetCheck(page.list(), 3, 1);
  EXPECT_EQ(CollectCheckedProducts(page.page(), script.inf(), keys.data(), kKeyListSize), 5);
  EXPECT_EQ(Joined(keys.data()), WithTestKeys("@C|@D|@E|@F|@G|"));
}

TEST(CatalogueTest, NewerInstalledVersionUnchecksAndMarks) {
  UninstallEntries entries({"A", "B", "C", "D", "E", "F", "G"});
  WriteUninstallValue(TestKey("A"), "ProductVersion", "2.10");  // script 2.9: installed is newer
  WriteUninstallValue(TestKey("C"), "ProductVersion", "1.10");  // script 1.9: installed is newer
  WriteUninstallValue(TestKey("D"), "ProductVersion", "1.2");   // script 1.2.0: equal
  WriteUninstallValue(TestKey("E"), "ProductVersion", "1.2");   // script 1.3: the script's is newer
  WriteUninstallValue(TestKey("F"), nullptr, "");               // an entry without a version
  ProductScript script(kCatalogue);
  ProductPage page;
  ASSERT_EQ(FillProductList(page.page(), script.inf()), 6);
  EXPECT_EQ(page.Checks(), (std::vector<int>{0, 0, 1, 0, 1, 1}));
  EXPECT_EQ(page.Marks(), (std::vector<int>{1, 1, 0, 0, 0, 0}));
  int expected[] = {-1, -1, 0, 1, 0, 0, 0};
  for (int index = 0; index < 7; ++index)
    EXPECT_EQ(Sign(CompareInstalledVersion(script.inf(), index)), expected[index]) << index;

  // An installed version too long for its buffer counts as unknown.
  WriteUninstallValue(TestKey("A"), "ProductVersion", "3." + std::string(130, '1'));
  EXPECT_EQ(CompareInstalledVersion(script.inf(), 0), 0);
  WriteUninstallValue(TestKey("A"), "ProductVersion", "3." + std::string(125, '1'));
  EXPECT_EQ(Sign(CompareInstalledVersion(script.inf(), 0)), -1) << "127 characters still fit";
}

TEST(CatalogueTest, DescriptionsFollowTheListedIndex) {
  ProductScript script(kCatalogue);
  char text[1024];
  GetProductDescription(script.inf(), 0, text, sizeof(text));
  EXPECT_STREQ(text, "Description one");
  GetProductDescription(script.inf(), 2, text, sizeof(text));
  EXPECT_STREQ(text, "Four");
  GetProductDescription(script.inf(), 1, text, sizeof(text));
  EXPECT_STREQ(text, "") << "no field 6";
  GetProductDescription(script.inf(), 6, text, sizeof(text));
  EXPECT_STREQ(text, "");
  GetProductDescription(script.inf(), 0, text, 8);
  EXPECT_STREQ(text, "") << "a description that does not fit is left out";
}

TEST(CatalogueTest, FlagCounts) {
  ProductScript script(kCatalogue);
  std::vector<char> none = KeyList({});
  EXPECT_EQ(CountProductsWithFlag(script.inf(), none.data(), 0xFF), 0);
  std::vector<char> keys =
      KeyList({TestKey("A"), TestKey("C"), TestKey("D"), TestKey("E"), "Unknown", TestKey("B")});
  EXPECT_EQ(CountProductsWithFlag(script.inf(), keys.data(), 2), 2);  // flags 3 and 2
  EXPECT_EQ(CountProductsWithFlag(script.inf(), keys.data(), 4), 1);  // flags 5
  EXPECT_EQ(CountProductsWithFlag(script.inf(), keys.data(), 1), 4) << "B counts, listed or not";
}

TEST(CatalogueTest, InstallSectionList) {
  ProductScript script(kCatalogue);
  char list[kSectionListSize];
  std::vector<char> keys = KeyList({TestKey("D"), TestKey("A")});
  EXPECT_TRUE(BuildInstallSectionListChecked(script.inf(), keys.data(), list, sizeof(list)));
  EXPECT_EQ(Joined(list), "Install|SecD|SecA|");
  keys = KeyList({"Unknown", TestKey("B")});
  EXPECT_TRUE(BuildInstallSectionListChecked(script.inf(), keys.data(), list, sizeof(list)));
  EXPECT_EQ(Joined(list), "Install|") << "unknown keys and empty sections add nothing";
  keys = KeyList({});
  EXPECT_TRUE(BuildInstallSectionListChecked(script.inf(), keys.data(), list, sizeof(list)));
  EXPECT_EQ(Joined(list), "Install|");
}

TEST(CatalogueTest, RemoveProductName) {
  ProductScript script(kCatalogue);
  char name[256];
  int icon = -1;
  EXPECT_EQ(GetRemoveProductName(script.inf(), TestKey("D").c_str(), name, sizeof(name), &icon), 1);
  EXPECT_STREQ(name, "Product Four");
  EXPECT_EQ(icon, 3);
  EXPECT_EQ(GetRemoveProductName(script.inf(), TestKey("E").c_str(), name, sizeof(name), &icon), 1);
  EXPECT_EQ(icon, 0) << "no field 5";
  std::string setupKey = TestKey("S");
  for (char &c : setupKey) c = static_cast<char>(tolower(c));
  EXPECT_EQ(GetRemoveProductName(script.inf(), setupKey.c_str(), name, sizeof(name), &icon), 1);
  EXPECT_STREQ(name, "Whole Setup");
  EXPECT_EQ(icon, 0);
  icon = -1;
  EXPECT_EQ(GetRemoveProductName(script.inf(), "", name, sizeof(name), &icon), 1);
  EXPECT_STREQ(name, "Whole Setup");
  EXPECT_EQ(icon, 0);
  EXPECT_EQ(GetRemoveProductName(script.inf(), "Unknown", name, sizeof(name), &icon), 0);
  EXPECT_STREQ(name, "");

  ProductScript bare("[Install]\r\nUninstall=@S\r\n[Products]\r\n@A=One,SecA\r\n");
  EXPECT_EQ(GetRemoveProductName(bare.inf(), "", name, sizeof(name), &icon), 0)
      << "a setup-level entry without a display name";
}

// A script of many products with long keys and long section names.
std::string CrowdedScript(int products, char fill) {
  std::string body = "[Install]\r\na=1\r\n[Products]\r\n";
  std::string sections;
  for (int i = 0; i < products; ++i) {
    std::string id = std::to_string(100 + i);
    std::string key = TestKey(id) + std::string(127 - TestKey(id).size(), fill);
    std::string section = "S" + id + std::string(123, 's');
    std::string removal = "R" + id + std::string(123, 'r');
    body += key + "=Name " + id + "," + section + "," + removal + ",1\r\n";
    sections += "[" + section + "]\r\nb=1\r\n";
  }
  return body + sections;
}

TEST(CatalogueTest, KeysAndSectionsThatDoNotFitAreLeftOutWhole) {
  ProductScript script(CrowdedScript(10, 'k'));
  ProductPage page;
  ASSERT_EQ(FillProductList(page.page(), script.inf()), 10);
  std::vector<char> keys(kKeyListSize + 16, 'x');
  // Seven keys of 127 characters fill 896 bytes; the eighth would need 1025.
  EXPECT_EQ(CollectCheckedProducts(page.page(), script.inf(), keys.data(), kKeyListSize), 7);
  EXPECT_EQ(std::string(keys.data() + kKeyListSize, 16), std::string(16, 'x'));
  int count = 0;
  for (const char *p = keys.data(); *p; p += strlen(p) + 1) {
    EXPECT_EQ(strlen(p), 127u);
    ++count;
  }
  EXPECT_EQ(count, 7);

  std::vector<std::string> all;
  for (int i = 0; i < 10; ++i) {
    std::string id = std::to_string(100 + i);
    all.push_back(TestKey(id) + std::string(127 - TestKey(id).size(), 'k'));
  }
  std::vector<char> allKeys = KeyList(all);
  std::vector<char> sections(kSectionListSize + 16, 'x');
  EXPECT_EQ(BuildInstallSectionListChecked(script.inf(), allKeys.data(), sections.data(),
                                           kSectionListSize), 0)
      << "Install and eight sections of 127 characters do not fit";
  EXPECT_EQ(std::string(sections.data() + kSectionListSize, 16), std::string(16, 'x'));
  std::string joined = Joined(sections.data());
  EXPECT_EQ(joined.substr(0, 8), "Install|");
  EXPECT_EQ(std::count(joined.begin(), joined.end(), '|'), 8) << "Install and seven sections";
}

}  // namespace
