// What the runs leave on the machine, read, set and reset by the tests: Uninstall entries, the
// Program Files folder, the restart schedule of both platform families, and files held open.
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// Values under HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\<key>: the text, a
// DWORD value as "dword:" and its number, or "<no entry>" and "<no value>".
std::string UninstallValue(const std::string &key, const char *value);
bool UninstallEntryExists(const std::string &key);
// Creates the entry when needed, as the program does for a script without a Provider (an
// empty "SetupIdentity"); with a value name, also sets that text value.
void WriteUninstallValue(const std::string &key, const char *value, const std::string &text);
void DeleteUninstallValue(const std::string &key, const char *value);
void DeleteUninstallEntry(const std::string &key);

// Every value of key's entry, one "name=type:data" line each in the order of the registry, or
// "<no entry>": two entries read alike when they hold the same values.
std::string UninstallEntryState(const std::string &key);
// Every folder and file below folder, one line each with its path below it and, for a file,
// its bytes: two folders read alike when they hold the same files byte for byte. "<none>"
// when the folder is not there.
std::string FolderState(const std::string &folder);

// HKLM ...\CurrentVersion "ProgramFilesDir" as this process reads it.
std::string ProgramFilesDir();

// The entries of PendingFileRenameOperations: source, target, source, target... (a deletion
// has an empty target). Paths carry the "\??\" prefix the system stores.
std::vector<std::string> PendingRenames();
// The same as pairs, the prefix taken off the sources.
std::vector<std::pair<std::string, std::string>> PendingPairs();
// The sources of the deletions, without the prefix.
std::vector<std::string> PendingDeletions();
// Whether the schedule deletes path (compared without regard to case).
bool DeletedAtRestart(const std::string &path);
// Whether the schedule renames from to to, replacing it (compared without regard to case).
bool RenamedAtRestart(const std::string &from, const std::string &to);
// Forgets what a run scheduled for the next restart (the value is shared by the prefix).
void ClearPendingRenames();

// The prefix-wide PendingFileRenameOperations value, emptied for a test and put back after.
class PendingRenamesGuard {
 public:
  PendingRenamesGuard();
  ~PendingRenamesGuard();
  PendingRenamesGuard(const PendingRenamesGuard &) = delete;
  PendingRenamesGuard &operator=(const PendingRenamesGuard &) = delete;

 private:
  bool had_ = false;
  DWORD type_ = 0;
  std::vector<char> data_;
};

// C:\windows\wininit.ini, saved for a test and restored after.
class WininitGuard {
 public:
  WininitGuard();
  ~WininitGuard();
  WininitGuard(const WininitGuard &) = delete;
  WininitGuard &operator=(const WininitGuard &) = delete;

 private:
  bool had_ = false;
  std::string text_;
};
std::string WininitPath();
// Writes wininit.ini as it stands and makes the profile calls read it afresh.
void WriteWininit(const std::string &text);
// The lines of the [Rename] section as they are in the file.
std::vector<std::string> WininitRenameLines();

// A holder.exe that keeps files open without delete sharing until Release() or destruction.
class FileHolder {
 public:
  explicit FileHolder(const std::vector<std::string> &files);
  ~FileHolder();
  FileHolder(const FileHolder &) = delete;
  FileHolder &operator=(const FileHolder &) = delete;
  bool holding() const { return holding_; }
  void Release();

 private:
  PROCESS_INFORMATION process_ = {};
  HANDLE quit_ = nullptr;
  bool holding_ = false;
};
