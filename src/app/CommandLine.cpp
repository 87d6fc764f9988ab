#include "app/CommandLine.h"

#include <limits.h>
#include <string.h>

#include "app/Globals.h"
#include "script/KeyList.h"

namespace {

enum class OptionKind { Quiet, Style, Install, InstallKey, Remove, RemoveKey, Language };

struct Option {
  const char *text;
  int comparedLength;
  OptionKind kind;
  unsigned short languageId;
};

// In table order: one token may match several entries, and each of them takes effect.
constexpr Option kOptions[] = {
    {"/quiet", 6, OptionKind::Quiet, 0},
    {"/style:", 7, OptionKind::Style, 0},
    {"/install", 8, OptionKind::Install, 0},
    {"/install:", 9, OptionKind::InstallKey, 0},
    {"/remove", 7, OptionKind::Remove, 0},
    {"/remove:", 8, OptionKind::RemoveKey, 0},
    {"/lang:eng", 9, OptionKind::Language, 0x0409},
    {"/lang:ger", 9, OptionKind::Language, 0x0407},
    {"/lang:fre", 9, OptionKind::Language, 0x040C},
    {"/lang:ita", 9, OptionKind::Language, 0x0410},
    {"/lang:spa", 9, OptionKind::Language, 0x000A},  // the Spanish resources are tagged neutral
    {"/lang:dut", 9, OptionKind::Language, 0x0413},
};

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// _strnicmp over the option's compared length: the token must be at least that long.
bool TokenHasPrefix(const char *token, int tokenLen, const Option &option) {
  if (tokenLen < option.comparedLength) return false;
  for (int i = 0; i < option.comparedLength; ++i)
    if (LowerAscii(token[i]) != LowerAscii(option.text[i])) return false;
  return true;
}

void ApplyOption(const Option &option, const char *token, int tokenLen) {
  const char *rest = token + option.comparedLength;
  int restLen = tokenLen - option.comparedLength;
  switch (option.kind) {
    case OptionKind::Quiet: g_quiet = 1; break;
    case OptionKind::Style: g_wizardStyle = ReadDecimal(rest, restLen); break;
    case OptionKind::Install: g_removeMode = 0; break;
    case OptionKind::Remove: g_removeMode = 1; break;
    case OptionKind::InstallKey:
    case OptionKind::RemoveKey:
      ListSetSingle(g_productKey, sizeof(g_productKey), rest, static_cast<size_t>(restLen));
      break;
    case OptionKind::Language: g_languageId = option.languageId; break;
  }
}

}  // namespace

int ReadDecimal(const char *text, int len) {
  int i = 0;
  while (i < len && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < len && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < len && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  if (value < INT_MIN) value = INT_MIN;
  return static_cast<int>(value);
}

void ParseCommandLine(const char *commandLine) {
  if (!commandLine) return;
  const char *p = commandLine;
  for (;;) {
    while (*p == ' ') ++p;
    if (!*p) break;
    const char *token = p;
    while (*p && *p != ' ') ++p;
    int tokenLen = static_cast<int>(p - token);
    for (const Option &option : kOptions)
      if (TokenHasPrefix(token, tokenLen, option)) ApplyOption(option, token, tokenLen);
  }
}
