#include "script/WizardSection.h"

#include <stdio.h>

#include "common/ScriptField.h"

void WizardLanguageSection(unsigned short language, char (&section)[kSectionNameSize]) {
  snprintf(section, sizeof(section), "%s.%04X", kWizardSection, language);
}

bool ReadWizardText(HINF inf, unsigned short language, const char *key, char *buffer,
                    DWORD size) {
  char section[kSectionNameSize];
  WizardLanguageSection(language, section);
  return ReadKeyValue(inf, section, key, buffer, size) ||
         ReadKeyValue(inf, kWizardSection, key, buffer, size);
}

void ExpandLineBreaks(char *text) {
  for (; text[0]; ++text)
    if (text[0] == '\\' && text[1] == 'n') {
      text[0] = '\r';
      text[1] = '\n';
      ++text;
    }
}

