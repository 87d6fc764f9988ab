#include "common/AsciiCase.h"

bool SameAsciiPrefix(const char *a, const char *b, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    if (!a[i]) return true;
  }
  return true;
}

bool SameIgnoringCase(const char *a, const char *b) { return CompareIgnoringCase(a, b) == 0; }

int CompareIgnoringCase(const char *a, const char *b) {
  for (; *a && LowerAscii(*a) == LowerAscii(*b); ++a, ++b) {
  }
  return static_cast<unsigned char>(LowerAscii(*a)) - static_cast<unsigned char>(LowerAscii(*b));
}
