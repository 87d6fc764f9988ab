// What a removal tells its queue beyond the sections: the files that stay because a product
// that stays installed places them too, and how far up the folders it empties go.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include "common/Globals.h"
#include "engine/PathSet.h"

struct RemovalScope {
  // Every file that the install section of a product staying registered places (at the path
  // its own target directory gives), and while the setup stays, the setup-level Install
  // section's; sorted.
  PathSet keptFiles;
  // Emptied folders inside this one go, parents of the deleted files' folders included; it
  // stays itself. Empty: only the deleted files' own folders go.
  char outerFolder[kTargetDirSize];
  // What goes after every step of the run (sorted), the entries only after it: the files that
  // the install records of the removed keys call their own and that no remove section of the
  // run names (a program of the last pass may still need one), the setup's own setup.exe and
  // setup.inf, the records, and copies an interrupted install left; and the folders the
  // installs made, which go when they are empty.
  PathSet lastFiles;
  GrowingList madeFolders;
};

// The files that stay when keys are removed from dir; setupStays when the run leaves the
// setup-level Remove section out. Directory id 32768 is bound to each staying product's
// directory in turn: the run binds its own afterwards. False when memory ran out: a removal
// that cannot know what to keep does not start.
bool PrepareRemovalScope(HINF inf, const char *keys, const char *dir, bool setupStays,
                         RemovalScope *scope);
// Every file that the section's lines with directive ("CopyFiles" or "DelFiles") name, at the
// paths that the current binding of directory id 32768 gives; false when memory ran out.
bool AddSectionFiles(HINF inf, const char *section, const char *directive, PathSet *files);
// Reads the install records of keys for what their removal must also take, with the run's own
// directory dir bound; the setup-level key's only when setupGoes, the run removing the setup.
// False when memory ran out.
bool AddRecordedFiles(HINF inf, const char *keys, const char *sectionList, const char *dir,
                      bool setupGoes, RemovalScope *scope);
// After the run: the last files go (the running setup.exe that handed the removal over is moved
// out instead), then the emptied folders. 0, or why something that stays could not be
// scheduled for the restart either.
DWORD RemoveLastFiles(const RemovalScope *scope);
// The outer folder of removing from dir, once the run's own directory is bound.
void FindRemovalOuterFolder(HINF inf, const char *dir, char (&outer)[kTargetDirSize]);
void ReleaseRemovalScope(RemovalScope *scope);
