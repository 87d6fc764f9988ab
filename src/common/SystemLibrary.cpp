#include "common/SystemLibrary.h"

#include "common/Globals.h"
#include "common/PathText.h"

HMODULE LoadSystemLibrary(const char *name) {
  HMODULE loaded = GetModuleHandleA(name);
  if (loaded) return loaded;
  char path[kTargetDirSize];
  UINT length = GetSystemDirectoryA(path, sizeof(path));
  if (length == 0 || length >= sizeof(path) || !JoinPath(path, path, name)) return nullptr;
  return LoadLibraryA(path);
}
