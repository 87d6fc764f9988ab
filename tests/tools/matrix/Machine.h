// What the matrix reads back from the machine after each step of a run: registry values, INI
// entries, services, the service group order, shell links, restart schedules and program logs.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "support/SystemState.h"

// The text of a registry value, "<no key>" or "<no value>"; REG_MULTI_SZ entries joined by '|'.
std::string RegText(HKEY root, const std::string &subkey, const char *value);
bool RegKeyExists(HKEY root, const std::string &subkey);
void DeleteRegTree(HKEY root, const std::string &subkey);
// Sets HKCU\Software\Wine\AppDefaults\<exe>\Version: the Windows version Wine shows that
// program file name ("" removes the setting).
void SetEmulatedVersionFor(const std::string &exeName, const std::string &version);
// Sets HKCU\Software\Wine\AppDefaults\<exe>\DllOverrides: the load order Wine uses for one
// DLL in that program ("native,builtin" prefers a copy beside the program; "" removes it).
// Wine reads WINEDLLOVERRIDES only from the environment it was started with, so this is how a
// test gives one program an override.
void SetDllOverrideFor(const std::string &exeName, const char *dll, const char *order);

std::string IniText(const std::string &file, const char *section, const char *key);

struct ServiceInfo {
  bool exists = false;
  DWORD state = 0;  // SERVICE_RUNNING and so on
  DWORD type = 0, startType = 0, errorControl = 0;
  std::string binary, group, dependencies, displayName;  // dependencies joined by '|'
};
ServiceInfo QueryService(const std::string &name);
// Stops and deletes a service left by a run; true when it is gone afterwards.
bool RemoveService(const std::string &name);

// HKLM\System\CurrentControlSet\Control\ServiceGroupOrder "List".
std::vector<std::string> GroupOrderList();
void SetGroupOrderList(const std::vector<std::string> &list);

// The folder that a shortcut folder code (UPRG, CDSK, ...) names on this machine.
std::string ShellFolder(const std::string &code);
// The target path saved in a .lnk file, or "" when it cannot be loaded.
std::string LinkTarget(const std::string &linkPath);

// "NUL=..." lines of the [Rename] section of wininit.ini (Windows 9x family).
std::vector<std::string> WininitDeletions();
// Lets Wine do what a restart does (wineboot -r in this prefix); true when it ended in time.
bool SimulateRestart();

// Lines of a text file without their line ends.
std::vector<std::string> ReadLines(const std::string &path);
bool DirectoryExists(const std::string &path);
// Copies every file of a folder (not its sub-folders) into another.
void CopyFolderFiles(const std::string &from, const std::string &to);
bool ContainsPath(const std::vector<std::string> &paths, const std::string &path);
