// The files of unpacked media that a run keeps in one store file rather than one file each.
// A packed program unpacks there the files that only copies read; the copy of such a file to
// a target that does not exist yet is written from the store straight to the target, so the
// bytes reach the disk once. A file that the queue has to compare with one on the machine is
// put into the media folder first and copied by the queue as any other.
//
// The store: kStoreMagic, the number of files and the length of their table, the table (for
// each file its size, its last-write time, its attributes and its name relative to the media
// folder, NUL-ended), then the files' bytes in the table's order.
#pragma once
#include <windows.h>

#include <stddef.h>
#include <stdint.h>

#include "common/Globals.h"

constexpr char kStoreMagic[] = "SetupSt1";  // its 8 characters, without the NUL
constexpr size_t kStoreHeadSize = 16;
constexpr size_t kStoreEntryHead = 13;      // size, time and attributes before the name

struct StoredFile {
  uint32_t size;
  uint64_t written;  // a FILETIME
  uint8_t attributes;
  const char *name;  // relative to the media folder
  uint64_t at;       // where its bytes start in the store
};

// Writing a store: its head, and the table's entry for each file, which takes
// kStoreEntryHead bytes and the name with its NUL.
void WriteStoreHead(unsigned char (&head)[kStoreHeadSize], uint32_t count, uint32_t tableLength);
unsigned char *WriteStoreEntry(unsigned char *at, const StoredFile &file);

// Opens the store for the media folder mediaFolder (the full path of the folder in which a
// run finds its media) for this run; false, logged, when it cannot be read or is not whole.
bool OpenStoredMedia(const char *store, const char *mediaFolder);

// Closes the store: the run is over.
void CloseStoredMedia();

// The file of the open store that path names (a path in the media folder), or NULL.
const StoredFile *FindStoredFile(const char *path);

// Writes the stored file as a new file at path, with its attributes and date; false with the
// system's error when it cannot, and then nothing of it is left there. ERROR_FILE_EXISTS when
// a file is there already.
bool WriteStoredFile(const StoredFile &file, const char *path);

// Whether the file's bytes are in one of the compressed forms that the queue expands as it
// copies: such a file goes through the queue.
bool StoredFileIsCompressed(const StoredFile &file);
