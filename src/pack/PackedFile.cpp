#include "pack/PackedFile.h"

#include <string.h>

namespace {

constexpr size_t kPeOffsetAt = 0x3C;     // e_lfanew in the DOS header
constexpr size_t kFileHeaderSize = 24;   // "PE\0\0" and the COFF file header
constexpr size_t kSectionEntrySize = 40;
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr uint32_t kSecurityDirectory = 4;

uint32_t Read16(const unsigned char *p) { return p[0] | p[1] << 8; }
uint32_t Read32(const unsigned char *p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
void Write32(unsigned char *p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

bool ReadProgramLayout(const unsigned char *head, size_t headLength, ProgramLayout *layout) {
  if (headLength < kPeOffsetAt + 4 || head[0] != 'M' || head[1] != 'Z') return false;
  // Every offset below stays within the head, which is small: they are compared before use.
  uint32_t pe = Read32(head + kPeOffsetAt);
  if (pe > headLength - kFileHeaderSize - 2 || memcmp(head + pe, "PE\0\0", 4) != 0) return false;
  uint32_t sections = Read16(head + pe + 6);
  uint32_t optional = pe + kFileHeaderSize;
  uint32_t table = optional + Read16(head + pe + 20);
  uint32_t magic = Read16(head + optional);
  // The data directories: their count, then eight bytes each.
  uint32_t count = optional + (magic == kMagicPe32Plus ? 108 : 92);
  if ((magic != kMagicPe32 && magic != kMagicPe32Plus) || count + 4 > table ||
      table + sections * kSectionEntrySize > headLength)
    return false;
  uint32_t entry = count + 4 + kSecurityDirectory * 8;
  bool hasEntry = Read32(head + count) > kSecurityDirectory && entry + 8 <= table;
  layout->checksumEntry = optional + 64;
  layout->securityEntry = hasEntry ? entry : 0;
  layout->signatureStart = hasEntry ? Read32(head + entry) : 0;
  layout->signatureSize = hasEntry ? Read32(head + entry + 4) : 0;
  uint32_t end = Read32(head + optional + 60);  // SizeOfHeaders
  for (uint32_t i = 0; i < sections; ++i) {
    const unsigned char *section = head + table + i * kSectionEntrySize;
    uint32_t size = Read32(section + 16), sectionEnd = Read32(section + 20) + size;
    if (sectionEnd < size) return false;
    if (size && sectionEnd > end) end = sectionEnd;
  }
  layout->imageEnd = end;
  return true;
}

PackState LocatePack(const ProgramLayout &layout, uint32_t fileSize, const unsigned char *header,
                     size_t headerLength, PackPlace *place) {
  uint32_t contentEnd = layout.signatureStart ? layout.signatureStart : fileSize;
  if (contentEnd <= layout.imageEnd) return PackState::None;
  if (headerLength < kPackHeaderSize || memcmp(header, kPackMagic, 8) != 0 ||
      contentEnd - layout.imageEnd < kPackHeaderSize || contentEnd > fileSize ||
      layout.signatureSize > fileSize - contentEnd)
    return PackState::Damaged;
  place->mediaStart = layout.imageEnd + static_cast<uint32_t>(kPackHeaderSize);
  place->mediaSize = Read32(header + 8);
  place->mediaCrc = Read32(header + 12);
  // Only the padding to the alignment may follow the media.
  uint32_t room = contentEnd - place->mediaStart;
  if (place->mediaSize > room || room - place->mediaSize >= kPackAlignment)
    return PackState::Damaged;
  return PackState::Present;
}

void WritePackHeader(unsigned char (&header)[kPackHeaderSize], uint32_t mediaSize,
                     uint32_t mediaCrc) {
  memcpy(header, kPackMagic, 8);
  Write32(header + 8, mediaSize);
  Write32(header + 12, mediaCrc);
}

bool WriteProgramRecord(unsigned char (&record)[kProgramRecordSize], const unsigned char *head,
                        const ProgramLayout &layout, uint32_t programSize, uint64_t written) {
  if (programSize < layout.imageEnd) return false;
  memset(record, 0, sizeof(record));
  memcpy(record, head + layout.checksumEntry, 4);
  if (layout.securityEntry) memcpy(record + 4, head + layout.securityEntry, 8);
  Write32(record + 12, programSize - layout.imageEnd);
  Write32(record + 16, static_cast<uint32_t>(written));
  Write32(record + 20, static_cast<uint32_t>(written >> 32));
  return true;
}

bool ReadProgramRecord(const unsigned char (&record)[kProgramRecordSize], uint32_t mediaSize,
                       ProgramRecord *program) {
  program->tailSize = Read32(record + 12);
  program->written = Read32(record + 16) | static_cast<uint64_t>(Read32(record + 20)) << 32;
  return mediaSize >= kProgramRecordSize && program->tailSize <= mediaSize - kProgramRecordSize;
}

void RestoreProgramHead(unsigned char *head, const ProgramLayout &layout,
                        const unsigned char (&record)[kProgramRecordSize]) {
  memcpy(head + layout.checksumEntry, record, 4);
  if (layout.securityEntry) memcpy(head + layout.securityEntry, record + 4, 8);
}

uint32_t UpdateCrc32(uint32_t crc, const void *data, size_t length) {
  static uint32_t table[256];
  if (!table[1])
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[n] = c;
    }
  const unsigned char *p = static_cast<const unsigned char *>(data);
  crc = ~crc;
  while (length--) crc = table[(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return ~crc;
}
