#include "script/TargetDir.h"

#include <string.h>

#include "common/Decimal.h"
#include "common/Globals.h"
#include "common/Guards.h"
#include "common/PathText.h"
#include "common/ScriptField.h"
#include "res/resource.h"
#include "script/Ownership.h"
#include "script/UninstallValues.h"
#include "script/TargetPath.h"

namespace {

constexpr char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";

}  // namespace

void DefaultTargetDir(HINF inf, char (&dir)[kTargetDirSize], char (&subdir)[kTargetDirSize]) {
  char idText[kTargetDirSize] = {};
  char below[kTargetDirSize] = {};
  bool belowFits = true;
  INFCONTEXT line;
  if (SetupFindFirstLineA(inf, kDestinationDirs, kDefaultDestDir, &line)) {
    ReadField(&line, kFieldDestinationId, idText);
    if (!ReadField(&line, kFieldDestinationSubdir, below))
      belowFits = SetupGetFieldCount(&line) < kFieldDestinationSubdir;
  }
  long id = ReadDecimal(idText);
  char programFiles[kTargetDirSize] = {};
  bool programFilesBased =
      id == static_cast<long>(kApplicationsDirId) && ReadProgramFilesDir(programFiles);
  // Below Program Files, a sub-folder that does not fit gives no proposal rather than another
  // folder (Program Files itself, or a cut path): the install then refuses to start instead of
  // going anywhere else.
  if (programFilesBased) {
    if (!belowFits || !AssembleProgramFilesTarget(dir, sizeof(dir), programFiles, below))
      dir[0] = '\0';
  } else if (!SetupGetTargetPathA(inf, nullptr, nullptr, dir, sizeof(dir), nullptr)) {
    dir[0] = '\0';
  }
  memcpy(subdir, below, sizeof(subdir));
}

bool ReadProgramFilesDir(char (&dir)[kTargetDirSize]) {
  RegKeyGuard key;
  if (!OpenRegistryKey(HKEY_LOCAL_MACHINE, kCurrentVersionKey, KEY_READ, &key)) return false;
  char value[kTargetDirSize] = {};
  DWORD type = 0;
  DWORD size = sizeof(value);
  if (RegQueryValueExA(key.get(), "ProgramFilesDir", nullptr, &type,
                       reinterpret_cast<BYTE *>(value), &size) != ERROR_SUCCESS)
    return false;
  value[sizeof(value) - 1] = '\0';  // a value stored without its terminator
  switch (type) {
    case REG_EXPAND_SZ: {
      DWORD needed = ExpandEnvironmentStringsA(value, dir, sizeof(dir));
      return needed != 0 && needed <= sizeof(dir);
    }
    case REG_SZ:
      lstrcpynA(dir, value, sizeof(dir));
      return true;
    default:
      return false;
  }
}

void ProposeTargetDir(HINF inf, char (&dir)[kTargetDirSize]) {
  // An earlier installation's directory wins over the script's default.
  char below[kTargetDirSize];
  if (!FindInstalledTargetDir(inf, nullptr, dir)) DefaultTargetDir(inf, dir, below);
}

bool IsAbsolutePath(const char *path) {
  bool drive = ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
               path[1] == ':' && path[2] == '\\';
  bool share = path[0] == '\\' && path[1] == '\\' && path[2] != '\0' && path[2] != '\\';
  return drive || share;
}

namespace {

constexpr char kDriveRoot[] = "X:\\";
constexpr char kWildcards[] = "?*";

// The first file that stands where a folder of the path should be: the path itself, or a
// folder on its way. Only paths on a drive are walked; a share's server is not asked on
// every keystroke.
bool FindFileInTheWay(const char *path, char (&file)[kTargetDirSize]) {
  size_t length = strlen(path);
  if (path[1] != ':' || length >= sizeof(file)) return false;
  memcpy(file, path, length + 1);
  for (size_t at = sizeof(kDriveRoot) - 1; at <= length; ++at) {
    if (file[at] != '\\' && file[at] != '\0') continue;
    char kept = file[at];
    file[at] = '\0';
    DWORD attributes = GetFileAttributesA(file);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;  // nothing further is there
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    file[at] = kept;
  }
  return false;
}

// The full form of path in place; the reason's string id when it has none.
int TakeFullForm(char (&path)[kTargetDirSize], char (&detail)[kTargetDirSize]) {
  char full[kTargetDirSize];
  switch (NormaliseFolderPath(path, full, sizeof(full), detail, sizeof(detail))) {
    case PathForm::Full:
      memcpy(path, full, sizeof(path));
      return 0;
    case PathForm::NotAbsolute:
      return IDS_TARGET_NOT_ABSOLUTE;
    case PathForm::BadEnding:
      return IDS_TARGET_BAD_ENDING;
    default:
      return IDS_TARGET_REFUSED;
  }
}

}  // namespace

int TargetDirFault(HINF inf, char (&path)[kTargetDirSize], char (&detail)[kTargetDirSize]) {
  detail[0] = '\0';
  if (int fault = TakeFullForm(path, detail)) return fault;
  // A wildcard is in no folder's name; a character that the narrow calls' code page cannot
  // hold reads as "?" on systems older than UTF-8 code pages: such a folder is refused before
  // anything is made, never created under another name.
  if (strpbrk(path, kWildcards)) return IDS_TARGET_REFUSED;
  char root[sizeof(kDriveRoot)];
  memcpy(root, kDriveRoot, sizeof(root));
  root[0] = path[0];
  if (path[1] == ':' && GetDriveTypeA(root) == DRIVE_NO_ROOT_DIR) {
    lstrcpynA(detail, root, sizeof(root) - 1);  // "X:"
    return IDS_TARGET_NO_DRIVE;
  }
  if (FindFileInTheWay(path, detail)) return IDS_TARGET_IS_FILE;
  detail[0] = '\0';
  OtherProgram other;
  if (TargetHoldsOtherSetup(inf, path, &other)) {
    lstrcpynA(detail, other.name, sizeof(detail));
    return IDS_TARGET_OTHER_SETUP;
  }
  return 0;
}
