// Whose an Uninstall entry is. Every entry that this program writes names the setup that wrote
// it; a product key or a folder that another program holds is never taken over.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include "common/Globals.h"

// The INF convention names a script's vendor in [Version] "Provider".
constexpr char kVersionSection[] = "Version";
constexpr char kProviderKey[] = "Provider";

// The script's vendor; false, with vendor empty, when the script names none.
bool ReadScriptVendor(HINF inf, char (&vendor)[kFieldSize]);

// The value that names the setup that wrote an entry: the "Provider" of its script's
// [Version] section, which stays the same across the versions of one vendor's product.
constexpr char kSetupIdentityValue[] = "SetupIdentity";

enum class EntryOwner { None, ThisSetup, Other };

// Whose key's Uninstall entry is: nobody's when there is none; this setup's when it records
// the script's identity, or when an earlier build of this program wrote it (no identity, the
// command line this program forms for key) and the setup.inf beside the program it starts
// has the script's identity; another program's otherwise.
EntryOwner OwnerOfEntry(HINF inf, const char *key);

// Writes the script's identity into an entry that is being written.
void RecordSetupIdentity(HINF inf, HKEY entry);

// The other program that holds an entry or a folder, as the user knows it: its display name,
// with its publisher in parentheses when it names one (the key when it has no name).
constexpr int kOtherProgramSize = 2 * kFieldSize;
struct OtherProgram {
  char key[kFieldSize];
  char name[kOtherProgramSize];
};

// Whether another program holds key's entry; other then names it.
bool HeldByOtherProgram(HINF inf, const char *key, OtherProgram *other);

// Of the keys of keyList and the setup-level key, the first whose entry another program holds;
// false when there is none. Logged.
bool FindProductOfOtherProgram(HINF inf, const char *keyList, OtherProgram *other);

// Whether the target folder, or the folder that receives the copy of setup.exe when target is
// the target directory (found without binding directory id 32768), holds the setup.inf of
// another setup that a registered entry still needs: an entry that starts the setup.exe beside
// it and is not this setup's.
bool TargetHoldsOtherSetup(HINF inf, const char *target, OtherProgram *other);

// What an install checks before it touches anything: no chosen product and no folder of
// another program. 0, or ERROR_ALREADY_EXISTS with the reason logged.
DWORD CheckNothingOfOtherPrograms(HINF inf, const char *keyList, const char *target);
