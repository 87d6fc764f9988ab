// Unattended runs of the real setup.exe: "/silent" shows no window and never waits, "/log:"
// keeps what happened in one file, "/dir:" and key lists choose, a command line that cannot be
// taken installs nothing, a newer installed version is never replaced unasked, and the removal
// from the installed program leaves nothing behind.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e/Media.h"
#include "e2e/WizardDriver.h"

namespace {

constexpr DWORD kRunLimitMs = 60000;
constexpr DWORD kWatchMs = 20;

// Two products and the setup's own copy; @SERVICES@ is put in as the tool's service section.
const char kScript[] = R"([Version]
Signature="$Chicago$"
[Products]
SLNTool = "Silent Tool", Tool.Install, Tool.Remove, 1, 0, "", 1.0
SLNExtra = "Silent Extra", Extra.Install, Extra.Remove, 0, 0, "", 1.0
[Install]
[Tool.Install]
CopyFiles = Tool.Files, Setup.Files
[Tool.Remove]
DelFiles = Tool.Files, Setup.Files
[Extra.Install]
CopyFiles = Extra.Files, Setup.Files
[Extra.Remove]
DelFiles = Extra.Files
[DestinationDirs]
DefaultDestDir = 32768
Tool.Files = 32768
Extra.Files = 32768
Setup.Files = 32768
[Tool.Files]
one.txt
[Extra.Files]
two.txt
[Setup.Files]
setup.exe
setup.inf
@SERVICES@)";

// The service manager refuses a service without a type or a program.
const char kRefusedService[] =
    "[Tool.Install.Services]\r\nAddService = SLNRefused,,Empty.Settings\r\n"
    "[Empty.Settings]\r\nDisplayName = Nothing to run\r\n";

std::string Quoted(const std::string &text) { return "\"" + text + "\""; }

// The script with the tool at another version.
std::string ScriptWithToolVersion(const std::string &version) {
  return ReplaceAll(ReplaceAll(kScript, "@SERVICES@", ""), "1, 0, \"\", 1.0",
                    "1, 0, \"\", " + version);
}

constexpr size_t kTimeStampLength = sizeof("2026-12-07 20:54:03.912 ") - 1;

// The text of a log's last line, after its time stamp.
std::string LastEvent(const std::string &log) {
  size_t end = log.find_last_not_of("\r\n") + 1;
  size_t start = log.rfind('\n', end - 1) + 1 + kTimeStampLength;  // no line end: npos + 1 is 0
  return start < end ? log.substr(start, end - start) : "";
}

struct Watched {
  int exitCode = -1;
  bool windowSeen = false;
};

// Runs a command line to its end, looking all the while for any window of the run.
Watched RunWatched(SetupProcess &setup, const std::string &commandLine) {
  Watched run;
  if (!setup.StartCommandLine(commandLine)) return run;
  for (DWORD waited = 0; waited < kRunLimitMs; waited += kWatchMs) {
    run.windowSeen = run.windowSeen || ShowsAnyWindow(setup.pid());
    run.exitCode = setup.WaitForExit(kWatchMs);
    if (run.exitCode != -2) break;
  }
  return run;
}

class SilentRunsTest : public testing::Test {
 protected:
  void TearDown() override {
    for (const char *key : {"SLNTool", "SLNExtra"}) DeleteUninstallEntry(key);
  }
  Watched Install(const Media &media, const std::string &options) {
    SetupProcess setup(media.dir());
    return RunWatched(setup, Quoted(setup.exe()) + " /silent " + options);
  }
};

TEST_F(SilentRunsTest, FailingStepEndsWithoutAnyWindowAndTheLogSaysWhy) {
  Media media(ReplaceAll(kScript, "@SERVICES@", kRefusedService), {"one.txt", "two.txt"});
  const std::string log = media.target() + "\\run log.txt";
  Watched run = Install(media, "/dir:" + Quoted(media.target()) + " /log:" + Quoted(log));
  EXPECT_EQ(run.exitCode, 1603);
  EXPECT_FALSE(run.windowSeen) << "a silent run never shows a window";
  const std::string text = ReadTextFile(log);
  EXPECT_NE(text.find("service SLNRefused: added or reconfigured failed: "), std::string::npos)
      << text;
  EXPECT_NE(text.find("exit code 1603"), std::string::npos) << text;
}

