// The progress page's bar, advanced by the program itself: the queue's file operations done
// against those queued, counted from the notifications that every platform's queue sends.
// The Setup API's default callback reports progress only on some platforms (Wine's never
// does), so the page does not depend on it.
#pragma once
#include <windows.h>
#include <setupapi.h>

struct FileProgress {
  HWND page;      // receives WM_SETUP_FILES
  DWORD queued;   // operations of the queue, as far as known so far
  DWORD started;  // operations of the sub-queues begun so far
  DWORD done;     // operations finished
  DWORD posted;   // the grain of the bar last posted, or kNotPosted
};

// Before the commit of queue: the whole count where the Setup API tells it beforehand
// (Windows XP and later, Wine); older systems learn it sub-queue by sub-queue.
void StartFileProgress(FileProgress *progress, HWND page, HSPFILEQ queue);
// Follows one notification of the queue and posts the bar's position when it has moved.
void NoteFileProgress(FileProgress *progress, UINT notification, UINT_PTR param1,
                      UINT_PTR param2);
