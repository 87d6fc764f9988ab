// Decimal numbers in texts, read the way atol reads them: leading blanks, an optional sign,
// digits up to the first other character; no digits give 0. Values beyond the range of an
// int are held at its ends. Free of windows.h so that it is tested natively.
#pragma once

// The first len characters of text (which need not be NUL-ended there).
int ReadDecimal(const char *text, int len);

// A whole NUL-ended text.
int ReadDecimal(const char *text);
