#include "engine/FileProgress.h"

#include "common/Messages.h"
#include "common/Platform.h"

namespace {

// The bar moves in at most this many steps, so that a queue of many thousand files does not
// flood the page's message queue.
constexpr DWORD kBarGrains = 1000;
constexpr DWORD kNotPosted = 0xFFFFFFFFu;
const UINT kCountedOperations[] = {FILEOP_COPY, FILEOP_RENAME, FILEOP_DELETE};

using QueueCountCall = BOOL(WINAPI *)(HSPFILEQ queue, UINT operation, PDWORD count);

DWORD CountQueue(HSPFILEQ queue) {
  QueueCountCall count =
      GetProcAs<QueueCountCall>(GetModuleHandleA("setupapi.dll"), "SetupGetFileQueueCount");
  DWORD total = 0;
  for (UINT operation : kCountedOperations) {
    DWORD operations = 0;
    if (count && count(queue, operation, &operations)) total += operations;
  }
  return total;
}

void PostPosition(FileProgress *progress) {
  if (progress->done > progress->queued) progress->done = progress->queued;
  DWORD grain = progress->queued
                    ? static_cast<DWORD>(MulDiv(static_cast<int>(progress->done), kBarGrains,
                                                static_cast<int>(progress->queued)))
                    : 0;
  // A commit without a page (one of the tests' own) counts for nobody.
  if (!progress->page || grain == progress->posted) return;
  progress->posted = grain;
  PostMessageA(progress->page, WM_SETUP_FILES, progress->done, progress->queued);
}

}  // namespace

void StartFileProgress(FileProgress *progress, HWND page, HSPFILEQ queue) {
  *progress = {page, CountQueue(queue), 0, 0, kNotPosted};
}

void NoteFileProgress(FileProgress *progress, UINT notification, UINT_PTR param1,
                      UINT_PTR param2) {
  switch (notification) {
    case SPFILENOTIFY_STARTSUBQUEUE:
      // Without a count beforehand, the whole grows as each sub-queue begins.
      progress->started += static_cast<DWORD>(param2);
      if (progress->started > progress->queued) progress->queued = progress->started;
      break;
    case SPFILENOTIFY_ENDCOPY:
    case SPFILENOTIFY_ENDRENAME:
    case SPFILENOTIFY_ENDDELETE:
      ++progress->done;
      break;
    case SPFILENOTIFY_ENDSUBQUEUE:
      // Operations the callback answered itself (skipped ones) report no end of their own.
      progress->done = progress->started;
      break;
    case SPFILENOTIFY_ENDQUEUE:
      if (param1) progress->done = progress->queued;
      break;
    case SPFILENOTIFY_STARTQUEUE:
      break;
    default:
      return;
  }
  PostPosition(progress);
}
