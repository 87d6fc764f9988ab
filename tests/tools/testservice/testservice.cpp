// A real Windows service for the service tests. Started by the service manager with
//
//   testservice.exe <name> [/log:<file>] [/startdelay:<ms>] [/stopdelay:<ms>]
//
// it reports SERVICE_START_PENDING, waits startdelay, reports SERVICE_RUNNING, and on
// SERVICE_CONTROL_STOP reports SERVICE_STOP_PENDING, waits stopdelay and reports
// SERVICE_STOPPED. With /log it appends one line per event to the file ("start", "running",
// "control <n>" for every control received, "stopped"), so a test can see what happened and
// in which order. A stop delay beyond the caller's patience plays a service that does not
// stop in time.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

constexpr size_t kTextSize = 260;

char g_name[kTextSize] = "testservice";
char g_logPath[kTextSize] = "";
DWORD g_startDelayMs = 0;
DWORD g_stopDelayMs = 0;
SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
HANDLE g_stopEvent = nullptr;
DWORD g_checkPoint = 0;

void Log(const char *line) {
  if (!g_logPath[0]) return;
  HANDLE file = CreateFileA(g_logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  char text[kTextSize];
  int len = snprintf(text, sizeof(text), "%s\r\n", line);
  DWORD written = 0;
  if (len > 0) WriteFile(file, text, static_cast<DWORD>(len), &written, nullptr);
  CloseHandle(file);
}

void Report(DWORD state, DWORD waitHintMs) {
  SERVICE_STATUS status = {};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
  status.dwCheckPoint = (state == SERVICE_RUNNING || state == SERVICE_STOPPED) ? 0 : ++g_checkPoint;
  status.dwWaitHint = waitHintMs;
  SetServiceStatus(g_statusHandle, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, void *, void *) {
  char line[kTextSize];
  snprintf(line, sizeof(line), "control %lu", static_cast<unsigned long>(control));
  Log(line);
  if (control == SERVICE_CONTROL_STOP) {
    Report(SERVICE_STOP_PENDING, g_stopDelayMs + 1000);
    SetEvent(g_stopEvent);
  }
  return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, char **) {
  g_statusHandle = RegisterServiceCtrlHandlerExA(g_name, Handler, nullptr);
  if (!g_statusHandle) return;
  Log("start");
  Report(SERVICE_START_PENDING, g_startDelayMs + 1000);
  Sleep(g_startDelayMs);
  Report(SERVICE_RUNNING, 0);
  Log("running");
  WaitForSingleObject(g_stopEvent, INFINITE);
  Sleep(g_stopDelayMs);
  Log("stopped");
  Report(SERVICE_STOPPED, 0);
}

// Takes the value of "/option:value" when arg starts with prefix.
bool Option(const char *arg, const char *prefix, const char **value) {
  size_t len = strlen(prefix);
  if (_strnicmp(arg, prefix, len) != 0) return false;
  *value = arg + len;
  return true;
}

void CopyText(char *to, const char *from) {
  snprintf(to, kTextSize, "%s", from);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc >= 2) CopyText(g_name, argv[1]);
  for (int i = 2; i < argc; ++i) {
    const char *value = nullptr;
    if (Option(argv[i], "/log:", &value))
      CopyText(g_logPath, value);
    else if (Option(argv[i], "/startdelay:", &value))
      g_startDelayMs = strtoul(value, nullptr, 10);
    else if (Option(argv[i], "/stopdelay:", &value))
      g_stopDelayMs = strtoul(value, nullptr, 10);
  }
  g_stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  SERVICE_TABLE_ENTRYA table[] = {{g_name, ServiceMain}, {nullptr, nullptr}};
  if (!StartServiceCtrlDispatcherA(table)) {
    fprintf(stderr, "testservice: not started by the service manager (error %lu)\n",
            static_cast<unsigned long>(GetLastError()));
    return 1;
  }
  return 0;
}
