// Reading the values of Uninstall entries under HKLM
// "Software\Microsoft\Windows\CurrentVersion\Uninstall": what an earlier install recorded.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include "common/Globals.h"

// Values of an Uninstall entry that the program reads back.
constexpr char kUninstallStringValue[] = "UninstallString";
constexpr char kProductVersionValue[] = "ProductVersion";
constexpr char kUserTargetDirValue[] = "UserTargetDir";  // the target directory of the install

bool UninstallEntryExists(const char *key);

// The target directory that key's entry records; false when there is none.
bool ReadRecordedTargetDir(const char *key, char (&dir)[kTargetDirSize]);

// Reads a text value of key's Uninstall entry into buffer (size bytes, NUL included; the value
// type is not checked). False, with the buffer empty, when the entry or the value is missing,
// empty, or too long for the buffer.
bool ReadUninstallValue(const char *key, const char *valueName, char *buffer, DWORD size);

// The recorded target directory of this setup's entries (OwnerOfEntry): of the keys of
// keyList, when given, else of every product line, else of the setup-level entry. 0 when none
// was found.
int FindInstalledTargetDir(HINF inf, const char *keyList /* or NULL */,
                           char (&dir)[kTargetDirSize]);
