// The examples as a packager runs them: a quiet install of the built media folder, what it
// leaves on the machine, and the removals through the recorded Uninstall command lines.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include <string>
#include <vector>

#include "e2e/Media.h"
#include "e2e/WizardDriver.h"

namespace {

constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kService[] = "OrlavinListener";
constexpr DWORD kRunMs = 120000;
const char *const kKeys[] = {"Orlavin", "OrlavinMachine", "OrlavinListener", "OrlavinVoices",
                             "OrlavinFax", "OrlavinTools"};
const char kMinimalKey[] = "HelloSoftware.Hello";

std::string WindowsDir() {
  char dir[MAX_PATH] = "";
  GetWindowsDirectoryA(dir, sizeof(dir));
  return dir;
}
std::string StepLog() { return WindowsDir() + "\\orlavin-steps.log"; }

std::string ShellFolder(HKEY root, const char *value) {
  HKEY key;
  char text[MAX_PATH] = "";
  if (RegOpenKeyExA(root, kShellFolders, 0, KEY_READ, &key)) return "";
  DWORD size = sizeof(text) - 1;
  RegQueryValueExA(key, value, nullptr, nullptr, reinterpret_cast<BYTE *>(text), &size);
  RegCloseKey(key);
  return text;
}

struct Link {
  HKEY root;
  const char *folder, *name, *target;  // target relative to the install folder
};
const Link kMachineLinks[] = {
    {HKEY_LOCAL_MACHINE, "Common Programs", "Orlavin\\Answering Machine", "orlavin.exe"},
    {HKEY_LOCAL_MACHINE, "Common Desktop", "Orlavin Answering Machine", "orlavin.exe"},
    {HKEY_CURRENT_USER, "Programs", "Orlavin\\Documents\\Read Me", "readme.txt"}};
const Link kToolsLink = {HKEY_CURRENT_USER, "Programs", "Orlavin\\Line Test", "Tools\\linetest.txt"};

std::string LinkPath(const Link &link) {
  return ShellFolder(link.root, link.folder) + "\\" + link.name + ".lnk";
}

// The path a shortcut starts, loaded back through the shell's link object.
std::string LinkTarget(const std::string &path) {
  std::string target = "<no link>";
  CoInitialize(nullptr);
  IShellLinkA *link = nullptr;
  IPersistFile *file = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void **>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file)))) {
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    char text[MAX_PATH] = "";
    if (SUCCEEDED(file->Load(wide, STGM_READ)) &&
        SUCCEEDED(link->GetPath(text, sizeof(text), nullptr, 0)))
      target = text;
  }
  if (file) file->Release();
  if (link) link->Release();
  CoUninitialize();
  return target;
}

// Reads a value into bytes; empty when the key or the value is missing.
std::string RegBytes(HKEY root, const char *key, const char *value, DWORD *type = nullptr) {
  HKEY handle;
  if (RegOpenKeyExA(root, key, 0, KEY_READ, &handle)) return "";
  std::string data(8192, '\0');
  DWORD size = static_cast<DWORD>(data.size() - 2);
  if (RegQueryValueExA(handle, value, nullptr, type, reinterpret_cast<BYTE *>(&data[0]), &size))
    size = 0;
  RegCloseKey(handle);
  data.resize(size);
  return data;
}

std::string RegText(HKEY root, const char *key, const char *value) {
  DWORD type = 0;
  std::string data = RegBytes(root, key, value, &type);
  if (type != REG_SZ) return "<none>";
  return data.c_str();
}

DWORD RegNumber(HKEY root, const char *key, const char *value) {
  DWORD type = 0;
  std::string data = RegBytes(root, key, value, &type);
  if (type != REG_DWORD || data.size() != sizeof(DWORD)) return 0xFFFFFFFF;
  DWORD number;
  memcpy(&number, data.data(), sizeof(number));
  return number;
}

