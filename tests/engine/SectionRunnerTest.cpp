// The section runner on real scripts: every step's effect, their order, the phases posted
// to the page, and which failures end the run.
#include <gtest/gtest.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "common/Globals.h"
#include "common/Messages.h"
#include "engine/QueueTestSupport.h"
#include "engine/SectionRunner.h"
#include "support/TestServices.h"

namespace {

constexpr char kTestKey[] = "Software\\SetupEngineTest";
constexpr char kLinkFolder[] = "SetupEngineTest";

std::string Tool(const char *name) {
  return BinaryPath(std::string("tests/tools/") + name + "/" + name + ".exe");
}

std::string UserDesktop() {
  char path[MAX_PATH] = {};
  DWORD size = sizeof(path);
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER,
                    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                    KEY_READ, &key) == ERROR_SUCCESS) {
    RegQueryValueExA(key, "Desktop", nullptr, nullptr, reinterpret_cast<BYTE *>(path), &size);
    RegCloseKey(key);
  }
  return path;
}

bool KeyExists(const std::string &subkey) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

std::vector<std::string> LogLines(const std::string &path) {
  std::vector<std::string> lines;
  std::string text = ReadTextFile(path);
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

// The first blank- or tab-separated word of each line: the tag of the program that wrote it.
std::vector<std::string> Tags(const std::vector<std::string> &lines) {
  std::vector<std::string> tags;
  for (const std::string &line : lines) tags.push_back(line.substr(0, line.find_first_of(" \t")));
  return tags;
}

class SectionRunnerTest : public testing::Test {
 protected:
  void SetUp() override {
    g_rebootNeeded = 0;
    char suffix[32];
    snprintf(suffix, sizeof(suffix), "%lu", GetCurrentProcessId());
    oldService_ = std::string("EngineTestOld") + suffix;
    newService_ = std::string("EngineTestNew") + suffix;
    log_ = media_.target() / "order.log";
    desktop_ = UserDesktop();
    window_ = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    DestroyWindow(window_);
    for (const char *sub : {"A", "B", "N", "S"})
      RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(kTestKey) + "\\" + sub).c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
    RemoveTree(desktop_ + "\\" + kLinkFolder);
    g_rebootNeeded = 0;
  }

  // The phases posted to the page during the run, in the order they arrived.
  std::vector<int> Phases() {
    std::vector<int> phases;
    MSG msg;
    while (PeekMessageA(&msg, window_, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_SETUP_PHASE) phases.push_back(static_cast<int>(msg.wParam));
      if (msg.message == WM_SETUP_PROGRESS) ++progressMessages_;
    }
    return phases;
  }

  int Run(const char *list) { return RunSections(media_.inf(), list, window_); }

  std::string Link(const char *name) const {
    return desktop_ + "\\" + kLinkFolder + "\\" + name + ".lnk";
  }

  // A stateprobe line for an Exec section: what exists when the program runs. The checks
  // are in a file, since a script field holds at most 255 characters.
  std::string Probe(const char *key, int pass, const char *tag) const {
    std::string checks = media_.media() / "checks.txt";
    WriteTextFile(checks, "file:" + (media_.target() / "a.txt") + "\r\nfile:" +
                              (media_.target() / "b.txt") + "\r\nkey:HKCU\\" + kTestKey +
                              "\\A\r\nkey:HKCU\\" + kTestKey + "\\B\r\nfile:" +
                              (media_.target() / "test.ini") + "\r\nfile:" + Link("LinkA") +
                              "\r\nfile:" + Link("LinkB") + "\r\nsvc:" + oldService_ +
                              "\r\nsvc:" + newService_ + "\r\n");
    return std::string(key) + "=" + std::to_string(pass) + ",\"" + Tool("stateprobe") + "\",\"" +
           log_ + " " + tag + " @" + checks + "\"\r\n";
  }
  std::string Recorder(const char *key, int pass, const char *tag) const {
    return std::string(key) + "=" + std::to_string(pass) + ",\"" + Tool("recorder") + "\",\"/log:" +
           log_ + " /tag:" + tag + "\"\r\n";
  }

  // Two sections that together do every kind of work the runner knows.
  std::string FullScript() const {
    std::string target = media_.target().path();
    std::string ini = media_.target() / "test.ini";
    return "[DestinationDirs]\r\nDefaultDestDir=32768\r\n"
           "[SecA]\r\nCopyFiles=SecA.Files\r\nAddReg=SecA.Reg\r\nUpdateInis=SecA.Ini\r\n"
           "MakeIcons=SecA.Links\r\nExec=SecA.Progs\r\n"
           "[SecA.Files]\r\na.txt\r\n"
           "[SecA.Reg]\r\nHKCU,\"" + std::string(kTestKey) + "\\A\",Value,,\"a\"\r\n"
           "[SecA.Ini]\r\n\"" + ini + "\",Sect,,\"KeyA=1\"\r\n"
           "[SecA.Links]\r\nlink=UDSK,\"" + kLinkFolder + "\\LinkA\",\"" + target + "\\a.txt\"\r\n"
           "[SecA.Progs]\r\n" + Probe("first", 1, "pass1A") + Probe("last", 2, "pass2A") +
           "[SecA.Services]\r\nStopService=" + oldService_ + "\r\nAddService=" + newService_ +
           ",,SecA.NewService\r\nStartService=" + newService_ + "\r\n"
           "[SecA.NewService]\r\nDisplayName=\"Engine test\"\r\nServiceType=16\r\nStartType=3\r\n"
           "ErrorControl=0\r\nServiceBinary=\"" + TestServiceCommand(newService_, "/log:" + log_) + "\"\r\n"
           "[SecB]\r\nCopyFiles=SecB.Files\r\nAddReg=SecB.Reg\r\nUpdateInis=SecB.Ini\r\n"
           "MakeIcons=SecB.Links\r\nExec=SecB.Progs\r\n"
           "[SecB.Files]\r\nb.txt\r\n"
           "[SecB.Reg]\r\nHKCU,\"" + std::string(kTestKey) + "\\B\",Value,,\"b\"\r\n"
           "[SecB.Ini]\r\n\"" + ini + "\",Sect,,\"KeyB=2\"\r\n"
           "[SecB.Links]\r\nlink=UDSK,\"" + kLinkFolder + "\\LinkB\",\"" + target + "\\b.txt\"\r\n"
           "[SecB.Progs]\r\n" + Recorder("first", 1, "pass1B") + Recorder("last", 2, "pass2B");
  }

  ScriptMedia media_;
  std::string oldService_, newService_, log_, desktop_;
  HWND window_ = nullptr;
  int progressMessages_ = 0;
};

