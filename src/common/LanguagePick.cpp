#include "common/LanguagePick.h"

#include <stdlib.h>

#include "common/Globals.h"

unsigned short PickUiLanguage(unsigned short userLanguage, const unsigned short *languages) {
  for (const unsigned short *l = languages; *l; ++l)
    if (*l == userLanguage) return *l;
  for (const unsigned short *l = languages; *l; ++l)
    if ((*l & 0x3FF) == (userLanguage & 0x3FF)) return *l;
  return kLangEnglishUS;
}

unsigned short ParseLocaleText(const char *text) {
  return static_cast<unsigned short>(strtoul(text, nullptr, 16) & 0xFFFF);
}
