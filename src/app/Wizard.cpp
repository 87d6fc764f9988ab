#include "app/Wizard.h"

#include <commctrl.h>
#include <setupapi.h>
#include <stddef.h>
#include <stdlib.h>
#include <string.h>

#include "app/Notice.h"
#include "app/RunRequest.h"
#include "common/CodePage.h"
#include "common/ExitCode.h"
#include "common/Globals.h"
#include "common/Language.h"
#include "common/Log.h"
#include "common/PathText.h"
#include "common/Pictures.h"
#include "common/Platform.h"
#include "common/WizardContext.h"
#include "pages/CheckList.h"
#include "pages/PageIndexes.h"
#include "pages/Pages.h"
#include "res/resource.h"
#include "script/Catalogue.h"
#include "script/SetupScript.h"
#include "script/WizardSection.h"

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
constexpr int kHeaderWidth = 503;  // when the sheet's width cannot be measured
constexpr int kHeaderHeight = 58;
constexpr int kHeaderPictureSize = 49;  // the header picture's place, as wide as high
constexpr int kHeaderPictureMargin = 5;
// The sheet is as wide as its pages and this margin on either side, in dialog units.
constexpr int kSheetPaddingUnits = 7;

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

// A page's texts in wide form, kept while the sheet is open.
struct WidePageTexts {
  WCHAR title[kFieldSize];
  WCHAR headerTitle[kFieldSize];
  WCHAR headerSubtitle[kFieldSize];
};

// Everything RunWizard owns while the sheet is open.
struct WizardParts {
  WizardContext context;
  WidePageTexts wideTexts[kPageCount];
  HPROPSHEETPAGE pages[kPageCount];
  void *templates[kPageCount];
  int pageCount;
  HBITMAP watermark;
  HBITMAP header;
};

const char *ContextText(const WizardContext *context, size_t offset) {
  return reinterpret_cast<const char *>(context) + offset;
}

const WCHAR *Widen(const char *text, WCHAR (&wide)[kFieldSize]) {
  if (!MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, kFieldSize)) wide[0] = L'\0';
  return wide;
}

// The sheet draws the header look's title and subtitle itself, a narrow page's in its font's
// code page, not in the UTF-8 of the narrow calls: where those use UTF-8, the page goes to the
// sheet in its wide form, member for member the same. The common controls of the 95 family
// may lack the wide call, which is therefore looked up, not imported.
HPROPSHEETPAGE CreateWidePage(const PROPSHEETPAGEA &narrow, WidePageTexts *texts) {
  static_assert(sizeof(PROPSHEETPAGEA) == sizeof(PROPSHEETPAGEW), "the same members");
  using CreateWidePageProc = HPROPSHEETPAGE(WINAPI *)(LPCPROPSHEETPAGEW);
  CreateWidePageProc create = GetProcAs<CreateWidePageProc>(
      GetModuleHandleA("comctl32.dll"), "CreatePropertySheetPageW");
  if (!create) return CreatePropertySheetPageA(&narrow);
  PROPSHEETPAGEW page;
  memcpy(&page, &narrow, sizeof(page));
  page.pszTitle = Widen(narrow.pszTitle, texts->title);
  if (narrow.dwFlags & PSP_USEHEADERTITLE)
    page.pszHeaderTitle = Widen(narrow.pszHeaderTitle, texts->headerTitle);
  if (narrow.dwFlags & PSP_USEHEADERSUBTITLE)
    page.pszHeaderSubTitle = Widen(narrow.pszHeaderSubTitle, texts->headerSubtitle);
  return create(&page);
}

