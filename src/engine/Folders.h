// The folders of a run: the target folder an install creates before it registers anything, and
// the folders a commit's deletions emptied, removed from the innermost out once every deletion
// is done, so that a parent emptied only by a later deletion goes too.
#pragma once
#include <windows.h>

#include "common/Globals.h"
#include "common/KeyList.h"

struct QueueCallbackContext;

// Creates every missing level of folder, outer first: 0, or the system's reason for the level
// that could not be made (a file where a folder should be, say). outermost receives the first
// level made here, and stays empty when every level was there (also when another thread or
// program made it meanwhile).
DWORD CreateFolderPath(const char *folder, char (&outermost)[kTargetDirSize]);

// Notes a file that the queue deleted (or tried to), and its folder: the folder is looked at
// when the queue ends, and the file is told from others that may be left in it.
void NoteDeletion(QueueCallbackContext *context, const char *file);

// The end of the queue: every noted folder, and in a removal the parents of those inside the
// removal's scope, goes when it is empty; one that holds nothing but files and folders waiting
// for the restart goes at the restart after them; one that holds anything else stays. Releases
// the notes.
void TidyFolders(QueueCallbackContext *context);

// Removes each folder of the list, and inside outer the parents of each, that is empty: the
// deepest first.
void RemoveEmptiedFolders(const GrowingList *folders, const char *outer);

// A file that is still there after its deletion: it is deleted at the restart, which is then
// needed, and its folder waits for that. False, logged and kept in the context's
// restartError, when the restart could not be asked to delete it.
bool WaitForRestart(QueueCallbackContext *context, const char *file);

// Whether the file is still there after a failed deletion: present, or refused to a query.
bool FileStillPresent(const char *path);
