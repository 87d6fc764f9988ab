// Shows all fourteen page templates of one language at once, as real dialogs on one screen,
// filled the way the pages fill them (titles in their fonts, notes and icons shown, sample
// checklist lines), so that a screenshot of the screen is a contact sheet of that language.
//
//   contactsheet.exe LANGID READY-FILE
//
// When everything is painted it creates READY-FILE and waits until someone deletes it
// (scripts/contact-sheet.sh takes the screenshot in between), at most a minute.
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>
#include <stdlib.h>

#include "res/resource.h"

namespace {

constexpr int kTemplates = 14;
constexpr int kColumns = 4;
constexpr int kGap = 12;
constexpr int kLabelHeight = 18;
constexpr int kTextSize = 1024;
constexpr int kStringsPerBlock = 16;
constexpr DWORD kWaitLimitMs = 60000;
constexpr DWORD kPollMs = 100;
constexpr COLORREF kMask = RGB(0, 128, 128);
constexpr int kPointsPerInch = 72;

LANGID g_language;
HIMAGELIST g_images;
HFONT g_titleFont, g_headerFont;

const char *const kSampleProducts[] = {"Orlavin for Windows", "Orlavin Fax Module",
                                       "Voice Greetings Pack"};
// Icon numbers as a setup script gives them: number n is image n + 1 of the strip.
constexpr int kSampleImages[] = {4, 5, 8};

const char *PageName(int id) {
  static const char *const names[] = {"welcome", "components", "target directory", "ready",
                                      "install finish", "remove confirm", "remove finish"};
  return names[(id - IDD_WELCOME) % 7];
}

// A string of the table in exactly the sheet's language, in the ANSI code page.
void ReadString(int id, char *out, int size) {
  out[0] = '\0';
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC info = FindResourceExA(module, RT_STRING, MAKEINTRESOURCEA(id / kStringsPerBlock + 1),
                               g_language);
  if (!info) return;
  const WCHAR *entry = static_cast<const WCHAR *>(LockResource(LoadResource(module, info)));
  for (int i = 0; entry && i < id % kStringsPerBlock; ++i) entry += 1 + *entry;
  if (!entry) return;
  int n = WideCharToMultiByte(CP_ACP, 0, entry + 1, *entry, out, size - 1, nullptr, nullptr);
  out[n] = '\0';
}

void SetString(HWND page, int control, int stringId) {
  char text[kTextSize];
  ReadString(stringId, text, sizeof(text));
  SetDlgItemTextA(page, control, text);
}

HFONT CreatePageFont(int points) {
  HDC screen = GetDC(nullptr);
  int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  LOGFONTA font;
  ZeroMemory(&font, sizeof(font));
  lstrcpynA(font.lfFaceName, "MS Shell Dlg", LF_FACESIZE);
  font.lfWeight = FW_BOLD;
  font.lfHeight = -MulDiv(points, pixelsPerInch, kPointsPerInch);
  return CreateFontIndirectA(&font);
}

void ShowIcon(HWND page, int image) {
  HWND icon = GetDlgItem(page, IDC_NOTICE_ICON);
  if (!icon) return;
  SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(ImageList_GetIcon(g_images, image,
                                                                             ILD_NORMAL)), 0);
  ShowWindow(icon, SW_SHOW);
}

