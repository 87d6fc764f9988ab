#include "app/Notice.h"

#include "common/Globals.h"
#include "common/Language.h"
#include "res/resource.h"

void ShowNotice(HWND owner, int stringId, const char *detail) {
  if (g_silent) return;
  char text[kFieldSize + kLongTextSize];
  FormatUiString(stringId, detail, text, sizeof(text));
  MessageBoxA(owner, text, nullptr, MB_ICONERROR);
}

void ShowScriptError(HWND owner, const char *path, UINT errorLine) {
  if (g_silent) return;
  char format[kFieldSize] = {};
  LoadUiString(GetModuleHandleA(nullptr), IDS_SCRIPT_ERROR, format, sizeof(format));
  char message[kFieldSize + kTargetDirSize + 16];
  _snprintf(message, sizeof(message), format, path, static_cast<int>(errorLine));
  message[sizeof(message) - 1] = '\0';
  MessageBoxA(owner, message, nullptr, MB_ICONERROR);
}
