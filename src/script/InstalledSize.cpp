#include "script/InstalledSize.h"

#include <stdio.h>

#include "app/Globals.h"
#include "script/ProductLines.h"

namespace {

constexpr char kCopyFiles[] = "CopyFiles";
// The [DestinationDirs] line of a single "@name" copy: named as if it were a file list, it is
// found as its own line.
constexpr char kDefaultDestDir[] = "DefaultDestDir";
constexpr unsigned long long kKibibyte = 1024;
constexpr unsigned long long kMaxKibibytes = 0xFFFFFFFFull;

// The size of one file at the destination of a file list (or DefaultDestDir).
unsigned long long TargetFileBytes(HINF inf, const char *fileList, const char *name) {
  char dir[kTargetDirSize];
  if (!SetupGetTargetPathA(inf, nullptr, fileList, dir, sizeof(dir), nullptr)) return 0;
  char path[kTargetDirSize];
  int length = snprintf(path, sizeof(path), "%s\\%s", dir, name);
  if (length < 0 || length >= static_cast<int>(sizeof(path))) return 0;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return 0;
  return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The files of one file list: the target name of each line, or its source name when the
// target is left empty.
unsigned long long FileListBytes(HINF inf, const char *fileList) {
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, fileList, nullptr, &line)) return 0;
  unsigned long long bytes = 0;
  do {
    char name[kFieldSize];
    if ((ReadScriptField(&line, 1, name, sizeof(name)) && name[0] != '\0') ||
        ReadScriptField(&line, 2, name, sizeof(name)))
      bytes += TargetFileBytes(inf, fileList, name);
  } while (SetupFindNextLine(&line, &line));
  return bytes;
}

}  // namespace

unsigned long long SectionCopiedBytes(HINF inf, const char *section) {
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, section, kCopyFiles, &line)) return 0;
  unsigned long long bytes = 0;
  do {
    char field[kFieldSize];
    for (DWORD index = 1; ReadScriptField(&line, index, field, sizeof(field)); ++index) {
      if (field[0] == '@')
        bytes += TargetFileBytes(inf, kDefaultDestDir, field + 1);
      else if (field[0] != '\0')
        bytes += FileListBytes(inf, field);
    }
  } while (SetupFindNextMatchLineA(&line, kCopyFiles, &line));
  return bytes;
}

DWORD SizeInKibibytes(unsigned long long bytes) {
  unsigned long long kibibytes = bytes / kKibibyte + (bytes % kKibibyte != 0 ? 1 : 0);
  return static_cast<DWORD>(kibibytes < kMaxKibibytes ? kibibytes : kMaxKibibytes);
}
