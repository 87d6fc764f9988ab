#include "app/Wizard.h"

#include <commctrl.h>
#include <setupapi.h>
#include <stddef.h>
#include <string.h>

#include "app/ExitCode.h"
#include "app/Globals.h"
#include "app/Language.h"
#include "app/RunRequest.h"
#include "app/WizardContext.h"
#include "common/Log.h"
#include "pages/Pages.h"
#include "res/resource.h"
#include "script/Catalogue.h"
#include "script/SetupScript.h"

namespace {

// The first definition of the Wizard97 flag: common controls before 5.80 know only this one.
constexpr DWORD kPshWizard97First = 0x00002000;
constexpr DWORD kLookComposed = kPshWizard97First | PSH_WATERMARK | PSH_USEHBMWATERMARK |
                                PSH_STRETCHWATERMARK | PSH_HEADER | PSH_USEHBMHEADER;
constexpr DWORD kLookResources = kPshWizard97First | PSH_WATERMARK | PSH_HEADER;
static_assert(kLookComposed == 0x1DA000, "header look with composed pictures");
static_assert(kLookResources == 0x8A000, "header look with the picture resources");

constexpr DWORD kOuterPageFlags = PSP_DLGINDIRECT | PSP_HIDEHEADER;
constexpr DWORD kInnerPageFlags = PSP_DLGINDIRECT | PSP_USEHEADERTITLE | PSP_USEHEADERSUBTITLE;
static_assert(kOuterPageFlags == 0x0801 && kInnerPageFlags == 0x3001, "page flags");

// The structure versions: the first one for the classic look, the one with the header members
// for the header look (the platform's V1 and V2 sizes). The SDK's size macros are not constant
// expressions, and its V2 header macro does not compile here, so the ends are taken directly.
constexpr UINT kHeaderSizeClassic =
    offsetof(PROPSHEETHEADERA, pfnCallback) + sizeof(PFNPROPSHEETCALLBACK);
constexpr UINT kHeaderSizeHeaderLook = offsetof(PROPSHEETHEADERA, hbmHeader) + sizeof(HBITMAP);
constexpr UINT kPageSizeClassic = offsetof(PROPSHEETPAGEA, pcRefParent) + sizeof(UINT *);
constexpr UINT kPageSizeHeaderLook =
    offsetof(PROPSHEETPAGEA, pszHeaderSubTitle) + sizeof(LPCSTR);
#if defined(__i386__)
static_assert(kHeaderSizeClassic == 40 && kHeaderSizeHeaderLook == 52, "sheet header sizes");
static_assert(kPageSizeClassic == 40 && kPageSizeHeaderLook == 48, "page sizes");
#endif

constexpr int kDefaultPixelsPerInch = 96;
constexpr int kWatermarkWidth = 503;
constexpr int kWatermarkHeight = 313;
constexpr int kHeaderWidth = 503;
constexpr int kHeaderHeight = 58;
constexpr int kHeaderPictureX = 443;
constexpr int kHeaderPictureY = 5;

constexpr int kImageSize = 16;
constexpr COLORREF kImageMask = RGB(0, 128, 128);
constexpr int kNoticeImage = 69;
constexpr int kTitlePoints = 12;
constexpr int kHeaderPoints = 8;
constexpr char kPageFont[] = "MS Shell Dlg";

int ScreenPixelsPerInch() {
  HDC screen = GetDC(nullptr);
  int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return pixelsPerInch;
}

struct PageDefinition {
  DLGPROC procedure;
  DWORD headerLookFlags;
  size_t titleOffset;     // header strings of the inner pages in WizardContext, or 0
  size_t subtitleOffset;
};

const PageDefinition kPages[kPageCount] = {
    {WelcomePageProc, kOuterPageFlags, 0, 0},
    {ComponentsPageProc, kInnerPageFlags, offsetof(WizardContext, szComponentsTitle),
     offsetof(WizardContext, szComponentsSubtitle)},
    {TargetDirPageProc, kInnerPageFlags, offsetof(WizardContext, szTargetTitle),
     offsetof(WizardContext, szTargetSubtitle)},
    {ReadyPageProc, kInnerPageFlags, offsetof(WizardContext, szReadyTitle),
     offsetof(WizardContext, szReadySubtitle)},
    {InstallFinishPageProc, kOuterPageFlags, 0, 0},
    {RemovePageProc, kOuterPageFlags, 0, 0},
    {RemoveFinishPageProc, kOuterPageFlags, 0, 0},
};

// The sheet's own buttons; the system labels them in its language, the program in the pages'.
constexpr int kSheetBack = 0x3023;    // ID_PSBACK
constexpr int kSheetNext = 0x3024;    // ID_PSNEXT
constexpr int kSheetFinish = 0x3025;  // ID_PSFINISH

struct SheetButton {
  int control;
  UINT textId;
};

const SheetButton kSheetButtons[] = {
    {kSheetBack, IDS_BUTTON_BACK},
    {kSheetNext, IDS_BUTTON_NEXT},
    {IDCANCEL, IDS_BUTTON_CANCEL},
    {kSheetFinish, IDS_BUTTON_FINISH},
};

// Labels the buttons once the sheet exists, before it is first shown.
int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM) {
  if (message != PSCB_INITIALIZED) return 0;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  for (const SheetButton &button : kSheetButtons) {
    char text[kFieldSize];
    if (LoadUiString(instance, button.textId, text, sizeof(text)))
      SetDlgItemTextA(sheet, button.control, text);
  }
  return 0;
}

