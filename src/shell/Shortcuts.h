// Shortcut sections ("MakeIcons", "DelIcons") and the shell folder codes.
#pragma once
#include <windows.h>
#include <setupapi.h>

int ApplySectionShortcuts(HINF inf, const char *section);
int CreateShortcut(const char *folderCode, const char *name, const char *target,
                   const char *arguments, const char *iconFile, int iconIndex, int openFolder);
int DeleteShortcut(const char *folderCode, const char *name);
int ResolveFolderCode(char *destination /* 260 bytes */, const char *folderCode);
