#include "script/WizardSection.h"

#include <stdio.h>

#include "script/ProductLines.h"

namespace {

bool ReadSectionText(HINF inf, const char *section, const char *key, char *buffer,
                     DWORD size) {
  INFCONTEXT line;
  return SetupFindFirstLineA(inf, section, key, &line) &&
         ReadScriptField(&line, 1, buffer, size) && buffer[0] != '\0';
}

}  // namespace

void WizardLanguageSection(unsigned short language, char (&section)[kSectionNameSize]) {
  snprintf(section, sizeof(section), "%s.%04X", kWizardSection, language);
}

bool ReadWizardText(HINF inf, unsigned short language, const char *key, char *buffer,
                    DWORD size) {
  char section[kSectionNameSize];
  WizardLanguageSection(language, section);
  if (ReadSectionText(inf, section, key, buffer, size) ||
      ReadSectionText(inf, kWizardSection, key, buffer, size))
    return true;
  if (size) buffer[0] = '\0';
  return false;
}

void ExpandLineBreaks(char *text) {
  for (; text[0]; ++text)
    if (text[0] == '\\' && text[1] == 'n') {
      text[0] = '\r';
      text[1] = '\n';
      ++text;
    }
}

