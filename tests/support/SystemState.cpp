#include "support/SystemState.h"

#include <stdio.h>
#include <string.h>

#include "support/TestSupport.h"

namespace {

constexpr char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingValue[] = "PendingFileRenameOperations";
constexpr char kNtPrefix[] = "\\??\\";
constexpr DWORD kHolderStartMs = 20000;
constexpr char kUninstallRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr int kValueSize = 1024;

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

std::string UninstallValue(const std::string &key, const char *value) {
  HKEY handle;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kUninstallRoot + key).c_str(), 0, KEY_READ, &handle))
    return "<no entry>";
  char text[kValueSize] = {};
  DWORD size = sizeof(text) - 1;
  DWORD type = REG_NONE;
  LONG result = RegQueryValueExA(handle, value, nullptr, &type,
                                 reinterpret_cast<BYTE *>(text), &size);
  RegCloseKey(handle);
  if (result != ERROR_SUCCESS) return "<no value>";
  if (type == REG_DWORD && size == sizeof(DWORD)) {
    DWORD number = 0;
    memcpy(&number, text, sizeof(number));
    return "dword:" + std::to_string(number);
  }
  return text;
}

std::string UninstallEntryState(const std::string &key) {
  HKEY handle;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kUninstallRoot + key).c_str(), 0, KEY_READ, &handle))
    return "<no entry>";
  std::string state;
  char name[kValueSize];
  BYTE data[kValueSize];
  DWORD nameSize = sizeof(name), type = 0, dataSize = sizeof(data);
  for (DWORD index = 0; RegEnumValueA(handle, index, name, &nameSize, nullptr, &type, data,
                                      &dataSize) == ERROR_SUCCESS;
       ++index, nameSize = sizeof(name), dataSize = sizeof(data))
    state += std::string(name) + "=" + std::to_string(type) + ":" +
             std::string(reinterpret_cast<char *>(data), dataSize) + "\n";
  RegCloseKey(handle);
  return state;
}

std::string FolderState(const std::string &folder) {
  if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) return "<none>";
  std::string state;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return state;
  do {
    std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    std::string path = folder + "\\" + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      state += name + "\\\n" + FolderState(path);
    else
      state += name + ": " + ReadTextFile(path) + "\n";
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return state;
}

bool UninstallEntryExists(const std::string &key) {
  HKEY handle;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kUninstallRoot + key).c_str(), 0, KEY_READ, &handle))
    return false;
  RegCloseKey(handle);
  return true;
}

namespace {

void SetText(HKEY handle, const char *value, const std::string &text) {
  RegSetValueExA(handle, value, 0, REG_SZ, reinterpret_cast<const BYTE *>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
}

}  // namespace

void WriteUninstallValue(const std::string &key, const char *value, const std::string &text) {
  HKEY handle;
  DWORD disposition = 0;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kUninstallRoot + key).c_str(), 0, nullptr, 0,
                      KEY_ALL_ACCESS, nullptr, &handle, &disposition))
    return;
  // As the program writes an entry for a script without a Provider.
  if (disposition == REG_CREATED_NEW_KEY) SetText(handle, "SetupIdentity", "");
  if (value) SetText(handle, value, text);
  RegCloseKey(handle);
}

void DeleteUninstallValue(const std::string &key, const char *value) {
  HKEY handle;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kUninstallRoot + key).c_str(), 0, KEY_SET_VALUE,
                    &handle))
    return;
  RegDeleteValueA(handle, value);
  RegCloseKey(handle);
}

void DeleteUninstallEntry(const std::string &key) {
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kUninstallRoot + key).c_str());
}

std::string ProgramFilesDir() {
  HKEY handle;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0,
                    KEY_READ, &handle))
    return "";
  char text[MAX_PATH] = {};
  DWORD size = sizeof(text) - 1;
  DWORD type = 0;
  RegQueryValueExA(handle, "ProgramFilesDir", nullptr, &type, reinterpret_cast<BYTE *>(text),
                   &size);
  RegCloseKey(handle);
  if (type == REG_EXPAND_SZ) {
    char expanded[MAX_PATH] = {};
    ExpandEnvironmentStringsA(text, expanded, sizeof(expanded));
    return expanded;
  }
  return text;
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
  for (const auto &pair : PendingPairs())
    if (pair.second.empty()) deletions.push_back(pair.first);
  return deletions;
}

std::vector<std::pair<std::string, std::string>> PendingPairs() {
  std::vector<std::pair<std::string, std::string>> pairs;
  std::vector<std::string> entries = PendingRenames();
  for (size_t i = 0; i + 1 < entries.size(); i += 2) {
    std::string source = entries[i];
    if (source.compare(0, sizeof(kNtPrefix) - 1, kNtPrefix) == 0)
      source.erase(0, sizeof(kNtPrefix) - 1);
    pairs.emplace_back(source, entries[i + 1]);
  }
  return pairs;
}

bool DeletedAtRestart(const std::string &path) {
  for (const auto &pair : PendingPairs())
    if (pair.second.empty() && lstrcmpiA(pair.first.c_str(), path.c_str()) == 0) return true;
  return false;
}

bool RenamedAtRestart(const std::string &from, const std::string &to) {
  // The target carries the system's prefix, and "!" before it when it is replaced.
  for (const auto &pair : PendingPairs())
    if (lstrcmpiA(pair.first.c_str(), from.c_str()) == 0 && pair.second.size() >= to.size() &&
        lstrcmpiA(pair.second.c_str() + pair.second.size() - to.size(), to.c_str()) == 0)
      return true;
  return false;
}

void ClearPendingRenames() {
  HKEY key = OpenSessionManager();
  if (!key) return;
  RegDeleteValueA(key, kPendingValue);
  RegCloseKey(key);
}

std::string WininitPath() {
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, sizeof(windows));
  return std::string(windows) + "\\wininit.ini";
}

WininitGuard::WininitGuard() {
  had_ = FileExists(WininitPath());
  if (had_) text_ = ReadTextFile(WininitPath());
  DeleteFileA(WininitPath().c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, WininitPath().c_str());
}

WininitGuard::~WininitGuard() {
  if (had_)
    WriteWininit(text_);
  else
    DeleteFileA(WininitPath().c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, WininitPath().c_str());
}

void WriteWininit(const std::string &text) {
  WriteTextFile(WininitPath(), text);
  // Drops the profile cache, so that the next read sees the file as written.
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, WininitPath().c_str());
}

std::vector<std::string> WininitRenameLines() {
  std::vector<std::string> lines;
  std::string text = ReadTextFile(WininitPath());
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
