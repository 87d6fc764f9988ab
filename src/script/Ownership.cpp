// Whose an Uninstall entry is, and the checks that keep an install off what another program
// holds: a product key that it registered, and a folder that holds its setup.
#include "script/Ownership.h"

#include <stdio.h>
#include <string.h>

#include "common/AsciiCase.h"
#include "common/Guards.h"
#include "common/KeyList.h"
#include "common/Log.h"
#include "common/PathText.h"
#include "common/ScriptField.h"
#include "script/ProductLines.h"
#include "script/SetupCopy.h"
#include "script/SetupScript.h"
#include "script/UninstallCommand.h"
#include "script/UninstallValues.h"

namespace {

enum class TextValue { Absent, Fits, TooLong };

// A text value of an open key, NUL-ended even when the registry holds it without one.
template <size_t N>
TextValue ReadTextValue(HKEY key, const char *name, char (&text)[N]) {
  DWORD size = N - 1;
  LONG result = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(text),
                                 &size);
  if (result == ERROR_MORE_DATA) return TextValue::TooLong;
  if (result != ERROR_SUCCESS) return TextValue::Absent;
  text[size] = '\0';
  return TextValue::Fits;
}

// The identity of the setup.inf beside program, a setup.exe (whose name is as long as the
// script's); false when it cannot be read.
bool ReadIdentityBeside(char *program, char (&identity)[kFieldSize]) {
  static_assert(sizeof(kSetupProgramName) == sizeof(kSetupScriptName), "names of one length");
  char *name = strrchr(program, '\\');
  if (!name || !SamePath(name + 1, kSetupProgramName)) return false;
  memcpy(name + 1, kSetupScriptName, sizeof(kSetupScriptName));
  HINF inf = SetupOpenInfFileA(program, nullptr, INF_STYLE_WIN4, nullptr);
  if (inf == INVALID_HANDLE_VALUE) return false;
  ReadScriptVendor(inf, identity);
  SetupCloseInfFile(inf);
  return true;
}

// Whether command is the one this program forms to remove key through program, or the one
// that builds before the quoting formed: the path and the key as they stand.
bool IsRemovalCommand(const char *command, const char *program, const char *key) {
  char formed[kTargetDirSize];
  if (BuildUninstallCommand(formed, sizeof(formed), program, key) &&
      SamePath(formed, command))
    return true;
  int length = snprintf(formed, sizeof(formed), "%s /remove:%s", program, key);
  return length > 0 && length < static_cast<int>(sizeof(formed)) &&
         SamePath(formed, command);
}

// An entry without an identity, as earlier builds of this program wrote it: the command line
// that this program forms for key, starting a setup.exe whose setup.inf has the identity.
bool WrittenByEarlierBuild(HKEY entry, const char *key, const char *identity) {
  char command[kTargetDirSize];
  char program[kTargetDirSize];
  char theirs[kFieldSize];
  return ReadTextValue(entry, kUninstallStringValue, command) == TextValue::Fits &&
         UninstallCommandProgram(program, sizeof(program), command) &&
         IsRemovalCommand(command, program, key) && ReadIdentityBeside(program, theirs) &&
         SameIgnoringCase(theirs, identity);
}

bool OpenEntry(const char *key, RegKeyGuard *entry) {
  char path[kUninstallKeyPathSize];
  return FormUninstallKeyPath(path, sizeof(path), key) &&
         OpenRegistryKey(HKEY_LOCAL_MACHINE, path, KEY_READ, entry);
}

// The other program as its entry names it.
void DescribeOther(const char *key, OtherProgram *other) {
  lstrcpynA(other->key, key, sizeof(other->key));
  char name[kFieldSize];
  char publisher[kFieldSize];
  if (!ReadUninstallValue(key, "DisplayName", name, sizeof(name)))
    snprintf(name, sizeof(name), "\"%s\"", key);
  if (ReadUninstallValue(key, "Publisher", publisher, sizeof(publisher)))
    snprintf(other->name, sizeof(other->name), "%s (%s)", name, publisher);
  else
    snprintf(other->name, sizeof(other->name), "%s", name);
}

// Whether program, as an Uninstall command names it, lies in folder.
bool ProgramIn(const char *command, const char *folder) {
  char program[kTargetDirSize];
  if (!UninstallCommandProgram(program, sizeof(program), command)) return false;
  char *slash = strrchr(program, '\\');
  if (!slash) return false;
  *slash = '\0';
  return SamePath(program, folder);
}

