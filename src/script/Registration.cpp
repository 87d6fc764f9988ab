// Uninstall registration: one entry per installed product with a remove section and one for
// the setup as a whole, each starting the copied setup.exe with "/remove:" and its key.
#include "script/Registration.h"

#include <stdio.h>
#include <string.h>

#include "common/Globals.h"
#include "common/Guards.h"
#include "common/KeyList.h"
#include "common/Log.h"
#include "common/ScriptField.h"
#include "script/InstalledSize.h"
#include "script/Ownership.h"
#include "script/ProductLines.h"
#include "script/SetupScript.h"
#include "script/UninstallCommand.h"
#include "script/VersionCompare.h"

namespace {

constexpr char kSilentOption[] = " /silent";
constexpr int kDateTextSize = sizeof("YYYYMMDD");

// Opens key's Uninstall entry; false for a key that cannot name one.
bool OpenUninstallEntry(const char *key, REGSAM access, RegKeyGuard *entry) {
  char path[kUninstallKeyPathSize];
  if (!FormUninstallKeyPath(path, sizeof(path), key)) return false;
  return OpenRegistryKey(HKEY_LOCAL_MACHINE, path, access, entry);
}

void WriteText(HKEY key, const char *name, const char *text) {
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                 static_cast<DWORD>(strlen(text) + 1));
}

void WriteNumber(HKEY key, const char *name, DWORD number) {
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&number),
                 sizeof(number));
}

// Where the copy of setup.exe that an entry names lands.
enum class SetupCopy { Found, Absent, TooLong };

// One Uninstall entry due for a key: its values, or why it cannot be written.
struct PlannedEntry {
  bool due;
  DWORD error;  // 0 when the entry can be written
  char displayName[kFieldSize];
  char version[kFieldSize];
  bool hasVersion;
  char command[kTargetDirSize];
  char setupPath[kTargetDirSize];  // the copy of setup.exe the command starts
  char keyPath[kUninstallKeyPathSize];
};

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

SetupCopy FindSetupCopy(HINF inf, const char *section, char *path);

// The command and registry path of a due entry, from where its setup.exe copy lands.
void PlanCommand(const char *key, SetupCopy copy, const char *setupPath, PlannedEntry *entry) {
  entry->due = true;
  if (copy == SetupCopy::Absent)
    entry->error = ERROR_FILE_NOT_FOUND;
  else if (!KeyCanBeCarried(key) || !FormUninstallKeyPath(entry->keyPath, sizeof(entry->keyPath), key))
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
  ZeroMemory(entry, sizeof(*entry));
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
  SetupCopy copy = FindSetupCopy(inf, installSection, setupPath);
  if (copy == SetupCopy::Absent) copy = FindSetupCopy(inf, g_installSection, setupPath);
  PlanCommand(key, copy, setupPath, entry);
}

// The setup-level entry, due when the Install section has an "Uninstall" line.
void PlanSetupLevel(HINF inf, char (&key)[kFieldSize], PlannedEntry *entry) {
  ZeroMemory(entry, sizeof(*entry));
  INFCONTEXT line;
  if (!ReadSetupLevelKey(inf, &line, key, sizeof(key))) return;
  if (!ReadField(&line, kFieldSetupName, entry->displayName))
    snprintf(entry->displayName, sizeof(entry->displayName), "%s", key);
  char setupPath[kTargetDirSize];
  PlanCommand(key, FindSetupCopy(inf, g_installSection, setupPath), setupPath, entry);
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
bool WriteUninstallEntry(HINF inf, const char *key, const PlannedEntry &entry,
                         const char *targetDir) {
  RegKeyGuard entryKey;
  LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, entry.keyPath, 0, nullptr,
                                REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, entryKey.receive(),
                                nullptr);
  if (result != ERROR_SUCCESS) {
    LogFailure(static_cast<DWORD>(result), "Uninstall entry %s cannot be created", key);
    return false;
  }
  WriteText(entryKey.get(), "DisplayName", entry.displayName);
  WriteText(entryKey.get(), kUninstallStringValue, entry.command);
  if (entry.hasVersion) WriteText(entryKey.get(), kProductVersionValue, entry.version);
  if (targetDir[0] != '\0') WriteText(entryKey.get(), kUserTargetDirValue, targetDir);
  WriteDisplayValues(inf, entryKey.get(), entry, targetDir);
  RecordSetupIdentity(inf, entryKey.get());
  LogLine("Uninstall entry %s written: %s", key, entry.command);
  return true;
}

