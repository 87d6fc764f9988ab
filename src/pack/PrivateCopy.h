// A private folder in the temporary directory, the setup.exe in it run with this run's own
// options, and the folder's removal afterwards: a packed program unpacks its media into one,
// and a removal started from the installed program hands itself to a copy in one.
#pragma once
#include <windows.h>

#include "common/Globals.h"

constexpr int kPrivateAclSize = 256;  // three allowed entries with their SIDs
constexpr int kTokenUserSize = 128;   // TOKEN_USER with the user's SID

// A private folder's security: full control for the user, SYSTEM and the administrators,
// handed down to everything made in it, and nothing from the temporary directory.
struct PrivateAccess {
  SECURITY_ATTRIBUTES attributes;
  SECURITY_DESCRIPTOR descriptor;
  union {
    ACL acl;
    char aclBytes[kPrivateAclSize];
  };
  union {
    TOKEN_USER user;
    char userBytes[kTokenUserSize];
  };
};

// Fills access for this process's user; false, with the system's error, when it cannot.
bool PreparePrivateAccess(PrivateAccess *access);

// A new folder in the temporary directory under a name drawn from the system's random
// source, that only the user, SYSTEM and the administrators may open or write to, with no
// access inherited from the temporary directory (the Windows 95 family has no access control
// to set). False, with the system's error, when none could be made.
bool MakePrivateFolder(char (&folder)[kTargetDirSize]);

// Starts folder's setup.exe with this process's own arguments, extra, and the run's log, in
// directory (the current one when NULL) and with this process's standard handles, logging
// purpose and the command line, and waits for it while this thread's windows keep answering;
// false when it could not be started.
bool RunProgramIn(const char *purpose, const char *folder, const char *extra,
                  const char *directory, int *exitCode);

// Deletes the folder with everything in it: at once where the system lets it, else at the
// next restart, which is never a reason for the run to ask for one.
void RemovePrivateFolder(const char *folder);

// Marks the private folder as in use for as long as this process or one that it starts with
// its handles runs: a file in it, held open so that nobody can delete it. The handle, which
// the caller closes before the folder goes; null when the mark could not be made, and then
// the folder is never taken for a left one.
HANDLE MarkFolderInUse(const char *folder);

// A private folder for a run's own files, marked as in use from the start, once the folders
// that killed runs left are gone; the mark's handle in inUse, null when it could not be made
// (the folder is then never taken for a left one). False, with the system's error, when no
// folder could be made.
bool MakeMarkedFolder(char (&folder)[kTargetDirSize], HANDLE *inUse);

// Drops the mark, then deletes the folder: at once, or within a couple of seconds once what
// still held it let go, else as RemovePrivateFolder does.
void RemoveMarkedFolder(const char *folder, HANDLE inUse);

// Deletes the private folders in the temporary directory that runs marked and left, killed
// before they could delete them: what can go now goes. A folder that a run still holds, one
// without a mark, and one that this process's user does not own stay.
void SweepAbandonedFolders();
