// Start-up of setup.exe: single instance, common-controls version, the run's defaults.
#pragma once
#include <windows.h>

constexpr DWORD kModulePathSize = 256;  // the mutex name is formed from at most 255 characters

// The mutex name of a program path: backslashes become underscores, A-Z are lowered.
void MakeInstanceMutexName(char *path);

// Non-zero when another copy of this program file runs; its host window is brought forward.
int ActivatePreviousInstance();

// Libraries are looked for in the system folder only, where the system can be told so
// (SetDefaultDllDirectories, Windows 7 with its update and later), and the delay-imported
// libraries are loaded from there on every system: a DLL planted beside setup.exe, in a
// Downloads folder say, is never loaded in place of a system one. Called first thing.
void RestrictLibrarySearch();

// Non-zero when comctl32.dll loaded; major and minor are then its version (4.0 when the
// library has no usable DllGetVersion).
int GetCommonControlsVersion(DWORD *major, DWORD *minor);

// The whole start-up and run of the program; WinMain's body.
int SetupMain(HINSTANCE instance, const char *commandLine);
