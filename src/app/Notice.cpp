#include "app/Notice.h"

#include "app/Globals.h"
#include "app/Language.h"
#include "pages/PageLogic.h"

void ShowNotice(HWND owner, int stringId, const char *detail) {
  if (g_silent) return;
  char format[kFieldSize] = {};
  LoadUiString(GetModuleHandleA(nullptr), stringId, format, sizeof(format));
  char text[kFieldSize + kLongTextSize];
  FillNamePlaceholder(text, sizeof(text), format, detail ? detail : "");
  MessageBoxA(owner, text, nullptr, MB_ICONERROR);
}
