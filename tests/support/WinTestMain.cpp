// GoogleTest entry of every Windows test binary. When the run emulates a Windows version, it
// first checks that the emulation took effect, so a platform test can never pass on the
// wrong platform.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include "support/TestSupport.h"

namespace {

struct KnownVersion {
  const char *name;
  DWORD getVersion;
};

constexpr KnownVersion kVersions[] = {
    {"win98", 0xC0000A04}, {"nt40", 0x05650004}, {"win2k", 0x08930005}, {"win7", 0x1DB10106}};

}  // namespace

std::string WinPath(const std::string &unixPath) {
  std::string path = "Z:" + unixPath;
  for (char &c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string SourcePath(const std::string &relative) {
  return WinPath(std::string(SETUP_TEST_SOURCE_DIR) + "/" + relative);
}

std::string BinaryPath(const std::string &relative) {
  return WinPath(std::string(SETUP_TEST_BINARY_DIR) + "/" + relative);
}

std::string EmulatedVersion() {
  const char *v = getenv("SETUP_TEST_WINVER");
  return v ? v : "";
}

bool EmulatesWin9x() { return EmulatedVersion() == "win98"; }
bool EmulatesNt4() { return EmulatedVersion() == "nt40"; }

ScratchDir::ScratchDir() {
  char temp[MAX_PATH];
  GetTempPathA(sizeof(temp), temp);
  static LONG counter;
  char name[MAX_PATH];
  snprintf(name, sizeof(name), "%ssetuptest-%lu-%ld", temp, GetCurrentProcessId(),
           InterlockedIncrement(&counter));
  path_ = name;
  RemoveTree(path_);
  CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

TestScript::TestScript(const std::string &body) : own_(new ScratchDir) { Open(*own_, body); }

TestScript::TestScript(const ScratchDir &dir, const std::string &body) { Open(dir, body); }

void TestScript::Open(const ScratchDir &dir, const std::string &body) {
  dir_ = &dir;
  std::string path = dir / "setup.inf";
  WriteTextFile(path, "[Version]\r\nSignature=\"$Chicago$\"\r\n" + body);
  UINT errorLine = 0;
  inf_ = SetupOpenInfFileA(path.c_str(), nullptr, INF_STYLE_WIN4, &errorLine);
}

TestScript::~TestScript() {
  if (ok()) SetupCloseInfFile(inf_);
}

void WriteTextFile(const std::string &path, const std::string &text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

std::string ReadTextFile(const std::string &path) {
  std::string text;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return text;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got) text.append(buffer, got);
  CloseHandle(file);
  return text;
}

bool FileExists(const std::string &path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::string &path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    return;
  }
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = data.cFileName;
      if (name != "." && name != "..") RemoveTree(path + "\\" + name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  RemoveDirectoryA(path.c_str());
}

int RunAndWait(const std::string &commandLine, DWORD timeoutMs, const char *directory,
               std::string *output) {
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof(startup));
  startup.cb = sizeof(startup);
  std::string outputPath;
  HANDLE outputFile = INVALID_HANDLE_VALUE;
  if (output) {
    char temp[MAX_PATH], name[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    GetTempFileNameA(temp, "out", 0, name);
    outputPath = name;
    SECURITY_ATTRIBUTES inherited = {sizeof(inherited), nullptr, TRUE};
    outputFile = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = outputFile;
  }
  PROCESS_INFORMATION process;
  std::string line = commandLine;
  BOOL started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, output ? TRUE : FALSE, 0,
                                nullptr, directory, &startup, &process);
  if (outputFile != INVALID_HANDLE_VALUE) CloseHandle(outputFile);
  if (!started) return -1;
  CloseHandle(process.hThread);
  int result = -2;
  if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result = static_cast<int>(code);
  } else {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 5000);
  }
  CloseHandle(process.hProcess);
  if (output) {
    *output = ReadTextFile(outputPath);
    DeleteFileA(outputPath.c_str());
  }
  return result;
}

int main(int argc, char **argv) {
  testing::InitGoogleTest(&argc, argv);
  std::string wanted = EmulatedVersion();
  if (!wanted.empty()) {
    DWORD expected = 0;
    for (const KnownVersion &v : kVersions)
      if (wanted == v.name) expected = v.getVersion;
    if (expected == 0 || GetVersion() != expected) {
      fprintf(stderr, "emulation of %s did not take effect: GetVersion() = 0x%08lx\n",
              wanted.c_str(), GetVersion());
      return 1;
    }
  }
  return RUN_ALL_TESTS();
}
