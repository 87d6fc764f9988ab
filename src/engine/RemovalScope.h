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
};

// The files that stay when keys are removed from dir; setupStays when the run leaves the
// setup-level Remove section out. Directory id 32768 is bound to each staying product's
// directory in turn: the run binds its own afterwards. False when memory ran out: a removal
// that cannot know what to keep does not start.
bool PrepareRemovalScope(HINF inf, const char *keys, const char *dir, bool setupStays,
                         RemovalScope *scope);
// The outer folder of removing from dir, once the run's own directory is bound.
void FindRemovalOuterFolder(HINF inf, const char *dir, char (&outer)[kTargetDirSize]);
void ReleaseRemovalScope(RemovalScope *scope);
