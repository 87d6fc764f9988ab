#include "common/ProgramPath.h"

#include <string.h>

bool ReadProgramPath(char *path, DWORD size) {
  if (size == 0) return false;
  DWORD length = GetModuleFileNameA(nullptr, path, size);
  // A path that does not fit is cut, and older systems leave it without its NUL.
  bool whole = length != 0 && length < size;
  path[whole ? length : (length < size ? length : size - 1)] = '\0';
  return whole;
}

bool PathBesideProgram(char (&path)[kTargetDirSize], const char *name) {
  char *slash = ReadProgramPath(path, sizeof(path)) ? strrchr(path, '\\') : nullptr;
  size_t folderLength = slash ? static_cast<size_t>(slash + 1 - path) : 0;
  size_t nameLength = strlen(name);
  if (!slash || folderLength + nameLength >= sizeof(path)) {
    path[0] = '\0';
    return false;
  }
  memcpy(slash + 1, name, nameLength + 1);
  return true;
}

bool ReadTempFolder(char (&path)[kTargetDirSize]) {
  DWORD length = GetTempPathA(sizeof(path), path);
  return length != 0 && length < sizeof(path);
}
