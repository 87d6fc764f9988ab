// The "Exec" line: programs run before the file copy (pass 1) and at the end (pass 2).
#pragma once
#include <windows.h>
#include <setupapi.h>

int RunSectionPrograms(HINF inf, const char *section, int pass, HWND window);
int RunProgram(const char *program, const char *arguments, const char *directory, int flags,
               HWND window);
