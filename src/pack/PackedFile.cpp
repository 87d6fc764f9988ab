#include "pack/PackedFile.h"

#include <string.h>

#include "common/LittleEndian.h"

namespace {

constexpr size_t kPeOffsetAt = 0x3C;     // e_lfanew in the DOS header
constexpr size_t kFileHeaderSize = 24;   // "PE\0\0" and the COFF file header
constexpr size_t kSectionEntrySize = 40;
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr uint32_t kSecurityDirectory = 4;

constexpr size_t kMostTimeBytes = 10;  // 64 bits, 7 to a byte
constexpr uint32_t kMostShared = 255;   // what a name's first byte can say

// Where the fixed columns of an index of count files start, and where the times begin.
struct IndexColumns {
  uint64_t sizes, attributes, times;
};
IndexColumns ColumnsOf(uint64_t count) {
  return {kIndexHeadSize, kIndexHeadSize + 4 * count, kIndexHeadSize + 5 * count};
}

// A time's difference as a number with its sign in the lowest bit, 7 bits to a byte, the
// lowest first, the high bit of each byte but the last set.
unsigned char *WriteTime(unsigned char *at, uint64_t difference) {
  uint64_t folded = (difference << 1) ^ (0 - (difference >> 63));
  for (; folded >= 0x80; folded >>= 7) *at++ = static_cast<unsigned char>(folded | 0x80);
  *at++ = static_cast<unsigned char>(folded);
  return at;
}

// Reads the time's difference at *at, within length bytes; false when it runs past them or
// past 64 bits.
bool ReadTime(const unsigned char *bytes, size_t length, size_t *at, uint64_t *difference) {
  uint64_t folded = 0;
  for (int shift = 0;; shift += 7) {
    if (*at >= length || shift >= 64) return false;
    unsigned char byte = bytes[(*at)++];
    folded |= uint64_t{byte & 0x7Fu} << shift;
    if (!(byte & 0x80)) break;
  }
  *difference = (folded >> 1) ^ (0 - (folded & 1));
  return true;
}

}  // namespace