TEST_F(SectionRunnerTest, TwoSectionsDoEveryStepInOrder) {
  ASSERT_TRUE(media_.Open(FullScript()));
  media_.WriteSource("a.txt", "file a");
  media_.WriteSource("b.txt", "file b");
  ServiceGuard oldService(oldService_);
  ServiceGuard newService(newService_);  // created by the run, removed at the end
  ASSERT_TRUE(CreateTestService(oldService_, TestServiceCommand(oldService_, "/log:" + log_)));
  ASSERT_TRUE(StartTestService(oldService_));
  // The service writes "running" just after it reports so; only what the run does may follow.
  for (int wait = 0; wait < 100 && Tags(LogLines(log_)).size() < 2; ++wait) Sleep(50);
  ASSERT_EQ(Tags(LogLines(log_)), (std::vector<std::string>{"start", "running"}));
  DeleteFileA(log_.c_str());

  ASSERT_EQ(Run("SecA\0SecB\0"), 1) << GetLastError();
  EXPECT_EQ(Phases(), (std::vector<int>{2, 3, 4, 5, 6, -1}));

  EXPECT_EQ(ReadTextFile(media_.target() / "a.txt"), "file a");
  EXPECT_EQ(ReadTextFile(media_.target() / "b.txt"), "file b");
  EXPECT_TRUE(KeyExists(std::string(kTestKey) + "\\A"));
  EXPECT_TRUE(KeyExists(std::string(kTestKey) + "\\B"));
  std::string ini = media_.target() / "test.ini";
  EXPECT_EQ(GetPrivateProfileIntA("Sect", "KeyA", 0, ini.c_str()), 1);
  EXPECT_EQ(GetPrivateProfileIntA("Sect", "KeyB", 0, ini.c_str()), 2);
  EXPECT_TRUE(FileExists(Link("LinkA")));
  EXPECT_TRUE(FileExists(Link("LinkB")));
  EXPECT_EQ(ServiceState(oldService_), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(ServiceState(newService_), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(g_rebootNeeded, 0);

  // Programs of pass 1 in list order, then the old service stops, the new one starts, and the
  // programs of pass 2 run last, again in list order.
  std::vector<std::string> lines = LogLines(log_);
  EXPECT_EQ(Tags(lines), (std::vector<std::string>{"pass1A", "pass1B", "control", "stopped",
                                                   "start", "running", "pass2A", "pass2B"}))
      << ReadTextFile(log_);
  // Before anything else: no file, key, INI file or link yet, the old service runs and the
  // new one does not exist. At the end everything is there, the old service stopped.
  ASSERT_GE(lines.size(), 7u);
  EXPECT_EQ(lines[0], "pass1A 0 0 0 0 0 0 0 4 0");
  EXPECT_EQ(lines[6], "pass2A 1 1 1 1 1 1 1 1 4");
}

TEST_F(SectionRunnerTest, EmptyListAndSectionsThatCopyNothingPostEveryPhase) {
  ASSERT_TRUE(media_.Open("[Nothing]\r\nAddReg=Nothing.Reg\r\n[Nothing.Reg]\r\n"
                          "HKCU,\"" + std::string(kTestKey) + "\\N\",Value,,\"n\"\r\n"
                          "[AlsoNothing]\r\nDelFiles=None.Files\r\n[None.Files]\r\nabsent.txt\r\n"));
  EXPECT_EQ(Run("\0"), 1) << GetLastError();
  EXPECT_EQ(Phases(), (std::vector<int>{2, 3, 4, 5, 6, -1}));

  EXPECT_EQ(Run("Nothing\0AlsoNothing\0"), 1) << GetLastError();
  EXPECT_EQ(Phases(), (std::vector<int>{2, 3, 4, 5, 6, -1}));
  EXPECT_TRUE(KeyExists(std::string(kTestKey) + "\\N"));
  EXPECT_EQ(g_rebootNeeded, 0);
}

// Wine's Setup API queues whatever a script names and never fails a section, so the test
// lets the queueing call fail for the second section as the system fails it: FALSE with a
// Setup API error code.
constexpr DWORD kQueueingError = ERROR_SECTION_NOT_FOUND;
ImportPatch *g_queueingPatch;

BOOL WINAPI QueueingThatFailsForBad(HINF inf, HINF layout, HSPFILEQ queue, PCSTR section,
                                    PCSTR sourceRoot, UINT flags) {
  if (lstrcmpiA(section, "Bad") == 0) {
    SetLastError(kQueueingError);
    return FALSE;
  }
  auto real = reinterpret_cast<decltype(&SetupInstallFilesFromInfSectionA)>(
      g_queueingPatch->original());
  return real(inf, layout, queue, section, sourceRoot, flags);
}

TEST_F(SectionRunnerTest, QueueingFailureInTheSecondSectionStopsBeforeAnyProgram) {
  std::string script = "[DestinationDirs]\r\nDefaultDestDir=32768\r\n"
                       "[Good]\r\nCopyFiles=Good.Files\r\nExec=Good.Progs\r\n"
                       "[Good.Files]\r\na.txt\r\n"
                       "[Good.Progs]\r\n" + Recorder("first", 1, "pass1") +
                       "[Bad]\r\nCopyFiles=Good.Files\r\nExec=Good.Progs\r\n";
  ASSERT_TRUE(media_.Open(script));
  media_.WriteSource("a.txt", "file a");
  ImportPatch patch("setupapi.dll", "SetupInstallFilesFromInfSectionA",
                    reinterpret_cast<void *>(QueueingThatFailsForBad));
  ASSERT_TRUE(patch.patched());
  g_queueingPatch = &patch;

  SetLastError(0);
  EXPECT_EQ(Run("Good\0Bad\0"), 0);
  EXPECT_EQ(GetLastError(), kQueueingError) << "the error survives closing the queue";
  EXPECT_TRUE(Phases().empty());
  EXPECT_FALSE(FileExists(log_)) << "no program of pass 1 ran";
  EXPECT_FALSE(FileExists(media_.target() / "a.txt")) << "nothing was committed";

  // The first section alone is queued by the real call and runs.
  EXPECT_EQ(Run("Good\0"), 1) << GetLastError();
  EXPECT_TRUE(FileExists(media_.target() / "a.txt"));
  g_queueingPatch = nullptr;
}

TEST_F(SectionRunnerTest, FailedCommitEndsTheRunWithTheCopyError) {
  std::string script = "[DestinationDirs]\r\nDefaultDestDir=32768\r\n"
                       "[Sec]\r\nCopyFiles=Sec.Files\r\nAddReg=Sec.Reg\r\nExec=Sec.Progs\r\n"
                       "[Sec.Files]\r\nmissing.cab\r\n"
                       "[Sec.Reg]\r\nHKCU,\"" + std::string(kTestKey) + "\\S\",Value,,\"s\"\r\n"
                       "[Sec.Progs]\r\n" + Recorder("first", 1, "pass1") +
                       Recorder("last", 2, "pass2");
  ASSERT_TRUE(media_.Open(script));
  SetLastError(0);
  EXPECT_EQ(Run("Sec\0"), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(Phases(), (std::vector<int>{2, 3}));
  EXPECT_FALSE(KeyExists(std::string(kTestKey) + "\\S"));
  EXPECT_EQ(Tags(LogLines(log_)), std::vector<std::string>{"pass1"});
}

TEST_F(SectionRunnerTest, FailingAddServiceStopsAfterTheRegistryWorkOfEverySection) {
  std::string script =
      "[DestinationDirs]\r\nDefaultDestDir=32768\r\n"
      "[First]\r\nCopyFiles=First.Files\r\nAddReg=First.Reg\r\n"
      "[First.Files]\r\na.txt\r\n"
      "[First.Reg]\r\nHKCU,\"" + std::string(kTestKey) + "\\A\",Value,,\"a\"\r\n"
      "[First.Services]\r\nAddService=" + oldService_ + ",,NoSuchSettings\r\n"
      "[Second]\r\nAddReg=Second.Reg\r\nMakeIcons=Second.Links\r\nExec=Second.Progs\r\n"
      "[Second.Reg]\r\nHKCU,\"" + std::string(kTestKey) + "\\B\",Value,,\"b\"\r\n"
      "[Second.Links]\r\nlink=UDSK,\"" + kLinkFolder + "\\LinkB\",\"" + (media_.target() / "a.txt") + "\"\r\n"
      "[Second.Progs]\r\n" + Recorder("first", 1, "pass1") + Recorder("last", 2, "pass2") +
      "[Second.Services]\r\nAddService=" + newService_ + ",,Second.NewService\r\n"
      "StartService=" + newService_ + "\r\n"
      "[Second.NewService]\r\nServiceType=16\r\nStartType=3\r\nErrorControl=0\r\n"
      "ServiceBinary=\"" + TestServiceCommand(newService_) + "\"\r\n";
  ASSERT_TRUE(media_.Open(script));
  media_.WriteSource("a.txt", "file a");
  ServiceGuard removeOld(oldService_);
  ServiceGuard removeNew(newService_);

  EXPECT_EQ(Run("First\0Second\0"), 0);
  EXPECT_EQ(Phases(), (std::vector<int>{2, 3, 4}));
  EXPECT_TRUE(FileExists(media_.target() / "a.txt"));
  EXPECT_TRUE(KeyExists(std::string(kTestKey) + "\\A"));
  EXPECT_TRUE(KeyExists(std::string(kTestKey) + "\\B")) << "registry of every section first";
  EXPECT_EQ(ServiceState(newService_), 0u) << "no service of a later section";
  EXPECT_FALSE(FileExists(Link("LinkB")));
  EXPECT_EQ(Tags(LogLines(log_)), std::vector<std::string>{"pass1"}) << "no program of pass 2";
}

TEST_F(SectionRunnerTest, ServiceThatWillNotStartOnlyAsksForARestart) {
  std::string script = "[Sec]\r\nAddReg=Sec.Reg\r\n"
                       "[Sec.Reg]\r\nHKCU,\"" + std::string(kTestKey) + "\\S\",Value,,\"s\"\r\n"
                       "[Sec.Services]\r\nStartService=" + newService_ + "\r\n";
  ASSERT_TRUE(media_.Open(script));
  EXPECT_EQ(Run("Sec\0"), 1) << GetLastError();
  EXPECT_EQ(Phases(), (std::vector<int>{2, 3, 4, 5, 6, -1}));
  EXPECT_EQ(g_rebootNeeded, 1);
}

TEST_F(SectionRunnerTest, ServiceThatWillNotStopOnlyAsksForARestart) {
  std::string script = "[Sec]\r\nAddReg=Sec.Reg\r\n"
                       "[Sec.Reg]\r\nHKCU,\"" + std::string(kTestKey) + "\\S\",Value,,\"s\"\r\n"
                       "[Sec.Services]\r\nStopService=" + oldService_ + "\r\n";
  ASSERT_TRUE(media_.Open(script));
  ServiceGuard slow(oldService_);
  ASSERT_TRUE(CreateTestService(oldService_, TestServiceCommand(oldService_, "/stopdelay:8000")));
  ASSERT_TRUE(StartTestService(oldService_));
  EXPECT_EQ(Run("Sec\0"), 1) << GetLastError();
  EXPECT_EQ(Phases(), (std::vector<int>{2, 3, 4, 5, 6, -1}));
  EXPECT_EQ(g_rebootNeeded, 1);
  EXPECT_TRUE(KeyExists(std::string(kTestKey) + "\\S")) << "the run went on";
}

bool RunsOnWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// A copy over a file in use: the run succeeds and asks for a restart exactly when the queue
// reports the file in use. Wine's queue skips such a target and its SetupPromptReboot never
// reports one, so there the old file stays and no restart is asked for.
TEST_F(SectionRunnerTest, CopyOverAFileInUse) {
  ASSERT_TRUE(media_.Open("[DestinationDirs]\r\nDefaultDestDir=32768\r\n"
                          "[Sec]\r\nCopyFiles=Sec.Files\r\n[Sec.Files]\r\na.txt\r\n"));
  media_.WriteSource("a.txt", "new");
  WriteTextFile(media_.target() / "a.txt", "old");
  PendingRenamesGuard pending;
  FileHolder holder({media_.target() / "a.txt"});
  ASSERT_TRUE(holder.holding());
  EXPECT_EQ(Run("Sec\0"), 1) << GetLastError();
  EXPECT_EQ(Phases(), (std::vector<int>{2, 3, 4, 5, 6, -1}));
  EXPECT_EQ(progressMessages_, 0) << "Wine's default callback sends none";
  if (RunsOnWine()) {
    EXPECT_EQ(g_rebootNeeded, 0);
    EXPECT_EQ(ReadTextFile(media_.target() / "a.txt"), "old");
  } else {
    EXPECT_EQ(g_rebootNeeded, 1);
  }
}

}  // namespace
