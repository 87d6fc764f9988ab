// What "/check" shares across its parts: the open script, where the script's lines stand in
// its file, the findings and the field readers that report what a run would not read.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include "check/Check.h"
#include "common/AsciiCase.h"
#include "common/Globals.h"
#include "engine/PathSet.h"
#include "script/ScriptLines.h"
#include "script/TargetDir.h"

enum class Severity { Error, Warning };

constexpr int kFindingTextSize = 512;  // one finding's text, NUL included; longer ones are cut
constexpr int kMaxFindings = 400;      // findings kept; the rest are only counted

struct Finding {
  int line;
  int order;  // the order of discovery, which sorting by line keeps
  Severity severity;
  char text[kFindingTextSize];
};

struct ScriptCheck {
  HINF inf;
  const char *shownName;           // the script as the user named it
  char mediaDir[kTargetDirSize];   // the script's folder with its backslash: the media
  ScriptMedia *media;              // where the media's files are noted, or NULL
  const char *text;                // the script's text as the narrow calls read it, for lines
  size_t textLength;
  const char *encoding;            // how the Setup API read it, in words; NULL: not opened
  Finding *findings;               // kMaxFindings of them
  int findingCount;
  int leftOutErrors;               // findings beyond kMaxFindings, only counted
  int leftOutWarnings;
};

// Where a finding stands: a line of a section (its index as the Setup API counts it), or the
// section's header (kSectionHeader).
struct Where {
  const char *section;
  int index;
};

inline Where At(const char *section, const INFCONTEXT &line) {
  return {section, static_cast<int>(line.Line)};
}
inline Where HeaderOf(const char *section) { return {section, kSectionHeader}; }

void Report(ScriptCheck *check, Where where, Severity severity, const char *format, ...)
    __attribute__((format(printf, 4, 5)));

// A finding at a file line given as it stands (0: none).
void ReportAtLine(ScriptCheck *check, int line, Severity severity, const char *format, ...)
    __attribute__((format(printf, 4, 5)));

enum class MediaUse { Copied, Read };  // a source that a run only copies, or any other file

// Notes a file of the media (a path below mediaDir, which is there) that a run reads, when
// the check collects them.
void NoteMediaFile(ScriptCheck *check, const char *path, MediaUse use);

// Writes the findings, sorted by line and each once, to the console and the log, then a
// summary line; returns the number of errors.
int WriteFindings(ScriptCheck *check);

// The index of key in a table of entries with a key member (compared without regard to
// case, as the Setup API compares keys), or -1.
template <typename Entry, int N>
int FindKey(const Entry (&table)[N], const char *key) {
  for (int i = 0; i < N; ++i)
    if (SameIgnoringCase(table[i].key, key)) return i;
  return -1;
}

// A line of a section with a key: the key's index in the caller's table (-1 when it is not
// there), and whether an earlier line of the section had the same key.
struct KeyedLine {
  Where where;
  INFCONTEXT *line;
  const char *key;
  int index;
  bool repeated;
};
using KeyFinder = int (*)(const char *key);
using KeyedLineVisitor = void (*)(ScriptCheck *check, const KeyedLine &line, void *data);

// Calls visit for every line of the section that has a key; returns the indexes met, as bits
// (a table has at most 32 keys).
unsigned ForEachKeyedLine(ScriptCheck *check, const char *section, KeyFinder find,
                          KeyedLineVisitor visit, void *data);

enum class FieldState { Missing, TooLong, Present };

// Reads a field as a run reads it into size bytes (buffer holds at least size): a field that
// does not fit is TooLong, and the buffer is then empty, as it is for a missing one.
FieldState ReadFieldAsRun(INFCONTEXT *line, DWORD field, char *buffer, DWORD size);

// As ReadFieldAsRun, and a field that does not fit is reported as an error naming what it
// holds.
FieldState ReadFieldReported(ScriptCheck *check, Where where, INFCONTEXT *line, DWORD field,
                             char *buffer, DWORD size, const char *what);

// The finding of a field that does not fit the size a run reads it into.
void ReportFieldTooLong(ScriptCheck *check, Where where, DWORD field, DWORD size,
                        const char *what);

// A field that the line cannot do without: a missing one is reported as well. True when the
// field is there and fits.
bool RequireField(ScriptCheck *check, Where where, INFCONTEXT *line, DWORD field,
                  char *buffer, DWORD size, const char *what);

// Whether text is a decimal number as a run reads it (ReadDecimal): blanks, a sign where one
// is allowed, and digits, nothing else.
bool IsDecimalText(const char *text, bool allowSign);
