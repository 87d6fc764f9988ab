#include "services/ServiceSections.h"

#include <stdio.h>
#include <string.h>

#include "common/AsciiCase.h"
#include "common/Globals.h"
#include "common/Guards.h"
#include "common/Log.h"
#include "common/Platform.h"
#include "common/ScriptField.h"
#include "services/GroupOrder.h"

namespace {

constexpr int kPollCount = 20;
constexpr DWORD kPollIntervalMs = 250;

// One line of a service section, handed its key (field 0) and service name (field 1), and
// who hears of a service made; false stops the walk.
using ServiceLineAction = bool (*)(HINF inf, INFCONTEXT *line, const char *key,
                                   const char *name, MadeListener *listener);

// Walks "<section>.Services" line by line; the first action that fails ends the walk.
bool WalkServiceSection(HINF inf, const char *section, ServiceLineAction action,
                        MadeListener *listener = nullptr) {
  // Services exist only on the NT family.
  if (IsWin9xFamily()) return true;
  char serviceSection[kFieldSize];
  int len = snprintf(serviceSection, sizeof(serviceSection), kServiceSectionFormat, section);
  // A name that does not fit cannot name a section of the script.
  if (len < 0 || static_cast<size_t>(len) >= sizeof(serviceSection)) return true;

  return ForEachLine(inf, serviceSection, nullptr, [&](INFCONTEXT *line) {
    char key[kFieldSize];
    char name[kFieldSize];
    if (!ReadField(line, 0, key) || !ReadField(line, kFieldServiceName, name)) return true;
    return action(inf, line, key, name, listener);
  });
}

// One log line for a service operation with its result; returns the result.
bool Logged(bool done, const char *operation, const char *name) {
  if (done)
    LogLine("service %s: %s", name, operation);
  else
    LogFailure(GetLastError(), "service %s: %s failed", name, operation);
  return done;
}

bool StopLine(HINF, INFCONTEXT *, const char *key, const char *name, MadeListener *) {
  if (!SameIgnoringCase(key, kStopServiceKey)) return true;
  return Logged(StopServiceByName(name), "stopped (or not there)", name);
}

bool StartLine(HINF, INFCONTEXT *, const char *key, const char *name, MadeListener *) {
  if (!SameIgnoringCase(key, kStartServiceKey)) return true;
  return Logged(StartServiceByName(name), "started", name);
}

bool AddOrDeleteLine(HINF inf, INFCONTEXT *line, const char *key, const char *name,
                     MadeListener *listener) {
  if (SameIgnoringCase(key, kAddServiceKey)) {
    char settings[kFieldSize];
    ReadField(line, kSettingsSectionField, settings);
    return Logged(AddServiceFromSection(inf, name, settings, listener), "added or reconfigured",
                  name);
  }
  if (SameIgnoringCase(key, kDelServiceKey))
    return Logged(DeleteServiceByName(name), "deleted (or not there)", name);
  return true;
}

SC_HANDLE OpenManager() {
  return OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
}

// Settings of one "AddService" line, read from its settings section. Texts that are absent
// stay null, so that the service manager leaves them alone or uses its defaults.
struct ServiceSettings {
  DWORD serviceType = 0;
  DWORD startType = 0;
  DWORD errorControl = 0;
  char displayName[kFieldSize];
  char binaryPath[kFieldSize];
  char loadOrderGroup[kFieldSize];
  char startName[kFieldSize];
  const char *pDisplayName = nullptr;
  const char *pBinaryPath = nullptr;
  const char *pLoadOrderGroup = nullptr;
  const char *pStartName = nullptr;
};

// A text setting: null when its key is absent, empty when the key has no usable field 1.
const char *ReadTextSetting(HINF inf, const char *settings, const char *key, char *buffer,
                            DWORD size) {
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, settings, key, &line)) return nullptr;
  ReadField(&line, kFieldSettingValue, buffer, size);
  return buffer;
}

DWORD ReadIntSetting(HINF inf, const char *settings, const char *key) {
  INFCONTEXT line;
  INT value = 0;
  if (!SetupFindFirstLineA(inf, settings, key, &line) || !SetupGetIntField(&line, kFieldSettingValue, &value))
    return 0;
  return static_cast<DWORD>(value);
}

void ReadServiceSettings(HINF inf, const char *settings, ServiceSettings *s) {
  s->pDisplayName = ReadTextSetting(inf, settings, kDisplayNameKey, s->displayName,
                                    sizeof(s->displayName));
  s->serviceType = ReadIntSetting(inf, settings, kServiceTypeKey);
  s->startType = ReadIntSetting(inf, settings, kStartTypeKey);
  s->errorControl = ReadIntSetting(inf, settings, kErrorControlKey);
  s->pBinaryPath = ReadTextSetting(inf, settings, kServiceBinaryKey, s->binaryPath,
                                   sizeof(s->binaryPath));
  s->pLoadOrderGroup = ReadTextSetting(inf, settings, kLoadOrderGroupKey, s->loadOrderGroup,
                                       sizeof(s->loadOrderGroup));
  s->pStartName = ReadTextSetting(inf, settings, kStartNameKey, s->startName,
                                  sizeof(s->startName));
}

