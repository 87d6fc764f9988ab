// Comparison of two dotted decimal version texts such as "2.10.1", part by part.
// Free of windows.h so that it builds and is tested natively.
#pragma once

// Negative when the installed text is the newer one, positive when the script's is, 0 when
// they count as equal. Each part is a decimal number (leading blanks and a sign allowed, no
// digits read as 0); the comparison stops as equal as soon as either text has no further "."
// part, so "1.2" and "1.2.3" compare equal. Parts of any length compare without overflow.
int CompareVersionTexts(const char *installed, const char *script);
