// "/silent": the run of a quiet wizard without the wizard. The workers report only through
// window messages, so a hidden window takes the pages' place: it receives the phases and the
// end of the run, and its handle is what the script's programs get for "%hwnd%".
#include "app/RunRequest.h"
#include "common/ExitCode.h"
#include "common/Globals.h"
#include "common/Log.h"
#include "common/Messages.h"
#include "common/WizardContext.h"
#include "engine/SectionRunner.h"
#include "engine/Workers.h"
#include "script/TargetDir.h"

namespace {

// A dialog template without controls: the hidden window is a dialog, so that it keeps its run
// in DWLP_USER as a page keeps its context.
struct EmptyDialogTemplate {
  DLGTEMPLATE header;
  WORD menu, windowClass, title;
};
const EmptyDialogTemplate kRunnerTemplate = {{WS_POPUP, 0, 0, 0, 0, 0, 0}, 0, 0, 0};

// What the hidden window knows of its run.
struct SilentRun {
  RunRecord record;
  bool done;
};

SilentRun *RunOf(HWND runner) {
  return reinterpret_cast<SilentRun *>(GetWindowLongPtrA(runner, DWLP_USER));
}

void OnDone(HWND runner, WPARAM succeeded, LPARAM error) {
  int outcome = RunOf(runner)->record.outcome;
  g_runOutcome = succeeded ? kRunSucceeded : outcome ? outcome : kRunFailed;
  if (!succeeded) LogFailure(static_cast<DWORD>(error), "the run failed");
  RunOf(runner)->done = true;
}

INT_PTR CALLBACK RunnerProc(HWND runner, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(runner, DWLP_USER, lParam);
      return TRUE;
    case WM_SETUP_DONE:
      OnDone(runner, wParam, lParam);
      return TRUE;
    case WM_SETUP_PHASE:
    case WM_SETUP_PROGRESS:
      return TRUE;
    default:
      return FALSE;
  }
}

// The choice a quiet install makes on its pages once its products are chosen (CheckRunRequest):
// the proposed target unless "/dir:" gives one.
bool ChooseLikeQuietPages(HINF inf) {
  if (!g_targetDirGiven) ProposeTargetDir(inf, g_targetDir);
  return !TargetDirUnusable(inf, g_targetDirGiven ? "/dir:" : "the proposal");
}

}  // namespace

int RunSilently(HWND host, HINF inf) {
  g_runOutcome = kRunNone;
  if (!g_removeMode && !ChooseLikeQuietPages(inf)) return kExitInstallFailure;

  SilentRun run = {};
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND runner = CreateDialogIndirectParamA(instance, &kRunnerTemplate.header, host, RunnerProc,
                                           reinterpret_cast<LPARAM>(&run));
  if (!runner) {
    LogFailure(GetLastError(), "no window for the run");
    return kExitInstallFailure;
  }
  run.record = {inf, runner, g_productKey, {}, g_removeMode != 0, 0};
  lstrcpynA(run.record.targetDir, g_targetDir, sizeof(run.record.targetDir));
  HANDLE thread = StartWorker(&run.record);
  if (!thread) {
    LogFailure(GetLastError(), "the run could not be started");
    DestroyWindow(runner);
    return kExitInstallFailure;
  }
  MSG msg;
  while (!run.done) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    // The worker reads the script to its end; only then may anything be released.
    if (got <= 0) {
      WaitForSingleObject(thread, INFINITE);
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  DestroyWindow(runner);
  // A needed restart is reported, never started.
  return ChooseExitCode(g_runOutcome, g_rebootNeeded, 0);
}
