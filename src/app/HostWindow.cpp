#include "app/HostWindow.h"

#include "common/Globals.h"
#include "common/Log.h"
#include "res/resource.h"

namespace {

// The session may not end under a running worker; the restart is offered afterwards.
LRESULT OnQueryEndSession() {
  if (!g_workerBusy) return TRUE;
  LogLine("a restart is needed: the end of the Windows session was refused during the run");
  g_rebootNeeded = 1;
  return FALSE;
}

}  // namespace

HWND CreateHostWindow(HINSTANCE instance) {
  WNDCLASSA windowClass;
  ZeroMemory(&windowClass, sizeof(windowClass));
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = HostWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SETUP));
  windowClass.lpszClassName = kHostClass;
  if (!RegisterClassA(&windowClass)) return nullptr;
  return CreateWindowExA(0, kHostClass, "", 0, 0, 0, 100, 100, nullptr, nullptr, instance,
                         nullptr);
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_QUERYENDSESSION:
      return OnQueryEndSession();
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}