// Everything RunWizard owns while the sheet is open.
struct WizardParts {
  WizardContext context;
  HPROPSHEETPAGE pages[kPageCount];
  void *templates[kPageCount];
  int pageCount;
  HBITMAP watermark;
  HBITMAP header;
};

const char *ContextText(const WizardContext *context, size_t offset) {
  return reinterpret_cast<const char *>(context) + offset;
}

// Builds the seven pages in index order from template copies of the thread's language.
void CreatePages(HINSTANCE instance, int style, WizardParts *parts) {
  PROPSHEETPAGEA page;
  ZeroMemory(&page, sizeof(page));
  page.dwSize = style == 0 ? kPageSizeClassic : kPageSizeHeaderLook;
  page.hInstance = instance;
  page.lParam = reinterpret_cast<LPARAM>(&parts->context);
  for (int index = 0; index < kPageCount; ++index) {
    const PageDefinition &definition = kPages[index];
    page.dwFlags = style == 0 ? PSP_DLGINDIRECT : definition.headerLookFlags;
    page.pfnDlgProc = definition.procedure;
    if (definition.titleOffset) {
      page.pszHeaderTitle = ContextText(&parts->context, definition.titleOffset);
      page.pszHeaderSubTitle = ContextText(&parts->context, definition.subtitleOffset);
    }
    int templateId = (style == 0 ? IDD_WELCOME : IDD_WELCOME_HDR) + index;
    void *copy = LoadDialogTemplateCopy(instance, templateId);
    parts->templates[index] = copy;
    page.pResource = static_cast<LPCDLGTEMPLATEA>(copy);
    parts->pages[index] = CreatePropertySheetPageA(&page);
    ++parts->pageCount;
  }
}

// Style 1: window-coloured pictures composed from bitmaps 4 and 5. Their sizes are those of a
// 96-dpi screen; the program is DPI-aware, so on a larger screen they grow with the pages, and
// the header picture keeps its place right of the header texts.
void ComposeLookPictures(HWND host, HINSTANCE instance, WizardParts *parts) {
  const int dpi = ScreenPixelsPerInch();
  auto scaled = [dpi](int pixels) { return MulDiv(pixels, dpi, kDefaultPixelsPerInch); };
  HBITMAP wizard = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_WIZARD));
  HBITMAP header = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_HEADER));
  if (wizard)
    parts->watermark = ComposeBitmap(host, wizard, scaled(kWatermarkWidth),
                                     scaled(kWatermarkHeight), 0, 0);
  if (header)
    parts->header = ComposeBitmap(host, header, scaled(kHeaderWidth), scaled(kHeaderHeight),
                                  scaled(kHeaderPictureX), scaled(kHeaderPictureY));
  if (wizard) DeleteObject(wizard);
  if (header) DeleteObject(header);
}