// Builds the seven pages in index order from template copies of the thread's language.
void CreatePages(HINSTANCE instance, int style, WizardParts *parts) {
  PROPSHEETPAGEA page;
  ZeroMemory(&page, sizeof(page));
  page.dwSize = style == 0 ? kPageSizeClassic : kPageSizeHeaderLook;
  page.hInstance = instance;
  page.lParam = reinterpret_cast<LPARAM>(&parts->context);
  // The caption of every page, which the sheet shows: the templates carry the program's own
  // title, and the script may name another product.
  page.pszTitle = parts->context.szSetupTitle;
  for (int index = 0; index < kPageCount; ++index) {
    const PageDefinition &definition = kPages[index];
    page.dwFlags = (style == 0 ? PSP_DLGINDIRECT : definition.headerLookFlags) | PSP_USETITLE;
    page.pfnDlgProc = definition.procedure;
    if (definition.titleOffset) {
      page.pszHeaderTitle = ContextText(&parts->context, definition.titleOffset);
      page.pszHeaderSubTitle = ContextText(&parts->context, definition.subtitleOffset);
    }
    int templateId = (style == 0 ? IDD_WELCOME : IDD_WELCOME_HDR) + index;
    void *copy = LoadDialogTemplateCopy(instance, templateId);
    parts->templates[index] = copy;
    page.pResource = static_cast<LPCDLGTEMPLATEA>(copy);
    parts->pages[index] = NarrowCallsUseUtf8()
                              ? CreateWidePage(page, &parts->wideTexts[index])
                              : CreatePropertySheetPageA(&page);
    ++parts->pageCount;
  }
}

INT_PTR CALLBACK MeasureDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The width in pixels of the header look's sheet, as the property sheet lays it out: its
// pages' width and a margin on either side, in the dialog units of their font. 0 when it
// cannot be measured.
int HeaderLookSheetWidth(HWND host, HINSTANCE instance, const void *pageTemplate) {
  if (!pageTemplate) return 0;
  const DLGTEMPLATE *page = static_cast<const DLGTEMPLATE *>(pageTemplate);
  HWND probe = CreateDialogIndirectParamA(instance, page, host, MeasureDialogProc, 0);
  if (!probe) return 0;
  RECT width = {0, 0, page->cx + 2 * kSheetPaddingUnits, 0};
  BOOL mapped = MapDialogRect(probe, &width);
  DestroyWindow(probe);
  return mapped ? width.right : 0;
}

int Scaled(int pixels, int dpi) { return MulDiv(pixels, dpi, kDefaultPixelsPerInch); }

// The script's picture, else the program's own bitmap id, at (x, y) of a new window-coloured
// width x height bitmap; null when there is no picture.
HBITMAP ComposeLookPicture(HWND host, HINSTANCE instance, HBITMAP script, int id, int width,
                           int height, int x, int y) {
  HBITMAP own = script ? nullptr : LoadBitmapA(instance, MAKEINTRESOURCEA(id));
  HBITMAP source = script ? script : own;
  HBITMAP composed = source ? ComposeBitmap(host, source, width, height, x, y) : nullptr;
  if (own) DeleteObject(own);
  return composed;
}

// The header look's pictures at the sizes of a 96-dpi screen, grown with the screen's
// resolution as the DPI-aware pages grow: the watermark with its picture at the left edge,
// and the header strip as wide as the sheet with its picture at the right end. The sheet
// draws the subtitle up to near that end: a picture placed for another width would cover it.
void ComposeLookPictures(HWND host, HINSTANCE instance, WizardParts *parts) {
  const int dpi = ScreenPixelsPerInch();
  const WizardContext &context = parts->context;
  parts->watermark =
      ComposeLookPicture(host, instance, context.hWatermark, IDB_WIZARD,
                         Scaled(kWatermarkWidth, dpi), Scaled(kWatermarkHeight, dpi), 0, 0);
  int width = HeaderLookSheetWidth(host, instance, parts->templates[kPageWelcome]);
  if (width <= 0) width = Scaled(kHeaderWidth, dpi);
  int margin = Scaled(kHeaderPictureMargin, dpi);
  parts->header = ComposeLookPicture(host, instance, context.hHeaderPicture, IDB_HEADER, width,
                                     Scaled(kHeaderHeight, dpi),
                                     width - kHeaderPictureSize - margin, margin);
}

