#include "script/ProductLines.h"

#include <stdlib.h>
#include <string.h>

#include "common/AsciiCase.h"
#include "common/Globals.h"
#include "common/Guards.h"
#include "common/KeyList.h"
#include "common/ScriptField.h"

bool FindProductLine(HINF inf, const char *key, INFCONTEXT *line) {
  if (key[0] == '\0') return false;
  return SetupFindFirstLineA(inf, g_productsSection, key, line) != FALSE;
}

// Whether the line is the first of the section with its key: a later line with the same key
// (compared without regard to case) is never found by key, so it must not be offered either.
bool IsFirstLineOfItsKey(INFCONTEXT *line) {
  char key[kFieldSize];
  INFCONTEXT first;
  return ReadField(line, kFieldKey, key) &&
         FindProductLine(line->Inf, key, &first) && first.CurrentInf == line->CurrentInf &&
         first.Section == line->Section && first.Line == line->Line;
}

bool IsListedProduct(INFCONTEXT *line, bool keysDistinct) {
  char section[kSectionNameSize];
  char name[kFieldSize];
  return ReadField(line, kFieldInstallSection, section) &&
         section[0] != '\0' && ReadField(line, kFieldDisplayName, name) &&
         (keysDistinct || IsFirstLineOfItsKey(line));
}

namespace {

constexpr unsigned char kFirstNonAscii = 0x80;

int CompareKeys(const void *a, const void *b) {
  return CompareIgnoringCase(*static_cast<const char *const *>(a),
                             *static_cast<const char *const *>(b));
}

bool IsAscii(const char *text) {
  for (; *text; ++text)
    if (static_cast<unsigned char>(*text) >= kFirstNonAscii) return false;
  return true;
}

// Sorts the keys and looks for two neighbours that are equal.
bool AllDifferent(GrowingList *keys) {
  HeapGuard block(AllocateZeroed(keys->count * sizeof(const char *)));
  const char **sorted = reinterpret_cast<const char **>(block.get());
  if (!sorted) return false;
  int at = 0;
  for (const char *key = keys->text; *key; key = ListNext(key)) sorted[at++] = key;
  qsort(sorted, keys->count, sizeof(*sorted), CompareKeys);
  bool different = true;
  for (at = 1; at < keys->count && different; ++at)
    different = !SameIgnoringCase(sorted[at - 1], sorted[at]);
  return different;
}

}  // namespace

bool ProductKeysDistinct(HINF inf) {
  GrowingList keys = {};
  // A key that cannot be read, or one the Setup API may compare by other rules, is left to
  // the Setup API.
  bool plain = ForEachLine(inf, g_productsSection, nullptr, [&](INFCONTEXT *line) {
    char key[kFieldSize];
    return ReadField(line, kFieldKey, key) && key[0] && IsAscii(key) &&
           ListAppendGrowing(&keys, key);
  });
  bool distinct = plain && (keys.count == 0 || AllDifferent(&keys));
  ListFree(&keys);
  return distinct;
}

bool FindListedProduct(HINF inf, int index, INFCONTEXT *line) {
  if (index < 0) return false;
  bool keysDistinct = ProductKeysDistinct(inf);
  int listed = 0;
  return !ForEachLine(inf, g_productsSection, nullptr, [&](INFCONTEXT *at) {
    if (!IsListedProduct(at, keysDistinct) || listed++ != index) return true;
    *line = *at;
    return false;
  });
}

bool ReadSetupLevelKey(HINF inf, INFCONTEXT *line, char *key, DWORD size) {
  if (!SetupFindFirstLineA(inf, g_installSection, kUninstallLineKey, line)) {
    if (size != 0) key[0] = '\0';
    return false;
  }
  return ReadField(line, kFieldSetupKey, key, size) && key[0] != '\0';
}

bool AppendProductSections(HINF inf, const char *keyList, ProductField field, char *sectionList,
                           size_t size) {
  for (const char *key = keyList; *key; key = ListNext(key)) {
    INFCONTEXT line;
    char section[kSectionNameSize];
    if (!FindProductLine(inf, key, &line) || !ReadField(&line, field, section) || !section[0])
      continue;
    if (!ListAppend(sectionList, size, section, kSectionNameSize)) return false;
  }
  return true;
}
