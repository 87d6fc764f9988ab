// The removal's hand-over: the installed setup.exe cannot delete its own file while it runs, so
// a removal started from it runs in a copy in a folder of the temporary directory. The first
// process waits for the copy and passes its exit code on; the copy moves the installed program
// out of the target folder when the removal comes to delete it, so that the folder goes at
// once. What is left in the temporary folder goes at the next restart, which is never a
// reason for the run to ask for one.
#include <stdio.h>
#include <string.h>

#include "app/RunRequest.h"
#include "common/AsciiCase.h"
#include "common/Globals.h"
#include "common/Guards.h"
#include "common/KeyList.h"
#include "common/Log.h"
#include "common/PathText.h"
#include "common/ProgramPath.h"
#include "engine/FileQueueCallback.h"
#include "pack/PrivateCopy.h"
#include "script/ProductLines.h"
#include "script/SetupCopy.h"
#include "script/UninstallValues.h"
#include "script/SetupScript.h"
#include "script/UninstallCommand.h"

namespace {

constexpr char kRelocatedOption[] = " /relocated:\"";

// Whether this process is the setup.exe that the removed entry's command line starts.
bool StartedFromInstalledCopy(HINF inf, const char *program) {
  char key[kFieldSize];
  if (g_productKey[0]) {
    lstrcpynA(key, g_productKey, sizeof(key));
  } else {
    INFCONTEXT line;
    if (!ReadSetupLevelKey(inf, &line, key, sizeof(key))) return false;
  }
  char command[kTargetDirSize];
  char recorded[kTargetDirSize];
  char full[kTargetDirSize];
  if (!ReadUninstallValue(key, kUninstallStringValue, command, sizeof(command)) ||
      !UninstallCommandProgram(recorded, sizeof(recorded), command))
    return false;
  DWORD length = GetFullPathNameA(recorded, sizeof(full), full, nullptr);
  return length != 0 && length < sizeof(full) && SamePath(full, program);
}

// The program and its script beside each other in the folder.
bool CopyProgramAndScript(const char *program, const char *folder) {
  char source[kTargetDirSize];
  char target[kTargetDirSize];
  return PathBesideProgram(source, kSetupScriptName) &&
         JoinPath(target, folder, kSetupProgramName) &&
         CopyFileA(program, target, FALSE) &&
         JoinPath(target, folder, kSetupScriptName) &&
         CopyFileA(source, target, FALSE);
}

// The names that a hand-over folder holds.
const char *const kHandOverNames[] = {kSetupProgramName, kSetupScriptName, kHandedOverProgram};

// Whether the folder holds one of the hand-over's files and nothing else.
bool HoldsOnlyOurFiles(const char *folder) {
  char pattern[kTargetDirSize];
  WIN32_FIND_DATAA found;
  if (!JoinPath(pattern, folder, "*")) return false;
  FindGuard find(FindFirstFileA(pattern, &found));
  bool ours = false;
  if (!find) return false;
  do {
    if (!strcmp(found.cFileName, ".") || !strcmp(found.cFileName, "..")) continue;
    bool known = false;
    for (const char *name : kHandOverNames)
      known = known || SameIgnoringCase(found.cFileName, name);
    if (!known) return false;
    ours = true;
  } while (FindNextFileA(find.get(), &found));
  return ours;
}

// The folders that earlier hand-overs left, killed or ended before their copy could be
// deleted: their copies of the program go with this run. A folder whose program still runs
// keeps it, and a folder that holds anything else is left alone.
void SweepHandOverFolders() {
  char temp[kTargetDirSize];
  char pattern[kTargetDirSize];
  if (!ReadTempFolder(temp) || !JoinPath(pattern, temp, "stp*")) return;
  WIN32_FIND_DATAA found;
  FindGuard find(FindFirstFileA(pattern, &found));
  if (!find) return;
  do {
    char folder[kTargetDirSize];
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !JoinPath(folder, temp, found.cFileName) || !HoldsOnlyOurFiles(folder))
      continue;
    bool cleared = true;
    for (const char *name : kHandOverNames) {
      char path[kTargetDirSize];
      cleared = cleared && JoinPath(path, folder, name) &&
                (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES || DeleteFileA(path));
    }
    if (cleared) RemoveDirectoryA(folder);
  } while (FindNextFileA(find.get(), &found));
}

}  // namespace

bool HandOverRemoval(HINF inf, int *exitCode) {
  SweepHandOverFolders();
  if (!g_removeMode || g_relocatedFrom[0]) return false;
  char program[kTargetDirSize];
  if (!ReadProgramPath(program, sizeof(program)) || !StartedFromInstalledCopy(inf, program))
    return false;

  char folder[kTargetDirSize];
  char relocated[sizeof(kRelocatedOption) + kTargetDirSize];
  if (!MakePrivateFolder(folder)) {
    LogFailure(GetLastError(), "no folder for the removal's copy of the program");
    return false;
  }
  snprintf(relocated, sizeof(relocated), "%s%s\"", kRelocatedOption, program);
  if (!CopyProgramAndScript(program, folder)) {
    LogFailure(GetLastError(), "the program could not be copied to %s", folder);
    RemovePrivateFolder(folder);
    return false;
  }
  // This process must hold neither the target folder nor the private one as its current
  // directory while it waits: both are to go.
  char temp[kTargetDirSize];
  SetCurrentDirectoryA(ReadTempFolder(temp) ? temp : folder);
  bool ran = RunProgramIn("the removal goes on in a copy of the program", folder, relocated,
                          folder, exitCode);
  if (!ran) LogFailure(GetLastError(), "the copy of the program could not be started");
  RemovePrivateFolder(folder);
  return ran;
}
