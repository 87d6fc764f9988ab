#include "Machine.h"

#include <objbase.h>
#include <shlobj.h>

#include <stdio.h>
#include <string.h>

#include "common/Guards.h"
#include "support/TestSupport.h"

namespace {

constexpr int kValueSize = 4096;
constexpr char kGroupOrderKey[] = "System\\CurrentControlSet\\Control\\ServiceGroupOrder";
constexpr char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr DWORD kRestartLimitMs = 60000;
constexpr DWORD kStopPollMs = 100;
constexpr int kStopPolls = 50;

// Entries of a multi-string buffer of the given size.
std::vector<std::string> SplitMultiSz(const char *data, size_t size) {
  std::vector<std::string> entries;
  size_t at = 0;
  while (at < size && data[at]) {
    size_t length = strnlen(data + at, size - at);
    entries.emplace_back(data + at, length);
    at += length + 1;
  }
  return entries;
}

std::string Join(const std::vector<std::string> &entries) {
  std::string text;
  for (const std::string &entry : entries) text += (text.empty() ? "" : "|") + entry;
  return text;
}

struct FolderCode {
  const char *code;
  bool common;
  const char *value;
  const char *fallback;
};

constexpr FolderCode kFolderCodes[] = {
    {"USTU", false, "Startup", nullptr},          {"USTM", false, "Start Menu", nullptr},
    {"UPRG", false, "Programs", nullptr},         {"UDSK", false, "Desktop", nullptr},
    {"CSTU", true, "Common Startup", "Startup"},  {"CSTM", true, "Common Start Menu", "Start Menu"},
    {"CPRG", true, "Common Programs", "Programs"}, {"CDSK", true, "Common Desktop", "Desktop"},
};

std::string ExpandedRegText(HKEY root, const char *value) {
  std::string text = RegText(root, kShellFolders, value);
  if (text[0] == '<') return "";
  char expanded[MAX_PATH] = {};
  ExpandEnvironmentStringsA(text.c_str(), expanded, sizeof(expanded));
  return expanded;
}

}  // namespace

std::string RegText(HKEY root, const std::string &subkey, const char *value) {
  RegKeyGuard guard;
  if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ, guard.receive())) return "<no key>";
  std::vector<char> data(kValueSize + 2, '\0');
  DWORD size = kValueSize;
  DWORD type = 0;
  if (RegQueryValueExA(guard.get(), value, nullptr, &type, reinterpret_cast<BYTE *>(data.data()),
                       &size))
    return "<no value>";
  if (type == REG_MULTI_SZ) return Join(SplitMultiSz(data.data(), size));
  if (type == REG_DWORD) return std::to_string(*reinterpret_cast<DWORD *>(data.data()));
  return data.data();
}

bool RegKeyExists(HKEY root, const std::string &subkey) {
  RegKeyGuard guard;
  return RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ, guard.receive()) == ERROR_SUCCESS;
}

void DeleteRegTree(HKEY root, const std::string &subkey) {
  {
    RegKeyGuard guard;
    if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_ALL_ACCESS, guard.receive())) return;
    char name[MAX_PATH];
    std::vector<std::string> children;
    for (DWORD i = 0;; ++i) {
      DWORD length = sizeof(name);
      if (RegEnumKeyExA(guard.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr)) break;
      children.push_back(name);
    }
    for (const std::string &child : children) DeleteRegTree(root, subkey + "\\" + child);
  }
  RegDeleteKeyA(root, subkey.c_str());
}

void SetEmulatedVersionFor(const std::string &exeName, const std::string &version) {
  const std::string subkey = "Software\\Wine\\AppDefaults\\" + exeName;
  if (version.empty()) {
    DeleteRegTree(HKEY_CURRENT_USER, subkey);
    return;
  }
  RegKeyGuard guard;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      guard.receive(), nullptr))
    return;
  RegSetValueExA(guard.get(), "Version", 0, REG_SZ, reinterpret_cast<const BYTE *>(version.c_str()),
                 static_cast<DWORD>(version.size() + 1));
}

void SetDllOverrideFor(const std::string &exeName, const char *dll, const char *order) {
  const std::string subkey = "Software\\Wine\\AppDefaults\\" + exeName + "\\DllOverrides";
  RegKeyGuard guard;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      guard.receive(), nullptr))
    return;
  if (!*order)
    RegDeleteValueA(guard.get(), dll);
  else
    RegSetValueExA(guard.get(), dll, 0, REG_SZ, reinterpret_cast<const BYTE *>(order),
                   static_cast<DWORD>(strlen(order) + 1));
}

std::string IniText(const std::string &file, const char *section, const char *key) {
  char text[kValueSize] = {};
  GetPrivateProfileStringA(section, key, "<none>", text, sizeof(text), file.c_str());
  return text;
}

