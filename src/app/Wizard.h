// Assembly of the wizard: the setup script, the shared page resources and the property sheet.
#pragma once
#include <windows.h>

struct WizardContext;

// Runs the whole wizard owned by the host window, from opening the setup script to the end
// of the last run; returns the process exit code.
int RunWizard(HWND hostWindow);

// Fills every member of the context but hInf: fonts, image list, notice icon, page strings,
// and the title, welcome text and pictures that the script in hInf gives for the wizard.
int LoadPageResources(HINSTANCE instance, WizardContext *context);
// Destroys what LoadPageResources created.
int ReleasePageResources(WizardContext *context);
// A copy (free() gives it back) of a dialog template in the thread's language.
void *LoadDialogTemplateCopy(HINSTANCE instance, int dialogId);
