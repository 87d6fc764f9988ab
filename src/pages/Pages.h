// The wizard pages of the install and remove runs and the helpers they share.
#pragma once
#include <windows.h>
#include <setupapi.h>

// Install run: pages 0 to 4.
INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ComponentsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK TargetDirPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ReadyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK InstallFinishPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
// Remove run: pages 5 and 6.
INT_PTR CALLBACK RemovePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK RemoveFinishPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Moves window so that it is centred over reference and lies inside the work area.
BOOL CenterWindow(HWND window, HWND reference);

// The shell's folder browser; TRUE with the chosen folder (and product subdirectory) in path.
BOOL BrowseForTargetDir(HWND owner, char *path, const char *subdir);

// The error box of a failed run: text, a blank line and the system's text for error, and a
// last paragraph, note, when it is not empty.
int ShowSetupError(HWND owner, const char *text, DWORD error, const char *note = "");

// Sets a control's font without a redraw (pages set their fonts before they are shown).
void SetControlFont(HWND page, int control, HFONT font);
// The script's picture in place of the program's own in a classic page's picture control;
// nothing without one, or on a page without that control (the header look's).
void ShowWatermark(HWND page, HBITMAP picture);
// Posts the wizard buttons and, once the sheet has set them, makes Finish, else Next, the
// default button, so that Enter takes the way on. A page without an input of its own gives
// that button the focus too: the focus is lost when the button that had it was disabled.
void SetWizardButtons(HWND page, DWORD buttons);
// The title (in the header font) and subtitle of an inner page in the classic look; the
// header-look templates have neither control, and the sheet's header shows the same strings.
void ShowPageHeader(HWND page, HFONT font, const char *title, const char *subtitle);

// Shared by the two pages that run a worker (ready page and remove confirm page): what each
// answers itself, and the procedure for the rest. PSN_SETACTIVE calls onSetActive;
// PSN_WIZNEXT disables every button, stays on the page and starts the worker of the run's kind,
// which reports to the page; PSN_QUERYCANCEL is refused until the page has handled the end of
// the run.
struct WorkerPageHandlers {
  BOOL (*onInitDialog)(HWND page, LPARAM lParam);
  void (*onSetActive)(HWND page);
  bool removal;
  BOOL (*onPhase)(HWND page, WPARAM phase);
  BOOL (*onDone)(HWND page, WPARAM succeeded, LPARAM error);
};
INT_PTR WorkerPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam,
                       const WorkerPageHandlers &handlers);
// WM_SETUP_PHASE: the phase text into control, or the empty text; TRUE when one was shown.
BOOL ShowPhaseText(HWND page, int control, int phase, int removeRun);
// What differs between the two pages that run a worker.
struct WorkerPageParts {
  int failureTextId;    // the first line of the error box
  int finishPage;       // the page a successful run goes on to
  int phaseControl;     // the static that shows the phase text
  DWORD retryButtons;   // the wizard buttons offered again after a failure
};
// WM_SETUP_DONE: records the outcome. A successful run goes on to
// the finish page; a failed one shows the error box, clears the phase text and offers the
// buttons and Cancel again. TRUE when the run succeeded.
BOOL FinishWorkerRun(HWND page, WPARAM succeeded, LPARAM error, const WorkerPageParts &parts);
// WM_NOTIFY of a page that answers only its arrival: onSetActive for PSN_SETACTIVE.
BOOL OnSetActiveNotify(HWND page, const NMHDR *header, void (*onSetActive)(HWND page));
// The whole procedure of a page that answers only its creation and its arrival.
INT_PTR ArrivalPageProc(HWND page, UINT message, LPARAM lParam,
                        BOOL (*onInitDialog)(HWND page, LPARAM lParam),
                        void (*onSetActive)(HWND page));
// Sets the page's DWLP_MSGRESULT.
void SetPageResult(HWND page, LONG_PTR result);
