// Paths put together and compared as texts. Free of windows.h so that it is tested natively.
#pragma once
#include <stddef.h>

// The arguments of a whole command line: what follows the program's name, quoted or not, as
// the C runtime reads it.
const char *SkipProgramName(const char *commandLine);

// The one way to join paths: folder, a backslash unless folder ends in one, and name, into
// size bytes. out may be folder itself, never name. False, with out unchanged, when the path
// does not fit: a cut path would name another file.
bool JoinPath(char *out, size_t size, const char *folder, const char *name);

// JoinPath into a buffer whose size comes from its type.
template <size_t N>
bool JoinPath(char (&out)[N], const char *folder, const char *name) {
  return JoinPath(out, N, folder, name);
}

// Whether two paths name the same file, without regard to case. The file system folds every
// letter; these fold A to Z only (common/AsciiCase.h), the same on every code page and in every
// locale: two paths found the same always are, and two that differ only in the case of a
// letter beyond ASCII are taken as different.
bool SamePath(const char *a, const char *b);
// The order of two paths by the same rule: below, at or above 0 as strcmp's.
int ComparePaths(const char *a, const char *b);

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
