#include "common/PathText.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "common/AsciiCase.h"

const char *SkipProgramName(const char *commandLine) {
  const char *p = commandLine;
  bool quoted = *p == '"';
  if (quoted) ++p;
  while (*p && (quoted ? *p != '"' : *p != ' ')) ++p;
  if (*p == '"') ++p;
  return p;
}

bool JoinPath(char *out, size_t size, const char *folder, const char *name) {
  size_t folderLength = strlen(folder);
  size_t nameLength = strlen(name);
  bool separate = folderLength == 0 || folder[folderLength - 1] != '\\';
  if (folderLength + (separate ? 1 : 0) + nameLength >= size) return false;
  memmove(out, folder, folderLength);
  if (separate) out[folderLength++] = '\\';
  memcpy(out + folderLength, name, nameLength + 1);
  return true;
}

namespace {

constexpr size_t kBadRoot = SIZE_MAX;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

size_t SkipSeparators(const char *path, size_t at) {
  while (IsSeparator(path[at])) ++at;
  return at;
}

size_t PartEnd(const char *path, size_t at) {
  while (path[at] && !IsSeparator(path[at])) ++at;
  return at;
}

bool EndsBadly(const char *name, size_t length) {
  return length != 0 && (name[length - 1] == '.' || name[length - 1] == ' ');
}

// Keeps the name of the part that is refused.
void NamePart(char *part, size_t partSize, const char *name, size_t length) {
  if (partSize) snprintf(part, partSize, "%.*s", static_cast<int>(length), name);
}

// The folder being built, never longer than its buffer, and the length of its root, which no
// ".." part goes below.
struct FolderText {
  char *text;
  size_t size;
  size_t length;
  size_t root;
  bool fits;

  void Append(const char *from, size_t count) {
    if (length + count >= size) {
      fits = false;
      return;
    }
    memcpy(text + length, from, count);
    length += count;
    text[length] = '\0';
  }
  void AppendPart(const char *from, size_t count) {
    if (length == 0 || text[length - 1] != '\\') Append("\\", 1);
    Append(from, count);
  }
  void DropLastPart() {
    while (length > root && text[length - 1] != '\\') --length;
    if (length > root) --length;  // the separator before the part, unless it is the root's
    text[length] = '\0';
  }
};

// The drive or the server and share (or the server alone) the path starts from, read into
// folder: where its parts begin; 0 for a path without either, kBadRoot for a server or share
// name that ends in a dot or a blank.
size_t ReadRoot(const char *path, FolderText *folder, char *part, size_t partSize) {
  char letter = path[0];
  bool isLetter = (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
  if (isLetter && path[1] == ':' && IsSeparator(path[2])) {
    const char drive[] = {static_cast<char>(letter & ~0x20), ':', '\\'};
    folder->Append(drive, sizeof(drive));
    folder->root = folder->length;
    return sizeof(drive);
  }
  // Two separators and "?" or "." name a device, not a share.
  if (!IsSeparator(path[0]) || !IsSeparator(path[1]) || !path[2] || IsSeparator(path[2]) ||
      ((path[2] == '?' || path[2] == '.') && (IsSeparator(path[3]) || !path[3])))
    return 0;
  const size_t server = 2;
  size_t serverEnd = PartEnd(path, server);
  size_t share = SkipSeparators(path, serverEnd);
  size_t shareEnd = PartEnd(path, share);
  const size_t names[] = {server, share};
  for (size_t at : names) {
    size_t length = PartEnd(path, at) - at;
    if (EndsBadly(path + at, length)) {
      NamePart(part, partSize, path + at, length);
      return kBadRoot;
    }
  }
  folder->Append("\\\\", 2);
  folder->Append(path + server, serverEnd - server);
  if (shareEnd > share) folder->AppendPart(path + share, shareEnd - share);
  folder->root = folder->length;
  return shareEnd;
}

}  // namespace

PathForm NormaliseFolderPath(const char *path, char *out, size_t size, char *part,
                             size_t partSize) {
  if (partSize) part[0] = '\0';
  if (size == 0) return PathForm::TooLong;
  out[0] = '\0';
  FolderText folder = {out, size, 0, 0, true};
  size_t at = ReadRoot(path, &folder, part, partSize);
  if (at == 0) return PathForm::NotAbsolute;
  PathForm form = at == kBadRoot ? PathForm::BadEnding : PathForm::Full;
  while (form == PathForm::Full && path[at = SkipSeparators(path, at)]) {
    size_t end = PartEnd(path, at);
    const char *name = path + at;
    size_t length = end - at;
    at = end;
    if (length == 1 && name[0] == '.') continue;
    if (length == 2 && name[0] == '.' && name[1] == '.') {
      folder.DropLastPart();
      continue;
    }
    // Windows drops every trailing dot and blank of the last part, and one dot of the others.
    if (!path[end]) {
      while (EndsBadly(name, length)) --length;
    } else if (length > 1 && name[length - 1] == '.' && name[length - 2] != '.') {
      --length;
    }
    if (EndsBadly(name, length)) {
      NamePart(part, partSize, name, length);
      form = PathForm::BadEnding;
    } else if (length != 0) {
      folder.AppendPart(name, length);
    }
  }
  if (form == PathForm::Full && !folder.fits) form = PathForm::TooLong;
  if (form != PathForm::Full) out[0] = '\0';
  return form;
}

bool SamePath(const char *a, const char *b) { return SameIgnoringCase(a, b); }

int ComparePaths(const char *a, const char *b) { return CompareIgnoringCase(a, b); }
