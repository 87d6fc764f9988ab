#include "engine/FileQueueCallback.h"

#include <stddef.h>
#include <string.h>

#include "common/Globals.h"
#include "common/Log.h"
#include "common/PathText.h"
#include "common/Platform.h"
#include "common/ProgramPath.h"
#include "engine/Folders.h"
#include "engine/InstallJournal.h"
#include "engine/QueuePaths.h"
#include "engine/RestartSchedule.h"
#include "engine/StoredMedia.h"

// The first three members keep the order the callback was designed with; on x86_64 the two
// pointers are pointer-sized.
static_assert(offsetof(QueueCallbackContext, lastDirectory) == sizeof(PVOID), "layout");
static_assert(offsetof(QueueCallbackContext, pendingCount) == 2 * sizeof(PVOID), "layout");

namespace {

UINT PassOn(const QueueCallbackContext *context, UINT notification, UINT_PTR param1,
            UINT_PTR param2) {
  return SetupDefaultQueueCallbackA(context->defaultContext, notification, param1, param2);
}

// The queue creates the folders of the files it copies itself; a cabinet copied here may be
// the first file of its folder.
void CreateTargetDirectory(const char *target) {
  char directory[kTargetDirSize];
  char created[kTargetDirSize];
  if (FileDirectory(directory, sizeof(directory), target)) CreateFolderPath(directory, created);
}

// Ends the commit: the reason is kept for the runner and left as the last error.
UINT AbortCommit(QueueCallbackContext *context, DWORD error) {
  context->abortError = error ? error : ERROR_GEN_FAILURE;
  SetLastError(context->abortError);
  return FILEOP_ABORT;
}

// A file is in place: its own deletion at the restart, or its folder's, is cancelled.
void FilePutInPlace(QueueCallbackContext *context, const char *target) {
  context->sourceOffered = 0;
  NotePutInPlace(context->pending, target);
}

// A cabinet is copied whole, over a read-only target too; the queue then skips it.
UINT CopyCabinet(QueueCallbackContext *context, const FILEPATHS_A *paths) {
  CreateTargetDirectory(paths->Target);
  SetFileAttributesA(paths->Target, FILE_ATTRIBUTE_NORMAL);
  BOOL copied = CopyFileA(paths->Source, paths->Target, FALSE);
  DWORD error = GetLastError();
  SetFileAttributesA(paths->Target, FILE_ATTRIBUTE_NORMAL);
  if (copied) {
    FilePutInPlace(context, paths->Target);
    return FILEOP_SKIP;
  }
  // The commit fails with the copy's own error, not the attribute call's.
  LogFailure(error, "%s could not be copied to %s", paths->Source, paths->Target);
  return AbortCommit(context, error);
}

// Whether the file name in folder exists, or the media's store holds it; a path that does not
// fit names nothing.
bool SourcePresent(const char *folder, const char *name) {
  char path[kTargetDirSize];
  return name[0] && JoinPath(path, folder, name) &&
         (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES || FindStoredFile(path));
}

// The queue asks where the source of a file is. The media folder is the only place there is:
// when the file (or the cabinet that holds it) is not there, nobody can bring it, and the
// default callback would ask forever or show a dialog in a quiet run. A second question for
// the same file means that it could not be copied from there either.
UINT AnswerNeedMedia(QueueCallbackContext *context, const SOURCE_MEDIA_A *media) {
  const char *folder = media->SourcePath ? media->SourcePath : "";
  const char *file = media->SourceFile ? media->SourceFile : "";
  if (!context->sourceOffered &&
      (SourcePresent(folder, file) || (media->Tagfile && SourcePresent(folder, media->Tagfile)))) {
    context->sourceOffered = 1;
    return FILEOP_DOIT;
  }
  LogFailure(ERROR_FILE_NOT_FOUND, "the source file %s\\%s is missing", folder, file);
  return AbortCommit(context, ERROR_FILE_NOT_FOUND);
}

// A copy whose source is missing is not tried again, and no dialog asks for another disk: the
// commit ends with the reason. Other copy errors (a target in use, say) are the default
// callback's where someone can answer it.
bool SourceIsMissing(const FILEPATHS_A *paths) {
  return paths && IsNotFoundError(paths->Win32Error);
}

UINT AnswerCopyError(QueueCallbackContext *context, const FILEPATHS_A *paths) {
  LogFailure(paths->Win32Error, "%s could not be copied to %s", paths->Source ? paths->Source : "",
             paths->Target ? paths->Target : "");
  return AbortCommit(context, paths->Win32Error);
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

// After the queue's deletion: the file and its folder are noted for the end of the queue. A
// deletion that failed is looked after: a file that stayed waits for the restart. One that
// succeeded costs no query (under Wine a query for a name that is gone searches its whole
// folder); one that is only pending behind another handle shows when its folder is looked at.
void FollowUpDeletion(QueueCallbackContext *context, const FILEPATHS_A *paths) {
  NoteDeletion(context, paths->Target);
  if (paths->Win32Error != NO_ERROR && FileStillPresent(paths->Target))
    WaitForRestart(context, paths->Target);
}

}  // namespace

bool MoveHandedOverProgram(const char *target) {
  if (!g_relocatedFrom[0] || !SamePath(target, g_relocatedFrom)) return false;
  char aside[kTargetDirSize];
  if (!PathBesideProgram(aside, kHandedOverProgram)) return false;
  // MoveFileA, which the 95 family has too; the folder is new and holds no file of this name.
  if (!MoveFileA(target, aside)) {
    LogFailure(GetLastError(), "the running program %s could not be moved out of its folder", target);
    return false;
  }
  LogLine("moved the running program %s to %s", target, aside);
  return true;
}

namespace {

// A file that the queue was to delete and that was not there: a removal after an interrupted
// install, say.
bool AlreadyGone(const FILEPATHS_A *paths) {
  return paths && IsNotFoundError(paths->Win32Error);
}

// The end of the commit: the emptied folders go, the restart deletions of what was put in
// place are cancelled, and the reason of an abort is left as the last error.
UINT EndQueue(QueueCallbackContext *context, UINT notification, UINT_PTR param1,
              UINT_PTR param2) {
  TidyFolders(context);
  if (context->goneCount)
    LogLine("%d file(s) to delete were gone already", context->goneCount);
  // The buffer belongs to the context; nothing to free.
  context->lastDirectory = nullptr;
  CancelNotedDeletions(context->pending);
  context->pending = nullptr;
  UINT result = PassOn(context, notification, param1, param2);
  if (context->abortError) SetLastError(context->abortError);
  return result;
}

// One log line per file the queue has dealt with; the queue's own report of a file that
// waits for the restart too. Only these notifications carry file paths in param1.
void LogFileEvent(UINT notification, UINT_PTR param1) {
  const char *done = nullptr;
  switch (notification) {
    case SPFILENOTIFY_ENDCOPY: done = "copied"; break;
    case SPFILENOTIFY_ENDDELETE: done = "deleted"; break;
    case SPFILENOTIFY_ENDRENAME: done = "renamed"; break;
    case SPFILENOTIFY_FILEOPDELAYED: done = "delayed"; break;
    default: return;
  }
  const FILEPATHS_A *paths = reinterpret_cast<const FILEPATHS_A *>(param1);
  if (!LogEnabled() || !paths || !paths->Target) return;
  const char *source = notification != SPFILENOTIFY_ENDDELETE && paths->Source ? paths->Source : "";
  if (notification == SPFILENOTIFY_FILEOPDELAYED)
    LogLine("%s is in use: it is replaced or deleted at the next restart", paths->Target);
  else if (paths->Win32Error == NO_ERROR)
    LogLine("%s %s%s%s", done, source, source[0] ? " to " : "", paths->Target);
  else
    LogFailure(paths->Win32Error, "not %s: %s", done, paths->Target);
}

// A source that the media keep in their store, copied to a target that is not there yet, is
// written straight from the store, and the queue skips it. True when it was.
bool CopyNewFromStore(QueueCallbackContext *context, const FILEPATHS_A *paths,
                      const StoredFile &file) {
  if (StoredFileIsCompressed(file)) return false;
  bool written = WriteStoredFile(file, paths->Target);
  if (!written && GetLastError() == ERROR_PATH_NOT_FOUND) {
    CreateTargetDirectory(paths->Target);
    written = WriteStoredFile(file, paths->Target);
  }
  if (!written) return false;
  FILEPATHS_A copied = *paths;
  copied.Win32Error = NO_ERROR;
  LogFileEvent(SPFILENOTIFY_ENDCOPY, reinterpret_cast<UINT_PTR>(&copied));
  NoteFileProgress(&context->progress, SPFILENOTIFY_ENDCOPY, reinterpret_cast<UINT_PTR>(&copied),
                   0);
  FilePutInPlace(context, paths->Target);
  return true;
}

// Any other copy of a stored source is the queue's, with its version checks and its waiting
// for the restart: the file goes into the media folder first, where the queue reads it.
void PutStoredSourceInMedia(const StoredFile &file, const char *source) {
  CreateTargetDirectory(source);
  if (!WriteStoredFile(file, source) && GetLastError() != ERROR_FILE_EXISTS)
    LogFailure(GetLastError(), "%s could not be taken from the media's store", source);
}

// The start of a copy, answered here when the file is placed already (before the queue), is
// a cabinet copied whole, or comes from the media's store to a new target. True with the answer.
bool AnswerCopyStart(QueueCallbackContext *context, const FILEPATHS_A *paths, UINT *answer) {
  *answer = FILEOP_SKIP;
  if (context->journal && JournalBeforeCopy(context->journal, paths)) {
    context->sourceOffered = 0;
    return true;
  }
  if (!paths->Source) return false;
  const StoredFile *stored = FindStoredFile(paths->Source);
  if (stored && CopyNewFromStore(context, paths, *stored)) return true;
  if (stored) PutStoredSourceInMedia(*stored, paths->Source);
  if (!IsCabinetUnderOwnName(paths->Source, paths->Target)) return false;
  *answer = CopyCabinet(context, paths);
  return true;
}

constexpr UINT kVersionQuestions =
    SPFILENOTIFY_LANGMISMATCH | SPFILENOTIFY_TARGETEXISTS | SPFILENOTIFY_TARGETNEWER;

// What the default callback would ask a person, a silent run answers itself: a newer file on
// the machine stays, and a file that cannot be deleted or renamed now is left to the
// follow-up, which schedules it for the restart. (A source that is missing or cannot be
// copied is answered in every run.) True with the answer when the notification is one of these.
// The answer to a version question, as the log records it: FALSE keeps the file on the machine.
UINT LogVersionAnswer(const FILEPATHS_A *paths, UINT answer) {
  if (paths && paths->Target)
    LogLine(answer ? "replacing %s although the file on the machine is the same or newer"
                   : "kept %s: the file on the machine is the same or newer",
            paths->Target);
  return answer;
}

bool AnswerWithoutDialog(UINT notification, UINT_PTR param1, UINT *answer) {
  const FILEPATHS_A *paths = reinterpret_cast<const FILEPATHS_A *>(param1);
  if (notification & kVersionQuestions) {
    *answer = LogVersionAnswer(paths, FALSE);
    return true;
  }
  switch (notification) {
    case SPFILENOTIFY_DELETEERROR:
    case SPFILENOTIFY_RENAMEERROR:
      LogFailure(paths->Win32Error, "%s cannot be changed now", paths->Target);
      *answer = FILEOP_SKIP;
      return true;
    default:
      return false;
  }
}

void StartQueue(QueueCallbackContext *context) {
  context->lastDirectory = context->directoryBuffer;
  context->lastDirectory[0] = '\0';
  context->pendingCount = 0;
  context->deletedFiles = PathSet();
  context->deletedFolders = GrowingList();
  context->waitingFiles = PathSet();
  context->answeredDeletion[0] = '\0';
  context->abortError = 0;
  context->restartError = 0;
  context->sourceOffered = 0;
  context->goneCount = 0;
  context->pending = ReadPendingDeletions();
}

// A deletion the callback takes on itself: a file that another installed product still places
// stays, and the setup's own files go last, after the run. True with the answer for the queue.
bool AnswerDeletion(QueueCallbackContext *context, const char *target, UINT *answer) {
  context->answeredDeletion[0] = '\0';
  bool kept = context->scope && PathSetHas(&context->scope->keptFiles, target);
  if (kept) {
    LogLine("kept %s: a product that stays installed places it too", target);
  } else if (!context->scope || !PathSetHas(&context->scope->lastFiles, target)) {
    ClearReadOnly(target);
    return false;
  }
  lstrcpynA(context->answeredDeletion, target, sizeof(context->answeredDeletion));
  *answer = FILEOP_SKIP;
  return true;
}

// Whether the queue reports the end of a deletion that the callback answered at its start:
// that one is neither logged nor followed up.
bool EndsAnsweredDeletion(QueueCallbackContext *context, const FILEPATHS_A *paths) {
  if (!paths || !paths->Target || !context->answeredDeletion[0] ||
      !SamePath(paths->Target, context->answeredDeletion))
    return false;
  context->answeredDeletion[0] = '\0';
  return true;
}

}  // namespace

UINT CALLBACK FileQueueCallback(PVOID contextPointer, UINT notification, UINT_PTR param1,
                                UINT_PTR param2) {
  QueueCallbackContext *context = static_cast<QueueCallbackContext *>(contextPointer);
  NoteFileProgress(&context->progress, notification, param1, param2);
  const FILEPATHS_A *paths = reinterpret_cast<const FILEPATHS_A *>(param1);
  if (notification == SPFILENOTIFY_ENDDELETE &&
      (EndsAnsweredDeletion(context, paths) || AlreadyGone(paths)))
    return PassOn(context, notification, param1, param2);
  if (notification == SPFILENOTIFY_DELETEERROR && AlreadyGone(paths)) {
    ++context->goneCount;
    return FILEOP_SKIP;
  }
  LogFileEvent(notification, param1);
  UINT answer = 0;
  bool answered = g_silent && AnswerWithoutDialog(notification, param1, &answer);
  if (!answered && (notification & kVersionQuestions))
    answer = LogVersionAnswer(paths, PassOn(context, notification, param1, param2));
  // A file that the queue keeps needs no copy of itself for the install's rollback.
  if ((notification & kVersionQuestions) && !answer && paths && paths->Target)
    JournalCopyKept(context->journal, paths->Target);
  if (answered || (notification & kVersionQuestions)) return answer;
  switch (notification) {
    case SPFILENOTIFY_STARTQUEUE:
      StartQueue(context);
      break;
    case SPFILENOTIFY_ENDQUEUE:
      return EndQueue(context, notification, param1, param2);
    case SPFILENOTIFY_STARTDELETE:
      if (paths && paths->Target && AnswerDeletion(context, paths->Target, &answer)) return answer;
      break;
    case SPFILENOTIFY_ENDDELETE:
      if (paths && paths->Target) FollowUpDeletion(context, paths);
      break;
    case SPFILENOTIFY_STARTCOPY:
      if (paths && paths->Target && AnswerCopyStart(context, paths, &answer))
        return answer;
      break;
    case SPFILENOTIFY_ENDCOPY:
      if (paths && paths->Target) FilePutInPlace(context, paths->Target);
      break;
    case SPFILENOTIFY_NEEDMEDIA:
      return AnswerNeedMedia(context, reinterpret_cast<const SOURCE_MEDIA_A *>(param1));
    case SPFILENOTIFY_COPYERROR:
      // A silent run has nobody to ask about any copy error.
      if (SourceIsMissing(paths) || g_silent) return AnswerCopyError(context, paths);
      break;
    default:
      break;
  }
  return PassOn(context, notification, param1, param2);
}

bool DeleteFileAtRestart(const char *path) {
  if (!IsWin9xFamily()) return MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
  if (ScheduleDeletionInWininit(path)) return true;
  if (GetLastError() == NO_ERROR) SetLastError(ERROR_WRITE_FAULT);
  return false;
}

bool RemoveDirectoryAtRestart(const char *directory) {
  // Windows 9x has no way to remove a directory at its next start; it stays.
  if (!IsWin9xFamily()) return MoveFileExA(directory, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
  SetLastError(ERROR_NOT_SUPPORTED);
  return false;
}
