#include "script/ScriptLines.h"

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

// Whether a header's name (its text between "[" and "]") is section.
bool NameIs(const char *name, size_t length, const char *section) {
  size_t at = 0;
  for (; at < length && section[at]; ++at)
    if (tolower(static_cast<unsigned char>(name[at])) !=
        tolower(static_cast<unsigned char>(section[at])))
      return false;
  return at == length && section[at] == '\0';
}

// Moves past the next script line or section header; returns the file line it begins on, or
// 0 at the end of the text. For a header, *name and *length give its name, else *name is null;
// *begin is where it begins, past its leading blanks.
int NextScriptItem(Cursor *c, const char **name, size_t *length, const char **begin) {
  *name = nullptr;
  while (c->p < c->end) {
    SkipBlanks(c);
    int start = c->line;
    *begin = c->p;
    if (AtLineEnd(*c) || *c->p == ';') {
      NextLine(c);
      continue;
    }
    if (*c->p == '[') {
      const char *close = ++c->p;
      while (close < c->end && *close != ']' && *close != '\n') ++close;
      *name = c->p;
      *length = static_cast<size_t>(close - c->p);
      NextLine(c);
      return start;
    }
    // A continued line ends early at a blank or comment-only line, which it takes along.
    while (ReadLinePart(c)) {
      SkipBlanks(c);
      if (AtLineEnd(*c) || *c->p == ';') {
        NextLine(c);
        break;
      }
    }
    return start;
  }
  return 0;
}

// The item that is line index of section (or its header), with where it begins.
int LocateScriptLine(const char *text, size_t length, const char *section, int index,
                     const char **begin) {
  Cursor c = {text, text + length, 1};
  bool inSection = false;
  int seen = 0;
  const char *name;
  size_t nameLength;
  while (int start = NextScriptItem(&c, &name, &nameLength, begin)) {
    if (name) {
      inSection = NameIs(name, nameLength, section);
      if (inSection && index == kSectionHeader) return start;
    } else if (inSection && seen++ == index) {
      return start;
    }
  }
  return 0;
}

// A line of the form "key = values": an "=" outside quotes before any "," or comment.
bool HasKey(const char *p, const char *end) {
  bool quoted = false;
  for (; p < end && *p != '\n' && *p != '\r'; ++p) {
    if (*p == '"') quoted = !quoted;
    else if (!quoted && (*p == ',' || *p == ';')) return false;
    else if (!quoted && *p == '=') return true;
  }
  return false;
}

// The field being read: its characters so far, and how many of them count (trailing blanks
// outside quotes do not).
struct FieldText {
  char *buffer;
  size_t size;
  size_t written;
  size_t kept;
  bool wanted;
  bool *percent;

  void Add(char ch, bool significant) {
    if (!wanted) return;
    if (written + 1 < size) buffer[written] = ch;
    ++written;
    if (!significant) return;
    kept = written;
    if (ch == '%') *percent = true;
  }
  long End() {
    if (size) buffer[kept < size ? kept : size - 1] = '\0';
    return static_cast<long>(kept);
  }
};

}  // namespace

int FindScriptLine(const char *text, size_t length, const char *section, int index) {
  const char *begin;
  return LocateScriptLine(text, length, section, index, &begin);
}

const char *FindScriptLineText(const char *text, size_t length, const char *section, int index) {
  const char *begin;
  return LocateScriptLine(text, length, section, index, &begin) ? begin : nullptr;
}

long ScriptLineField(const char *line, const char *end, unsigned field, char *buffer,
                     size_t size, bool *percent) {
  *percent = false;
  if (size) buffer[0] = '\0';
  bool keyed = HasKey(line, end);
  unsigned current = keyed ? 0 : 1;
  FieldText text = {buffer, size, 0, 0, current == field, percent};
  bool quoted = false;
  bool begun = false;  // leading blanks are behind
  Cursor c = {line, end, 1};
  while (c.p < c.end && *c.p != '\n' && *c.p != '\r') {
    char ch = *c.p;
    if (!quoted && ch == '\\' && EndsLine(c.p + 1, c.end)) {
      NextLine(&c);
      SkipBlanks(&c);
      continue;
    }
    if (!quoted && ch == ';') break;
    ++c.p;
    if (ch == '"') {
      if (quoted && c.p < c.end && *c.p == '"') {
        ++c.p;
        text.Add('"', true);
      } else {
        quoted = !quoted;
        text.kept = text.written;  // quotes keep the blanks before them
      }
      begun = true;
    } else if (!quoted && (ch == ',' || (ch == '=' && keyed && current == 0))) {
      if (text.wanted) return text.End();
      text.wanted = ++current == field;
      text.written = text.kept = 0;
      begun = false;
    } else if (begun || quoted || !IsBlank(ch)) {
      text.Add(ch, quoted || !IsBlank(ch));
      begun = true;
    }
  }
  return text.wanted ? text.End() : -1;
}

void ForEachSectionName(const char *text, size_t length, SectionNameVisitor visit,
                        void *data) {
  Cursor c = {text, text + length, 1};
  const char *name;
  size_t nameLength;
  const char *begin;
  while (NextScriptItem(&c, &name, &nameLength, &begin))
    if (name) visit(name, nameLength, data);
}
