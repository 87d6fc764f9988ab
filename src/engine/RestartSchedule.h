// The restart schedule: what the system deletes at its next start. On the NT family it is the
// "PendingFileRenameOperations" value of the session manager, pairs of source and target of
// which a deletion has an empty target; on Windows 9x the "NUL=" lines of the "Rename" section
// of wininit.ini.
#pragma once
#include <windows.h>

// Deletions that the schedule held when a commit began.
struct PendingDeletions;

// Reads the schedule once; NULL when it holds no deletion (the usual case) or cannot be read.
PendingDeletions *ReadPendingDeletions();

// Whether the schedule deletes path itself (NULL: a schedule that holds no deletion).
bool IsDeletedAtRestart(const PendingDeletions *pending, const char *path);

// Notes a file that the run has put in place: a scheduled deletion of it, or of a folder that
// holds it, would take it away at the restart.
void NotePutInPlace(PendingDeletions *pending, const char *path);

// Takes the noted deletions out of the schedule, keeping every other operation as it stands
// now, and frees pending (NULL is allowed).
void CancelNotedDeletions(PendingDeletions *pending);

// Windows 9x: adds "NUL=<short path>" to the "Rename" section of wininit.ini, after the lines
// that are there; the section is read whole, however long. False when it could not be added.
bool ScheduleDeletionInWininit(const char *path);
