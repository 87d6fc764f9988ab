#include "engine/FileQueueCallback.h"

#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "app/Globals.h"
#include "app/Platform.h"
#include "engine/QueuePaths.h"
#include "engine/RenameSection.h"

// The first three members keep the order the callback was designed with; on x86_64 the two
// pointers are pointer-sized.
static_assert(offsetof(QueueCallbackContext, lastDirectory) == sizeof(PVOID), "layout");
static_assert(offsetof(QueueCallbackContext, pendingCount) == 2 * sizeof(PVOID), "layout");

namespace {

constexpr DWORD kRenameReadSize = 1024;          // first read of the "Rename" section
constexpr DWORD kRenameReadLimit = 1024 * 1024;  // a larger section is left alone, never cut
constexpr char kRenameSection[] = "Rename";
constexpr char kWininitName[] = "\\wininit.ini";
constexpr char kAllEntries[] = "\\*";
constexpr int kPathSize = kQueueDirectorySize;

struct FindGuard {
  HANDLE handle;
  ~FindGuard() {
    if (handle != INVALID_HANDLE_VALUE) FindClose(handle);
  }
};

struct HeapGuard {
  char *memory;
  ~HeapGuard() {
    if (memory) HeapFree(GetProcessHeap(), 0, memory);
  }
};

UINT PassOn(const QueueCallbackContext *context, UINT notification, UINT_PTR param1,
            UINT_PTR param2) {
  return SetupDefaultQueueCallbackA(context->defaultContext, notification, param1, param2);
}

// Creates every missing folder of the target's directory, outer first. The queue creates the
// folders of the files it copies itself; a cabinet copied here may be the first file of its
// folder.
void CreateTargetDirectory(const char *target) {
  char directory[kPathSize];
  if (!FileDirectory(directory, sizeof(directory), target)) return;
  size_t length = strlen(directory);
  // Skip the root: "C:\" or the "\\server\share\" of a network path.
  size_t start = 0;
  if (length > 2 && directory[1] == ':') start = 3;
  else if (length > 2 && directory[0] == '\\' && directory[1] == '\\') {
    int separators = 0;
    for (start = 2; start < length && separators < 2; ++start)
      if (directory[start] == '\\') ++separators;
  }
  for (size_t at = start; at <= length; ++at) {
    if (directory[at] != '\\' && directory[at] != '\0') continue;
    char kept = directory[at];
    directory[at] = '\0';
    if (at > start) CreateDirectoryA(directory, nullptr);
    directory[at] = kept;
  }
}

// A cabinet is copied whole, over a read-only target too; the queue then skips it.
UINT CopyCabinet(const FILEPATHS_A *paths) {
  CreateTargetDirectory(paths->Target);
  SetFileAttributesA(paths->Target, FILE_ATTRIBUTE_NORMAL);
  BOOL copied = CopyFileA(paths->Source, paths->Target, FALSE);
  DWORD error = GetLastError();
  SetFileAttributesA(paths->Target, FILE_ATTRIBUTE_NORMAL);
  if (copied) return FILEOP_SKIP;
  // The commit fails with the copy's own error, not the attribute call's.
  SetLastError(error);
  return FILEOP_ABORT;
}

// Asked after every deletion: one attribute query, where a search would open and close a
// handle. A file whose deletion is still pending behind another handle is refused to the
// query but still listed in its folder: it counts as present, as a search would find it.
bool FileStillPresent(const char *path) {
  if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return true;
  DWORD error = GetLastError();
  return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
}

// A read-only file would refuse the queue's deletion now and the restart's later; the
// script asks for it to go, so the mark goes first.
void ClearReadOnly(const char *target) {
  DWORD attributes = GetFileAttributesA(target);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return;
  DWORD cleared = attributes & ~FILE_ATTRIBUTE_READONLY;
  // No attribute at all is written as the one that stands for none.
  SetFileAttributesA(target, cleared ? cleared : FILE_ATTRIBUTE_NORMAL);
}

// Removes the directory when nothing but files waiting for the restart is left in it; a
// directory that cannot go now goes at the restart. filesLeft becomes the directory's count.
void TidyDirectory(const char *directory, LONG pendingCount, LONG *filesLeft) {
  *filesLeft = CountFilesInDirectory(directory);
  if (*filesLeft - pendingCount != 0) return;
  if (!RemoveDirectoryA(directory)) RemoveDirectoryAtRestart(directory);
}

// Leaving a directory (or the queue) whose running count still says files are left: a count
// confirms it, in case files went that the queue did not report.
void SettleLastDirectory(QueueCallbackContext *context) {
  if (context->lastDirectory && context->lastDirectory[0] &&
      context->filesLeft > context->pendingCount)
    TidyDirectory(context->lastDirectory, context->pendingCount, &context->filesLeft);
}

// After the queue's deletion: a file that stayed goes at the restart, and its directory goes
// once nothing but files waiting for the restart are left in it. The directory's files are
// counted when the deletions reach it and then followed by a running count; only when that
// count reaches the waiting files does a new count decide, so that emptying a folder of n
// files searches it twice instead of n times.
void FollowUpDeletion(QueueCallbackContext *context, const char *target) {
  // A context whose queue never reported its start still gets the follow-up.
  if (!context->lastDirectory) context->lastDirectory = context->directoryBuffer;
  char *lastDirectory = context->lastDirectory;

  char directory[kQueueDirectorySize];
  int tidyDirectory = FileDirectory(directory, sizeof(directory), target);
  if (tidyDirectory && strcmp(directory, lastDirectory) != 0) {
    SettleLastDirectory(context);
    memcpy(lastDirectory, directory, strlen(directory) + 1);
    context->pendingCount = 0;
    context->filesLeft = -1;
  }
  LONG pendingCount = context->pendingCount;
  LONG filesLeft = context->filesLeft;

  bool present = FileStillPresent(target);
  if (present) {
    g_rebootNeeded = 1;
    // Only a file of lastDirectory may count against that directory's files.
    if (tidyDirectory) ++pendingCount;
    DeleteFileAtRestart(target);
  }

  if (tidyDirectory) {
    // The first deletion in a directory counts its files; later ones follow the running
    // count, which can only be too low (a file the queue deleted twice, one that was never
    // there), never too high from the queue's own work: a new count decides.
    if (filesLeft < 0) {
      TidyDirectory(directory, pendingCount, &filesLeft);
    } else {
      if (!present) --filesLeft;
      if (filesLeft - pendingCount <= 0) TidyDirectory(directory, pendingCount, &filesLeft);
    }
  }

  context->pendingCount = pendingCount;
  context->filesLeft = filesLeft;
}

// Windows 9x deletes at its next start what the "Rename" section of wininit.ini names with
// the key "NUL"; the section is read whole, however long, and rewritten with the new line last.
void ScheduleInWininit(const char *path) {
  char wininit[kPathSize];
  UINT length = GetWindowsDirectoryA(wininit, sizeof(wininit));
  if (length == 0 || length + sizeof(kWininitName) > sizeof(wininit)) return;
  memcpy(wininit + length, kWininitName, sizeof(kWininitName));

  char shortPath[kPathSize];
  DWORD shortLength = GetShortPathNameA(path, shortPath, sizeof(shortPath));
  if (shortLength == 0 || shortLength >= sizeof(shortPath)) return;

  size_t lineSize = RenameSectionSizeWith(0, shortPath);
  for (DWORD readSize = kRenameReadSize; readSize <= kRenameReadLimit; readSize *= 2) {
    size_t capacity = readSize + lineSize;
    HeapGuard buffer = {static_cast<char *>(HeapAlloc(GetProcessHeap(), 0, capacity))};
    if (!buffer.memory) return;
    DWORD sectionLength = GetPrivateProfileSectionA(kRenameSection, buffer.memory, readSize, wininit);
    if (ProfileSectionMayBeCut(sectionLength, readSize)) continue;
    if (AppendRenameLine(buffer.memory, sectionLength, capacity, shortPath))
      WritePrivateProfileSectionA(kRenameSection, buffer.memory, wininit);
    return;
  }
}

}  // namespace

