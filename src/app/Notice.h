// The program's own messages outside the pages: an error box with a text of the string table.
#pragma once
#include <windows.h>

// A box owned by owner (or by no window) with the string stringId, detail in place of its
// "%s". A silent run shows nothing: its outcome goes to the exit code and the log.
void ShowNotice(HWND owner, int stringId, const char *detail);

// The box of a setup script that cannot be opened: string 1315 with its full path and the
// faulty line.
void ShowScriptError(HWND owner, const char *path, UINT errorLine);
