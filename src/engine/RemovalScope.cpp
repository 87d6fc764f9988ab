#include "engine/RemovalScope.h"

#include <string.h>

#include "common/AsciiCase.h"
#include "common/KeyList.h"
#include "common/Log.h"
#include "common/PathText.h"
#include "common/ScriptField.h"
#include "engine/FileQueueCallback.h"
#include "engine/Folders.h"
#include "engine/InstallRecord.h"
#include "engine/QueuePaths.h"
#include "script/ProductLines.h"
#include "script/SetupCopy.h"
#include "script/UninstallValues.h"
#include "script/SetupScript.h"
#include "script/TargetDir.h"

namespace {

// Adds folder\name; false only when memory ran out (a path too long names no file).
bool AddPath(PathSet *kept, const char *folder, const char *name) {
  char path[kTargetDirSize];
  return !JoinPath(path, folder, name) || PathSetAppend(kept, path);
}

// The files of one entry of a CopyFiles line: a file-list section, or "@name", a single file
// that goes to the default destination.
bool AddCopyEntry(HINF inf, const char *entry, PathSet *kept) {
  bool single = entry[0] == '@';
  char folder[kTargetDirSize];
  if (!SetupGetTargetPathA(inf, nullptr, single ? kDefaultDestDir : entry, folder, sizeof(folder),
                           nullptr))
    return true;
  if (single) return AddPath(kept, folder, entry + 1);
  return ForEachLine(inf, entry, nullptr, [&](INFCONTEXT *line) {
    char name[kFieldSize];
    return !ReadField(line, kFieldFileTarget, name) || !name[0] || AddPath(kept, folder, name);
  });
}

// Every file that the section's CopyFiles lines place, in the target directory dir.
bool AddCopiedFiles(HINF inf, const char *section, const char *dir, PathSet *kept) {
  return !SetupSetDirectoryIdA(inf, kTargetDirId, dir) ||
         AddSectionFiles(inf, section, kCopyFilesKey, kept);
}

bool InKeys(const char *keys, const char *key) {
  for (const char *entry = keys; *entry; entry = ListNext(entry))
    if (SameIgnoringCase(entry, key)) return true;
  return false;
}

// The installed directory of a registered key: its recorded one, else the removal's own.
// False when the key has no Uninstall entry.
bool RegisteredDir(const char *key, const char *removalDir, char (&dir)[kTargetDirSize]) {
  if (ReadRecordedTargetDir(key, dir)) return true;
  lstrcpynA(dir, removalDir, sizeof(dir));
  return UninstallEntryExists(key);
}

// The install sections of the products that stay registered after the removal of keys.
bool AddStayingProducts(HINF inf, const char *keys, const char *removalDir, PathSet *kept) {
  bool keysDistinct = ProductKeysDistinct(inf);
  return ForEachLine(inf, g_productsSection, nullptr, [&](INFCONTEXT *line) {
    char key[kFieldSize];
    char section[kSectionNameSize];
    char dir[kTargetDirSize];
    return !IsListedProduct(line, keysDistinct) || !ReadField(line, kFieldKey, key) ||
           InKeys(keys, key) || !RegisteredDir(key, removalDir, dir) ||
           !ReadField(line, kFieldInstallSection, section) ||
           AddCopiedFiles(inf, section, dir, kept);
  });
}

// The setup-level Install section stands for a product that stays until the last one goes.
bool AddSetupLevel(HINF inf, const char *removalDir, PathSet *kept) {
  INFCONTEXT line;
  char key[kFieldSize];
  char dir[kTargetDirSize];
  if (!ReadSetupLevelKey(inf, &line, key, sizeof(key)) ||
      !ReadRecordedTargetDir(key, dir))
    lstrcpynA(dir, removalDir, sizeof(dir));
  return AddCopiedFiles(inf, g_installSection, dir, kept);
}

}  // namespace

bool AddSectionFiles(HINF inf, const char *section, const char *directive, PathSet *files) {
  bool complete = true;
  ForEachLine(inf, section, directive, [&](INFCONTEXT *line) {
    char entry[kFieldSize];
    for (DWORD field = 1; complete && ReadField(line, field, entry); ++field)
      if (entry[0]) complete = AddCopyEntry(inf, entry, files);
  });
  return complete;
}

// The base folder of the script's default destination: Program Files for id 24, the folder
// its sub-folder lies in for another. Emptied folders of the removal go up to it when dir lies
// inside it (the vendor folder of "24, Vendor\Product"), else up to dir's own parent.
void FindRemovalOuterFolder(HINF inf, const char *dir, char (&outer)[kTargetDirSize]) {
  char base[kTargetDirSize];
  char below[kTargetDirSize];
  DefaultTargetDir(inf, base, below);
  CutTrailingPath(base, below);
  if (base[0] && IsBelowFolder(dir, base))
    memcpy(outer, base, sizeof(outer));
  else if (!FileDirectory(outer, sizeof(outer), dir))
    outer[0] = '\0';
}

