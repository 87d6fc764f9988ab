// The language choice: the locale text reads as strtoul reads it, and the chosen language is
// the exact match, else one of the same primary language, else English (United States).
#include <stdlib.h>

#include <string>
#include <vector>

#include "FuzzInput.h"
#include "common/LanguagePick.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput input(data, size);
  std::string text = input.Text();
  FUZZ_CHECK(ParseLocaleText(text.c_str()) ==
             static_cast<unsigned short>(strtoul(text.c_str(), nullptr, 16) & 0xFFFF));

  unsigned short user = static_cast<unsigned short>(input.Word());
  std::vector<unsigned short> languages;
  while (!input.empty() && languages.size() + 1 < kResourceLanguageSlots) {
    unsigned short language = static_cast<unsigned short>(input.Byte() << 8 | input.Byte());
    if (language == 0) break;
    languages.push_back(language);
  }
  languages.push_back(0);
  unsigned short chosen = PickUiLanguage(user, languages.data());
  bool exact = false, primary = false;
  for (unsigned short l : languages) {
    if (!l) break;
    exact = exact || l == user;
    primary = primary || (l & 0x3FF) == (user & 0x3FF);
  }
  if (exact)
    FUZZ_CHECK(chosen == user);
  else if (primary)
    FUZZ_CHECK((chosen & 0x3FF) == (user & 0x3FF));
  else
    FUZZ_CHECK(chosen == 0x0409);
  return 0;
}
