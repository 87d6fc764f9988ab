// The phases of a run that the section runner reports to its page (WM_SETUP_PHASE's wParam).
// Free of windows.h so that the pages' choice of a phase text is tested natively.
#pragma once

constexpr int kPhaseStopServices = 2;
constexpr int kPhaseFiles = 3;
constexpr int kPhaseRegistry = 4;  // registry, INI files and services
constexpr int kPhaseShortcuts = 5;
constexpr int kPhaseStartServices = 6;
constexpr int kPhaseLastPrograms = -1;  // after the last phase with a text of its own
