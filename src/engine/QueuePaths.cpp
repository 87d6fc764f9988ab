#include "engine/QueuePaths.h"

#include <string.h>

#include "common/AsciiCase.h"

namespace {

constexpr char kCabinetExtension[] = ".cab";
constexpr char kScheduledPrefix[] = "\\??\\";

}  // namespace

bool EndsAsCabinet(const char *part) {
  const char *dot = strrchr(part, '.');
  return dot && SameIgnoringCase(dot, kCabinetExtension);
}

namespace {

// "X:" and "" (the current drive's root) and "\\server\share" are roots that must never be
// removed or scheduled for removal.
bool IsRootDirectory(const char *directory, size_t length) {
  if (length == 0) return true;
  if (length == 2 && directory[1] == ':') return true;
  if (length >= 2 && directory[0] == '\\' && directory[1] == '\\') {
    const char *server = strchr(directory + 2, '\\');
    return !server || !strchr(server + 1, '\\');
  }
  return false;
}

}  // namespace

const char *FinalPathPart(const char *path) {
  const char *slash = strrchr(path, '\\');
  return slash ? slash : path;
}

bool IsCabinetUnderOwnName(const char *source, const char *target) {
  const char *sourcePart = FinalPathPart(source);
  const char *targetPart = FinalPathPart(target);
  if (!SameIgnoringCase(sourcePart, targetPart)) return false;
  return EndsAsCabinet(sourcePart) && EndsAsCabinet(targetPart);
}

int FileDirectory(char *directory, size_t size, const char *path) {
  if (size == 0) return 0;
  directory[0] = '\0';
  size_t pathLength = strlen(path);
  if (pathLength >= size) return 0;
  const char *slash = strrchr(path, '\\');
  if (!slash) return 0;
  size_t length = static_cast<size_t>(slash - path);
  memcpy(directory, path, length);
  directory[length] = '\0';
  if (!IsRootDirectory(directory, length)) return 1;
  directory[0] = '\0';
  return 0;
}

const char *SkipScheduledPrefix(const char *scheduled) {
  size_t length = sizeof(kScheduledPrefix) - 1;
  return strncmp(scheduled, kScheduledPrefix, length) == 0 ? scheduled + length : scheduled;
}

bool IsBelowFolder(const char *path, const char *folder) {
  return DeletionTakesPath(folder, path) && !SamePath(folder, path);
}

bool DeletionTakesPath(const char *scheduled, const char *path) {
  size_t length = strlen(scheduled);
  if (!length || !SameAsciiPrefix(scheduled, path, length)) return false;
  // A folder holds what follows its backslash, whether the schedule names it with one or not.
  return path[length] == '\0' || path[length] == '\\' || scheduled[length - 1] == '\\';
}

bool CutTrailingPath(char *path, const char *tail) {
  while (*tail == '\\') ++tail;
  size_t tailLength = strlen(tail);
  while (tailLength && tail[tailLength - 1] == '\\') --tailLength;
  size_t length = strlen(path);
  if (!tailLength || length <= tailLength || path[length - tailLength - 1] != '\\') return false;
  char *start = path + length - tailLength;
  if (!SameAsciiPrefix(start, tail, tailLength)) return false;
  start[-1] = '\0';
  return true;
}
