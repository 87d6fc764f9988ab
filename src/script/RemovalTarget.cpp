#include "script/RemovalTarget.h"

#include <string.h>

#include "common/AsciiCase.h"
#include "common/KeyList.h"
#include "common/Log.h"
#include "common/ScriptField.h"
#include "script/Ownership.h"
#include "script/ProductLines.h"
#include "script/UninstallValues.h"

namespace {

bool InKeyList(const char *keyList, const char *key) {
  for (const char *entry = keyList; *entry; entry = ListNext(entry))
    if (SameIgnoringCase(entry, key)) return true;
  return false;
}

// A key that the script lists: a product key or the setup-level key.
bool IsScriptKey(HINF inf, const char *key) {
  INFCONTEXT line;
  if (FindProductLine(inf, key, &line)) return true;
  char setupKey[kFieldSize];
  return ReadSetupLevelKey(inf, &line, setupKey, sizeof(setupKey)) &&
         SameIgnoringCase(setupKey, key);
}

}  // namespace

// Reading is enough to know the product is registered; asking for full access would count
// every product as gone for a user who may only read HKLM. Another program's entry with the
// key is no product of this setup.
int CountProductsStayingRegistered(HINF inf, const char *keyList) {
  int count = 0;
  ForEachLine(inf, g_productsSection, nullptr, [&](INFCONTEXT *line) {
    char key[kFieldSize];
    if (ReadField(line, kFieldKey, key) && !InKeyList(keyList, key) &&
        OwnerOfEntry(inf, key) == EntryOwner::ThisSetup)
      ++count;
  });
  return count;
}

void AppendSetupLevelKey(HINF inf, char *keys, size_t size) {
  INFCONTEXT line;
  char setupKey[kFieldSize];
  if (!ReadSetupLevelKey(inf, &line, setupKey, sizeof(setupKey)) || InKeyList(keys, setupKey))
    return;
  ListAppend(keys, size, setupKey, sizeof(setupKey) - 1);
}

bool RemovalKeys(HINF inf, const char *keyList, char (&keys)[kKeyListSize]) {
  size_t length = ListEnd(keyList) + 1;
  if (length > sizeof(keys)) {
    ListClear(keys, sizeof(keys));
    return false;
  }
  memcpy(keys, keyList, length);
  if (!keys[0]) AppendSetupLevelKey(inf, keys, sizeof(keys));
  return true;
}

int FindRemovalTarget(HINF inf, const char *keys, char (&dir)[kTargetDirSize]) {
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
