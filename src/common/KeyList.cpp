#include "common/KeyList.h"

#include <stdlib.h>
#include <string.h>

#include "common/Utf8Text.h"

namespace {
constexpr size_t kGrowingListFirstSize = 1024;
}  // namespace

void ListClear(char *list, size_t size) {
  if (size >= 1) list[0] = '\0';
  if (size >= 2) list[1] = '\0';
}

size_t ListEnd(const char *list) {
  const char *p = list;
  while (*p) p = ListNext(p);
  return static_cast<size_t>(p - list);
}

int ListCount(const char *list) {
  int n = 0;
  for (const char *p = list; *p; p = ListNext(p)) ++n;
  return n;
}

int ListAppend(char *list, size_t size, const char *text, size_t maxLen) {
  size_t len = strlen(text);
  if (len == 0 || (maxLen != 0 && len >= maxLen)) return 0;
  size_t end = ListEnd(list);
  // The entry, its NUL and the list's final NUL must all fit.
  if (end + len + 2 > size) return 0;
  memcpy(list + end, text, len);
  list[end + len] = '\0';
  list[end + len + 1] = '\0';
  return 1;
}

void ListSetSingle(char *list, size_t size, const char *key, size_t keyLen) {
  ListClear(list, size);
  if (size < 3 || keyLen == 0) return;
  if (keyLen > size - 2) keyLen = CharacterCut(key, size - 2);
  memcpy(list, key, keyLen);
  list[keyLen] = '\0';
  list[keyLen + 1] = '\0';
}

int ListAppendGrowing(GrowingList *list, const char *text) {
  size_t len = strlen(text);
  if (len == 0) return 0;
  size_t needed = list->end + len + 2;
  if (needed > list->size) {
    size_t size = list->size ? list->size : kGrowingListFirstSize;
    while (size < needed) size *= 2;
    char *grown = static_cast<char *>(realloc(list->text, size));
    if (!grown) return 0;
    list->text = grown;
    list->size = size;
  }
  memcpy(list->text + list->end, text, len + 1);
  list->end += len + 1;
  list->text[list->end] = '\0';
  ++list->count;
  return 1;
}

void ListFree(GrowingList *list) {
  free(list->text);
  *list = GrowingList();
}
