// Page 5, the first page of a remove run: names the product, then shows the remove worker's
// phases.
#include <windows.h>
#include <commctrl.h>

#include "common/Globals.h"
#include "common/WizardContext.h"
#include "engine/SectionRunner.h"
#include "engine/Workers.h"
#include "pages/PageIndexes.h"
#include "pages/Pages.h"
#include "res/resource.h"
#include "script/Catalogue.h"

namespace {

// The product icon made for control 1205; the page destroys it with itself.
constexpr char kProductIconProperty[] = "SetupProductIcon";

BOOL OnInitDialog(HWND page, LPARAM lParam) {
  WizardContext *context = InitDialogContext(lParam);
  SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(context));

  char name[kFieldSize] = {};
  int iconNumber = 0;
  if (!GetRemoveProductName(context->hInf, g_productKey, name, sizeof(name), &iconNumber)) {
    name[0] = '\0';
    iconNumber = 0;
  }
  SetControlFont(page, IDC_TITLE, context->hTitleFont);
  SetControlFont(page, IDC_TEXT, context->hHeaderFont);
  SetDlgItemTextA(page, IDC_TITLE, context->szSetupTitle);
  SetDlgItemTextA(page, IDC_TEXT, name);
  ShowWatermark(page, context->hWatermark);
  if (iconNumber) {
    // Icon number n is image n + 1 of the shared strip, as in the component list.
    HICON icon = ImageList_GetIcon(context->hImageList, iconNumber + 1, ILD_NORMAL);
    if (icon) {
      SetPropA(page, kProductIconProperty, icon);
      SendDlgItemMessageA(page, IDC_NOTICE_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    }
  }
  CenterWindow(GetParent(page), GetDesktopWindow());
  return TRUE;
}

void OnSetActive(HWND page) {
  HWND sheet = GetParent(page);
  SetWizardButtons(page, PSWIZB_NEXT);
  if (g_quiet) PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
}

BOOL OnPhase(HWND page, WPARAM phase) {
  ShowPhaseText(page, IDC_PHASE, static_cast<int>(phase), 1);
  return TRUE;
}

BOOL OnDone(HWND page, WPARAM wParam, LPARAM lParam) {
  // Back never: this is the first page of a remove run.
  const WorkerPageParts parts = {IDS_REMOVE_FAILED, kPageRemoveFinish, IDC_PHASE, PSWIZB_NEXT};
  FinishWorkerRun(page, wParam, lParam, parts);
  return TRUE;
}

void OnDestroy(HWND page) {
  HICON icon = static_cast<HICON>(RemovePropA(page, kProductIconProperty));
  if (icon) DestroyIcon(icon);
}

const WorkerPageHandlers kHandlers = {OnInitDialog, OnSetActive, true, OnPhase, OnDone};

}  // namespace

INT_PTR CALLBACK RemovePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    OnDestroy(page);
    return FALSE;
  }
  return WorkerPageProc(page, message, wParam, lParam, kHandlers);
}
