// The setup script's own text, for what the Setup API does not give back as it stands: Wine's
// keeps no more than 511 characters of a field and drops the rest without a word, where the
// program promises more (a product description holds up to 1,023).
#pragma once
#include <windows.h>
#include <setupapi.h>

#include <stddef.h>

#include "common/Guards.h"

// The text in the code page of the "A" calls: the file's bytes, or its UTF-16 or UTF-8 (with a
// byte-order mark) converted.
struct ScriptText {
  HeapGuard block;
  const char *text = "";
  size_t length = 0;
};

// Reads the script at path; false, with an empty text, when it cannot or when it is larger
// than 16 MiB.
bool LoadScriptText(const char *path, ScriptText *script);

// Field `field` of line, a line of section, into buffer as ReadField reads it; a field that
// the Setup API gives back at the length where Wine's cuts it is read from the script's text
// instead, unless it holds a substitution, which only the Setup API can replace. text and
// length give the script's text; a NULL text reads setup.inf beside the program when needed.
// Returns the field's size with its NUL: more than size when it does not fit (the buffer is
// then empty, as for a missing field), 0 when it is missing.
DWORD ReadLongField(INFCONTEXT *line, const char *section, DWORD field, char *buffer,
                    DWORD size, const char *text = nullptr, size_t length = 0);
