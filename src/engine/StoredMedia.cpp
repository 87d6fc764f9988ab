#include "engine/StoredMedia.h"

#include <stdlib.h>
#include <string.h>

#include "common/Guards.h"
#include "common/LittleEndian.h"
#include "common/Log.h"
#include "common/PathText.h"
#include "common/Platform.h"

namespace {

constexpr DWORD kBlockSize = 64 * 1024;
constexpr uint32_t kMostTableLength = 64u << 20;  // far more names than any media holds
constexpr DWORD kCopiedAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
// The starts of the forms that the Setup API expands: LZ (two kinds) and a cabinet.
constexpr const char *kCompressedMarks[] = {"SZDD", "KWAJ", "MSCF"};
constexpr size_t kMarkLength = 4;

// The store of this run: its file, its table as read (the names point into it) and the files
// sorted by name.
struct Store {
  HANDLE file;
  unsigned char *table;
  StoredFile *files;
  uint32_t count;
  char media[kTargetDirSize];  // the media folder, with its backslash
  size_t mediaLength;
};
Store g_store;

int CompareStored(const void *a, const void *b) {
  return ComparePaths(static_cast<const StoredFile *>(a)->name,
                      static_cast<const StoredFile *>(b)->name);
}
int CompareStoredName(const void *name, const void *file) {
  return ComparePaths(static_cast<const char *>(name), static_cast<const StoredFile *>(file)->name);
}

// Reads the table of count files, length bytes, into files; false unless every entry lies
// within it and every file's bytes within the store's size.
bool ReadTable(const unsigned char *table, uint32_t length, uint32_t count, uint64_t storeSize,
               StoredFile *files) {
  uint64_t at = kStoreHeadSize + uint64_t{length};
  size_t place = 0;
  for (uint32_t i = 0; i < count; ++i) {
    if (length - place < kStoreEntryHead + 2) return false;
    const unsigned char *entry = table + place;
    const char *name = reinterpret_cast<const char *>(entry + kStoreEntryHead);
    const void *end = memchr(name, 0, length - place - kStoreEntryHead);
    if (!end || end == name) return false;
    files[i] = {ReadLittle32(entry),
                ReadLittle32(entry + 4) | uint64_t{ReadLittle32(entry + 8)} << 32, entry[12], name,
                at};
    at += files[i].size;
    place = static_cast<const unsigned char *>(end) + 1 - table;
  }
  return place == length && at <= storeSize;
}

bool SeekStore(uint64_t at) {
  LONG high = static_cast<LONG>(at >> 32);
  // A low half of all ones is a position too: only the error tells a failure.
  SetLastError(NO_ERROR);
  return SetFilePointer(g_store.file, static_cast<LONG>(at), &high, FILE_BEGIN) !=
             INVALID_SET_FILE_POINTER ||
         GetLastError() == NO_ERROR;
}

// The media-relative name that path gives, read as the file system reads it (from the current
// folder, the media's, where the queue names its sources so, without "." and ".." parts or
// doubled separators), into full; NULL when it lies outside the media folder.
const char *RelativeName(const char *path, char (&full)[kTargetDirSize]) {
  DWORD length = GetFullPathNameA(path, sizeof(full), full, nullptr);
  if (!length || length >= sizeof(full) || length <= g_store.mediaLength ||
      _strnicmp(full, g_store.media, g_store.mediaLength) != 0)
    return nullptr;
  return full + g_store.mediaLength;
}

}  // namespace

void WriteStoreHead(unsigned char (&head)[kStoreHeadSize], uint32_t count, uint32_t tableLength) {
  memcpy(head, kStoreMagic, 8);
  WriteLittle32(head + 8, count);
  WriteLittle32(head + 12, tableLength);
}

unsigned char *WriteStoreEntry(unsigned char *at, const StoredFile &file) {
  WriteLittle32(at, file.size);
  WriteLittle32(at + 4, static_cast<uint32_t>(file.written));
  WriteLittle32(at + 8, static_cast<uint32_t>(file.written >> 32));
  at[12] = file.attributes;
  size_t name = strlen(file.name) + 1;
  memcpy(at + kStoreEntryHead, file.name, name);
  return at + kStoreEntryHead + name;
}

