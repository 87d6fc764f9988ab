// The setup script "setup.inf" beside the program, and the choice of its platform sections.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include "common/Globals.h"

constexpr char kSetupScriptName[] = "setup.inf";

// The Setup API's directive whose files the program looks up itself, and the fields of a
// file list's lines: the target name, and the source name when it differs.
constexpr char kCopyFilesKey[] = "CopyFiles";
constexpr char kDelFilesKey[] = "DelFiles";
enum FileListField : DWORD {
  kFieldFileTarget = 1, kFieldFileSource, kFieldFileTemporary, kFieldFileFlags
};

// The path of setup.inf beside the program file.
void SetupScriptPath(char (&path)[kTargetDirSize]);

// Opens setup.inf beside the program file, whose path goes to path. INVALID_HANDLE_VALUE,
// logged, when it cannot be opened, with the faulty line in *errorLine (0: none).
HINF OpenSetupScript(char (&path)[kTargetDirSize], UINT *errorLine);

// A section counts as present only when it holds at least one line.
bool IsSectionPresent(HINF inf, const char *section);

// Candidate names of one section family, most specific first; the bare name comes last.
struct SectionFamily {
  const char *win9x;
  const char *nt5;
  const char *ntx86;
  const char *nt;
  const char *bare;
  const char **chosen;  // the global that holds the choice
};

// Install, Remove and Products.
constexpr int kSectionFamilyCount = 3;
extern const SectionFamily kSectionFamilies[kSectionFamilyCount];

// Sets g_installSection, g_removeSection and g_productsSection for the running platform.
void SelectPlatformSections(HINF inf);

// The same for another platform: the Windows 95/98/Me family, or NT of the major version.
void SelectPlatformSectionsFor(HINF inf, bool win9x, unsigned majorVersion);
