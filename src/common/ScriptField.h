// The fields of a setup script's lines, read the same way by every subsystem: a field that is
// missing, or that does not fit its buffer, counts as missing, and the buffer is then empty.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include <stddef.h>

#include <type_traits>

// The value of a "key = value" line is its field 1 (field 0 is the key).
constexpr DWORD kFieldValue = 1;

bool ReadField(INFCONTEXT *line, DWORD field, char *buffer, DWORD size);

// The size comes from the buffer's type, so that it cannot be given wrong.
template <size_t N>
bool ReadField(INFCONTEXT *line, DWORD field, char (&buffer)[N]) {
  static_assert(N > 0, "a field needs room for its NUL");
  return ReadField(line, field, buffer, static_cast<DWORD>(N));
}

// The value of a "key = value" line: field 1 of the section's first line with key. False, with
// the buffer empty, when there is no such line or its value is missing, empty or too long.
bool ReadKeyValue(HINF inf, const char *section, const char *key, char *buffer, DWORD size);

// Calls visit(INFCONTEXT *line) for every line of the section that has key (NULL: for every
// line), in order. A visit that returns bool ends the walk by returning false; the walk then
// returns false, and true when it went through every line (or found none).
template <typename Visit>
bool ForEachLine(HINF inf, const char *section, const char *key, Visit visit) {
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, section, key, &line)) return true;
  do {
    if constexpr (std::is_void_v<decltype(visit(&line))>)
      visit(&line);
    else if (!visit(&line))
      return false;
  } while (key ? SetupFindNextMatchLineA(&line, key, &line) : SetupFindNextLine(&line, &line));
  return true;
}

// A field read as a decimal number (ReadDecimal), into size bytes at the most; 0 when it is
// missing or does not fit.
int ReadFieldNumber(INFCONTEXT *line, DWORD field, DWORD size);
