// Paths of shortcut files: the link path in the shell folder, the working directory taken
// from the target, and the walk up the sub-folders when a shortcut is deleted.
// Free of windows.h so that it is tested and fuzzed natively.
#pragma once
#include <stddef.h>

#include "common/Globals.h"  // kTargetDirSize: every path of a shortcut, NUL included

// Whether a shortcut name (sub-folders included) stays inside its shell folder: not absolute
// (no leading separator, no drive or stream colon) and no part that climbs as ".." does
// (Windows drops a part's trailing dots and blanks); both "\" and "/" separate.
bool IsContainedLinkName(const char *name);

// Builds folder and name joined (JoinPath) and ".lnk". A path that does not fit is refused:
// false, with an empty text, since a cut path would name another file than the one meant.
bool BuildLinkPath(char *path, size_t size, const char *folder, const char *name);

// The target up to its last backslash (the backslash goes); a target without one stays whole.
// A target too long for the buffer gives an empty text rather than a cut folder.
void ShortcutWorkingDirectory(char *directory, size_t size, const char *target);

// Cuts the path at its last backslash when what remains is longer than keepLength characters;
// returns 1 then, else 0 with the path unchanged. Deleting a shortcut climbs its sub-folders
// with it and so never reaches the shell folder itself.
int CutToParentFolder(char *path, size_t keepLength);
