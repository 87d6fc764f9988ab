// Directory id 1, "%1%": the Setup API's name for the folder that the script was opened from.
// A script given to the Setup API as a converted copy elsewhere keeps its media folder by
// having every "%1%" written out as that folder. Free of windows.h so that it is tested
// natively; texts are UTF-16 code units.
#pragma once
#include <stddef.h>

// Writes text (length units) into out with each reference to directory id 1 ("%1%", "%01%")
// replaced by folder as the Setup API would read it there: quoted outside quotes, a percent
// sign doubled. "%%" stays a literal percent sign, comments and other references stay as
// they are, and no line is added or taken away. Returns the units written; with out NULL,
// the units needed.
size_t WriteSourceDirectory(const char16_t *text, size_t length, const char16_t *folder,
                            char16_t *out);
