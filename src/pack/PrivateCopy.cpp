#include "pack/PrivateCopy.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include "common/AsciiCase.h"
#include "common/Guards.h"
#include "common/Log.h"
#include "common/PathText.h"
#include "common/Platform.h"
#include "common/ProgramPath.h"
#include "engine/FileQueueCallback.h"
#include "script/SetupCopy.h"

namespace {

constexpr char kFolderPrefix[] = "stp";
constexpr int kFolderNameDigits = 16;  // the random name, in hexadecimal
constexpr char kLogOption[] = " /log:\"";
constexpr int kNameAttempts = 8;
constexpr char kInUseMarker[] = "in-use";
constexpr int kOwnerSecuritySize = 128;  // a security descriptor with its owner only
constexpr int kRemovalAttempts = 20;     // before what is left waits for the next restart
constexpr DWORD kRemovalPauseMs = 100;

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

// Whether name is one that MakePrivateFolder gives.
bool IsPrivateFolderName(const char *name) {
  const size_t prefix = sizeof(kFolderPrefix) - 1;
  if (strncmp(name, kFolderPrefix, prefix) != 0 || strlen(name) != prefix + kFolderNameDigits)
    return false;
  for (const char *digit = name + prefix; *digit; ++digit)
    if (!isxdigit(static_cast<unsigned char>(*digit))) return false;
  return true;
}

// Whether the folder is owned by this process's user, or by the owner that it gives what it
// makes (the administrators, for an elevated one). Anyone may make a folder in a shared
// temporary folder, under any name and with any marker in it, but not in someone else's name.
// The 95 family has no owners.
bool OwnedByThisUser(const char *folder) {
  if (IsWin9xFamily()) return true;
  union {
    TOKEN_USER user;
    TOKEN_OWNER owner;
    char bytes[kTokenUserSize];
  } user, maker;
  union {
    SECURITY_DESCRIPTOR_RELATIVE descriptor;
    char bytes[kOwnerSecuritySize];
  } security;
  HANDLE process = nullptr;
  DWORD length = 0;
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &process)) return false;
  HandleGuard processGuard(process);
  return GetTokenInformation(process, TokenUser, user.bytes, sizeof(user.bytes), &length) &&
         GetTokenInformation(process, TokenOwner, maker.bytes, sizeof(maker.bytes), &length) &&
         GetFileSecurityA(folder, OWNER_SECURITY_INFORMATION, security.bytes,
                          sizeof(security.bytes), &length) &&
         GetSecurityDescriptorOwner(security.bytes, &owner, &defaulted) && owner &&
         (EqualSid(owner, user.user.User.Sid) || EqualSid(owner, maker.owner.Owner));
}

// Whether the folder is one that a run marked and left: its marker is there and nothing holds
// it any more. Holders share only reading, so the marker opens for writing only then; the 95
// family knows no sharing of deletion, but this one.
bool AbandonedByItsRun(const char *folder) {
  char marker[kTargetDirSize];
  if (!JoinPath(marker, folder, kInUseMarker) || !OwnedByThisUser(folder)) return false;
  HandleGuard unheld(CreateFileA(marker, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return static_cast<bool>(unheld);
}

// Deletes the folder with everything in it, the entry named last only once all else went;
// what cannot go now goes at the next restart when atRestart says so, else stays. True when
// the folder is gone.
bool RemoveTree(const char *folder, bool atRestart, const char *last) {
  char path[kTargetDirSize];
  WIN32_FIND_DATAA found;
  bool emptied = JoinPath(path, folder, "*");
  FindGuard find(emptied ? FindFirstFileA(path, &found) : INVALID_HANDLE_VALUE);
  for (bool more = static_cast<bool>(find); more; more = FindNextFileA(find.get(), &found)) {
    if (!strcmp(found.cFileName, ".") || !strcmp(found.cFileName, "..") ||
        (last && SameIgnoringCase(found.cFileName, last)))
      continue;
    DWORD attributes = found.dwFileAttributes;
    bool gone = false;  // a name too long for a path stays
    if (!JoinPath(path, folder, found.cFileName)) {
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) &&
               !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      gone = RemoveTree(path, atRestart, nullptr);
    } else {
      // A link goes as a link: what it leads to is not the folder's.
      if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
      gone = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryA(path) : DeleteFileA(path);
      gone = gone || IsNotFoundError(GetLastError());
      if (!gone && atRestart) DeleteFileAtRestart(path);
    }
    emptied = emptied && gone;
  }
  if (last && emptied && JoinPath(path, folder, last))
    emptied = DeleteFileA(path) || IsNotFoundError(GetLastError());
  if (!emptied && !atRestart) return false;
  if (RemoveDirectoryA(folder) || IsNotFoundError(GetLastError())) return true;
  if (atRestart) RemoveDirectoryAtRestart(folder);
  return false;
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
  if (!ReadTempFolder(temp)) return false;
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

void RemovePrivateFolder(const char *folder) { RemoveTree(folder, true, nullptr); }

HANDLE MarkFolderInUse(const char *folder) {
  char marker[kTargetDirSize];
  SECURITY_ATTRIBUTES handedDown = {sizeof(handedDown), nullptr, TRUE};
  if (!JoinPath(marker, folder, kInUseMarker)) return nullptr;
  // Shared for reading only: nobody can write or delete it while one of its holders runs.
  HANDLE held = CreateFileA(marker, GENERIC_WRITE, FILE_SHARE_READ, &handedDown, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  return held == INVALID_HANDLE_VALUE ? nullptr : held;
}

void SweepAbandonedFolders() {
  char temp[kTargetDirSize], pattern[kTargetDirSize], folder[kTargetDirSize];
  if (!ReadTempFolder(temp) || !JoinPath(pattern, temp, "stp*")) return;
  WIN32_FIND_DATAA found;
  FindGuard find(FindFirstFileA(pattern, &found));
  for (bool more = static_cast<bool>(find); more; more = FindNextFileA(find.get(), &found)) {
    if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
            FILE_ATTRIBUTE_DIRECTORY ||
        !IsPrivateFolderName(found.cFileName) || !JoinPath(folder, temp, found.cFileName) ||
        !AbandonedByItsRun(folder))
      continue;
    // Its marker goes last: a folder whose files are still in use is tried again next time.
    bool gone = RemoveTree(folder, false, kInUseMarker);
    LogLine(gone ? "deleted %s, which a run that was ended early left"
                 : "%s, which a run that was ended early left, is still in use", folder);
  }
}

bool MakeMarkedFolder(char (&folder)[kTargetDirSize], HANDLE *inUse) {
  SweepAbandonedFolders();
  if (!MakePrivateFolder(folder)) return false;
  // Before any file is in it: a run killed at any point leaves a folder that a later one deletes.
  *inUse = MarkFolderInUse(folder);
  if (!*inUse) LogFailure(GetLastError(), "%s cannot be marked as in use", folder);
  return true;
}

// What holds the folder as a run ends often lets go of it a moment later: a program that the
// setup.exe in it started and that still works in it (Wine's winemenubuilder.exe, for each
// shortcut), a virus scanner still reading a file just written, a process that is just exiting.
// So it is tried again for a couple of seconds before what is left goes only at the restart.
void RemoveMarkedFolder(const char *folder, HANDLE inUse) {
  if (inUse) CloseHandle(inUse);
  for (int attempt = 0; attempt < kRemovalAttempts; ++attempt) {
    if (RemoveTree(folder, false, nullptr)) return;
    Sleep(kRemovalPauseMs);
  }
  RemovePrivateFolder(folder);
}
