// Texts in UTF-8, the code page of every narrow call where the system honours the program's
// manifest: whether bytes are UTF-8 at all, and where a text that must be cut can be cut
// without splitting a character. Free of windows.h so that it is tested natively.
#pragma once
#include <stddef.h>

// Whether the bytes are well-formed UTF-8: no overlong forms, no surrogates, nothing past
// U+10FFFF, no sequence cut short.
bool IsUtf8(const char *bytes, size_t length);

// Where a text of more than length bytes can be cut at length or before it without splitting
// a UTF-8 sequence: length when text[length] starts a character, else the start of the
// character it belongs to. Bytes that are no UTF-8 (a legacy code page) are cut at length, or
// up to three bytes earlier: never past a character.
size_t CharacterCut(const char *text, size_t length);
