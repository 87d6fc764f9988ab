// Uninstall registration: one entry per installed product with a remove section and one for
// the setup as a whole, each starting the copied setup.exe with "/remove:" and its key.
#include "script/Registration.h"

#include <stdio.h>
#include <string.h>

#include "common/Guards.h"
#include "common/KeyList.h"
#include "common/Log.h"
#include "common/ScriptField.h"
#include "script/InstalledSize.h"
#include "script/Ownership.h"
#include "script/ProductLines.h"
#include "script/SetupCopy.h"
#include "script/UninstallValues.h"
#include "script/VersionCompare.h"

namespace {

constexpr char kSilentOption[] = " /silent";
constexpr int kDateTextSize = sizeof("YYYYMMDD");

void WriteText(HKEY key, const char *name, const char *text) {
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                 static_cast<DWORD>(strlen(text) + 1));
}

void WriteNumber(HKEY key, const char *name, DWORD number) {
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&number),
                 sizeof(number));
}

// Why an entry cannot be written, as the log says it.
struct EntryFault {
  DWORD error;
  const char *reason;
};

constexpr EntryFault kEntryFaults[] = {
    {ERROR_FILE_NOT_FOUND, "no CopyFiles list of its install section or of the Install section "
                           "copies setup.exe"},
    {ERROR_INVALID_NAME, "the removal's command line cannot carry a key with a double quote"},
    {ERROR_FILENAME_EXCED_RANGE, "the path of the copied setup.exe or the removal's command line "
                                 "would be longer than 259 characters"},
};

// The command and registry path of a due entry, from where its setup.exe copy lands.
void PlanCommand(SetupCopy copy, const char (&setupPath)[kTargetDirSize], PlannedEntry *entry) {
  const char *key = entry->key;
  entry->due = true;
  if (copy == SetupCopy::Absent)
    entry->error = ERROR_FILE_NOT_FOUND;
  else if (!KeyCanBeCarried(key) ||
           !FormUninstallKeyPath(entry->keyPath, sizeof(entry->keyPath), key))
    entry->error = ERROR_INVALID_NAME;
  else if (copy == SetupCopy::TooLong ||
           !BuildUninstallCommand(entry->command, sizeof(entry->command), setupPath, key))
    entry->error = ERROR_FILENAME_EXCED_RANGE;
  else
    memcpy(entry->setupPath, setupPath, sizeof(entry->setupPath));
}

// The entry of one product of the key list; not due for a key that names no product with a
// remove section.
void PlanProduct(HINF inf, const char *key, PlannedEntry *entry) {
  lstrcpynA(entry->key, key, sizeof(entry->key));
  INFCONTEXT line;
  char installSection[kFieldSize];
  // Read as the removal reads it: a name too long for a section list slot could never run,
  // and an entry for it would be deleted by a removal that left every file in place.
  char removeSection[kSectionNameSize];
  if (!FindProductLine(inf, key, &line) ||
      !ReadField(&line, kFieldDisplayName, entry->displayName) ||
      !ReadField(&line, kFieldInstallSection, installSection) ||
      !ReadField(&line, kFieldRemoveSection, removeSection) ||
      removeSection[0] == '\0')
    return;
  entry->hasVersion = ReadField(&line, kFieldVersion, entry->version);
  // The product's own copy of setup.exe comes first.
  char setupPath[kTargetDirSize];
  SetupCopy copy = FindSetupCopy(inf, installSection, setupPath, entry->setupList);
  if (copy == SetupCopy::Absent)
    copy = FindSetupCopy(inf, g_installSection, setupPath, entry->setupList);
  PlanCommand(copy, setupPath, entry);
}

