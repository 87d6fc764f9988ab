// What the command line asks of this run, checked against the script before any page or
// worker starts, and the two ways a run can go on without the pages.
#pragma once
#include <windows.h>
#include <setupapi.h>

// 0 when the run may go on; else the exit code that ends it, after a log line and (except in
// a silent run) a box owned by owner: an "/install:" key that the script does not list, an
// install whose setup-level key or "/install:" key another program holds, or a "/dir:" path
// that cannot be the target; or (without a box in a quiet run as well) a removal of anything
// but an installed product of this setup. A quiet install chooses its products here, and ends
// when only newer installed versions were chosen.
int CheckRunRequest(HWND owner, HINF inf);

// Whether g_targetDir cannot be the target directory (the target page's rule); the log says
// why, naming source, where the path came from.
bool TargetDirUnusable(HINF inf, const char *source);

// A removal started from the installed setup.exe (the command its Uninstall entry records)
// could not delete its own program file while it runs. It hands the run to a copy in a folder
// of the temporary directory and waits for it: true then, with the copy's exit code. False
// when this run is not such a removal, or the copy could not be started (the run goes on here).
bool HandOverRemoval(HINF inf, int *exitCode);

// A run without a window: the same workers as the pages, reporting to a hidden window; the
// choices are those of a quiet run. Returns the exit code; never asks, never restarts.
int RunSilently(HWND host, HINF inf);