bool OpenStoredMedia(const char *store, const char *mediaFolder) {
  unsigned char head[kStoreHeadSize];
  DWORD done = 0, high = 0;
  HandleGuard file(CreateFileA(store, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD low = file ? GetFileSize(file.get(), &high) : INVALID_FILE_SIZE;
  bool read = file && ReadFile(file.get(), head, sizeof(head), &done, nullptr) &&
              done == sizeof(head) && !memcmp(head, kStoreMagic, 8);
  uint32_t count = read ? ReadLittle32(head + 8) : 0, length = read ? ReadLittle32(head + 12) : 0;
  read = read && length <= kMostTableLength && count <= length / (kStoreEntryHead + 2);
  HeapGuard table(read ? static_cast<char *>(malloc(length ? length : 1)) : nullptr);
  StoredFile *files = table ? static_cast<StoredFile *>(calloc(count ? count : 1,
                                                               sizeof(StoredFile)))
                            : nullptr;
  unsigned char *bytes = reinterpret_cast<unsigned char *>(table.get());
  read = files && ReadFile(file.get(), bytes, length, &done, nullptr) && done == length &&
         ReadTable(bytes, length, count, low | uint64_t{high} << 32, files) &&
         JoinPath(g_store.media, mediaFolder, "");
  if (!read) {
    DWORD error = GetLastError();
    free(files);
    LogFailure(error ? error : ERROR_INVALID_DATA, "the store %s of the media cannot be read",
               store);
    return false;
  }
  qsort(files, count, sizeof(*files), CompareStored);
  g_store.file = file.release();
  g_store.table = bytes;
  table.release();
  g_store.files = files;
  g_store.count = count;
  g_store.mediaLength = strlen(g_store.media);
  LogLine("%lu files of the media are kept in %s", static_cast<unsigned long>(count), store);
  return true;
}

void CloseStoredMedia() {
  if (g_store.file) CloseHandle(g_store.file);
  free(g_store.table);
  free(g_store.files);
  g_store = Store();
}

const StoredFile *FindStoredFile(const char *path) {
  char full[kTargetDirSize];
  const char *name = g_store.files && path ? RelativeName(path, full) : nullptr;
  if (!name) return nullptr;
  return static_cast<const StoredFile *>(
      bsearch(name, g_store.files, g_store.count, sizeof(StoredFile), CompareStoredName));
}

bool StoredFileIsCompressed(const StoredFile &file) {
  char start[kMarkLength];
  DWORD done = 0;
  if (file.size < kMarkLength || !SeekStore(file.at) ||
      !ReadFile(g_store.file, start, sizeof(start), &done, nullptr) || done != sizeof(start))
    return false;
  for (const char *mark : kCompressedMarks)
    if (!memcmp(start, mark, kMarkLength)) return true;
  return false;
}

bool WriteStoredFile(const StoredFile &file, const char *path) {
  DWORD attributes = file.attributes & kCopiedAttributes;
  HANDLE created = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               attributes ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr);
  if (created == INVALID_HANDLE_VALUE) return false;
  HandleGuard target(created);
  char block[kBlockSize];
  FILETIME written = FileTimeOf(file.written);
  bool whole = SeekStore(file.at);
  for (uint32_t left = file.size; whole && left;) {
    DWORD chunk = left < sizeof(block) ? left : sizeof(block), done = 0;
    whole = ReadFile(g_store.file, block, chunk, &done, nullptr) && done == chunk &&
            WriteFile(target.get(), block, chunk, &done, nullptr) && done == chunk;
    left -= chunk;
  }
  whole = whole && SetFileTime(target.get(), nullptr, nullptr, &written);
  if (whole) return true;
  DWORD error = GetLastError();
  CloseHandle(target.release());
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path);
  SetLastError(error ? error : ERROR_READ_FAULT);
  return false;
}