// Walks the names of a "Dependencies" line; writes them when list is given (the caller has
// made room) and returns the bytes of the whole list.
size_t WalkDependencyNames(INFCONTEXT line, char *list) {
  size_t used = 0;
  char name[kFieldSize];
  for (DWORD field = kFieldServiceName; ReadField(&line, field, name); ++field) {
    size_t len = strlen(name);
    if (len == 0) continue;
    if (list) memcpy(list + used, name, len + 1);
    used += len + 1;
  }
  if (list) list[used] = '\0';
  return used + 1;
}

}  // namespace

size_t ReadServiceDependencies(HINF inf, const char *settingsSection, char *list,
                               size_t capacity) {
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, settingsSection, kDependenciesKey, &line)) return 0;
  size_t needed = WalkDependencyNames(line, nullptr);
  if (list && needed <= capacity) WalkDependencyNames(line, list);
  return needed;
}

bool StopSectionServices(HINF inf, const char *section) {
  return WalkServiceSection(inf, section, StopLine);
}

bool StartSectionServices(HINF inf, const char *section) {
  return WalkServiceSection(inf, section, StartLine);
}

bool ApplySectionServices(HINF inf, const char *section, MadeListener *listener) {
  return WalkServiceSection(inf, section, AddOrDeleteLine, listener);
}

bool StopServiceByName(const char *name) {
  ScHandleGuard manager(OpenManager());
  if (!manager) return false;
  ScHandleGuard service(OpenServiceA(manager.get(), name, SERVICE_ALL_ACCESS));
  if (!service) return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;

  SERVICE_STATUS status = {};
  QueryServiceStatus(service.get(), &status);
  if (status.dwCurrentState != SERVICE_STOPPED)
    ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
  for (int poll = 0; status.dwCurrentState != SERVICE_STOPPED && poll < kPollCount; ++poll) {
    Sleep(kPollIntervalMs);
    QueryServiceStatus(service.get(), &status);
  }
  return status.dwCurrentState == SERVICE_STOPPED;
}

bool StartServiceByName(const char *name) {
  ScHandleGuard manager(OpenManager());
  if (!manager) return false;
  ScHandleGuard service(OpenServiceA(manager.get(), name, SERVICE_ALL_ACCESS));
  if (!service) return false;
  // A service that already runs is what the line asks for; it is confirmed by the poll below.
  if (!StartServiceA(service.get(), 0, nullptr) &&
      GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
    return false;

  SERVICE_STATUS status = {};
  for (int poll = 0; poll < kPollCount; ++poll) {
    QueryServiceStatus(service.get(), &status);
    if (status.dwCurrentState == SERVICE_RUNNING) break;
    Sleep(kPollIntervalMs);
  }
  return status.dwCurrentState == SERVICE_RUNNING;
}

bool AddServiceFromSection(HINF inf, const char *name, const char *settingsSection,
                           MadeListener *listener) {
  INFCONTEXT first;
  if (!SetupFindFirstLineA(inf, settingsSection, nullptr, &first)) return false;
  ServiceSettings settings;
  ReadServiceSettings(inf, settingsSection, &settings);

  // The dependency list is sized to hold every name the line gives, however many.
  size_t dependencyBytes = ReadServiceDependencies(inf, settingsSection, nullptr, 0);
  HeapGuard dependencies(AllocateZeroed(dependencyBytes));
  if (dependencyBytes && !dependencies.get()) return false;
  if (dependencyBytes)
    ReadServiceDependencies(inf, settingsSection, dependencies.get(), dependencyBytes);
  const char *pDependencies = dependencyBytes ? dependencies.get() : nullptr;

  {
    ScHandleGuard manager(OpenManager());
    if (!manager) return false;
    SC_HANDLE existing = OpenServiceA(manager.get(), name, SERVICE_ALL_ACCESS);
    if (existing) {
      ScHandleGuard service(existing);
      // Absent integers go as 0, like the texts' null; the service manager may refuse the
      // change, and the service still exists.
      ChangeServiceConfigA(service.get(), settings.serviceType, settings.startType,
                           settings.errorControl, settings.pBinaryPath,
                           settings.pLoadOrderGroup, nullptr, pDependencies,
                           settings.pStartName, nullptr, settings.pDisplayName);
    } else {
      ScHandleGuard service(CreateServiceA(
          manager.get(), name, settings.pDisplayName, SERVICE_ALL_ACCESS, settings.serviceType,
          settings.startType, settings.errorControl, settings.pBinaryPath,
          settings.pLoadOrderGroup, nullptr, pDependencies, settings.pStartName, nullptr));
      if (!service) return false;
      TellMade(listener, Made::Service, name);
    }
  }
  ApplyServiceGroupOrder(inf, settingsSection);
  return true;
}

bool DeleteServiceByName(const char *name) {
  ScHandleGuard manager(OpenManager());
  if (!manager) return false;
  ScHandleGuard service(OpenServiceA(manager.get(), name, SERVICE_ALL_ACCESS));
  if (!service) return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
  // A service already marked for deletion counts as deleted too.
  DeleteService(service.get());
  return true;
}
