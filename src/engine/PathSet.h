// A set of paths compared without regard to case: collected one by one, looked up by a walk
// while it is small, or sorted once and then searched.
#pragma once
#include "common/KeyList.h"

struct PathSet {
  GrowingList paths;
  const char **sorted;  // after PathSetSort: the entries in order; NULL before
};

// Adds path unless the set holds it already; 0 when memory ran out.
int PathSetAdd(PathSet *set, const char *path);
// Adds path without looking for it first: for a set that is sorted before it is searched.
int PathSetAppend(PathSet *set, const char *path);
// Sorts the entries for lookups, until the next one is added. 0 when memory ran out (lookups
// then walk the entries).
int PathSetSort(PathSet *set);
bool PathSetHas(const PathSet *set, const char *path);
void PathSetFree(PathSet *set);
