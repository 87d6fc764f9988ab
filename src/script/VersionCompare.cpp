#include "script/VersionCompare.h"

#include <string.h>

namespace {

// One decimal part as it stands in the text: its sign and its significant digits.
struct VersionPart {
  bool negative;
  const char *digits;  // first significant digit (leading zeros skipped)
  size_t count;        // number of significant digits; 0 for the value 0
  const char *end;     // first character after the part, or the start when it had no digits
};

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a part the way strtol reads a decimal number, but keeps the digits as text so that a
// part of any length can be compared.
VersionPart ReadPart(const char *text) {
  VersionPart part = {false, text, 0, text};
  const char *p = text;
  while (IsBlank(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  if (!IsDigit(*p)) return part;  // no digits: the value 0, the cursor stays where it was
  while (*p == '0') ++p;
  const char *first = p;
  while (IsDigit(*p)) ++p;
  part.digits = first;
  part.count = static_cast<size_t>(p - first);
  part.negative = negative && part.count != 0;  // "-0" is 0
  part.end = p;
  return part;
}

// Sign of (b - a) for two non-negative digit runs without leading zeros.
int CompareMagnitudes(const VersionPart &a, const VersionPart &b) {
  if (a.count != b.count) return a.count < b.count ? 1 : -1;
  int order = memcmp(b.digits, a.digits, a.count);
  return order > 0 ? 1 : (order < 0 ? -1 : 0);
}

// Sign of (script - installed).
int CompareParts(const VersionPart &installed, const VersionPart &script) {
  if (installed.negative != script.negative) return script.negative ? -1 : 1;
  int order = CompareMagnitudes(installed, script);
  return installed.negative ? -order : order;
}

constexpr uint32_t kLargestPart = 0xFFFFFFFFu;

uint32_t PartValue(const VersionPart &part) {
  if (part.negative) return 0;
  uint64_t value = 0;
  for (size_t i = 0; i < part.count; ++i) {
    value = value * 10 + static_cast<uint64_t>(part.digits[i] - '0');
    if (value > kLargestPart) return kLargestPart;
  }
  return static_cast<uint32_t>(value);
}

}  // namespace

int CompareVersionTexts(const char *installed, const char *script) {
  for (;;) {
    VersionPart a = ReadPart(installed);
    VersionPart b = ReadPart(script);
    int order = CompareParts(a, b);
    if (order != 0) return order;
    if (*a.end != '.') return 0;
    if (*b.end != '.') return 0;
    installed = a.end + 1;
    script = b.end + 1;
  }
}

void ReadVersionNumbers(const char *text, uint32_t *major, uint32_t *minor) {
  VersionPart first = ReadPart(text);
  *major = PartValue(first);
  *minor = *first.end == '.' ? PartValue(ReadPart(first.end + 1)) : 0;
}
