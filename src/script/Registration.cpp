// Uninstall registration: one entry per installed product with a remove section and one for
// the setup as a whole, each starting the copied setup.exe with "/remove:" and its key.
#include "script/Registration.h"

#include <stdio.h>
#include <string.h>

#include "app/Globals.h"
#include "common/Log.h"
#include "script/KeyList.h"
#include "script/ProductLines.h"
#include "script/UninstallCommand.h"

namespace {

constexpr char kUninstallRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Closes a registry key when the scope ends.
struct RegKeyGuard {
  HKEY key = nullptr;
  ~RegKeyGuard() {
    if (key) RegCloseKey(key);
  }
};

// Opens key's Uninstall entry; false for a key that cannot name one.
bool OpenUninstallEntry(const char *key, REGSAM access, RegKeyGuard *entry) {
  char path[kUninstallKeyPathSize];
  if (!FormUninstallKeyPath(path, sizeof(path), key)) return false;
  return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, &entry->key) == ERROR_SUCCESS;
}

void WriteText(HKEY key, const char *name, const char *text) {
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                 static_cast<DWORD>(strlen(text) + 1));
}

// What one Uninstall entry holds; version is NULL when none is written.
struct EntryValues {
  const char *key;
  const char *displayName;
  const char *setupPath;
  const char *version;
};

enum class EntryResult { Written, Refused, Failed };

// Creates or reuses the entry and writes its values. An entry whose command line would be too
// long is refused: a cut command line could start another program.
EntryResult WriteUninstallEntry(const EntryValues &values) {
  char command[kTargetDirSize];
  char path[kUninstallKeyPathSize];
  if (!BuildUninstallCommand(command, sizeof(command), values.setupPath, values.key) ||
      !FormUninstallKeyPath(path, sizeof(path), values.key))
    return EntryResult::Refused;
  RegKeyGuard entry;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &entry.key, nullptr) != ERROR_SUCCESS)
    return EntryResult::Failed;
  WriteText(entry.key, "DisplayName", values.displayName);
  WriteText(entry.key, "UninstallString", command);
  if (values.version) WriteText(entry.key, "ProductVersion", values.version);
  if (g_targetDir[0] != '\0') WriteText(entry.key, "UserTargetDir", g_targetDir);
  LogLine("Uninstall entry %s written: %s", values.key, command);
  return EntryResult::Written;
}

// Registers one product of the key list. Failed stops the registration.
EntryResult RegisterProduct(HINF inf, const char *key) {
  INFCONTEXT line;
  char name[kFieldSize];
  char installSection[kFieldSize];
  // Read as the removal reads it: a name too long for a section list slot could never run,
  // and an entry for it would be deleted by a removal that left every file in place.
  char removeSection[kSectionNameSize];
  if (!FindProductLine(inf, key, &line) ||
      !ReadScriptField(&line, kFieldDisplayName, name, sizeof(name)) ||
      !ReadScriptField(&line, kFieldInstallSection, installSection, sizeof(installSection)) ||
      !ReadScriptField(&line, kFieldRemoveSection, removeSection, sizeof(removeSection)) ||
      removeSection[0] == '\0')
    return EntryResult::Written;  // nothing is due for this key
  char setupPath[kTargetDirSize];
  if (!FindSetupCopyPath(inf, installSection, setupPath) &&
      !FindSetupCopyPath(inf, g_installSection, setupPath))
    return EntryResult::Failed;
  char version[kFieldSize];
  bool hasVersion = ReadScriptField(&line, kFieldVersion, version, sizeof(version));
  return WriteUninstallEntry({key, name, setupPath, hasVersion ? version : nullptr});
}

// Registers the setup as a whole when the Install section has an "Uninstall" line.
EntryResult RegisterSetupLevel(HINF inf) {
  INFCONTEXT line;
  char key[kFieldSize];
  if (!ReadSetupLevelKey(inf, &line, key, sizeof(key))) return EntryResult::Written;
  char name[kFieldSize];
  if (!ReadScriptField(&line, 2, name, sizeof(name))) snprintf(name, sizeof(name), "%s", key);
  char setupPath[kTargetDirSize];
  if (!FindSetupCopyPath(inf, g_installSection, setupPath)) return EntryResult::Failed;
  return WriteUninstallEntry({key, name, setupPath, nullptr});
}

}  // namespace

bool FindCopyInFileList(HINF inf, const char *fileList, const char *fileName, char *path) {
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, fileList, nullptr, &line)) return false;
  do {
    char target[kFieldSize];
    if (!ReadScriptField(&line, 1, target, sizeof(target))) continue;
    if (_stricmp(target, fileName) != 0) continue;
    // Naming the file-list section gives its own destination; passing the line's context
    // does not do so on every implementation of the Setup API.
    char dir[kTargetDirSize];
    if (!SetupGetTargetPathA(inf, nullptr, fileList, dir, sizeof(dir), nullptr)) continue;
    size_t length = strlen(dir);
    const char *separator = (length != 0 && dir[length - 1] == '\\') ? "" : "\\";
    if (length + strlen(separator) + strlen(fileName) >= kTargetDirSize) continue;
    strcpy(path, dir);
    strcat(path, separator);
    strcat(path, fileName);
    return true;
  } while (SetupFindNextLine(&line, &line));
  return false;
}

