#include "check/ScriptLines.h"

#include <ctype.h>

namespace {

struct Cursor {
  const char *p;
  const char *end;
  int line;  // the file line of p, from 1
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

void SkipBlanks(Cursor *c) {
  while (c->p < c->end && IsBlank(*c->p)) ++c->p;
}

bool AtLineEnd(const Cursor &c) { return c.p == c.end || *c.p == '\n'; }

// Moves to the start of the next file line.
void NextLine(Cursor *c) {
  while (c->p < c->end && *c->p != '\n') ++c->p;
  if (c->p < c->end) ++c->p;
  ++c->line;
}

// A backslash that only blanks or a comment follow on its line continues the line.
bool EndsLine(const char *p, const char *end) {
  while (p < end && IsBlank(*p)) ++p;
  return p == end || *p == '\n' || *p == ';';
}

// Reads the rest of a file line that holds part of a script line and moves past it; true when
// the script line goes on in the next file line.
bool ReadLinePart(Cursor *c) {
  bool quoted = false;
  for (; !AtLineEnd(*c); ++c->p) {
    char ch = *c->p;
    if (ch == '"') {
      quoted = !quoted;
    } else if (!quoted && ch == ';') {
      break;
    } else if (!quoted && ch == '\\' && EndsLine(c->p + 1, c->end)) {
      NextLine(c);
      return true;
    }
  }
  NextLine(c);
  return false;
}

// Whether the header at c ("[" already seen) names section; c ends on the next line.
bool HeaderNames(Cursor *c, const char *section) {
  const char *name = c->p + 1;
  const char *close = name;
  while (close < c->end && *close != ']' && *close != '\n') ++close;
  const char *s = section;
  const char *n = name;
  while (n < close && *s && tolower(static_cast<unsigned char>(*n)) ==
                                tolower(static_cast<unsigned char>(*s))) {
    ++n;
    ++s;
  }
  NextLine(c);
  return n == close && *s == '\0';
}

}  // namespace

int FindScriptLine(const char *text, size_t length, const char *section, int index) {
  Cursor c = {text, text + length, 1};
  bool inSection = false;
  int seen = 0;
  while (c.p < c.end) {
    SkipBlanks(&c);
    int start = c.line;
    if (AtLineEnd(c) || *c.p == ';') {
      NextLine(&c);
      continue;
    }
    if (*c.p == '[') {
      inSection = HeaderNames(&c, section);
      if (inSection && index == kSectionHeader) return start;
      continue;
    }
    // A continued line ends early at a blank or comment-only line, which it takes along.
    while (ReadLinePart(&c)) {
      SkipBlanks(&c);
      if (AtLineEnd(c) || *c.p == ';') {
        NextLine(&c);
        break;
      }
    }
    if (inSection && seen++ == index) return start;
  }
  return 0;
}
