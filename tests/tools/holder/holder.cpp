// Holds files open the way a running program holds its own files: shared for reading only,
// so that they can be neither deleted nor replaced while it runs.
//
//   holder.exe <ready event> <quit event> <file>...
//
// It opens every file, sets the named ready event, and waits until the named quit event is
// set (at most two minutes) or it is ended. Exit code 0, or 2 when a file could not be opened.
#include <windows.h>

namespace {

constexpr DWORD kLongestHoldMs = 120000;
constexpr int kFirstFileArgument = 3;

}  // namespace

int main(int argc, char **argv) {
  if (argc <= kFirstFileArgument) return 1;
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, argv[1]);
  HANDLE quit = CreateEventA(nullptr, TRUE, FALSE, argv[2]);
  if (!ready || !quit) return 1;
  for (int i = kFirstFileArgument; i < argc; ++i) {
    HANDLE file = CreateFileA(argv[i], GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 2;
    // Held until the process ends.
  }
  SetEvent(ready);
  WaitForSingleObject(quit, kLongestHoldMs);
  return 0;
}
