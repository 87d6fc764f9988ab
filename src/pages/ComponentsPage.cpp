// Page 1 of an install run: which products of the script to install.
#include <windows.h>
#include <commctrl.h>

#include "common/Globals.h"
#include "common/Language.h"
#include "common/WizardContext.h"
#include "pages/CheckList.h"
#include "pages/Pages.h"
#include "pages/ProductList.h"
#include "res/resource.h"
#include "script/Catalogue.h"
#include "script/Ownership.h"

namespace {

constexpr int kWarningSize = 2 * kFieldSize;  // format and product name, each up to 255
constexpr char kLineBreak[] = "\r\n";

void SendCommandToSelf(HWND page, WORD code) {
  SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_CHECKLIST, code), 0);
}

BOOL OnInitDialog(HWND page, LPARAM lParam) {
  WizardContext *context = InitDialogContext(lParam);
  ShowPageHeader(page, context->hHeaderFont, context->szComponentsTitle,
                 context->szComponentsSubtitle);
  SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(context));
  // A key from the command line is the whole choice: the list stays empty and the page away.
  if (g_productKey[0] == '\0') FillProductList(page, context->hInf);
  SubclassCheckList(GetDlgItem(page, IDC_CHECKLIST));
  SendDlgItemMessageA(page, IDC_CHECKLIST, LB_SETCURSEL, 0, 0);
  SendCommandToSelf(page, LBN_SELCHANGE);
  return TRUE;
}

// Whether the page offers products at all: without any, it stays away.
bool OffersProducts(HWND page) {
  return SendDlgItemMessageA(page, IDC_CHECKLIST, LB_GETCOUNT, 0, 0) > 0;
}

// Takes the checked products as the run's choice. One whose key another program holds is
// refused here, where it can be unchecked: the box names that program. True when the choice
// may go on.
bool TakeChoice(HWND page) {
  HINF inf = PageContext(page)->hInf;
  CollectCheckedProducts(page, inf, g_productKey, g_productKeySize);
  OtherProgram other;
  if (!FindProductOfOtherProgram(inf, g_productKey, &other)) return true;
  char text[kFieldSize + kOtherProgramSize];
  FormatUiString(IDS_PRODUCT_OF_OTHER_PROGRAM, other.name, text, sizeof(text));
  MessageBoxA(page, text, nullptr, MB_ICONERROR);
  return false;
}

BOOL OnSetActive(HWND page) {
  if (!OffersProducts(page)) {
    SetPageResult(page, -1);
    return TRUE;
  }
  SendCommandToSelf(page, CLN_CHECKCHANGED);
  // A quiet run stays here, for a person, only when its choice is refused.
  if (g_quiet && TakeChoice(page)) SetPageResult(page, -1);
  return TRUE;
}

BOOL OnNotify(HWND page, const NMHDR *header) {
  switch (header->code) {
    case PSN_SETACTIVE:
      return OnSetActive(page);
    case PSN_WIZNEXT:
      if (!TakeChoice(page)) SetPageResult(page, -1);
      return TRUE;
    case PSN_KILLACTIVE:
      if (OffersProducts(page))
        CollectCheckedProducts(page, PageContext(page)->hInf, g_productKey, g_productKeySize);
      return TRUE;
    default:
      return TRUE;
  }
}

// Asks before a product is checked whose installed version is more recent.
void OnCheckChanging(HWND page, int index, int newState) {
  HWND list = GetDlgItem(page, IDC_CHECKLIST);
  if (!newState || !CheckListGetMark(list, index)) return;
  char name[kFieldSize] = {};
  if (SendMessageA(list, LB_GETTEXTLEN, index, 0) < kFieldSize)
    SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(name));
  char caption[kFieldSize] = {};
  LoadUiString(GetModuleHandleA(nullptr), IDS_WARNING, caption, sizeof(caption));
  char text[kWarningSize];
  FormatUiString(IDS_NEWER_VERSION, name, text, sizeof(text));
  if (MessageBoxA(page, text, caption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
    SetPageResult(page, 1);
}

// Next is on while any item is checked. The walk stops at the first checked item, so that
// filling a long list, which notifies once per item, stays linear.
void OnCheckChanged(HWND page) {
  HWND list = GetDlgItem(page, IDC_CHECKLIST);
  int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  bool anyChecked = false;
  for (int index = 0; index < count && !anyChecked; ++index)
    anyChecked = CheckListGetCheck(list, index) != 0;
  SetWizardButtons(page, anyChecked ? (PSWIZB_BACK | PSWIZB_NEXT) : PSWIZB_BACK);
}

// The box shows its scroll bar only while the text is longer than the box. The text is set
// with the bar there, so that the box lays it out for the narrower width and keeps the bar's
// range.
void ShowDescription(HWND page, const char *text) {
  HWND box = GetDlgItem(page, IDC_DESCRIPTION);
  ShowScrollBar(box, SB_VERT, TRUE);
  SetWindowTextA(box, text);
  SCROLLINFO lines = {sizeof(lines), SIF_RANGE | SIF_PAGE, 0, 0, 0, 0, 0};
  if (GetScrollInfo(box, SB_VERT, &lines) && lines.nMax - lines.nMin < static_cast<int>(lines.nPage))
    ShowScrollBar(box, SB_VERT, FALSE);
}

// The description of the selected product; a name that its row shows cut comes whole first.
void OnSelectionChanged(HWND page) {
  HWND list = GetDlgItem(page, IDC_CHECKLIST);
  int index = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
  if (index < 0) return;
  char name[kFieldSize];
  char text[kFieldSize + sizeof(kLineBreak) + kLongTextSize] = {};
  if (CheckListCutName(list, index, name)) {
    lstrcpyA(text, name);
    lstrcatA(text, kLineBreak);
  }
  int used = lstrlenA(text);
  GetProductDescription(PageContext(page)->hInf, index, text + used, kLongTextSize);
  ShowDescription(page, text);
}

BOOL OnCommand(HWND page, WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) != IDC_CHECKLIST) return TRUE;
  switch (HIWORD(wParam)) {
    case CLN_CHECKCHANGING:
      OnCheckChanging(page, LOWORD(lParam), HIWORD(lParam));
      break;
    case CLN_CHECKCHANGED:
      OnCheckChanged(page);
      break;
    case LBN_SELCHANGE:
      OnSelectionChanged(page);
      break;
  }
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK ComponentsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MEASUREITEM:
      MeasureCheckListItem(page, reinterpret_cast<MEASUREITEMSTRUCT *>(lParam));
      return TRUE;
    case WM_DRAWITEM:
      DrawCheckListItem(reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
      return TRUE;
    case WM_INITDIALOG:
      return OnInitDialog(page, lParam);
    case WM_NOTIFY:
      return OnNotify(page, reinterpret_cast<const NMHDR *>(lParam));
    case WM_COMMAND:
      return OnCommand(page, wParam, lParam);
    default:
      return FALSE;
  }
}
