#include "engine/PathSet.h"

#include <stdlib.h>

#include "engine/QueuePaths.h"

namespace {

int CompareEntries(const void *a, const void *b) {
  return ComparePaths(*static_cast<const char *const *>(a), *static_cast<const char *const *>(b));
}

int CompareKey(const void *key, const void *entry) {
  return ComparePaths(static_cast<const char *>(key), *static_cast<const char *const *>(entry));
}

}  // namespace

int PathSetAdd(PathSet *set, const char *path) {
  return PathSetHas(set, path) || PathSetAppend(set, path);
}

int PathSetAppend(PathSet *set, const char *path) {
  // The order would point into text that may move: it is made again when needed.
  free(set->sorted);
  set->sorted = nullptr;
  return ListAppendGrowing(&set->paths, path);
}

int PathSetSort(PathSet *set) {
  free(set->sorted);
  set->sorted = nullptr;
  int count = set->paths.count;
  if (count == 0) return 1;
  const char **sorted = static_cast<const char **>(malloc(count * sizeof(*sorted)));
  if (!sorted) return 0;
  int at = 0;
  for (const char *path = set->paths.text; *path; path = ListNext(path)) sorted[at++] = path;
  qsort(sorted, count, sizeof(*sorted), CompareEntries);
  set->sorted = sorted;
  return 1;
}

bool PathSetHas(const PathSet *set, const char *path) {
  if (set->paths.count == 0) return false;
  if (set->sorted)
    return bsearch(path, set->sorted, set->paths.count, sizeof(*set->sorted), CompareKey);
  for (const char *entry = set->paths.text; *entry; entry = ListNext(entry))
    if (SamePath(entry, path)) return true;
  return false;
}

void PathSetFree(PathSet *set) {
  free(set->sorted);
  ListFree(&set->paths);
  *set = PathSet();
}
