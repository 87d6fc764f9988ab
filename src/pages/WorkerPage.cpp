// What the pages share: fonts and header texts; and what the ready page and the remove confirm
// page share: starting a worker, refusing to be cancelled under it, its phase texts and its
// end, and the error box of a failed run.
#include <windows.h>
#include <commctrl.h>
#include <stdlib.h>

#include "app/ExitCode.h"
#include "app/Globals.h"
#include "app/Language.h"
#include "app/Wizard.h"
#include "engine/SectionRunner.h"
#include "pages/PageLogic.h"
#include "pages/Pages.h"
#include "res/resource.h"

namespace {

constexpr int kMessageTextSize = 512;  // a loaded page text

void SetBusy(HWND page, LONG_PTR busy) { SetWindowLongPtrA(page, GWLP_USERDATA, busy); }

HWND CancelButton(HWND page) { return GetDlgItem(GetParent(page), IDCANCEL); }

// Frees a FormatMessage buffer when it goes out of scope.
struct LocalText {
  char *text = nullptr;
  ~LocalText() {
    if (text) LocalFree(text);
  }
};

}  // namespace

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

void SetPageResult(HWND page, LONG_PTR result) {
  SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
}

void StartWorkerFromPage(HWND page, LPTHREAD_START_ROUTINE worker) {
  SetWizardButtons(page, 0);
  EnableWindow(CancelButton(page), FALSE);
  // No page has the dialog id 1: the sheet stays where it is.
  SetPageResult(page, 1);
  SetBusy(page, 1);
  HANDLE thread = CreateThread(nullptr, 0, worker, page, 0, nullptr);
  if (thread) {
    // The page follows the worker through its messages only.
    CloseHandle(thread);
    return;
  }
  // Without a thread there is no WM_SETUP_DONE to wait for: report the failure at once.
  PostMessageA(page, WM_SETUP_DONE, 0, static_cast<LPARAM>(GetLastError()));
}

void RefuseCancelWhileBusy(HWND page) {
  if (GetWindowLongPtrA(page, GWLP_USERDATA)) SetPageResult(page, 1);
}

BOOL ShowPhaseText(HWND page, int control, int phase, int removeRun) {
  char text[kFieldSize] = {};
  int id = PhaseTextId(phase, removeRun);
  if (id) LoadUiString(GetModuleHandleA(nullptr), id, text, sizeof(text));
  SetDlgItemTextA(page, control, text);
  return id != 0;
}

BOOL FinishWorkerRun(HWND page, WPARAM succeeded, LPARAM error, const WorkerPageParts &parts) {
  SetBusy(page, 0);
  if (succeeded) {
    g_runOutcome = kRunSucceeded;
    SendMessageA(GetParent(page), PSM_SETCURSEL, parts.finishPage, 0);
    return TRUE;
  }
  g_runOutcome = kRunFailed;
  char text[kMessageTextSize] = {};
  LoadUiString(GetModuleHandleA(nullptr), parts.failureTextId, text, sizeof(text));
  ShowSetupError(page, text, static_cast<DWORD>(error));
  EnableWindow(CancelButton(page), TRUE);
  SetDlgItemTextA(page, parts.phaseControl, "");
  SetWizardButtons(page, parts.retryButtons);
  return FALSE;
}

int ShowSetupError(HWND owner, const char *text, DWORD error) {
  LocalText system;
  if (error) {
    constexpr DWORD kFlags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                             FORMAT_MESSAGE_FROM_SYSTEM;
    // The reason in the wizard's language, else in the system's own: a reason in another
    // language helps the user more than none.
    if (!FormatMessageA(kFlags, nullptr, error, g_languageId,
                        reinterpret_cast<char *>(&system.text), 0, nullptr))
      FormatMessageA(kFlags, nullptr, error, 0, reinterpret_cast<char *>(&system.text), 0,
                     nullptr);
  }
  // The system's text has no bound: the message is sized to fit it whole.
  size_t size = ErrorMessageSize(text, system.text);
  char *message = static_cast<char *>(malloc(size));
  if (!message) {
    MessageBoxA(owner, text, nullptr, MB_ICONERROR);
    return 0;
  }
  ComposeErrorMessage(message, size, text, system.text);
  MessageBoxA(owner, message, nullptr, MB_ICONERROR);
  free(message);
  return 0;
}
