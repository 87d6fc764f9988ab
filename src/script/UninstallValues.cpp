#include "script/UninstallValues.h"

#include <string.h>

#include "common/Guards.h"
#include "common/KeyList.h"
#include "common/ScriptField.h"
#include "script/Ownership.h"
#include "script/ProductLines.h"
#include "script/UninstallCommand.h"

namespace {

// Opens key's Uninstall entry for reading; false for a key that cannot name one.
bool OpenEntryToRead(const char *key, RegKeyGuard *entry) {
  char path[kUninstallKeyPathSize];
  if (!FormUninstallKeyPath(path, sizeof(path), key)) return false;
  return OpenRegistryKey(HKEY_LOCAL_MACHINE, path, KEY_READ, entry);
}

// The recorded target directory of key's entry, when the entry is this setup's: another
// program's folder is never proposed.
bool ReadOwnTargetDir(HINF inf, const char *key, char (&dir)[kTargetDirSize]) {
  if (ReadRecordedTargetDir(key, dir) && OwnerOfEntry(inf, key) == EntryOwner::ThisSetup)
    return true;
  dir[0] = '\0';
  return false;
}

}  // namespace

bool UninstallEntryExists(const char *key) {
  RegKeyGuard entry;
  return OpenEntryToRead(key, &entry);
}

bool ReadRecordedTargetDir(const char *key, char (&dir)[kTargetDirSize]) {
  return ReadUninstallValue(key, kUserTargetDirValue, dir, sizeof(dir));
}

bool ReadUninstallValue(const char *key, const char *valueName, char *buffer, DWORD size) {
  if (size == 0) return false;
  buffer[0] = '\0';
  RegKeyGuard entry;
  if (!OpenEntryToRead(key, &entry)) return false;
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

int FindInstalledTargetDir(HINF inf, const char *keyList, char (&dir)[kTargetDirSize]) {
  dir[0] = '\0';
  if (keyList)
    for (const char *key = keyList; *key; key = ListNext(key))
      if (ReadOwnTargetDir(inf, key, dir)) return 1;
  bool found = false;
  ForEachLine(inf, g_productsSection, nullptr, [&](INFCONTEXT *line) {
    char key[kFieldSize];
    if (!found && ReadField(line, kFieldKey, key)) found = ReadOwnTargetDir(inf, key, dir);
  });
  if (found) return 1;
  INFCONTEXT line;
  char setupKey[kFieldSize];
  return ReadSetupLevelKey(inf, &line, setupKey, sizeof(setupKey)) &&
         ReadOwnTargetDir(inf, setupKey, dir);
}
