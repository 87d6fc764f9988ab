#include "engine/Folders.h"

#include <stdlib.h>
#include <string.h>

#include "common/Guards.h"
#include "common/Log.h"
#include "common/PathText.h"
#include "engine/FileQueueCallback.h"
#include "engine/InstallJournal.h"
#include "engine/QueuePaths.h"
#include "engine/RestartSchedule.h"

namespace {

constexpr char kAllEntries[] = "*";

bool IsFolder(const char *path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Where the first level below the root starts: after "C:\" or the "\\server\share\" of a
// network path.
size_t FirstLevelStart(const char *path, size_t length) {
  if (length > 2 && path[1] == ':') return 3;
  size_t start = 0;
  if (length > 2 && path[0] == '\\' && path[1] == '\\') {
    int separators = 0;
    for (start = 2; start < length && separators < 2; ++start)
      if (path[start] == '\\') ++separators;
  }
  return start;
}

int Depth(const char *path) {
  int depth = 0;
  for (; *path; ++path) depth += *path == '\\';
  return depth;
}

// The deepest folders first; the same folder twice side by side.
int DeeperFirst(const void *a, const void *b) {
  const char *first = *static_cast<const char *const *>(a);
  const char *second = *static_cast<const char *const *>(b);
  int deeper = Depth(second) - Depth(first);
  return deeper ? deeper : ComparePaths(first, second);
}

// A noted folder, and the parents of one inside outer up to (not including) outer.
void AddCandidates(GrowingList *candidates, const char *folder, const char *outer) {
  ListAppendGrowing(candidates, folder);
  char current[kTargetDirSize];
  char parent[kTargetDirSize];
  lstrcpynA(current, folder, sizeof(current));
  while (outer[0] && FileDirectory(parent, sizeof(parent), current) &&
         IsBelowFolder(parent, outer)) {
    ListAppendGrowing(candidates, parent);
    memcpy(current, parent, sizeof(current));
  }
}

// Whether an entry left in a folder is on its way out: a file waiting for the restart, or one
// the queue deleted that is still listed because another handle holds it (its deletion is
// pending: Windows refuses it to queries, Wine does not), which then waits for the restart
// too; or a folder that goes at the restart.
bool EntryIsGoing(QueueCallbackContext *context, const PathSet *restartFolders, const char *path,
                  bool folder) {
  if (folder) return PathSetHas(restartFolders, path);
  if (PathSetHas(&context->waitingFiles, path)) return true;
  // Sorted once, and only when a folder keeps anything at all.
  if (!context->deletedFiles.sorted) PathSetSort(&context->deletedFiles);
  return PathSetHas(&context->deletedFiles, path) && WaitForRestart(context, path);
}

// Whether going(path, isFolder) holds for every entry of the folder (a folder that holds
// nothing, in the usual case). A folder that is gone, or cannot be read, does not.
template <typename Going>
bool HoldsOnly(const char *folder, Going going) {
  char pattern[kTargetDirSize + sizeof(kAllEntries)];
  JoinPath(pattern, folder, kAllEntries);
  WIN32_FIND_DATAA data;
  FindGuard find(FindFirstFileA(pattern, &data));
  if (!find) return false;
  do {
    if (!strcmp(data.cFileName, ".") || !strcmp(data.cFileName, "..")) continue;
    char path[kTargetDirSize];
    bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!JoinPath(path, folder, data.cFileName) || !going(path, isFolder))
      return false;
  } while (FindNextFileA(find.get(), &data));
  return true;
}

// Whether everything left in the folder is on its way out.
bool IsGoing(QueueCallbackContext *context, const PathSet *restartFolders, const char *folder) {
  return HoldsOnly(folder, [&](const char *path, bool isFolder) {
    return EntryIsGoing(context, restartFolders, path, isFolder);
  });
}

// Keeps the first reason why something that stays could not be scheduled for the restart.
void NoteRestartFailure(QueueCallbackContext *context, DWORD error) {
  if (!context->restartError) context->restartError = error ? error : ERROR_GEN_FAILURE;
}

// Removes a folder that is going, now or else at the restart; true when it goes at the restart.
// Windows 9x cannot remove a folder at the restart: there it stays, which is no failure.
bool RemoveGoingFolder(QueueCallbackContext *context, const char *folder) {
  if (RemoveDirectoryA(folder)) {
    LogLine("removed the emptied folder %s", folder);
    return false;
  }
  if (RemoveDirectoryAtRestart(folder)) {
    LogLine("the folder %s is removed at the next restart", folder);
    return true;
  }
  DWORD error = GetLastError();
  if (error == ERROR_NOT_SUPPORTED) return false;
  LogFailure(error, "the folder %s can be removed neither now nor at the next restart", folder);
  NoteRestartFailure(context, error);
  return false;
}

// Calls visit for each folder of the list and, inside outer, the parents of each: the deepest
// first, each once.
template <typename Visit>
void ForFoldersDeeperFirst(const GrowingList &folders, const char *outer, Visit visit) {
  GrowingList candidates = {};
  for (const char *folder = folders.text; folder && *folder; folder = ListNext(folder))
    AddCandidates(&candidates, folder, outer);
  int count = candidates.count;
  HeapGuard block(count ? AllocateZeroed(count * sizeof(const char *)) : nullptr);
  const char **order = reinterpret_cast<const char **>(block.get());
  if (order) {
    int at = 0;
    for (const char *folder = candidates.text; *folder; folder = ListNext(folder))
      order[at++] = folder;
    qsort(order, count, sizeof(*order), DeeperFirst);
    for (at = 0; at < count; ++at)
      if (!at || !SamePath(order[at], order[at - 1])) visit(order[at]);
  }
  ListFree(&candidates);
}

}  // namespace