void AddLook(HWND host, HINSTANCE instance, int style, PROPSHEETHEADERA *sheet,
             WizardParts *parts) {
  const WizardContext &context = parts->context;
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
      // The program's own pictures as resources; the script's need handles, composed as in
      // style 1.
      sheet->dwFlags |= kLookResources;
      sheet->pszbmWatermark = MAKEINTRESOURCEA(IDB_WIZARD);
      sheet->pszbmHeader = MAKEINTRESOURCEA(IDB_HEADER);
      if (context.hWatermark || context.hHeaderPicture) ComposeLookPictures(host, instance, parts);
      if (context.hWatermark) {
        sheet->dwFlags |= PSH_USEHBMWATERMARK;
        sheet->hbmWatermark = parts->watermark;
      }
      if (context.hHeaderPicture) {
        sheet->dwFlags |= PSH_USEHBMHEADER;
        sheet->hbmHeader = parts->header;
      }
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
    free(parts->templates[index]);
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

// The picture that the script names for key, from the media: beside the script that the run
// opened, or, in a removal handed over to a copy of the program (which has only the script),
// beside the installed program. Null when the script names none or it cannot be read: the
// run goes on with the program's own.
HBITMAP LoadScriptPicture(HINF inf, const char *key) {
  char name[kTargetDirSize];
  if (!ReadWizardText(inf, g_languageId, key, name, sizeof(name))) return nullptr;
  char folder[kTargetDirSize];
  if (g_relocatedFrom[0])
    lstrcpynA(folder, g_relocatedFrom, sizeof(folder));
  else
    SetupScriptPath(folder);
  char *slash = strrchr(folder, '\\');
  if (slash) *slash = '\0';
  HBITMAP picture = LoadWizardPicture(folder, name);
  if (!picture)
    LogFailure(GetLastError(), "the picture %s in %s cannot be read: the program's own is shown",
               name, folder);
  return picture;
}

}  // namespace

int RunWizard(HWND hostWindow) {
  char path[kTargetDirSize];
  UINT errorLine = 0;
  HINF inf = OpenSetupScript(path, &errorLine);
  if (inf == INVALID_HANDLE_VALUE) {
    ShowScriptError(hostWindow, path, errorLine);
    return kExitScriptNotOpened;
  }
  SelectPlatformSections(inf);
  int exitCode = FitListsToScript(inf) ? CheckRunRequest(hostWindow, inf) : kExitInstallFailure;
  if (!exitCode && !HandOverRemoval(inf, &exitCode))
    exitCode = g_silent ? RunSilently(hostWindow, inf) : RunPages(hostWindow, inf);
  SetupCloseInfFile(inf);
  return exitCode;
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

  context->hImageList = ImageStrip(instance);
  context->hNoticeIcon = ImageList_GetIcon(context->hImageList, kNoticeImage, ILD_NORMAL);

  // The script's title and welcome text, in the wizard's language or for all, name its
  // product; else the program's own texts stand.
  if (!ReadWizardText(context->hInf, g_languageId, kWizardTitleKey, context->szSetupTitle,
                      sizeof(context->szSetupTitle)))
    LoadUiString(instance, IDS_SETUP_TITLE, context->szSetupTitle,
                 sizeof(context->szSetupTitle));
  if (ReadWizardText(context->hInf, g_languageId, kWizardWelcomeKey, context->szWelcomeText,
                     sizeof(context->szWelcomeText)))
    ExpandLineBreaks(context->szWelcomeText);
  else
    LoadUiString(instance, IDS_WELCOME_TEXT, context->szWelcomeText,
                 sizeof(context->szWelcomeText));
  context->hWatermark = LoadScriptPicture(context->hInf, kWizardWatermarkKey);
  context->hHeaderPicture = LoadScriptPicture(context->hInf, kWizardHeaderPictureKey);
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
  if (context->hImageList) ReleaseImageStrip();
  if (context->hTitleFont) DeleteObject(context->hTitleFont);
  if (context->hHeaderFont) DeleteObject(context->hHeaderFont);
  if (context->hWatermark) DeleteObject(context->hWatermark);
  if (context->hHeaderPicture) DeleteObject(context->hHeaderPicture);
  context->hWatermark = nullptr;
  context->hHeaderPicture = nullptr;
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
  void *copy = malloc(size);
  if (copy) memcpy(copy, data, size);
  return copy;
}