// The setup-level entry, due when the Install section has an "Uninstall" line.
void PlanSetupLevel(HINF inf, PlannedEntry *entry) {
  INFCONTEXT line;
  if (!ReadSetupLevelKey(inf, &line, entry->key, sizeof(entry->key))) return;
  if (!ReadField(&line, kFieldSetupName, entry->displayName))
    snprintf(entry->displayName, sizeof(entry->displayName), "%s", entry->key);
  char setupPath[kTargetDirSize];
  PlanCommand(FindSetupCopy(inf, g_installSection, setupPath, entry->setupList), setupPath,
              entry);
}

// Today as "InstallDate" holds it: YYYYMMDD.
void FormatInstallDate(char (&date)[kDateTextSize]) {
  SYSTEMTIME today;
  GetLocalTime(&today);
  snprintf(date, sizeof(date), "%04u%02u%02u", today.wYear % 10000u, today.wMonth % 100u,
           today.wDay % 100u);
}

// What Programs and Features shows beside the name: version, vendor, place, icon and date; the
// unattended removal; and no Change or Repair button, since the program offers neither.
void WriteDisplayValues(HINF inf, HKEY entryKey, const PlannedEntry &entry,
                        const char *targetDir) {
  if (entry.hasVersion) {
    WriteText(entryKey, "DisplayVersion", entry.version);
    uint32_t major = 0, minor = 0;
    ReadVersionNumbers(entry.version, &major, &minor);
    WriteNumber(entryKey, "VersionMajor", major);
    WriteNumber(entryKey, "VersionMinor", minor);
  }
  char publisher[kFieldSize];
  if (ReadScriptVendor(inf, publisher)) WriteText(entryKey, "Publisher", publisher);
  if (targetDir[0] != '\0') WriteText(entryKey, "InstallLocation", targetDir);
  WriteText(entryKey, "DisplayIcon", entry.setupPath);
  char date[kDateTextSize];
  FormatInstallDate(date);
  WriteText(entryKey, "InstallDate", date);
  char quietCommand[kTargetDirSize + sizeof(kSilentOption)];
  snprintf(quietCommand, sizeof(quietCommand), "%s%s", entry.command, kSilentOption);
  WriteText(entryKey, "QuietUninstallString", quietCommand);
  WriteNumber(entryKey, "NoModify", 1);
  WriteNumber(entryKey, "NoRepair", 1);
}

// Creates or reuses the entry and writes its values; false when it cannot be created.
bool WriteUninstallEntry(HINF inf, const PlannedEntry &entry, const char *targetDir) {
  RegKeyGuard entryKey;
  LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, entry.keyPath, 0, nullptr,
                                REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, entryKey.receive(),
                                nullptr);
  if (result != ERROR_SUCCESS) {
    LogFailure(static_cast<DWORD>(result), "Uninstall entry %s cannot be created", entry.key);
    return false;
  }
  WriteText(entryKey.get(), "DisplayName", entry.displayName);
  WriteText(entryKey.get(), kUninstallStringValue, entry.command);
  if (entry.hasVersion) WriteText(entryKey.get(), kProductVersionValue, entry.version);
  if (targetDir[0] != '\0') WriteText(entryKey.get(), kUserTargetDirValue, targetDir);
  WriteDisplayValues(inf, entryKey.get(), entry, targetDir);
  RecordSetupIdentity(inf, entryKey.get());
  LogLine("Uninstall entry %s written: %s", entry.key, entry.command);
  return true;
}

// Writes "EstimatedSize" of key's entry, when it has one: the files that its install section
// copied, in KiB. Every entry counts only its own section, so that no file counts twice.
void WriteEstimatedSize(HINF inf, const char *key, const char *section) {
  char path[kUninstallKeyPathSize];
  RegKeyGuard entry;
  if (!FormUninstallKeyPath(path, sizeof(path), key) ||
      !OpenRegistryKey(HKEY_LOCAL_MACHINE, path, KEY_SET_VALUE, &entry))
    return;
  DWORD kibibytes = SizeInKibibytes(SectionCopiedBytes(inf, section));
  WriteNumber(entry.get(), "EstimatedSize", kibibytes);
  LogLine("Uninstall entry %s: EstimatedSize %lu KiB from the files of section %s", key,
          static_cast<unsigned long>(kibibytes), section);
}

}  // namespace

