// The install and remove workers: one run on its own thread, reported by WM_SETUP_DONE.
#pragma once
#include <windows.h>

// The parameter is the page window that started the worker; its DWLP_USER holds the
// WizardContext.
DWORD WINAPI InstallWorker(LPVOID page);
DWORD WINAPI RemoveWorker(LPVOID page);