void RemoveEmptiedFolders(const GrowingList *folders, const char *outer) {
  // Files that wait for the restart take their folder along then.
  PendingDeletions *pending = ReadPendingDeletions();
  PathSet restartFolders = {};
  ForFoldersDeeperFirst(*folders, outer, [&](const char *folder) {
    if (RemoveDirectoryA(folder)) {
      LogLine("removed the emptied folder %s", folder);
    } else if (HoldsOnly(folder, [&](const char *path, bool isFolder) {
                 return isFolder ? PathSetHas(&restartFolders, path)
                                 : IsDeletedAtRestart(pending, path);
               }) && RemoveDirectoryAtRestart(folder)) {
      LogLine("the folder %s is removed at the next restart", folder);
      PathSetAdd(&restartFolders, folder);
    }
  });
  PathSetFree(&restartFolders);
  CancelNotedDeletions(pending);
}

bool WaitForRestart(QueueCallbackContext *context, const char *file) {
  if (!DeleteFileAtRestart(file)) {
    DWORD error = GetLastError();
    LogFailure(error, "%s is in use and cannot be deleted at the next restart either", file);
    NoteRestartFailure(context, error);
    return false;
  }
  LogLine("%s is in use: it is deleted at the next restart, which is needed", file);
  JournalRestartDeletion(context->journal, file);
  g_rebootNeeded = 1;
  ++context->pendingCount;
  PathSetAdd(&context->waitingFiles, file);
  return true;
}

DWORD CreateFolderPath(const char *folder, char (&outermost)[kTargetDirSize]) {
  outermost[0] = '\0';
  char level[kTargetDirSize];
  size_t length = strlen(folder);
  if (length >= sizeof(level)) return ERROR_FILENAME_EXCED_RANGE;
  memcpy(level, folder, length + 1);
  for (size_t at = FirstLevelStart(level, length); at <= length; ++at) {
    if (level[at] != '\\' && level[at] != '\0') continue;
    char kept = level[at];
    level[at] = '\0';
    if (level[0] && level[at - 1] != '\\' && !IsFolder(level)) {
      if (CreateDirectoryA(level, nullptr)) {
        if (!outermost[0]) memcpy(outermost, level, at + 1);
      } else {
        DWORD error = GetLastError();
        // Another thread or program may make the level between the test and the making:
        // then it is there, but not made here.
        if (!IsFolder(level)) return error ? error : ERROR_CANNOT_MAKE;
      }
    }
    level[at] = kept;
  }
  return 0;
}

void NoteDeletion(QueueCallbackContext *context, const char *file) {
  // A context whose queue never reported its start still gets the follow-up.
  if (!context->lastDirectory) context->lastDirectory = context->directoryBuffer;
  PathSetAppend(&context->deletedFiles, file);
  char folder[kTargetDirSize];
  // Consecutive deletions mostly share their folder: it is noted once.
  if (!FileDirectory(folder, sizeof(folder), file) || !strcmp(folder, context->lastDirectory))
    return;
  memcpy(context->lastDirectory, folder, strlen(folder) + 1);
  // A folder noted twice is looked at once; one that cannot be noted (no memory) stays, which
  // is never wrong.
  ListAppendGrowing(&context->deletedFolders, folder);
}

void TidyFolders(QueueCallbackContext *context) {
  const char *outer = context->scope ? context->scope->outerFolder : "";
  PathSet restartFolders = {};
  ForFoldersDeeperFirst(context->deletedFolders, outer, [&](const char *folder) {
    if (IsGoing(context, &restartFolders, folder) && RemoveGoingFolder(context, folder))
      PathSetAdd(&restartFolders, folder);
  });
  PathSetFree(&restartFolders);
  PathSetFree(&context->deletedFiles);
  ListFree(&context->deletedFolders);
  PathSetFree(&context->waitingFiles);
}

bool FileStillPresent(const char *path) {
  if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return true;
  DWORD error = GetLastError();
  return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
}
