// The course of "/check": open the script as a run opens it, then read it once for every
// platform family whose section choice differs, then write the findings.
#include "check/Check.h"

#include <stdlib.h>
#include <string.h>

#include "check/CheckParts.h"
#include "common/Decimal.h"
#include "common/ExitCode.h"
#include "common/Globals.h"
#include "common/Guards.h"
#include "common/Log.h"
#include "script/ProductLines.h"
#include "script/ScriptText.h"
#include "script/SetupScript.h"
#include "script/TargetDir.h"
#include "script/TargetPath.h"

namespace {

// The families whose section choices can differ: Windows 95/98/Me, NT 4 and NT 5 or later.
struct PlatformFamily {
  bool win9x;
  unsigned majorVersion;
};
constexpr PlatformFamily kPlatforms[] = {{true, 4}, {false, 4}, {false, 5}};

// What the Setup API's refusal to open a script means, for its usual reasons.
struct OpenError {
  DWORD code;
  const char *text;
};
constexpr OpenError kOpenErrors[] = {
    {ERROR_FILE_NOT_FOUND, "the file does not exist"},
    {ERROR_PATH_NOT_FOUND, "its folder does not exist"},
    {ERROR_EXPECTED_SECTION_NAME, "a line stands outside any section"},
    {ERROR_BAD_SECTION_NAME_LINE, "a section header is not closed by \"]\""},
    {ERROR_SECTION_NAME_TOO_LONG, "a section name is too long"},
    {ERROR_GENERAL_SYNTAX, "a line is not written as the Setup API reads it"},
    {ERROR_WRONG_INF_STYLE,
     "it is no Windows 95 or NT style script (a [Version] section with a \"Signature\")"},
};

void ReportOpenFailure(ScriptCheck *check, const char *path, UINT errorLine, DWORD error) {
  const char *meaning = "the Setup API gives no reason";
  for (const OpenError &known : kOpenErrors)
    if (known.code == error) meaning = known.text;
  ReportAtLine(check, static_cast<int>(errorLine), Severity::Error,
               "the Setup API cannot open the script \"%s\": %s (error 0x%08lX)", path, meaning,
               static_cast<unsigned long>(error));
}

// The script that is checked: the "/check:" path, else setup.inf beside the program; the
// media is its folder.
void LocateScript(char (&path)[kTargetDirSize], char (&mediaDir)[kTargetDirSize]) {
  if (!g_checkPath[0]) {
    SetupScriptPath(path);
  } else {
    DWORD length = GetFullPathNameA(g_checkPath, sizeof(path), path, nullptr);
    if (length == 0 || length >= sizeof(path)) lstrcpynA(path, g_checkPath, sizeof(path));
  }
  lstrcpynA(mediaDir, path, sizeof(mediaDir));
  char *slash = strrchr(mediaDir, '\\');
  if (slash) slash[1] = '\0';
  else mediaDir[0] = '\0';
}

// Binds the user's directory to what a quiet run would propose when nothing is installed,
// so that target paths resolve as on a first installation.
void BindProposedTarget(HINF inf) {
  char proposal[kTargetDirSize], below[kTargetDirSize];
  DefaultTargetDir(inf, proposal, below);
  SetupSetDirectoryIdA(inf, kTargetDirId, proposal);
}

// The "DefaultDestDir" line: the Setup API's destination of file lists without their own
// line, and the target page's proposal.
void CheckDefaultDestination(ScriptCheck *check) {
  INFCONTEXT line;
  if (!SetupFindFirstLineA(check->inf, kDestinationDirs, kDefaultDestDir, &line)) {
    Report(check, HeaderOf(kDestinationDirs), Severity::Warning,
           "no \"DefaultDestDir\" line: the target page proposes the Setup API's default "
           "directory, the system folder");
    return;
  }
  Where where = At(kDestinationDirs, line);
  char idText[kTargetDirSize], below[kTargetDirSize];
  bool hasId = ReadFieldReported(check, where, &line, kFieldDestinationId, idText, sizeof(idText),
                                 "the directory id") == FieldState::Present;
  ReadFieldReported(check, where, &line, kFieldDestinationSubdir, below, sizeof(below),
                    "the sub-folder");
  if (hasId && !IsDecimalText(idText, false))
    Report(check, where, Severity::Error, "directory id \"%s\" is not a number", idText);
  char programFiles[kTargetDirSize], proposal[kTargetDirSize];
  if (hasId && ReadDecimal(idText) == static_cast<int>(kApplicationsDirId) &&
      ReadProgramFilesDir(programFiles) &&
      !AssembleProgramFilesTarget(proposal, sizeof(proposal), programFiles, below))
    Report(check, where, Severity::Error,
           "the proposed target \"%s\\%s\" is longer than %d bytes", programFiles, below,
           kTargetDirSize - 1);
}

// A variant of Install, Remove or Products that no platform family chooses is never read.
void CheckUnchosenVariants(ScriptCheck *check) {
  for (const SectionFamily &family : kSectionFamilies) {
    const char *variants[] = {family.win9x, family.nt5, family.ntx86, family.nt, family.bare};
    for (const char *variant : variants) {
      if (!IsSectionPresent(check->inf, variant)) continue;
      bool chosen = false;
      for (const PlatformFamily &platform : kPlatforms) {
        SelectPlatformSectionsFor(check->inf, platform.win9x, platform.majorVersion);
        chosen = chosen || strcmp(*family.chosen, variant) == 0;
      }
      if (!chosen)
        Report(check, HeaderOf(variant), Severity::Warning,
               "[%s] is never used: every platform family chooses another variant", variant);
    }
  }
}

void VisitRunSection(ScriptCheck *check, const char *section, SectionRole role, void *) {
  CheckRunSection(check, section, role);
}

void CheckOpenScript(ScriptCheck *check) {
  BindProposedTarget(check->inf);
  CheckDefaultDestination(check);
  CheckUnchosenVariants(check);
  for (const PlatformFamily &platform : kPlatforms) {
    SelectPlatformSectionsFor(check->inf, platform.win9x, platform.majorVersion);
    CheckCatalogue(check);
  }
  ForEachRunSection(check, VisitRunSection, nullptr);
  CheckLeftoverDeletions(check);
  CheckWizardSections(check);
}

}  // namespace

