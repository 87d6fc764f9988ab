// The pure half of the user-interface language choice.
#pragma once

constexpr int kResourceLanguageSlots = 256;  // 255 languages and the ending 0

// The carried language closest to the user's: the first exact match in the 0-ended list,
// else the first with the same primary language (low 10 bits), else English (United States).
unsigned short PickUiLanguage(unsigned short userLanguage, const unsigned short *languages);

// A registry locale text such as "00000407" read as strtoul reads base 16; low 16 bits.
unsigned short ParseLocaleText(const char *text);
