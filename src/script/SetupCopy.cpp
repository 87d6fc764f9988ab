#include "script/SetupCopy.h"

#include <string.h>

#include "common/AsciiCase.h"
#include "common/PathText.h"
#include "common/ScriptField.h"
#include "script/SetupScript.h"

namespace {

// Searches one file-list section for the line that copies fileName.
SetupCopy FindCopyOf(HINF inf, const char *fileList, const char *fileName,
                     char (&path)[kTargetDirSize]) {
  SetupCopy found = SetupCopy::Absent;
  bool searching = true;
  ForEachLine(inf, fileList, nullptr, [&](INFCONTEXT *line) {
    char target[kFieldSize];
    if (!searching || !ReadField(line, kFieldFileTarget, target) ||
        !SameIgnoringCase(target, fileName))
      return;
    searching = false;
    // Naming the file-list section gives its own destination; passing the line's context
    // does not do so on every implementation of the Setup API. A destination too long for
    // the buffer is one whose setup.exe path does not fit either.
    char dir[kTargetDirSize];
    if (!SetupGetTargetPathA(inf, nullptr, fileList, dir, sizeof(dir), nullptr)) {
      if (GetLastError() == ERROR_INSUFFICIENT_BUFFER) found = SetupCopy::TooLong;
      return;
    }
    size_t length = strlen(dir);
    if (length != 0 && dir[length - 1] == '\\') dir[length - 1] = '\0';
    found = JoinPath(path, sizeof(path), dir, fileName) ? SetupCopy::Found : SetupCopy::TooLong;
  });
  return found;
}

}  // namespace

SetupCopy FindSetupCopy(HINF inf, const char *section, char (&path)[kTargetDirSize],
                        char (&fileList)[kFieldSize]) {
  path[0] = '\0';
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, section, kCopyFilesKey, &line)) return SetupCopy::Absent;
  for (DWORD field = 1; ReadField(&line, field, fileList); ++field) {
    if (fileList[0] == '\0') continue;
    SetupCopy copy = FindCopyOf(inf, fileList, kSetupProgramName, path);
    if (copy != SetupCopy::Absent) return copy;
  }
  return SetupCopy::Absent;
}

int FindSetupCopyPath(HINF inf, const char *section, char (&path)[kTargetDirSize]) {
  char fileList[kFieldSize];
  return FindSetupCopy(inf, section, path, fileList) == SetupCopy::Found ? 1 : 0;
}

bool FindCopyInFileList(HINF inf, const char *fileList, const char *fileName,
                        char (&path)[kTargetDirSize]) {
  return FindCopyOf(inf, fileList, fileName, path) == SetupCopy::Found;
}
