#include "pack/Cabinet.h"

#include <fcntl.h>
#include <fci.h>
#include <fdi.h>
#include <stdlib.h>
#include <string.h>

#include "common/Globals.h"
#include "common/Guards.h"
#include "common/PathText.h"
#include "common/Platform.h"
#include "common/SystemLibrary.h"
#include "engine/Folders.h"
#include "engine/QueuePaths.h"
#include "engine/StoredMedia.h"
#include "pack/PackedFile.h"
#include "shell/LinkPath.h"

namespace {

constexpr ULONG kWholeCabinet = 0x7FFFFFFF;  // one cabinet, whatever the media's size
constexpr USHORT kKeptAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
constexpr char kTempPrefix[] = "fci";

// The library's entry points that packing and unpacking need.
struct CabinetLibrary {
  decltype(&FCICreate) fciCreate;
  decltype(&FCIAddFile) fciAddFile;
  decltype(&FCIFlushCabinet) fciFlushCabinet;
  decltype(&FCIDestroy) fciDestroy;
  decltype(&FDICreate) fdiCreate;
  decltype(&FDICopy) fdiCopy;
  decltype(&FDIDestroy) fdiDestroy;
};

bool LoadCabinetLibrary(CabinetLibrary *library) {
  HMODULE module = LoadSystemLibrary("cabinet.dll");
  if (!module) return false;
  *library = {GetProcAs<decltype(&FCICreate)>(module, "FCICreate"),
              GetProcAs<decltype(&FCIAddFile)>(module, "FCIAddFile"),
              GetProcAs<decltype(&FCIFlushCabinet)>(module, "FCIFlushCabinet"),
              GetProcAs<decltype(&FCIDestroy)>(module, "FCIDestroy"),
              GetProcAs<decltype(&FDICreate)>(module, "FDICreate"),
              GetProcAs<decltype(&FDICopy)>(module, "FDICopy"),
              GetProcAs<decltype(&FDIDestroy)>(module, "FDIDestroy")};
  return library->fciCreate && library->fciAddFile && library->fciFlushCabinet &&
         library->fciDestroy && library->fdiCreate && library->fdiCopy && library->fdiDestroy;
}

// The library's files are the system's file handles.
HANDLE AsHandle(INT_PTR file) { return reinterpret_cast<HANDLE>(file); }

INT_PTR OpenCabFile(const char *path, int flags) {
  bool writes = (flags & (_O_WRONLY | _O_RDWR)) != 0;
  HANDLE handle = CreateFileA(path, writes ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                              FILE_SHARE_READ, nullptr,
                              (flags & _O_CREAT) ? CREATE_ALWAYS : OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  return handle == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<INT_PTR>(handle);
}

// The cabinet library takes its memory from the program's one allocator.
void *DIAMONDAPI AllocForCabinet(ULONG size) { return malloc(size); }
void DIAMONDAPI FreeForCabinet(void *block) { free(block); }

// ----- The streams that the cabinet holds -----------------------------------------------------

// The cabinet's files: the index, the compressed stream and the stored one, in this order.
constexpr char kIndexName[] = "index";
constexpr char kPackedName[] = "packed";
constexpr char kStoredName[] = "stored";
// The date and time that the cabinet gives them, 1 January 1980 at midnight: the index holds
// the files' own, and the same media give the same cabinet.
constexpr USHORT kStreamDate = (1 << 5) | 1, kStreamTime = 0;
// Handles of the streams for the library; no file handle of the system is below 4.
const INT_PTR kIndexHandle = 1, kPackedHandle = 2, kStoredHandle = 3;

// The files of one stream, read one after the other as one file.
struct JoinedFiles {
  const char *folder;  // the media's
  const MediaFile *files;
  uint32_t count;
  uint64_t size;          // of all of them
  uint64_t at;            // where the next read starts
  uint32_t current;       // the file that starts at the stream's byte currentStart
  uint64_t currentStart;
  HANDLE open;            // that file, open at the byte openAt of the stream; null when none
  uint64_t openAt;
};

struct Packing {
  const char *work;  // the library's temporary files
  const unsigned char *index;
  uint64_t indexSize, indexAt;
  JoinedFiles streams[2];  // compressed, stored
};

// Opens the file that holds the byte at, at that byte, unless it stands there already.
bool PlaceJoined(JoinedFiles *joined) {
  if (joined->open && joined->openAt == joined->at &&
      joined->at < joined->currentStart + joined->files[joined->current].size)
    return true;
  if (joined->open) CloseHandle(joined->open);
  joined->open = nullptr;
  if (joined->at < joined->currentStart) joined->current = 0, joined->currentStart = 0;
  while (joined->at >= joined->currentStart + joined->files[joined->current].size)
    joined->currentStart += joined->files[joined->current++].size;
  char path[kTargetDirSize];
  if (!JoinPath(path, joined->folder, joined->files[joined->current].name)) return false;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  joined->open = file;
  joined->openAt = joined->at;
  LONG offset = static_cast<LONG>(joined->at - joined->currentStart);
  return !offset || SetFilePointer(file, offset, nullptr, FILE_BEGIN) == static_cast<DWORD>(offset);
}

// Reads from the stream; a file that ends before its size ends the packing.
UINT ReadJoined(JoinedFiles *joined, char *buffer, UINT count) {
  UINT done = 0;
  while (done < count && joined->at < joined->size) {
    if (!PlaceJoined(joined)) return UINT_MAX;
    uint64_t left = joined->currentStart + joined->files[joined->current].size - joined->at;
    DWORD chunk = count - done < left ? count - done : static_cast<DWORD>(left), read = 0;
    if (!ReadFile(joined->open, buffer + done, chunk, &read, nullptr)) return UINT_MAX;
    if (read != chunk) {
      SetLastError(ERROR_HANDLE_EOF);
      return UINT_MAX;
    }
    done += chunk;
    joined->at += chunk;
    joined->openAt += chunk;
  }
  return done;
}

// The new position from a seek's distance and origin, within 0 to size; -1 outside.
LONG SeekWithin(uint64_t *at, uint64_t size, LONG distance, int origin) {
  int64_t base = origin == SEEK_CUR ? static_cast<int64_t>(*at)
                 : origin == SEEK_END ? static_cast<int64_t>(size)
                                      : 0;
  int64_t to = base + distance;
  if (to < 0 || static_cast<uint64_t>(to) > size) return -1;
  *at = static_cast<uint64_t>(to);
  return static_cast<LONG>(to);
}

JoinedFiles *JoinedOf(INT_PTR file, void *pv) {
  Packing *packing = static_cast<Packing *>(pv);
  return file == kPackedHandle ? &packing->streams[0]
         : file == kStoredHandle ? &packing->streams[1]
                                 : nullptr;
}

// ----- Making the cabinet (FCI) ---------------------------------------------------------------

INT_PTR DIAMONDAPI OpenForFci(char *path, int flags, int, int *error, void *) {
  INT_PTR file = OpenCabFile(path, flags);
  if (file == -1) *error = static_cast<int>(GetLastError());
  return file;
}
UINT DIAMONDAPI ReadForFci(INT_PTR file, void *buffer, UINT count, int *, void *pv) {
  Packing *packing = static_cast<Packing *>(pv);
  if (JoinedFiles *joined = JoinedOf(file, pv))
    return ReadJoined(joined, static_cast<char *>(buffer), count);
  if (file == kIndexHandle) {
    uint64_t left = packing->indexSize - packing->indexAt;
    if (count > left) count = static_cast<UINT>(left);
    memcpy(buffer, packing->index + packing->indexAt, count);
    packing->indexAt += count;
    return count;
  }
  DWORD done = 0;
  return ReadFile(AsHandle(file), buffer, count, &done, nullptr) ? done : UINT_MAX;
}
UINT DIAMONDAPI WriteForFci(INT_PTR file, void *buffer, UINT count, int *, void *) {
  DWORD done = 0;
  return WriteFile(AsHandle(file), buffer, count, &done, nullptr) ? done : UINT_MAX;
}
int DIAMONDAPI CloseForFci(INT_PTR file, int *, void *pv) {
  if (file == kIndexHandle) return 0;
  if (JoinedFiles *joined = JoinedOf(file, pv)) {
    if (joined->open) CloseHandle(joined->open);
    joined->open = nullptr;
    return 0;
  }
  return CloseHandle(AsHandle(file)) ? 0 : -1;
}
LONG DIAMONDAPI SeekForFci(INT_PTR file, LONG distance, int origin, int *, void *pv) {
  Packing *packing = static_cast<Packing *>(pv);
  if (JoinedFiles *joined = JoinedOf(file, pv))
    return SeekWithin(&joined->at, joined->size, distance, origin);
  if (file == kIndexHandle)
    return SeekWithin(&packing->indexAt, packing->indexSize, distance, origin);
  DWORD at = SetFilePointer(AsHandle(file), distance, nullptr, static_cast<DWORD>(origin));
  return at == INVALID_SET_FILE_POINTER ? -1 : static_cast<LONG>(at);
}
int DIAMONDAPI DeleteForFci(char *path, int *, void *) { return DeleteFileA(path) ? 0 : -1; }
int DIAMONDAPI PlacedForFci(PCCAB, char *, LONG, BOOL, void *) { return 0; }
BOOL DIAMONDAPI NextForFci(PCCAB, ULONG, void *) { return FALSE; }
LONG DIAMONDAPI StatusForFci(UINT, ULONG, ULONG, void *) { return 0; }

// A name in the work folder.
BOOL DIAMONDAPI TempForFci(char *path, int size, void *pv) {
  char name[MAX_PATH];
  if (!GetTempFileNameA(static_cast<Packing *>(pv)->work, kTempPrefix, 0, name) ||
      strlen(name) >= static_cast<size_t>(size))
    return FALSE;
  strcpy(path, name);
  return TRUE;
}

// Opens a stream to be added, by its name, from its start.
INT_PTR DIAMONDAPI OpenInfoForFci(char *name, USHORT *date, USHORT *time, USHORT *attributes,
                                  int *, void *pv) {
  Packing *packing = static_cast<Packing *>(pv);
  *date = kStreamDate;
  *time = kStreamTime;
  *attributes = 0;
  if (!strcmp(name, kIndexName)) {
    packing->indexAt = 0;
    return kIndexHandle;
  }
  INT_PTR handle = !strcmp(name, kPackedName) ? kPackedHandle : kStoredHandle;
  JoinedOf(handle, pv)->at = 0;
  return handle;
}

// The media's files as the index lists them, the compressed ones first, and the index itself;
// false when the media are too big for one cabinet or a file cannot be read.
bool ListStreams(Packing *packing, MediaFile *files, const char *mediaDir,
                 const char *const *names, const char *copiedOnly, int count,
                 unsigned char **index) {
  uint32_t listed[2] = {0, 0};
  uint64_t total = 0, namesLength = 0;
  for (int stored = 0; stored < 2; ++stored)
    for (int i = 0; i < count; ++i) {
      if (EndsAsCabinet(names[i]) != (stored == 1)) continue;
      MediaFile *file = &files[listed[0] + listed[1]];
      WIN32_FILE_ATTRIBUTE_DATA data;
      char path[kTargetDirSize];
      if (!JoinPath(path, mediaDir, names[i]) ||
          !GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return false;
      total += data.nFileSizeLow + (uint64_t{data.nFileSizeHigh} << 32);
      if (total >= kWholeCabinet) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return false;
      }
      uint8_t attributes = static_cast<uint8_t>(data.dwFileAttributes & kKeptAttributes);
      if (!stored && copiedOnly[i]) attributes |= kCopiedOnly;
      *file = {data.nFileSizeLow, FileTimeValue(data.ftLastWriteTime), attributes, names[i]};
      namesLength += strlen(names[i]) + 1;
      ++listed[stored];
    }
  uint64_t room = MediaIndexRoom(listed[0] + listed[1], namesLength);
  *index = static_cast<unsigned char *>(malloc(room));
  if (!*index) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  packing->index = *index;
  packing->indexSize = WriteMediaIndex(*index, files, listed[0], listed[1]);
  for (int stored = 0; stored < 2; ++stored) {
    JoinedFiles &joined = packing->streams[stored];
    joined = JoinedFiles();
    joined.folder = mediaDir;
    joined.files = files + (stored ? listed[0] : 0);
    joined.count = listed[stored];
    for (uint32_t i = 0; i < joined.count; ++i) joined.size += joined.files[i].size;
  }
  return true;
}

// ----- Unpacking (FDI) ------------------------------------------------------------------------

// One unpacking at a time: FDI's reading and writing callbacks have no context of their own.
struct Unpacking {
  const char *folder;
  HANDLE file;  // the packed program: the cabinet lies in it from start on, size bytes long
  DWORD start, size, at;
  unsigned char *index;  // as FDI writes it
  size_t indexSize, indexRoom;
  bool indexed;          // opened, once FDI has written it whole
  MediaIndex opened;
  uint32_t streamEnd;    // the file after the last one of the stream that FDI writes
  HANDLE open;           // the file being written, left bytes short of its size
  uint32_t left;
  const char *store;     // where the files that runs only copy go, or NULL
  HANDLE storeFile;      // the store, once the index is read; open when a file goes there
  FILETIME written;      // its date
  char made[kTargetDirSize];  // the last sub-folder known to exist: most files share it
};
constexpr char kCabinetInFile[] = "packed";
Unpacking *g_unpacking = nullptr;
const INT_PTR kCabinetHandle = 1, kIndexSink = 2, kStreamSink = 3;

INT_PTR DIAMONDAPI OpenForFdi(char *path, int, int) {
  return g_unpacking && !strcmp(path, kCabinetInFile) ? kCabinetHandle : -1;
}
UINT DIAMONDAPI ReadForFdi(INT_PTR file, void *buffer, UINT count) {
  Unpacking *u = g_unpacking;
  if (file != kCabinetHandle) return UINT_MAX;
  DWORD left = u->size - u->at, done = 0;
  if (count > left) count = left;
  if (!ReadFile(u->file, buffer, count, &done, nullptr)) return UINT_MAX;
  u->at += done;
  return done;
}
int DIAMONDAPI CloseForFdi(INT_PTR file) {
  return file <= kStreamSink || CloseHandle(AsHandle(file)) ? 0 : -1;
}
LONG DIAMONDAPI SeekForFdi(INT_PTR file, LONG distance, int origin) {
  Unpacking *u = g_unpacking;
  uint64_t at = u->at;
  if (file != kCabinetHandle || SeekWithin(&at, u->size, distance, origin) < 0 ||
      SetFilePointer(u->file, static_cast<LONG>(u->start + at), nullptr, FILE_BEGIN) ==
          INVALID_SET_FILE_POINTER)
    return -1;
  u->at = static_cast<DWORD>(at);
  return static_cast<LONG>(at);
}

bool InvalidData() {
  SetLastError(ERROR_INVALID_DATA);
  return false;
}

// Creates the file of the index's name below the folder, its sub-folders first.
HANDLE CreateUnpackedFile(Unpacking *unpacking, const MediaFile &file) {
  char target[kTargetDirSize], outermost[kTargetDirSize];
  if (!IsContainedLinkName(file.name) || !JoinPath(target, unpacking->folder, file.name)) {
    SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  char *slash = strrchr(target, '\\');
  *slash = '\0';
  if (strcmp(target, unpacking->made) != 0) {
    DWORD error = CreateFolderPath(target, outermost);
    if (error) {
      SetLastError(error);
      return nullptr;
    }
    lstrcpynA(unpacking->made, target, sizeof(unpacking->made));
  }
  *slash = '\\';
  // Made with its attributes: a new file may be written whatever they say. The archive flag
  // comes with any new file.
  DWORD attributes = file.attributes & kKeptAttributes & ~FILE_ATTRIBUTE_ARCHIVE;
  HANDLE handle = CreateFileA(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              attributes ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr);
  return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

// Whether the name is one that the file system reads as it is written: parts of ASCII
// characters between single backslashes, none of them "." or "..", none ending in a dot or a
// blank, which the system drops, and none holding a character that a name cannot have. The
// store finds such a file by the queue's path whatever its case; another goes to its own file.
bool IsPlainName(const char *name) {
  for (const char *part = name;; ++part) {
    size_t length = strcspn(part, "\\");
    if (!length || part[length - 1] == '.' || part[length - 1] == ' ') return false;
    for (size_t i = 0; i < length; ++i)
      if (static_cast<unsigned char>(part[i]) < ' ' || static_cast<unsigned char>(part[i]) > '~' ||
          strchr("/:*?\"<>|", part[i]))
        return false;
    part += length;
    if (!*part) return true;
  }
}

// Whether the file goes into the store: one that runs only copy, under a plain name.
bool GoesToStore(const Unpacking *unpacking, const MediaFile &file) {
  return unpacking->store && (file.attributes & kCopiedOnly) && IsPlainName(file.name);
}

// The store's head and table, once the index is read: the files that go there in the index's
// order, which their bytes follow.
bool BeginStore(Unpacking *unpacking) {
  uint32_t count = 0;
  size_t length = 0;
  MediaFile file;
  MediaIndex walk = unpacking->opened;
  while (NextMediaFile(&walk, &file))
    if (GoesToStore(unpacking, file)) {
      ++count;
      length += kStoreEntryHead + strlen(file.name) + 1;
    }
  unsigned char head[kStoreHeadSize];
  WriteStoreHead(head, count, static_cast<uint32_t>(length));
  HeapGuard table(static_cast<char *>(malloc(length ? length : 1)));
  if (!table) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  unsigned char *at = reinterpret_cast<unsigned char *>(table.get());
  walk = unpacking->opened;
  while (NextMediaFile(&walk, &file))
    if (GoesToStore(unpacking, file))
      at = WriteStoreEntry(at, {file.size, file.written, file.attributes, file.name, 0});
  HANDLE store = CreateFileA(unpacking->store, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (store == INVALID_HANDLE_VALUE) return false;
  unpacking->storeFile = store;
  DWORD done = 0;
  return WriteFile(store, head, sizeof(head), &done, nullptr) && done == sizeof(head) &&
         WriteFile(store, table.get(), static_cast<DWORD>(length), &done, nullptr) &&
         done == length;
}

// A file written whole gets the date that it had on the media; one in the store has it there.
bool FinishUnpackedFile(Unpacking *unpacking) {
  if (unpacking->open == unpacking->storeFile) {
    unpacking->open = nullptr;
    return true;
  }
  bool dated = SetFileTime(unpacking->open, nullptr, nullptr, &unpacking->written);
  DWORD error = dated ? 0 : GetLastError();
  bool closed = CloseHandle(unpacking->open);
  unpacking->open = nullptr;
  if (error) SetLastError(error);
  return closed && dated;
}

// Creates the stream's next files up to the first that has bytes to come, which stays open.
bool StartNextFiles(Unpacking *unpacking) {
  MediaFile file;
  while (unpacking->opened.next < unpacking->streamEnd &&
         NextMediaFile(&unpacking->opened, &file)) {
    unpacking->open = GoesToStore(unpacking, file) ? unpacking->storeFile
                                                   : CreateUnpackedFile(unpacking, file);
    if (!unpacking->open) return false;
    unpacking->left = file.size;
    unpacking->written = FileTimeOf(file.written);
    if (file.size) return true;
    if (!FinishUnpackedFile(unpacking)) return false;
  }
  return true;
}

// The stream's bytes go to its files in the index's order.
bool WriteStream(Unpacking *unpacking, const char *bytes, UINT count) {
  while (count) {
    if (!unpacking->open) return InvalidData();  // more than the index says
    DWORD chunk = count < unpacking->left ? count : unpacking->left, done = 0;
    if (!WriteFile(unpacking->open, bytes, chunk, &done, nullptr) || done != chunk) return false;
    bytes += chunk;
    count -= chunk;
    unpacking->left -= chunk;
    if (!unpacking->left && (!FinishUnpackedFile(unpacking) || !StartNextFiles(unpacking)))
      return false;
  }
  return true;
}

// The index grows in memory as FDI writes it.
bool WriteIndex(Unpacking *unpacking, const void *bytes, UINT count) {
  if (unpacking->indexSize + count > unpacking->indexRoom) {
    size_t room = 2 * (unpacking->indexSize + count);
    void *grown = realloc(unpacking->index, room);
    if (!grown) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return false;
    }
    unpacking->index = static_cast<unsigned char *>(grown);
    unpacking->indexRoom = room;
  }
  memcpy(unpacking->index + unpacking->indexSize, bytes, count);
  unpacking->indexSize += count;
  return true;
}

UINT DIAMONDAPI WriteForFdi(INT_PTR file, void *buffer, UINT count) {
  Unpacking *u = g_unpacking;
  bool written = file == kIndexSink    ? WriteIndex(u, buffer, count)
                 : file == kStreamSink ? WriteStream(u, static_cast<char *>(buffer), count)
                                       : false;
  return written ? count : UINT_MAX;
}

// Where FDI writes a cabinet's file: the index first, then each stream, in their order.
INT_PTR BeginCabinetFile(Unpacking *unpacking, const char *name) {
  const MediaIndex &index = unpacking->opened;
  bool packed = !strcmp(name, kPackedName), stored = !strcmp(name, kStoredName);
  if (!unpacking->indexed && !unpacking->indexSize && !strcmp(name, kIndexName))
    return kIndexSink;
  if (!unpacking->indexed || (!packed && !stored) || unpacking->open ||
      index.next != (stored ? index.packedCount : 0)) {
    InvalidData();
    return -1;
  }
  unpacking->streamEnd = index.packedCount + (stored ? index.storedCount : 0);
  return StartNextFiles(unpacking) ? kStreamSink : -1;
}

// The end of a cabinet's file: the index is read; a stream must have filled its files.
bool EndCabinetFile(Unpacking *unpacking, INT_PTR file) {
  if (file == kIndexSink) {
    if (!OpenMediaIndex(unpacking->index, unpacking->indexSize, &unpacking->opened))
      return InvalidData();
    unpacking->indexed = true;
    return !unpacking->store || BeginStore(unpacking);
  }
  return !unpacking->open && unpacking->opened.next == unpacking->streamEnd ? true
                                                                            : InvalidData();
}

INT_PTR DIAMONDAPI NotifyForFdi(FDINOTIFICATIONTYPE type, PFDINOTIFICATION notification) {
  Unpacking *unpacking = static_cast<Unpacking *>(notification->pv);
  switch (type) {
    case fdintCOPY_FILE:
      return BeginCabinetFile(unpacking, notification->psz1);
    case fdintCLOSE_FILE_INFO:
      return EndCabinetFile(unpacking, notification->hf) ? TRUE : -1;
    case fdintNEXT_CABINET:
    case fdintPARTIAL_FILE:
      return -1;  // the media are one whole cabinet
    default:
      return 0;
  }
}

}  // namespace

bool WriteMediaCabinet(const char *folder, const char *mediaDir, const char *const *names,
                       const char *copiedOnly, int count) {
  CabinetLibrary library;
  CCAB cabinet = {};
  cabinet.cb = cabinet.cbFolderThresh = kWholeCabinet;
  if (!LoadCabinetLibrary(&library) || !JoinPath(cabinet.szCabPath, folder, "")) return false;
  strcpy(cabinet.szCab, kMediaCabinetName);
  Packing packing = Packing();
  packing.work = folder;
  unsigned char *index = nullptr;
  MediaFile *files = static_cast<MediaFile *>(calloc(count ? count : 1, sizeof(MediaFile)));
  if (!files || !ListStreams(&packing, files, mediaDir, names, copiedOnly, count, &index)) {
    if (!files) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    free(files);
    free(index);
    return false;
  }
  ERF error = {};
  HFCI fci = library.fciCreate(&error, PlacedForFci, AllocForCabinet, FreeForCabinet, OpenForFci,
                               ReadForFci, WriteForFci, CloseForFci, SeekForFci, DeleteForFci,
                               TempForFci, &cabinet, &packing);
  // The index and the compressed stream share a folder of the cabinet; the stored stream,
  // cabinets compressed already, starts one that is stored as it is.
  const struct {
    const char *name;
    bool present;
    TCOMP compression;
  } parts[] = {{kIndexName, true, tcompTYPE_MSZIP},
               {kPackedName, packing.streams[0].count > 0, tcompTYPE_MSZIP},
               {kStoredName, packing.streams[1].count > 0, tcompTYPE_NONE}};
  bool added = fci != nullptr;
  for (const auto &part : parts)
    added = added && (!part.present ||
                      library.fciAddFile(fci, const_cast<char *>(part.name),
                                         const_cast<char *>(part.name), FALSE, NextForFci,
                                         StatusForFci, OpenInfoForFci, part.compression));
  bool written = added && library.fciFlushCabinet(fci, FALSE, NextForFci, StatusForFci);
  DWORD lastError = GetLastError();
  if (fci) library.fciDestroy(fci);
  for (JoinedFiles &joined : packing.streams)
    if (joined.open) CloseHandle(joined.open);
  free(files);
  free(index);
  SetLastError(lastError);
  return written;
}

int ExtractMediaCabinet(HANDLE file, DWORD start, DWORD size, const char *folder,
                        const char *store) {
  CabinetLibrary library;
  if (!LoadCabinetLibrary(&library)) return -1;
  ERF error = {};
  HFDI fdi = library.fdiCreate(AllocForCabinet, FreeForCabinet, OpenForFdi, ReadForFdi,
                               WriteForFdi, CloseForFdi, SeekForFdi, cpuUNKNOWN, &error);
  if (!fdi) return -1;
  Unpacking unpacking = Unpacking();
  unpacking.folder = folder;
  unpacking.file = file;
  unpacking.start = start;
  unpacking.size = size;
  unpacking.store = store;
  g_unpacking = &unpacking;
  bool copied = SetFilePointer(file, static_cast<LONG>(start), nullptr, FILE_BEGIN) == start &&
                library.fdiCopy(fdi, const_cast<char *>(kCabinetInFile), const_cast<char *>(""),
                                0, NotifyForFdi, nullptr, &unpacking);
  // A callback that ended it left its own error; anything else is a damaged cabinet.
  DWORD lastError = error.erfOper == FDIERROR_USER_ABORT ? GetLastError() : ERROR_INVALID_DATA;
  const MediaIndex &index = unpacking.opened;
  bool whole = copied && unpacking.indexed && !unpacking.open &&
               index.next == index.packedCount + index.storedCount;
  if (copied && !whole) lastError = ERROR_INVALID_DATA;
  if (unpacking.open && unpacking.open != unpacking.storeFile) CloseHandle(unpacking.open);
  if (unpacking.storeFile) CloseHandle(unpacking.storeFile);
  g_unpacking = nullptr;
  library.fdiDestroy(fdi);
  free(unpacking.index);
  SetLastError(lastError);
  return whole ? static_cast<int>(index.next) : -1;
}
