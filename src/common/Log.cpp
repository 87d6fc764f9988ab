#include "common/Log.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "common/CodePage.h"
#include "common/SystemText.h"
#include "common/Utf8Text.h"

namespace {

constexpr int kLineSize = 2048;  // a line's text with its NUL; a longer text is cut and marked
constexpr char kCutMark[] = "...";
constexpr char kLineEnd[] = "\r\n";

HANDLE g_logFile = INVALID_HANDLE_VALUE;

// Appends the formatted text at used; a text that does not fit is cut and marked.
int AppendFormatted(char *line, int used, const char *format, va_list arguments) {
  int room = kLineSize - used;
  int written = _vsnprintf(line + used, static_cast<size_t>(room), format, arguments);
  if (written >= 0 && written < room) return used + written;
  // The mark replaces the text's end, never a part of a character.
  size_t cut = CharacterCut(line, kLineSize - sizeof(kCutMark));
  memcpy(line + cut, kCutMark, sizeof(kCutMark));
  return static_cast<int>(cut + sizeof(kCutMark) - 1);
}

int AppendText(char *line, int used, const char *text) {
  int length = static_cast<int>(strlen(text));
  if (length > kLineSize - 1 - used)
    length = static_cast<int>(CharacterCut(text, static_cast<size_t>(kLineSize - 1 - used)));
  memcpy(line + used, text, static_cast<size_t>(length));
  line[used + length] = '\0';
  return used + length;
}

int AppendTimeStamp(char *line) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return snprintf(line, kLineSize, "%04u-%02u-%02u %02u:%02u:%02u.%03u ", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
}

// One WriteFile per line: the handle appends, so lines of two threads never interleave.
// The buffer has room for the line end behind kLineSize. The log is UTF-8 whatever code page
// the narrow calls use: a line of another one is converted first.
void WriteLine(char *line, int used) {
  memcpy(line + used, kLineEnd, sizeof(kLineEnd));
  const char *text = line;
  int length = used + static_cast<int>(sizeof(kLineEnd)) - 1;
  constexpr int kWideSize = kLineSize + sizeof(kLineEnd);
  WCHAR wide[kWideSize];
  char utf8[3 * kWideSize];
  if (!NarrowCallsUseUtf8()) {
    int units = MultiByteToWideChar(CP_ACP, 0, line, length, wide, kWideSize);
    int converted =
        units ? WideCharToMultiByte(CP_UTF8, 0, wide, units, utf8, sizeof(utf8), nullptr, nullptr)
              : 0;
    if (converted) {
      text = utf8;
      length = converted;
    }
  }
  DWORD written = 0;
  WriteFile(g_logFile, text, static_cast<DWORD>(length), &written, nullptr);
}

// The system's text without its line end, which a log line has of its own.
void CutLineEnd(char *text) {
  size_t length = strlen(text);
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' ||
                        text[length - 1] == ' '))
    text[--length] = '\0';
}

}  // namespace

bool OpenLog(const char *path) {
  CloseLog();
  g_logFile = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return g_logFile != INVALID_HANDLE_VALUE;
}

void CloseLog() {
  if (g_logFile == INVALID_HANDLE_VALUE) return;
  CloseHandle(g_logFile);
  g_logFile = INVALID_HANDLE_VALUE;
}

bool LogEnabled() { return g_logFile != INVALID_HANDLE_VALUE; }

namespace {

// The time stamp and the formatted text; the caller adds to it and writes it. Keeps the
// thread's last error for the caller.
int StartLine(char *line, const char *format, va_list arguments) {
  return AppendFormatted(line, AppendTimeStamp(line), format, arguments);
}

}  // namespace

void LogLine(const char *format, ...) {
  if (!LogEnabled()) return;
  DWORD error = GetLastError();
  char line[kLineSize + sizeof(kLineEnd)];
  va_list arguments;
  va_start(arguments, format);
  int used = StartLine(line, format, arguments);
  va_end(arguments);
  WriteLine(line, used);
  SetLastError(error);
}

void LogFailure(DWORD error, const char *format, ...) {
  if (!LogEnabled()) return;
  char line[kLineSize + sizeof(kLineEnd)];
  va_list arguments;
  va_start(arguments, format);
  int used = StartLine(line, format, arguments);
  va_end(arguments);
  SystemText system(error);
  if (system.get()) CutLineEnd(system.get());
  char number[32];
  snprintf(number, sizeof(number), " (error %lu)", static_cast<unsigned long>(error));
  used = AppendText(line, used, ": ");
  used = AppendText(line, used, system.get() ? system.get() : "unknown error");
  used = AppendText(line, used, number);
  WriteLine(line, used);
  SetLastError(error);
}