void AddLook(HWND host, HINSTANCE instance, int style, PROPSHEETHEADERA *sheet,
             WizardParts *parts) {
  switch (style) {
    case 0:
      sheet->dwFlags |= PSH_WIZARD;
      break;
    case 1:
      sheet->dwFlags |= kLookComposed;
      ComposeLookPictures(host, instance, parts);
      sheet->hbmWatermark = parts->watermark;
      sheet->hbmHeader = parts->header;
      break;
    case 2:
      sheet->dwFlags |= kLookResources;
      sheet->pszbmWatermark = MAKEINTRESOURCEA(IDB_WIZARD);
      sheet->pszbmHeader = MAKEINTRESOURCEA(IDB_HEADER);
      break;
  }
}

// Offers the restart after the sheet has closed; non-zero when the restart was started.
int OfferRestart(HWND host) {
  if (!g_rebootNeeded) return 0;
  INT answer = SetupPromptReboot(nullptr, host, FALSE);
  int started = answer != -1 && (answer & SPFILEQ_REBOOT_IN_PROGRESS) != 0;
  LogLine("the restart was offered: %s", started ? "started" : "not started");
  return started;
}

void FreeTemplates(WizardParts *parts) {
  for (int index = parts->pageCount - 1; index >= 0; --index)
    if (parts->templates[index]) HeapFree(GetProcessHeap(), 0, parts->templates[index]);
}

// The property sheet over the open script; returns the run's exit code.
int RunPages(HWND hostWindow, HINF inf) {
  WizardParts parts;
  ZeroMemory(&parts, sizeof(parts));
  HINSTANCE instance =
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hostWindow, GWLP_HINSTANCE));
  parts.context.hInf = inf;
  LoadPageResources(instance, &parts.context);

  // Pages and look follow the style that is built; an unknown value gets the usual look.
  int style = EffectiveWizardStyle(g_wizardStyle);
  PROPSHEETHEADERA sheet;
  ZeroMemory(&sheet, sizeof(sheet));
  sheet.dwSize = style == 0 ? kHeaderSizeClassic : kHeaderSizeHeaderLook;
  sheet.dwFlags = PSH_USECALLBACK;
  sheet.pfnCallback = SheetCallback;
  sheet.hwndParent = hostWindow;
  sheet.hInstance = instance;
  sheet.nStartPage = g_removeMode ? kPageRemove : kPageWelcome;
  sheet.phpage = parts.pages;
  CreatePages(instance, style, &parts);
  sheet.nPages = kPageCount;
  AddLook(hostWindow, instance, style, &sheet, &parts);

  g_runOutcome = kRunNone;
  PropertySheetA(&sheet);

  int rebootStarted = OfferRestart(hostWindow);
  int exitCode = ChooseExitCode(g_runOutcome, g_rebootNeeded, rebootStarted);

  ReleasePageResources(&parts.context);
  FreeTemplates(&parts);
  if (parts.watermark) DeleteObject(parts.watermark);
  if (parts.header) DeleteObject(parts.header);
  return exitCode;
}

}  // namespace

int RunWizard(HWND hostWindow) {
  HINF inf = OpenSetupScript(hostWindow);
  if (inf == INVALID_HANDLE_VALUE) {
    g_exitCode = kExitScriptNotOpened;
    return 0;
  }
  SelectPlatformSections(inf);
  int refused = FitListsToScript(inf) ? CheckRunRequest(hostWindow, inf) : kExitInstallFailure;
  if (refused)
    g_exitCode = refused;
  else if (!HandOverRemoval(inf, &g_exitCode))
    g_exitCode = g_silent ? RunSilently(hostWindow, inf) : RunPages(hostWindow, inf);
  SetupCloseInfFile(inf);
  return 1;
}

