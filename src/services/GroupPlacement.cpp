#include "services/GroupPlacement.h"

#include <string.h>

#include "services/MultiSz.h"

int PlaceGroupInList(char *list, size_t capacity, const char *group, const char *anchor) {
  size_t len = strlen(group);
  if (len == 0) return 0;
  // Taking the group out first leaves room for it again, so only a group that is new to the
  // list can fail to fit, and then nothing has been changed.
  int present = MultiSzFind(list, group);
  if (present >= 0) MultiSzRemove(list, present);

  bool after = anchor[0] == '-';
  if (anchor[0] == '-' || anchor[0] == '+') ++anchor;
  int found = MultiSzFind(list, anchor);
  int index;
  if (after)
    index = found >= 0 ? found + 1 : -1;
  else
    index = found >= 0 ? found : 0;
  return MultiSzInsert(list, capacity, group, index);
}

size_t GroupListCapacity(size_t storedBytes, size_t groupLen) {
  // MultiSzFromBytes needs two bytes beyond the data; the group adds its text and NUL.
  return storedBytes + 2 + groupLen + 1;
}
