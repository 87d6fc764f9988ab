// How the setup script's bytes become text. Every Setup API reads plain ASCII and UTF-16 the
// same way; where the narrow calls use UTF-8, any other script is handed to it as a UTF-16
// copy, decoded as it was saved: UTF-8, with or without a byte-order mark, else the system's
// own ANSI code page, in which a script of an older system was written. Elsewhere the Setup
// API reads the script itself, in the system's code page.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include <stddef.h>

#include "common/Globals.h"
#include "common/Guards.h"

enum class ScriptEncoding { Unread, Ascii, Utf16, Utf8Marked, Utf8, CodePage };

struct ScriptReading {
  ScriptEncoding encoding;
  UINT codePage;   // of CodePage: the one the text was read in
  bool converted;  // the Setup API read a UTF-16 copy
};

// Opens the script at path as a run reads it, and says how in *reading. INVALID_HANDLE_VALUE
// when the Setup API cannot open it, with the faulty line in *errorLine (0: none), counted as
// in the file.
HINF OpenScriptFile(const char *path, UINT *errorLine, ScriptReading *reading);

// The script's text as the narrow calls see what the Setup API read, for counting its lines
// and for what the Setup API does not give back as it stands: Wine's keeps no more than 511
// characters of a field and drops the rest without a word, where the program promises more (a
// product description holds up to 1,023).
struct ScriptText {
  HeapGuard block;
  const char *text = "";
  size_t length = 0;
};

// Reads the script at path, and says how in *reading when it is given; false, with an empty
// text, when it cannot or when it is larger than 16 MiB.
bool LoadScriptText(const char *path, ScriptText *script, ScriptReading *reading = nullptr);

// Field `field` of line, a line of section, into buffer as ReadField reads it; a field that
// the Setup API gives back at the length where Wine's cuts it is read from the script's text
// instead, unless it holds a substitution, which only the Setup API can replace. text and
// length give the script's text; a NULL text reads setup.inf beside the program when needed.
// Returns the field's size with its NUL: more than size when it does not fit (the buffer is
// then empty, as for a missing field), 0 when it is missing.
DWORD ReadLongField(INFCONTEXT *line, const char *section, DWORD field, char *buffer,
                    DWORD size, const char *text = nullptr, size_t length = 0);

// "UTF-8", "code page 1252", ...: the encoding in words.
void DescribeEncoding(const ScriptReading &reading, char (&text)[kFieldSize]);
