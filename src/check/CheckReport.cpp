#include "check/CheckReport.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "check/Check.h"
#include "common/Log.h"
#include "common/Platform.h"
#include "common/ScriptField.h"

namespace {

constexpr int kOutputLineSize = kFindingTextSize + kTargetDirSize + 32;

const char *SeverityName(Severity severity) {
  return severity == Severity::Error ? "error" : "warning";
}

int CompareFindings(const void *a, const void *b) {
  const Finding *left = static_cast<const Finding *>(a);
  const Finding *right = static_cast<const Finding *>(b);
  if (left->line != right->line) return left->line < right->line ? -1 : 1;
  return left->order - right->order;
}

// The same finding met again (several platforms choose one section): only the first counts.
bool RepeatsEarlier(const Finding *findings, int index) {
  for (int i = index - 1; i >= 0 && findings[i].line == findings[index].line; --i)
    if (findings[i].severity == findings[index].severity &&
        strcmp(findings[i].text, findings[index].text) == 0)
      return true;
  return false;
}

}  // namespace

// The console that started the program, where there is one: a program without a console of
// its own attaches to its parent's (the call exists from Windows XP on). Output that the
// parent redirected stays where it goes.
HANDLE ConsoleOutput() {
  using AttachConsoleProc = BOOL(WINAPI *)(DWORD);
  AttachConsoleProc attach =
      GetProcAs<AttachConsoleProc>(GetModuleHandleA("kernel32.dll"), "AttachConsole");
  if (attach) attach(ATTACH_PARENT_PROCESS);
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  return output == INVALID_HANDLE_VALUE ? nullptr : output;
}

void WriteOutputLine(HANDLE console, const char *text) {
  LogLine("%s", text);
  if (!console) return;
  char line[kOutputLineSize + 2];
  int length = snprintf(line, sizeof(line), "%s\r\n", text);
  if (length < 0 || length >= static_cast<int>(sizeof(line))) length = sizeof(line) - 1;
  DWORD written = 0;
  // A console shows its own code page, not the program's: it is given the characters. A file
  // or pipe gets the bytes of the narrow calls (UTF-8 where the system lets the program).
  WCHAR wide[sizeof(line)];
  DWORD mode = 0;
  int units = GetConsoleMode(console, &mode)
                  ? MultiByteToWideChar(CP_ACP, 0, line, length, wide, sizeof(line))
                  : 0;
  if (!units || !WriteConsoleW(console, wide, static_cast<DWORD>(units), &written, nullptr))
    WriteFile(console, line, static_cast<DWORD>(length), &written, nullptr);
}

namespace {

void AddFinding(ScriptCheck *check, int line, Severity severity, const char *format,
                va_list arguments) {
  if (check->findingCount == kMaxFindings) {
    ++(severity == Severity::Error ? check->leftOutErrors : check->leftOutWarnings);
    return;
  }
  Finding *finding = &check->findings[check->findingCount];
  finding->line = line;
  finding->order = check->findingCount++;
  finding->severity = severity;
  if (vsnprintf(finding->text, sizeof(finding->text), format, arguments) < 0)
    finding->text[0] = '\0';
}

}  // namespace

void Report(ScriptCheck *check, Where where, Severity severity, const char *format, ...) {
  va_list arguments;
  va_start(arguments, format);
  AddFinding(check, FindScriptLine(check->text, check->textLength, where.section, where.index),
             severity, format, arguments);
  va_end(arguments);
}

void NoteMediaFile(ScriptCheck *check, const char *path, MediaUse use) {
  size_t folder = strlen(check->mediaDir);
  if (!check->media || _strnicmp(path, check->mediaDir, folder) != 0 || !path[folder]) return;
  PathSetAppend(&check->media->files, path + folder);
  if (use == MediaUse::Read) PathSetAppend(&check->media->readAsFiles, path + folder);
}

void ReportAtLine(ScriptCheck *check, int line, Severity severity, const char *format, ...) {
  va_list arguments;
  va_start(arguments, format);
  AddFinding(check, line, severity, format, arguments);
  va_end(arguments);
}