namespace {

// Reads "UserTargetDir" of key's entry into dir.
bool ReadTargetDir(const char *key, char *dir) {
  return ReadUninstallValue(key, "UserTargetDir", dir, kTargetDirSize);
}

// Number of products of the script that stay registered after removing the keys of keyList.
int CountProductsStayingRegistered(HINF inf, const char *keyList) {
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, g_productsSection, nullptr, &line)) return 0;
  int count = 0;
  do {
    char key[kFieldSize];
    if (!ReadScriptField(&line, kFieldKey, key, sizeof(key))) continue;
    RegKeyGuard entry;
    // Reading is enough to know the product is registered; asking for full access would count
    // every product as gone for a user who may only read HKLM.
    if (!OpenUninstallEntry(key, KEY_READ, &entry)) continue;
    bool removed = false;
    for (const char *k = keyList; *k; k = ListNext(k))
      if (_stricmp(k, key) == 0) removed = true;
    if (!removed) ++count;
  } while (SetupFindNextLine(&line, &line));
  return count;
}

}  // namespace

bool ReadUninstallValue(const char *key, const char *valueName, char *buffer, DWORD size) {
  if (size == 0) return false;
  buffer[0] = '\0';
  RegKeyGuard entry;
  if (!OpenUninstallEntry(key, KEY_READ, &entry)) return false;
  // Room for a NUL behind the value, which the registry may hold without one.
  char text[kLongTextSize + 1];
  if (size > kLongTextSize) size = kLongTextSize;
  DWORD length = size;
  if (RegQueryValueExA(entry.key, valueName, nullptr, nullptr, reinterpret_cast<BYTE *>(text),
                       &length) != ERROR_SUCCESS)
    return false;
  text[length] = '\0';
  size_t textLength = strlen(text);
  if (textLength == 0 || textLength >= size) return false;
  memcpy(buffer, text, textLength + 1);
  return true;
}

int RegisterUninstallEntries(HINF inf, const char *keyList) {
  bool complete = true;
  for (const char *key = keyList; *key; key = ListNext(key)) {
    EntryResult result = RegisterProduct(inf, key);
    if (result == EntryResult::Failed) return 0;
    if (result == EntryResult::Refused) complete = false;
  }
  EntryResult result = RegisterSetupLevel(inf);
  if (result != EntryResult::Written) return 0;
  return complete ? 1 : 0;
}

int FindSetupCopyPath(HINF inf, const char *section, char *path) {
  path[0] = '\0';
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, section, "CopyFiles", &line)) return 0;
  char fileList[kFieldSize];
  for (DWORD field = 1; ReadScriptField(&line, field, fileList, sizeof(fileList)); ++field)
    if (fileList[0] != '\0' && FindCopyInFileList(inf, fileList, kSetupProgramName, path))
      return 1;
  return 0;
}

// The recorded target directory: of the given keys, else of every product line, else of the
// setup-level entry.
int FindInstalledTargetDir(HINF inf, const char *keyList, char *dir) {
  dir[0] = '\0';
  if (keyList)
    for (const char *key = keyList; *key; key = ListNext(key))
      if (ReadTargetDir(key, dir)) return 1;
  INFCONTEXT line;
  if (SetupFindFirstLineA(inf, g_productsSection, nullptr, &line)) {
    do {
      char key[kFieldSize];
      if (ReadScriptField(&line, kFieldKey, key, sizeof(key)) && ReadTargetDir(key, dir))
        return 1;
    } while (SetupFindNextLine(&line, &line));
  }
  char setupKey[kFieldSize];
  if (ReadSetupLevelKey(inf, &line, setupKey, sizeof(setupKey)) && ReadTargetDir(setupKey, dir))
    return 1;
  return 0;
}

int BuildRemoveSectionListChecked(HINF inf, const char *keyList, char *sectionList) {
  ListClear(sectionList, kSectionListSize);
  int staying = CountProductsStayingRegistered(inf, keyList);
  for (const char *key = keyList; *key; key = ListNext(key)) {
    INFCONTEXT line;
    char section[kSectionNameSize];
    if (!FindProductLine(inf, key, &line)) continue;
    if (!ReadScriptField(&line, kFieldRemoveSection, section, sizeof(section))) continue;
    if (section[0] == '\0') continue;
    if (!ListAppend(sectionList, kSectionListSize, section, kSectionNameSize)) return 0;
  }
  if (staying == 0 &&
      !ListAppend(sectionList, kSectionListSize, g_removeSection, kSectionNameSize))
    return 0;
  return 1;
}

void BuildRemoveSectionList(HINF inf, const char *keyList, char *sectionList) {
  BuildRemoveSectionListChecked(inf, keyList, sectionList);
}

int DeleteUninstallEntries(HINF, const char *keyList) {
  RegKeyGuard root;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallRoot, 0, KEY_READ, &root.key) != ERROR_SUCCESS)
    return 0;
  for (const char *key = keyList; *key; key = ListNext(key))
    if (RegDeleteKeyA(root.key, key) == ERROR_SUCCESS) LogLine("Uninstall entry %s deleted", key);
  return 1;
}
