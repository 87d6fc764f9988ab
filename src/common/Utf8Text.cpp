#include "common/Utf8Text.h"

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The bytes that may start a sequence, its length and the smallest value it may encode
// (anything less is an overlong form).
struct LeadRange {
  unsigned char first;
  unsigned char last;
  int length;
  unsigned long smallest;
};
constexpr LeadRange kLeads[] = {
    {0x00, 0x7F, 1, 0}, {0xC2, 0xDF, 2, 0x80}, {0xE0, 0xEF, 3, 0x800}, {0xF0, 0xF4, 4, 0x10000}};

const LeadRange *FindLead(unsigned char byte) {
  for (const LeadRange &lead : kLeads)
    if (byte >= lead.first && byte <= lead.last) return &lead;
  return nullptr;
}

}  // namespace

bool IsUtf8(const char *bytes, size_t length) {
  const unsigned char *p = reinterpret_cast<const unsigned char *>(bytes);
  for (size_t at = 0; at < length;) {
    const LeadRange *lead = FindLead(p[at]);
    if (!lead || length - at < static_cast<size_t>(lead->length)) return false;
    unsigned long value = p[at] & (0xFFu >> (lead->length == 1 ? 1 : lead->length + 1));
    for (int i = 1; i < lead->length; ++i) {
      if (!IsContinuation(p[at + i])) return false;
      value = (value << 6) | (p[at + i] & 0x3Fu);
    }
    if (value < lead->smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
      return false;
    at += static_cast<size_t>(lead->length);
  }
  return true;
}

size_t CharacterCut(const char *text, size_t length) {
  const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
  size_t at = length;
  int stepped = 0;
  while (at > 0 && stepped < 3 && IsContinuation(p[at])) {
    --at;
    ++stepped;
  }
  return stepped && p[at] >= 0xC0 ? at : length;
}
