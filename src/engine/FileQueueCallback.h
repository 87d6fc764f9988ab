// The file-queue callback: cabinets copied whole, deletions followed up at restart, copy
// failures answered without asking, and restart deletions of copied files cancelled.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include "common/Globals.h"
#include "engine/FileProgress.h"
#include "engine/PathSet.h"
#include "engine/RemovalScope.h"

struct PendingDeletions;
struct InstallJournal;

// The name under which a removal's copy keeps the installed setup.exe that handed the removal
// over to it, in the copy's own folder, once the removal has taken it out of the target.
constexpr char kHandedOverProgram[] = "installed-setup.exe";

struct QueueCallbackContext {
  PVOID defaultContext;  // of SetupDefaultQueueCallbackA
  char *lastDirectory;   // the last deleted file's folder, in directoryBuffer
  LONG pendingCount;     // deleted files that wait for the restart
  // The storage behind lastDirectory, part of the context: a context whose queue never
  // reported its start still has it.
  char directoryBuffer[kTargetDirSize];
  // The files the queue deleted (or tried to), their folders, and the files that wait for the
  // restart: looked at when the queue ends.
  PathSet deletedFiles;
  GrowingList deletedFolders;
  PathSet waitingFiles;
  const RemovalScope *scope;  // NULL outside a removal
  InstallJournal *journal;    // an install's, or NULL
  // A deletion that the callback answered itself when it started (a kept file, the handed-over
  // program moved aside): the queue's report of its end is not followed up.
  char answeredDeletion[kTargetDirSize];
  // The restart schedule's deletions as the commit began, or NULL when it held none.
  PendingDeletions *pending;
  // Why the callback ended the commit, or 0; the commit's own error may be another.
  DWORD abortError;
  // Why a file or folder that stays could not be scheduled for the restart, or 0: the files
  // step then fails, so that the removal stays registered and can be tried again.
  DWORD restartError;
  // 1 once the queue was told that the source of the file it asks for is there; a second
  // question before that file is copied means it could not be copied from there after all.
  int sourceOffered;
  FileProgress progress;  // the page's bar
  // Deletions of files that were gone already: said once, at the end.
  int goneCount;
};

UINT CALLBACK FileQueueCallback(PVOID context, UINT notification, UINT_PTR param1,
                                UINT_PTR param2);
// The installed setup.exe that handed this removal over is still running, waiting for it: it
// cannot be deleted, but it can be moved out of the target folder, into this copy's own
// folder, where the handing-over program takes care of it. True when target was that program
// and it was moved.
bool MoveHandedOverProgram(const char *target);
// Schedules a file for deletion at the next restart; false, with the reason in GetLastError(),
// when it could not be scheduled.
bool DeleteFileAtRestart(const char *path);
// The same for an empty folder; Windows 9x has no way to do it (ERROR_NOT_SUPPORTED).
bool RemoveDirectoryAtRestart(const char *directory);
