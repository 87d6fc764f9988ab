// The section runner: applies a section list in fixed phases.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include "engine/Phases.h"

// Private messages to the page window that shows the progress.
constexpr UINT WM_SETUP_PHASE = WM_USER + 10;     // wParam: a phase of engine/Phases.h
constexpr UINT WM_SETUP_PROGRESS = WM_USER + 11;  // from the default queue callback
constexpr UINT WM_SETUP_DONE = WM_USER + 12;      // wParam 1/0, lParam the error code

struct RemovalScope;

// 1 when every step that can stop the run succeeded; else 0 with the error in GetLastError().
// A removal gives its scope: the files that stay, and how far up emptied folders go.
int RunSections(HINF inf, const char *sectionList, HWND page,
                const RemovalScope *scope = nullptr);
