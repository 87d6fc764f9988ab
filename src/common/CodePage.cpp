#include "common/CodePage.h"

#include <stdlib.h>
#include <wchar.h>

#include "common/Guards.h"

namespace {

constexpr char kCodePageKey[] = "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage";
constexpr char kAnsiCodePageValue[] = "ACP";
constexpr DWORD kCodePageTextSize = 16;
// WC_ERR_INVALID_CHARS, of Windows Vista and later: every system with UTF-8 narrow calls.
constexpr DWORD kRefuseInvalidCharacters = 0x80;

bool ConvertsExactly(const WCHAR *wide, char *narrow, int size) {
  // UTF-8 holds every character; only a lone surrogate has no form there.
  if (NarrowCallsUseUtf8())
    return WideCharToMultiByte(CP_UTF8, kRefuseInvalidCharacters, wide, -1, narrow, size, nullptr,
                               nullptr) != 0;
  // Converted there and back unchanged: a look-alike letter comes back as another character.
  BOOL usedDefault = FALSE;
  if (!WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, size, nullptr, &usedDefault) ||
      usedDefault)
    return false;
  int length = MultiByteToWideChar(CP_ACP, 0, narrow, -1, nullptr, 0);
  if (length <= 0) return false;
  HeapGuard back(AllocateZeroed(static_cast<size_t>(length) * sizeof(WCHAR)));
  WCHAR *backText = reinterpret_cast<WCHAR *>(back.get());
  return backText && MultiByteToWideChar(CP_ACP, 0, narrow, -1, backText, length) &&
         wcscmp(backText, wide) == 0;
}

}  // namespace

bool NarrowCallsUseUtf8() { return GetACP() == CP_UTF8; }

UINT SystemAnsiCodePage() {
  RegKeyGuard key;
  if (!OpenRegistryKey(HKEY_LOCAL_MACHINE, kCodePageKey, KEY_QUERY_VALUE, &key)) return 0;
  char text[kCodePageTextSize] = {};
  DWORD size = sizeof(text) - 1;
  DWORD type = 0;
  if (RegQueryValueExA(key.get(), kAnsiCodePageValue, nullptr, &type,
                       reinterpret_cast<BYTE *>(text), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return 0;
  return static_cast<UINT>(strtoul(text, nullptr, 10));
}

bool NarrowExactly(const WCHAR *wide, char *narrow, int size) {
  if (ConvertsExactly(wide, narrow, size)) return true;
  if (size > 0) narrow[0] = '\0';
  return false;
}

bool NarrowMarkingLosses(const WCHAR *wide, char *narrow, int size) {
  if (NarrowCallsUseUtf8()) return ConvertsExactly(wide, narrow, size);
  // Systems before Windows 2000 know no WC_NO_BEST_FIT_CHARS and refuse it.
  if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, narrow, size, "?", nullptr) ||
      (GetLastError() == ERROR_INVALID_FLAGS &&
       WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, size, "?", nullptr)))
    return true;
  if (size > 0) narrow[0] = '\0';
  return false;
}
