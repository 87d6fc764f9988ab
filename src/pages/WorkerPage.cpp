// What the ready page and the remove confirm page share: starting a worker, refusing to be
// cancelled under it, its phase texts and its end.
#include <windows.h>
#include <commctrl.h>

#include "app/ExitCode.h"
#include "app/Globals.h"
#include "app/Language.h"
#include "engine/SectionRunner.h"
#include "pages/PageLogic.h"
#include "pages/Pages.h"
#include "res/resource.h"

namespace {

constexpr int kMessageTextSize = 512;  // a loaded page text

HWND CancelButton(HWND page) { return GetDlgItem(GetParent(page), IDCANCEL); }

void StartWorkerFromPage(HWND page, LPTHREAD_START_ROUTINE worker) {
  SetWizardButtons(page, 0);
  EnableWindow(CancelButton(page), FALSE);
  // No page has the dialog id 1: the sheet stays where it is.
  SetPageResult(page, 1);
  // Busy from here on, before the thread runs at all.
  g_workerBusy = 1;
  HANDLE thread = CreateThread(nullptr, 0, worker, page, 0, nullptr);
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

}  // namespace

BOOL OnWorkerPageNotify(HWND page, const NMHDR *header, void (*onSetActive)(HWND page),
                        LPTHREAD_START_ROUTINE worker) {
  switch (header->code) {
    case PSN_SETACTIVE:
      onSetActive(page);
      break;
    case PSN_WIZNEXT:
      StartWorkerFromPage(page, worker);
      break;
    case PSN_QUERYCANCEL:
      RefuseCancelWhileBusy(page);
      break;
  }
  return TRUE;
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
  g_runOutcome = kRunFailed;
  char text[kMessageTextSize] = {};
  LoadUiString(GetModuleHandleA(nullptr), parts.failureTextId, text, sizeof(text));
  ShowSetupError(page, text, static_cast<DWORD>(error));
  EnableWindow(CancelButton(page), TRUE);
  SetDlgItemTextA(page, parts.phaseControl, "");
  SetWizardButtons(page, parts.retryButtons);
  return FALSE;
}