// Every text of a multi-string value, empty ones included (rename pairs have empty targets).
std::vector<std::string> RegTexts(HKEY root, const char *key, const char *value) {
  std::string data = RegBytes(root, key, value);
  std::vector<std::string> texts;
  for (size_t at = 0; at < data.size();) {
    size_t end = data.find('\0', at);
    if (end == std::string::npos) end = data.size();
    texts.push_back(data.substr(at, end - at));
    at = end + 1;
  }
  return texts;
}

void DeleteTree(HKEY root, const std::string &key) {
  HKEY handle;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_ALL_ACCESS, &handle)) return;
  char name[256];
  DWORD length = sizeof(name);
  while (RegEnumKeyExA(handle, 0, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
    DeleteTree(handle, name);
    length = sizeof(name);
  }
  RegCloseKey(handle);
  RegDeleteKeyA(root, key.c_str());
}

bool KeyExists(HKEY root, const char *key) {
  HKEY handle;
  if (RegOpenKeyExA(root, key, 0, KEY_READ, &handle)) return false;
  RegCloseKey(handle);
  return true;
}

struct ServiceState {
  bool exists = false;
  DWORD state = 0, startType = 0;
  std::string binary, group;
};

ServiceState QueryService() {
  ServiceState result;
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE service = manager ? OpenServiceA(manager, kService, SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS) : nullptr;
  if (service) {
    result.exists = true;
    SERVICE_STATUS status;
    if (QueryServiceStatus(service, &status)) result.state = status.dwCurrentState;
    union {
      QUERY_SERVICE_CONFIGA config;
      char bytes[8192];
    } buffer;
    DWORD needed = 0;
    if (QueryServiceConfigA(service, &buffer.config, sizeof(buffer), &needed)) {
      result.startType = buffer.config.dwStartType;
      result.binary = buffer.config.lpBinaryPathName ? buffer.config.lpBinaryPathName : "";
      result.group = buffer.config.lpLoadOrderGroup ? buffer.config.lpLoadOrderGroup : "";
    }
    CloseServiceHandle(service);
  }
  if (manager) CloseServiceHandle(manager);
  return result;
}

std::vector<std::string> GroupOrder() {
  std::vector<std::string> groups = RegTexts(
      HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\ServiceGroupOrder", "List");
  while (!groups.empty() && groups.back().empty()) groups.pop_back();
  return groups;
}

struct Step {
  std::string tag, handle, owner;
};

std::vector<Step> Steps() {
  std::vector<Step> steps;
  std::string text = ReadTextFile(StepLog());
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    size_t t1 = line.find('\t'), t2 = line.find('\t', t1 + 1), t3 = line.find('\t', t2 + 1);
    if (t3 != std::string::npos)
      steps.push_back({line.substr(0, t1), line.substr(t1 + 1, t2 - t1 - 1), line.substr(t2 + 1, t3 - t2 - 1)});
    at = end + 2;
  }
  return steps;
}

void DeleteService() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return;
  SC_HANDLE service = OpenServiceA(manager, kService, SERVICE_ALL_ACCESS);
  if (service) {
    SERVICE_STATUS status;
    ControlService(service, SERVICE_CONTROL_STOP, &status);
    for (int i = 0; i < 40 && QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED; ++i)
      Sleep(100);
    ::DeleteService(service);
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
}

// Copies the files of a folder (no sub-folders).
void CopyFolder(const std::string &from, const std::string &to) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((from + "\\*").c_str(), &found);
  ASSERT_NE(find, INVALID_HANDLE_VALUE) << from;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      CopyFileA((from + "\\" + found.cFileName).c_str(), (to + "\\" + found.cFileName).c_str(), FALSE);
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

