// Comparison of texts without regard to case, for the letters A to Z only: the same on every
// code page and in every locale, as command-line options, file names compared by the program
// and its placeholders need. Free of windows.h so that it is tested natively.
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
