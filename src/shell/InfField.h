// Field access for the shell subsystem's script lines.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include <stddef.h>

// Reads one field of a script line into a fixed buffer. A field that does not fit counts as
// missing, like one that is not there.
template <size_t N>
bool ReadField(INFCONTEXT *line, DWORD index, char (&buffer)[N]) {
  static_assert(N > 0, "a field needs room for its NUL");
  if (SetupGetStringFieldA(line, index, buffer, static_cast<DWORD>(N), nullptr)) return true;
  buffer[0] = '\0';
  return false;
}
