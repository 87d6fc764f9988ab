#include "script/SetupCopy.h"

#include <string.h>

#include "common/AsciiCase.h"
#include "common/Decimal.h"
#include "common/PathText.h"
#include "common/ScriptField.h"
#include "script/SetupScript.h"
#include "script/TargetDir.h"

namespace {

// The folder that fileList's files go to. With a target, directory id 32768 stands for it
// without being bound, so that a target that is only being checked leaves the id alone; any
// other destination is the Setup API's. False, with ERROR_INSUFFICIENT_BUFFER for a folder
// too long, when there is none.
bool ListDestination(HINF inf, const char *fileList, const char *target,
                     char (&dir)[kTargetDirSize]) {
  INFCONTEXT line;
  char id[kFieldSize];
  if (!target || !(SetupFindFirstLineA(inf, kDestinationDirs, fileList, &line) ||
                   SetupFindFirstLineA(inf, kDestinationDirs, kDefaultDestDir, &line)) ||
      !ReadField(&line, kFieldDestinationId, id) || ReadDecimal(id) != static_cast<int>(kTargetDirId))
    return SetupGetTargetPathA(inf, nullptr, fileList, dir, sizeof(dir), nullptr) != FALSE;
  char below[kTargetDirSize] = {};
  bool fits = ReadField(&line, kFieldDestinationSubdir, below) ||
              SetupGetFieldCount(&line) < kFieldDestinationSubdir;
  if (fits && (below[0] ? JoinPath(dir, target, below)
                        : strlen(target) < sizeof(dir) && lstrcpynA(dir, target, sizeof(dir))))
    return true;
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return false;
}

// Searches one file-list section for the line that copies fileName; target as for
// ListDestination.
SetupCopy FindCopyOf(HINF inf, const char *fileList, const char *fileName, const char *target,
                     char (&path)[kTargetDirSize]) {
  SetupCopy found = SetupCopy::Absent;
  bool searching = true;
  ForEachLine(inf, fileList, nullptr, [&](INFCONTEXT *line) {
    char name[kFieldSize];
    if (!searching || !ReadField(line, kFieldFileTarget, name) ||
        !SameIgnoringCase(name, fileName))
      return;
    searching = false;
    // Naming the file-list section gives its own destination; passing the line's context
    // does not do so on every implementation of the Setup API. A destination too long for
    // the buffer is one whose setup.exe path does not fit either.
    char dir[kTargetDirSize];
    if (!ListDestination(inf, fileList, target, dir)) {
      if (GetLastError() == ERROR_INSUFFICIENT_BUFFER) found = SetupCopy::TooLong;
      return;
    }
    size_t length = strlen(dir);
    if (length != 0 && dir[length - 1] == '\\') dir[length - 1] = '\0';
    found = JoinPath(path, dir, fileName) ? SetupCopy::Found : SetupCopy::TooLong;
  });
  return found;
}

}  // namespace

SetupCopy FindSetupCopy(HINF inf, const char *section, char (&path)[kTargetDirSize],
                        char (&fileList)[kFieldSize], const char *target) {
  path[0] = '\0';
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, section, kCopyFilesKey, &line)) return SetupCopy::Absent;
  for (DWORD field = 1; ReadField(&line, field, fileList); ++field) {
    if (fileList[0] == '\0') continue;
    SetupCopy copy = FindCopyOf(inf, fileList, kSetupProgramName, target, path);
    if (copy != SetupCopy::Absent) return copy;
  }
  return SetupCopy::Absent;
}

int FindSetupCopyPath(HINF inf, const char *section, char (&path)[kTargetDirSize],
                      const char *target) {
  char fileList[kFieldSize];
  return FindSetupCopy(inf, section, path, fileList, target) == SetupCopy::Found ? 1 : 0;
}

bool FindCopyInFileList(HINF inf, const char *fileList, const char *fileName,
                        char (&path)[kTargetDirSize]) {
  return FindCopyOf(inf, fileList, fileName, nullptr, path) == SetupCopy::Found;
}
