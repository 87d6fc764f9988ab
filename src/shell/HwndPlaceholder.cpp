#include "shell/HwndPlaceholder.h"

#include <stdio.h>
#include <string.h>

#include "common/AsciiCase.h"

namespace {

constexpr size_t kPlaceholderLength = sizeof(kWindowPlaceholder) - 1;

// The placeholder has no letters outside A to Z.
bool BeginsPlaceholder(const char *text) {
  return SameAsciiPrefix(text, kWindowPlaceholder, kPlaceholderLength);
}

}  // namespace

void FormatWindowHandle(char *text, size_t size, uint32_t handle) {
  if (size == 0) return;
  snprintf(text, size, "0x%08x", static_cast<unsigned>(handle));
}

int ReplaceWindowPlaceholders(char *text, size_t size, const char *handleText) {
  size_t handleLength = strlen(handleText);
  size_t length = strlen(text);
  size_t searchFrom = 0;  // the inserted handle text is never searched again
  for (;;) {
    char *percent = strchr(text + searchFrom, '%');
    if (!percent || !BeginsPlaceholder(percent)) return 1;
    size_t at = static_cast<size_t>(percent - text);
    size_t restStart = at + kPlaceholderLength;
    size_t newLength = length - kPlaceholderLength + handleLength;
    if (newLength + 1 > size) return 0;
    // The rest of the text, its NUL included, moves to make room for the longer handle text.
    memmove(text + at + handleLength, text + restStart, length - restStart + 1);
    memcpy(text + at, handleText, handleLength);
    length = newLength;
    searchFrom = at + handleLength;
  }
}

int PrepareArguments(char *buffer, size_t size, const char *arguments, uint32_t handle) {
  if (size == 0) return 0;
  size_t length = strlen(arguments);
  if (length + 1 > size) {
    buffer[0] = '\0';
    return 0;
  }
  memcpy(buffer, arguments, length + 1);
  char handleText[kHandleTextSize];
  FormatWindowHandle(handleText, sizeof(handleText), handle);
  return ReplaceWindowPlaceholders(buffer, size, handleText);
}
