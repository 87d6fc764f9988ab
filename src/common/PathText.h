// Paths put together as texts. Free of windows.h so that it is tested natively.
#pragma once
#include <stddef.h>

// folder, a backslash and name into size bytes; false when that does not fit (out is then cut
// and names nothing).
bool JoinPath(char *out, size_t size, const char *folder, const char *name);
