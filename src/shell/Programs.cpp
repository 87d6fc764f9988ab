#include "shell/Programs.h"

#include <shellapi.h>
#include <stdint.h>
#include <stdlib.h>

#include "common/Globals.h"
#include "common/Guards.h"
#include "common/Log.h"
#include "common/ScriptField.h"
#include "shell/HwndPlaceholder.h"

namespace {

// Runs one line of a program list in its own pass, leaving the worker's current directory
// as it found it.
void RunListLine(INFCONTEXT *line, int pass, HWND window) {
  char passText[kProgramNumberSize];
  if (!ReadField(line, kFieldPass, passText) || ParseProgramNumber(passText) != pass) return;
  char program[kFieldSize];
  if (!ReadField(line, kFieldProgram, program)) return;
  char arguments[kFieldSize], directory[kFieldSize], flagsText[kProgramNumberSize];
  // Arguments or a folder that the line gives but that do not fit are not dropped: the
  // program would run with other arguments, or in another folder, than the script says.
  DWORD fields = SetupGetFieldCount(line);
  if (!ReadField(line, kFieldProgramArguments, arguments) && fields >= kFieldProgramArguments)
    return;
  if (!ReadField(line, kFieldProgramDirectory, directory) && fields >= kFieldProgramDirectory)
    return;
  int flags = ReadField(line, kFieldProgramFlags, flagsText)
                  ? static_cast<int>(ParseProgramNumber(flagsText))
                  : 0;

  // Room for any current directory, so that the one saved is always the whole of it.
  char saved[kTargetDirSize];
  DWORD savedLength = GetCurrentDirectoryA(sizeof(saved), saved);
  RunProgram(program, arguments, directory, flags, window);
  if (savedLength > 0 && savedLength < sizeof(saved)) SetCurrentDirectoryA(saved);
}

void RunProgramList(HINF inf, const char *listSection, int pass, HWND window) {
  ForEachLine(inf, listSection, nullptr,
              [&](INFCONTEXT *line) { RunListLine(line, pass, window); });
}

}  // namespace

long ParseProgramNumber(const char *text) { return strtol(text, nullptr, 0); }

void RunSectionPrograms(HINF inf, const char *section, int pass, HWND window) {
  INFCONTEXT exec;
  if (!SetupFindFirstLineA(inf, section, kExecKey, &exec)) return;
  char field[kFieldSize];
  for (DWORD index = 1; ReadField(&exec, index, field); ++index) {
    if (field[0] == '@')
      RunProgram(field + 1, "", nullptr, 0, window);
    else
      RunProgramList(inf, field, pass, window);
  }
}

bool RunProgram(const char *program, const char *arguments, const char *directory, int flags,
                HWND window) {
  char parameters[kArgumentBufferSize];
  // Handles of windows keep their meaning in 32 bits, also in a 64-bit process.
  uint32_t handle = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window));
  if (!PrepareArguments(parameters, sizeof(parameters), arguments, handle)) return false;

  SHELLEXECUTEINFOA info;
  ZeroMemory(&info, sizeof(info));
  info.cbSize = sizeof(info);
  // No error box from the shell: a program that cannot be started is skipped silently, and a
  // quiet run must not stop at a dialog.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.hwnd = GetDesktopWindow();
  info.lpVerb = nullptr;
  info.lpFile = program;
  info.lpParameters = parameters;
  info.lpDirectory = directory;
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExA(&info) || !info.hProcess) {
    LogFailure(GetLastError(), "program %s %s not started", program, parameters);
    return false;
  }
  HandleGuard process(info.hProcess);
  LogLine("program started: %s %s", program, parameters);

  if (flags & kProgramFlagNoWait) return true;
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(info.hProcess, &exitCode);
  LogLine("program %s ended with exit code %lu", program, static_cast<unsigned long>(exitCode));
  if (flags & kProgramFlagDelete) DeleteFileA(program);
  return true;
}
