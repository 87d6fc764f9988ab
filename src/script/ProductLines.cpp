#include "script/ProductLines.h"

#include <stdlib.h>

#include "app/Globals.h"

bool ReadScriptField(INFCONTEXT *line, DWORD field, char *buffer, DWORD size) {
  if (size == 0) return false;
  if (SetupGetStringFieldA(line, field, buffer, size, nullptr)) return true;
  buffer[0] = '\0';
  return false;
}

long ReadScriptNumber(INFCONTEXT *line, DWORD field, DWORD size) {
  char text[kFieldSize];
  if (size > sizeof(text)) size = sizeof(text);
  if (!ReadScriptField(line, field, text, size)) return 0;
  return strtol(text, nullptr, 10);
}

bool FindProductLine(HINF inf, const char *key, INFCONTEXT *line) {
  if (key[0] == '\0') return false;
  return SetupFindFirstLineA(inf, g_productsSection, key, line) != FALSE;
}

// Whether the line is the first of the section with its key: a later line with the same key
// (compared without regard to case) is never found by key, so it must not be offered either.
bool IsFirstLineOfItsKey(INFCONTEXT *line) {
  char key[kFieldSize];
  INFCONTEXT first;
  return ReadScriptField(line, kFieldKey, key, sizeof(key)) &&
         FindProductLine(line->Inf, key, &first) && first.CurrentInf == line->CurrentInf &&
         first.Section == line->Section && first.Line == line->Line;
}

bool IsListedProduct(INFCONTEXT *line) {
  char section[kSectionNameSize];
  char name[kFieldSize];
  return ReadScriptField(line, kFieldInstallSection, section, sizeof(section)) &&
         section[0] != '\0' && ReadScriptField(line, kFieldDisplayName, name, sizeof(name)) &&
         IsFirstLineOfItsKey(line);
}

bool FindListedProduct(HINF inf, int index, INFCONTEXT *line) {
  if (index < 0) return false;
  if (!SetupFindFirstLineA(inf, g_productsSection, nullptr, line)) return false;
  int listed = 0;
  do {
    if (IsListedProduct(line) && listed++ == index) return true;
  } while (SetupFindNextLine(line, line));
  return false;
}

bool ReadSetupLevelKey(HINF inf, INFCONTEXT *line, char *key, DWORD size) {
  if (!SetupFindFirstLineA(inf, g_installSection, kUninstallLineKey, line)) {
    if (size != 0) key[0] = '\0';
    return false;
  }
  return ReadScriptField(line, 1, key, size) && key[0] != '\0';
}
