// Paths put together as texts. Free of windows.h so that it is tested natively.
#pragma once
#include <stddef.h>

// The arguments of a whole command line: what follows the program's name, quoted or not, as
// the C runtime reads it.
const char *SkipProgramName(const char *commandLine);

// folder, a backslash and name into size bytes; false when that does not fit (out is then cut
// and names nothing).
bool JoinPath(char *out, size_t size, const char *folder, const char *name);

// What NormaliseFolderPath made of a path.
enum class PathForm {
  Full,         // out holds the full form
  NotAbsolute,  // no drive ("C:\") or share ("\\server\share") to start from
  BadEnding,    // a part that still ends in a dot or a blank; part holds it
  TooLong,      // the full form does not fit out
};

// The full form of an absolute folder path, as Windows resolves a path before it uses it: "/"
// read as "\", a run of separators as one, "." and ".." parts resolved without ever leaving
// the drive or share, no separator at the end (but "C:\" for the drive itself), the drive
// letter in capitals; a part loses one trailing dot, and the last part, unless a separator
// follows it, every trailing dot and blank. A part that still ends in a dot or a blank is
// refused: Windows would create a folder of that name that its own tools cannot open.
PathForm NormaliseFolderPath(const char *path, char *out, size_t size, char *part,
                             size_t partSize);
