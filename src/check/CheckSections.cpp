// The directives of a section of a run: the file lists with their destinations and sources,
// the registry and INI sections, the shortcut lists and the program lists they name.
#include <stdlib.h>
#include <string.h>

#include "check/CheckParts.h"
#include "common/AsciiCase.h"
#include "common/Decimal.h"
#include "common/PathText.h"
#include "engine/QueuePaths.h"
#include "script/ProductLines.h"
#include "script/SetupScript.h"
#include "script/TargetDir.h"
#include "shell/HwndPlaceholder.h"
#include "shell/LinkPath.h"
#include "shell/Programs.h"
#include "shell/Shortcuts.h"

namespace {

constexpr char kSourceDisksFiles[] = "SourceDisksFiles";
constexpr char kSourceDisksNames[] = "SourceDisksNames";

struct CabinetSearch {
  const char *name;
  bool found;
};

UINT CALLBACK NoteCabinetFile(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR) {
  if (notification != SPFILENOTIFY_FILEINCABINET) return NO_ERROR;
  CabinetSearch *search = static_cast<CabinetSearch *>(context);
  const FILE_IN_CABINET_INFO_A *file = reinterpret_cast<const FILE_IN_CABINET_INFO_A *>(param1);
  if (SamePath(file->NameInCabinet, search->name)) search->found = true;
  return FILEOP_SKIP;
}

bool CabinetHolds(const char *cabinet, const char *name) {
  CabinetSearch search = {name, false};
  SetupIterateCabinetA(cabinet, 0, NoteCabinetFile, &search);
  return search.found;
}

// Where the source of a file is on the media: the media folder itself, or the disk and
// sub-folder that [SourceDisksFiles] and [SourceDisksNames] give, or a cabinet named there.
void CheckSourceFile(ScriptCheck *check, Where where, const char *name, MediaUse use) {
  char path[kTargetDirSize];
  lstrcpynA(path, check->mediaDir, sizeof(path));
  bool fits = true;
  INFCONTEXT file, disk;
  if (SetupFindFirstLineA(check->inf, kSourceDisksFiles, name, &file)) {
    char diskId[kFieldSize], subdir[kFieldSize], tag[kFieldSize], diskPath[kFieldSize];
    ReadFieldAsRun(&file, 1, diskId, sizeof(diskId));
    ReadFieldAsRun(&file, 2, subdir, sizeof(subdir));
    if (!SetupFindFirstLineA(check->inf, kSourceDisksNames, diskId, &disk)) {
      Report(check, At(kSourceDisksFiles, file), Severity::Error,
             "source disk \"%s\" of \"%s\" is not in [%s]", diskId, name, kSourceDisksNames);
      return;
    }
    ReadFieldAsRun(&disk, 2, tag, sizeof(tag));
    ReadFieldAsRun(&disk, 4, diskPath, sizeof(diskPath));
    if (EndsAsCabinet(tag)) {
      if (!JoinPath(path, path, diskPath) || !JoinPath(path, path, tag) ||
          GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        Report(check, where, Severity::Error, "cabinet \"%s\", which holds \"%s\", is not on "
               "the media", tag, name);
      else if (!CabinetHolds(path, name))
        Report(check, where, Severity::Error, "\"%s\" is not in cabinet \"%s\"", name, path);
      else
        NoteMediaFile(check, path, MediaUse::Read);
      return;
    }
    fits = JoinPath(path, path, diskPath) && JoinPath(path, path, subdir);
  }
  if (!fits || !JoinPath(path, path, name) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
    Report(check, where, Severity::Error, "source file \"%s\" is not on the media (\"%s\")",
           name, path);
  else
    NoteMediaFile(check, path, use);
}

// A program that a line runs by a name relative to the media (the current folder of an
// install), or by a path into the media folder, is read from the media.
void NoteMediaProgram(ScriptCheck *check, const char *program) {
  char path[kTargetDirSize];
  lstrcpynA(path, check->mediaDir, sizeof(path));
  bool inMedia = !_strnicmp(program, path, strlen(path));
  if (inMedia) lstrcpynA(path, program, sizeof(path));
  if (check->media && (inMedia || (!strpbrk(program, ":%") && program[0] != '\\' &&
                                   JoinPath(path, path, program))) &&
      GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
    NoteMediaFile(check, path, MediaUse::Read);
    check->media->runsMediaProgram = true;
  }
}

// A file list's files go where its own [DestinationDirs] line says, else to DefaultDestDir.
void CheckFileListDestination(ScriptCheck *check, const char *list) {
  INFCONTEXT line;
  if (SetupFindFirstLineA(check->inf, kDestinationDirs, list, &line)) return;
  if (!SetupFindFirstLineA(check->inf, kDestinationDirs, kDefaultDestDir, &line)) {
    Report(check, HeaderOf(list), Severity::Error,
           "file list [%s] has no destination: no line in [%s] and no \"%s\"", list,
           kDestinationDirs, kDefaultDestDir);
    return;
  }
  char id[kTargetDirSize];
  if (ReadFieldAsRun(&line, kFieldDestinationId, id, sizeof(id)) == FieldState::Present &&
      ReadDecimal(id) == static_cast<int>(kApplicationsDirId))
    Report(check, HeaderOf(list), Severity::Warning,
           "file list [%s] has no line in [%s]: its files go to \"%s\", whose id 24 is the root "
           "of the system drive for the Setup API, not Program Files",
           list, kDestinationDirs, kDefaultDestDir);
}

void CheckFileListSources(ScriptCheck *check, const char *list) {
  ForEachLine(check->inf, list, nullptr, [&](INFCONTEXT *line) {
    char target[kTargetDirSize], source[kTargetDirSize];
    if (ReadFieldAsRun(line, kFieldFileTarget, target, sizeof(target)) != FieldState::Present ||
        !target[0]) {
      Report(check, At(list, *line), Severity::Error, "a file line without a file name");
      return;
    }
    if (ReadFieldAsRun(line, kFieldFileSource, source, sizeof(source)) != FieldState::Present ||
        !source[0])
      lstrcpynA(source, target, sizeof(source));
    // A copy that only replaces a file needs to know whether the target is there, which the
    // queue finds out: its source stays a file of the media.
    char flags[kFieldSize];
    bool replacesOnly =
        ReadFieldAsRun(line, kFieldFileFlags, flags, sizeof(flags)) == FieldState::Present &&
        (strtoul(flags, nullptr, 0) & COPYFLG_REPLACEONLY);
    CheckSourceFile(check, At(list, *line), source,
                    replacesOnly ? MediaUse::Read : MediaUse::Copied);
  });
}

// One line of a section of a run, and the directive it holds.
struct DirectiveLine {
  ScriptCheck *check;
  Where where;
  INFCONTEXT *line;
  const char *key;
  const char *section;
  SectionRole role;
};

bool RequireSection(const DirectiveLine &d, const char *name) {
  if (IsSectionPresent(d.check->inf, name)) return true;
  Report(d.check, d.where, Severity::Error, "[%s], named by \"%s\", is missing or has no lines",
         name, d.key);
  return false;
}

using ListLineCheck = void (*)(ScriptCheck *check, Where where, INFCONTEXT *line);

// Checks every line of a section that a directive names.
void CheckListLines(const DirectiveLine &d, const char *list, ListLineCheck checkLine) {
  if (!RequireSection(d, list)) return;
  ForEachLine(d.check->inf, list, nullptr,
              [&](INFCONTEXT *line) { checkLine(d.check, At(list, *line), line); });
}

void CheckFileList(const DirectiveLine &d, const char *list, bool copies) {
  if (copies && list[0] == '@') {
    CheckSourceFile(d.check, d.where, list + 1, MediaUse::Copied);
    return;
  }
  if (!RequireSection(d, list)) return;
  CheckFileListDestination(d.check, list);
  if (copies) CheckFileListSources(d.check, list);
}

// A number of a shortcut line, read as a run reads it.
void CheckShortcutNumber(ScriptCheck *check, Where where, INFCONTEXT *line, DWORD field,
                         const char *what) {
  char text[kFieldSize];
  if (ReadFieldReported(check, where, line, field, text, sizeof(text), what) ==
          FieldState::Present &&
      !IsDecimalText(text, true))
    Report(check, where, Severity::Warning, "%s \"%s\" is not a decimal number: a run reads %d",
           what, text, ReadDecimal(text));
}

// The first two fields of a shortcut line, which deleting it reads as well.
void CheckShortcutPlace(ScriptCheck *check, Where where, INFCONTEXT *line) {
  char code[kFolderCodeSize], name[kFieldSize];
  if (RequireField(check, where, line, kFieldFolderCode, code, sizeof(code), "the folder code") &&
      !IsKnownFolderCode(code))
    Report(check, where, Severity::Error,
           "unknown folder code \"%s\": the line creates and deletes nothing", code);
  if (RequireField(check, where, line, kFieldLinkName, name, sizeof(name), "the shortcut name") &&
      !IsContainedLinkName(name))
    Report(check, where, Severity::Error,
           "shortcut name \"%s\" leaves its shell folder (absolute, or with a \"..\" part): a "
           "run skips the line", name);
}

void CheckShortcutLine(ScriptCheck *check, Where where, INFCONTEXT *line) {
  CheckShortcutPlace(check, where, line);
  char text[kFieldSize];
  RequireField(check, where, line, kFieldLinkTarget, text, sizeof(text), "the target");
  ReadFieldReported(check, where, line, kFieldLinkArguments, text, sizeof(text),
                    "the argument text");
  ReadFieldReported(check, where, line, kFieldIconFile, text, sizeof(text), "the icon file");
  CheckShortcutNumber(check, where, line, kFieldIconIndex, "the icon index");
  CheckShortcutNumber(check, where, line, kFieldOpenFolder, "the open-folder flag");
}

// "%hwnd%" is replaced only as long as each "%" of the text begins one.
void CheckPlaceholders(ScriptCheck *check, Where where, const char *arguments) {
  char edited[kArgumentBufferSize], handle[kHandleTextSize];
  lstrcpynA(edited, arguments, sizeof(edited));
  FormatWindowHandle(handle, sizeof(handle), 0);
  ReplaceWindowPlaceholders(edited, sizeof(edited), handle);
  for (const char *p = edited; *p; ++p)
    if (SameAsciiPrefix(p, kWindowPlaceholder, sizeof(kWindowPlaceholder) - 1)) {
      Report(check, where, Severity::Warning,
             "\"%s\" stands after a \"%%\" that does not begin one: a run does not replace it",
             kWindowPlaceholder);
      return;
    }
}

void CheckProgramLine(ScriptCheck *check, Where where, INFCONTEXT *line) {
  char number[kProgramNumberSize], text[kFieldSize];
  if (RequireField(check, where, line, kFieldPass, number, sizeof(number), "the pass number")) {
    long pass = ParseProgramNumber(number);
    if (pass != kFirstPass && pass != kLastPass)
      Report(check, where, Severity::Error,
             "pass number \"%s\" is neither %d (before the files) nor %d (at the end): the "
             "line never runs", number, kFirstPass, kLastPass);
  }
  if (RequireField(check, where, line, kFieldProgram, text, sizeof(text), "the program"))
    NoteMediaProgram(check, text);
  if (ReadFieldReported(check, where, line, kFieldProgramArguments, text, sizeof(text),
                        "the argument text") ==
      FieldState::Present) {
    CheckPlaceholders(check, where, text);
    if (check->media && text[0]) ListAppendGrowing(&check->media->arguments, text);
  }
  ReadFieldReported(check, where, line, kFieldProgramDirectory, text, sizeof(text),
                    "the working directory");
  if (ReadFieldReported(check, where, line, kFieldProgramFlags, number, sizeof(number),
                        "the flag value") ==
          FieldState::Present &&
      (ParseProgramNumber(number) & ~static_cast<long>(kProgramFlagNoWait | kProgramFlagDelete)))
    Report(check, where, Severity::Warning,
           "flag value \"%s\": only %d (do not wait) and %d (delete the program) mean "
           "something", number, kProgramFlagNoWait, kProgramFlagDelete);
}

void CheckCopyFiles(const DirectiveLine &d, const char *list) { CheckFileList(d, list, true); }
void CheckOtherFiles(const DirectiveLine &d, const char *list) { CheckFileList(d, list, false); }
void CheckNamedSection(const DirectiveLine &d, const char *name) { RequireSection(d, name); }
void CheckMakeIcons(const DirectiveLine &d, const char *list) {
  CheckListLines(d, list, CheckShortcutLine);
}
void CheckDelIcons(const DirectiveLine &d, const char *list) {
  CheckListLines(d, list, CheckShortcutPlace);
}
void CheckExec(const DirectiveLine &d, const char *field) {
  if (field[0] != '@')
    CheckListLines(d, field, CheckProgramLine);
  else if (!field[1])
    Report(d.check, d.where, Severity::Error, "an \"@\" without a program");
  else
    NoteMediaProgram(d.check, field + 1);
}
void CheckUninstallPlace(const DirectiveLine &d, const char *) {
  if (d.role != SectionRole::Install || !SameIgnoringCase(d.section, g_installSection))
    Report(d.check, d.where, Severity::Warning,
           "only the \"%s\" line of the Install section is read; this one is not", d.key);
}

// The keys a section of a run may hold: the Setup API's file, registry and INI directives,
// which a run applies, and the program's own, of which only the first line counts. A check
// is called for each section that the line names, or once for a line that names none.
struct DirectiveRule {
  const char *key;
  void (*check)(const DirectiveLine &, const char *field);
  bool firstLineOnly;
  bool namesSections;
};

constexpr DirectiveRule kDirectives[] = {
    {kCopyFilesKey, CheckCopyFiles, false, true},
    {kDelFilesKey, CheckOtherFiles, false, true},
    {"RenFiles", CheckOtherFiles, false, true},
    {kAddRegKey, CheckNamedSection, false, true},
    {kDelRegKey, CheckNamedSection, false, true},
    {kUpdateInisKey, CheckNamedSection, false, true},
    {"UpdateIniFields", CheckNamedSection, false, true},
    {"Ini2Reg", CheckNamedSection, false, true},
    {kMakeIconsKey, CheckMakeIcons, true, true},
    {kDelIconsKey, CheckDelIcons, true, true},
    {kExecKey, CheckExec, true, true},
    {kUninstallLineKey, CheckUninstallPlace, true, false},
};
void CheckDirective(const DirectiveRule &rule, const DirectiveLine &d) {
  if (!rule.namesSections) {
    rule.check(d, nullptr);
    return;
  }
  char name[kFieldSize];
  for (DWORD field = 1; ReadFieldReported(d.check, d.where, d.line, field, name, sizeof(name),
                                          "the section name") != FieldState::Missing;
       ++field)
    if (name[0]) rule.check(d, name);
}

// The section and its role, for the directive checks.
struct RunSection {
  const char *section;
  SectionRole role;
};

void CheckRunSectionLine(ScriptCheck *check, const KeyedLine &keyed, void *data) {
  if (keyed.index < 0) {
    Report(check, keyed.where, Severity::Warning,
           "\"%s\" is not carried out: a run applies the file, registry and INI directives "
           "and MakeIcons, DelIcons and Exec",
           keyed.key);
    return;
  }
  const DirectiveRule &rule = kDirectives[keyed.index];
  if (rule.firstLineOnly && keyed.repeated) {
    Report(check, keyed.where, Severity::Warning,
           "only the first \"%s\" line of a section is read; this one is not", rule.key);
    return;
  }
  const RunSection *run = static_cast<const RunSection *>(data);
  CheckDirective(rule, {check, keyed.where, keyed.line, rule.key, run->section, run->role});
}

}  // namespace

void CheckRunSection(ScriptCheck *check, const char *section, SectionRole role) {
  // A run reads the service section of every section of its list, even of an empty one.
  CheckServiceSection(check, section);
  RunSection run = {section, role};
  ForEachKeyedLine(
      check, section, [](const char *key) { return FindKey(kDirectives, key); },
      CheckRunSectionLine, &run);
}
