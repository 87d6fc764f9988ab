// Page 0 of an install run: the greeting; it centres the wizard on the screen.
#include <windows.h>
#include <commctrl.h>

#include "app/Globals.h"
#include "app/WizardContext.h"
#include "pages/Pages.h"
#include "res/resource.h"

namespace {

BOOL OnInitDialog(HWND page, LPARAM lParam) {
  const WizardContext *context = InitDialogContext(lParam);
  SetControlFont(page, IDC_TITLE, context->hTitleFont);
  SetDlgItemTextA(page, IDC_TITLE, context->szSetupTitle);
  SetDlgItemTextA(page, IDC_TEXT, context->szWelcomeText);
  ShowWatermark(page, context->hWatermark);
  CenterWindow(GetParent(page), GetDesktopWindow());
  return TRUE;
}

BOOL OnNotify(HWND page, const NMHDR *header) {
  if (header->code == static_cast<UINT>(PSN_SETACTIVE)) {
    SetWizardButtons(page, PSWIZB_NEXT);
    if (g_quiet) SetPageResult(page, -1);
  }
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(page, lParam);
    case WM_NOTIFY:
      return OnNotify(page, reinterpret_cast<const NMHDR *>(lParam));
    default:
      return FALSE;
  }
}
