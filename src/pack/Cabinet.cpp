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
  decltype(&FCIFlushFolder) fciFlushFolder;
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
              GetProcAs<decltype(&FCIFlushFolder)>(module, "FCIFlushFolder"),
              GetProcAs<decltype(&FCIDestroy)>(module, "FCIDestroy"),
              GetProcAs<decltype(&FDICreate)>(module, "FDICreate"),
              GetProcAs<decltype(&FDICopy)>(module, "FDICopy"),
              GetProcAs<decltype(&FDIDestroy)>(module, "FDIDestroy")};
  return library->fciCreate && library->fciAddFile && library->fciFlushCabinet &&
         library->fciFlushFolder && library->fciDestroy && library->fdiCreate &&
         library->fdiCopy && library->fdiDestroy;
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

// The cabinet's files: the index, the compressed stream in two halves, each a folder of its
// own that a thread of the unpacking inflates, and the stored stream, in this order. The
// halves split the compressed files at the first one that reaches half of their bytes.
constexpr char kIndexName[] = "index";
constexpr char kPackedName[] = "packed";
constexpr char kSecondHalfName[] = "packed2";
constexpr char kStoredName[] = "stored";
// The date and time that the cabinet gives them, 1 January 1980 at midnight: the index holds
// the files' own, and the same media give the same cabinet.
constexpr USHORT kStreamDate = (1 << 5) | 1, kStreamTime = 0;
// Handles of the streams for the library (the index's, then the three streams' in their
// order): the system's handles are multiples of four, and none of these is.
const INT_PTR kIndexHandle = 1, kFirstStreamHandle = 5;
constexpr int kStreamCount = 3;

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
  JoinedFiles streams[kStreamCount];  // the compressed halves, stored
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
  return file >= kFirstStreamHandle && file < kFirstStreamHandle + kStreamCount
             ? &packing->streams[file - kFirstStreamHandle]
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
  INT_PTR handle = !strcmp(name, kPackedName)       ? kFirstStreamHandle
                   : !strcmp(name, kSecondHalfName) ? kFirstStreamHandle + 1
                                                    : kFirstStreamHandle + 2;
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
  uint64_t compressed = 0, half = 0;
  for (uint32_t i = 0; i < listed[0]; ++i) compressed += files[i].size;
  uint32_t split = 0;
  while (split < listed[0] && 2 * half < compressed) half += files[split++].size;
  // Both halves have bytes, or the first takes them all.
  if (half == compressed) split = listed[0];
  const uint32_t bounds[kStreamCount + 1] = {0, split, listed[0], listed[0] + listed[1]};
  for (int stream = 0; stream < kStreamCount; ++stream) {
    JoinedFiles &joined = packing->streams[stream];
    joined = JoinedFiles();
    joined.folder = mediaDir;
    joined.files = files + bounds[stream];
    joined.count = bounds[stream + 1] - bounds[stream];
    for (uint32_t i = 0; i < joined.count; ++i) joined.size += joined.files[i].size;
  }
  return true;
}

// ----- Unpacking (FDI) ------------------------------------------------------------------------

struct Unpacking;

// What one instance of the library unpacks: the first compressed half, or the second and the
// stored stream, each on a thread of its own. It reads the cabinet through a handle of its
// own (reads at a given offset are slower under Wine), and writes into the store at a
// position of its own.
struct UnpackWorker {
  Unpacking *shared;
  int number;            // 0 or 1
  HANDLE file;           // the packed program: the caller's handle, or the second's own
  DWORD at;              // where its next read of the cabinet starts
  MediaIndex cursor;     // the next file that its streams fill
  uint32_t streamEnd;    // the file after the last one of the stream being written
  HANDLE open;           // the file being written, left bytes short of its size
  uint32_t left;
  uint64_t storeAt;      // where its next bytes go in the store
  FILETIME written;      // the open file's date
  HFDI fdi;              // its instance of the library
  ERF fdiError;
  bool copied;           // its pass ended well
  bool stopped;          // it stopped because the other one failed
  DWORD error;           // what ended it; 0 when it only stopped
  char made[kTargetDirSize];  // the last sub-folder known to exist: most files share it
};

