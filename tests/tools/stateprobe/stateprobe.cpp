// Notes what the machine looks like at the moment it runs, for tests that check the order of
// an install run's steps from programs started in the middle of it.
//
//   stateprobe.exe <log file> <tag> <check>...
//   stateprobe.exe <log file> <tag> @<file of checks, one a line>
//
// Appends one line to the log: the tag, then one word per check, blank-separated:
//   file:PATH   1 if the file or directory exists, else 0
//   key:ROOT\SUBKEY   1 if the registry key exists (ROOT is HKCU or HKLM), else 0
//   svc:NAME    the service's current state (1 stopped .. 4 running), or 0 if it is missing
#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace {

constexpr size_t kLineSize = 2048;
constexpr int kOpenAttempts = 250;
constexpr DWORD kRetryMs = 20;
constexpr int kFirstCheck = 3;
constexpr size_t kCheckSize = 512;

int FileCheck(const char *path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

int KeyCheck(const char *path) {
  HKEY root = nullptr;
  if (_strnicmp(path, "HKCU\\", 5) == 0) root = HKEY_CURRENT_USER;
  if (_strnicmp(path, "HKLM\\", 5) == 0) root = HKEY_LOCAL_MACHINE;
  if (!root) return 0;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path + 5, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  RegCloseKey(key);
  return 1;
}

int ServiceCheck(const char *name) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return 0;
  int state = 0;
  SC_HANDLE service = OpenServiceA(manager, name, SERVICE_QUERY_STATUS);
  if (service) {
    SERVICE_STATUS status = {};
    if (QueryServiceStatus(service, &status)) state = static_cast<int>(status.dwCurrentState);
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  return state;
}

int Check(const char *check) {
  if (strncmp(check, "file:", 5) == 0) return FileCheck(check + 5);
  if (strncmp(check, "key:", 4) == 0) return KeyCheck(check + 4);
  if (strncmp(check, "svc:", 4) == 0) return ServiceCheck(check + 4);
  return -1;
}

// Other programs of a test append to the same log; appends do not overwrite each other.
bool AppendLine(const char *path, const char *line) {
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, line, static_cast<DWORD>(strlen(line)), &written, nullptr);
      CloseHandle(file);
      return true;
    }
    Sleep(kRetryMs);
  }
  return false;
}

size_t AppendCheck(char *line, size_t used, size_t size, const char *check) {
  if (used >= size) return used;
  int n = snprintf(line + used, size - used, " %d", Check(check));
  return n > 0 ? used + static_cast<size_t>(n) : used;
}

// Checks listed in a file keep a long list off the command line.
size_t AppendChecksOfFile(char *line, size_t used, size_t size, const char *path) {
  FILE *list = fopen(path, "r");
  if (!list) return used;
  char check[kCheckSize];
  while (fgets(check, sizeof(check), list)) {
    check[strcspn(check, "\r\n")] = '\0';
    if (check[0]) used = AppendCheck(line, used, size, check);
  }
  fclose(list);
  return used;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < kFirstCheck) return 1;
  char line[kLineSize];
  size_t used = static_cast<size_t>(snprintf(line, sizeof(line), "%s", argv[2]));
  for (int i = kFirstCheck; i < argc; ++i)
    used = argv[i][0] == '@' ? AppendChecksOfFile(line, used, sizeof(line), argv[i] + 1)
                             : AppendCheck(line, used, sizeof(line), argv[i]);
  if (used + 3 > sizeof(line)) return 1;
  memcpy(line + used, "\r\n", 3);
  return AppendLine(argv[1], line) ? 0 : 1;
}
