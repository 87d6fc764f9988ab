// Line numbers, section names and fields of a script text: never a read outside the text, a name
// inside it, and a line found is one that can hold what was asked for (a header, or a line
// that is no comment and not blank).
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "script/ScriptLines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput input(data, size);
  int index = static_cast<int>(input.Byte() % 8) - 1;  // kSectionHeader and 0 to 6
  std::string section = input.Text();
  std::string rest = input.Rest();
  // A copy of exactly the text's size, so that the sanitizer sees any read past its end.
  std::vector<char> text(rest.begin(), rest.end());
  int line = FindScriptLine(text.data(), text.size(), section.c_str(), index);
  // A field read from any point of the text stays inside it and inside its buffer.
  char field[16];
  bool percent = false;
  long length = ScriptLineField(text.data(), text.data() + text.size(),
                                static_cast<unsigned>(index + 1), field, sizeof(field), &percent);
  FUZZ_CHECK(length >= -1 && strlen(field) < sizeof(field));
  // A NUL inside the text ends the copy early.
  FUZZ_CHECK(length < 0 || strlen(field) <= static_cast<size_t>(std::min(length, 15L)));
  ForEachSectionName(text.data(), text.size(), [](const char *name, size_t length, void *all) {
    const std::vector<char> &text = *static_cast<const std::vector<char> *>(all);
    FUZZ_CHECK(name > text.data() && name + length <= text.data() + text.size());
  }, &text);

  std::vector<std::string> lines(1);
  for (char c : rest) {
    if (c == '\n') lines.emplace_back();
    else lines.back() += c;
  }
  FUZZ_CHECK(line >= 0 && line <= static_cast<int>(lines.size()));
  if (line == 0) return 0;
  const std::string &found = lines[static_cast<size_t>(line) - 1];
  size_t start = found.find_first_not_of(" \t\r");
  FUZZ_CHECK(start != std::string::npos && found[start] != ';');
  FUZZ_CHECK((found[start] == '[') == (index == kSectionHeader));
  return 0;
}
