// The wizard's pictures: bitmap files of the media and the composed bitmaps the pages show.
// The pages and the checker both read them.
#pragma once
#include <windows.h>

// A new width x height bitmap in the window colour with the source bitmap copied at (x, y).
HBITMAP ComposeBitmap(HWND window, HBITMAP source, int width, int height, int x, int y);
// The bitmap file name, relative to folder, as a picture of the screen's format; null, with
// the system's reason, when the path does not fit or the file is no bitmap that can be read.
HBITMAP LoadWizardPicture(const char *folder, const char *name);
