#include "script/SetupScript.h"

#include <stdio.h>

#include "common/Globals.h"
#include "common/Log.h"
#include "common/Platform.h"
#include "common/ProgramPath.h"
#include "script/ScriptText.h"

namespace {

const char *ChooseSection(HINF inf, const SectionFamily &family, bool win9x,
                          unsigned majorVersion) {
  if (win9x) return IsSectionPresent(inf, family.win9x) ? family.win9x : family.bare;
  if (majorVersion >= 5 && IsSectionPresent(inf, family.nt5)) return family.nt5;
  if (IsSectionPresent(inf, family.ntx86)) return family.ntx86;
  if (IsSectionPresent(inf, family.nt)) return family.nt;
  return family.bare;
}

}  // namespace

const SectionFamily kSectionFamilies[kSectionFamilyCount] = {
    {"Install.Win", "Install.NT5", "Install.NTx86", "Install.NT", "Install", &g_installSection},
    {"Remove.Win", "Remove.NT5", "Remove.NTx86", "Remove.NT", "Remove", &g_removeSection},
    {"Products.Win", "Products.NT5", "Products.NTx86", "Products.NT", "Products",
     &g_productsSection},
};

void SetupScriptPath(char (&path)[kTargetDirSize]) { PathBesideProgram(path, kSetupScriptName); }

HINF OpenSetupScript(char (&path)[kTargetDirSize], UINT *errorLine) {
  SetupScriptPath(path);
  ScriptReading reading;
  HINF inf = OpenScriptFile(path, errorLine, &reading);
  char encoding[kFieldSize];
  DescribeEncoding(reading, encoding);
  if (inf != INVALID_HANDLE_VALUE)
    LogLine("setup script: %s, read as %s%s", path, encoding,
            reading.converted ? " through a UTF-16 copy" : "");
  else
    LogFailure(GetLastError(), "the setup script %s cannot be opened (line %u)", path,
               *errorLine);
  return inf;
}

bool IsSectionPresent(HINF inf, const char *section) {
  INFCONTEXT context;
  return SetupFindFirstLineA(inf, section, nullptr, &context) != FALSE;
}

void SelectPlatformSections(HINF inf) {
  SelectPlatformSectionsFor(inf, IsWin9xFamily(), MajorVersion());
}

void SelectPlatformSectionsFor(HINF inf, bool win9x, unsigned majorVersion) {
  for (const SectionFamily &family : kSectionFamilies)
    *family.chosen = ChooseSection(inf, family, win9x, majorVersion);
}