// One unpacking at a time: FDI's reading and writing callbacks have no context of their own.
struct Unpacking {
  const char *folder;
  DWORD start, size;  // the cabinet lies in the packed program from start on, size bytes long
  unsigned char *index;  // as FDI writes it
  size_t indexSize, indexRoom;
  bool indexed;          // opened, once FDI has written it whole
  MediaIndex opened;
  uint64_t firstHalf;    // the bytes of the first compressed half, as the cabinet gives them
  uint32_t split;        // the first file of the second
  const char *store;     // where the files that runs only copy go, or NULL
  HANDLE storeFile;      // the store, once the index is read
  uint64_t storeData;    // where the stored files' bytes start in it
  bool surveying;        // the first pass, which reads the index only
  decltype(&FDICopy) fdiCopy;
  volatile LONG failed;  // set by the worker that fails first: the other one stops
  UnpackWorker workers[2];
};
// The cabinet as each worker's library opens it, and the handles of what it writes.
constexpr char kCabinetInFile[2][8] = {"cabinet", "second"};
Unpacking *g_unpacking = nullptr;
const INT_PTR kReaderHandle = 1, kIndexSink = 3, kStreamSink = 5;  // reader and sink: + number

UnpackWorker *WorkerOf(INT_PTR file, INT_PTR first) {
  return file == first || file == first + 1 ? &g_unpacking->workers[file - first] : nullptr;
}

INT_PTR DIAMONDAPI OpenForFdi(char *path, int, int) {
  for (int i = 0; g_unpacking && i < 2; ++i)
    if (!strcmp(path, kCabinetInFile[i])) {
      UnpackWorker &worker = g_unpacking->workers[i];
      worker.at = 0;
      return SetFilePointer(worker.file, static_cast<LONG>(g_unpacking->start), nullptr,
                            FILE_BEGIN) == g_unpacking->start
                 ? kReaderHandle + i
                 : -1;
    }
  return -1;
}
UINT DIAMONDAPI ReadForFdi(INT_PTR file, void *buffer, UINT count) {
  UnpackWorker *worker = WorkerOf(file, kReaderHandle);
  if (!worker) return UINT_MAX;
  DWORD left = worker->shared->size - worker->at, done = 0;
  if (count > left) count = left;
  if (!ReadFile(worker->file, buffer, count, &done, nullptr)) return UINT_MAX;
  worker->at += done;
  return done;
}
// Every handle that FDI gets is one of these.
int DIAMONDAPI CloseForFdi(INT_PTR file) {
  return file >= kReaderHandle && file <= kStreamSink + 1 ? 0 : -1;
}
LONG DIAMONDAPI SeekForFdi(INT_PTR file, LONG distance, int origin) {
  UnpackWorker *worker = WorkerOf(file, kReaderHandle);
  uint64_t at = worker ? worker->at : 0;
  if (!worker || SeekWithin(&at, worker->shared->size, distance, origin) < 0 ||
      SetFilePointer(worker->file, static_cast<LONG>(worker->shared->start + at), nullptr,
                     FILE_BEGIN) == INVALID_SET_FILE_POINTER)
    return -1;
  worker->at = static_cast<DWORD>(at);
  return static_cast<LONG>(at);
}

bool InvalidData() {
  SetLastError(ERROR_INVALID_DATA);
  return false;
}

