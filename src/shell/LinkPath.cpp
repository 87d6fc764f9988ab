#include "shell/LinkPath.h"

#include <string.h>

#include "common/PathText.h"

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

bool BuildLinkPath(char *path, size_t size, const char *folder, const char *name) {
  static const char kExtension[] = ".lnk";
  if (size == 0) return false;
  // Emptied first: a refused path leaves nothing behind for a caller to use.
  path[0] = '\0';
  if (!JoinPath(path, size, folder, name)) return false;
  size_t length = strlen(path);
  if (length + sizeof(kExtension) > size) {
    path[0] = '\0';
    return false;
  }
  memcpy(path + length, kExtension, sizeof(kExtension));
  return true;
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
