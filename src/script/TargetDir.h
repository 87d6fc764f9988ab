// The target directory: the script's default, an earlier installation's, and the test that a
// path can stand for the target at all.
#pragma once
#include <windows.h>
#include <setupapi.h>

// Directory id 32768: the script's name for the user's target directory.
constexpr DWORD kTargetDirId = 32768;
// Directory id 24 in "DefaultDestDir": the Program Files directory for the proposal (the
// Setup API itself takes it for the root of the system drive).
constexpr DWORD kApplicationsDirId = 24;

// The default target directory of the script (260 bytes), empty when the sub-folder below
// Program Files does not fit; subdir, when given, receives field 2 of the "DefaultDestDir"
// line unchanged. Always 1.
int DefaultTargetDir(HINF inf, char *dir, char *subdir);
// The Program Files directory from the registry, environment references expanded.
BOOL ReadProgramFilesDir(char *dir);
// What the target page proposes: an earlier installation's directory, else the default.
void ProposeTargetDir(HINF inf, char *dir /* 260 bytes */);
// Whether path names a directory from a drive or share root ("C:\..." or "\\server\share..."):
// a relative path would depend on the current directory of each run.
bool IsAbsolutePath(const char *path);
