// Multi-strings: texts, each ended by a NUL, the list ended by an empty text (the layout of a
// REG_MULTI_SZ value), which is the layout of a key list (common/KeyList.h): its helpers walk
// and count one. An empty list is two NULs. Every helper that grows a list is told the
// capacity of its buffer and refuses what does not fit, leaving the list as it was.
#pragma once
#include <stddef.h>

// The n-th entry (from 0), or nullptr when the list has n or fewer entries.
const char *MultiSzNth(const char *list, int n);

// Index of the first entry equal to text (case-sensitive, whole text), or -1.
int MultiSzFind(const char *list, const char *text);

// Removes the n-th entry; returns 1 if there was one, else 0 and the list is unchanged.
int MultiSzRemove(char *list, int n);

// Inserts text in front of the n-th entry; n negative or at or beyond the number of entries
// appends it. Returns 1; returns 0 with the list unchanged for an empty text (it would end the
// list early) or when the grown list would not fit in capacity bytes.
int MultiSzInsert(char *list, size_t capacity, const char *text, int n);

// Bytes from the list's first byte to its final NUL inclusive; an empty list counts 2.
size_t MultiSzSize(const char *list);

// Turns dataBytes of stored value data at the start of buffer into a well-formed multi-string
// in place: empty entries are dropped (they would hide the entries after them), a last entry
// without its NUL is kept and ended. buffer must hold dataBytes + 2 bytes (capacity); returns
// the list's MultiSzSize, or 0 when capacity is too small (the buffer is then left alone).
size_t MultiSzFromBytes(char *buffer, size_t dataBytes, size_t capacity);
