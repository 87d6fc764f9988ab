// The program file's own path, and files beside it.
#pragma once
#include <windows.h>

#include "common/Globals.h"

// The full path of the program file into size bytes, NUL-ended and cut to fit; false when it
// was cut or could not be read.
bool ReadProgramPath(char *path, DWORD size);

// The file name in the program's folder; false when that path does not fit.
bool PathBesideProgram(char (&path)[kTargetDirSize], const char *name);

// The user's temporary folder, ending in a backslash; false when it cannot be read or does
// not fit.
bool ReadTempFolder(char (&path)[kTargetDirSize]);
