#include "script/TargetPath.h"

#include <string.h>

#include "common/PathText.h"

bool AssembleProgramFilesTarget(char *out, size_t size, const char *programFiles,
                                const char *subdir) {
  if (*subdir == '\\') ++subdir;
  if (!JoinPath(out, size, programFiles, subdir)) return false;
  // One trailing backslash goes: the directory is named without it.
  size_t used = strlen(out);
  if (used > 0 && out[used - 1] == '\\') out[used - 1] = '\0';
  return true;
}
