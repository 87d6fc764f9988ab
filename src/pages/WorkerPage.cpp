// What the ready page and the remove confirm page share: starting a worker, refusing to be
// cancelled under it, its phase texts and its end.
#include <windows.h>
#include <commctrl.h>

#include "common/ExitCode.h"
#include "common/Globals.h"
#include "common/Language.h"
#include "common/Messages.h"
#include "common/WizardContext.h"
#include "engine/SectionRunner.h"
#include "engine/Workers.h"
#include "pages/PageLogic.h"
#include "pages/Pages.h"
#include "res/resource.h"

namespace {

constexpr int kMessageTextSize = 512;  // a loaded page text

// The run that a page hands to its worker; one worker runs at a time, and the page's buttons
// stay disabled until it has reported.
RunRecord pageRun;

HWND CancelButton(HWND page) { return GetDlgItem(GetParent(page), IDCANCEL); }

// The run as the pages chose it: the script, the products and the folder.
void StartWorkerFromPage(HWND page, bool removal) {
  SetWizardButtons(page, 0);
  EnableWindow(CancelButton(page), FALSE);
  // No page has the dialog id 1: the sheet stays where it is.
  SetPageResult(page, 1);
  // Busy from here on, before the thread runs at all.
  g_workerBusy = 1;
  const WizardContext *context = PageContext(page);
  pageRun = {context ? context->hInf : INVALID_HANDLE_VALUE, page, g_productKey, {}, removal, 0};
  lstrcpynA(pageRun.targetDir, g_targetDir, sizeof(pageRun.targetDir));
  HANDLE thread = StartWorker(&pageRun);
  if (thread) {
    // The page follows the worker through its messages only.
    CloseHandle(thread);
    return;
  }
  // Without a thread there is no WM_SETUP_DONE to wait for: report the failure at once.
  PostMessageA(page, WM_SETUP_DONE, 0, static_cast<LPARAM>(GetLastError()));
}

// The worker is done only once the page has handled its end: it clears the flag just before
// it reports, and the report may still wait in the queue.
void RefuseCancelWhileBusy(HWND page) {
  MSG pending;
  if (g_workerBusy || PeekMessageA(&pending, page, WM_SETUP_DONE, WM_SETUP_DONE, PM_NOREMOVE))
    SetPageResult(page, 1);
}

BOOL OnNotify(HWND page, const NMHDR *header, const WorkerPageHandlers &handlers) {
  switch (header->code) {
    case PSN_SETACTIVE:
      handlers.onSetActive(page);
      break;
    case PSN_WIZNEXT:
      StartWorkerFromPage(page, handlers.removal);
      break;
    case PSN_QUERYCANCEL:
      RefuseCancelWhileBusy(page);
      break;
  }
  return TRUE;
}

// The last paragraph of the error box: whether the install's changes were taken back.
int TakenBackTextId(int outcome) {
  switch (outcome) {
    case kRunTakenBack:
    case kRunDiskFull:
      return IDS_INSTALL_TAKEN_BACK;
    case kRunTakenBackAtRestart:
      return IDS_INSTALL_TAKEN_BACK_AT_RESTART;
    default:
      return 0;
  }
}

}  // namespace

INT_PTR WorkerPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam,
                       const WorkerPageHandlers &handlers) {
  switch (message) {
    case WM_INITDIALOG:
      return handlers.onInitDialog(page, lParam);
    case WM_NOTIFY:
      return OnNotify(page, reinterpret_cast<const NMHDR *>(lParam), handlers);
    case WM_SETUP_PHASE:
      return handlers.onPhase(page, wParam);
    case WM_SETUP_DONE:
      return handlers.onDone(page, wParam, lParam);
    default:
      return FALSE;
  }
}

BOOL ShowPhaseText(HWND page, int control, int phase, int removeRun) {
  char text[kFieldSize] = {};
  int id = PhaseTextId(phase, removeRun);
  if (id) LoadUiString(GetModuleHandleA(nullptr), id, text, sizeof(text));
  SetDlgItemTextA(page, control, text);
  return id != 0;
}

BOOL FinishWorkerRun(HWND page, WPARAM succeeded, LPARAM error, const WorkerPageParts &parts) {
  // A thread that could not be started cleared nothing.
  g_workerBusy = 0;
  if (succeeded) {
    g_runOutcome = kRunSucceeded;
    SendMessageA(GetParent(page), PSM_SETCURSEL, parts.finishPage, 0);
    return TRUE;
  }
  g_runOutcome = pageRun.outcome ? pageRun.outcome : kRunFailed;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  char text[kMessageTextSize] = {};
  LoadUiString(instance, parts.failureTextId, text, sizeof(text));
  char note[kMessageTextSize] = {};
  if (int noteId = TakenBackTextId(pageRun.outcome)) LoadUiString(instance, noteId, note, sizeof(note));
  ShowSetupError(page, text, static_cast<DWORD>(error), note);
  EnableWindow(CancelButton(page), TRUE);
  SetDlgItemTextA(page, parts.phaseControl, "");
  SetWizardButtons(page, parts.retryButtons);
  return FALSE;
}
