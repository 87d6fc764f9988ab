// The program's private window messages: how a worker reports to the window that started it.
// A worker talks to its page (or to the hidden window of a silent run) through these alone.
#pragma once
#include <windows.h>

constexpr UINT WM_SETUP_PHASE = WM_USER + 10;     // wParam: a phase of engine/Phases.h
constexpr UINT WM_SETUP_PROGRESS = WM_USER + 11;  // from the default queue callback
constexpr UINT WM_SETUP_DONE = WM_USER + 12;      // wParam 1/0, lParam the error code
constexpr UINT WM_SETUP_FILES = WM_USER + 13;     // wParam files done, lParam files queued
