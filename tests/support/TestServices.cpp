#include "support/TestServices.h"

#include <stdio.h>

#include "support/TestSupport.h"

namespace {

constexpr DWORD kStopWaitMs = 3000;
constexpr DWORD kStartWaitMs = 10000;
constexpr DWORD kPollMs = 50;

DWORD WaitForState(SC_HANDLE service, DWORD state, DWORD timeoutMs) {
  SERVICE_STATUS status = {};
  for (DWORD waited = 0;; waited += kPollMs) {
    if (!QueryServiceStatus(service, &status)) return 0;
    if (status.dwCurrentState == state || waited >= timeoutMs) return status.dwCurrentState;
    Sleep(kPollMs);
  }
}

}  // namespace

std::string UniqueServiceName(const char *tag) {
  static int counter;
  std::string version = EmulatedVersion();
  char name[128];
  snprintf(name, sizeof(name), "SetupTest-%s-%s-%lu-%d", tag, version.empty() ? "nt" : version.c_str(),
           GetCurrentProcessId(), ++counter);
  return name;
}

std::string TestServiceCommand(const std::string &name, const std::string &options) {
  std::string command = BinaryPath("tests/tools/testservice/testservice.exe") + " " + name;
  if (!options.empty()) command += " " + options;
  return command;
}

ServiceGuard::~ServiceGuard() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return;
  SC_HANDLE service = OpenServiceA(manager, name_.c_str(), SERVICE_ALL_ACCESS);
  if (service) {
    SERVICE_STATUS_PROCESS process = {};
    DWORD needed = 0;
    QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE *>(&process),
                         sizeof(process), &needed);
    if (process.dwCurrentState != SERVICE_STOPPED && process.dwCurrentState != 0) {
      SERVICE_STATUS status;
      bool stopping = ControlService(service, SERVICE_CONTROL_STOP, &status) != FALSE;
      if ((!stopping || WaitForState(service, SERVICE_STOPPED, kStopWaitMs) != SERVICE_STOPPED) &&
          process.dwProcessId) {
        // A service made to be slow ends the hard way. (Wine's service manager then still
        // shows it pending, but deletes it with the rest of its state when the session ends.)
        HANDLE handle = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process.dwProcessId);
        if (handle) {
          TerminateProcess(handle, 1);
          WaitForSingleObject(handle, kStopWaitMs);
          CloseHandle(handle);
        }
      }
    }
    DeleteService(service);
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
}

bool CreateTestService(const std::string &name, const std::string &command) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return false;
  SC_HANDLE service = CreateServiceA(manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                     SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                     SERVICE_ERROR_NORMAL, command.c_str(), nullptr, nullptr,
                                     nullptr, nullptr, nullptr);
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return service != nullptr;
}

bool StartTestService(const std::string &name) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return false;
  bool running = false;
  SC_HANDLE service = OpenServiceA(manager, name.c_str(), SERVICE_ALL_ACCESS);
  if (service) {
    running = StartServiceA(service, 0, nullptr) &&
              WaitForState(service, SERVICE_RUNNING, kStartWaitMs) == SERVICE_RUNNING;
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  return running;
}

bool ServiceExists(const std::string &name) { return ServiceState(name) != 0; }

DWORD ServiceState(const std::string &name) {
  DWORD state = 0;
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return 0;
  SC_HANDLE service = OpenServiceA(manager, name.c_str(), SERVICE_QUERY_STATUS);
  if (service) {
    SERVICE_STATUS status = {};
    if (QueryServiceStatus(service, &status)) state = status.dwCurrentState;
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  return state;
}
