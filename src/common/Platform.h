// The platform family test used everywhere: the Windows 95/98/Me family sets the high bit
// of GetVersion(); the major version is its low byte.
#pragma once
#include <stdint.h>
#include <windows.h>

inline bool IsWin9xFamily() { return (GetVersion() & 0x80000000u) != 0; }
inline unsigned MajorVersion() { return GetVersion() & 0xFFu; }

// Whether an error says that a file, or a folder on its path, is not there.
inline bool IsNotFoundError(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// A function of a library looked up at run time, typed as the caller expects it.
template <typename Function>
Function GetProcAs(HMODULE module, const char *name) {
  return reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

// A FILETIME as one number of 100-nanosecond units, as files keep it, and back.
inline uint64_t FileTimeValue(const FILETIME &time) {
  return time.dwLowDateTime | uint64_t{time.dwHighDateTime} << 32;
}
inline FILETIME FileTimeOf(uint64_t value) {
  return {static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}
