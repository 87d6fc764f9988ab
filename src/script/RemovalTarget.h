// What a removal targets: its keys, the directory recorded for them, and the sections it runs.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include "common/Globals.h"

// Adds the setup-level key to the key list (size bytes) unless it holds it already.
void AppendSetupLevelKey(HINF inf, char *keys, size_t size);

// The keys a removal works on: those of keyList, or for an empty list the setup-level key.
// False, with keys empty, when keyList does not fit.
bool RemovalKeys(HINF inf, const char *keyList, char (&keys)[kKeyListSize]);

// Number of products of the script that are registered, apart from those of keyList.
int CountProductsStayingRegistered(HINF inf, const char *keyList);

// Whether the removal of keys may run: each key is one that the script lists (a product key or
// the setup-level key), and its Uninstall entry exists and records a target directory. dir
// receives the first key's. 0, with the reason logged, for anything else.
int FindRemovalTarget(HINF inf, const char *keys, char (&dir)[kTargetDirSize]);

// The remove sections of keyList, then the setup-level Remove section when no product of the
// script stays registered; 0 when a section did not fit the list (size bytes), which then
// holds only the sections before it.
int BuildRemoveSectionListChecked(HINF inf, const char *keyList, char *sectionList,
                                  size_t size);
