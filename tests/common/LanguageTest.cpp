// The user's language on each platform path, read from the real registry or the system, and
// the languages the resources carry.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string.h>

#include <string>
#include <utility>

#include "common/Globals.h"
#include "common/Language.h"
#include "res/resource.h"
#include "support/TestSupport.h"

namespace {

// Where the user's language lives on the emulated platform; empty on NT 5 and later.
struct LocaleValue {
  HKEY root;
  const char *key;
  const char *value;
};

LocaleValue LocaleValueOfThisPlatform() {
  if (EmulatesWin9x()) return {HKEY_CURRENT_USER, "Control Panel\\Desktop\\ResourceLocale", nullptr};
  if (EmulatesNt4()) return {HKEY_USERS, ".DEFAULT\\Control Panel\\International", "Locale"};
  return {nullptr, nullptr, nullptr};
}

// Sets the locale value for one test and puts the old one back afterwards.
class LocaleValueGuard {
 public:
  explicit LocaleValueGuard(const LocaleValue &where) : where_(where) {
    RegCreateKeyExA(where.root, where.key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    size_ = sizeof(saved_);
    had_ = RegQueryValueExA(key_, where.value, nullptr, &type_, saved_, &size_) == ERROR_SUCCESS;
  }
  ~LocaleValueGuard() {
    if (had_)
      RegSetValueExA(key_, where_.value, 0, type_, saved_, size_);
    else
      RegDeleteValueA(key_, where_.value);
    RegCloseKey(key_);
  }
  void SetText(const char *text) {
    RegSetValueExA(key_, where_.value, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                   static_cast<DWORD>(strlen(text) + 1));
  }
  void SetDword(DWORD v) {
    RegSetValueExA(key_, where_.value, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&v), 4);
  }
  void Remove() { RegDeleteValueA(key_, where_.value); }

 private:
  LocaleValue where_;
  HKEY key_ = nullptr;
  BYTE saved_[512];
  DWORD size_ = 0, type_ = 0;
  bool had_ = false;
};

TEST(LanguageTest, ResourcesCarryTheNineLanguagesInDirectoryOrder) {
  LANGID list[kResourceLanguageSlots];
  ListResourceLanguages(IDD_WELCOME, list);
  const LANGID expected[] = {6, 10, 11, 20, 1031, 1033, 1036, 1040, 1043, 0};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(list[i], expected[i]) << "entry " << i;
  ListResourceLanguages(999, list);
  EXPECT_EQ(list[0], 0) << "a dialog that does not exist has no languages";
}

TEST(LanguageTest, RegistryPathsOfThe9xAndNt4Families) {
  LocaleValue where = LocaleValueOfThisPlatform();
  if (!where.root) GTEST_SKIP() << "NT 5 and later ask the system, covered below";
  LocaleValueGuard guard(where);

  guard.SetText("00000407");
  EXPECT_EQ(GetUserUiLanguage(), 0x0407);
  EXPECT_EQ(ChooseUiLanguage(IDD_WELCOME), 1031);
  guard.SetText("0000040c");
  EXPECT_EQ(GetUserUiLanguage(), 0x040C);
  guard.SetText("00000C0A");
  EXPECT_EQ(ChooseUiLanguage(IDD_WELCOME), 10);
  guard.SetText("0000041D");
  EXPECT_EQ(ChooseUiLanguage(IDD_WELCOME), 1033) << "Swedish is not carried";

  guard.SetText("0000000000000407");  // 16 characters: does not fit the 16-byte read
  EXPECT_EQ(GetUserUiLanguage(), 0x0409);
  guard.SetText("000000000000407");  // 15 characters still fit
  EXPECT_EQ(GetUserUiLanguage(), 0x0407);
  guard.SetDword(0x0407);
  EXPECT_EQ(GetUserUiLanguage(), 0x0409) << "only a string value counts";
  guard.Remove();
  EXPECT_EQ(GetUserUiLanguage(), 0x0409);
}

TEST(LanguageTest, Nt5AndLaterAskTheSystem) {
  if (EmulatesWin9x() || EmulatesNt4()) GTEST_SKIP() << "registry paths, covered above";
  EXPECT_EQ(GetUserUiLanguage(), GetUserDefaultUILanguage());
  // The ctest variants started under another LANG say which language the system reports.
  const char *expected = getenv("SETUP_TEST_UILANG");
  if (expected && *expected) {
    EXPECT_EQ(GetUserUiLanguage(), static_cast<LANGID>(strtoul(expected, nullptr, 16)));
    const char *chosen = getenv("SETUP_TEST_CHOSEN");
    ASSERT_TRUE(chosen);
    EXPECT_EQ(ChooseUiLanguage(IDD_WELCOME), static_cast<LANGID>(atoi(chosen)));
  }
}

TEST(LanguageTest, ThreadLanguagePicksTheResourceLanguage) {
  if (EmulatesWin9x()) GTEST_SKIP() << "the 9x family leaves the thread locale alone";
  SetThreadLanguage(0x0407);
  EXPECT_EQ(GetThreadLocale(), MAKELCID(0x0407, SORT_DEFAULT));
  SetThreadLanguage(0x0409);
  EXPECT_EQ(GetThreadLocale(), MAKELCID(0x0409, SORT_DEFAULT));
}

TEST(LanguageTest, ChosenLanguageOnEveryFamilyElseThePlatformsChoice) {
  const HINSTANCE module = GetModuleHandleA(nullptr);
  const LANGID saved = g_languageId;
  char text[kFieldSize];
  // Whatever the thread locale, on the 9x family too, and for the neutral Spanish resources.
  for (const auto &chosen : {std::make_pair(LANGID(0x000A), "&Siguiente >"),
                             std::make_pair(LANGID(0x0407), "&Weiter >")}) {
    g_languageId = chosen.first;
    EXPECT_EQ(LoadUiString(module, IDS_BUTTON_NEXT, text, sizeof(text)),
              static_cast<int>(strlen(chosen.second)));
    EXPECT_STREQ(text, chosen.second);
    EXPECT_EQ(FindUiResource(module, RT_DIALOG, IDD_WELCOME),
              FindResourceExA(module, RT_DIALOG, MAKEINTRESOURCEA(IDD_WELCOME), chosen.first));
  }
  // Swedish is not carried: what the platform picks.
  g_languageId = 0x041D;
  char platform[kFieldSize];
  ASSERT_GT(LoadStringA(module, IDS_BUTTON_NEXT, platform, sizeof(platform)), 0);
  LoadUiString(module, IDS_BUTTON_NEXT, text, sizeof(text));
  EXPECT_STREQ(text, platform);
  EXPECT_EQ(FindUiResource(module, RT_DIALOG, IDD_WELCOME),
            FindResourceA(module, MAKEINTRESOURCEA(IDD_WELCOME), RT_DIALOG));
  // Cut to the buffer, terminator included.
  g_languageId = 0x0407;
  char small[4];
  EXPECT_EQ(LoadUiString(module, IDS_BUTTON_NEXT, small, sizeof(small)), 3);
  EXPECT_STREQ(small, "&We");
  g_languageId = saved;
}

}  // namespace
