// Page 2 of an install run: the target directory, checked on every change.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <stdlib.h>
#include <string.h>

#include "common/Globals.h"
#include "common/Guards.h"
#include "common/Language.h"
#include "common/WizardContext.h"
#include "pages/PageLogic.h"
#include "pages/Pages.h"
#include "res/resource.h"
#include "script/TargetDir.h"

namespace {

BOOL OnInitDialog(HWND page, LPARAM lParam) {
  WizardContext *context = InitDialogContext(lParam);
  ShowPageHeader(page, context->hHeaderFont, context->szTargetTitle, context->szTargetSubtitle);
  SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(context));

  // A directory from the command line stands as if typed here; else the proposal.
  char proposal[kTargetDirSize] = {};
  if (g_targetDirGiven)
    lstrcpynA(proposal, g_targetDir, sizeof(proposal));
  else
    ProposeTargetDir(context->hInf, proposal);
  SetDlgItemTextA(page, IDC_TARGET_EDIT, proposal);
  return TRUE;
}

// Checks again on every arrival: the buttons follow the field as it stands.
void OnSetActive(HWND page) {
  SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_TARGET_EDIT, EN_CHANGE), 0);
  if (g_quiet) SetPageResult(page, -1);
}

// Next is on only for a path that the target directory can be; otherwise the hint below the
// field says why (an empty field needs no words).
void OnTargetChanged(HWND page) {
  const WizardContext *context = PageContext(page);
  // A text too long for the buffer would be cut to another folder's path: none is kept, and
  // an install without a target directory does not start.
  bool fits = GetWindowTextLengthA(GetDlgItem(page, IDC_TARGET_EDIT)) < kTargetDirSize;
  if (fits)
    GetDlgItemTextA(page, IDC_TARGET_EDIT, g_targetDir, sizeof(g_targetDir));
  else
    g_targetDir[0] = '\0';
  char detail[kTargetDirSize] = {};
  int fault = IDS_TARGET_REFUSED;
  if (fits && context) fault = TargetDirFault(context->hInf, g_targetDir, detail);
  char hint[kFieldSize + kTargetDirSize] = {};
  if (fault && (g_targetDir[0] || !fits)) FormatUiString(fault, detail, hint, sizeof(hint));
  SetDlgItemTextA(page, IDC_TARGET_FAULT, hint);
  SetWizardButtons(page, fault ? PSWIZB_BACK : (PSWIZB_BACK | PSWIZB_NEXT));
}

void OnBrowse(HWND page) {
  const WizardContext *context = PageContext(page);
  if (!context) return;
  char path[kTargetDirSize] = {};
  char subdir[kTargetDirSize] = {};
  DefaultTargetDir(context->hInf, path, subdir);
  if (BrowseForTargetDir(page, path, subdir)) SetDlgItemTextA(page, IDC_TARGET_EDIT, path);
}

BOOL OnCommand(HWND page, WPARAM wParam) {
  if (LOWORD(wParam) == IDC_TARGET_EDIT && HIWORD(wParam) == EN_CHANGE)
    OnTargetChanged(page);
  else if (LOWORD(wParam) == IDC_BROWSE && HIWORD(wParam) == BN_CLICKED)
    OnBrowse(page);
  return TRUE;
}

}  // namespace

BOOL BrowseForTargetDir(HWND owner, char *path, const char *subdir) {
  ComRelease<IMalloc> shellMalloc;
  if (FAILED(SHGetMalloc(shellMalloc.receive()))) return FALSE;
  char title[kTargetDirSize] = {};
  LoadUiString(GetModuleHandleA(nullptr), IDS_BROWSE_TITLE, title, sizeof(title));
  char displayName[kTargetDirSize] = {};
  BROWSEINFOA browse;
  ZeroMemory(&browse, sizeof(browse));
  browse.hwndOwner = owner;
  browse.pszDisplayName = displayName;
  browse.lpszTitle = title;
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
  if (!chosen) return FALSE;
  char folder[kTargetDirSize] = {};
  BOOL ok = SHGetPathFromIDListA(chosen, folder);
  shellMalloc->Free(chosen);
  if (!ok) return FALSE;
  // A folder too long for the product subdirectory is refused rather than cut.
  if (!AppendChosenSubdir(folder, sizeof(folder), subdir)) return FALSE;
  lstrcpynA(path, folder, kTargetDirSize);
  return TRUE;
}

INT_PTR CALLBACK TargetDirPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(page, lParam);
    case WM_NOTIFY:
      return OnSetActiveNotify(page, reinterpret_cast<const NMHDR *>(lParam), OnSetActive);
    case WM_COMMAND:
      return OnCommand(page, wParam);
    default:
      return FALSE;
  }
}
