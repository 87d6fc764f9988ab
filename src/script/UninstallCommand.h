// The texts of an Uninstall entry: its registry path and its command line.
// Free of windows.h so that it builds and is tested natively.
#pragma once
#include <stddef.h>

#include "common/Globals.h"

// The key below HKEY_LOCAL_MACHINE that holds the Uninstall entries.
constexpr char kUninstallRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The longest command line an Uninstall entry may carry, quotes included.
constexpr size_t kUninstallCommandMax = kTargetDirSize - 1;

// Room for the registry path of any Uninstall entry: the root and a 255-character key name.
constexpr size_t kUninstallKeyPathSize = 320;

// "Software\Microsoft\Windows\CurrentVersion\Uninstall\<key>" into out. Returns 0 (out empty)
// for an empty key or one too long for out or for a registry key name.
int FormUninstallKeyPath(char *out, size_t size, const char *key);

// Whether the removal's command line can carry key: the command line drops double quotes, so
// a key holding one would come back as another key. Blanks are carried in quotes.
bool KeyCanBeCarried(const char *key);

// Whether key is likely to be another vendor's key as well: three characters or fewer, or a
// common word that names a kind of program ("Tools", "App", "Client"). An install that meets
// another program's entry under its key is refused.
bool KeyLikelyToCollide(const char *key);

// The command that removes key through the copied setup.exe: the program path, in double
// quotes when it contains a blank (otherwise Windows may start a program named by its first
// word), then " /remove:" and the key, quoted when it contains a blank. Returns 0 and leaves
// out empty for a key that cannot be carried, and when the command would be longer than
// kUninstallCommandMax or than out holds: a cut command could start another program or
// remove another product, so none is formed.
int BuildUninstallCommand(char *out, size_t size, const char *setupPath, const char *key);

// The program that an Uninstall command line starts: the text within its leading double quotes,
// or, unquoted, the text before " /remove:" (or the whole text). Returns 0 and leaves out
// empty when it does not fit.
int UninstallCommandProgram(char *out, size_t size, const char *command);