// Writes "EstimatedSize" of key's entry, when it has one: the files that its install section
// copied, in KiB. Every entry counts only its own section, so that no file counts twice.
void WriteEstimatedSize(HINF inf, const char *key, const char *section) {
  RegKeyGuard entry;
  if (!OpenUninstallEntry(key, KEY_SET_VALUE, &entry)) return;
  DWORD kibibytes = SizeInKibibytes(SectionCopiedBytes(inf, section));
  WriteNumber(entry.get(), "EstimatedSize", kibibytes);
  LogLine("Uninstall entry %s: EstimatedSize %lu KiB from the files of section %s", key,
          static_cast<unsigned long>(kibibytes), section);
}

// Writes a planned entry. An entry without a copy of setup.exe stops the registration; one
// whose command line would be cut is refused (a cut command line could start another
// program), and the others are written.
enum class EntryResult { Written, Refused, Failed };

EntryResult RegisterPlanned(HINF inf, const char *key, const PlannedEntry &entry,
                            const char *targetDir) {
  if (!entry.due) return EntryResult::Written;
  if (entry.error == ERROR_FILE_NOT_FOUND) return EntryResult::Failed;
  if (entry.error) return EntryResult::Refused;
  return WriteUninstallEntry(inf, key, entry, targetDir) ? EntryResult::Written
                                                         : EntryResult::Failed;
}

// Logs why key's entry cannot be written and returns the reason.
DWORD ReportEntryFault(const char *key, DWORD error) {
  const char *reason = "";
  for (const EntryFault &fault : kEntryFaults)
    if (fault.error == error) reason = fault.reason;
  LogLine("Uninstall entry %s cannot be written: %s", key, reason);
  return error;
}

// Searches one file-list section for the line that copies fileName.
SetupCopy FindCopyOf(HINF inf, const char *fileList, const char *fileName, char *path) {
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, fileList, nullptr, &line)) return SetupCopy::Absent;
  do {
    char target[kFieldSize];
    if (!ReadField(&line, kFieldFileTarget, target)) continue;
    if (_stricmp(target, fileName) != 0) continue;
    // Naming the file-list section gives its own destination; passing the line's context
    // does not do so on every implementation of the Setup API. A destination too long for
    // the buffer is one whose setup.exe path does not fit either.
    char dir[kTargetDirSize];
    if (!SetupGetTargetPathA(inf, nullptr, fileList, dir, sizeof(dir), nullptr))
      return GetLastError() == ERROR_INSUFFICIENT_BUFFER ? SetupCopy::TooLong : SetupCopy::Absent;
    size_t length = strlen(dir);
    const char *separator = (length != 0 && dir[length - 1] == '\\') ? "" : "\\";
    if (length + strlen(separator) + strlen(fileName) >= kTargetDirSize)
      return SetupCopy::TooLong;
    strcpy(path, dir);
    strcat(path, separator);
    strcat(path, fileName);
    return SetupCopy::Found;
  } while (SetupFindNextLine(&line, &line));
  return SetupCopy::Absent;
}

// The first copy of setup.exe that the first "CopyFiles" line of the section makes.
SetupCopy FindSetupCopy(HINF inf, const char *section, char *path) {
  path[0] = '\0';
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, section, kCopyFilesKey, &line)) return SetupCopy::Absent;
  char fileList[kFieldSize];
  for (DWORD field = 1; ReadField(&line, field, fileList); ++field) {
    if (fileList[0] == '\0') continue;
    SetupCopy copy = FindCopyOf(inf, fileList, kSetupProgramName, path);
    if (copy != SetupCopy::Absent) return copy;
  }
  return SetupCopy::Absent;
}

