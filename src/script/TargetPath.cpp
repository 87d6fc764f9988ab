#include "script/TargetPath.h"

#include <string.h>

int AssembleProgramFilesTarget(char *out, size_t size, const char *programFiles,
                               const char *subdir) {
  size_t baseLen = strlen(programFiles);
  bool needSlash = baseLen == 0 || programFiles[baseLen - 1] != '\\';
  if (*subdir == '\\') ++subdir;
  size_t subLen = strlen(subdir);
  size_t total = baseLen + (needSlash ? 1 : 0) + subLen;
  if (total + 1 > size) return 0;
  memcpy(out, programFiles, baseLen);
  size_t used = baseLen;
  if (needSlash) out[used++] = '\\';
  memcpy(out + used, subdir, subLen);
  used += subLen;
  // One trailing backslash goes: the directory is named without it.
  if (used > 0 && out[used - 1] == '\\') --used;
  out[used] = '\0';
  return 1;
}
