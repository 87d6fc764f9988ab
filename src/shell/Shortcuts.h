// Shortcut sections ("MakeIcons", "DelIcons") and the shell folder codes.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include "common/Globals.h"
#include "common/MadeListener.h"

constexpr char kMakeIconsKey[] = "MakeIcons";
constexpr char kDelIconsKey[] = "DelIcons";
constexpr size_t kFolderCodeSize = 16;  // a shortcut line's folder code, NUL included

// Fields of a line of a shortcut list.
enum ShortcutField : DWORD {
  kFieldFolderCode = 1, kFieldLinkName, kFieldLinkTarget, kFieldLinkArguments, kFieldIconFile,
  kFieldIconIndex, kFieldOpenFolder
};

// Makes the links of the section's "MakeIcons" lists and takes away those of its "DelIcons"
// lists; a link that cannot be made or taken is logged and skipped. A link or a folder for one
// that was not there before is told to listener.
void ApplySectionShortcuts(HINF inf, const char *section, MadeListener *listener = nullptr);
bool CreateShortcut(const char *folderCode, const char *name, const char *target,
                    const char *arguments, const char *iconFile, int iconIndex, int openFolder,
                    MadeListener *listener = nullptr);
// Takes the link away, and the sub-folders of its name that it leaves empty.
void DeleteShortcut(const char *folderCode, const char *name);
// Whether the code is one of the eight folder codes (compared without regard to case).
bool IsKnownFolderCode(const char *folderCode);
// The shell folder that the code stands for; false, with destination untouched, when it has
// none or its path does not fit.
bool ResolveFolderCode(char (&destination)[kTargetDirSize], const char *folderCode);
