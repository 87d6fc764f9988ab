#include "pack/Cabinet.h"

#include <fcntl.h>
#include <fci.h>
#include <setupapi.h>
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

// The library's entry points that packing needs.
struct CabinetLibrary {
  decltype(&FCICreate) fciCreate;
  decltype(&FCIAddFile) fciAddFile;
  decltype(&FCIFlushCabinet) fciFlushCabinet;
  decltype(&FCIDestroy) fciDestroy;
};

bool LoadCabinetLibrary(CabinetLibrary *library) {
  HMODULE module = LoadSystemLibrary("cabinet.dll");
  if (!module) return false;
  *library = {GetProcAs<decltype(&FCICreate)>(module, "FCICreate"),
              GetProcAs<decltype(&FCIAddFile)>(module, "FCIAddFile"),
              GetProcAs<decltype(&FCIFlushCabinet)>(module, "FCIFlushCabinet"),
              GetProcAs<decltype(&FCIDestroy)>(module, "FCIDestroy")};
  return library->fciCreate && library->fciAddFile && library->fciFlushCabinet &&
         library->fciDestroy;
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

// ----- Unpacking through the Setup API ------------------------------------------------------

struct Unpacking {
  const char *folder;
  int files;
  char made[kTargetDirSize];  // the last sub-folder known to exist: most files share it
};

// Each file of the cabinet goes to its place in the folder; its sub-folders are made first.
UINT CALLBACK PlaceUnpackedFile(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR) {
  if (notification != SPFILENOTIFY_FILEINCABINET) return NO_ERROR;
  Unpacking *unpacking = static_cast<Unpacking *>(context);
  FILE_IN_CABINET_INFO_A *file = reinterpret_cast<FILE_IN_CABINET_INFO_A *>(param1);
  char *target = file->FullTargetName, outermost[kTargetDirSize];
  if (!IsContainedLinkName(file->NameInCabinet) ||
      !JoinPath(target, sizeof(file->FullTargetName), unpacking->folder, file->NameInCabinet)) {
    file->Win32Error = ERROR_INVALID_NAME;
    return FILEOP_ABORT;
  }
  char *slash = strrchr(target, '\\');
  *slash = '\0';
  if (strcmp(target, unpacking->made) != 0) {
    file->Win32Error = CreateFolderPath(target, outermost);
    lstrcpynA(unpacking->made, target, sizeof(unpacking->made));
  }
  *slash = '\\';
  if (file->Win32Error) return FILEOP_ABORT;
  ++unpacking->files;
  return FILEOP_DOIT;
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

int ExtractMediaCabinet(const char *cabinet, const char *folder) {
  Unpacking unpacking = {folder, 0, ""};
  return SetupIterateCabinetA(cabinet, 0, PlaceUnpackedFile, &unpacking) ? unpacking.files : -1;
}
