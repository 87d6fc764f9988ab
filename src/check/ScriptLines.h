// Line numbers of a setup script's text, for messages that editors can follow. The Setup API
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

// Calls visit with the name of every section header of the text (its text between "[" and
// "]"), in file order, as the Setup API sees the headers.
using SectionNameVisitor = void (*)(const char *name, size_t length, void *data);
void ForEachSectionName(const char *text, size_t length, SectionNameVisitor visit, void *data);
