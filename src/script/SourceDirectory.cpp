#include "script/SourceDirectory.h"

namespace {

constexpr char16_t kPercent = u'%';
constexpr char16_t kQuote = u'"';
constexpr char16_t kComment = u';';
constexpr unsigned long kSourceDirId = 1;

bool EndsLine(char16_t c) { return c == u'\r' || c == u'\n'; }

// Counts units into out, or writes them there too.
struct Output {
  char16_t *out;
  size_t used;
  void Put(char16_t c) {
    if (out) out[used] = c;
    ++used;
  }
};

// Whether the units between two percent signs name directory id 1: digits only, value 1.
bool NamesSourceDir(const char16_t *name, size_t length) {
  unsigned long value = 0;
  for (size_t i = 0; i < length; ++i) {
    if (name[i] < u'0' || name[i] > u'9' || value > kSourceDirId) return false;
    value = value * 10 + static_cast<unsigned long>(name[i] - u'0');
  }
  return length > 0 && value == kSourceDirId;
}

void PutFolder(Output *output, const char16_t *folder, bool quoted) {
  if (!quoted) output->Put(kQuote);
  for (const char16_t *p = folder; *p; ++p) {
    output->Put(*p);
    if (*p == kPercent || *p == kQuote) output->Put(*p);
  }
  if (!quoted) output->Put(kQuote);
}

}  // namespace

size_t WriteSourceDirectory(const char16_t *text, size_t length, const char16_t *folder,
                            char16_t *out) {
  Output output = {out, 0};
  bool quoted = false, comment = false;
  for (size_t at = 0; at < length;) {
    char16_t c = text[at];
    if (EndsLine(c)) quoted = comment = false;
    if (comment || EndsLine(c) || (c != kPercent && c != kQuote && c != kComment)) {
      output.Put(text[at++]);
      continue;
    }
    if (c == kQuote || c == kComment) {
      quoted = quoted != (c == kQuote);
      comment = !quoted && c == kComment;
      output.Put(text[at++]);
      continue;
    }
    // A reference runs to the next percent sign of its line; a lone one is a plain character.
    size_t end = at + 1;
    while (end < length && text[end] != kPercent && !EndsLine(text[end])) ++end;
    if (end < length && text[end] == kPercent && NamesSourceDir(text + at + 1, end - at - 1)) {
      PutFolder(&output, folder, quoted);
      at = end + 1;
      continue;
    }
    size_t through = end < length && text[end] == kPercent ? end + 1 : at + 1;
    while (at < through) output.Put(text[at++]);
  }
  return output.used;
}
