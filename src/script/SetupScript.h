// The setup script "setup.inf" beside the program, and the choice of its platform sections.
#pragma once
#include <windows.h>
#include <setupapi.h>

// Opens setup.inf beside the program file. On failure shows string 1315 with the script's
// full path and the faulty line, owned by owner, and returns INVALID_HANDLE_VALUE.
HINF OpenSetupScript(HWND owner);

// A section counts as present only when it holds at least one line.
bool IsSectionPresent(HINF inf, const char *section);

// Sets g_installSection, g_removeSection and g_productsSection for the running platform.
void SelectPlatformSections(HINF inf);
