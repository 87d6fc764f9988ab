#include "common/Language.h"

#include "common/Globals.h"
#include "common/Guards.h"
#include "common/MessageText.h"
#include "common/Platform.h"

namespace {

constexpr DWORD kLocaleTextSize = 16;
constexpr UINT kStringsPerBlock = 16;  // a string table block: ids 16 n to 16 n + 15

// The locale text of a registry value, as the 9x and NT 4 families keep it.
LANGID ReadRegistryLocale(HKEY root, const char *subKey, const char *valueName) {
  RegKeyGuard key;
  if (!OpenRegistryKey(root, subKey, KEY_READ, &key)) return kLangEnglishUS;
  char text[kLocaleTextSize] = {};
  DWORD type = 0;
  DWORD size = sizeof(text);
  if (RegQueryValueExA(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE *>(text),
                       &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return kLangEnglishUS;
  text[sizeof(text) - 1] = '\0';
  return ParseLocaleText(text);
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

// Entry index of a string table block: a length in characters, then that many UTF-16
// characters. Null when the block ends before the entry or the entry is empty.
const WCHAR *BlockEntry(const WCHAR *block, DWORD blockBytes, UINT index, WORD *length) {
  const WCHAR *end = block + blockBytes / sizeof(WCHAR);
  const WCHAR *entry = block;
  for (UINT skipped = 0; skipped < index && entry < end; ++skipped) entry += 1 + *entry;
  if (entry >= end || *entry == 0 || *entry > end - entry - 1) return nullptr;
  *length = *entry;
  return entry + 1;
}

// As many characters as fit size bytes with a NUL (the ANSI code page may need two bytes for
// one); returns the bytes written.
int ConvertCut(const WCHAR *text, int length, char *buffer, int size) {
  for (int characters = length < size - 1 ? length : size - 1; characters > 0; --characters) {
    int written = WideCharToMultiByte(CP_ACP, 0, text, characters, buffer, size - 1, nullptr,
                                      nullptr);
    if (written > 0) {
      buffer[written] = '\0';
      return written;
    }
  }
  buffer[0] = '\0';
  return 0;
}

// The resource in exactly g_languageId, or null; none is asked for before a language is chosen.
HRSRC FindInUiLanguage(HINSTANCE instance, LPCSTR type, WORD id) {
  if (!g_languageId) return nullptr;
  return FindResourceExA(instance, type, MAKEINTRESOURCEA(id), g_languageId);
}

}  // namespace

LANGID GetUserUiLanguage() {
  if (IsWin9xFamily())
    return ReadRegistryLocale(HKEY_CURRENT_USER, "Control Panel\\Desktop\\ResourceLocale", nullptr);
  if (MajorVersion() < 5)
    return ReadRegistryLocale(HKEY_USERS, ".DEFAULT\\Control Panel\\International", "Locale");

  // Kernel32 is loaded in every process: taken as it is, never searched for.
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (!kernel) return kLangEnglishUS;
  typedef LANGID(WINAPI * GetUiLanguageFn)();
  GetUiLanguageFn getUiLanguage =
      GetProcAs<GetUiLanguageFn>(kernel, "GetUserDefaultUILanguage");
  return getUiLanguage ? getUiLanguage() : kLangEnglishUS;
}

void ListResourceLanguages(WORD dialogId, LANGID (&list)[kResourceLanguageSlots]) {
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

HRSRC FindUiResource(HINSTANCE instance, LPCSTR type, WORD id) {
  HRSRC found = FindInUiLanguage(instance, type, id);
  return found ? found : FindResourceA(instance, MAKEINTRESOURCEA(id), type);
}

int LoadUiString(HINSTANCE instance, UINT id, char *buffer, int size) {
  if (size <= 0) return 0;
  HRSRC block = FindInUiLanguage(instance, RT_STRING, static_cast<WORD>(id / kStringsPerBlock + 1));
  HGLOBAL loaded = block ? LoadResource(instance, block) : nullptr;
  const WCHAR *data = loaded ? static_cast<const WCHAR *>(LockResource(loaded)) : nullptr;
  WORD length = 0;
  const WCHAR *text =
      data ? BlockEntry(data, SizeofResource(instance, block), id % kStringsPerBlock, &length)
           : nullptr;
  if (!text) return LoadStringA(instance, id, buffer, size);
  return ConvertCut(text, length, buffer, size);
}

void FormatUiString(UINT id, const char *name, char *text, size_t size) {
  char format[kFieldSize] = {};
  LoadUiString(GetModuleHandleA(nullptr), id, format, sizeof(format));
  FillNamePlaceholder(text, size, format, name ? name : "");
}
