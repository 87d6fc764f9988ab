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

// The scope of removing keys from dir (bound to directory id 32768, and bound to it again
// at the end); setupStays when the run leaves the setup-level Remove section out. False when
// memory ran out: a removal that cannot know what to keep does not start.
bool PrepareRemovalScope(HINF inf, const char *keys, const char *dir, bool setupStays,
                         RemovalScope *scope);
void ReleaseRemovalScope(RemovalScope *scope);
