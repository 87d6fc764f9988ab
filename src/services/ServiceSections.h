// Service sections: "<section>.Services" lines that stop, start, add and delete services.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include "common/MadeListener.h"

// The service section of a section of a run, and its keys.
constexpr char kServiceSectionFormat[] = "%s.Services";
constexpr char kStopServiceKey[] = "StopService";
constexpr char kStartServiceKey[] = "StartService";
constexpr char kAddServiceKey[] = "AddService";
constexpr char kDelServiceKey[] = "DelService";
// Fields of a line of a service section; an "AddService" line names its settings section.
enum ServiceLineField : DWORD { kFieldServiceName = 1, kSettingsSectionField = 3 };

// Keys of a service settings section.
constexpr char kDisplayNameKey[] = "DisplayName";
constexpr char kServiceTypeKey[] = "ServiceType";
constexpr char kStartTypeKey[] = "StartType";
constexpr char kErrorControlKey[] = "ErrorControl";
constexpr char kServiceBinaryKey[] = "ServiceBinary";
constexpr char kLoadOrderGroupKey[] = "LoadOrderGroup";
constexpr char kDependenciesKey[] = "Dependencies";
constexpr char kStartNameKey[] = "StartName";
constexpr char kServiceGroupOrderKey[] = "ServiceGroupOrder";
// Fields of a setting line; the "ServiceGroupOrder" line names a group and its anchor.
enum SettingField : DWORD { kFieldSettingValue = 1, kFieldGroup = 1, kFieldGroupAnchor };

// Each walks the section's service lines of its kind in order; false when one failed, which
// ends the walk. Nothing to do on the 95 family, which has no services.
bool StopSectionServices(HINF inf, const char *section);
bool StartSectionServices(HINF inf, const char *section);
// A service that did not exist before is told to listener.
bool ApplySectionServices(HINF inf, const char *section, MadeListener *listener = nullptr);

// A service that is not there counts as stopped and as deleted.
bool StopServiceByName(const char *name);
bool StartServiceByName(const char *name);
bool AddServiceFromSection(HINF inf, const char *name, const char *settingsSection,
                           MadeListener *listener = nullptr);
bool DeleteServiceByName(const char *name);

// The "Dependencies" line of a settings section as a multi-string: fields 1, 2, ... until one
// cannot be read, each name with its NUL, then one more NUL; empty names are left out, since
// each would end the list early. Writes the list only when it fits in capacity bytes (a null
// list only measures) and returns the bytes the whole list needs, or 0 when the section has
// no such line.
size_t ReadServiceDependencies(HINF inf, const char *settingsSection, char *list,
                               size_t capacity);
