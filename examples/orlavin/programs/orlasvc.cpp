// The Orlavin call listener: the Windows service that the sample installs. It waits for
// calls (in this sample, for nothing) until the service manager stops it, and notes its state
// under HKLM\Software\Orlavin\Listener, value "State" ("listening" or "stopped"), so that one
// can see that the service manager really ran it.
#include <windows.h>

#include <stdio.h>

namespace {

constexpr char kServiceName[] = "OrlavinListener";
constexpr char kStateKey[] = "Software\\Orlavin\\Listener";
constexpr DWORD kWaitHintMs = 3000;

SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
HANDLE g_stopEvent = nullptr;
DWORD g_checkPoint = 0;

// Writes the state text; a missing key is created, since the setup may have removed it.
void NoteState(const char *state) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kStateKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(key, "State", 0, REG_SZ, reinterpret_cast<const BYTE *>(state),
                 static_cast<DWORD>(lstrlenA(state) + 1));
  RegCloseKey(key);
}

void Report(DWORD state) {
  SERVICE_STATUS status = {};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
  bool settled = state == SERVICE_RUNNING || state == SERVICE_STOPPED;
  status.dwCheckPoint = settled ? 0 : ++g_checkPoint;
  status.dwWaitHint = settled ? 0 : kWaitHintMs;
  SetServiceStatus(g_statusHandle, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, void *, void *) {
  switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
      Report(SERVICE_STOP_PENDING);
      SetEvent(g_stopEvent);
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
      return NO_ERROR;
    default:
      return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

void WINAPI ServiceMain(DWORD, char **) {
  g_statusHandle = RegisterServiceCtrlHandlerExA(kServiceName, Handler, nullptr);
  if (!g_statusHandle) return;
  Report(SERVICE_START_PENDING);
  NoteState("listening");
  Report(SERVICE_RUNNING);
  WaitForSingleObject(g_stopEvent, INFINITE);
  NoteState("stopped");
  Report(SERVICE_STOPPED);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  g_stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  char name[sizeof(kServiceName)];
  lstrcpynA(name, kServiceName, sizeof(name));
  SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
  // Started by hand instead of by the service manager: say so and end.
  if (!StartServiceCtrlDispatcherA(table)) {
    MessageBoxA(nullptr, "The Orlavin call listener runs as a Windows service.",
                "Orlavin Call Listener", MB_ICONINFORMATION);
    return 1;
  }
  return 0;
}
