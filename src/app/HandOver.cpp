// The removal's hand-over: the installed setup.exe cannot delete its own file while it runs, so
// a removal started from it runs in a copy in a folder of the temporary directory. The first
// process waits for the copy and passes its exit code on; the copy moves the installed program
// out of the target folder when the removal comes to delete it, so that the folder goes at
// once. What is left in the temporary folder goes at the next restart, which is never a
// reason for the run to ask for one.
#include <stdio.h>
#include <string.h>

#include "app/CommandLine.h"
#include "app/RunRequest.h"
#include "common/Globals.h"
#include "common/Guards.h"
#include "common/KeyList.h"
#include "common/Log.h"
#include "common/PathText.h"
#include "common/ProgramPath.h"
#include "engine/FileQueueCallback.h"
#include "script/ProductLines.h"
#include "script/SetupCopy.h"
#include "script/UninstallValues.h"
#include "script/SetupScript.h"
#include "script/UninstallCommand.h"

namespace {

constexpr char kFolderPrefix[] = "stp";
constexpr char kRelocatedOption[] = " /relocated:\"";
constexpr char kLogOption[] = " /log:\"";

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
  return length != 0 && length < sizeof(full) && lstrcmpiA(full, program) == 0;
}

// A new, empty folder in the temporary directory.
bool MakeHandOverFolder(char (&folder)[kTargetDirSize]) {
  char temp[kTargetDirSize];
  DWORD length = GetTempPathA(sizeof(temp), temp);
  if (length == 0 || length >= sizeof(temp)) return false;
  // The name that GetTempFileName reserves as a file becomes the folder's.
  if (!GetTempFileNameA(temp, kFolderPrefix, 0, folder)) return false;
  DeleteFileA(folder);
  return CreateDirectoryA(folder, nullptr) != FALSE;
}

// The program and its script beside each other in the folder.
bool CopyProgramAndScript(const char *program, const char *folder) {
  char source[kTargetDirSize];
  char target[kTargetDirSize];
  return PathBesideProgram(source, kSetupScriptName) &&
         JoinPath(target, sizeof(target), folder, kSetupProgramName) &&
         CopyFileA(program, target, FALSE) &&
         JoinPath(target, sizeof(target), folder, kSetupScriptName) &&
         CopyFileA(source, target, FALSE);
}

// The copy's command line: this run's own options, where the installed program is, and the
// run's log by its full path: the copy works in another folder, and writes into the same file.
bool BuildCopyCommand(char *out, size_t size, const char *folder, const char *program) {
  const char *arguments = SkipProgramName(GetCommandLineA());
  int length = snprintf(out, size, "\"%s\\%s\"%s%s%s\"%s%s%s", folder, kSetupProgramName,
                        arguments, kRelocatedOption, program, g_logPath[0] ? kLogOption : "",
                        g_logPath, g_logPath[0] ? "\"" : "");
  return length > 0 && static_cast<size_t>(length) < size;
}

// Waits for the process while this thread's windows keep answering their messages.
DWORD WaitForProcess(HANDLE process) {
  for (;;) {
    DWORD woken = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT);
    if (woken != WAIT_OBJECT_0 + 1) break;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  return code;
}

// The names that a hand-over folder holds.
const char *const kHandOverNames[] = {kSetupProgramName, kSetupScriptName, kHandedOverProgram};

// Takes away the copy's files and, when the copy moved it there, this very program: at once
// where the system lets it, else (atRestart) at the next restart, without asking for one.
// Without atRestart a file that cannot go leaves the rest alone: the folder's copy still runs.
void ClearHandOverFolder(const char *folder, bool atRestart = true) {
  for (const char *name : kHandOverNames) {
    char path[kTargetDirSize];
    if (!JoinPath(path, sizeof(path), folder, name) ||
        GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES || DeleteFileA(path))
      continue;
    if (!atRestart) return;
    if (!DeleteFileAtRestart(path))
      LogFailure(GetLastError(), "%s can be deleted neither now nor at the next restart", path);
  }
  if (!RemoveDirectoryA(folder) && atRestart && !RemoveDirectoryAtRestart(folder) &&
      GetLastError() != ERROR_NOT_SUPPORTED)
    LogFailure(GetLastError(), "%s can be removed neither now nor at the next restart", folder);
}

// Whether the folder holds one of the hand-over's files and nothing else.
bool HoldsOnlyOurFiles(const char *folder) {
  char pattern[kTargetDirSize];
  WIN32_FIND_DATAA found;
  if (!JoinPath(pattern, sizeof(pattern), folder, "*")) return false;
  FindGuard find(FindFirstFileA(pattern, &found));
  bool ours = false;
  if (!find) return false;
  do {
    if (!strcmp(found.cFileName, ".") || !strcmp(found.cFileName, "..")) continue;
    bool known = false;
    for (const char *name : kHandOverNames) known = known || !lstrcmpiA(found.cFileName, name);
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
  DWORD length = GetTempPathA(sizeof(temp), temp);
  if (length == 0 || length >= sizeof(temp) ||
      !JoinPath(pattern, sizeof(pattern), temp, "stp*.tmp"))
    return;
  WIN32_FIND_DATAA found;
  FindGuard find(FindFirstFileA(pattern, &found));
  if (!find) return;
  do {
    char folder[kTargetDirSize];
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        JoinPath(folder, sizeof(folder), temp, found.cFileName) && HoldsOnlyOurFiles(folder))
      ClearHandOverFolder(folder, false);
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
  char command[4 * kTargetDirSize + kCommandTokenSize];
  if (!MakeHandOverFolder(folder)) {
    LogFailure(GetLastError(), "no folder for the removal's copy of the program");
    return false;
  }
  if (!CopyProgramAndScript(program, folder) ||
      !BuildCopyCommand(command, sizeof(command), folder, program)) {
    LogFailure(GetLastError(), "the program could not be copied to %s", folder);
    ClearHandOverFolder(folder);
    return false;
  }
  // This process must not hold the target folder as its current directory while it waits.
  SetCurrentDirectoryA(folder);
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof(startup));
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  LogLine("the removal goes on in a copy of the program: %s", command);
  if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                      &process)) {
    LogFailure(GetLastError(), "the copy of the program could not be started");
    ClearHandOverFolder(folder);
    return false;
  }
  HandleGuard thread(process.hThread);
  HandleGuard copy(process.hProcess);
  *exitCode = static_cast<int>(WaitForProcess(process.hProcess));
  LogLine("the copy of the program ended with exit code %d", *exitCode);
  ClearHandOverFolder(folder);
  return true;
}
