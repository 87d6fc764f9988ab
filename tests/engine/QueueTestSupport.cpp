#include "engine/QueueTestSupport.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include "engine/SectionRunner.h"
#include "script/TargetDir.h"

namespace {

constexpr char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingValue[] = "PendingFileRenameOperations";
constexpr char kNtPrefix[] = "\\??\\";
constexpr DWORD kHolderStartMs = 20000;

HKEY OpenSessionManager() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_READ | KEY_WRITE, &key) !=
      ERROR_SUCCESS)
    return nullptr;
  return key;
}

std::vector<char> ReadPending(HKEY key, bool *had, DWORD *type) {
  std::vector<char> data;
  DWORD size = 0;
  *had = RegQueryValueExA(key, kPendingValue, nullptr, type, nullptr, &size) == ERROR_SUCCESS;
  if (!*had) return data;
  data.resize(size + 2);
  size = static_cast<DWORD>(data.size());
  RegQueryValueExA(key, kPendingValue, nullptr, type, reinterpret_cast<BYTE *>(data.data()), &size);
  data.resize(size);
  return data;
}

}  // namespace

ScriptMedia::ScriptMedia() {
  GetCurrentDirectoryA(sizeof(savedDirectory_), savedDirectory_);
  SetCurrentDirectoryA(media_.path().c_str());
}

ScriptMedia::~ScriptMedia() {
  script_.reset();
  SetCurrentDirectoryA(savedDirectory_);
}

bool ScriptMedia::Open(const std::string &body) {
  script_.reset(new TestScript(media_, body));
  return script_->ok() && SetupSetDirectoryIdA(inf(), kTargetDirId, target_.path().c_str());
}

void ScriptMedia::WriteSource(const std::string &name, const std::string &text) const {
  WriteTextFile(media_ / name, text);
}

DefaultQueueCallback::DefaultQueueCallback()
    : window_(CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr)),
      context_(SetupInitDefaultQueueCallbackEx(window_, window_, WM_SETUP_PROGRESS, 0, nullptr)) {}

DefaultQueueCallback::~DefaultQueueCallback() {
  SetupTermDefaultQueueCallback(context_);
  DestroyWindow(window_);
}

BOOL CommitSection(HINF inf, const char *section, QueueCallbackContext *context,
                   PSP_FILE_CALLBACK_A callback, void *callbackData, DWORD *error) {
  HSPFILEQ queue = SetupOpenFileQueue();
  EXPECT_NE(queue, INVALID_HANDLE_VALUE);
  BOOL ok = SetupInstallFilesFromInfSectionA(inf, nullptr, queue, section, ".", SP_COPY_NEWER);
  EXPECT_TRUE(ok) << section << " error " << GetLastError();
  DefaultQueueCallback progress;
  context->defaultContext = progress.context();
  BOOL committed = SetupCommitFileQueueA(progress.window(), queue, callback,
                                         callbackData ? callbackData : context);
  if (error) *error = GetLastError();
  SetupCloseFileQueue(queue);
  return committed;
}

PendingRenamesGuard::PendingRenamesGuard() {
  HKEY key = OpenSessionManager();
  if (!key) return;
  data_ = ReadPending(key, &had_, &type_);
  RegDeleteValueA(key, kPendingValue);
  RegCloseKey(key);
}

PendingRenamesGuard::~PendingRenamesGuard() {
  HKEY key = OpenSessionManager();
  if (!key) return;
  if (had_)
    RegSetValueExA(key, kPendingValue, 0, type_, reinterpret_cast<const BYTE *>(data_.data()),
                   static_cast<DWORD>(data_.size()));
  else
    RegDeleteValueA(key, kPendingValue);
  RegCloseKey(key);
}

