// Key lists and section lists: texts, each ended by a NUL, the list ended by an empty text.
// The same helpers serve g_productKey and g_sectionList; every append is bounded by the
// buffer's size and never leaves a list without its final empty entry.
#pragma once
#include <stddef.h>

// Makes the list empty (two NULs when there is room, so it reads as an empty key list).
void ListClear(char *list, size_t size);

// The entry after this one, or the final empty entry.
inline const char *ListNext(const char *entry) {
  while (*entry) ++entry;
  return entry + 1;
}

// Offset of the final empty entry, that is, where the next entry would start.
size_t ListEnd(const char *list);

// Number of entries before the final empty one.
int ListCount(const char *list);

// Appends text as the last entry. Refuses (returns 0, list unchanged) an empty text, a text
// of maxLen or more characters (maxLen 0: no limit of its own) and a text that does not fit
// the buffer with the list's final NUL. Returns 1 when appended.
int ListAppend(char *list, size_t size, const char *text, size_t maxLen);

// Stores exactly one key of keyLen characters taken from key (not NUL-terminated); a key too
// long for the buffer is cut to what fits, on a character. An empty key leaves an empty list.
void ListSetSingle(char *list, size_t size, const char *key, size_t keyLen);

// A list on the heap that grows with its entries, for lists whose length only the run knows.
// Zero-initialised it is empty (text NULL); ListFree gives its memory back.
struct GrowingList {
  char *text;
  size_t size;  // bytes allocated
  size_t end;   // offset of the final empty entry
  int count;
};

// Appends text (not empty) as the last entry; 0, with the list unchanged, when memory runs out.
int ListAppendGrowing(GrowingList *list, const char *text);
void ListFree(GrowingList *list);