ServiceInfo QueryService(const std::string &name) {
  ServiceInfo info;
  ScHandleGuard manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return info;
  ScHandleGuard service(OpenServiceA(manager.get(), name.c_str(), SERVICE_ALL_ACCESS));
  if (!service) return info;
  info.exists = true;
  SERVICE_STATUS status = {};
  if (QueryServiceStatus(service.get(), &status)) info.state = status.dwCurrentState;
  std::vector<BYTE> buffer(8192);
  QUERY_SERVICE_CONFIGA *config = reinterpret_cast<QUERY_SERVICE_CONFIGA *>(buffer.data());
  DWORD needed = 0;
  if (!QueryServiceConfigA(service.get(), config, static_cast<DWORD>(buffer.size()), &needed))
    return info;
  info.type = config->dwServiceType;
  info.startType = config->dwStartType;
  info.errorControl = config->dwErrorControl;
  info.binary = config->lpBinaryPathName ? config->lpBinaryPathName : "";
  info.group = config->lpLoadOrderGroup ? config->lpLoadOrderGroup : "";
  info.displayName = config->lpDisplayName ? config->lpDisplayName : "";
  if (config->lpDependencies) {
    const char *end = reinterpret_cast<const char *>(buffer.data() + buffer.size());
    info.dependencies =
        Join(SplitMultiSz(config->lpDependencies, static_cast<size_t>(end - config->lpDependencies)));
  }
  return info;
}

bool RemoveService(const std::string &name) {
  {
    ScHandleGuard manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return false;
    ScHandleGuard service(OpenServiceA(manager.get(), name.c_str(), SERVICE_ALL_ACCESS));
    if (!service) return true;
    SERVICE_STATUS status = {};
    ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    for (int i = 0; i < kStopPolls && QueryServiceStatus(service.get(), &status) &&
                    status.dwCurrentState != SERVICE_STOPPED;
         ++i)
      Sleep(kStopPollMs);
    DeleteService(service.get());
  }
  for (int i = 0; i < kStopPolls; ++i) {
    if (!QueryService(name).exists) return true;
    Sleep(kStopPollMs);
  }
  return false;
}

std::vector<std::string> GroupOrderList() {
  RegKeyGuard guard;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kGroupOrderKey, 0, KEY_READ, guard.receive())) return {};
  DWORD size = 0;
  if (RegQueryValueExA(guard.get(), "List", nullptr, nullptr, nullptr, &size)) return {};
  std::vector<char> data(size + 2, '\0');
  if (RegQueryValueExA(guard.get(), "List", nullptr, nullptr, reinterpret_cast<BYTE *>(data.data()),
                       &size))
    return {};
  return SplitMultiSz(data.data(), size);
}

void SetGroupOrderList(const std::vector<std::string> &list) {
  RegKeyGuard guard;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kGroupOrderKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      guard.receive(), nullptr))
    return;
  std::string data;
  for (const std::string &entry : list) data += entry + '\0';
  data += '\0';
  if (list.empty()) data += '\0';
  RegSetValueExA(guard.get(), "List", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE *>(data.data()),
                 static_cast<DWORD>(data.size()));
}

std::string ShellFolder(const std::string &code) {
  for (const FolderCode &entry : kFolderCodes) {
    if (_stricmp(entry.code, code.c_str())) continue;
    std::string path = ExpandedRegText(entry.common ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                                       entry.value);
    if (path.empty() && entry.fallback) path = ExpandedRegText(HKEY_CURRENT_USER, entry.fallback);
    return path;
  }
  return "";
}

std::string LinkTarget(const std::string &linkPath) {
  std::string target;
  HRESULT init = CoInitialize(nullptr);
  IShellLinkA *link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void **>(&link)))) {
    IPersistFile *file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file)))) {
      WCHAR wide[MAX_PATH] = {};
      MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH);
      char path[MAX_PATH] = {};
      if (SUCCEEDED(file->Load(wide, STGM_READ)) &&
          SUCCEEDED(link->GetPath(path, sizeof(path), nullptr, SLGP_RAWPATH)))
        target = path;
      file->Release();
    }
    link->Release();
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return target;
}

std::vector<std::string> WininitDeletions() {
  std::vector<char> data(32768, '\0');
  DWORD got = GetPrivateProfileSectionA("Rename", data.data(), static_cast<DWORD>(data.size()),
                                        WininitPath().c_str());
  std::vector<std::string> deletions;
  for (const std::string &line : SplitMultiSz(data.data(), got + 1))
    if (_strnicmp(line.c_str(), "NUL=", 4) == 0) deletions.push_back(line.substr(4));
  return deletions;
}

bool SimulateRestart() {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, sizeof(system));
  std::string line = "\"" + std::string(system) + "\\wineboot.exe\" -r";
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return false;
  bool ended = WaitForSingleObject(process.hProcess, kRestartLimitMs) == WAIT_OBJECT_0;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return ended;
}

std::vector<std::string> ReadLines(const std::string &path) {
  std::vector<std::string> lines;
  FILE *file = fopen(path.c_str(), "rb");
  if (!file) return lines;
  char line[kValueSize];
  while (fgets(line, sizeof(line), file)) {
    size_t length = strlen(line);
    while (length && (line[length - 1] == '\n' || line[length - 1] == '\r')) line[--length] = 0;
    lines.push_back(line);
  }
  fclose(file);
  return lines;
}

bool DirectoryExists(const std::string &path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void CopyFolderFiles(const std::string &from, const std::string &to) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((from + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    CopyFileA((from + "\\" + found.cFileName).c_str(), (to + "\\" + found.cFileName).c_str(),
              FALSE);
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

bool ContainsPath(const std::vector<std::string> &paths, const std::string &path) {
  for (const std::string &entry : paths)
    if (_stricmp(entry.c_str(), path.c_str()) == 0) return true;
  return false;
}