std::vector<std::string> PendingRenames() {
  std::vector<std::string> entries;
  HKEY key = OpenSessionManager();
  if (!key) return entries;
  bool had = false;
  DWORD type = 0;
  std::vector<char> data = ReadPending(key, &had, &type);
  RegCloseKey(key);
  // Pairs of texts; an empty target is an empty text, so the list is read pair by pair.
  size_t at = 0;
  while (at < data.size() && data[at]) {
    std::string source(data.data() + at);
    at += source.size() + 1;
    std::string target = at < data.size() ? std::string(data.data() + at) : std::string();
    at += target.size() + 1;
    entries.push_back(source);
    entries.push_back(target);
  }
  return entries;
}

std::vector<std::string> PendingDeletions() {
  std::vector<std::string> deletions;
  std::vector<std::string> entries = PendingRenames();
  for (size_t i = 0; i + 1 < entries.size(); i += 2) {
    if (!entries[i + 1].empty()) continue;
    std::string path = entries[i];
    if (path.compare(0, sizeof(kNtPrefix) - 1, kNtPrefix) == 0) path.erase(0, sizeof(kNtPrefix) - 1);
    deletions.push_back(path);
  }
  return deletions;
}

void ClearPendingRenames() {
  HKEY key = OpenSessionManager();
  if (!key) return;
  RegDeleteValueA(key, kPendingValue);
  RegCloseKey(key);
}

std::string WininitGuard::Path() {
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, sizeof(windows));
  return std::string(windows) + "\\wininit.ini";
}

WininitGuard::WininitGuard() {
  had_ = FileExists(Path());
  if (had_) text_ = ReadTextFile(Path());
  DeleteFileA(Path().c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, Path().c_str());
}

WininitGuard::~WininitGuard() {
  if (had_)
    WriteWininit(text_);
  else
    DeleteFileA(Path().c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, Path().c_str());
}

void WriteWininit(const std::string &text) {
  WriteTextFile(WininitGuard::Path(), text);
  // Drops the profile cache, so that the next read sees the file as written.
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, WininitGuard::Path().c_str());
}

std::vector<std::string> WininitRenameLines() {
  std::vector<std::string> lines;
  std::string text = ReadTextFile(WininitGuard::Path());
  bool inRename = false;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line[0] == '[') {
      inRename = _stricmp(line.c_str(), "[Rename]") == 0;
      continue;
    }
    if (inRename) lines.push_back(line);
  }
  return lines;
}

FileHolder::FileHolder(const std::vector<std::string> &files) {
  char readyName[64], quitName[64];
  static LONG counter;
  LONG id = InterlockedIncrement(&counter);
  snprintf(readyName, sizeof(readyName), "engine-holder-ready-%lu-%ld", GetCurrentProcessId(), id);
  snprintf(quitName, sizeof(quitName), "engine-holder-quit-%lu-%ld", GetCurrentProcessId(), id);
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, readyName);
  quit_ = CreateEventA(nullptr, TRUE, FALSE, quitName);
  std::string line = "\"" + BinaryPath("tests/tools/holder/holder.exe") + "\" " + readyName + " " +
                     quitName;
  for (const std::string &file : files) line += " \"" + file + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &process_)) {
    CloseHandle(process_.hThread);
    HANDLE waits[] = {ready, process_.hProcess};
    holding_ = WaitForMultipleObjects(2, waits, FALSE, kHolderStartMs) == WAIT_OBJECT_0;
  }
  CloseHandle(ready);
}

FileHolder::~FileHolder() { Release(); }

void FileHolder::Release() {
  if (process_.hProcess) {
    SetEvent(quit_);
    if (WaitForSingleObject(process_.hProcess, kHolderStartMs) != WAIT_OBJECT_0)
      TerminateProcess(process_.hProcess, 1);
    WaitForSingleObject(process_.hProcess, kHolderStartMs);
    CloseHandle(process_.hProcess);
    process_.hProcess = nullptr;
  }
  if (quit_) CloseHandle(quit_);
  quit_ = nullptr;
  holding_ = false;
}

