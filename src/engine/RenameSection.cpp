#include "engine/RenameSection.h"

#include <string.h>

namespace {

constexpr char kDeleteKey[] = "NUL=";
constexpr size_t kDeleteKeyLength = sizeof(kDeleteKey) - 1;

}  // namespace

size_t RenameSectionSizeWith(size_t sectionLength, const char *shortPath) {
  return sectionLength + kDeleteKeyLength + strlen(shortPath) + 2;
}

size_t AppendRenameLine(char *section, size_t sectionLength, size_t capacity,
                        const char *shortPath) {
  size_t pathLength = strlen(shortPath);
  if (RenameSectionSizeWith(sectionLength, shortPath) > capacity) return 0;
  char *line = section + sectionLength;
  memcpy(line, kDeleteKey, kDeleteKeyLength);
  memcpy(line + kDeleteKeyLength, shortPath, pathLength);
  line[kDeleteKeyLength + pathLength] = '\0';
  line[kDeleteKeyLength + pathLength + 1] = '\0';
  return sectionLength + kDeleteKeyLength + pathLength + 1;
}

bool ProfileSectionMayBeCut(size_t returned, size_t size) { return returned + 2 >= size; }
