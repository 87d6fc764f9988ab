// Line numbers and fields of a setup script's text: for messages that editors can follow, and
// for a field that the Setup API does not give back whole. The Setup API
// numbers the lines of a section from 0 and gives no file line; this counts them as it does:
// comments, blank lines and section headers are no lines, a backslash at the end of a line
// (outside quotes) carries the line on into the next, and sections of one name are one
// section. Free of windows.h so that it is tested and fuzzed natively.
#pragma once
#include <stddef.h>

constexpr int kSectionHeader = -1;  // the index that asks for a section's header line

// The file line (from 1) on which line index (from 0) of section begins, or the line of the
// section's first header for kSectionHeader; 0 when the text has no such line. Section names
// are compared without regard to case.
int FindScriptLine(const char *text, size_t length, const char *section, int index);

// Where line index (from 0) of section begins in the text, past its leading blanks; NULL when
// the text has no such line.
const char *FindScriptLineText(const char *text, size_t length, const char *section, int index);

// Field `field` of the script line that begins at line (field 0 is the key of a line with "=";
// in a line without one, the first value is field 1), as it stands in the text: quotes taken
// away, a doubled quote inside quotes read as one, the blanks around it dropped, continued lines
// joined. Writes at most size - 1 characters and the NUL into buffer and returns the field's
// whole length, or -1 when the line has no such field. *percent tells whether it holds a "%",
// which the Setup API would read as the start of a substitution.
long ScriptLineField(const char *line, const char *end, unsigned field, char *buffer,
                     size_t size, bool *percent);

// Calls visit with the name of every section header of the text (its text between "[" and
// "]"), in file order, as the Setup API sees the headers.
using SectionNameVisitor = void (*)(const char *name, size_t length, void *data);
void ForEachSectionName(const char *text, size_t length, SectionNameVisitor visit, void *data);
