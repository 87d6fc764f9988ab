// The section runner: applies a section list in fixed phases.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include "engine/Phases.h"

struct RemovalScope;

// 1 when every step that can stop the run succeeded; else 0 with the error in GetLastError().
// A removal gives its scope: the files that stay, and how far up emptied folders go.
int RunSections(HINF inf, const char *sectionList, HWND page,
                const RemovalScope *scope = nullptr);
