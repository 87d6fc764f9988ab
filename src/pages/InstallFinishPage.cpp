// Page 4 of an install run (and, through RemoveFinishPageProc, page 6 of a remove run): the
// end, with the restart note when a restart is needed; only Finish.
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
  ShowWatermark(page, context->hWatermark);
  SendDlgItemMessageA(page, IDC_NOTICE_ICON, STM_SETICON,
                      reinterpret_cast<WPARAM>(context->hNoticeIcon), 0);
  return TRUE;
}

void OnSetActive(HWND page) {
  int show = g_rebootNeeded ? SW_SHOW : SW_HIDE;
  ShowWindow(GetDlgItem(page, IDC_TEXT), show);
  ShowWindow(GetDlgItem(page, IDC_NOTICE_ICON), show);
  HWND sheet = GetParent(page);
  EnableWindow(GetDlgItem(sheet, IDCANCEL), FALSE);
  SetWizardButtons(page, PSWIZB_FINISH);
  if (g_quiet) PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
}

}  // namespace

INT_PTR CALLBACK InstallFinishPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  return ArrivalPageProc(page, message, lParam, OnInitDialog, OnSetActive);
}
