// The "Exec" line: programs run before the file copy (pass 1) and at the end (pass 2).
#pragma once
#include <windows.h>
#include <setupapi.h>

constexpr char kExecKey[] = "Exec";
constexpr int kFirstPass = 1;  // before the file queue is committed
constexpr int kLastPass = 2;   // the last step of a run
constexpr size_t kProgramNumberSize = 16;  // pass number or flags of a program line, with NUL
constexpr int kProgramFlagNoWait = 1;      // go on once the program has started
constexpr int kProgramFlagDelete = 2;      // delete the program file after it ended

// Fields of a line of a program list.
enum ProgramField : DWORD {
  kFieldPass = 1, kFieldProgram, kFieldProgramArguments, kFieldProgramDirectory,
  kFieldProgramFlags
};

// Numbers of the program lists are written as C writes them: decimal, 0x hexadecimal or
// 0 octal.
long ParseProgramNumber(const char *text);

// Runs the programs of the section's "Exec" line that belong to pass; a program that cannot
// be started is logged and skipped.
void RunSectionPrograms(HINF inf, const char *section, int pass, HWND window);
// False when the program could not be started (or its arguments do not fit).
bool RunProgram(const char *program, const char *arguments, const char *directory, int flags,
                HWND window);
