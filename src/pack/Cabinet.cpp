#include "pack/Cabinet.h"

#include <fcntl.h>
#include <fci.h>
#include <fdi.h>
#include <stdlib.h>
#include <string.h>

#include "common/Globals.h"
#include "common/PathText.h"
#include "common/Platform.h"
#include "common/SystemLibrary.h"
#include "engine/Folders.h"
#include "engine/QueuePaths.h"
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

// ----- Making the cabinet (FCI) ---------------------------------------------------------------

INT_PTR DIAMONDAPI OpenForFci(char *path, int flags, int, int *error, void *) {
  INT_PTR file = OpenCabFile(path, flags);
  if (file == -1) *error = static_cast<int>(GetLastError());
  return file;
}
UINT DIAMONDAPI ReadForFci(INT_PTR file, void *buffer, UINT count, int *, void *) {
  DWORD done = 0;
  return ReadFile(AsHandle(file), buffer, count, &done, nullptr) ? done : UINT_MAX;
}
UINT DIAMONDAPI WriteForFci(INT_PTR file, void *buffer, UINT count, int *, void *) {
  DWORD done = 0;
  return WriteFile(AsHandle(file), buffer, count, &done, nullptr) ? done : UINT_MAX;
}
int DIAMONDAPI CloseForFci(INT_PTR file, int *, void *) {
  return CloseHandle(AsHandle(file)) ? 0 : -1;
}
LONG DIAMONDAPI SeekForFci(INT_PTR file, LONG distance, int origin, int *, void *) {
  DWORD at = SetFilePointer(AsHandle(file), distance, nullptr, static_cast<DWORD>(origin));
  return at == INVALID_SET_FILE_POINTER ? -1 : static_cast<LONG>(at);
}
int DIAMONDAPI DeleteForFci(char *path, int *, void *) { return DeleteFileA(path) ? 0 : -1; }
int DIAMONDAPI PlacedForFci(PCCAB, char *, LONG, BOOL, void *) { return 0; }
BOOL DIAMONDAPI NextForFci(PCCAB, ULONG, void *) { return FALSE; }
LONG DIAMONDAPI StatusForFci(UINT, ULONG, ULONG, void *) { return 0; }

// A name in the work folder, which pv names.
BOOL DIAMONDAPI TempForFci(char *path, int size, void *folder) {
  char name[MAX_PATH];
  if (!GetTempFileNameA(static_cast<const char *>(folder), kTempPrefix, 0, name) ||
      strlen(name) >= static_cast<size_t>(size))
    return FALSE;
  strcpy(path, name);
  return TRUE;
}

// Opens a file to be added, with the date, time and attributes that the cabinet keeps.
INT_PTR DIAMONDAPI OpenInfoForFci(char *path, USHORT *date, USHORT *time, USHORT *attributes,
                                  int *error, void *) {
  INT_PTR file = OpenCabFile(path, _O_RDONLY);
  BY_HANDLE_FILE_INFORMATION info;
  FILETIME local;
  if (file == -1 || !GetFileInformationByHandle(AsHandle(file), &info) ||
      !FileTimeToLocalFileTime(&info.ftLastWriteTime, &local) ||
      !FileTimeToDosDateTime(&local, date, time)) {
    *error = static_cast<int>(GetLastError());
    if (file != -1) CloseHandle(AsHandle(file));
    return -1;
  }
  *attributes = static_cast<USHORT>(info.dwFileAttributes & kKeptAttributes);
  return file;
}

// ----- Unpacking (FDI) ------------------------------------------------------------------------

// The cabinet as a stretch of a bigger file, the packed program: FDI opens it by
// kCabinetInFile and reads and seeks within the stretch only. One unpacking at a time.
struct CabinetStretch {
  HANDLE file;
  DWORD start;
  DWORD size;
  DWORD at;  // the read position within the stretch
};
constexpr char kCabinetInFile[] = "packed";
CabinetStretch *g_stretch = nullptr;
const INT_PTR kStretchHandle = 1;  // no file handle of the system is 1

struct Unpacking {
  const char *folder;
  int files;
  char made[kTargetDirSize];  // the last sub-folder known to exist: most files share it
};

INT_PTR DIAMONDAPI OpenForFdi(char *path, int, int) {
  return g_stretch && !strcmp(path, kCabinetInFile) ? kStretchHandle : -1;
}
UINT DIAMONDAPI ReadForFdi(INT_PTR file, void *buffer, UINT count) {
  if (file != kStretchHandle) return UINT_MAX;
  DWORD left = g_stretch->size - g_stretch->at, done = 0;
  if (count > left) count = left;
  if (!ReadFile(g_stretch->file, buffer, count, &done, nullptr)) return UINT_MAX;
  g_stretch->at += done;
  return done;
}
UINT DIAMONDAPI WriteForFdi(INT_PTR file, void *buffer, UINT count) {
  DWORD done = 0;
  return file != kStretchHandle && WriteFile(AsHandle(file), buffer, count, &done, nullptr)
             ? done
             : UINT_MAX;
}
int DIAMONDAPI CloseForFdi(INT_PTR file) {
  return file == kStretchHandle || CloseHandle(AsHandle(file)) ? 0 : -1;
}
LONG DIAMONDAPI SeekForFdi(INT_PTR file, LONG distance, int origin) {
  if (file != kStretchHandle) return -1;
  LONG base = origin == SEEK_CUR ? static_cast<LONG>(g_stretch->at)
              : origin == SEEK_END ? static_cast<LONG>(g_stretch->size)
                                   : 0;
  LONG at = base + distance;
  if (at < 0 || static_cast<DWORD>(at) > g_stretch->size ||
      SetFilePointer(g_stretch->file, static_cast<LONG>(g_stretch->start) + at, nullptr,
                     FILE_BEGIN) == INVALID_SET_FILE_POINTER)
    return -1;
  g_stretch->at = static_cast<DWORD>(at);
  return at;
}

