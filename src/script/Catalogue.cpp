// The product catalogue: the listed products as the components page shows them, the chosen
// keys, descriptions, installed versions, flags and the install section list, all read from
// the Products section.
#include "script/Catalogue.h"

#include <stdlib.h>
#include <string.h>

#include "common/AsciiCase.h"
#include "common/Globals.h"
#include "common/Guards.h"
#include "common/KeyList.h"
#include "common/Log.h"
#include "common/ScriptField.h"
#include "script/Ownership.h"
#include "script/ProductLines.h"
#include "script/ScriptText.h"
#include "script/UninstallValues.h"
#include "script/VersionCompare.h"

namespace {

// The script's version of a product line and the one its Uninstall entry records; false when
// either is unknown, or when the entry is another program's, whose version says nothing about
// this product.
bool ReadVersions(INFCONTEXT *line, char (&script)[kSectionNameSize],
                  char (&installed)[kSectionNameSize]) {
  char key[kProductKeySize];
  return ReadField(line, kFieldKey, key) && ReadField(line, kFieldVersion, script) &&
         ReadUninstallValue(key, kProductVersionValue, installed, sizeof(installed)) &&
         OwnerOfEntry(static_cast<HINF>(line->Inf), key) == EntryOwner::ThisSetup;
}

// Sign of the script's version against the installed copy's for one product line.
int CompareInstalledVersionOfLine(INFCONTEXT *line) {
  char script[kSectionNameSize];
  char installed[kSectionNameSize];
  if (!ReadVersions(line, script, installed)) return 0;
  return CompareVersionTexts(installed, script);
}

// A product is checked by default when its flags say so, unless a newer version is installed.
bool CheckedByDefault(INFCONTEXT *line, int newer) {
  int flags = ReadFieldNumber(line, kFieldFlags, kFieldSize);
  return (flags & kProductCheckedByDefault) != 0 && !newer;
}

bool CheckedByItsFlags(INFCONTEXT *line, int, const void *) { return CheckedByDefault(line, 0); }

}  // namespace

int ReadListedProducts(HINF inf, ShowProduct show, void *data) {
  bool keysDistinct = ProductKeysDistinct(inf);
  int count = 0;
  ForEachLine(inf, g_productsSection, nullptr, [&](INFCONTEXT *line) {
    if (!IsListedProduct(line, keysDistinct)) return true;
    ListedProduct product;
    ReadField(line, kFieldDisplayName, product.name);
    product.newer = CompareInstalledVersionOfLine(line) < 0;
    product.checked = CheckedByDefault(line, product.newer);
    product.icon = ReadFieldNumber(line, kFieldIcon, kFieldSize);
    if (!show(product, data)) return false;
    ++count;
    return true;
  });
  return count;
}

int CollectChosenProducts(HINF inf, char *keyList, size_t size, ProductChoice chosen,
                          const void *choices) {
  ListClear(keyList, size);
  bool keysDistinct = ProductKeysDistinct(inf);
  int index = 0;
  int count = 0;
  ForEachLine(inf, g_productsSection, nullptr, [&](INFCONTEXT *line) {
    if (!IsListedProduct(line, keysDistinct) || !chosen(line, index++, choices)) return true;
    char key[kProductKeySize];
    if (!ReadField(line, kFieldKey, key) || key[0] == '\0') return true;
    if (!ListAppend(keyList, size, key, kProductKeySize)) return false;
    ++count;
    return true;
  });
  return count;
}

int CollectDefaultProducts(HINF inf, char *keyList, size_t size) {
  return CollectChosenProducts(inf, keyList, size, CheckedByItsFlags, nullptr);
}

