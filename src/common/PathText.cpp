#include "common/PathText.h"

#include <stdio.h>

bool JoinPath(char *out, size_t size, const char *folder, const char *name) {
  int length = snprintf(out, size, "%s\\%s", folder, name);
  return length > 0 && static_cast<size_t>(length) < size;
}
