#include "app/Startup.h"

#include <commctrl.h>
#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

#include "app/CommandLine.h"
#include "app/HostWindow.h"
#include "app/Notice.h"
#include "app/Wizard.h"
#include "check/Check.h"
#include "common/AsciiCase.h"
#include "common/CodePage.h"
#include "common/ExitCode.h"
#include "common/Globals.h"
#include "common/Guards.h"
#include "common/Language.h"
#include "common/Log.h"
#include "common/PathText.h"
#include "common/Platform.h"
#include "common/ProgramPath.h"
#include "common/SystemLibrary.h"
#include "engine/StoredMedia.h"
#include "pack/Pack.h"
#include "res/resource.h"

void MakeInstanceMutexName(char *path) {
  for (char *p = path; *p; ++p) {
    if (*p == '\\') *p = '_';
    *p = LowerAscii(*p);
  }
}

int ActivatePreviousInstance() {
  char name[kModulePathSize];
  ReadProgramPath(name, sizeof(name));
  MakeInstanceMutexName(name);

  // Held, never closed, for the life of the process.
  HANDLE mutex = CreateMutexA(nullptr, TRUE, name);
  if (!mutex || GetLastError() != ERROR_ALREADY_EXISTS) return 0;

  HWND other = FindWindowA(kHostClass, nullptr);
  if (other) {
    if (IsIconic(other)) ShowWindow(other, SW_RESTORE);
    SetForegroundWindow(other);
  }
  return 1;
}

namespace {

constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

// Linked as delay imports: not known DLLs on every system, so they are loaded from the system
// folder here, before the first call into them can make the system look for them.
const char *const kDelayImports[] = {"setupapi.dll"};

}  // namespace

void RestrictLibrarySearch() {
  typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
  SetDefaultDllDirectoriesFn setDirectories = GetProcAs<SetDefaultDllDirectoriesFn>(
      GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
  if (setDirectories) setDirectories(kLoadLibrarySearchSystem32);
  for (const char *name : kDelayImports) LoadSystemLibrary(name);
}

int GetCommonControlsVersion(DWORD *major, DWORD *minor) {
  // Imported, so loaded already: the version of the manifest's choice.
  HMODULE comctl = LoadSystemLibrary("comctl32.dll");
  if (!comctl) return 0;
  *major = 4;
  *minor = 0;
  DLLGETVERSIONPROC getVersion =
      GetProcAs<DLLGETVERSIONPROC>(comctl, "DllGetVersion");
  if (getVersion) {
    DLLVERSIONINFO info;
    ZeroMemory(&info, sizeof(info));
    info.cbSize = sizeof(info);
    if (getVersion(&info) == 0) {
      *major = info.dwMajorVersion;
      *minor = info.dwMinorVersion;
    }
  }
  return 1;
}

namespace {

// The header look needs common controls 4.71 or later.
void ChooseDefaultStyle() {
  DWORD major = 0, minor = 0;
  if (GetCommonControlsVersion(&major, &minor) && (major > 4 || (major == 4 && minor >= 71)))
    g_wizardStyle = 1;

  // A 16-colour display on Windows 95 and later of that family gets the classic look.
  DEVMODEA mode;
  ZeroMemory(&mode, sizeof(mode));
  mode.dmSize = sizeof(mode);
  if (EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode) && mode.dmBitsPerPel == 4 &&
      IsWin9xFamily() && MajorVersion() >= 4)
    g_wizardStyle = 0;
}

// The program's directory is the source root of every file copy; the store that a packed
// program unpacked files of it into, when there is one, holds the rest of it.
void EnterProgramDirectory() {
  char path[kTargetDirSize];
  ReadProgramPath(path, sizeof(path));
  char *slash = strrchr(path, '\\');
  if (slash) *slash = '\0';
  SetCurrentDirectoryA(path);
  if (g_storedMedia[0]) OpenStoredMedia(g_storedMedia, path);
}

}  // namespace

