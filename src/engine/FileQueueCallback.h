// The file-queue callback: cabinets copied whole, deletions followed up at restart, copy
// failures answered without asking, and restart deletions of copied files cancelled.
#pragma once
#include <windows.h>
#include <setupapi.h>

struct PendingDeletions;

constexpr int kQueueDirectorySize = 260;  // lastDirectory and every directory buffer

// The name under which a removal's copy keeps the installed setup.exe that handed the removal
// over to it, in the copy's own folder, once the removal has taken it out of the target.
constexpr char kHandedOverProgram[] = "installed-setup.exe";

struct QueueCallbackContext {
  PVOID defaultContext;  // of SetupDefaultQueueCallbackA
  char *lastDirectory;   // 260 bytes: the directory of the last deleted file
  LONG pendingCount;     // files of lastDirectory waiting for the restart
  // The storage behind lastDirectory: part of the context, so that no allocation during the
  // commit can fail and lose the follow-up of a deletion.
  char directoryBuffer[kQueueDirectorySize];
  // Files of lastDirectory as last counted, less those the queue has deleted since; below 0
  // until counted. Lets the callback count a folder's files once per folder, not once per
  // deleted file.
  LONG filesLeft;
  // The handed-over program was moved aside instead of deleted and already followed up; a
  // queue that still reports its deletion is not followed up twice.
  bool handedOverMoved;
  // The restart schedule's deletions as the commit began, or NULL when it held none.
  PendingDeletions *pending;
  // Why the callback ended the commit, or 0; the commit's own error may be another.
  DWORD abortError;
  // 1 once the queue was told that the source of the file it asks for is there; a second
  // question before that file is copied means it could not be copied from there after all.
  int sourceOffered;
};

UINT CALLBACK FileQueueCallback(PVOID context, UINT notification, UINT_PTR param1,
                                UINT_PTR param2);
int CountFilesInDirectory(const char *directory);
int DeleteFileAtRestart(const char *path);
int RemoveDirectoryAtRestart(const char *directory);
