// Libraries of the system, loaded from the system folder only.
#pragma once
#include <windows.h>

// A system library: the module loaded already under that name (the imports, COMCTL32 as the
// manifest chose it), else the one of the system folder, loaded by its full path. It stays
// loaded for the life of the process.
HMODULE LoadSystemLibrary(const char *name);