UINT CALLBACK FileQueueCallback(PVOID contextPointer, UINT notification, UINT_PTR param1,
                                UINT_PTR param2) {
  QueueCallbackContext *context = static_cast<QueueCallbackContext *>(contextPointer);
  const FILEPATHS_A *paths = reinterpret_cast<const FILEPATHS_A *>(param1);
  switch (notification) {
    case SPFILENOTIFY_STARTQUEUE:
      context->lastDirectory = context->directoryBuffer;
      context->lastDirectory[0] = '\0';
      context->pendingCount = 0;
      context->filesLeft = -1;
      break;
    case SPFILENOTIFY_ENDQUEUE:
      SettleLastDirectory(context);
      // The buffer belongs to the context; nothing to free.
      context->lastDirectory = nullptr;
      break;
    case SPFILENOTIFY_STARTDELETE:
      if (paths && paths->Target) ClearReadOnly(paths->Target);
      break;
    case SPFILENOTIFY_ENDDELETE:
      if (paths && paths->Target) FollowUpDeletion(context, paths->Target);
      break;
    case SPFILENOTIFY_STARTCOPY:
      if (paths && paths->Source && paths->Target &&
          IsCabinetUnderOwnName(paths->Source, paths->Target))
        return CopyCabinet(paths);
      break;
    default:
      break;
  }
  return PassOn(context, notification, param1, param2);
}

int CountFilesInDirectory(const char *directory) {
  char pattern[kQueueDirectorySize + sizeof(kAllEntries)];
  int length = snprintf(pattern, sizeof(pattern), "%s%s", directory, kAllEntries);
  if (length < 0 || static_cast<size_t>(length) >= sizeof(pattern)) return 0;
  WIN32_FIND_DATAA data;
  FindGuard find = {FindFirstFileA(pattern, &data)};
  if (find.handle == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
  } while (FindNextFileA(find.handle, &data));
  return count;
}

int DeleteFileAtRestart(const char *path) {
  if (IsWin9xFamily())
    ScheduleInWininit(path);
  else
    MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return 1;
}

int RemoveDirectoryAtRestart(const char *directory) {
  // Windows 9x has no way to remove a directory at its next start; it stays.
  if (IsWin9xFamily()) return 0;
  MoveFileExA(directory, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return 1;
}
