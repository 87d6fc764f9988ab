// Path tests of the file-queue callback, kept free of Windows calls.
#pragma once
#include <stddef.h>

#include "common/PathText.h"  // SamePath, ComparePaths

// The final part of a path: from its last backslash on, the backslash included, or the whole
// path when it holds none.
const char *FinalPathPart(const char *path);

// Whether a file name ends in ".cab", in any case.
bool EndsAsCabinet(const char *part);

// True when a copy takes a cabinet (".cab" in any case) to a target of the same name, compared
// without regard to case: such a file is copied whole instead of through the queue.
bool IsCabinetUnderOwnName(const char *source, const char *target);

// The directory of a file (the path cut at its last backslash, which goes) into size bytes.
// Returns 0 when there is no directory to tidy up: no backslash, a path that does not fit
// (a cut path would name another directory), or a drive or share root.
int FileDirectory(char *directory, size_t size, const char *path);

// A path as the restart schedule holds it, without the "\??\" prefix of the NT family.
const char *SkipScheduledPrefix(const char *scheduled);

// Whether path lies inside folder, at any depth (folder itself is not inside).
bool IsBelowFolder(const char *path, const char *folder);

// Whether the deletion of scheduled at the restart would take path with it: scheduled names
// path itself or a folder that holds it.
bool DeletionTakesPath(const char *scheduled, const char *path);

// Cuts tail (a relative path, its outer backslashes ignored) and the backslash before it off
// the end of path, compared without regard to case; false, with path unchanged, when path
// does not end so.
bool CutTrailingPath(char *path, const char *tail);