bool PlanUninstallEntries(HINF inf, const char *keyList, UninstallPlan *plan) {
  plan->count = ListCount(keyList) + 1;
  plan->entries = reinterpret_cast<PlannedEntry *>(
      AllocateZeroed(static_cast<size_t>(plan->count) * sizeof(PlannedEntry)));
  if (!plan->entries) {
    plan->count = 0;
    return false;
  }
  PlannedEntry *entry = plan->entries;
  for (const char *key = keyList; *key; key = ListNext(key)) PlanProduct(inf, key, entry++);
  PlanSetupLevel(inf, entry);
  for (int at = 0; at < plan->count; ++at) {
    PlannedEntry &planned = plan->entries[at];
    planned.existed = planned.due && UninstallEntryExists(planned.key);
  }
  return true;
}

void ReleaseUninstallPlan(UninstallPlan *plan) {
  if (plan->entries) HeapFree(GetProcessHeap(), 0, plan->entries);
  *plan = UninstallPlan();
}

DWORD CheckPlannedEntries(const UninstallPlan &plan) {
  for (int at = 0; at < plan.count; ++at) {
    const PlannedEntry &entry = plan.entries[at];
    if (!entry.due || !entry.error) continue;
    const char *reason = "";
    for (const EntryFault &fault : kEntryFaults)
      if (fault.error == entry.error) reason = fault.reason;
    LogLine("Uninstall entry %s cannot be written: %s", entry.key, reason);
    return entry.error;
  }
  return 0;
}

// An entry without a copy of setup.exe stops the registration; one whose command line would
// be cut is refused (a cut command line could start another program), and the others are
// written.
int RegisterPlannedEntries(HINF inf, const UninstallPlan &plan, const char *targetDir) {
  int complete = 1;
  for (int at = 0; at < plan.count; ++at) {
    const PlannedEntry &entry = plan.entries[at];
    if (!entry.due) continue;
    if (entry.error == ERROR_FILE_NOT_FOUND) return 0;
    if (entry.error) {
      complete = 0;
      continue;
    }
    if (!WriteUninstallEntry(inf, entry, targetDir)) return 0;
  }
  return complete;
}

void RecordInstalledSizes(HINF inf, const char *keyList) {
  for (const char *key = keyList; *key; key = ListNext(key)) {
    INFCONTEXT line;
    char section[kFieldSize];
    if (FindProductLine(inf, key, &line) &&
        ReadField(&line, kFieldInstallSection, section) &&
        section[0] != '\0')
      WriteEstimatedSize(inf, key, section);
  }
  INFCONTEXT line;
  char setupKey[kFieldSize];
  if (ReadSetupLevelKey(inf, &line, setupKey, sizeof(setupKey)))
    WriteEstimatedSize(inf, setupKey, g_installSection);
}

DWORD DeleteUninstallEntry(const char *key) {
  char path[kUninstallKeyPathSize];
  LONG result = FormUninstallKeyPath(path, sizeof(path), key)
                    ? RegDeleteKeyA(HKEY_LOCAL_MACHINE, path)
                    : ERROR_INVALID_NAME;
  if (result == ERROR_SUCCESS) LogLine("Uninstall entry %s deleted", key);
  if (result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) return 0;
  LogFailure(static_cast<DWORD>(result), "Uninstall entry %s could not be deleted", key);
  return static_cast<DWORD>(result);
}

DWORD DeleteUninstallEntries(const char *keyList) {
  DWORD first = 0;
  for (const char *key = keyList; *key; key = ListNext(key)) {
    DWORD error = DeleteUninstallEntry(key);
    if (!first) first = error;
  }
  return first;
}
