// Assembly of the wizard: the setup script, the shared page resources and the property sheet.
#pragma once
#include <windows.h>

// Runs the whole wizard owned by the host window; 0 when the setup script could not be opened.
int RunWizard(HWND hostWindow);
