// The parts of the pages that need no Windows call: window placement, phase texts and the
// folder chosen in the browser. Free of windows.h so that they are tested natively.
#pragma once
#include <stddef.h>

struct ScreenRect {
  long left, top, right, bottom;
};

// Top-left corner that centres a w x h window over reference while keeping it inside the
// work area; the left and top edges win when the window is larger than the work area.
void CenterPosition(long w, long h, const ScreenRect &reference, const ScreenRect &work,
                    long *x, long *y);

// The string id of a worker phase on the install (removeRun 0) or remove page; 0 for none.
int PhaseTextId(int phase, int removeRun);

// Appends the product subdirectory to a folder chosen in the browser unless that folder's
// last component already is it. False when the result would not fit (path is then unchanged).
bool AppendChosenSubdir(char *path, size_t size, const char *subdir);