int DropNewerInstalled(HINF inf, char *keyList, bool allowDowngrade) {
  int dropped = 0;
  char *kept = keyList;
  for (const char *key = keyList; *key;) {
    const char *next = ListNext(key);
    INFCONTEXT line;
    char script[kSectionNameSize];
    char installed[kSectionNameSize];
    bool newer = FindProductLine(inf, key, &line) && ReadVersions(&line, script, installed) &&
                 CompareVersionTexts(installed, script) < 0;
    if (newer)
      LogLine("product %s: version %s is installed, newer than the setup script's %s: %s", key,
              installed, script,
              allowDowngrade ? "replaced, as \"/downgrade\" allows" : "not installed");
    if (newer && !allowDowngrade) {
      ++dropped;
    } else {
      // Moves the key towards the front; the keys after it are read before they are written.
      memmove(kept, key, static_cast<size_t>(next - key));
      kept += next - key;
    }
    key = next;
  }
  kept[0] = '\0';
  if (kept == keyList && dropped) kept[1] = '\0';
  return dropped;
}

void GetProductDescription(HINF inf, int index, char *buffer, int size) {
  if (size <= 0) return;
  buffer[0] = '\0';
  INFCONTEXT line;
  if (FindListedProduct(inf, index, &line))
    ReadLongField(&line, g_productsSection, kFieldDescription, buffer, static_cast<DWORD>(size));
}

int CompareInstalledVersion(HINF inf, int index) {
  INFCONTEXT line;
  if (!FindListedProduct(inf, index, &line)) return 0;
  return CompareInstalledVersionOfLine(&line);
}

int CountProductsWithFlag(HINF inf, const char *keyList, int mask) {
  int count = 0;
  for (const char *key = keyList; *key; key = ListNext(key)) {
    INFCONTEXT line;
    if (!FindProductLine(inf, key, &line)) continue;
    if (ReadFieldNumber(&line, kFieldFlags, kFieldSize) & mask) ++count;
  }
  return count;
}

// The product's display name, else the setup-level entry's when key is empty or names it.
bool GetRemoveProductName(HINF inf, const char *key, char *buffer, int size, int *iconNumber) {
  *iconNumber = 0;
  if (size <= 0) return false;
  buffer[0] = '\0';
  INFCONTEXT line;
  if (FindProductLine(inf, key, &line) &&
      ReadField(&line, kFieldDisplayName, buffer, static_cast<DWORD>(size))) {
    *iconNumber = ReadFieldNumber(&line, kFieldIcon, kIconFieldSize);
    return true;
  }
  char setupKey[kFieldSize];
  if (!ReadSetupLevelKey(inf, &line, setupKey, sizeof(setupKey))) return false;
  if (key[0] != '\0' && !SameIgnoringCase(key, setupKey)) return false;
  return ReadField(&line, kFieldSetupName, buffer, static_cast<DWORD>(size));
}

bool BuildInstallSectionListChecked(HINF inf, const char *keyList, char *sectionList,
                                    size_t size) {
  ListClear(sectionList, size);
  return ListAppend(sectionList, size, g_installSection, kSectionNameSize) &&
         AppendProductSections(inf, keyList, kFieldInstallSection, sectionList, size);
}

namespace {

// Replaces a list's storage by a larger one that keeps its text; the storage it started in is
// the smallest there is and not the heap's, so only a larger one is given back.
bool GrowList(char **list, size_t *size, size_t needed, size_t initialSize) {
  if (needed <= *size) return true;
  char *grown = AllocateZeroed(needed);
  if (!grown) return false;
  memcpy(grown, *list, *size);
  if (*size > initialSize) free(*list);
  *list = grown;
  *size = needed;
  return true;
}

}  // namespace

bool FitListsToScript(HINF inf) {
  LONG lines = SetupGetLineCountA(inf, g_productsSection);
  size_t products = lines > 0 ? static_cast<size_t>(lines) : 0;
  // A key per product line; a section per line, and the setup-level section beside them.
  if (GrowList(&g_productKey, &g_productKeySize, products * kProductKeySize + 1, kKeyListSize) &&
      GrowList(&g_sectionList, &g_sectionListSize, (products + 1) * kSectionNameSize + 1,
               kSectionListSize))
    return true;
  LogFailure(ERROR_NOT_ENOUGH_MEMORY, "no room for the lists of %ld products", lines);
  return false;
}
