// The hidden host window of class "SETUP": it owns the wizard and its boxes while the run goes
// on, lets a second copy of the program find this one, and answers the end of the session.
#pragma once
#include <windows.h>

// The class by which a second copy of the program finds the first one's window.
constexpr char kHostClass[] = "SETUP";

HWND CreateHostWindow(HINSTANCE instance);
LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