// Creates the file of the cabinet's name below the folder, its sub-folders first: the handle
// that FDI writes to, or -1, which ends the unpacking.
INT_PTR CreateUnpackedFile(Unpacking *unpacking, const char *name, USHORT attributes) {
  char target[kTargetDirSize], outermost[kTargetDirSize];
  if (!IsContainedLinkName(name) || !JoinPath(target, unpacking->folder, name)) {
    SetLastError(ERROR_INVALID_NAME);
    return -1;
  }
  char *slash = strrchr(target, '\\');
  *slash = '\0';
  if (strcmp(target, unpacking->made) != 0) {
    DWORD error = CreateFolderPath(target, outermost);
    if (error) {
      SetLastError(error);
      return -1;
    }
    lstrcpynA(unpacking->made, target, sizeof(unpacking->made));
  }
  *slash = '\\';
  // Made with its attributes: a new file may be written whatever they say. The archive flag
  // comes with any new file.
  attributes &= kKeptAttributes & ~FILE_ATTRIBUTE_ARCHIVE;
  HANDLE file = CreateFileA(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            attributes ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<INT_PTR>(file);
}

// A file written whole gets the date that it had on the media.
bool FinishUnpackedFile(Unpacking *unpacking, const FDINOTIFICATION *file) {
  FILETIME local, written;
  bool dated = DosDateTimeToFileTime(file->date, file->time, &local) &&
               LocalFileTimeToFileTime(&local, &written) &&
               SetFileTime(AsHandle(file->hf), nullptr, nullptr, &written);
  DWORD error = dated ? 0 : GetLastError();
  bool closed = CloseHandle(AsHandle(file->hf));
  if (error) SetLastError(error);
  if (!closed || !dated) return false;
  ++unpacking->files;
  return true;
}

INT_PTR DIAMONDAPI NotifyForFdi(FDINOTIFICATIONTYPE type, PFDINOTIFICATION notification) {
  Unpacking *unpacking = static_cast<Unpacking *>(notification->pv);
  switch (type) {
    case fdintCOPY_FILE:
      return CreateUnpackedFile(unpacking, notification->psz1, notification->attribs);
    case fdintCLOSE_FILE_INFO:
      return FinishUnpackedFile(unpacking, notification) ? TRUE : -1;
    case fdintNEXT_CABINET:
    case fdintPARTIAL_FILE:
      return -1;  // the media are one whole cabinet
    default:
      return 0;
  }
}

}  // namespace

bool WriteMediaCabinet(const char *folder, const char *mediaDir, const char *const *names,
                       int count) {
  CabinetLibrary library;
  CCAB cabinet = {};
  cabinet.cb = cabinet.cbFolderThresh = kWholeCabinet;
  if (!LoadCabinetLibrary(&library) ||
      !JoinPath(cabinet.szCabPath, folder, ""))
    return false;
  strcpy(cabinet.szCab, kMediaCabinetName);
  ERF error = {};
  HFCI fci = library.fciCreate(&error, PlacedForFci, AllocForCabinet, FreeForCabinet, OpenForFci,
                               ReadForFci, WriteForFci, CloseForFci, SeekForFci, DeleteForFci,
                               TempForFci, &cabinet, const_cast<char *>(folder));
  if (!fci) return false;
  // The files to compress first, in one folder of the cabinet; then the cabinets, which start
  // a folder that is stored as it is.
  bool added = true;
  for (int stored = 0; stored < 2; ++stored)
    for (int i = 0; added && i < count; ++i) {
      if (EndsAsCabinet(names[i]) != (stored == 1)) continue;
      char source[kTargetDirSize];
      added = JoinPath(source, mediaDir, names[i]) &&
              library.fciAddFile(fci, source, const_cast<char *>(names[i]), FALSE, NextForFci,
                                 StatusForFci, OpenInfoForFci,
                                 stored ? tcompTYPE_NONE : tcompTYPE_MSZIP);
    }
  bool written = added && library.fciFlushCabinet(fci, FALSE, NextForFci, StatusForFci);
  library.fciDestroy(fci);
  return written;
}

int ExtractMediaCabinet(HANDLE file, DWORD start, DWORD size, const char *folder) {
  CabinetLibrary library;
  if (!LoadCabinetLibrary(&library)) return -1;
  ERF error = {};
  HFDI fdi = library.fdiCreate(AllocForCabinet, FreeForCabinet, OpenForFdi, ReadForFdi,
                               WriteForFdi, CloseForFdi, SeekForFdi, cpuUNKNOWN, &error);
  if (!fdi) return -1;
  CabinetStretch stretch = {file, start, size, 0};
  Unpacking unpacking = {folder, 0, ""};
  g_stretch = &stretch;
  bool copied = SetFilePointer(file, static_cast<LONG>(start), nullptr, FILE_BEGIN) == start &&
                library.fdiCopy(fdi, const_cast<char *>(kCabinetInFile), const_cast<char *>(""),
                                0, NotifyForFdi, nullptr, &unpacking);
  // A callback that ended it left its own error; anything else is a damaged cabinet.
  DWORD lastError = error.erfOper == FDIERROR_USER_ABORT ? GetLastError() : ERROR_INVALID_DATA;
  g_stretch = nullptr;
  library.fdiDestroy(fdi);
  SetLastError(lastError);
  return copied ? unpacking.files : -1;
}
