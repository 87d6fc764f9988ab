// The code page of the program's narrow calls: UTF-8 where the system honours the manifest's
// "activeCodePage" (Windows 10 1903 and later), else the system's ANSI code page, in which a
// name outside it reaches the program as "?" or as a look-alike letter.
#pragma once
#include <windows.h>

// Whether the narrow calls take and return UTF-8.
bool NarrowCallsUseUtf8();

// The system's ANSI code page as the registry keeps it, whichever the process uses: the one a
// script without a byte-order mark was saved in when it is no UTF-8. 0 when unknown.
UINT SystemAnsiCodePage();

// wide in the narrow calls' code page into size bytes when every character converts exactly
// and it fits; false, with narrow empty, otherwise.
bool NarrowExactly(const WCHAR *wide, char *narrow, int size);

// wide in the narrow calls' code page into size bytes, every character the code page cannot
// hold as "?" rather than a look-alike: no path may hold one, so such a name is refused where
// paths are checked instead of naming another folder. False, with narrow empty, when it does
// not fit.
bool NarrowMarkingLosses(const WCHAR *wide, char *narrow, int size);