bool ReadProgramLayout(const unsigned char *head, size_t headLength, ProgramLayout *layout) {
  if (headLength < kPeOffsetAt + 4 || head[0] != 'M' || head[1] != 'Z') return false;
  // Every offset below stays within the head, which is small: they are compared before use.
  uint32_t pe = ReadLittle32(head + kPeOffsetAt);
  if (pe > headLength - kFileHeaderSize - 2 || memcmp(head + pe, "PE\0\0", 4) != 0) return false;
  uint32_t sections = ReadLittle16(head + pe + 6);
  uint32_t optional = pe + kFileHeaderSize;
  uint32_t table = optional + ReadLittle16(head + pe + 20);
  uint32_t magic = ReadLittle16(head + optional);
  // The data directories: their count, then eight bytes each.
  uint32_t count = optional + (magic == kMagicPe32Plus ? 108 : 92);
  if ((magic != kMagicPe32 && magic != kMagicPe32Plus) || count + 4 > table ||
      table + sections * kSectionEntrySize > headLength)
    return false;
  uint32_t entry = count + 4 + kSecurityDirectory * 8;
  bool hasEntry = ReadLittle32(head + count) > kSecurityDirectory && entry + 8 <= table;
  layout->checksumEntry = optional + 64;
  layout->securityEntry = hasEntry ? entry : 0;
  layout->signatureStart = hasEntry ? ReadLittle32(head + entry) : 0;
  layout->signatureSize = hasEntry ? ReadLittle32(head + entry + 4) : 0;
  uint32_t end = ReadLittle32(head + optional + 60);  // SizeOfHeaders
  for (uint32_t i = 0; i < sections; ++i) {
    const unsigned char *section = head + table + i * kSectionEntrySize;
    uint32_t size = ReadLittle32(section + 16), sectionEnd = ReadLittle32(section + 20) + size;
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
  place->mediaSize = ReadLittle32(header + 8);
  place->mediaCrc = ReadLittle32(header + 12);
  // Only the padding to the alignment may follow the media.
  uint32_t room = contentEnd - place->mediaStart;
  if (place->mediaSize > room || room - place->mediaSize >= kPackAlignment)
    return PackState::Damaged;
  return PackState::Present;
}

void WritePackHeader(unsigned char (&header)[kPackHeaderSize], uint32_t mediaSize,
                     uint32_t mediaCrc) {
  memcpy(header, kPackMagic, 8);
  WriteLittle32(header + 8, mediaSize);
  WriteLittle32(header + 12, mediaCrc);
}

bool WriteProgramRecord(unsigned char (&record)[kProgramRecordSize], const unsigned char *head,
                        const ProgramLayout &layout, uint32_t programSize, uint64_t written) {
  if (programSize < layout.imageEnd) return false;
  memset(record, 0, sizeof(record));
  memcpy(record, head + layout.checksumEntry, 4);
  if (layout.securityEntry) memcpy(record + 4, head + layout.securityEntry, 8);
  WriteLittle32(record + 12, programSize - layout.imageEnd);
  WriteLittle32(record + 16, static_cast<uint32_t>(written));
  WriteLittle32(record + 20, static_cast<uint32_t>(written >> 32));
  return true;
}

bool ReadProgramRecord(const unsigned char (&record)[kProgramRecordSize], uint32_t mediaSize,
                       ProgramRecord *program) {
  program->tailSize = ReadLittle32(record + 12);
  program->written =
      ReadLittle32(record + 16) | static_cast<uint64_t>(ReadLittle32(record + 20)) << 32;
  return mediaSize >= kProgramRecordSize && program->tailSize <= mediaSize - kProgramRecordSize;
}

void RestoreProgramHead(unsigned char *head, const ProgramLayout &layout,
                        const unsigned char (&record)[kProgramRecordSize]) {
  memcpy(head + layout.checksumEntry, record, 4);
  if (layout.securityEntry) memcpy(head + layout.securityEntry, record + 4, 8);
}

uint64_t MediaIndexRoom(uint32_t count, uint64_t namesLength) {
  return ColumnsOf(count).times + (kMostTimeBytes + 1) * uint64_t{count} + namesLength;
}

size_t WriteMediaIndex(unsigned char *index, const MediaFile *files, uint32_t packedCount,
                       uint32_t storedCount) {
  uint32_t count = packedCount + storedCount;
  IndexColumns columns = ColumnsOf(count);
  WriteLittle32(index, packedCount);
  WriteLittle32(index + 4, storedCount);
  unsigned char *at = index + columns.times;
  uint64_t before = 0;
  for (uint32_t i = 0; i < count; ++i) {
    WriteLittle32(index + columns.sizes + 4 * i, files[i].size);
    index[columns.attributes + i] = files[i].attributes;
    at = WriteTime(at, files[i].written - before);
    before = files[i].written;
  }
  const char *previous = "";
  for (uint32_t i = 0; i < count; ++i) {
    const char *name = files[i].name;
    uint32_t shared = 0;
    while (shared < kMostShared && name[shared] && name[shared] == previous[shared]) ++shared;
    *at++ = static_cast<unsigned char>(shared);
    size_t rest = strlen(name + shared) + 1;
    memcpy(at, name + shared, rest);
    at += rest;
    previous = name;
  }
  return static_cast<size_t>(at - index);
}

bool OpenMediaIndex(const unsigned char *index, size_t length, MediaIndex *opened) {
  if (length < kIndexHeadSize) return false;
  uint32_t packed = ReadLittle32(index), stored = ReadLittle32(index + 4);
  uint64_t count = uint64_t{packed} + stored;
  IndexColumns columns = ColumnsOf(count);
  if (count > length || columns.times > length) return false;
  *opened = MediaIndex();
  opened->bytes = index;
  opened->length = length;
  opened->packedCount = packed;
  opened->storedCount = stored;
  opened->timeAt = columns.times;
  // The names start where the times end: one pass finds that, the next checks every file.
  MediaIndex walk = *opened;
  MediaFile file;
  uint64_t difference;
  for (uint64_t i = 0; i < count; ++i)
    if (!ReadTime(index, length, &walk.timeAt, &difference)) return false;
  opened->nameAt = walk.nameAt = walk.timeAt;
  walk.timeAt = opened->timeAt;
  while (NextMediaFile(&walk, &file)) {
  }
  return walk.next == count && walk.nameAt == length;
}

// Each step is checked against the index's end: OpenMediaIndex walks it with this too.
bool NextMediaFile(MediaIndex *index, MediaFile *file) {
  const unsigned char *bytes = index->bytes;
  uint32_t count = index->packedCount + index->storedCount, i = index->next;
  uint64_t difference;
  if (i >= count || !ReadTime(bytes, index->length, &index->timeAt, &difference)) return false;
  index->written += difference;
  size_t at = index->nameAt, shared = at < index->length ? bytes[at++] : kIndexNameSize;
  if (shared > strlen(index->name)) return false;
  while (at < index->length && bytes[at] && shared < kIndexNameSize - 1)
    index->name[shared++] = static_cast<char>(bytes[at++]);
  if (at >= index->length || bytes[at] || !shared) return false;
  index->name[shared] = '\0';
  index->nameAt = at + 1;
  IndexColumns columns = ColumnsOf(count);
  *file = {ReadLittle32(bytes + columns.sizes + 4 * uint64_t{i}), index->written,
           bytes[columns.attributes + i], index->name};
  ++index->next;
  return true;
}

// Eight bytes a step: table[k][n] is the CRC of byte n followed by k zero bytes, so the eight
// lookups of a step are independent of each other (the media's check reads them all twice as
// fast as one table would).
uint32_t UpdateCrc32(uint32_t crc, const void *data, size_t length) {
  static uint32_t table[8][256];
  if (!table[0][1]) {
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[0][n] = c;
    }
    for (int k = 1; k < 8; ++k)
      for (uint32_t n = 0; n < 256; ++n)
        table[k][n] = table[0][table[k - 1][n] & 0xFF] ^ (table[k - 1][n] >> 8);
  }
  const unsigned char *p = static_cast<const unsigned char *>(data);
  crc = ~crc;
  for (; length >= 8; length -= 8, p += 8) {
    uint32_t low = crc ^ ReadLittle32(p), high = ReadLittle32(p + 4);
    crc = table[7][low & 0xFF] ^ table[6][(low >> 8) & 0xFF] ^ table[5][(low >> 16) & 0xFF] ^
          table[4][low >> 24] ^ table[3][high & 0xFF] ^ table[2][(high >> 8) & 0xFF] ^
          table[1][(high >> 16) & 0xFF] ^ table[0][high >> 24];
  }
  while (length--) crc = table[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return ~crc;
}
