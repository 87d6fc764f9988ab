#include "services/MultiSz.h"

#include <string.h>

#include "common/KeyList.h"

const char *MultiSzNth(const char *list, int n) {
  if (n < 0) return nullptr;
  const char *p = list;
  for (int i = 0; *p; p = ListNext(p), ++i)
    if (i == n) return p;
  return nullptr;
}

int MultiSzFind(const char *list, const char *text) {
  int i = 0;
  for (const char *p = list; *p; p = ListNext(p), ++i)
    if (strcmp(p, text) == 0) return i;
  return -1;
}

int MultiSzRemove(char *list, int n) {
  char *entry = const_cast<char *>(MultiSzNth(list, n));
  if (!entry) return 0;
  char *rest = entry + strlen(entry) + 1;
  // The rest of the list, its final NUL included, moves over the entry.
  size_t restBytes = ListEnd(rest) + 1;
  memmove(entry, rest, restBytes);
  return 1;
}

int MultiSzInsert(char *list, size_t capacity, const char *text, int n) {
  size_t len = strlen(text);
  if (len == 0) return 0;
  size_t end = ListEnd(list);
  // The entries, the new text with its NUL, and the final NUL.
  if (end + len + 2 > capacity) return 0;
  char *at = const_cast<char *>(MultiSzNth(list, n));
  if (!at) at = list + end;
  size_t offset = static_cast<size_t>(at - list);
  memmove(at + len + 1, at, end - offset + 1);
  memcpy(at, text, len + 1);
  return 1;
}

size_t MultiSzSize(const char *list) {
  size_t end = ListEnd(list);
  return end == 0 ? 2 : end + 1;
}

size_t MultiSzFromBytes(char *buffer, size_t dataBytes, size_t capacity) {
  if (capacity < dataBytes + 2) return 0;
  size_t out = 0;
  size_t in = 0;
  while (in < dataBytes) {
    size_t start = in;
    while (in < dataBytes && buffer[in]) ++in;
    size_t len = in - start;
    if (len) {
      memmove(buffer + out, buffer + start, len);
      out += len;
      buffer[out++] = '\0';
    }
    ++in;  // past the entry's NUL (or past the end of an unended last entry)
  }
  buffer[out] = '\0';
  if (out == 0) buffer[1] = '\0';
  return MultiSzSize(buffer);
}