std::string FullPath(const std::string &path) {
  char full[MAX_PATH] = {};
  GetLongPathNameA(path.c_str(), full, sizeof(full));
  return full;
}

namespace {

constexpr DWORD kServiceWaitMs = 10000;
constexpr DWORD kServicePollMs = 50;

bool WaitForState(SC_HANDLE service, DWORD wanted) {
  for (DWORD waited = 0; waited < kServiceWaitMs; waited += kServicePollMs) {
    SERVICE_STATUS status = {};
    if (!QueryServiceStatus(service, &status)) return false;
    if (status.dwCurrentState == wanted) return true;
    Sleep(kServicePollMs);
  }
  return false;
}

}  // namespace

std::string TestService::Command(const std::string &name, const std::string &options) {
  return "\"" + BinaryPath("tests/tools/testservice/testservice.exe") + "\" " + name +
         (options.empty() ? "" : " " + options);
}

TestService::TestService(const std::string &name, const std::string &options) : name_(name) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return;
  SC_HANDLE service = CreateServiceA(manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                     SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                     SERVICE_ERROR_IGNORE, Command(name, options).c_str(), nullptr,
                                     nullptr, nullptr, nullptr, nullptr);
  created_ = service != nullptr;
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
}

TestService::TestService(const std::string &name) : name_(name) {}

bool TestService::Start() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return false;
  bool running = false;
  SC_HANDLE service = OpenServiceA(manager, name_.c_str(), SERVICE_ALL_ACCESS);
  if (service) {
    running = StartServiceA(service, 0, nullptr) && WaitForState(service, SERVICE_RUNNING);
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  return running;
}

TestService::~TestService() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return;
  SC_HANDLE service = OpenServiceA(manager, name_.c_str(), SERVICE_ALL_ACCESS);
  if (service) {
    SERVICE_STATUS status = {};
    if (QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED) {
      ControlService(service, SERVICE_CONTROL_STOP, &status);
      WaitForState(service, SERVICE_STOPPED);
    }
    DeleteService(service);
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
}

DWORD ServiceState(const std::string &name) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return 0;
  DWORD state = 0;
  SC_HANDLE service = OpenServiceA(manager, name.c_str(), SERVICE_QUERY_STATUS);
  if (service) {
    SERVICE_STATUS status = {};
    if (QueryServiceStatus(service, &status)) state = status.dwCurrentState;
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  return state;
}

namespace {

void WriteSlot(void **slot, void *value) {
  DWORD protection = 0;
  VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection);
  *slot = value;
  VirtualProtect(slot, sizeof(*slot), protection, &protection);
}

}  // namespace

ImportPatch::ImportPatch(const char *dll, const char *function, void *replacement) {
  BYTE *base = reinterpret_cast<BYTE *>(GetModuleHandleA(nullptr));
  HMODULE library = GetModuleHandleA(dll);
  if (!library) return;
  original_ = reinterpret_cast<void *>(GetProcAddress(library, function));
  if (!original_) return;
  IMAGE_DOS_HEADER *dos = reinterpret_cast<IMAGE_DOS_HEADER *>(base);
  IMAGE_NT_HEADERS *nt = reinterpret_cast<IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
  IMAGE_DATA_DIRECTORY &directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  IMAGE_IMPORT_DESCRIPTOR *import =
      reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + directory.VirtualAddress);
  for (; directory.VirtualAddress && import->Name; ++import) {
    if (_stricmp(reinterpret_cast<char *>(base + import->Name), dll) != 0) continue;
    void **slot = reinterpret_cast<void **>(base + import->FirstThunk);
    for (; *slot; ++slot) {
      if (*slot != original_) continue;
      WriteSlot(slot, replacement);
      slot_ = slot;
      return;
    }
  }
}

ImportPatch::~ImportPatch() {
  if (slot_) WriteSlot(slot_, original_);
}
