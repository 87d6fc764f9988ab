// The product lines, the setup-level "Uninstall" line and what a removal needs of them.
#include <string.h>

#include "check/CheckParts.h"
#include "common/Decimal.h"
#include "common/PathText.h"
#include "res/resource.h"
#include "script/Ownership.h"
#include "script/ProductLines.h"
#include "script/ScriptText.h"
#include "script/SetupCopy.h"
#include "script/SetupScript.h"
#include "script/UninstallCommand.h"

namespace {

constexpr int kLastIcon = IDB_IMAGES_COUNT - 2;  // icon n shows picture n + 1 of the strip

// A number field as the catalogue reads it, checked against 0..last.
void CheckNumberField(ScriptCheck *check, Where where, INFCONTEXT *line, DWORD field,
                      DWORD size, const char *what, int last) {
  char text[kFieldSize];
  if (ReadFieldReported(check, where, line, field, text, size, what) != FieldState::Present)
    return;
  int value = ReadDecimal(text);
  if (!IsDecimalText(text, true))
    Report(check, where, Severity::Error, "%s \"%s\" is not a decimal number: a run reads %d",
           what, text, value);
  else if (value < 0 || value > last)
    Report(check, where, Severity::Error, "%s %s is out of range (0 to %d)", what, text, last);
}

void CheckFlags(ScriptCheck *check, Where where, INFCONTEXT *line) {
  CheckNumberField(check, where, line, kFieldFlags, kFieldSize, "the flag value",
                   kProductKnownFlags);
}

// Dotted decimal numbers such as 2.10.1.
bool IsDottedVersion(const char *text) {
  do {
    if (*text < '0' || *text > '9') return false;
    while (*text >= '0' && *text <= '9') ++text;
  } while (*text++ == '.');
  return text[-1] == '\0';
}

void CheckVersion(ScriptCheck *check, Where where, INFCONTEXT *line) {
  char version[kSectionNameSize];
  if (ReadFieldReported(check, where, line, kFieldVersion, version, sizeof(version),
                        "the version") == FieldState::Present &&
      !IsDottedVersion(version))
    Report(check, where, Severity::Error,
           "version \"%s\" is not made of decimal numbers and dots, such as 2.10.1", version);
}

// A section that a product line names must hold lines; an empty one counts as missing.
bool CheckProductSection(ScriptCheck *check, Where where, INFCONTEXT *line, DWORD field,
                         const char *key, const char *what, char (&section)[kSectionNameSize]) {
  if (ReadFieldReported(check, where, line, field, section, sizeof(section), what) !=
          FieldState::Present ||
      !section[0])
    return false;
  if (!IsSectionPresent(check->inf, section))
    Report(check, where, Severity::Error, "%s [%s] of product \"%s\" is missing or has no lines",
           what, section, key);
  return true;
}

// Whether some "CopyFiles" line of the section copies setup.inf to scriptPath.
bool CopiesScriptTo(HINF inf, const char *section, const char *scriptPath) {
  return !ForEachLine(inf, section, kCopyFilesKey, [&](INFCONTEXT *line) {
    char fileList[kFieldSize], path[kTargetDirSize];
    for (DWORD field = 1;
         ReadFieldAsRun(line, field, fileList, sizeof(fileList)) == FieldState::Present; ++field)
      if (FindCopyInFileList(inf, fileList, kSetupScriptName, path) &&
          SamePath(path, scriptPath))
        return false;
    return true;
  });
}

// The entry for key starts the copy of setup.exe that one of the sections copies: it needs
// setup.inf beside it and a command line that fits.
void CheckRemovalCopy(ScriptCheck *check, Where where, const char *key, const char *section) {
  char setupPath[kTargetDirSize];
  if (!FindSetupCopyPath(check->inf, section, setupPath) &&
      !FindSetupCopyPath(check->inf, g_installSection, setupPath)) {
    if (SameIgnoringCase(section, g_installSection))
      Report(check, where, Severity::Error,
             "no Uninstall entry can be written for \"%s\": the first \"CopyFiles\" line of "
             "[%s] copies no setup.exe", key, section);
    else
      Report(check, where, Severity::Error,
             "no Uninstall entry can be written for \"%s\": the first \"CopyFiles\" lines of "
             "[%s] and [%s] copy no setup.exe", key, section, g_installSection);
    return;
  }
  char scriptPath[kTargetDirSize];
  lstrcpynA(scriptPath, setupPath, sizeof(scriptPath));
  strcpy(scriptPath + strlen(scriptPath) - (sizeof(kSetupProgramName) - 1), kSetupScriptName);
  if (!CopiesScriptTo(check->inf, section, scriptPath) &&
      !CopiesScriptTo(check->inf, g_installSection, scriptPath))
    Report(check, where, Severity::Error,
           "setup.exe is copied to \"%s\" but setup.inf is not copied beside it: the removal "
           "of \"%s\" cannot open its script",
           setupPath, key);
  char command[kTargetDirSize];
  if (KeyCanBeCarried(key) && !BuildUninstallCommand(command, sizeof(command), setupPath, key))
    Report(check, where, Severity::Error,
           "the removal command of \"%s\" with the proposed target is longer than %u "
           "bytes: no Uninstall entry is written",
           key, static_cast<unsigned>(kUninstallCommandMax));
}

void CheckKey(ScriptCheck *check, Where where, const char *key) {
  if (!KeyCanBeCarried(key))
    Report(check, where, Severity::Error,
           "key \"%s\" holds a double quote, which the removal's command line cannot carry",
           key);
}

// A key that an install registers: one that another vendor's setup may well register too.
void CheckKeyCollision(ScriptCheck *check, Where where, const char *key) {
  if (KeyLikelyToCollide(key))
    Report(check, where, Severity::Warning,
           "key \"%s\" is a short or common word that another vendor may use as well: where "
           "their product is installed, this one cannot be",
           key);
}

// One product line; true when an install registers it for removal.
bool CheckProductLine(ScriptCheck *check, INFCONTEXT *line) {
  Where where = At(g_productsSection, *line);
  char key[kProductKeySize];
  FieldState keyState =
      ReadFieldReported(check, where, line, kFieldKey, key, sizeof(key), "the product key");
  if (keyState != FieldState::Present || !key[0]) {
    if (keyState != FieldState::TooLong)
      Report(check, where, Severity::Error, "a product line without a key");
    return false;
  }
  CheckKey(check, where, key);
  INFCONTEXT first;
  if (FindProductLine(check->inf, key, &first) && first.Line != line->Line)
    Report(check, where, Severity::Error,
           "product key \"%s\" is also the key of line %d (keys are compared without regard "
           "to case): a run reads only the first of them",
           key, FindScriptLine(check->text, check->textLength, g_productsSection,
                               static_cast<int>(first.Line)));

  char name[kFieldSize], install[kSectionNameSize], remove[kSectionNameSize];
  bool named = ReadFieldReported(check, where, line, kFieldDisplayName, name, sizeof(name),
                                 "the display name") == FieldState::Present;
  bool installs = CheckProductSection(check, where, line, kFieldInstallSection, key,
                                      "install section", install);
  bool removes = CheckProductSection(check, where, line, kFieldRemoveSection, key,
                                     "remove section", remove);
  if (installs && !named)
    Report(check, where, Severity::Error,
           "product \"%s\" has no display name: it is not offered", key);
  if (!installs && !removes)
    Report(check, where, Severity::Warning,
           "product \"%s\" names neither an install nor a remove section: the line does nothing",
           key);
  CheckFlags(check, where, line);
  CheckNumberField(check, where, line, kFieldIcon, kIconFieldSize, "the icon number",
                   kLastIcon);
  // Read as the components page reads it: whole, also where the Setup API cuts it.
  char description[kLongTextSize];
  if (ReadLongField(line, g_productsSection, kFieldDescription, description, sizeof(description),
                    check->text, check->textLength) > sizeof(description))
    ReportFieldTooLong(check, where, kFieldDescription, sizeof(description), "the description");
  CheckVersion(check, where, line);
  if (SetupGetFieldCount(line) > kFieldVersion)
    Report(check, where, Severity::Warning, "fields after field %lu (the version) are not read",
           static_cast<unsigned long>(kFieldVersion));
  if (!installs || !named || !removes || first.Line != line->Line) return false;
  CheckKeyCollision(check, where, key);
  CheckRemovalCopy(check, where, key, install);
  return true;
}

// The Install section's "Uninstall" line; true when it names a setup-level entry.
bool CheckUninstallLine(ScriptCheck *check) {
  INFCONTEXT line;
  if (!SetupFindFirstLineA(check->inf, g_installSection, kUninstallLineKey, &line)) return false;
  Where where = At(g_installSection, line);
  char key[kFieldSize], name[kFieldSize];
  ReadFieldReported(check, where, &line, kFieldSetupName, name, sizeof(name), "the display name");
  if (ReadFieldReported(check, where, &line, kFieldSetupKey, key, sizeof(key),
                        "the setup-level key") !=
          FieldState::Present ||
      !key[0]) {
    Report(check, where, Severity::Error,
           "the \"Uninstall\" line has no key: no entry is written for the setup as a whole");
    return false;
  }
  CheckKey(check, where, key);
  INFCONTEXT product;
  if (FindProductLine(check->inf, key, &product))
    Report(check, where, Severity::Error,
           "setup-level key \"%s\" is also the key of a product in [%s]: both would share one "
           "Uninstall entry",
           key, g_productsSection);
  CheckKeyCollision(check, where, key);
  CheckRemovalCopy(check, where, key, g_installSection);
  return true;
}

}  // namespace

void CheckCatalogue(ScriptCheck *check) {
  bool registers = false;
  ForEachLine(check->inf, g_productsSection, nullptr,
              [&](INFCONTEXT *line) { registers = CheckProductLine(check, line) || registers; });
  registers = CheckUninstallLine(check) || registers;
  char vendor[kFieldSize];
  if (registers && !ReadScriptVendor(check->inf, vendor))
    Report(check, HeaderOf(kVersionSection), Severity::Warning,
           "[%s] has no \"%s\": the Uninstall entries cannot tell this setup from another "
           "vendor's that names none",
           kVersionSection, kProviderKey);
  if (!registers && IsSectionPresent(check->inf, g_removeSection))
    Report(check, HeaderOf(g_removeSection), Severity::Warning,
           "[%s] never runs: no product has a remove section and [%s] has no \"Uninstall\" "
           "line, so nothing is registered for removal",
           g_removeSection, g_installSection);
}
