#include "common/ScriptField.h"

#include "common/Decimal.h"
#include "common/Globals.h"

bool ReadField(INFCONTEXT *line, DWORD field, char *buffer, DWORD size) {
  if (size == 0) return false;
  if (SetupGetStringFieldA(line, field, buffer, size, nullptr)) return true;
  buffer[0] = '\0';
  return false;
}

bool ReadKeyValue(HINF inf, const char *section, const char *key, char *buffer, DWORD size) {
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, section, key, &line)) {
    if (size) buffer[0] = '\0';
    return false;
  }
  return ReadField(&line, kFieldValue, buffer, size) && buffer[0] != '\0';
}

int ReadFieldNumber(INFCONTEXT *line, DWORD field, DWORD size) {
  char text[kFieldSize];
  if (size > sizeof(text)) size = sizeof(text);
  return ReadField(line, field, text, size) ? ReadDecimal(text) : 0;
}
