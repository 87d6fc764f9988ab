// Names are compared without regard to case by one of two rules, each kept in one place:
// - keys by ASCII case, here: command-line options, product keys, section names, the keys of
//   lines, service names, folder codes, placeholders. Only A to Z and a to z are the same; every
//   other byte is itself, on every code page and in every locale.
// - paths and file names by SamePath and ComparePaths (common/PathText.h), which say how
//   their rule stands to the file system's.
// Neither lstrcmpiA nor _stricmp: their answers follow the user's locale or the C runtime's.
// Free of windows.h so that it is tested natively.
#pragma once
#include <stddef.h>

inline char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether the first length characters of a and b are the same; a text that ends before is
// only the same as one that ends there too.
bool SameAsciiPrefix(const char *a, const char *b, size_t length);

bool SameIgnoringCase(const char *a, const char *b);

// The order of two texts: below, at or above 0 as strcmp's, case folded.
int CompareIgnoringCase(const char *a, const char *b);
