// The install and remove workers: one run on its own thread, reported by WM_SETUP_DONE.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include "common/Globals.h"

// One run as the wizard's pages or the silent run hand it to its worker: everything that the
// worker, the runner and the registration read. The one who starts the run owns it and keeps
// it unchanged until WM_SETUP_DONE has arrived.
struct RunRecord {
  HINF inf;                        // the open setup script
  HWND window;                     // receives WM_SETUP_PHASE, WM_SETUP_PROGRESS, WM_SETUP_DONE
  const char *keys;                // key list: the products of the run
  char targetDir[kTargetDirSize];  // install: the chosen folder; a removal finds its own
  bool removal;                    // a remove run, else an install run
  int outcome;                     // the worker's, before WM_SETUP_DONE (app/ExitCode.h)
};

// Starts the worker of the run's kind with run as its parameter; the thread's handle, or NULL
// (GetLastError() says why) when it could not be started.
HANDLE StartWorker(RunRecord *run);