int LoadPageResources(HINSTANCE instance, WizardContext *context) {
  int pixelsPerInch = ScreenPixelsPerInch();

  LOGFONTA font;
  ZeroMemory(&font, sizeof(font));
  lstrcpynA(font.lfFaceName, kPageFont, sizeof(font.lfFaceName));
  font.lfWeight = FW_BOLD;
  font.lfHeight = -MulDiv(kTitlePoints, pixelsPerInch, 72);
  context->hTitleFont = CreateFontIndirectA(&font);
  font.lfHeight = -MulDiv(kHeaderPoints, pixelsPerInch, 72);
  context->hHeaderFont = CreateFontIndirectA(&font);

  context->hImageList = ImageList_LoadImageA(instance, MAKEINTRESOURCEA(IDB_IMAGES), kImageSize,
                                             0, kImageMask, IMAGE_BITMAP, 0);
  context->hNoticeIcon = ImageList_GetIcon(context->hImageList, kNoticeImage, ILD_NORMAL);

  LoadUiString(instance, IDS_SETUP_TITLE, context->szSetupTitle, sizeof(context->szSetupTitle));
  LoadUiString(instance, IDS_WELCOME_TEXT, context->szWelcomeText,
              sizeof(context->szWelcomeText));
  LoadUiString(instance, IDS_COMPONENTS_TITLE, context->szComponentsTitle,
              sizeof(context->szComponentsTitle));
  LoadUiString(instance, IDS_COMPONENTS_SUBTITLE, context->szComponentsSubtitle,
              sizeof(context->szComponentsSubtitle));
  LoadUiString(instance, IDS_TARGET_TITLE, context->szTargetTitle,
              sizeof(context->szTargetTitle));
  LoadUiString(instance, IDS_TARGET_SUBTITLE, context->szTargetSubtitle,
              sizeof(context->szTargetSubtitle));
  LoadUiString(instance, IDS_READY_TITLE, context->szReadyTitle, sizeof(context->szReadyTitle));
  LoadUiString(instance, IDS_READY_SUBTITLE, context->szReadySubtitle,
              sizeof(context->szReadySubtitle));
  return 1;
}

int ReleasePageResources(WizardContext *context) {
  if (context->hNoticeIcon) DestroyIcon(context->hNoticeIcon);
  if (context->hImageList) ImageList_Destroy(context->hImageList);
  if (context->hTitleFont) DeleteObject(context->hTitleFont);
  if (context->hHeaderFont) DeleteObject(context->hHeaderFont);
  context->hNoticeIcon = nullptr;
  context->hImageList = nullptr;
  context->hTitleFont = nullptr;
  context->hHeaderFont = nullptr;
  return 1;
}

void *LoadDialogTemplateCopy(HINSTANCE instance, int dialogId) {
  HRSRC resource = FindUiResource(instance, RT_DIALOG, static_cast<WORD>(dialogId));
  if (!resource) return nullptr;
  DWORD size = SizeofResource(instance, resource);
  HGLOBAL loaded = LoadResource(instance, resource);
  const void *data = loaded ? LockResource(loaded) : nullptr;
  if (!data || size == 0) return nullptr;
  void *copy = HeapAlloc(GetProcessHeap(), 0, size);
  if (copy) memcpy(copy, data, size);
  return copy;
}

HBITMAP ComposeBitmap(HWND window, HBITMAP source, int width, int height, int x, int y) {
  BITMAP info;
  ZeroMemory(&info, sizeof(info));
  GetObjectA(source, sizeof(info), &info);

  HDC windowDc = GetDC(window);
  HDC target = CreateCompatibleDC(windowDc);
  HDC from = CreateCompatibleDC(windowDc);
  HBITMAP composed = CreateCompatibleBitmap(windowDc, width, height);
  HGDIOBJ oldTarget = SelectObject(target, composed);
  HGDIOBJ oldFrom = SelectObject(from, source);

  RECT whole = {0, 0, width, height};
  FillRect(target, &whole, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
  BitBlt(target, x, y, info.bmWidth, info.bmHeight, from, 0, 0, SRCCOPY);

  SelectObject(from, oldFrom);
  SelectObject(target, oldTarget);
  DeleteDC(from);
  DeleteDC(target);
  ReleaseDC(window, windowDc);
  return composed;
}
