// Holds a setup run at a known point: waits until the file named on its command line exists
// (at most a minute), so that a test can look at the wizard while its worker is busy.
#include <windows.h>

namespace {

constexpr DWORD kLimitMs = 60000;
constexpr DWORD kPollMs = 20;

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  for (DWORD waited = 0; waited < kLimitMs; waited += kPollMs) {
    if (GetFileAttributesA(commandLine) != INVALID_FILE_ATTRIBUTES) return 0;
    Sleep(kPollMs);
  }
  return 1;
}