// Everything a sample run may leave in this prefix, so that each test starts from nothing.
void ForgetSample() {
  DeleteService();
  for (const char *key : kKeys) DeleteUninstallEntry(key);
  DeleteUninstallEntry(kMinimalKey);
  DeleteTree(HKEY_LOCAL_MACHINE, "Software\\Orlavin");
  DeleteTree(HKEY_CURRENT_USER, "Software\\Orlavin");
  for (const Link &link : kMachineLinks) DeleteFileA(LinkPath(link).c_str());
  DeleteFileA(LinkPath(kToolsLink).c_str());
  for (const char *dir : {"Orlavin\\Documents", "Orlavin"}) {
    RemoveDirectoryA((ShellFolder(HKEY_CURRENT_USER, "Programs") + "\\" + dir).c_str());
    RemoveDirectoryA((ShellFolder(HKEY_LOCAL_MACHINE, "Common Programs") + "\\" + dir).c_str());
  }
  DeleteFileA(StepLog().c_str());
  DeleteFileA((WindowsDir() + "\\orlastep.exe").c_str());
  ClearPendingRenames();
}

// The running setup.exe of a removal deletes its own copy: under Wine the deletion sometimes
// succeeds at once and sometimes waits for the restart. Either way nothing may stay: the file
// is gone, or it and its folder are scheduled, and then the run asked for the restart.
// A removal from the installed setup.exe hands its work to a copy of the program, so that the
// installed program and its folder go at once and no restart is due for them.
// The target folder itself may still wait for the restart that an earlier removal asked for
// (a file of the call listener's service is in use when it goes).
void ExpectSetupCopyGone(const std::string &target, int exitCode) {
  EXPECT_FALSE(FileExists(target + "\\setup.exe"));
  EXPECT_EQ(exitCode, 0);
  if (GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  std::vector<std::string> renames =
      RegTexts(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
               "PendingFileRenameOperations");
  EXPECT_NE(std::find(renames.begin(), renames.end(), "\\??\\" + target), renames.end())
      << "an emptied target that stays goes at the restart";
}

class SampleRun : public testing::Test {
 protected:
  void SetUp() override { ForgetSample(); }
  void TearDown() override { ForgetSample(); }

  // Runs a recorded Uninstall command line quietly; returns the exit code.
  int RemoveQuietly(const char *key, DWORD *pid = nullptr) {
    const std::string command = UninstallValue(key, "UninstallString");
    SetupProcess remover(WindowsDir(), false);
    if (!remover.StartCommandLine(command + " /quiet")) return -1;
    if (pid) *pid = remover.pid();
    return remover.WaitForExit(kRunMs);
  }
};

TEST_F(SampleRun, QuietInstallLeavesWhatTheReadmeListsAndTheRemovalsTakeItAwayInOrder) {
  ScratchDir media, place;
  CopyFolder(BinaryPath("examples/orlavin"), media.path());
  const std::string target = place / "Orlavin";
  // An earlier installation's folder is what a quiet run installs into.
  WriteUninstallValue("Orlavin", "UserTargetDir", target);
  WriteUninstallValue("Orlavin", "SetupIdentity", "Orlavin Software");

  SetupProcess setup(media.path(), false);
  ASSERT_TRUE(setup.Start("/quiet"));
  ASSERT_EQ(setup.WaitForExit(kRunMs), 3010) << "the call listener asks for a restart";

  for (const char *file : {"setup.exe", "setup.inf", "orlavin.exe", "readme.txt", "greeting.wav",
                           "orlavin.ini", "orlasvc.exe", "Voices\\voices.txt", "Voices\\voices.cab",
                           "Tools\\linetest.txt", "Tools\\tones.bin"})
    EXPECT_TRUE(FileExists(target + "\\" + file)) << file;
  EXPECT_FALSE(FileExists(target + "\\faxcover.txt")) << "the fax gateway is not checked";
  EXPECT_FALSE(FileExists(target + "\\orlastep.exe")) << "the step program goes to Windows";
  EXPECT_TRUE(FileExists(WindowsDir() + "\\orlastep.exe"));
  EXPECT_EQ(ReadTextFile(target + "\\Voices\\voices.cab"), ReadTextFile(media / "voices.cab"))
      << "the cabinet is copied whole";

  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, "Software\\Orlavin", "InstallDir"), target);
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, "Software\\Orlavin", "Platform"), "NT5");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, "Software\\Orlavin\\Answering Machine", "Messages"),
            target + "\\Messages");
  EXPECT_EQ(RegNumber(HKEY_CURRENT_USER, "Software\\Orlavin\\Answering Machine", "Rings"), 4u);
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, "Software\\Orlavin\\Voices", "Cabinet"),
            target + "\\Voices\\voices.cab");
  char ini[MAX_PATH] = "";
  GetPrivateProfileStringA("Machine", "Messages", "", ini, sizeof(ini), (target + "\\orlavin.ini").c_str());
  EXPECT_EQ(std::string(ini), target + "\\Messages");

  ServiceState service = QueryService();
  ASSERT_TRUE(service.exists);
  EXPECT_EQ(service.state, static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(service.startType, static_cast<DWORD>(SERVICE_DEMAND_START));
  EXPECT_EQ(service.binary, "\"" + target + "\\orlasvc.exe\"");
  EXPECT_EQ(service.group, "Orlavin Telephony");
  // Wine 8 reports no dependencies through QueryServiceConfig, and its CreateServiceA keeps
  // only the first name of the list (its CreateServiceW keeps all): the stored value shows
  // the first here. The script test checks that the line names both.
  std::vector<std::string> dependencies = RegTexts(
      HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\OrlavinListener", "DependOnService");
  ASSERT_FALSE(dependencies.empty());
  EXPECT_EQ(dependencies.front(), "RpcSs");
  EXPECT_TRUE(WaitUntil([] {
    return RegText(HKEY_LOCAL_MACHINE, "Software\\Orlavin\\Listener", "State") == "listening";
  })) << "the service itself ran";
  std::vector<std::string> groups = GroupOrder();
  auto group = std::find(groups.begin(), groups.end(), "Orlavin Telephony");
  ASSERT_NE(group, groups.end());
  auto anchor = std::find(groups.begin(), groups.end(), "Extended Base");
  EXPECT_EQ(group, anchor == groups.end() ? groups.end() - 1 : anchor + 1);

  for (const Link &link : kMachineLinks)
    EXPECT_EQ(LinkTarget(LinkPath(link)), target + "\\" + link.target) << link.name;
  EXPECT_EQ(LinkTarget(LinkPath(kToolsLink)), target + "\\Tools\\linetest.txt");

  // The steps of both passes in order, each given the handle of a window of setup.exe.
  std::vector<Step> steps = Steps();
  std::vector<std::string> tags;
  for (const Step &step : steps) tags.push_back(step.tag);
  EXPECT_EQ(tags, (std::vector<std::string>{"Install.NT5:1", "-", "Install.NT5:2",
                                            "Machine.Install:2", "-"}));
  char pid[16];
  snprintf(pid, sizeof(pid), "%lu", static_cast<unsigned long>(setup.pid()));
  for (const Step &step : steps) {
    if (step.tag == "-") continue;
    EXPECT_EQ(step.handle.size(), 10u) << step.handle;
    EXPECT_EQ(step.owner, pid) << step.tag << ": the handle is a window of the running setup";
  }

  EXPECT_EQ(UninstallValue("Orlavin", "DisplayName"), "Orlavin for Windows");
  EXPECT_EQ(UninstallValue("OrlavinMachine", "ProductVersion"), "2.1.0");
  EXPECT_EQ(UninstallValue("OrlavinVoices", "UserTargetDir"), target);
  EXPECT_FALSE(UninstallEntryExists("OrlavinTools")) << "no remove section, no entry";
  EXPECT_FALSE(UninstallEntryExists("OrlavinFax"));

  // The setup-level entry while products are registered: only the entry goes.
  EXPECT_EQ(RemoveQuietly("Orlavin"), 0);
  EXPECT_FALSE(UninstallEntryExists("Orlavin"));
  EXPECT_TRUE(FileExists(target + "\\setup.exe"));
  EXPECT_EQ(RemoveQuietly("OrlavinVoices"), 0);
  EXPECT_EQ(GetFileAttributesA((target + "\\Voices").c_str()), INVALID_FILE_ATTRIBUTES)
      << "the emptied folder goes with its files";
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Orlavin\\Voices"));
  EXPECT_EQ(RemoveQuietly("OrlavinListener"), 3010);
  EXPECT_FALSE(QueryService().exists);
  EXPECT_FALSE(FileExists(target + "\\orlasvc.exe"));
  EXPECT_TRUE(FileExists(target + "\\Tools\\linetest.txt")) << "Remove runs only with the last";
  EXPECT_EQ(Steps().size(), steps.size()) << "no step of a removal yet";

  DWORD removerPid = 0;
  const int lastExit = RemoveQuietly("OrlavinMachine", &removerPid);
  tags.clear();
  steps = Steps();
  for (size_t i = 5; i < steps.size(); ++i) tags.push_back(steps[i].tag);
  EXPECT_EQ(tags, (std::vector<std::string>{"Machine.Remove:1", "Remove.NT5:1", "Remove.NT5:2"}));
  // The removal ran in the copy that the started program handed it to: the steps were given
  // that copy's window, not the waiting program's.
  snprintf(pid, sizeof(pid), "%lu", static_cast<unsigned long>(removerPid));
  ASSERT_GT(steps.size(), 5u);
  for (size_t i = 5; i < steps.size(); ++i) {
    EXPECT_EQ(steps[i].owner, steps[5].owner) << steps[i].tag;
    EXPECT_NE(steps[i].owner, "0") << steps[i].tag;
    EXPECT_NE(steps[i].owner, pid) << steps[i].tag;
  }

  for (const char *file : {"setup.inf", "orlavin.exe", "orlavin.ini", "Tools", "Voices"})
    EXPECT_EQ(GetFileAttributesA((target + "\\" + file).c_str()), INVALID_FILE_ATTRIBUTES) << file;
  EXPECT_FALSE(FileExists(WindowsDir() + "\\orlastep.exe")) << "the last step deleted itself";
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Orlavin"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Orlavin"));
  for (const Link &link : kMachineLinks) EXPECT_FALSE(FileExists(LinkPath(link))) << link.name;
  EXPECT_FALSE(FileExists(LinkPath(kToolsLink)));
  EXPECT_EQ(GetFileAttributesA((ShellFolder(HKEY_CURRENT_USER, "Programs") + "\\Orlavin").c_str()),
            INVALID_FILE_ATTRIBUTES) << "the emptied sub-folders go too";
  for (const char *key : kKeys) EXPECT_FALSE(UninstallEntryExists(key)) << key;
  ExpectSetupCopyGone(target, lastExit);
}

TEST_F(SampleRun, MinimalExampleInstallsItsFileAndRemovesIt) {
  ScratchDir media, place;
  CopyFolder(BinaryPath("examples/minimal"), media.path());
  const std::string target = place / "Hello";
  // An earlier installation of the same setup.
  WriteUninstallValue(kMinimalKey, "UserTargetDir", target);
  WriteUninstallValue(kMinimalKey, "SetupIdentity", "Hello Software");
  SetupProcess setup(media.path(), false);
  ASSERT_TRUE(setup.Start("/quiet"));
  ASSERT_EQ(setup.WaitForExit(kRunMs), 0);
  EXPECT_EQ(ReadTextFile(target + "\\hello.txt"), ReadTextFile(media / "hello.txt"));
  EXPECT_EQ(UninstallValue(kMinimalKey, "DisplayName"), "Hello World");
  ExpectSetupCopyGone(target, RemoveQuietly(kMinimalKey));
  EXPECT_FALSE(FileExists(target + "\\hello.txt"));
  EXPECT_FALSE(FileExists(target + "\\setup.inf"));
  EXPECT_FALSE(UninstallEntryExists(kMinimalKey));
}

}  // namespace
