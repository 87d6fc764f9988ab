// "%hwnd%" replacement: any argument text in a buffer of any size is either replaced as the
// rule says and fits, or refused; nothing is ever written past the buffer.
#include <string.h>

#include <string>
#include <vector>

#include "FuzzInput.h"
#include "shell/HwndPlaceholder.h"

namespace {

bool IsPlaceholderAt(const std::string &text, size_t at) {
  static const char kLower[] = "%hwnd%";
  if (text.size() - at < 6) return false;
  for (size_t i = 0; i < 6; ++i) {
    char c = text[at + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kLower[i]) return false;
  }
  return true;
}

// The replacement done on a std::string; false when a step would not fit size bytes.
bool Expected(std::string text, const std::string &handle, size_t size, std::string *out) {
  size_t from = 0;
  for (;;) {
    size_t percent = text.find('%', from);
    if (percent == std::string::npos || !IsPlaceholderAt(text, percent)) break;
    if (text.size() - 6 + handle.size() + 1 > size) return false;
    text.replace(percent, 6, handle);
    from = percent + handle.size();
  }
  *out = text;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput input(data, size);
  uint8_t sizeChoice = input.Byte();
  uint32_t handle = input.Word();
  std::string handleText = input.Text();
  std::string arguments = input.Text();
  size_t bufferSize = (sizeChoice & 0x80) ? kArgumentBufferSize : 1 + (sizeChoice & 0x7F);

  // The program's own use: the arguments and the formatted handle.
  std::vector<char> buffer(bufferSize, 'x');
  char formatted[kHandleTextSize];
  FormatWindowHandle(formatted, sizeof(formatted), handle);
  FUZZ_CHECK(strlen(formatted) == 10);
  std::string expected;
  bool fits = arguments.size() + 1 <= bufferSize &&
              Expected(arguments, formatted, bufferSize, &expected);
  int prepared = PrepareArguments(buffer.data(), buffer.size(), arguments.c_str(), handle);
  FUZZ_CHECK(prepared == (fits ? 1 : 0));
  if (fits) FUZZ_CHECK(expected == buffer.data());

  // Any handle text, even one holding "%" or the placeholder itself, is never searched again.
  if (arguments.size() + 1 <= bufferSize) {
    std::vector<char> text(bufferSize, 'x');
    memcpy(text.data(), arguments.c_str(), arguments.size() + 1);
    fits = Expected(arguments, handleText, bufferSize, &expected);
    FUZZ_CHECK(ReplaceWindowPlaceholders(text.data(), text.size(), handleText.c_str()) ==
               (fits ? 1 : 0));
    if (fits) FUZZ_CHECK(expected == text.data());
    FUZZ_CHECK(strnlen(text.data(), text.size()) < text.size());
  }
  return 0;
}
