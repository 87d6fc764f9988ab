// The command line: any text leaves a well-formed key list of at most one key inside
// g_productKey, and every option takes the effect a plain reading of the tokens gives.
#include <errno.h>
#include <limits.h>
#include <string.h>

#include <string>
#include <vector>

#include "FuzzInput.h"
#include "app/CommandLine.h"
#include "app/Globals.h"

namespace {

bool HasPrefix(const std::string &token, const char *prefix) {
  size_t n = strlen(prefix);
  if (token.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    char c = token[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// atol's value clamped to an int, read by the C library.
int LibraryDecimal(const std::string &text) {
  errno = 0;
  long long value = strtoll(text.c_str(), nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput input(data, size);
  std::string line = input.Text();

  g_quiet = 0;
  g_removeMode = 0;
  g_wizardStyle = -7;
  memset(g_productKey, 'x', sizeof(g_productKey));
  g_productKey[0] = g_productKey[1] = '\0';
  ParseCommandLine(line.c_str());

  // The same reading, token by token.
  int quiet = 0, removeMode = 0, style = -7;
  std::string key;
  size_t at = 0;
  while (at < line.size()) {
    size_t end = line.find(' ', at);
    if (end == std::string::npos) end = line.size();
    std::string token = line.substr(at, end - at);
    at = end + 1;
    if (token.empty()) continue;
    if (HasPrefix(token, "/quiet")) quiet = 1;
    if (HasPrefix(token, "/style:")) style = LibraryDecimal(token.substr(7));
    if (HasPrefix(token, "/install")) removeMode = 0;
    if (HasPrefix(token, "/remove")) removeMode = 1;
    if (HasPrefix(token, "/install:")) key = token.substr(9, kKeyListSize - 2);
    if (HasPrefix(token, "/remove:")) key = token.substr(8, kKeyListSize - 2);
  }
  FUZZ_CHECK(g_quiet == quiet);
  FUZZ_CHECK(g_removeMode == removeMode);
  FUZZ_CHECK(g_wizardStyle == style);
  // One key (or none), its NUL and the list's final NUL, all inside the buffer.
  size_t length = strnlen(g_productKey, sizeof(g_productKey));
  FUZZ_CHECK(length + 1 < sizeof(g_productKey));
  FUZZ_CHECK(g_productKey[length + 1] == '\0');
  FUZZ_CHECK(std::string(g_productKey, length) == key);

  // ReadDecimal on its own, over a text that is not NUL-terminated at len.
  std::string digits = input.Text();
  std::vector<char> exact(digits.begin(), digits.end());
  FUZZ_CHECK(ReadDecimal(exact.data(), static_cast<int>(exact.size())) == LibraryDecimal(digits));
  return 0;
}
