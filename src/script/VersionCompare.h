// Comparison of two dotted decimal version texts such as "2.10.1", part by part.
// Free of windows.h so that it builds and is tested natively.
#pragma once
#include <stdint.h>

// Negative when the installed text is the newer one, positive when the script's is, 0 when
// they count as equal. Each part is a decimal number (leading blanks and a sign allowed, no
// digits read as 0); the comparison stops as equal as soon as either text has no further "."
// part, so "1.2" and "1.2.3" compare equal. Parts of any length compare without overflow.
int CompareVersionTexts(const char *installed, const char *script);

// The first two parts of a version text as numbers, read as the comparison reads them, for the
// Uninstall entry's "VersionMajor" and "VersionMinor": "2.10.1" gives 2 and 10, "3" gives 3
// and 0. A negative part gives 0, one beyond 32 bits the largest 32-bit number.
void ReadVersionNumbers(const char *text, uint32_t *major, uint32_t *minor);