// Creates the file of the index's name below the folder, its sub-folders first.
HANDLE CreateUnpackedFile(UnpackWorker *worker, const MediaFile &file) {
  char target[kTargetDirSize], outermost[kTargetDirSize];
  if (!IsContainedLinkName(file.name) || !JoinPath(target, worker->shared->folder, file.name)) {
    SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  char *slash = strrchr(target, '\\');
  *slash = '\0';
  if (strcmp(target, worker->made) != 0) {
    DWORD error = CreateFolderPath(target, outermost);
    if (error) {
      SetLastError(error);
      return nullptr;
    }
    lstrcpynA(worker->made, target, sizeof(worker->made));
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
  unpacking->storeData = sizeof(head) + length;
  DWORD done = 0;
  return WriteFile(store, head, sizeof(head), &done, nullptr) && done == sizeof(head) &&
         WriteFile(store, table.get(), static_cast<DWORD>(length), &done, nullptr) &&
         done == length;
}

// Where each worker starts, once the index is read: the second half at the file after the
// last one whose bytes lie in the first (which empty files still follow), each worker's
// stored files where the store's table puts them. False when the halves do not fit the index.
bool PlanWorkers(Unpacking *unpacking) {
  UnpackWorker &first = unpacking->workers[0], &second = unpacking->workers[1];
  first.cursor = second.cursor = unpacking->opened;
  first.storeAt = second.storeAt = unpacking->storeData;
  uint64_t bytes = 0;
  MediaIndex ahead = second.cursor;
  MediaFile file;
  while (ahead.next < unpacking->opened.packedCount && NextMediaFile(&ahead, &file) &&
         bytes + file.size <= unpacking->firstHalf) {
    bytes += file.size;
    if (GoesToStore(unpacking, file)) second.storeAt += file.size;
    second.cursor = ahead;
  }
  unpacking->split = second.cursor.next;
  return bytes == unpacking->firstHalf ? true : InvalidData();
}

// A file written whole gets the date that it had on the media; one in the store has it there.
bool FinishUnpackedFile(UnpackWorker *worker) {
  if (worker->open == worker->shared->storeFile) {
    worker->open = nullptr;
    return true;
  }
  bool dated = SetFileTime(worker->open, nullptr, nullptr, &worker->written);
  DWORD error = dated ? 0 : GetLastError();
  bool closed = CloseHandle(worker->open);
  worker->open = nullptr;
  if (error) SetLastError(error);
  return closed && dated;
}

// Creates the stream's next files up to the first that has bytes to come, which stays open.
bool StartNextFiles(UnpackWorker *worker) {
  MediaFile file;
  while (worker->cursor.next < worker->streamEnd && NextMediaFile(&worker->cursor, &file)) {
    worker->open = GoesToStore(worker->shared, file) ? worker->shared->storeFile
                                                     : CreateUnpackedFile(worker, file);
    if (!worker->open) return false;
    worker->left = file.size;
    worker->written = FileTimeOf(file.written);
    if (file.size) return true;
    if (!FinishUnpackedFile(worker)) return false;
  }
  return true;
}

// Writes into the open file; into the store at the worker's own position there.
bool WriteOpenFile(UnpackWorker *worker, const char *bytes, DWORD count) {
  DWORD done = 0;
  if (worker->open != worker->shared->storeFile)
    return WriteFile(worker->open, bytes, count, &done, nullptr) && done == count;
  OVERLAPPED to = {};
  to.Offset = static_cast<DWORD>(worker->storeAt);
  to.OffsetHigh = static_cast<DWORD>(worker->storeAt >> 32);
  if (!WriteFile(worker->open, bytes, count, &done, &to) || done != count) return false;
  worker->storeAt += count;
  return true;
}

// The stream's bytes go to its files in the index's order.
bool WriteStream(UnpackWorker *worker, const char *bytes, UINT count) {
  if (worker->shared->failed) {
    worker->stopped = true;
    SetLastError(ERROR_CANCELLED);
    return false;
  }
  while (count) {
    if (!worker->open) return InvalidData();  // more than the index says
    DWORD chunk = count < worker->left ? count : worker->left;
    if (!WriteOpenFile(worker, bytes, chunk)) return false;
    bytes += chunk;
    count -= chunk;
    worker->left -= chunk;
    if (!worker->left && (!FinishUnpackedFile(worker) || !StartNextFiles(worker))) return false;
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
  UnpackWorker *worker = WorkerOf(file, kStreamSink);
  bool written = file == kIndexSink ? WriteIndex(g_unpacking, buffer, count)
                 : worker           ? WriteStream(worker, static_cast<char *>(buffer), count)
                                    : false;
  return written ? count : UINT_MAX;
}

// The survey, before the workers start: the index is read, the first half's size noted,
// every other file of the cabinet skipped; a name that none of its files has ends it.
INT_PTR SurveyCabinetFile(Unpacking *unpacking, const char *name, LONG size) {
  if (!strcmp(name, kIndexName) && !unpacking->indexSize) return kIndexSink;
  if (!strcmp(name, kPackedName)) {
    unpacking->firstHalf = static_cast<uint64_t>(size);
  } else if (strcmp(name, kSecondHalfName) && strcmp(name, kStoredName)) {
    InvalidData();
    return -1;
  }
  return 0;
}

// Where a worker writes a cabinet's file: the first one the first half, the second one the
// second half and then the stored stream; each stream starts where the one before it ended.
INT_PTR BeginCabinetFile(UnpackWorker *worker, const char *name) {
  Unpacking *unpacking = worker->shared;
  const MediaIndex &index = unpacking->opened;
  uint32_t from = 0;
  if (worker->number == 0 && !strcmp(name, kPackedName)) {
    worker->streamEnd = unpacking->split;
  } else if (worker->number == 1 && !strcmp(name, kSecondHalfName)) {
    from = unpacking->split;
    worker->streamEnd = index.packedCount;
  } else if (worker->number == 1 && !strcmp(name, kStoredName)) {
    from = index.packedCount;
    worker->streamEnd = index.packedCount + index.storedCount;
  } else {
    return 0;  // the other worker's, or the index
  }
  if (worker->open || worker->cursor.next != from) {
    InvalidData();
    return -1;
  }
  return StartNextFiles(worker) ? kStreamSink + worker->number : -1;
}

// The end of a cabinet's file: the index is read; a stream must have filled its files.
bool EndCabinetFile(UnpackWorker *worker, INT_PTR file) {
  Unpacking *unpacking = worker->shared;
  if (file == kIndexSink) {
    if (!OpenMediaIndex(unpacking->index, unpacking->indexSize, &unpacking->opened))
      return InvalidData();
    unpacking->indexed = true;
    return !unpacking->store || BeginStore(unpacking);
  }
  return !worker->open && worker->cursor.next == worker->streamEnd ? true : InvalidData();
}

INT_PTR DIAMONDAPI NotifyForFdi(FDINOTIFICATIONTYPE type, PFDINOTIFICATION notification) {
  UnpackWorker *worker = static_cast<UnpackWorker *>(notification->pv);
  switch (type) {
    case fdintCOPY_FILE:
      return worker->shared->surveying
                 ? SurveyCabinetFile(worker->shared, notification->psz1, notification->cb)
                 : BeginCabinetFile(worker, notification->psz1);
    case fdintCLOSE_FILE_INFO:
      return EndCabinetFile(worker, notification->hf);  // FALSE ends the pass
    case fdintNEXT_CABINET:
    case fdintPARTIAL_FILE:
      return -1;  // the media are one whole cabinet
    default:
      return 0;
  }
}

// One pass of the worker's library over the cabinet. A failure stops the other worker; its
// error stays with the worker (0 when it only stopped for the other one).
bool RunWorker(UnpackWorker *worker) {
  Unpacking *unpacking = worker->shared;
  bool copied = unpacking->fdiCopy(worker->fdi, const_cast<char *>(kCabinetInFile[worker->number]),
                                   const_cast<char *>(""), 0, NotifyForFdi, nullptr, worker);
  // A callback that ended it left its own error; anything else is a damaged cabinet.
  worker->error = copied || worker->stopped                       ? 0
                  : worker->fdiError.erfOper == FDIERROR_USER_ABORT ? GetLastError()
                                                                    : ERROR_INVALID_DATA;
  if (!copied) InterlockedExchange(&unpacking->failed, 1);
  worker->copied = copied;
  return copied;
}

DWORD WINAPI WorkerThread(void *worker) {
  RunWorker(static_cast<UnpackWorker *>(worker));
  return 0;
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
  // The index and the first compressed half share a folder of the cabinet, the second half
  // starts one of its own; the stored stream, cabinets compressed already, starts one that
  // is stored as it is.
  const struct {
    const char *name;
    bool present;
    TCOMP compression;
  } parts[] = {{kIndexName, true, tcompTYPE_MSZIP},
               {kPackedName, packing.streams[0].count > 0, tcompTYPE_MSZIP},
               {kSecondHalfName, packing.streams[1].count > 0, tcompTYPE_MSZIP},
               {kStoredName, packing.streams[2].count > 0, tcompTYPE_NONE}};
  bool added = fci != nullptr;
  for (const auto &part : parts) {
    if (!part.present) continue;
    if (part.name == kSecondHalfName)
      added = added && library.fciFlushFolder(fci, NextForFci, StatusForFci);
    added = added && library.fciAddFile(fci, const_cast<char *>(part.name),
                                        const_cast<char *>(part.name), FALSE, NextForFci,
                                        StatusForFci, OpenInfoForFci, part.compression);
  }
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

int ExtractMediaCabinet(HANDLE file, const char *path, DWORD start, DWORD size,
                        const char *folder, const char *store) {
  CabinetLibrary library;
  if (!LoadCabinetLibrary(&library)) return -1;
  Unpacking unpacking = Unpacking();
  unpacking.folder = folder;
  unpacking.start = start;
  unpacking.size = size;
  unpacking.store = store;
  unpacking.fdiCopy = library.fdiCopy;
  bool created = true;
  for (int i = 0; i < 2; ++i) {
    UnpackWorker &worker = unpacking.workers[i];
    worker.shared = &unpacking;
    worker.number = i;
    // The second handle shares reading only with the first, which lets nobody write.
    worker.file = i ? CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)
                    : file;
    worker.fdi = library.fdiCreate(AllocForCabinet, FreeForCabinet, OpenForFdi, ReadForFdi,
                                   WriteForFdi, CloseForFdi, SeekForFdi, cpuUNKNOWN,
                                   &worker.fdiError);
    created = created && worker.fdi && worker.file != INVALID_HANDLE_VALUE;
  }
  g_unpacking = &unpacking;
  UnpackWorker &first = unpacking.workers[0], &second = unpacking.workers[1];
  // The index first, then both halves at once; without a second thread, one after the other.
  unpacking.surveying = true;
  bool whole = created && RunWorker(&first) && unpacking.indexed && PlanWorkers(&unpacking);
  unpacking.surveying = false;
  if (whole) {
    HANDLE thread = CreateThread(nullptr, 0, WorkerThread, &second, 0, nullptr);
    bool firstDone = RunWorker(&first);
    if (thread) {
      WaitForSingleObject(thread, INFINITE);
      CloseHandle(thread);
    } else if (firstDone) {
      RunWorker(&second);
    }
    const MediaIndex &index = unpacking.opened;
    whole = firstDone && second.copied && first.cursor.next == unpacking.split &&
            second.cursor.next == index.packedCount + index.storedCount;
  }
  DWORD lastError = !created ? GetLastError()
                    : first.error ? first.error
                    : second.error ? second.error
                                   : ERROR_INVALID_DATA;
  for (UnpackWorker &worker : unpacking.workers) {
    if (worker.open && worker.open != unpacking.storeFile) CloseHandle(worker.open);
    if (worker.fdi) library.fdiDestroy(worker.fdi);
    if (worker.number && worker.file != INVALID_HANDLE_VALUE) CloseHandle(worker.file);
  }
  if (unpacking.storeFile) CloseHandle(unpacking.storeFile);
  g_unpacking = nullptr;
  free(unpacking.index);
  if (!whole) SetLastError(lastError);
  return whole ? static_cast<int>(unpacking.opened.packedCount + unpacking.opened.storedCount)
               : -1;
}
