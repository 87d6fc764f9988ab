// The copy of setup.exe that an Uninstall entry starts: which line of the script makes it, and
// where it lands.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include "common/Globals.h"

// The copy of the program that an Uninstall entry starts.
constexpr char kSetupProgramName[] = "setup.exe";

// Where the copy of setup.exe that a section makes lands.
enum class SetupCopy { Found, Absent, TooLong };

// The first copy of setup.exe that the first "CopyFiles" line of the section makes, with its
// full path and the file list that makes it. Destinations below directory id 32768 are those
// of its binding, or, when target is given, of target, with the id left as it is.
SetupCopy FindSetupCopy(HINF inf, const char *section, char (&path)[kTargetDirSize],
                        char (&fileList)[kFieldSize], const char *target = nullptr);
int FindSetupCopyPath(HINF inf, const char *section, char (&path)[kTargetDirSize],
                      const char *target = nullptr);

// The target path of the first line of the file list whose target name is fileName
// (compared without regard to case), in the file list's own destination directory.
bool FindCopyInFileList(HINF inf, const char *fileList, const char *fileName,
                        char (&path)[kTargetDirSize]);