TEST_F(SilentRunsTest, KeyListIntoAFolderWithBlanksThenTheRecordedRemovalLeavesNothing) {
  Media media(ReplaceAll(kScript, "@SERVICES@", ""), {"one.txt", "two.txt"});
  const std::string target = media.target() + "\\With Blanks";
  Watched install = Install(media, "/install:SLNTool,SLNExtra /dir:" + Quoted(target));
  EXPECT_EQ(install.exitCode, 0);
  EXPECT_FALSE(install.windowSeen);
  for (const char *file : {"one.txt", "two.txt", "setup.exe", "setup.inf"})
    EXPECT_TRUE(FileExists(target + "\\" + file)) << file;
  EXPECT_EQ(UninstallValue("SLNTool", "UserTargetDir"), target);

  for (const char *key : {"SLNExtra", "SLNTool"}) {
    const std::vector<std::string> before = FoundInTemp("stp*");
    SetupProcess remover(target, false);
    Watched removal = RunWatched(remover, UninstallValue(key, "UninstallString") + " /silent");
    EXPECT_EQ(removal.exitCode, 0) << key << ": no restart for the program that removes";
    EXPECT_FALSE(removal.windowSeen) << key;
    EXPECT_FALSE(UninstallEntryExists(key)) << key;
    // The folder of the removal's copy goes, but for the installed program when it waited in it.
    for (const std::string &folder : FoundInTemp("stp*"))
      if (std::find(before.begin(), before.end(), folder) == before.end())
        EXPECT_NE(RemoveDirectoryA(folder.c_str()), TRUE)
            << key << ": " << folder << " was left empty";
  }
  EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES)
      << "the installed setup.exe and its folder go at once";
}

TEST_F(SilentRunsTest, LogThatCannotBeWrittenLeavesTheOutcomeAsItIs) {
  Media media(ReplaceAll(kScript, "@SERVICES@", ""), {"one.txt"});
  Watched run = Install(media, "/dir:" + Quoted(media.target()) + " /log:" +
                                   Quoted(media.target() + "\\no such folder\\run.log"));
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(FileExists(media.target() + "\\one.txt"));
}

TEST_F(SilentRunsTest, CommandLinesThatCannotBeTakenInstallNothing) {
  const std::string tooLong = "C:\\" + std::string(MAX_PATH, 'd');
  const struct {
    const char *what;
    std::string options;
  } cases[] = {
      {"relative /dir:", "/dir:relative\\folder"},
      {"/dir: too long", "/dir:" + tooLong},
      {"/dir: a file", "/dir:@MEDIA@\\setup.inf"},
      {"/dir: no drive", "/dir:Q:\\Apps"},
      {"/dir: a wildcard", "/dir:@MEDIA@\\App?"},  // a name the code page cannot hold reads so
      {"unknown key", "/install:SLNTool,SLNMissing /dir:@TARGET@"},
  };
  for (const auto &c : cases) {
    Media media(ReplaceAll(kScript, "@SERVICES@", ""), {"one.txt"});
    std::string options = ReplaceAll(c.options, "@TARGET@", Quoted(media.target()));
    Watched run = Install(media, ReplaceAll(options, "@MEDIA@", media.dir()));
    EXPECT_EQ(run.exitCode, 1639) << c.what;
    EXPECT_FALSE(FileExists(media.target() + "\\one.txt")) << c.what;
    EXPECT_FALSE(UninstallEntryExists("SLNTool")) << c.what;
  }
  // Without "/dir:" the proposal meets the same rule: an earlier installation's folder that is
  // a file now ends the run before anything is done.
  Media media(ReplaceAll(kScript, "@SERVICES@", ""), {"one.txt"});
  WriteUninstallValue("SLNExtra", "UserTargetDir", media.dir() + "\\setup.inf");
  EXPECT_EQ(Install(media, "").exitCode, 1603);
  EXPECT_FALSE(UninstallEntryExists("SLNTool"));
}

