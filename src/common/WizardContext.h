// What every page shares: the open setup script and the resources loaded once for all pages.
// Each page gets its address in PROPSHEETPAGE.lParam; the workers read only hInf.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <setupapi.h>

#include "common/Globals.h"

struct WizardContext {
  HINF hInf;
  HIMAGELIST hImageList;
  HFONT hTitleFont;
  HFONT hHeaderFont;
  HICON hNoticeIcon;
  char szSetupTitle[kFieldSize];
  char szWelcomeText[kLongTextSize];
  char szComponentsTitle[kFieldSize];
  char szComponentsSubtitle[kFieldSize];
  char szTargetTitle[kFieldSize];
  char szTargetSubtitle[kFieldSize];
  char szReadyTitle[kFieldSize];
  char szReadySubtitle[kFieldSize];
  // The script's pictures for the welcome and finish pages and for the header look's header;
  // null where the script gives none or it cannot be read, and the program's own are shown.
  HBITMAP hWatermark;
  HBITMAP hHeaderPicture;
};

// The context handed to a page in its PROPSHEETPAGE, as WM_INITDIALOG's lParam brings it.
inline WizardContext *InitDialogContext(LPARAM lParam) {
  const PROPSHEETPAGEA *sheetPage = reinterpret_cast<const PROPSHEETPAGEA *>(lParam);
  return reinterpret_cast<WizardContext *>(sheetPage->lParam);
}

// The context a page keeps in its DWLP_USER window long.
inline WizardContext *PageContext(HWND page) {
  return reinterpret_cast<WizardContext *>(GetWindowLongPtrA(page, DWLP_USER));
}
