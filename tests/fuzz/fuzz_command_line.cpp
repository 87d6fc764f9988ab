// The command line: any text leaves a well-formed key list inside g_productKey, and every
// option takes the effect a plain reading of the tokens gives.
#include <errno.h>
#include <limits.h>
#include <string.h>

#include <string>
#include <vector>

#include "FuzzInput.h"
#include "app/CommandLine.h"
#include "common/Decimal.h"
#include "common/Globals.h"

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
  g_commandLineFault = nullptr;
  g_wizardStyle = -7;
  memset(g_productKey, 'x', g_productKeySize);
  g_productKey[0] = g_productKey[1] = '\0';
  ParseCommandLine(line.c_str());

  // The same reading, token by token: spaces split outside quotes, quotes are dropped.
  int quiet = 0, removeMode = 0, style = -7;
  std::vector<std::string> keys;
  bool fault = false;
  std::vector<std::string> tokens;
  std::string token;
  bool quoted = false, inToken = false;
  for (char c : line) {
    if (c == ' ' && !quoted) {
      if (inToken) tokens.push_back(token);
      token.clear();
      inToken = false;
      continue;
    }
    inToken = true;
    if (c == '"') quoted = !quoted;
    else if (token.size() < static_cast<size_t>(kCommandTokenSize - 1)) token += c;
  }
  if (inToken) tokens.push_back(token);
  for (const std::string &t : tokens) {
    if (HasPrefix(t, "/quiet")) quiet = 1;
    if (HasPrefix(t, "/style:")) style = LibraryDecimal(t.substr(7));
    if (HasPrefix(t, "/install")) removeMode = 0;
    if (HasPrefix(t, "/remove")) removeMode = 1;
    if (HasPrefix(t, "/remove:")) {
      std::string key = t.substr(8, kKeyListSize - 2);
      keys.assign(key.empty() ? 0 : 1, key);
    }
    if (HasPrefix(t, "/install:")) {
      std::string value = t.substr(9);
      keys.clear();
      if (value.find(',') == std::string::npos) {
        if (!value.empty()) keys.push_back(value.substr(0, kKeyListSize - 2));
        continue;
      }
      size_t used = 1;
      for (size_t start = 0; start <= value.size();) {
        size_t end = value.find(',', start);
        if (end == std::string::npos) end = value.size();
        std::string key = value.substr(start, end - start);
        if (!key.empty()) {
          used += key.size() + 1;
          keys.push_back(key);
        }
        start = end + 1;
      }
      if (used > static_cast<size_t>(kKeyListSize)) {
        keys.clear();
        fault = true;
      }
    }
  }
  FUZZ_CHECK(g_quiet == quiet);
  FUZZ_CHECK(g_removeMode == removeMode);
  FUZZ_CHECK(g_wizardStyle == style);
  if (fault) FUZZ_CHECK(g_commandLineFault != nullptr);
  // The keys, each with its NUL, and the list's final NUL, all inside the buffer.
  size_t at = 0;
  for (const std::string &key : keys) {
    size_t length = strnlen(g_productKey + at, g_productKeySize - at);
    FUZZ_CHECK(at + length + 1 < g_productKeySize);
    FUZZ_CHECK(std::string(g_productKey + at, length) == key);
    at += length + 1;
  }
  FUZZ_CHECK(at < g_productKeySize && g_productKey[at] == '\0');

  // ReadDecimal on its own, over a text that is not NUL-terminated at len.
  std::string digits = input.Text();
  std::vector<char> exact(digits.begin(), digits.end());
  FUZZ_CHECK(ReadDecimal(exact.data(), static_cast<int>(exact.size())) == LibraryDecimal(digits));
  return 0;
}
