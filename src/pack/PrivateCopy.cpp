#include "pack/PrivateCopy.h"

#include <stdio.h>
#include <string.h>

#include "common/Guards.h"
#include "common/Log.h"
#include "common/PathText.h"
#include "common/Platform.h"
#include "engine/FileQueueCallback.h"
#include "script/SetupCopy.h"

namespace {

constexpr char kFolderPrefix[] = "stp";
constexpr char kLogOption[] = " /log:\"";
constexpr int kNameAttempts = 8;

using RandomProc = BOOLEAN(WINAPI *)(PVOID, ULONG);

// A SID of the NT authority with up to two sub-authorities, laid out as the system lays one out.
struct NtSid {
  BYTE revision;
  BYTE count;
  BYTE authority[6];
  DWORD subAuthorities[2];
};
const NtSid kLocalSystem = {SID_REVISION, 1, {0, 0, 0, 0, 0, 5}, {SECURITY_LOCAL_SYSTEM_RID, 0}};
const NtSid kAdministrators = {SID_REVISION, 2, {0, 0, 0, 0, 0, 5},
                               {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}};

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

}  // namespace

bool PreparePrivateAccess(PrivateAccess *access) {
  HANDLE token = nullptr;
  DWORD length = 0;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  HandleGuard tokenGuard(token);
  if (!GetTokenInformation(token, TokenUser, access->userBytes, sizeof(access->userBytes),
                           &length) ||
      !InitializeAcl(&access->acl, sizeof(access->aclBytes), ACL_REVISION))
    return false;
  PSID sids[] = {access->user.User.Sid, const_cast<NtSid *>(&kLocalSystem),
                 const_cast<NtSid *>(&kAdministrators)};
  for (PSID sid : sids) {
    void *entry = nullptr;
    if (!AddAccessAllowedAce(&access->acl, ACL_REVISION, FILE_ALL_ACCESS, sid) ||
        !GetAce(&access->acl, access->acl.AceCount - 1, &entry))
      return false;
    static_cast<ACE_HEADER *>(entry)->AceFlags = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
  }
  bool prepared =
      InitializeSecurityDescriptor(&access->descriptor, SECURITY_DESCRIPTOR_REVISION) &&
      SetSecurityDescriptorDacl(&access->descriptor, TRUE, &access->acl, FALSE);
  // Written into the record directly: the call that sets it exists from Windows 2000 on, and
  // systems before ignore the flag.
  access->descriptor.Control |= SE_DACL_PROTECTED;
  access->attributes = {sizeof(access->attributes), &access->descriptor, FALSE};
  return prepared;
}

bool MakePrivateFolder(char (&folder)[kTargetDirSize]) {
  PrivateAccess access;
  SECURITY_ATTRIBUTES *security = nullptr;
  if (!IsWin9xFamily()) {
    if (!PreparePrivateAccess(&access)) return false;
    security = &access.attributes;
  }
  char temp[kTargetDirSize];
  DWORD length = GetTempPathA(sizeof(temp), temp);
  if (length == 0 || length >= sizeof(temp)) return false;
  // RtlGenRandom, from Windows XP on; before, the counter keeps names apart, and a folder that
  // someone made under the name first is never taken.
  RandomProc random = GetProcAs<RandomProc>(GetModuleHandleA("advapi32.dll"), "SystemFunction036");
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    LARGE_INTEGER name;
    QueryPerformanceCounter(&name);
    name.HighPart ^= static_cast<LONG>(GetCurrentProcessId());
    if (random && !random(&name, sizeof(name))) return false;
    if (snprintf(folder, sizeof(folder), "%s%s%08lx%08lx", temp, kFolderPrefix,
                 static_cast<unsigned long>(name.HighPart), name.LowPart) >=
        static_cast<int>(sizeof(folder)))
      return false;
    if (CreateDirectoryA(folder, security)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

bool RunProgramIn(const char *purpose, const char *folder, const char *extra,
                  const char *directory, int *exitCode) {
  const char *arguments = SkipProgramName(GetCommandLineA());
  size_t size = strlen(folder) + sizeof(kSetupProgramName) + strlen(arguments) + strlen(extra) +
                sizeof(kLogOption) + strlen(g_logPath) + 4;
  HeapGuard command(AllocateZeroed(size));
  if (!command) return false;
  // The log by its full path, which the run fixed at its start: the copy writes into the same
  // file, wherever it works and however "/log" named it.
  snprintf(command.get(), size, "\"%s\\%s\"%s%s%s%s%s", folder, kSetupProgramName, arguments,
           extra, g_logPath[0] ? kLogOption : "", g_logPath, g_logPath[0] ? "\"" : "");
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof(startup));
  startup.cb = sizeof(startup);
  // A "/check" run writes to the console or the file that this run's output goes to.
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process = {};
  LogLine("%s: %s", purpose, command.get());
  if (!CreateProcessA(nullptr, command.get(), nullptr, nullptr, TRUE, 0, nullptr, directory,
                      &startup, &process))
    return false;
  HandleGuard thread(process.hThread);
  HandleGuard copy(process.hProcess);
  *exitCode = static_cast<int>(WaitForProcess(process.hProcess));
  LogLine("%s\\%s ended with exit code %d", folder, kSetupProgramName, *exitCode);
  return true;
}

void RemovePrivateFolder(const char *folder) {
  char path[kTargetDirSize];
  WIN32_FIND_DATAA found;
  if (JoinPath(path, folder, "*")) {
    FindGuard find(FindFirstFileA(path, &found));
    for (bool more = static_cast<bool>(find); more; more = FindNextFileA(find.get(), &found)) {
      if (!strcmp(found.cFileName, ".") || !strcmp(found.cFileName, "..") ||
          !JoinPath(path, folder, found.cFileName))
        continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemovePrivateFolder(path);
        continue;
      }
      if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
      if (!DeleteFileA(path)) DeleteFileAtRestart(path);
    }
  }
  if (!RemoveDirectoryA(folder)) RemoveDirectoryAtRestart(folder);
}