// An unattended install leaves a newer installed version alone, whether its flag chose the
// product or the command line named it, says so, and ends with 1638 having changed nothing
// when no other product is left; "/downgrade" replaces it.
TEST_F(SilentRunsTest, NewerInstalledVersionIsReplacedOnlyWhenAllowed) {
  Media newer(ScriptWithToolVersion("2.0"), {"one.txt"});
  const std::string target = newer.target();
  ASSERT_EQ(Install(newer, "/install:SLNTool /dir:" + Quoted(target)).exitCode, 0);
  WriteTextFile(target + "\\one.txt", "the newer one");

  Media older(ScriptWithToolVersion("1.0"), {"one.txt", "two.txt"});
  const std::string log = older.target() + "\\run.log";
  for (const char *options : {"/silent", "/silent /install:SLNTool", "/quiet"}) {
    DeleteFileA(log.c_str());
    SetupProcess setup(older.dir());
    Watched run = RunWatched(setup, Quoted(setup.exe()) + " " + options + " /dir:" +
                                        Quoted(target) + " /log:" + Quoted(log));
    EXPECT_EQ(run.exitCode, 1638) << options;
    EXPECT_FALSE(run.windowSeen) << options;
    const std::string text = ReadTextFile(log);
    EXPECT_NE(text.find("product SLNTool: version 2.0 is installed, newer than the setup "
                        "script's 1.0: not installed"), std::string::npos) << options << text;
    EXPECT_EQ(LastEvent(text),
              "exit code 1638: a newer version of the product is already installed") << options;
    EXPECT_EQ(UninstallValue("SLNTool", "ProductVersion"), "2.0") << options;
    EXPECT_EQ(ReadTextFile(target + "\\one.txt"), "the newer one") << options;
  }
  // Named before another product, the tool is left out and the other one goes in as usual.
  ASSERT_EQ(Install(older, "/install:SLNTool,SLNExtra /dir:" + Quoted(target)).exitCode, 0);
  EXPECT_TRUE(FileExists(target + "\\two.txt"));
  EXPECT_EQ(UninstallValue("SLNTool", "ProductVersion"), "2.0");
  EXPECT_EQ(ReadTextFile(target + "\\one.txt"), "the newer one");

  EXPECT_EQ(Install(older, "/downgrade /dir:" + Quoted(target)).exitCode, 0);
  EXPECT_EQ(UninstallValue("SLNTool", "ProductVersion"), "1.0");
  EXPECT_EQ(UninstallValue("SLNTool", "VersionMajor"), "dword:1");
  EXPECT_EQ(ReadTextFile(target + "\\one.txt"), "payload one.txt\r\n");
}

// The log of a run: "/log" alone writes a new file of the temporary folder, named after the
// program and the time. A relative "/log:" names a file of the caller's folder, and the
// removal's copy of the program, which runs in a folder of its own, writes into that same
// file: one whole log, whose last line is the exit code of the run that the caller started.
TEST_F(SilentRunsTest, EachRunWritesOneWholeLog) {
  const std::vector<std::string> before = LogsInTemp("setup");
  Media media(ReplaceAll(kScript, "@SERVICES@", ""), {"one.txt"});
  const std::string target = media.target() + "\\Tool";
  ASSERT_EQ(Install(media, "/log /install:SLNTool /dir:" + Quoted(target)).exitCode, 0);
  std::string installLog;
  for (const std::string &path : LogsInTemp("setup"))
    if (std::find(before.begin(), before.end(), path) == before.end()) installLog = path;
  EXPECT_EQ(LastEvent(ReadTextFile(installLog)), "exit code 0: the run succeeded") << installLog;
  DeleteFileA(installLog.c_str());

  ScratchDir caller;
  EXPECT_EQ(RunAndWait(UninstallValue("SLNTool", "UninstallString") + " /silent /log:remove.log",
                       kRunLimitMs, caller.path().c_str()),
            0);
  const std::string text = ReadTextFile(caller / "remove.log");
  const char handOverLine[] = "the removal goes on in a copy of the program: \"";
  const size_t handOver = text.find(handOverLine);
  ASSERT_NE(handOver, std::string::npos) << text;
  const size_t copyStarted = text.find("started with the command line", handOver);
  EXPECT_NE(copyStarted, std::string::npos) << "the copy's lines are in the caller's log\n" << text;
  EXPECT_NE(text.find(target + "\\one.txt", copyStarted), std::string::npos) << text;
  EXPECT_EQ(LastEvent(text), "exit code 0: the run succeeded") << text;
  const size_t folder = handOver + strlen(handOverLine);
  const std::string copyFolder = text.substr(folder, text.find("\\setup.exe\"", folder) - folder);
  EXPECT_FALSE(FileExists(copyFolder + "\\remove.log")) << "the copy keeps no log of its own";
  EXPECT_FALSE(FileExists(target + "\\one.txt"));
}

}  // namespace
