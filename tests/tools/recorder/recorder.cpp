// Records how it was started: appends one line "tag<TAB>working directory<TAB>argument text"
// to a log file, then exits. The tests start it through the code under test and read the log
// to see what the program received, whether the caller waited, and in which order programs ran.
//
// Options, anywhere among the arguments (they are recorded too):
//   /log:PATH    the log file (else the environment variable RECORDER_LOG)
//   /tag:TEXT    the first column (else the environment variable RECORDER_TAG, else "-")
//   /sleep:MS    wait this long before recording (else the environment variable RECORDER_SLEEP)
//   /until:PATH  wait until this file exists (at most 60 s) before recording
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

constexpr DWORD kUntilLimitMs = 60000;
constexpr DWORD kPollMs = 20;
constexpr int kOpenAttempts = 250;
constexpr size_t kTextSize = 2048;

// The command line after the program's own name: the argument text as the caller passed it.
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

// The value of the option "/name:" among the blank-separated arguments, copied into value.
bool FindOption(const char *arguments, const char *name, char *value, size_t size) {
  size_t nameLength = strlen(name);
  for (const char *p = arguments; *p;) {
    while (*p == ' ' || *p == '\t') ++p;
    const char *end = p;
    while (*end && *end != ' ' && *end != '\t') ++end;
    if (static_cast<size_t>(end - p) > nameLength && _strnicmp(p, name, nameLength) == 0) {
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

void AppendLine(const char *logPath, const char *text) {
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    HANDLE file = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
      CloseHandle(file);
      return;
    }
    Sleep(kPollMs);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const char *arguments = ArgumentText(GetCommandLineA());

  char value[MAX_PATH];
  if (FindOption(arguments, "/sleep:", value, sizeof(value)) ||
      GetEnvironmentVariableA("RECORDER_SLEEP", value, sizeof(value)))
    Sleep(strtoul(value, nullptr, 10));
  if (FindOption(arguments, "/until:", value, sizeof(value))) {
    for (DWORD waited = 0; waited < kUntilLimitMs; waited += kPollMs) {
      if (GetFileAttributesA(value) != INVALID_FILE_ATTRIBUTES) break;
      Sleep(kPollMs);
    }
  }

  char logPath[MAX_PATH] = "";
  if (!FindOption(arguments, "/log:", logPath, sizeof(logPath)) &&
      !GetEnvironmentVariableA("RECORDER_LOG", logPath, sizeof(logPath)))
    return 1;
  char tag[MAX_PATH] = "-";
  if (!FindOption(arguments, "/tag:", tag, sizeof(tag)) &&
      !GetEnvironmentVariableA("RECORDER_TAG", tag, sizeof(tag)))
    strcpy(tag, "-");
  char directory[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof(directory), directory);

  char line[kTextSize];
  snprintf(line, sizeof(line), "%s\t%s\t%.1500s\r\n", tag, directory, arguments);
  AppendLine(logPath, line);
  return 0;
}
