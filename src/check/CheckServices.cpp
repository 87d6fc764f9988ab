// The "<section>.Services" companion of a section of a run and the settings sections that its
// "AddService" lines name.
#include <stdio.h>

#include "check/CheckParts.h"
#include "script/SetupScript.h"
#include "services/ServiceSections.h"

namespace {

enum class SettingKind { Text, Number, List, GroupOrder };

struct SettingRule {
  const char *key;
  SettingKind kind;
};

constexpr SettingRule kSettings[] = {
    {kDisplayNameKey, SettingKind::Text},       {kServiceTypeKey, SettingKind::Number},
    {kStartTypeKey, SettingKind::Number},       {kErrorControlKey, SettingKind::Number},
    {kServiceBinaryKey, SettingKind::Text},     {kLoadOrderGroupKey, SettingKind::Text},
    {kDependenciesKey, SettingKind::List},      {kStartNameKey, SettingKind::Text},
    {kServiceGroupOrderKey, SettingKind::GroupOrder},
};
constexpr int kSettingCount = sizeof(kSettings) / sizeof(kSettings[0]);

const char *const kServiceKeys[] = {kStopServiceKey, kStartServiceKey, kAddServiceKey,
                                    kDelServiceKey};

void CheckSetting(ScriptCheck *check, Where where, INFCONTEXT *line, const SettingRule &rule) {
  char text[kFieldSize];
  switch (rule.kind) {
    case SettingKind::Text:
      ReadFieldReported(check, where, line, 1, text, sizeof(text), rule.key);
      return;
    case SettingKind::Number: {
      INT value = 0;
      if (!SetupGetIntField(line, 1, &value))
        Report(check, where, Severity::Error, "\"%s\" is not a number: a run passes 0",
               rule.key);
      return;
    }
    case SettingKind::List:
      for (DWORD field = 1; ReadFieldReported(check, where, line, field, text, sizeof(text),
                                              "a dependency") == FieldState::Present;
           ++field) {
      }
      return;
    case SettingKind::GroupOrder:
      if (ReadFieldReported(check, where, line, 1, text, sizeof(text), "the group") !=
              FieldState::TooLong &&
          !text[0])
        Report(check, where, Severity::Error,
               "\"%s\" names no group: the group order is left alone", rule.key);
      ReadFieldReported(check, where, line, 2, text, sizeof(text), "the anchor");
      return;
  }
}

int FindSetting(const char *key) {
  for (int i = 0; i < kSettingCount; ++i)
    if (lstrcmpiA(kSettings[i].key, key) == 0) return i;
  return -1;
}

// A settings section: each setting is looked up by its key, so only a key's first line counts.
void CheckServiceSettings(ScriptCheck *check, const char *settings) {
  INFCONTEXT line;
  if (!SetupFindFirstLineA(check->inf, settings, nullptr, &line)) return;
  bool seen[kSettingCount] = {};
  do {
    char key[kFieldSize];
    if (ReadFieldAsRun(&line, 0, key, sizeof(key)) != FieldState::Present || !key[0]) continue;
    Where where = At(settings, line);
    int index = FindSetting(key);
    if (index < 0)
      Report(check, where, Severity::Warning, "\"%s\" is not a service setting: it is ignored",
             key);
    else if (seen[index])
      Report(check, where, Severity::Warning,
             "only the first \"%s\" line is read; this one is not", kSettings[index].key);
    else
      CheckSetting(check, where, &line, kSettings[index]);
    if (index >= 0) seen[index] = true;
  } while (SetupFindNextLine(&line, &line));
  for (int i = 0; i < kSettingCount; ++i)
    if (!seen[i] && kSettings[i].kind == SettingKind::Number)
      Report(check, HeaderOf(settings), Severity::Warning,
             "no \"%s\": a run passes 0 for it, also when it changes an existing service",
             kSettings[i].key);
  if (!seen[FindSetting(kServiceBinaryKey)])
    Report(check, HeaderOf(settings), Severity::Error,
           "no \"%s\": the service cannot be created", kServiceBinaryKey);
}

// Whether the service section stops the service before a "DelService" line deletes it.
bool StopsService(HINF inf, const char *section, const char *service) {
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, section, kStopServiceKey, &line)) return false;
  do {
    char name[kFieldSize];
    if (ReadFieldAsRun(&line, 1, name, sizeof(name)) == FieldState::Present &&
        lstrcmpiA(name, service) == 0)
      return true;
  } while (SetupFindNextMatchLineA(&line, kStopServiceKey, &line));
  return false;
}

void CheckAddService(ScriptCheck *check, Where where, INFCONTEXT *line) {
  char settings[kFieldSize];
  if (ReadFieldReported(check, where, line, kSettingsSectionField, settings, sizeof(settings),
                        "the settings section") == FieldState::TooLong)
    return;
  if (!settings[0])
    Report(check, where, Severity::Error,
           "\"%s\" names no settings section (field %lu): the run fails", kAddServiceKey,
           static_cast<unsigned long>(kSettingsSectionField));
  else if (!IsSectionPresent(check->inf, settings))
    Report(check, where, Severity::Error,
           "settings section [%s] is missing or has no lines: the run fails", settings);
  else
    CheckServiceSettings(check, settings);
}

int FindServiceKey(const char *key) {
  for (int i = 0; i < static_cast<int>(sizeof(kServiceKeys) / sizeof(kServiceKeys[0])); ++i)
    if (lstrcmpiA(kServiceKeys[i], key) == 0) return i;
  return -1;
}

}  // namespace

void CheckServiceSection(ScriptCheck *check, const char *section) {
  char services[kFieldSize];
  int length = snprintf(services, sizeof(services), kServiceSectionFormat, section);
  if (length < 0 || length >= static_cast<int>(sizeof(services))) return;
  INFCONTEXT line;
  if (!SetupFindFirstLineA(check->inf, services, nullptr, &line)) return;
  do {
    char key[kFieldSize], name[kFieldSize];
    if (ReadFieldAsRun(&line, 0, key, sizeof(key)) != FieldState::Present || !key[0]) continue;
    Where where = At(services, line);
    int index = FindServiceKey(key);
    if (index < 0) {
      Report(check, where, Severity::Warning,
             "\"%s\" is not a key of a service section (%s, %s, %s, %s): it is ignored", key,
             kStopServiceKey, kStartServiceKey, kAddServiceKey, kDelServiceKey);
      continue;
    }
    if (!RequireField(check, where, &line, 1, name, sizeof(name), "the service name")) continue;
    if (kServiceKeys[index] == kAddServiceKey) CheckAddService(check, where, &line);
    if (kServiceKeys[index] == kDelServiceKey && !StopsService(check->inf, services, name))
      Report(check, where, Severity::Warning,
             "no \"%s\" line stops \"%s\" before it is deleted: a running service is "
             "deleted while it runs", kStopServiceKey, name);
  } while (SetupFindNextLine(&line, &line));
}
