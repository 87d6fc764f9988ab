// The path texts of the target directory that need no Windows call. Free of windows.h so that
// they are tested and fuzzed natively.
#pragma once
#include <stddef.h>

// The default target below the Program Files directory: one separating backslash, the
// subdirectory without a leading backslash, and no trailing backslash. 0 when it would not
// fit into size bytes (out is then unchanged).
bool AssembleProgramFilesTarget(char *out, size_t size, const char *programFiles,
                                const char *subdir);
