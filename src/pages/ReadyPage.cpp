// Page 3 of an install run: ready to install, then the progress of the install worker.
#include <windows.h>
#include <commctrl.h>

#include "common/Globals.h"
#include "common/Messages.h"
#include "common/WizardContext.h"
#include "engine/SectionRunner.h"
#include "engine/Workers.h"
#include "pages/PageIndexes.h"
#include "pages/Pages.h"
#include "res/resource.h"
#include "script/Catalogue.h"
#include "script/ProductLines.h"

namespace {

BOOL OnInitDialog(HWND page, LPARAM lParam) {
  WizardContext *context = InitDialogContext(lParam);
  ShowPageHeader(page, context->hHeaderFont, context->szReadyTitle, context->szReadySubtitle);
  SendDlgItemMessageA(page, IDC_NOTICE_ICON, STM_SETICON,
                      reinterpret_cast<WPARAM>(context->hNoticeIcon), 0);
  SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(context));
  SendDlgItemMessageA(page, IDC_PROGRESS, PBM_SETSTEP, 1, 0);
  return TRUE;
}

void OnSetActive(HWND page) {
  const WizardContext *context = PageContext(page);
  int show =
      CountProductsWithFlag(context->hInf, g_productKey, kProductNeedsCdRom) ? SW_SHOW : SW_HIDE;
  ShowWindow(GetDlgItem(page, IDC_CDROM_NOTE), show);
  ShowWindow(GetDlgItem(page, IDC_NOTICE_ICON), show);
  SetWizardButtons(page, PSWIZB_BACK | PSWIZB_NEXT);
  if (g_quiet) PostMessageA(GetParent(page), PSM_PRESSBUTTON, PSBTN_NEXT, 0);
}

BOOL OnPhase(HWND page, WPARAM phase) {
  BOOL shown = ShowPhaseText(page, IDC_TEXT, static_cast<int>(phase), 0);
  ShowWindow(GetDlgItem(page, IDC_PROGRESS), shown ? SW_SHOW : SW_HIDE);
  return TRUE;
}

// Set once the runner's own count has reached the page: from then on it alone moves the bar,
// and the default callback's progress, which some systems send as well, would count twice.
bool g_barCountedByRun;

// The range takes the whole file count: a queue of more than 65,535 files keeps its bar.
BOOL OnProgress(HWND page, WPARAM wParam, LPARAM lParam) {
  if (g_barCountedByRun) return TRUE;
  HWND bar = GetDlgItem(page, IDC_PROGRESS);
  if (wParam == 0)
    SendMessageA(bar, PBM_SETRANGE32, 0, lParam);
  else
    SendMessageA(bar, PBM_STEPIT, 0, 0);
  return TRUE;
}

// The runner's count: files done (wParam) against files queued (lParam). The bar never goes
// back within a run: not below steps of the system's own that reached the page before the
// first count, nor when a count learnt sub-queue by sub-queue grows.
BOOL OnFileCount(HWND page, WPARAM done, LPARAM queued) {
  g_barCountedByRun = true;
  HWND bar = GetDlgItem(page, IDC_PROGRESS);
  int high = static_cast<int>(SendMessageA(bar, PBM_GETRANGE, FALSE, 0));
  int shown = static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0));
  int position = high > 0 ? MulDiv(shown, static_cast<int>(queued), high) : 0;
  if (position < static_cast<int>(done)) position = static_cast<int>(done);
  SendMessageA(bar, PBM_SETRANGE32, 0, queued);
  SendMessageA(bar, PBM_SETPOS, position, 0);
  return TRUE;
}

BOOL OnDone(HWND page, WPARAM wParam, LPARAM lParam) {
  const WorkerPageParts parts = {IDS_INSTALL_FAILED, kPageInstallFinish, IDC_TEXT,
                                 PSWIZB_BACK | PSWIZB_NEXT};
  // A new attempt starts its bar from the beginning.
  if (!FinishWorkerRun(page, wParam, lParam, parts))
    SendDlgItemMessageA(page, IDC_PROGRESS, PBM_SETPOS, 0, 0);
  return TRUE;
}

const WorkerPageHandlers kHandlers = {OnInitDialog, OnSetActive, false, OnPhase, OnDone};

}  // namespace

INT_PTR CALLBACK ReadyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETUP_PROGRESS) return OnProgress(page, wParam, lParam);
  if (message == WM_SETUP_FILES) return OnFileCount(page, wParam, lParam);
  return WorkerPageProc(page, message, wParam, lParam, kHandlers);
}