int WriteFindings(ScriptCheck *check) {
  qsort(check->findings, static_cast<size_t>(check->findingCount), sizeof(Finding),
        CompareFindings);
  HANDLE console = ConsoleOutput();
  int counts[2] = {0, 0};
  char line[kOutputLineSize];
  for (int i = 0; i < check->findingCount; ++i) {
    const Finding &finding = check->findings[i];
    if (RepeatsEarlier(check->findings, i)) continue;
    ++counts[finding.severity == Severity::Error ? 0 : 1];
    if (finding.line > 0)
      snprintf(line, sizeof(line), "%s(%d): %s: %s", check->shownName, finding.line,
               SeverityName(finding.severity), finding.text);
    else
      snprintf(line, sizeof(line), "%s: %s: %s", check->shownName,
               SeverityName(finding.severity), finding.text);
    WriteOutputLine(console, line);
  }
  int leftOut = check->leftOutErrors + check->leftOutWarnings;
  if (leftOut > 0) {
    snprintf(line, sizeof(line), "%s: %d further findings are not shown", check->shownName,
             leftOut);
    WriteOutputLine(console, line);
    counts[0] += check->leftOutErrors;
    counts[1] += check->leftOutWarnings;
  }
  if (check->encoding) {
    snprintf(line, sizeof(line), "%s: read as %s", check->shownName, check->encoding);
    WriteOutputLine(console, line);
  }
  snprintf(line, sizeof(line), "%s: %d error(s), %d warning(s)", check->shownName, counts[0],
           counts[1]);
  WriteOutputLine(console, line);
  return counts[0];
}

FieldState ReadFieldAsRun(INFCONTEXT *line, DWORD field, char *buffer, DWORD size) {
  buffer[0] = '\0';
  DWORD needed = 0;
  if (!SetupGetStringFieldA(line, field, nullptr, 0, &needed)) return FieldState::Missing;
  if (needed > size) return FieldState::TooLong;
  return ReadField(line, field, buffer, size) ? FieldState::Present : FieldState::Missing;
}

FieldState ReadFieldReported(ScriptCheck *check, Where where, INFCONTEXT *line, DWORD field,
                             char *buffer, DWORD size, const char *what) {
  FieldState state = ReadFieldAsRun(line, field, buffer, size);
  if (state == FieldState::TooLong) ReportFieldTooLong(check, where, field, size, what);
  return state;
}

void ReportFieldTooLong(ScriptCheck *check, Where where, DWORD field, DWORD size,
                        const char *what) {
  Report(check, where, Severity::Error,
         "%s (field %lu) is longer than %lu bytes: a run treats it as missing", what,
         static_cast<unsigned long>(field), static_cast<unsigned long>(size - 1));
}

bool RequireField(ScriptCheck *check, Where where, INFCONTEXT *line, DWORD field,
                  char *buffer, DWORD size, const char *what) {
  FieldState state = ReadFieldReported(check, where, line, field, buffer, size, what);
  if (state == FieldState::Missing)
    Report(check, where, Severity::Error, "%s (field %lu) is missing: a run skips the line", what,
           static_cast<unsigned long>(field));
  return state == FieldState::Present;
}

unsigned ForEachKeyedLine(ScriptCheck *check, const char *section, KeyFinder find,
                          KeyedLineVisitor visit, void *data) {
  unsigned seen = 0;
  ForEachLine(check->inf, section, nullptr, [&](INFCONTEXT *line) {
    char key[kFieldSize];
    if (ReadFieldAsRun(line, 0, key, sizeof(key)) != FieldState::Present || !key[0]) return;
    int index = find(key);
    unsigned bit = index >= 0 ? 1u << index : 0;
    visit(check, {At(section, *line), line, key, index, (seen & bit) != 0}, data);
    seen |= bit;
  });
  return seen;
}

bool IsDecimalText(const char *text, bool allowSign) {
  while (*text == ' ' || *text == '\t') ++text;
  if (allowSign && (*text == '+' || *text == '-')) ++text;
  if (*text < '0' || *text > '9') return false;
  while (*text >= '0' && *text <= '9') ++text;
  while (*text == ' ' || *text == '\t') ++text;
  return *text == '\0';
}
