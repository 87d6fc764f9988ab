// The file of a setup program that carries its media: the program's own image, then the media
// behind a small header, then, once it is signed, the Authenticode certificate table. The media
// are the record of the media's setup.exe and one cabinet of all their other files: the
// program is not packed twice, since the image in front, with the record, gives it back. The
// cabinet holds the files as two streams, one compressed and one of files stored as they are,
// behind an index of their names, sizes, dates and attributes. The
// signature's hash covers everything before the table, so signing after packing keeps the
// media where the program finds them. Free of windows.h so that it is tested natively.
#pragma once
#include <stddef.h>
#include <stdint.h>

// The start of the file that holds the headers and the section table of the program.
constexpr size_t kProgramHeadSize = 4096;
// The header in front of the media: kPackMagic, their size and their CRC-32.
constexpr size_t kPackHeaderSize = 16;
constexpr char kPackMagic[] = "SetupPk3";  // its 8 characters, without the NUL
// The record of the media's setup.exe, which opens the media: the image checksum and the
// certificate table's entry as they stood in that file (the packed file's own signing rewrites
// both), the size of what followed its image there (its signature, when it had one) and the
// file's last-write time. Those bytes come next, and then the cabinet.
constexpr size_t kProgramRecordSize = 24;
// The packed file ends on this boundary, so that a signing tool adds no padding of its own.
constexpr uint32_t kPackAlignment = 8;

struct ProgramLayout {
  uint32_t imageEnd;        // the end of the last section's data: the plain program
  uint32_t checksumEntry;   // file offset of the image checksum, which signing recomputes
  uint32_t securityEntry;   // file offset of the certificate table's directory entry
  uint32_t signatureStart;  // the certificate table, 0 when the file is not signed
  uint32_t signatureSize;
};

// Reads the layout from the head of a program file; false when it is no PE program whose
// headers lie within head.
bool ReadProgramLayout(const unsigned char *head, size_t headLength, ProgramLayout *layout);

enum class PackState { None, Damaged, Present };

struct PackPlace {
  uint32_t mediaStart;
  uint32_t mediaSize;
  uint32_t mediaCrc;
};

// Where the media lie, from the layout, the file's size and the bytes at imageEnd (fewer than
// kPackHeaderSize when the file ends before). None for a plain program, signed or not; Damaged
// when anything but a whole pack stands behind the image, or the signature reaches past the
// file's end (a file cut off). Present does not vouch for the media's bytes: their CRC-32 is
// compared with mediaCrc.
PackState LocatePack(const ProgramLayout &layout, uint32_t fileSize, const unsigned char *header,
                     size_t headerLength, PackPlace *place);

void WritePackHeader(unsigned char (&header)[kPackHeaderSize], uint32_t mediaSize,
                     uint32_t mediaCrc);

// What a record says beyond the bytes of the head.
struct ProgramRecord {
  uint32_t tailSize;  // the bytes that followed the image
  uint64_t written;   // the last-write time, as a FILETIME
};

// The record of a program whose file is laid out as layout says, head being its start, and
// that is programSize bytes long; false when the file ends inside its image.
bool WriteProgramRecord(unsigned char (&record)[kProgramRecordSize], const unsigned char *head,
                        const ProgramLayout &layout, uint32_t programSize, uint64_t written);
// The record at the start of media of mediaSize bytes; false when the bytes that it says
// followed the image would reach past them.
bool ReadProgramRecord(const unsigned char (&record)[kProgramRecordSize], uint32_t mediaSize,
                       ProgramRecord *program);
// Puts the record's checksum and certificate table's entry back into the head of the image.
void RestoreProgramHead(unsigned char *head, const ProgramLayout &layout,
                        const unsigned char (&record)[kProgramRecordSize]);

// The index, the cabinet's first file: how many files the compressed stream holds and how
// many the stored one, then, for all files in the order of the streams, a column of their
// sizes (4 bytes each), one of their attributes (a byte each), one of their last-write times,
// each as the difference from the one before, and one of their names, each as the number of
// leading characters that it shares with the name before, then the rest and a NUL. Columns,
// differences and shared beginnings are what make the index compress to little.
constexpr size_t kIndexHeadSize = 8;
// The bit of a file's attributes in the index (one that no file has) that says that a run
// reads the file only to copy it: the run may keep it in its store rather than as a file.
constexpr uint8_t kCopiedOnly = 0x40;
constexpr size_t kIndexNameSize = 260;  // a name and its NUL

struct MediaFile {
  uint32_t size;
  uint64_t written;    // a FILETIME
  // Read-only, hidden, system and archive, as a file's attributes have them, and
  // kCopiedOnly.
  uint8_t attributes;
  const char *name;
};

// The most bytes that the index of count files whose names, NULs included, take namesLength
// bytes may need.
uint64_t MediaIndexRoom(uint32_t count, uint64_t namesLength);
// Writes the index of files, packedCount compressed ones and then storedCount stored ones,
// each name shorter than kIndexNameSize, into index, which has MediaIndexRoom bytes; its
// length.
size_t WriteMediaIndex(unsigned char *index, const MediaFile *files, uint32_t packedCount,
                       uint32_t storedCount);

struct MediaIndex {
  const unsigned char *bytes;
  size_t length;
  uint32_t packedCount, storedCount;
  uint32_t next;          // the file that NextMediaFile gives
  size_t timeAt, nameAt;  // its time and its name
  uint64_t written;       // the time of the file before it
  char name[kIndexNameSize];
};

// Opens the index of length bytes; false unless it is whole: its columns, a time and a name
// for every file, no name empty or too long, and nothing behind the last.
bool OpenMediaIndex(const unsigned char *index, size_t length, MediaIndex *opened);
// The next file of an opened index, its name held by the index until the next call; false
// after the last.
bool NextMediaFile(MediaIndex *index, MediaFile *file);

// The CRC-32 of ZIP and PNG, continued over length more bytes (start with 0).
uint32_t UpdateCrc32(uint32_t crc, const void *data, size_t length);
