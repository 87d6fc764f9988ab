#include "engine/RemovalScope.h"

#include <string.h>

#include "common/KeyList.h"
#include "common/Log.h"
#include "common/PathText.h"
#include "common/ScriptField.h"
#include "engine/QueuePaths.h"
#include "script/ProductLines.h"
#include "script/UninstallValues.h"
#include "script/SetupScript.h"
#include "script/TargetDir.h"

namespace {


// Adds folder\name; false only when memory ran out (a path too long names no file).
bool AddPath(PathSet *kept, const char *folder, const char *name) {
  char path[kTargetDirSize];
  return !JoinPath(path, sizeof(path), folder, name) || PathSetAppend(kept, path);
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
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, entry, nullptr, &line)) return true;
  do {
    char name[kFieldSize];
    if (ReadField(&line, kFieldFileTarget, name) && name[0] && !AddPath(kept, folder, name))
      return false;
  } while (SetupFindNextLine(&line, &line));
  return true;
}

// Every file that the section's CopyFiles lines place, in the target directory dir.
bool AddCopiedFiles(HINF inf, const char *section, const char *dir, PathSet *kept) {
  INFCONTEXT line;
  if (!SetupSetDirectoryIdA(inf, kTargetDirId, dir) ||
      !SetupFindFirstLineA(inf, section, kCopyFilesKey, &line))
    return true;
  do {
    char entry[kFieldSize];
    for (DWORD field = 1; ReadField(&line, field, entry); ++field)
      if (entry[0] && !AddCopyEntry(inf, entry, kept)) return false;
  } while (SetupFindNextMatchLineA(&line, kCopyFilesKey, &line));
  return true;
}

bool InKeys(const char *keys, const char *key) {
  for (const char *entry = keys; *entry; entry = ListNext(entry))
    if (_stricmp(entry, key) == 0) return true;
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
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, g_productsSection, nullptr, &line)) return true;
  do {
    char key[kFieldSize];
    char section[kSectionNameSize];
    char dir[kTargetDirSize];
    if (!IsListedProduct(&line, keysDistinct) ||
        !ReadField(&line, kFieldKey, key) || InKeys(keys, key) ||
        !RegisteredDir(key, removalDir, dir) ||
        !ReadField(&line, kFieldInstallSection, section))
      continue;
    if (!AddCopiedFiles(inf, section, dir, kept)) return false;
  } while (SetupFindNextLine(&line, &line));
  return true;
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

void ReleaseRemovalScope(RemovalScope *scope) { PathSetFree(&scope->keptFiles); }
