#include "shell/LinkPath.h"

#include <string.h>

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Windows drops trailing dots and blanks from a path part, so ".. " and "..." climb as ".." does.
bool ClimbsUp(const char *part, const char *end) {
  int dots = 0;
  for (const char *c = part; c < end; ++c) {
    if (*c == '.') ++dots;
    else if (*c != ' ') return false;
  }
  return dots >= 2;
}

}  // namespace

bool IsContainedLinkName(const char *name) {
  if (IsSeparator(name[0]) || strchr(name, ':')) return false;
  for (const char *part = name; *part;) {
    const char *end = part;
    while (*end && !IsSeparator(*end)) ++end;
    if (ClimbsUp(part, end)) return false;
    part = *end ? end + 1 : end;
  }
  return true;
}

int BuildLinkPath(char *path, size_t size, const char *folder, const char *name) {
  static const char kExtension[] = ".lnk";
  if (size == 0) return 0;
  size_t folderLength = strlen(folder);
  size_t nameLength = strlen(name);
  // Each part is checked against the room left, so no sum can wrap around.
  size_t room = size - 1;  // characters that fit before the NUL
  bool fits = folderLength < room && nameLength <= room - folderLength - 1 &&
              sizeof(kExtension) - 1 <= room - folderLength - 1 - nameLength;
  if (!fits) {
    path[0] = '\0';
    return 0;
  }
  memcpy(path, folder, folderLength);
  path[folderLength] = '\\';
  memcpy(path + folderLength + 1, name, nameLength);
  memcpy(path + folderLength + 1 + nameLength, kExtension, sizeof(kExtension));
  return 1;
}

void ShortcutWorkingDirectory(char *directory, size_t size, const char *target) {
  if (size == 0) return;
  size_t length = strlen(target);
  if (length + 1 > size) {
    directory[0] = '\0';
    return;
  }
  memcpy(directory, target, length + 1);
  char *slash = strrchr(directory, '\\');
  if (slash) *slash = '\0';
}

int CutToParentFolder(char *path, size_t keepLength) {
  char *slash = strrchr(path, '\\');
  if (!slash || static_cast<size_t>(slash - path) <= keepLength) return 0;
  *slash = '\0';
  return 1;
}
