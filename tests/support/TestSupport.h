// Helpers shared by the Windows tests: paths of the build, emulated Windows versions,
// scratch folders, setup scripts and child processes.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include <memory>
#include <string>

// A Linux path of the build as Wine sees it (drive Z: is the Linux root).
std::string WinPath(const std::string &unixPath);
std::string SourcePath(const std::string &relative);  // in the source tree
std::string BinaryPath(const std::string &relative);  // in the build tree

// The Windows version this run emulates ("win98", "nt40", "win2k", "win7"), or "" for the
// prefix's default (an NT 6 system).
std::string EmulatedVersion();
bool EmulatesWin9x();
bool EmulatesNt4();

// A fresh folder under the temporary directory, removed with everything in it at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir &) = delete;
  ScratchDir &operator=(const ScratchDir &) = delete;
  const std::string &path() const { return path_; }
  std::string operator/(const std::string &name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// setup.inf of a Windows 95 style script: its [Version] section, then body; written into a
// folder (a scratch folder of its own unless one is given) and open while the object lives.
class TestScript {
 public:
  explicit TestScript(const std::string &body);
  TestScript(const ScratchDir &dir, const std::string &body);
  ~TestScript();
  TestScript(const TestScript &) = delete;
  TestScript &operator=(const TestScript &) = delete;
  HINF inf() const { return inf_; }
  bool ok() const { return inf_ != INVALID_HANDLE_VALUE; }
  const ScratchDir &dir() const { return *dir_; }

 private:
  void Open(const ScratchDir &dir, const std::string &body);

  std::unique_ptr<ScratchDir> own_;
  const ScratchDir *dir_ = nullptr;
  HINF inf_ = INVALID_HANDLE_VALUE;
};

void WriteTextFile(const std::string &path, const std::string &text);
std::string ReadTextFile(const std::string &path);
bool FileExists(const std::string &path);
void RemoveTree(const std::string &path);

// Starts a program and waits up to timeoutMs for it; returns its exit code, or -1 when it did
// not start and -2 when it was still running (it is then ended). With output, the program's
// standard output and error go to a file whose text lands there.
int RunAndWait(const std::string &commandLine, DWORD timeoutMs, const char *directory = nullptr,
               std::string *output = nullptr);
