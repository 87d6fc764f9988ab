#include "app/Notice.h"

#include "app/Globals.h"
#include "app/Language.h"

void ShowNotice(HWND owner, int stringId, const char *detail) {
  if (g_silent) return;
  char text[kFieldSize + kLongTextSize];
  FormatUiString(stringId, detail, text, sizeof(text));
  MessageBoxA(owner, text, nullptr, MB_ICONERROR);
}
