// The hidden host window of class "SETUP": its creation runs the wizard.
#pragma once
#include <windows.h>

// The class by which a second copy of the program finds the first one's window.
constexpr char kHostClass[] = "SETUP";

HWND CreateHostWindow(HINSTANCE instance);
LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
