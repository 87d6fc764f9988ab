// What every page shares: the window's place, fonts and header texts, the page's result, and
// the error box of a failed run.
#include <windows.h>
#include <commctrl.h>

#include "common/Guards.h"
#include "common/MessageText.h"
#include "common/SystemText.h"
#include "pages/PageIndexes.h"
#include "pages/PageLogic.h"
#include "pages/Pages.h"
#include "res/resource.h"

void SetControlFont(HWND page, int control, HFONT font) {
  SendDlgItemMessageA(page, control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void ShowWatermark(HWND page, HBITMAP picture) {
  HWND control = GetDlgItem(page, IDC_STATIC_OTHER);
  if (!picture || !control ||
      (GetWindowLongPtrA(control, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP)
    return;
  // The control gives back the bitmap it loaded from the template, which is now ours.
  HGDIOBJ own = reinterpret_cast<HGDIOBJ>(SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP,
                                                       reinterpret_cast<LPARAM>(picture)));
  if (own && own != picture) DeleteObject(own);
}

void SetWizardButtons(HWND page, DWORD buttons) {
  HWND sheet = GetParent(page);
  PostMessageA(sheet, PSM_SETWIZBUTTONS, 0, buttons);
  int way = (buttons & PSWIZB_FINISH) ? kSheetFinish : (buttons & PSWIZB_NEXT) ? kSheetNext : 0;
  if (!way) return;
  PostMessageA(sheet, DM_SETDEFID, way, 0);
  bool takesInput = GetDlgItem(page, IDC_CHECKLIST) || GetDlgItem(page, IDC_TARGET_EDIT);
  if (!takesInput)
    PostMessageA(sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(sheet, way)), TRUE);
}

void ShowPageHeader(HWND page, HFONT font, const char *title, const char *subtitle) {
  SetControlFont(page, IDC_HEADER_TITLE, font);
  SetDlgItemTextA(page, IDC_HEADER_TITLE, title);
  SetDlgItemTextA(page, IDC_HEADER_SUBTITLE, subtitle);
}

BOOL OnSetActiveNotify(HWND page, const NMHDR *header, void (*onSetActive)(HWND page)) {
  if (header->code == static_cast<UINT>(PSN_SETACTIVE)) onSetActive(page);
  return TRUE;
}

INT_PTR ArrivalPageProc(HWND page, UINT message, LPARAM lParam,
                        BOOL (*onInitDialog)(HWND page, LPARAM lParam),
                        void (*onSetActive)(HWND page)) {
  switch (message) {
    case WM_INITDIALOG:
      return onInitDialog(page, lParam);
    case WM_NOTIFY:
      return OnSetActiveNotify(page, reinterpret_cast<const NMHDR *>(lParam), onSetActive);
    default:
      return FALSE;
  }
}

void SetPageResult(HWND page, LONG_PTR result) {
  SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
}

BOOL CenterWindow(HWND window, HWND reference) {
  RECT own;
  if (!GetWindowRect(window, &own)) return FALSE;
  RECT around;
  if (!GetWindowRect(reference, &around)) GetWindowRect(GetDesktopWindow(), &around);
  RECT work;
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
    SetRect(&work, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  ScreenRect referenceRect = {around.left, around.top, around.right, around.bottom};
  ScreenRect workRect = {work.left, work.top, work.right, work.bottom};
  long x = 0, y = 0;
  CenterPosition(own.right - own.left, own.bottom - own.top, referenceRect, workRect, &x, &y);
  return SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
}

int ShowSetupError(HWND owner, const char *text, DWORD error, const char *note) {
  SystemText system(error);
  const char *reason = error ? system.get() : nullptr;
  // The system's text has no bound: the message is sized to fit it whole, and the note after it.
  size_t headSize = ErrorMessageSize(text, reason);
  HeapGuard head(AllocateZeroed(headSize));
  if (head) ComposeErrorMessage(head.get(), headSize, text, reason);
  size_t size = head ? ErrorMessageSize(head.get(), note) : 0;
  HeapGuard message(head ? AllocateZeroed(size) : nullptr);
  if (message) ComposeErrorMessage(message.get(), size, head.get(), note);
  MessageBoxA(owner, message ? message.get() : text, nullptr, MB_ICONERROR);
  return 0;
}
