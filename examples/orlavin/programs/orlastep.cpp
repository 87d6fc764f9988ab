// The Orlavin setup step: the program that the sample's "Exec" lines run. It appends one line
// to a log file and ends, so that a packager (or a test) can see which steps ran, in which
// order, from which directory, and which window handle the wizard passed in "%hwnd%":
//
//   orlastep.exe [/tag:TEXT] [/hwnd:HANDLE] [/log:PATH]
//
// Log line, fields separated by tabs:
//   tag  handle-as-given  owner-process-id  current-directory  argument-text
// The owner process id is the id of the process that owns the window named by /hwnd:
// (the running setup.exe when the handle is real), 0 when it names no window. The log is
// <Windows directory>\orlavin-steps.log unless /log: says otherwise: it lies outside the
// product's folder so that it outlives the removal it reports on.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

constexpr size_t kLineSize = 2048;
constexpr size_t kValueSize = MAX_PATH;
constexpr int kOpenAttempts = 100;
constexpr DWORD kRetryMs = 20;
constexpr char kLogName[] = "orlavin-steps.log";

// The command line after the program's own name.
const char *ArgumentText(const char *line) {
  if (*line == '"') {
    const char *end = strchr(line + 1, '"');
    line = end ? end + 1 : line + strlen(line);
  } else {
    while (*line && *line != ' ' && *line != '\t') ++line;
  }
  while (*line == ' ' || *line == '\t') ++line;
  return line;
}

// Copies the value of "/name:" among the blank-separated arguments; false when absent.
bool FindOption(const char *arguments, const char *name, char *value, size_t size) {
  size_t nameLength = strlen(name);
  for (const char *p = arguments; *p;) {
    while (*p == ' ' || *p == '\t') ++p;
    const char *end = p;
    while (*end && *end != ' ' && *end != '\t') ++end;
    if (static_cast<size_t>(end - p) >= nameLength && _strnicmp(p, name, nameLength) == 0) {
      size_t length = static_cast<size_t>(end - p) - nameLength;
      if (length >= size) length = size - 1;
      memcpy(value, p + nameLength, length);
      value[length] = '\0';
      return true;
    }
    p = end;
  }
  return false;
}

// The id of the process that owns the window written as text, 0 when it is no window.
DWORD WindowOwner(const char *handleText) {
  char *end = nullptr;
  unsigned long long value = strtoull(handleText, &end, 0);
  if (end == handleText || *end) return 0;
  HWND window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(value));
  if (!IsWindow(window)) return 0;
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process;
}

// Appends the text; a second step that writes at the same moment waits its turn.
void AppendLine(const char *path, const char *text) {
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
      CloseHandle(file);
      return;
    }
    Sleep(kRetryMs);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const char *arguments = ArgumentText(GetCommandLineA());

  char logPath[kValueSize] = "";
  if (!FindOption(arguments, "/log:", logPath, sizeof(logPath))) {
    UINT length = GetWindowsDirectoryA(logPath, sizeof(logPath));
    if (length == 0 || length + 1 + sizeof(kLogName) > sizeof(logPath)) return 1;
    snprintf(logPath + length, sizeof(logPath) - length, "\\%s", kLogName);
  }
  char tag[kValueSize] = "-";
  FindOption(arguments, "/tag:", tag, sizeof(tag));
  char handle[kValueSize] = "-";
  DWORD owner = 0;
  if (FindOption(arguments, "/hwnd:", handle, sizeof(handle))) owner = WindowOwner(handle);
  char directory[kValueSize] = "";
  GetCurrentDirectoryA(sizeof(directory), directory);

  char line[kLineSize];
  snprintf(line, sizeof(line), "%s\t%s\t%lu\t%s\t%.1500s\r\n", tag, handle,
           static_cast<unsigned long>(owner), directory, arguments);
  AppendLine(logPath, line);
  return 0;
}