bool PrepareRemovalScope(HINF inf, const char *keys, const char *dir, bool setupStays,
                         RemovalScope *scope) {
  *scope = RemovalScope();
  bool complete = AddStayingProducts(inf, keys, dir, &scope->keptFiles) &&
                  (!setupStays || AddSetupLevel(inf, dir, &scope->keptFiles)) &&
                  PathSetSort(&scope->keptFiles);
  if (!complete) LogFailure(ERROR_NOT_ENOUGH_MEMORY, "the files that stay cannot be listed");
  return complete;
}

void ReleaseRemovalScope(RemovalScope *scope) {
  PathSetFree(&scope->keptFiles);
  PathSetFree(&scope->lastFiles);
  ListFree(&scope->madeFolders);
}

bool AddRecordedFiles(HINF inf, const char *keys, const char *sectionList, const char *dir,
                      bool setupGoes, RemovalScope *scope) {
  PathSet named = {};
  bool complete = true;
  for (const char *section = sectionList; *section; section = ListNext(section))
    complete = complete && AddSectionFiles(inf, section, kDelFilesKey, &named);
  complete = complete && PathSetSort(&named);
  INFCONTEXT line;
  char setupKey[kFieldSize] = {};
  ReadSetupLevelKey(inf, &line, setupKey, sizeof(setupKey));
  char setupProgram[kTargetDirSize];
  if (!JoinPath(setupProgram, dir, kSetupProgramName))
    setupProgram[0] = '\0';
  for (const char *key = keys; complete && *key; key = ListNext(key)) {
    // The setup level's files stay while products stay, though its entry may go.
    if (!setupGoes && SameIgnoringCase(key, setupKey)) continue;
    // An entry deleted before (the setup level's, while products stayed) leaves its record
    // beside the copy of setup.exe in the run's directory.
    char recordPath[kTargetDirSize];
    ProductRecord record = {};
    if (!InstalledRecordPath(key, recordPath) &&
        (!setupProgram[0] || !RecordPathOf(setupProgram, key, recordPath)))
      continue;
    complete = ReadProductRecord(recordPath, &record);
    for (const char *file = record.files.paths.text; complete && file && *file;
         file = ListNext(file))
      if (!PathSetHas(&named, file) && !PathSetHas(&scope->keptFiles, file))
        complete = PathSetAppend(&scope->lastFiles, file);
    for (const char *folder = record.folders.text; complete && folder && *folder;
         folder = ListNext(folder))
      complete = ListAppendGrowing(&scope->madeFolders, folder);
    // A copy that a killed install left of a file that was there before the product goes
    // back; every other copy goes with the product.
    for (const char *backup = record.backups.text; complete && backup && *backup;
         backup = ListNext(backup)) {
      char file[kTargetDirSize];
      bool machines = FileOfBackup(backup, file) && PathSetHas(&record.replaced, file);
      if (!machines || !PutBackInterruptedCopy(backup))
        complete = PathSetAppend(&scope->lastFiles, backup);
    }
    // The setup's own files, when the run deletes them, go last, and the record after them.
    char setupFile[kTargetDirSize];
    char folder[kTargetDirSize];
    const char *setupNames[] = {kSetupProgramName, kSetupScriptName};
    for (const char *name : setupNames)
      if (FileDirectory(folder, sizeof(folder), recordPath) &&
          JoinPath(setupFile, folder, name) &&
          (PathSetHas(&named, setupFile) || PathSetHas(&record.files, setupFile)) &&
          !PathSetHas(&scope->keptFiles, setupFile))
        complete = complete && PathSetAdd(&scope->lastFiles, setupFile);
    if (record.present) complete = complete && PathSetAppend(&scope->lastFiles, recordPath);
    FreeProductRecord(&record);
  }
  PathSetFree(&named);
  return complete && PathSetSort(&scope->lastFiles);
}

DWORD RemoveLastFiles(const RemovalScope *scope) {
  DWORD error = 0;
  GrowingList folders = {};
  for (const char *file = scope->lastFiles.paths.text; file && *file; file = ListNext(file)) {
    char folder[kTargetDirSize];
    if (FileDirectory(folder, sizeof(folder), file)) ListAppendGrowing(&folders, folder);
    if (MoveHandedOverProgram(file)) continue;
    if (DeleteFileA(file)) {
      LogLine("deleted %s", file);
    } else if (GetFileAttributesA(file) == INVALID_FILE_ATTRIBUTES) {
      continue;
    } else if (DeleteFileAtRestart(file)) {
      LogLine("%s is in use: it is deleted at the next restart, which is needed", file);
      g_rebootNeeded = 1;
    } else {
      error = GetLastError();
      LogFailure(error, "%s can be deleted neither now nor at the next restart", file);
    }
  }
  // The folders the installs made, the innermost first, and the emptied ones on the way up.
  for (const char *folder = scope->madeFolders.text; folder && *folder; folder = ListNext(folder))
    ListAppendGrowing(&folders, folder);
  RemoveEmptiedFolders(&folders, scope->outerFolder);
  ListFree(&folders);
  return error;
}
