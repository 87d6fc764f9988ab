// Shows one window and ends: the start of a trivial program that has a window on the screen,
// which under Wine costs far more than the start of one that has none (tests/tools/noop).
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  HWND window = CreateWindowA("STATIC", "onewindow", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 320, 200, nullptr, nullptr, nullptr, nullptr);
  if (!window) return 1;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  DestroyWindow(window);
  return 0;
}