// Whether folder holds a setup.inf that an entry of another program still needs.
bool FolderHoldsOtherSetup(HINF inf, const char *folder, OtherProgram *other) {
  char script[kTargetDirSize];
  if (!JoinPath(script, folder, kSetupScriptName)) return false;
  DWORD attributes = GetFileAttributesA(script);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  RegKeyGuard root;
  if (!OpenRegistryKey(HKEY_LOCAL_MACHINE, kUninstallRoot, KEY_READ, &root)) return false;
  // A key name has at most 255 characters: every one fits.
  char key[kFieldSize];
  DWORD length = sizeof(key);
  for (DWORD index = 0;
       RegEnumKeyExA(root.get(), index, key, &length, nullptr, nullptr, nullptr, nullptr) ==
       ERROR_SUCCESS;
       ++index, length = sizeof(key)) {
    char command[kTargetDirSize];
    if (ReadUninstallValue(key, kUninstallStringValue, command, sizeof(command)) &&
        ProgramIn(command, folder) && HeldByOtherProgram(inf, key, other))
      return true;
  }
  return false;
}

}  // namespace

EntryOwner OwnerOfEntry(HINF inf, const char *key) {
  RegKeyGuard entry;
  if (!OpenEntry(key, &entry)) return EntryOwner::None;
  char identity[kFieldSize];
  ReadScriptVendor(inf, identity);
  char recorded[kFieldSize];
  switch (ReadTextValue(entry.get(), kSetupIdentityValue, recorded)) {
    case TextValue::Fits:
      return SameIgnoringCase(recorded, identity) ? EntryOwner::ThisSetup : EntryOwner::Other;
    case TextValue::TooLong:
      return EntryOwner::Other;
    case TextValue::Absent:
      break;
  }
  return WrittenByEarlierBuild(entry.get(), key, identity) ? EntryOwner::ThisSetup
                                                           : EntryOwner::Other;
}

bool ReadScriptVendor(HINF inf, char (&vendor)[kFieldSize]) {
  return ReadKeyValue(inf, kVersionSection, kProviderKey, vendor, sizeof(vendor));
}

bool HeldByOtherProgram(HINF inf, const char *key, OtherProgram *other) {
  if (OwnerOfEntry(inf, key) != EntryOwner::Other) return false;
  DescribeOther(key, other);
  return true;
}

void RecordSetupIdentity(HINF inf, HKEY entry) {
  char identity[kFieldSize];
  ReadScriptVendor(inf, identity);
  RegSetValueExA(entry, kSetupIdentityValue, 0, REG_SZ, reinterpret_cast<const BYTE *>(identity),
                 static_cast<DWORD>(strlen(identity) + 1));
}

bool FindProductOfOtherProgram(HINF inf, const char *keyList, OtherProgram *other) {
  bool found = false;
  for (const char *key = keyList; *key && !found; key = ListNext(key))
    found = HeldByOtherProgram(inf, key, other);
  INFCONTEXT line;
  char setupKey[kFieldSize];
  if (!found && ReadSetupLevelKey(inf, &line, setupKey, sizeof(setupKey)))
    found = HeldByOtherProgram(inf, setupKey, other);
  if (found)
    LogLine("the product key %s is registered by another program, %s: this setup does not "
            "install it", other->key, other->name);
  return found;
}

bool TargetHoldsOtherSetup(HINF inf, const char *target, OtherProgram *other) {
  char setupCopy[kTargetDirSize];
  bool found = FolderHoldsOtherSetup(inf, target, other);
  if (!found && FindSetupCopyPath(inf, g_installSection, setupCopy, target)) {
    *strrchr(setupCopy, '\\') = '\0';
    found = !SamePath(setupCopy, target) && FolderHoldsOtherSetup(inf, setupCopy, other);
  }
  if (found)
    LogLine("the target %s holds the setup of another program, %s, which its entry %s still "
            "needs", target, other->name, other->key);
  return found;
}

DWORD CheckNothingOfOtherPrograms(HINF inf, const char *keyList, const char *target) {
  OtherProgram other;
  if (FindProductOfOtherProgram(inf, keyList, &other) ||
      TargetHoldsOtherSetup(inf, target, &other))
    return ERROR_ALREADY_EXISTS;
  return 0;
}
