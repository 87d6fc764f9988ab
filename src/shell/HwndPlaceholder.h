// The "%hwnd%" placeholder of a program's argument text: replaced by the handle of the page
// window that shows the progress, so that a program can report back to it.
// Free of windows.h so that it is tested and fuzzed natively.
#pragma once
#include <stddef.h>
#include <stdint.h>

constexpr char kWindowPlaceholder[] = "%hwnd%";
constexpr size_t kArgumentBufferSize = 1024;  // the edited argument text, NUL included
constexpr size_t kHandleTextSize = 16;        // "0x" and eight hexadecimal digits, NUL included

// Writes the handle as "0x%08x": ten characters, lowercase digits, zero-padded.
void FormatWindowHandle(char *text, size_t size, uint32_t handle);

// Replaces "%hwnd%" (any case) by handleText as long as the first "%" of the text begins a
// placeholder; the first "%" that does not stops it, and later placeholders stay as written.
// Returns 0, with the text unchanged from the step that did not fit, when a replacement would
// not fit the buffer; 1 otherwise.
int ReplaceWindowPlaceholders(char *text, size_t size, const char *handleText);

// Copies the arguments into the buffer and replaces the placeholders with the handle.
// Returns 0 when the arguments or their replacement do not fit: a program must not be
// started with a cut argument text.
int PrepareArguments(char *buffer, size_t size, const char *arguments, uint32_t handle);
