// The texts of the program's messages, put together in bounded buffers: a name in place of a
// string's placeholder, and an error text followed by the system's. Free of windows.h so that
// they are tested natively.
#pragma once
#include <stddef.h>

// Writes format into out with name in place of its first "%s"; everything else, "%"
// included, is copied as it stands. Always terminated; cut at size - 1.
void FillNamePlaceholder(char *out, size_t size, const char *format, const char *name);

// Bytes needed for the error message of text and the system's text (NULL or empty: none).
size_t ErrorMessageSize(const char *text, const char *systemText);
// "text\r\n\r\nsystem text", or text alone without a system text; cut to size - 1.
void ComposeErrorMessage(char *out, size_t size, const char *text, const char *systemText);
