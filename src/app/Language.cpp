#include "app/Language.h"

#include "app/Globals.h"
#include "app/Platform.h"

namespace {

constexpr DWORD kLocaleTextSize = 16;

// The locale text of a registry value, as the 9x and NT 4 families keep it.
LANGID ReadRegistryLocale(HKEY root, const char *subKey, const char *valueName) {
  LANGID result = kLangEnglishUS;
  HKEY key;
  if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return result;
  char text[kLocaleTextSize] = {};
  DWORD type = 0;
  DWORD size = sizeof(text);
  if (RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE *>(text), &size) ==
          ERROR_SUCCESS &&
      type == REG_SZ) {
    text[sizeof(text) - 1] = '\0';
    result = ParseLocaleText(text);
  }
  RegCloseKey(key);
  return result;
}

BOOL CALLBACK AddResourceLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param) {
  LANGID *list = reinterpret_cast<LANGID *>(param);
  int n = 0;
  while (list[n]) ++n;
  if (n < kResourceLanguageSlots - 1) {
    list[n] = language;
    list[n + 1] = 0;
  }
  return TRUE;
}

}  // namespace

LANGID GetUserUiLanguage() {
  if (IsWin9xFamily())
    return ReadRegistryLocale(HKEY_CURRENT_USER, "Control Panel\\Desktop\\ResourceLocale", nullptr);
  if (MajorVersion() < 5)
    return ReadRegistryLocale(HKEY_USERS, ".DEFAULT\\Control Panel\\International", "Locale");

  HMODULE kernel = LoadLibraryA("kernel32.dll");
  if (!kernel) return kLangEnglishUS;
  typedef LANGID(WINAPI * GetUiLanguageFn)();
  GetUiLanguageFn getUiLanguage =
      GetProcAs<GetUiLanguageFn>(kernel, "GetUserDefaultUILanguage");
  LANGID result = getUiLanguage ? getUiLanguage() : kLangEnglishUS;
  FreeLibrary(kernel);
  return result;
}

void ListResourceLanguages(WORD dialogId, LANGID *list) {
  list[0] = 0;
  EnumResourceLanguagesA(GetModuleHandleA(nullptr), RT_DIALOG, MAKEINTRESOURCEA(dialogId),
                         AddResourceLanguage, reinterpret_cast<LONG_PTR>(list));
}

LANGID ChooseUiLanguage(WORD dialogId) {
  LANGID user = GetUserUiLanguage();
  LANGID list[kResourceLanguageSlots];
  ListResourceLanguages(dialogId, list);
  return PickUiLanguage(user, list);
}

void SetThreadLanguage(LANGID language) {
  if (IsWin9xFamily()) return;
  SetThreadLocale(MAKELCID(language, SORT_DEFAULT));
  typedef LANGID(WINAPI * SetUiLanguageFn)(LANGID);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  SetUiLanguageFn setUiLanguage =
      kernel ? GetProcAs<SetUiLanguageFn>(kernel, "SetThreadUILanguage")
             : nullptr;
  if (setUiLanguage) setUiLanguage(language);
}