// What each page shows while it runs, with the hidden notes shown so they can be read.
void FillPage(HWND page, int id) {
  const int classic = id <= IDD_REMOVEFINISH ? id : id - 7;
  if (GetDlgItem(page, IDC_HEADER_TITLE))
    SendDlgItemMessageA(page, IDC_HEADER_TITLE, WM_SETFONT,
                        reinterpret_cast<WPARAM>(g_headerFont), FALSE);
  switch (classic) {
    case IDD_WELCOME:
      SendDlgItemMessageA(page, IDC_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(g_titleFont), 0);
      SetString(page, IDC_TITLE, IDS_SETUP_TITLE);
      SetString(page, IDC_TEXT, IDS_WELCOME_TEXT);
      break;
    case IDD_COMPONENTS:
      SetString(page, IDC_HEADER_TITLE, IDS_COMPONENTS_TITLE);
      SetString(page, IDC_HEADER_SUBTITLE, IDS_COMPONENTS_SUBTITLE);
      for (const char *name : kSampleProducts)
        SendDlgItemMessageA(page, IDC_CHECKLIST, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(name));
      SendDlgItemMessageA(page, IDC_CHECKLIST, LB_SETCURSEL, 0, 0);
      SetDlgItemTextA(page, IDC_TITLE, "(description of the selected product)");
      break;
    case IDD_TARGETDIR:
      SetString(page, IDC_HEADER_TITLE, IDS_TARGET_TITLE);
      SetString(page, IDC_HEADER_SUBTITLE, IDS_TARGET_SUBTITLE);
      SetDlgItemTextA(page, IDC_TARGET_EDIT, "C:\\Program Files\\Orlavin");
      break;
    case IDD_READY:
      SetString(page, IDC_HEADER_TITLE, IDS_READY_TITLE);
      SetString(page, IDC_HEADER_SUBTITLE, IDS_READY_SUBTITLE);
      ShowIcon(page, 69);
      ShowWindow(GetDlgItem(page, IDC_TITLE), SW_SHOW);
      SetString(page, IDC_TEXT, IDS_PHASE_COPY);
      SendDlgItemMessageA(page, IDC_PROGRESS, PBM_SETPOS, 40, 0);
      break;
    case IDD_INSTALLFINISH:
    case IDD_REMOVEFINISH:
      SendDlgItemMessageA(page, IDC_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(g_titleFont), 0);
      ShowIcon(page, 69);
      ShowWindow(GetDlgItem(page, IDC_TEXT), SW_SHOW);
      break;
    case IDD_REMOVE:
      SendDlgItemMessageA(page, IDC_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(g_titleFont), 0);
      SendDlgItemMessageA(page, IDC_TEXT, WM_SETFONT, reinterpret_cast<WPARAM>(g_headerFont), 0);
      SetString(page, IDC_TITLE, IDS_SETUP_TITLE);
      SetDlgItemTextA(page, IDC_TEXT, kSampleProducts[0]);
      ShowIcon(page, kSampleImages[0] + 1);
      SetString(page, IDC_PHASE, IDS_PHASE_DELETE);
      break;
  }
}

