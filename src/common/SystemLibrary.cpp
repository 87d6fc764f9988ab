#include "common/SystemLibrary.h"

#include <string.h>

#include "common/Globals.h"

HMODULE LoadSystemLibrary(const char *name) {
  HMODULE loaded = GetModuleHandleA(name);
  if (loaded) return loaded;
  char path[kTargetDirSize];
  UINT length = GetSystemDirectoryA(path, sizeof(path));
  if (length == 0 || length + 1 + strlen(name) >= sizeof(path)) return nullptr;
  path[length] = '\\';
  memcpy(path + length + 1, name, strlen(name) + 1);
  return LoadLibraryA(path);
}
