// The "Rename" section of wininit.ini as a list of NUL-ended lines, ended by one more NUL.
// Windows 9x deletes a file at the next start when the section holds "NUL=<short path>".
#pragma once
#include <stddef.h>

// Bytes a section of sectionLength characters needs once the line for shortPath is added:
// the lines, "NUL=", the path, the line's NUL and the NUL that ends the list.
size_t RenameSectionSizeWith(size_t sectionLength, const char *shortPath);

// Writes "NUL=<shortPath>" and the list's final NUL at offset sectionLength, after the lines
// that are already there. Returns the new section length (final NUL not counted), or 0 with
// the buffer untouched when the result would not fit capacity bytes.
size_t AppendRenameLine(char *section, size_t sectionLength, size_t capacity,
                        const char *shortPath);

// A profile-section read into size bytes that returned this many characters may have been cut
// short: the reader reports size - 2 then, so only a larger buffer can tell.
bool ProfileSectionMayBeCut(size_t returned, size_t size);