// Number of products of the script that stay registered after removing the keys of keyList.
int CountProductsStayingRegistered(HINF inf, const char *keyList) {
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, g_productsSection, nullptr, &line)) return 0;
  int count = 0;
  do {
    char key[kFieldSize];
    if (!ReadField(&line, kFieldKey, key)) continue;
    // Reading is enough to know the product is registered; asking for full access would count
    // every product as gone for a user who may only read HKLM. Another program's entry with
    // the key is no product of this setup.
    if (OwnerOfEntry(inf, key) != EntryOwner::ThisSetup) continue;
    bool removed = false;
    for (const char *k = keyList; *k; k = ListNext(k))
      if (_stricmp(k, key) == 0) removed = true;
    if (!removed) ++count;
  } while (SetupFindNextLine(&line, &line));
  return count;
}

// A key that the script lists: a product key or the setup-level key.
bool IsScriptKey(HINF inf, const char *key) {
  INFCONTEXT line;
  if (FindProductLine(inf, key, &line)) return true;
  char setupKey[kFieldSize];
  return ReadSetupLevelKey(inf, &line, setupKey, sizeof(setupKey)) && _stricmp(setupKey, key) == 0;
}

// The recorded target directory of key's entry, when the entry is this setup's: another
// program's folder is never proposed.
bool ReadOwnTargetDir(HINF inf, const char *key, char *dir) {
  if (ReadRecordedTargetDir(key, dir) && OwnerOfEntry(inf, key) == EntryOwner::ThisSetup)
    return true;
  dir[0] = '\0';
  return false;
}

}  // namespace

bool UninstallEntryExists(const char *key) {
  RegKeyGuard entry;
  return OpenUninstallEntry(key, KEY_READ, &entry);
}

bool ReadRecordedTargetDir(const char *key, char *dir) {
  return ReadUninstallValue(key, kUserTargetDirValue, dir, kTargetDirSize);
}

bool ReadUninstallValue(const char *key, const char *valueName, char *buffer, DWORD size) {
  if (size == 0) return false;
  buffer[0] = '\0';
  RegKeyGuard entry;
  if (!OpenUninstallEntry(key, KEY_READ, &entry)) return false;
  // Room for a NUL behind the value, which the registry may hold without one.
  char text[kLongTextSize + 1];
  if (size > kLongTextSize) size = kLongTextSize;
  DWORD length = size;
  if (RegQueryValueExA(entry.get(), valueName, nullptr, nullptr, reinterpret_cast<BYTE *>(text),
                       &length) != ERROR_SUCCESS)
    return false;
  text[length] = '\0';
  size_t textLength = strlen(text);
  if (textLength == 0 || textLength >= size) return false;
  memcpy(buffer, text, textLength + 1);
  return true;
}

