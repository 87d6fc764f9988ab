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

struct ServiceKey {
  const char *key;
};
constexpr ServiceKey kServiceKeys[] = {
    {kStopServiceKey}, {kStartServiceKey}, {kAddServiceKey}, {kDelServiceKey}};

void CheckSetting(ScriptCheck *check, Where where, INFCONTEXT *line, const SettingRule &rule) {
  char text[kFieldSize];
  switch (rule.kind) {
    case SettingKind::Text:
      ReadFieldReported(check, where, line, kFieldSettingValue, text, sizeof(text), rule.key);
      return;
    case SettingKind::Number: {
      INT value = 0;
      if (!SetupGetIntField(line, kFieldSettingValue, &value))
        Report(check, where, Severity::Error, "\"%s\" is not a number: a run passes 0",
               rule.key);
      return;
    }
    case SettingKind::List: {
      DWORD field = kFieldSettingValue;
      while (ReadFieldReported(check, where, line, field, text, sizeof(text), "a dependency") ==
             FieldState::Present)
        ++field;
      return;
    }
    case SettingKind::GroupOrder:
      if (ReadFieldReported(check, where, line, kFieldGroup, text, sizeof(text), "the group") !=
              FieldState::TooLong &&
          !text[0])
        Report(check, where, Severity::Error,
               "\"%s\" names no group: the group order is left alone", rule.key);
      ReadFieldReported(check, where, line, kFieldGroupAnchor, text, sizeof(text), "the anchor");
      return;
  }
}

int FindSetting(const char *key) { return FindKey(kSettings, key); }

void CheckSettingLine(ScriptCheck *check, const KeyedLine &keyed, void *) {
  if (keyed.index < 0)
    Report(check, keyed.where, Severity::Warning,
           "\"%s\" is not a service setting: it is ignored", keyed.key);
  else if (keyed.repeated)
    Report(check, keyed.where, Severity::Warning,
           "only the first \"%s\" line is read; this one is not", kSettings[keyed.index].key);
  else
    CheckSetting(check, keyed.where, keyed.line, kSettings[keyed.index]);
}

// A settings section: each setting is looked up by its key, so only a key's first line counts.
void CheckServiceSettings(ScriptCheck *check, const char *settings) {
  unsigned seen = ForEachKeyedLine(check, settings, FindSetting, CheckSettingLine, nullptr);
  for (int i = 0; i < static_cast<int>(sizeof(kSettings) / sizeof(kSettings[0])); ++i)
    if (!(seen & (1u << i)) && kSettings[i].kind == SettingKind::Number)
      Report(check, HeaderOf(settings), Severity::Warning,
             "no \"%s\": a run passes 0 for it, also when it changes an existing service",
             kSettings[i].key);
  if (!(seen & (1u << FindSetting(kServiceBinaryKey))))
    Report(check, HeaderOf(settings), Severity::Error,
           "no \"%s\": the service cannot be created", kServiceBinaryKey);
}

// Whether the service section stops the service before a "DelService" line deletes it.
bool StopsService(HINF inf, const char *section, const char *service) {
  return !ForEachLine(inf, section, kStopServiceKey, [&](INFCONTEXT *line) {
    char name[kFieldSize];
    return ReadFieldAsRun(line, kFieldServiceName, name, sizeof(name)) != FieldState::Present ||
           !SameIgnoringCase(name, service);
  });
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

void CheckServiceLine(ScriptCheck *check, const KeyedLine &keyed, void *data) {
  if (keyed.index < 0) {
    Report(check, keyed.where, Severity::Warning,
           "\"%s\" is not a key of a service section (%s, %s, %s, %s): it is ignored", keyed.key,
           kStopServiceKey, kStartServiceKey, kAddServiceKey, kDelServiceKey);
    return;
  }
  char name[kFieldSize];
  if (!RequireField(check, keyed.where, keyed.line, kFieldServiceName, name, sizeof(name),
                    "the service name"))
    return;
  const char *key = kServiceKeys[keyed.index].key;
  if (key == kAddServiceKey) CheckAddService(check, keyed.where, keyed.line);
  if (key == kDelServiceKey && !StopsService(check->inf, static_cast<const char *>(data), name))
    Report(check, keyed.where, Severity::Warning,
           "no \"%s\" line stops \"%s\" before it is deleted: a running service is "
           "deleted while it runs", kStopServiceKey, name);
}

}  // namespace

void CheckServiceSection(ScriptCheck *check, const char *section) {
  char services[kFieldSize];
  int length = snprintf(services, sizeof(services), kServiceSectionFormat, section);
  if (length < 0 || length >= static_cast<int>(sizeof(services))) return;
  ForEachKeyedLine(
      check, services, [](const char *key) { return FindKey(kServiceKeys, key); },
      CheckServiceLine, services);
}
