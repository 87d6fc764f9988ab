// Page 6 of a remove run: the same end as an install run's, with its own template texts.
#include "pages/Pages.h"

INT_PTR CALLBACK RemoveFinishPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  return InstallFinishPageProc(page, message, wParam, lParam);
}