int RegisterUninstallEntries(HINF inf, const char *keyList, const char *targetDir) {
  bool complete = true;
  PlannedEntry entry;
  for (const char *key = keyList; *key; key = ListNext(key)) {
    PlanProduct(inf, key, &entry);
    EntryResult result = RegisterPlanned(inf, key, entry, targetDir);
    if (result == EntryResult::Failed) return 0;
    if (result == EntryResult::Refused) complete = false;
  }
  char setupKey[kFieldSize];
  PlanSetupLevel(inf, setupKey, &entry);
  if (RegisterPlanned(inf, setupKey, entry, targetDir) != EntryResult::Written) return 0;
  return complete ? 1 : 0;
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

DWORD CheckUninstallEntries(HINF inf, const char *keyList) {
  PlannedEntry entry;
  for (const char *key = keyList; *key; key = ListNext(key)) {
    PlanProduct(inf, key, &entry);
    if (entry.due && entry.error) return ReportEntryFault(key, entry.error);
  }
  char setupKey[kFieldSize];
  PlanSetupLevel(inf, setupKey, &entry);
  if (entry.due && entry.error) return ReportEntryFault(setupKey, entry.error);
  return 0;
}

int ListEntriesToCreate(HINF inf, const char *keyList, char *keys, size_t size) {
  ListClear(keys, size);
  PlannedEntry entry;
  for (const char *key = keyList; *key; key = ListNext(key)) {
    PlanProduct(inf, key, &entry);
    if (entry.due && !UninstallEntryExists(key) && !ListAppend(keys, size, key, 0)) return 0;
  }
  char setupKey[kFieldSize];
  PlanSetupLevel(inf, setupKey, &entry);
  if (entry.due && !UninstallEntryExists(setupKey) && !ListAppend(keys, size, setupKey, 0))
    return 0;
  return 1;
}

bool FindCopyInFileList(HINF inf, const char *fileList, const char *fileName, char *path) {
  return FindCopyOf(inf, fileList, fileName, path) == SetupCopy::Found;
}

int FindSetupCopyPath(HINF inf, const char *section, char *path) {
  return FindSetupCopy(inf, section, path) == SetupCopy::Found ? 1 : 0;
}

// The recorded target directory: of the given keys, else of every product line, else of the
// setup-level entry.
int FindInstalledTargetDir(HINF inf, const char *keyList, char *dir) {
  dir[0] = '\0';
  if (keyList)
    for (const char *key = keyList; *key; key = ListNext(key))
      if (ReadOwnTargetDir(inf, key, dir)) return 1;
  INFCONTEXT line;
  if (SetupFindFirstLineA(inf, g_productsSection, nullptr, &line)) {
    do {
      char key[kFieldSize];
      if (ReadField(&line, kFieldKey, key) && ReadOwnTargetDir(inf, key, dir))
        return 1;
    } while (SetupFindNextLine(&line, &line));
  }
  char setupKey[kFieldSize];
  if (ReadSetupLevelKey(inf, &line, setupKey, sizeof(setupKey)) &&
      ReadOwnTargetDir(inf, setupKey, dir))
    return 1;
  return 0;
}

void AppendSetupLevelKey(HINF inf, char *keys, size_t size) {
  INFCONTEXT line;
  char setupKey[kFieldSize];
  if (!ReadSetupLevelKey(inf, &line, setupKey, sizeof(setupKey))) return;
  for (const char *key = keys; *key; key = ListNext(key))
    if (_stricmp(key, setupKey) == 0) return;
  ListAppend(keys, size, setupKey, sizeof(setupKey) - 1);
}

void RemovalKeys(HINF inf, const char *keyList, char (&keys)[kKeyListSize]) {
  // A removal's keys come from the command line, whose list never grows beyond this size.
  memcpy(keys, keyList, sizeof(keys));
  if (!keys[0]) AppendSetupLevelKey(inf, keys, sizeof(keys));
}

int FindRemovalTarget(HINF inf, const char *keys, char *dir) {
  dir[0] = '\0';
  if (!keys[0]) {
    LogLine("nothing to remove: no key is given and the script names no setup-level entry");
    return 0;
  }
  for (const char *key = keys; *key; key = ListNext(key)) {
    char recorded[kTargetDirSize];
    if (!IsScriptKey(inf, key)) {
      LogLine("%s is not a product of this setup: nothing is removed", key);
      return 0;
    }
    OtherProgram other;
    if (HeldByOtherProgram(inf, key, &other)) {
      LogLine("%s is registered by another program, %s: nothing is removed", key, other.name);
      return 0;
    }
    if (!ReadRecordedTargetDir(key, recorded)) {
      LogLine("%s is not installed (no Uninstall entry with a target directory): nothing is "
              "removed", key);
      return 0;
    }
    if (!dir[0]) memcpy(dir, recorded, sizeof(recorded));
  }
  return 1;
}

int BuildRemoveSectionListChecked(HINF inf, const char *keyList, char *sectionList,
                                  size_t size) {
  ListClear(sectionList, size);
  int staying = CountProductsStayingRegistered(inf, keyList);
  if (!AppendProductSections(inf, keyList, kFieldRemoveSection, sectionList, size)) return 0;
  if (staying == 0 && !ListAppend(sectionList, size, g_removeSection, kSectionNameSize)) return 0;
  return 1;
}

void BuildRemoveSectionList(HINF inf, const char *keyList, char *sectionList) {
  BuildRemoveSectionListChecked(inf, keyList, sectionList, kSectionListSize);
}

int DeleteUninstallEntries(HINF, const char *keyList) {
  RegKeyGuard root;
  if (!OpenRegistryKey(HKEY_LOCAL_MACHINE, kUninstallRoot, KEY_READ, &root)) return 0;
  for (const char *key = keyList; *key; key = ListNext(key))
    if (RegDeleteKeyA(root.get(), key) == ERROR_SUCCESS) LogLine("Uninstall entry %s deleted", key);
  return 1;
}
