#include "services/ServiceTestSupport.h"

#include <stdio.h>
#include <string.h>

#include <vector>

namespace {

std::string JoinMultiSz(const char *list) {
  std::string out;
  for (const char *p = list; p && *p; p += strlen(p) + 1)
    out += (out.empty() ? "" : ",") + std::string(p);
  return out;
}

// The first service the named service depends on, as the service manager stored it. Wine 8's
// QueryServiceConfigA reports no dependencies and its service manager keeps only the first
// name of a list, so the service's own registry key is read, and only its first entry.
std::string FirstStoredDependency(const std::string &name) {
  HKEY key = nullptr;
  std::string path = "System\\CurrentControlSet\\Services\\" + name;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return "";
  DWORD size = 0;
  std::vector<char> data;
  if (RegQueryValueExA(key, "DependOnService", nullptr, nullptr, nullptr, &size) ==
      ERROR_SUCCESS) {
    data.assign(size + 2, '\0');
    if (RegQueryValueExA(key, "DependOnService", nullptr, nullptr,
                         reinterpret_cast<BYTE *>(data.data()), &size) != ERROR_SUCCESS)
      data.clear();
  }
  RegCloseKey(key);
  return data.empty() ? "" : data.data();
}

}  // namespace

ServiceConfig QueryConfig(const std::string &name) {
  ServiceConfig config;
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return config;
  SC_HANDLE service = OpenServiceA(manager, name.c_str(), SERVICE_QUERY_CONFIG);
  if (service) {
    DWORD needed = 0;
    QueryServiceConfigA(service, nullptr, 0, &needed);
    std::vector<BYTE> bytes(needed ? needed : 1);
    auto *q = reinterpret_cast<QUERY_SERVICE_CONFIGA *>(bytes.data());
    if (needed && QueryServiceConfigA(service, q, needed, &needed)) {
      config.found = true;
      config.serviceType = q->dwServiceType;
      config.startType = q->dwStartType;
      config.errorControl = q->dwErrorControl;
      config.binaryPath = q->lpBinaryPathName ? q->lpBinaryPathName : "";
      config.loadOrderGroup = q->lpLoadOrderGroup ? q->lpLoadOrderGroup : "";
      config.firstDependency = FirstStoredDependency(name);
      config.startName = q->lpServiceStartName ? q->lpServiceStartName : "";
      config.displayName = q->lpDisplayName ? q->lpDisplayName : "";
    }
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  return config;
}

const char kGroupOrderKeyPath[] = "System\\CurrentControlSet\\Control\\ServiceGroupOrder";

namespace {

HKEY OpenGroupOrderKey() {
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, kGroupOrderKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                  &key, nullptr);
  return key;
}

// The raw "List" value; false when there is none.
bool ReadRawList(std::string *data, DWORD *type) {
  HKEY key = OpenGroupOrderKey();
  if (!key) return false;
  DWORD size = 0;
  bool present = RegQueryValueExA(key, "List", nullptr, type, nullptr, &size) == ERROR_SUCCESS;
  if (present) {
    data->assign(size, '\0');
    present = RegQueryValueExA(key, "List", nullptr, type,
                               reinterpret_cast<BYTE *>(&(*data)[0]), &size) == ERROR_SUCCESS;
    data->resize(size);
  }
  RegCloseKey(key);
  return present;
}

}  // namespace

SavedGroupOrder::SavedGroupOrder() { present_ = ReadRawList(&data_, &type_); }

SavedGroupOrder::~SavedGroupOrder() {
  if (present_)
    WriteGroupOrderList(data_, type_);
  else
    DeleteGroupOrderList();
}

void WriteGroupOrderList(const std::string &bytes, DWORD type) {
  HKEY key = OpenGroupOrderKey();
  if (!key) return;
  RegSetValueExA(key, "List", 0, type, reinterpret_cast<const BYTE *>(bytes.data()),
                 static_cast<DWORD>(bytes.size()));
  RegCloseKey(key);
}

void DeleteGroupOrderList() {
  HKEY key = OpenGroupOrderKey();
  if (!key) return;
  RegDeleteValueA(key, "List");
  RegCloseKey(key);
}

std::string ReadGroupOrderList(DWORD *type) {
  std::string data;
  DWORD stored = 0;
  if (!ReadRawList(&data, &stored)) return "<missing>";
  if (type) *type = stored;
  data.append(2, '\0');  // a well-formed list needs none of these; a short one cannot run off
  return JoinMultiSz(data.c_str());
}
