// Where a "ServiceGroupOrder" line puts its group in the system's group order list.
#pragma once
#include <stddef.h>

// Moves or adds group in the multi-string list (a buffer of capacity bytes) relative to the
// anchor: an anchor without prefix or with "+" places it immediately before that group, or at
// the front when the anchor is not in the list; with "-" immediately after it, or at the end.
// The group is first taken out, so it ends up only once. Returns 1 when placed; 0 with the
// list unchanged for an empty group or when the list cannot grow by the group in capacity.
int PlaceGroupInList(char *list, size_t capacity, const char *group, const char *anchor);

// Bytes a buffer needs to hold a stored list of storedBytes with groupLen more characters
// placed in it, whatever shape the stored bytes have.
size_t GroupListCapacity(size_t storedBytes, size_t groupLen);
