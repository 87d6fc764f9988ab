// The hidden host window of class "SETUP": its creation runs the wizard.
#pragma once
#include <windows.h>

HWND CreateHostWindow(HINSTANCE instance);
LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