// Sample checklist lines: check box, picture and name, as the components page draws them.
void DrawSampleItem(const DRAWITEMSTRUCT *item) {
  if (item->itemID == static_cast<UINT>(-1)) return;
  const bool selected = item->itemState & ODS_SELECTED;
  FillRect(item->hDC, &item->rcItem,
           GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const int x = item->rcItem.left, y = item->rcItem.top;
  ImageList_Draw(g_images, item->itemID == 1 ? 15 : 14, item->hDC, x + 1, y + 1,
                 ILD_TRANSPARENT);
  ImageList_Draw(g_images, kSampleImages[item->itemID % 3] + 1, item->hDC, x + 19, y + 1,
                 ILD_TRANSPARENT);
  char text[kTextSize] = "";
  SendMessageA(item->hwndItem, LB_GETTEXT, item->itemID, reinterpret_cast<LPARAM>(text));
  SetBkMode(item->hDC, TRANSPARENT);
  SetTextColor(item->hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  RECT rc = item->rcItem;
  rc.left += 38;
  DrawTextA(item->hDC, text, -1, &rc, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

INT_PTR CALLBACK SheetPageProc(HWND, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_MEASUREITEM:
      reinterpret_cast<MEASUREITEMSTRUCT *>(lParam)->itemHeight = 18;
      return TRUE;
    case WM_DRAWITEM:
      DrawSampleItem(reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
      return TRUE;
  }
  return FALSE;
}

HWND CreatePage(HWND sheet, int id) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC info = FindResourceExA(module, RT_DIALOG, MAKEINTRESOURCEA(id), g_language);
  if (!info) return nullptr;
  auto bytes = static_cast<LPCDLGTEMPLATEA>(LockResource(LoadResource(module, info)));
  HWND page = CreateDialogIndirectParamA(module, bytes, sheet, SheetPageProc, 0);
  if (page) FillPage(page, id);
  return page;
}

// Row r holds the pages 2r and 2r + 1, each followed by its header-look twin.
void Place(int index, int *row, int *column) {
  const int classic = index % 7, twin = index / 7;
  *row = classic / 2;
  *column = (classic % 2) * 2 + twin;
}

void Label(HWND sheet, int x, int y, const char *text) {
  CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE, x, y, 500, kLabelHeight, sheet,
                  nullptr, GetModuleHandleA(nullptr), nullptr);
}

bool FileExists(const char *path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

void PumpFor(DWORD ms) {
  DWORD start = GetTickCount();
  MSG msg;
  while (GetTickCount() - start < ms) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(10);
  }
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: contactsheet LANGID READY-FILE\n");
    return 2;
  }
  g_language = static_cast<LANGID>(strtoul(argv[1], nullptr, 0));
  const char *readyFile = argv[2];
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  HMODULE module = GetModuleHandleA(nullptr);
  g_images = ImageList_LoadImageA(module, MAKEINTRESOURCEA(IDB_IMAGES), 16, 0, kMask,
                                  IMAGE_BITMAP, 0);
  g_titleFont = CreatePageFont(12);
  g_headerFont = CreatePageFont(8);

  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  HWND sheet = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_CLIPCHILDREN, 0, 0, width, height,
                               nullptr, nullptr, module, nullptr);
  char title[kTextSize], line[kTextSize];
  ReadString(IDS_SETUP_TITLE, title, sizeof(title));
  snprintf(line, sizeof(line), "Language 0x%04X: %s", g_language, title);
  Label(sheet, kGap, 2, line);

  HWND pages[kTemplates] = {};
  int cellWidth = 0, cellHeight = 0;
  for (int i = 0; i < kTemplates; ++i) {
    pages[i] = CreatePage(sheet, IDD_WELCOME + i);
    if (!pages[i]) continue;
    RECT rc;
    GetWindowRect(pages[i], &rc);
    if (rc.right - rc.left > cellWidth) cellWidth = rc.right - rc.left;
    if (rc.bottom - rc.top > cellHeight) cellHeight = rc.bottom - rc.top;
  }
  for (int i = 0; i < kTemplates; ++i) {
    int row = 0, column = 0;
    Place(i, &row, &column);
    const int x = kGap + column * (cellWidth + kGap);
    const int y = kLabelHeight + kGap + row * (cellHeight + kLabelHeight + kGap);
    snprintf(line, sizeof(line), "%d %s, %s look%s", IDD_WELCOME + i, PageName(IDD_WELCOME + i),
             i < 7 ? "classic" : "header", pages[i] ? "" : ": MISSING");
    Label(sheet, x, y, line);
    if (pages[i]) {
      SetWindowPos(pages[i], nullptr, x, y + kLabelHeight, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      ShowWindow(pages[i], SW_SHOW);
    }
  }
  ShowWindow(sheet, SW_SHOW);
  UpdateWindow(sheet);
  PumpFor(500);

  HANDLE ready = CreateFileA(readyFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
  for (DWORD waited = 0; FileExists(readyFile) && waited < kWaitLimitMs; waited += kPollMs)
    PumpFor(kPollMs);

  DestroyWindow(sheet);
  ImageList_Destroy(g_images);
  DeleteObject(g_titleFont);
  DeleteObject(g_headerFont);
  return 0;
}