namespace {

constexpr char kLogExtension[] = ".log";

// "/log" alone: a file of the temporary folder named after the program and the time the run
// started, as setup_20261207_205403.log.
bool NameLogInTemp(char (&path)[kTargetDirSize]) {
  char temp[kTargetDirSize];
  char program[kTargetDirSize];
  if (!ReadTempFolder(temp) || !ReadProgramPath(program, sizeof(program))) return false;
  const char *name = strrchr(program, '\\');
  name = name ? name + 1 : program;
  const char *dot = strrchr(name, '.');
  int nameLength = dot ? static_cast<int>(dot - name) : static_cast<int>(strlen(name));
  SYSTEMTIME now;
  GetLocalTime(&now);
  int written = snprintf(path, sizeof(path), "%s%.*s_%04u%02u%02u_%02u%02u%02u%s", temp,
                         nameLength, name, now.wYear, now.wMonth, now.wDay, now.wHour,
                         now.wMinute, now.wSecond, kLogExtension);
  return written > 0 && static_cast<size_t>(written) < sizeof(path);
}

// The log's full path, fixed before the program enters its own folder: a relative "/log:"
// names a file of the caller's current folder, and every process of the run, the copy that a
// removal hands itself over to included, is given this one path. A path too long to be made
// whole is refused as a value of the command line.
void ChooseLogPath() {
  if (g_logInTemp && !NameLogInTemp(g_logPath)) g_logPath[0] = '\0';
  if (!g_logPath[0]) return;
  char full[kTargetDirSize];
  DWORD length = GetFullPathNameA(g_logPath, sizeof(full), full, nullptr);
  if (length == 0 || length >= sizeof(full)) {
    g_logPath[0] = '\0';
    g_commandLineFault = "/log:";
    return;
  }
  memcpy(g_logPath, full, length + 1);
}

// On a system whose narrow calls do not use UTF-8, a character of the command line outside its
// code page reaches GetCommandLineA as a look-alike letter ("Ω" as "O"), which names another
// folder. Read from the wide command line it becomes "?" instead, which no path holds: "/dir:"
// then refuses it. The 95 family has no wide command line and no such characters.
void ParseArgumentsAsTyped(const char *commandLine) {
  if (NarrowCallsUseUtf8() || IsWin9xFamily()) return ParseCommandLine(commandLine);
  const WCHAR *wide = GetCommandLineW();
  // A character takes at most two bytes in any code page of the "A" calls but UTF-8.
  int size = 2 * lstrlenW(wide) + 1;
  HeapGuard narrow(AllocateZeroed(static_cast<size_t>(size)));
  if (!narrow.get() || !NarrowMarkingLosses(wide, narrow.get(), size))
    return ParseCommandLine(commandLine);
  ParseCommandLine(SkipProgramName(narrow.get()));
}

// The first lines of the log: what runs, how it was started, and on what.
void LogStartup(const char *commandLine) {
  DWORD version = GetVersion();
  LogLine("setup.exe %s (%d-bit) started with the command line \"%s\"", SETUP_VERSION,
          static_cast<int>(sizeof(void *) * 8), commandLine ? commandLine : "");
  LogLine("platform: Windows %s family, version %u.%u", IsWin9xFamily() ? "95/98/Me" : "NT",
          static_cast<unsigned>(version & 0xFF), static_cast<unsigned>((version >> 8) & 0xFF));
  LogLine("user interface language: 0x%04X", static_cast<unsigned>(g_languageId));
}

// A program that carries its media runs them from a private folder with every option but
// "/extract:", which writes them out. A damaged one installs nothing; one copy runs per packed
// file, as per program file. False when the program carries no media.
bool RunCarriedMedia(int *exitCode) {
  PackedMedia media;
  PackState state = FindPackedMedia(&media);
  if (state == PackState::Damaged) {
    ShowNotice(nullptr, IDS_PACKAGE_DAMAGED, media.program);
    *exitCode = kExitScriptNotOpened;
  } else if (g_extractDir[0]) {
    *exitCode = ExtractPackedMedia(state == PackState::Present ? &media : nullptr);
  } else if (state == PackState::None) {
    return false;
  } else if (!g_checkScript && !g_packPath[0] && !g_commandLineFault &&
             ActivatePreviousInstance()) {
    LogLine("another copy of this program file is running");
    *exitCode = kExitAlreadyRunning;
  } else {
    *exitCode = RunPackedMedia(media);
  }
  return true;
}

// Everything after the command line has been read: one copy per program file, then the
// wizard under the host window. Returns the exit code.
int RunProgram(HINSTANCE instance) {
  int carriedExit = 0;
  if (RunCarriedMedia(&carriedExit)) return carriedExit;
  if (g_packPath[0]) return PackMedia();
  if (g_checkScript) return CheckSetupScript();
  if (g_commandLineFault) {
    LogLine("the command line is invalid: the value of %s cannot be used", g_commandLineFault);
    ShowNotice(nullptr, IDS_COMMAND_LINE_INVALID, g_commandLineFault);
    return kExitInvalidCommandLine;
  }
  if (ActivatePreviousInstance()) {
    LogLine("another copy of this program file is running");
    return kExitAlreadyRunning;
  }
  EnterProgramDirectory();

  HWND host = CreateHostWindow(instance);
  if (!host) {
    LogFailure(GetLastError(), "the program's window cannot be created: nothing was installed");
    return kExitInstallFailure;
  }
  int exitCode = RunWizard(host);
  DestroyWindow(host);
  CloseStoredMedia();
  return exitCode;
}

}  // namespace

int SetupMain(HINSTANCE instance, const char *commandLine) {
  RestrictLibrarySearch();
  g_languageId = ChooseUiLanguage(IDD_WELCOME);
  InitCommonControls();
  ChooseDefaultStyle();
  ParseArgumentsAsTyped(commandLine);
  // A silent run chooses what a quiet one chooses; it only shows nothing and asks nothing.
  if (g_silent) g_quiet = 1;
  SetThreadLanguage(g_languageId);
  ChooseLogPath();
  // A log that cannot be opened changes nothing else in the run.
  if (g_logPath[0]) OpenLog(g_logPath);
  LogStartup(commandLine);
  int exitCode = RunProgram(instance);
  LogLine("exit code %d: %s", exitCode,
          DescribeExitCode(exitCode, g_checkScript != 0, g_runOutcome));
  CloseLog();
  return exitCode;
}
