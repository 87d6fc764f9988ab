#include "common/MessageText.h"

#include <string.h>

#include "common/Utf8Text.h"

namespace {

// Appends text to out (holding used bytes) without passing size - 1; returns the new length,
// or size - 1 once a text had to be cut: it is cut on a character, and nothing follows it.
size_t AppendBounded(char *out, size_t size, size_t used, const char *text, size_t len) {
  if (used + 1 >= size) return used;
  size_t room = size - 1 - used;
  bool cut = len > room;
  if (cut) len = CharacterCut(text, room);
  memcpy(out + used, text, len);
  out[used + len] = '\0';
  return cut ? size - 1 : used + len;
}

constexpr char kParagraph[] = "\r\n\r\n";

}  // namespace

void FillNamePlaceholder(char *out, size_t size, const char *format, const char *name) {
  if (size == 0) return;
  out[0] = '\0';
  const char *mark = strstr(format, "%s");
  if (!mark) {
    AppendBounded(out, size, 0, format, strlen(format));
    return;
  }
  size_t used = AppendBounded(out, size, 0, format, static_cast<size_t>(mark - format));
  used = AppendBounded(out, size, used, name, strlen(name));
  AppendBounded(out, size, used, mark + 2, strlen(mark + 2));
}

size_t ErrorMessageSize(const char *text, const char *systemText) {
  size_t size = strlen(text) + 1;
  if (systemText && *systemText) size += sizeof(kParagraph) - 1 + strlen(systemText);
  return size;
}

void ComposeErrorMessage(char *out, size_t size, const char *text, const char *systemText) {
  if (size == 0) return;
  out[0] = '\0';
  size_t used = AppendBounded(out, size, 0, text, strlen(text));
  if (!systemText || !*systemText) return;
  used = AppendBounded(out, size, used, kParagraph, sizeof(kParagraph) - 1);
  AppendBounded(out, size, used, systemText, strlen(systemText));
}
