// Page 0 of an install run: the greeting; it centres the wizard on the screen.
#include <windows.h>
#include <commctrl.h>

#include "common/Globals.h"
#include "common/WizardContext.h"
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

void OnSetActive(HWND page) {
  SetWizardButtons(page, PSWIZB_NEXT);
  if (g_quiet) SetPageResult(page, -1);
}

}  // namespace

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  return ArrivalPageProc(page, message, lParam, OnInitDialog, OnSetActive);
}
