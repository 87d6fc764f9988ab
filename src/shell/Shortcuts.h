// Shortcut sections ("MakeIcons", "DelIcons") and the shell folder codes.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include "common/MadeListener.h"

constexpr char kMakeIconsKey[] = "MakeIcons";
constexpr char kDelIconsKey[] = "DelIcons";
constexpr size_t kFolderCodeSize = 16;  // a shortcut line's folder code, NUL included

// Fields of a line of a shortcut list.
enum ShortcutField : DWORD {
  kFieldFolderCode = 1, kFieldLinkName, kFieldLinkTarget, kFieldLinkArguments, kFieldIconFile,
  kFieldIconIndex, kFieldOpenFolder
};

// A link or a folder for one that was not there before is told to listener.
int ApplySectionShortcuts(HINF inf, const char *section, MadeListener *listener = nullptr);
int CreateShortcut(const char *folderCode, const char *name, const char *target,
                   const char *arguments, const char *iconFile, int iconIndex, int openFolder,
                   MadeListener *listener = nullptr);
int DeleteShortcut(const char *folderCode, const char *name);
// Whether the code is one of the eight folder codes (compared without regard to case).
bool IsKnownFolderCode(const char *folderCode);
int ResolveFolderCode(char *destination /* 260 bytes */, const char *folderCode);
