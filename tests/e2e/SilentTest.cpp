// Unattended runs of the real setup.exe: "/silent" shows no window and never waits, "/log:"
// keeps what happened, "/dir:" and key lists choose, a command line that cannot be taken
// installs nothing, and the removal from the installed program leaves nothing behind.
#include <gtest/gtest.h>

#include <string>

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
    SetupProcess remover(target, false);
    Watched removal = RunWatched(remover, UninstallValue(key, "UninstallString") + " /silent");
    EXPECT_EQ(removal.exitCode, 0) << key << ": no restart for the program that removes";
    EXPECT_FALSE(removal.windowSeen) << key;
    EXPECT_FALSE(UninstallEntryExists(key)) << key;
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

}  // namespace
