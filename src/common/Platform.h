// The platform family test used everywhere: the Windows 95/98/Me family sets the high bit
// of GetVersion(); the major version is its low byte.
#pragma once
#include <windows.h>

inline bool IsWin9xFamily() { return (GetVersion() & 0x80000000u) != 0; }
inline unsigned MajorVersion() { return GetVersion() & 0xFFu; }

// A function of a library looked up at run time, typed as the caller expects it.
template <typename Function>
Function GetProcAs(HMODULE module, const char *name) {
  return reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}