void ForEachRunSection(ScriptCheck *check, SectionVisitor visit, void *data) {
  for (const PlatformFamily &platform : kPlatforms) {
    SelectPlatformSectionsFor(check->inf, platform.win9x, platform.majorVersion);
    visit(check, g_installSection, SectionRole::Install, data);
    ForEachLine(check->inf, g_productsSection, nullptr, [&](INFCONTEXT *line) {
      char section[kSectionNameSize];
      if (ReadFieldAsRun(line, kFieldInstallSection, section, sizeof(section)) ==
              FieldState::Present && section[0])
        visit(check, section, SectionRole::Install, data);
      if (ReadFieldAsRun(line, kFieldRemoveSection, section, sizeof(section)) ==
              FieldState::Present && section[0])
        visit(check, section, SectionRole::Remove, data);
    });
    visit(check, g_removeSection, SectionRole::Remove, data);
  }
}

int CheckSetupScript(ScriptMedia *media) {
  HeapGuard findings(AllocateZeroed(sizeof(Finding) * kMaxFindings));
  if (!findings.get()) {
    LogLine("not enough memory to check the script");
    return kExitCheckFindings;
  }
  ScriptCheck check = {};
  check.findings = reinterpret_cast<Finding *>(findings.get());
  check.text = "";
  char path[kTargetDirSize];
  LocateScript(path, check.mediaDir);
  if (media) {
    check.media = media;
    lstrcpynA(media->folder, check.mediaDir, sizeof(media->folder));
    lstrcpynA(media->script, path, sizeof(media->script));
  }
  check.shownName = g_checkPath[0] ? g_checkPath : kSetupScriptName;
  // A value that did not fit was refused: checking another script than the one named, or
  // without the log asked for, would mislead.
  if (g_commandLineFault) {
    ReportAtLine(&check, 0, Severity::Error,
                 "the value of \"%s\" on the command line is too long: nothing is checked",
                 g_commandLineFault);
    WriteFindings(&check);
    return kExitInvalidCommandLine;
  }

  LogLine("checking the setup script %s", path);
  // A text that cannot be read (or is too large) gets no line numbers.
  ScriptText text;
  ScriptReading reading;
  LoadScriptText(path, &text, &reading);
  check.text = text.text;
  check.textLength = text.length;
  UINT errorLine = 0;
  check.inf = OpenScriptFile(path, &errorLine, &reading);
  char encoding[kFieldSize];
  if (check.inf == INVALID_HANDLE_VALUE) {
    ReportOpenFailure(&check, path, errorLine, GetLastError());
  } else {
    DescribeEncoding(reading, encoding);
    check.encoding = encoding;
    CheckOpenScript(&check);
    SetupCloseInfFile(check.inf);
  }
  return WriteFindings(&check) > 0 ? kExitCheckFindings : kExitCheckClean;
}
