#include "script/UninstallCommand.h"

#include <stdio.h>
#include <string.h>

#include "common/AsciiCase.h"

namespace {

constexpr size_t kRegistryKeyNameMax = 255;  // the registry's limit for one key name
constexpr char kRemoveOption[] = " /remove:";

// Words that packagers give a product for a key, each followed by a bar, in lower case.
constexpr char kCommonWords[] =
    "|addon|agent|app|application|backup|client|core|data|demo|driver|editor|game|help|"
    "launcher|main|manager|monitor|office|player|plugin|program|reader|runtime|server|service|"
    "setup|suite|sync|test|tool|tools|update|updater|utilities|viewer|";
constexpr size_t kShortKeyMax = 3;

void ClearText(char *out, size_t size) {
  if (size != 0) out[0] = '\0';
}

// snprintf into out; 0 (out empty) when the text was cut.
int FormatWhole(char *out, size_t size, int written) {
  if (written < 0 || static_cast<size_t>(written) >= size) {
    ClearText(out, size);
    return 0;
  }
  return 1;
}

}  // namespace

int FormUninstallKeyPath(char *out, size_t size, const char *key) {
  size_t keyLen = strlen(key);
  if (keyLen == 0 || keyLen > kRegistryKeyNameMax) {
    ClearText(out, size);
    return 0;
  }
  return FormatWhole(out, size, snprintf(out, size, "%s\\%s", kUninstallRoot, key));
}

bool KeyCanBeCarried(const char *key) { return key[0] != '\0' && !strchr(key, '"'); }

bool KeyLikelyToCollide(const char *key) {
  size_t length = strlen(key);
  if (length <= kShortKeyMax) return true;
  for (const char *word = kCommonWords + 1; *word; word = strchr(word, '|') + 1)
    if (static_cast<size_t>(strchr(word, '|') - word) == length &&
        SameAsciiPrefix(word, key, length))
      return true;
  return false;
}

int BuildUninstallCommand(char *out, size_t size, const char *setupPath, const char *key) {
  if (!KeyCanBeCarried(key)) {
    ClearText(out, size);
    return 0;
  }
  const char *pathQuote = strpbrk(setupPath, " \t") ? "\"" : "";
  const char *keyQuote = strpbrk(key, " \t") ? "\"" : "";
  size_t length = strlen(setupPath) + 2 * strlen(pathQuote) + strlen(kRemoveOption) + strlen(key) +
                  2 * strlen(keyQuote);
  if (length > kUninstallCommandMax || length >= size) {
    ClearText(out, size);
    return 0;
  }
  return FormatWhole(out, size, snprintf(out, size, "%s%s%s /remove:%s%s%s", pathQuote, setupPath,
                                         pathQuote, keyQuote, key, keyQuote));
}

int UninstallCommandProgram(char *out, size_t size, const char *command) {
  const char *start = command;
  const char *end = nullptr;
  if (*command == '"') {
    start = command + 1;
    end = strchr(start, '"');
  } else {
    // The last one: a folder of the path may itself hold the text.
    for (const char *at = strstr(command, kRemoveOption); at; at = strstr(at + 1, kRemoveOption))
      end = at;
  }
  if (!end) end = start + strlen(start);
  size_t length = static_cast<size_t>(end - start);
  if (length == 0 || length >= size) {
    ClearText(out, size);
    return 0;
  }
  memcpy(out, start, length);
  out[length] = '\0';
  return 1;
}
