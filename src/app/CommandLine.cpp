#include "app/CommandLine.h"

#include <string.h>

#include "common/AsciiCase.h"
#include "common/Decimal.h"
#include "common/Globals.h"
#include "common/KeyList.h"

namespace {

constexpr int kTokenSize = kCommandTokenSize;
constexpr char kKeySeparator = ',';

enum class OptionKind {
  Quiet, Silent, Style, Install, InstallKeys, Remove, RemoveKey, Language, LogInTemp, Log, Dir,
  Check, CheckPath, Pack, Extract, Stored, Relocated, Downgrade
};

struct Option {
  const char *text;
  int comparedLength;
  OptionKind kind;
  unsigned short languageId;
};

// In table order: one token may match several entries, and each of them takes effect.
constexpr Option kOptions[] = {
    {"/quiet", 6, OptionKind::Quiet, 0},
    {"/silent", 7, OptionKind::Silent, 0},
    {"/style:", 7, OptionKind::Style, 0},
    {"/install", 8, OptionKind::Install, 0},
    {"/install:", 9, OptionKind::InstallKeys, 0},
    {"/remove", 7, OptionKind::Remove, 0},
    {"/remove:", 8, OptionKind::RemoveKey, 0},
    {"/lang:eng", 9, OptionKind::Language, 0x0409},
    {"/lang:ger", 9, OptionKind::Language, 0x0407},
    {"/lang:fre", 9, OptionKind::Language, 0x040C},
    {"/lang:ita", 9, OptionKind::Language, 0x0410},
    {"/lang:spa", 9, OptionKind::Language, 0x000A},  // the Spanish resources are tagged neutral
    {"/lang:dut", 9, OptionKind::Language, 0x0413},
    {"/log", 4, OptionKind::LogInTemp, 0},
    {"/log:", 5, OptionKind::Log, 0},
    {"/dir:", 5, OptionKind::Dir, 0},
    {"/check", 6, OptionKind::Check, 0},
    {"/check:", 7, OptionKind::CheckPath, 0},
    {"/pack:", 6, OptionKind::Pack, 0},
    {"/extract:", 9, OptionKind::Extract, 0},
    {"/stored:", 8, OptionKind::Stored, 0},
    {"/relocated:", 11, OptionKind::Relocated, 0},
    {"/downgrade", 10, OptionKind::Downgrade, 0},
};

// The option's compared length, in ASCII case: the token must be at least that long.
bool TokenHasPrefix(const char *token, int tokenLen, const Option &option) {
  return tokenLen >= option.comparedLength &&
         SameAsciiPrefix(token, option.text, static_cast<size_t>(option.comparedLength));
}

// Copies a path value whole into its buffer; one that does not fit is refused, never cut,
// since a cut path names another folder or file.
void TakePath(char (&buffer)[kTargetDirSize], const char *value, int length, const char *option) {
  if (length >= kTargetDirSize) {
    buffer[0] = '\0';
    g_commandLineFault = option;
    return;
  }
  memcpy(buffer, value, static_cast<size_t>(length));
  buffer[length] = '\0';
}

// "/install:" takes keys separated by commas. A single key keeps the old reading (a key too
// long for the list is cut to fit); a list whose keys do not all fit is refused whole.
void TakeInstallKeys(const char *value, int length) {
  const char *separator = static_cast<const char *>(memchr(value, kKeySeparator, length));
  if (!separator) {
    ListSetSingle(g_productKey, g_productKeySize, value, static_cast<size_t>(length));
    return;
  }
  ListClear(g_productKey, g_productKeySize);
  char key[kKeyListSize];
  for (int start = 0; start <= length;) {
    int end = start;
    while (end < length && value[end] != kKeySeparator) ++end;
    int keyLength = end - start;
    if (keyLength >= static_cast<int>(sizeof(key))) keyLength = sizeof(key) - 1;
    memcpy(key, value + start, static_cast<size_t>(keyLength));
    key[keyLength] = '\0';
    if (keyLength != 0 && !ListAppend(g_productKey, g_productKeySize, key, 0)) {
      ListClear(g_productKey, g_productKeySize);
      g_commandLineFault = "/install:";
      return;
    }
    start = end + 1;
  }
}

void ApplyOption(const Option &option, const char *token, int tokenLen) {
  const char *rest = token + option.comparedLength;
  int restLen = tokenLen - option.comparedLength;
  switch (option.kind) {
    case OptionKind::Quiet: g_quiet = 1; break;
    case OptionKind::Silent: g_silent = 1; break;
    case OptionKind::Style: g_wizardStyle = ReadDecimal(rest, restLen); break;
    case OptionKind::Install: g_removeMode = 0; break;
    case OptionKind::Remove: g_removeMode = 1; break;
    case OptionKind::InstallKeys: TakeInstallKeys(rest, restLen); break;
    case OptionKind::RemoveKey:
      ListSetSingle(g_productKey, g_productKeySize, rest, static_cast<size_t>(restLen));
      break;
    case OptionKind::Language: g_languageId = option.languageId; break;
    // "/log:PATH" matches "/log" first: the path it names wins.
    case OptionKind::LogInTemp: g_logInTemp = 1; break;
    case OptionKind::Log:
      g_logInTemp = 0;
      TakePath(g_logPath, rest, restLen, option.text);
      break;
    case OptionKind::Dir:
      g_targetDirGiven = 1;
      TakePath(g_targetDir, rest, restLen, option.text);
      break;
    case OptionKind::Check: g_checkScript = 1; break;
    case OptionKind::CheckPath: TakePath(g_checkPath, rest, restLen, option.text); break;
    case OptionKind::Pack: TakePath(g_packPath, rest, restLen, option.text); break;
    case OptionKind::Extract: TakePath(g_extractDir, rest, restLen, option.text); break;
    case OptionKind::Stored: TakePath(g_storedMedia, rest, restLen, option.text); break;
    case OptionKind::Relocated: TakePath(g_relocatedFrom, rest, restLen, option.text); break;
    case OptionKind::Downgrade: g_allowDowngrade = 1; break;
  }
}

// Reads the next token into token (quotes dropped, cut at kTokenSize - 1); returns the
// position after it, or NULL when only spaces are left.
const char *ReadToken(const char *p, char (&token)[kTokenSize], int *length) {
  while (*p == ' ') ++p;
  if (!*p) return nullptr;
  bool quoted = false;
  int used = 0;
  for (; *p && (quoted || *p != ' '); ++p) {
    if (*p == '"') {
      quoted = !quoted;
      continue;
    }
    if (used < kTokenSize - 1) token[used++] = *p;
  }
  token[used] = '\0';
  *length = used;
  return p;
}

}  // namespace

void ParseCommandLine(const char *commandLine) {
  if (!commandLine) return;
  char token[kTokenSize];
  int tokenLen = 0;
  for (const char *p = commandLine; (p = ReadToken(p, token, &tokenLen)) != nullptr;)
    for (const Option &option : kOptions)
      if (TokenHasPrefix(token, tokenLen, option)) ApplyOption(option, token, tokenLen);
}
