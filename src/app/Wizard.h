// Assembly of the wizard: the setup script, the shared page resources and the property sheet.
#pragma once
#include <windows.h>

struct WizardContext;

// Runs the whole wizard owned by the host window; 0 when the setup script could not be opened.
// Leaves the process exit code in g_exitCode.
int RunWizard(HWND hostWindow);

// Fills every member of the context but hInf: fonts, image list, notice icon, page strings,
// and the title, welcome text and pictures that the script in hInf gives for the wizard.
int LoadPageResources(HINSTANCE instance, WizardContext *context);
// Destroys what LoadPageResources created.
int ReleasePageResources(WizardContext *context);
// A heap copy (HeapFree on the process heap) of a dialog template in the thread's language.
void *LoadDialogTemplateCopy(HINSTANCE instance, int dialogId);
// A new width x height bitmap in the window colour with the source bitmap copied at (x, y).
HBITMAP ComposeBitmap(HWND window, HBITMAP source, int width, int height, int x, int y);
// The bitmap file name, relative to folder, as a picture of the screen's format; null, with
// the system's reason, when the path does not fit or the file is no bitmap that can be read.
HBITMAP LoadWizardPicture(const char *folder, const char *name);

// The number of pages of the sheet and the indexes the pages jump to.
constexpr int kPageCount = 7;
constexpr int kPageWelcome = 0;
constexpr int kPageInstallFinish = 4;
constexpr int kPageRemove = 5;
constexpr int kPageRemoveFinish = 6;

// The sheet's own buttons; the system labels them in its language, the program in the pages'.
constexpr int kSheetBack = 0x3023;    // ID_PSBACK
constexpr int kSheetNext = 0x3024;    // ID_PSNEXT
constexpr int kSheetFinish = 0x3025;  // ID_PSFINISH
