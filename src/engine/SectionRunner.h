// The section runner: applies a section list in fixed phases.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include "engine/Phases.h"

struct RemovalScope;
struct InstallJournal;

// 1 when every step that can stop the run succeeded; else 0 with the error in GetLastError().
// A removal gives its scope: the files that stay, and how far up emptied folders go. An install
// gives its journal, which records every change.
int RunSections(HINF inf, const char *sectionList, HWND page,
                const RemovalScope *scope = nullptr, InstallJournal *journal = nullptr);

// Copies the file lists (a key list) through the callback as the runner copies, before the
// run proper, whose queue then leaves their files alone; 1, or 0 with the error in
// GetLastError().
int PlaceFileLists(HINF inf, const char *fileLists, HWND page, InstallJournal *journal);
