// The target directory: the script's default, an earlier installation's, and the test that a
// path can stand for the target at all.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include "common/Globals.h"

// Directory id 32768: the script's name for the user's target directory.
constexpr DWORD kTargetDirId = 32768;
// The script's destinations: [DestinationDirs] and its line for file lists without one of their
// own, which also gives the target page's proposal: a directory id and a sub-folder below it.
constexpr char kDestinationDirs[] = "DestinationDirs";
constexpr char kDefaultDestDir[] = "DefaultDestDir";
enum DestinationField : DWORD { kFieldDestinationId = 1, kFieldDestinationSubdir };
// Directory id 24 in "DefaultDestDir": the Program Files directory for the proposal (the
// Setup API itself takes it for the root of the system drive).
constexpr DWORD kApplicationsDirId = 24;

// The default target directory of the script, empty when the sub-folder below Program Files
// does not fit; subdir receives field 2 of the "DefaultDestDir" line unchanged.
void DefaultTargetDir(HINF inf, char (&dir)[kTargetDirSize], char (&subdir)[kTargetDirSize]);
// The Program Files directory from the registry, environment references expanded; false when
// it cannot be read whole.
bool ReadProgramFilesDir(char (&dir)[kTargetDirSize]);
// What the target page proposes: an earlier installation's directory, else the default.
void ProposeTargetDir(HINF inf, char (&dir)[kTargetDirSize]);
// Whether path names a directory from a drive or share root ("C:\..." or "\\server\share..."):
// a relative path would depend on the current directory of each run.
bool IsAbsolutePath(const char *path);

// Why path cannot be the target directory, as the string id of its reason (IDS_TARGET_...),
// with the file, drive, folder name or program it names in detail; 0 when it can. path is
// first taken to its full form (NormaliseFolderPath), which replaces it. It must be absolute,
// free of wildcards, on a drive that exists, with no file where one of its folders should be,
// and hold no other setup. The target page, "/dir:" and a run without the pages share this
// rule; it binds nothing (the run binds directory id 32768 when it starts).
int TargetDirFault(HINF inf, char (&path)[kTargetDirSize], char (&detail)[kTargetDirSize]);
