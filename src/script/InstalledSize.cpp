#include "script/InstalledSize.h"

#include "common/Globals.h"
#include "common/PathText.h"
#include "common/ScriptField.h"
#include "script/SetupScript.h"
#include "script/TargetDir.h"

namespace {

constexpr unsigned long long kKibibyte = 1024;
constexpr unsigned long long kMaxKibibytes = 0xFFFFFFFFull;

// The size of one file at the destination of a file list (or DefaultDestDir).
unsigned long long TargetFileBytes(HINF inf, const char *fileList, const char *name) {
  char dir[kTargetDirSize];
  if (!SetupGetTargetPathA(inf, nullptr, fileList, dir, sizeof(dir), nullptr)) return 0;
  char path[kTargetDirSize];
  if (!JoinPath(path, dir, name)) return 0;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return 0;
  return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The files of one file list: the target name of each line, or its source name when the
// target is left empty.
unsigned long long FileListBytes(HINF inf, const char *fileList) {
  unsigned long long bytes = 0;
  ForEachLine(inf, fileList, nullptr, [&](INFCONTEXT *line) {
    char name[kFieldSize];
    if ((ReadField(line, kFieldFileTarget, name) && name[0] != '\0') ||
        ReadField(line, kFieldFileSource, name))
      bytes += TargetFileBytes(inf, fileList, name);
  });
  return bytes;
}

}  // namespace

unsigned long long SectionCopiedBytes(HINF inf, const char *section) {
  unsigned long long bytes = 0;
  ForEachLine(inf, section, kCopyFilesKey, [&](INFCONTEXT *line) {
    char field[kFieldSize];
    for (DWORD index = 1; ReadField(line, index, field); ++index) {
      // A single "@name" copy goes where DefaultDestDir says: named as if it were a file
      // list, that line is found as its own.
      if (field[0] == '@')
        bytes += TargetFileBytes(inf, kDefaultDestDir, field + 1);
      else if (field[0] != '\0')
        bytes += FileListBytes(inf, field);
    }
  });
  return bytes;
}

DWORD SizeInKibibytes(unsigned long long bytes) {
  unsigned long long kibibytes = bytes / kKibibyte + (bytes % kKibibyte != 0 ? 1 : 0);
  return static_cast<DWORD>(kibibytes < kMaxKibibytes ? kibibytes : kMaxKibibytes);
}
