// Loaded, it creates "<its own path>.loaded": the test sees that it was taken. It exports the
// two calls importer.exe makes, so that the program it is planted beside still runs.
#include <windows.h>

namespace {

constexpr char kMark[] = ".loaded";

}  // namespace

extern "C" BOOL WINAPI DllMainCRTStartup(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(self, path, sizeof(path));
  if (length == 0 || length + sizeof(kMark) > sizeof(path)) return TRUE;
  lstrcpyA(path + length, kMark);
  HANDLE mark = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
  return TRUE;
}

// Declared here, not through setupapi.h, which declares them imported.
extern "C" __declspec(dllexport) void *WINAPI SetupOpenFileQueue() { return INVALID_HANDLE_VALUE; }

extern "C" __declspec(dllexport) BOOL WINAPI SetupCloseFileQueue(void *) { return TRUE; }
