// Faults end to end: quiet runs of the real setup.exe against media and a machine that
// misbehave. After each fault the test checks what the user is shown, the exit code, and
// that a rerun or a removal leaves the machine as the script says, with nothing of the
// user's lost (another product's Uninstall entry stays as it was).
#include <gtest/gtest.h>

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <utility>
#include <vector>

#include "e2e/Media.h"
#include "e2e/WizardDriver.h"

namespace {

constexpr DWORD kRunTimeoutMs = 120000;
constexpr char kOtherProduct[] = "FLTOther";
constexpr char kFailureHead[] = "The installation did not complete successfully.";
constexpr char kRemoveFailureHead[] = "The deinstallation did not complete successfully.";

// What a quiet run came to: the message boxes it showed (each answered with OK) and its
// exit code. A run that waits on its page after a failure is cancelled as a user would.
struct RunResult {
  std::vector<std::string> messages;
  int exitCode = -1;
};

RunResult RunQuiet(SetupProcess &setup, const std::string &commandLine) {
  RunResult result;
  if (!setup.StartCommandLine(commandLine)) return result;
  WizardDriver wizard(setup.pid());
  DWORD start = GetTickCount();
  while (GetTickCount() - start < kRunTimeoutMs) {
    int code = setup.WaitForExit(200);
    if (code != -2) {
      result.exitCode = code;
      return result;
    }
    MessageBoxState box = wizard.WaitForMessageBox(200);
    if (!box.window) continue;
    result.messages.push_back(box.text);
    wizard.Answer(box, IDOK);
    // Back on its page, the run waits for the user: Cancel ends it.
    if (setup.WaitForExit(3000) == -2)
      WaitUntil([&] { return wizard.Press(WizardButton::Cancel); }, 5000);
  }
  result.exitCode = setup.WaitForExit(1000);
  return result;
}

std::string Quoted(const std::string &path) { return "\"" + path + "\""; }

int CountFiles(const std::string &folder) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return count;
}

// What a removal run from the target leaves: nothing. The running setup.exe hands the removal
// to a copy of itself, so that its own file and folder go at once.
void ExpectTargetGone(const std::string &target) {
  EXPECT_EQ(CountFiles(target), 0);
  EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES) << target;
  EXPECT_FALSE(DeletedAtRestart(target + "\\setup.exe"));
}

bool FolderExists(const std::string &folder) {
  DWORD attributes = GetFileAttributesA(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Deletes a service that a run left, whatever the test came to.
void RemoveService(const char *name) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE service = manager ? OpenServiceA(manager, name, SERVICE_ALL_ACCESS) : nullptr;
  if (service) DeleteService(service);
  if (service) CloseServiceHandle(service);
  if (manager) CloseServiceHandle(manager);
}

class FaultsTest : public testing::Test {
 protected:
  void SetUp() override {
    ClearPendingRenames();
    WriteUninstallValue(kOtherProduct, "DisplayName", "Another product");
    WriteUninstallValue(kOtherProduct, "UninstallString", "C:\\other\\setup.exe /remove:Other");
  }
  void TearDown() override {
    // Nothing of another product is touched by any run.
    EXPECT_EQ(UninstallValue(kOtherProduct, "DisplayName"), "Another product");
    EXPECT_EQ(UninstallValue(kOtherProduct, "UninstallString"),
              "C:\\other\\setup.exe /remove:Other");
    for (const char *key : {kOtherProduct, "FLTPlace", "FLTProg", "FLTMiss", "FLTRead",
                            "FLTService", "FLTBig", "FLTRow", "FLT\"Quote", "FLT Blank",
                            "FLTRoll"})
      DeleteUninstallEntry(key);
    RemoveService("FLTRollGood");
    ClearPendingRenames();
  }

  // The quiet run installs into target: the proposal takes an earlier installation's folder,
  // which the script's "FLTPlace" line (no install section, never offered) provides.
  void PlaceTarget(const Media &media) { WriteUninstallValue("FLTPlace", "UserTargetDir", media.target()); }

  // A quiet install from the media's setup.exe (copied there unless copy is false).
  RunResult InstallQuietly(const Media &media, const char *what, bool copy = true) {
    SetupProcess setup(media.dir(), copy);
    RunResult install = RunQuiet(setup, Quoted(setup.exe()) + " /quiet");
    PrintRun(what, install);
    return install;
  }

  // The removal through the command line the install recorded, made quiet.
  RunResult Remove(const Media &media, const std::string &key) {
    SetupProcess remover(media.target(), false);
    RunResult removal = RunQuiet(remover, UninstallValue(key, "UninstallString") + " /quiet");
    PrintRun("removal", removal);
    return removal;
  }

  // The removal of key succeeds without a word, and nothing of the product is left.
  void ExpectRemovedWhole(const Media &media, const std::string &key) {
    ExpectQuietSuccess(Remove(media, key), 0);
    ExpectTargetGone(media.target());
    EXPECT_FALSE(UninstallEntryExists(key));
  }

  static void PrintRun(const char *what, const RunResult &run) {
    printf("%s: exit %d, %u message(s)\n", what, run.exitCode,
           static_cast<unsigned>(run.messages.size()));
    for (const std::string &m : run.messages) printf("  message: %s\n", m.c_str());
  }

  // A silent install from the media's setup.exe into target, logged into log when one is
  // given; its exit code.
  static int InstallSilently(const Media &media, const std::string &target, const char *what,
                             const std::string &log = "") {
    SetupProcess setup(media.dir());
    RunResult run = RunQuiet(setup, Quoted(setup.exe()) + " /silent /dir:" + Quoted(target) +
                                        (log.empty() ? "" : " /log:" + Quoted(log)));
    PrintRun(what, run);
    return run.exitCode;
  }

  // A run that ended with exitCode and showed nothing.
  static void ExpectQuietSuccess(const RunResult &run, int exitCode) {
    EXPECT_EQ(run.exitCode, exitCode);
    EXPECT_TRUE(run.messages.empty());
  }
};

// The script of one product: "FLT" and section is its key, its files are listed in
// "<section>.Files", and it installs setup.exe and setup.inf beside them for its removal; the
// quiet run goes to the media's target. installLines go into its install section, sections
// after the rest.
std::string OneProductScript(const std::string &section, const std::string &name,
                             const std::string &files, const std::string &installLines = "",
                             const std::string &sections = "") {
  return ReplaceAll(ReplaceAll(R"([Version]
Signature="$Chicago$"
[Products]
FLTPlace = "Place"
FLT@S@ = "@NAME@", @S@.Install, @S@.Remove, 1, 0, "", 1.0
[Install]
[@S@.Install]
CopyFiles = @S@.Files, Setup.Files
)" + installLines + R"([@S@.Remove]
DelFiles = @S@.Files, Setup.Files
[DestinationDirs]
DefaultDestDir = 32768
@S@.Files = 32768
Setup.Files = 32768
[Setup.Files]
setup.exe
setup.inf
[@S@.Files]
)" + files + sections, "@S@", section), "@NAME@", name);
}

// Program runs that name programs that are not there: the runs are skipped silently and the
// install and its removal succeed.
const std::string kProgramScript = OneProductScript(
    "Prog", "Programs", "one.txt\r\n",
    "Exec = Prog.Before, Prog.After, \"@@MEDIA@\\not-there-either.exe\"\r\n",
    "[Prog.Before]\r\nMissing = 1, \"@MEDIA@\\nothing.exe\", \"/x\"\r\n"
    "[Prog.After]\r\nMissing = 2, \"@MEDIA@\\no folder\\nothing.exe\", \"/y\"\r\n");

TEST_F(FaultsTest, ProgramThatCannotBeStarted) {
  Media media(kProgramScript, {"one.txt"});
  PlaceTarget(media);
  ExpectQuietSuccess(InstallQuietly(media, "install"), 0);
  EXPECT_TRUE(FileExists(media.target() + "\\one.txt"));
  EXPECT_EQ(UninstallValue("FLTProg", "UninstallString"),
            media.target() + "\\setup.exe /remove:FLTProg");

  // The removal from the installed setup.exe needs no restart for the program itself.
  ExpectRemovedWhole(media, "FLTProg");
}

// A file of the copy list that the media lacks.
const std::string kMissingScript =
    OneProductScript("Miss", "Missing", "one.txt\r\ntwo.txt\r\nthree.txt\r\n");

TEST_F(FaultsTest, SourceFileMissingFromTheMedia) {
  Media media(kMissingScript, {"one.txt", "three.txt"});
  PlaceTarget(media);
  RunResult install = InstallQuietly(media, "install without two.txt");
  // The copy stops at the missing file with the reason, and the entry that the run wrote is
  // taken back: it names a setup.exe that never arrived.
  EXPECT_EQ(install.exitCode, 1603);
  ASSERT_EQ(install.messages.size(), 1u);
  EXPECT_EQ(install.messages[0].compare(0, strlen(kFailureHead), kFailureHead), 0);
  EXPECT_GT(install.messages[0].size(), strlen(kFailureHead)) << "the system's reason follows";
  EXPECT_FALSE(UninstallEntryExists("FLTMiss"));
  EXPECT_FALSE(FileExists(media.target() + "\\one.txt")) << "the install was taken back";

  // The media made whole, the same run again.
  WriteTextFile(media.dir() + "\\two.txt", "payload two.txt\r\n");
  ExpectQuietSuccess(InstallQuietly(media, "rerun", false), 0);
  for (const char *name : {"one.txt", "two.txt", "three.txt", "setup.exe"})
    EXPECT_TRUE(FileExists(media.target() + "\\" + name)) << name;

  ExpectRemovedWhole(media, "FLTMiss");
}

// A target file that an earlier version left read-only.
const std::string kReadOnlyScript = OneProductScript("Read", "Read-only", "one.txt\r\n");

TEST_F(FaultsTest, ReadOnlyTargetFile) {
  Media media(kReadOnlyScript, {"one.txt"});
  PlaceTarget(media);
  std::string file = media.target() + "\\one.txt";
  WriteTextFile(file, "old\r\n");
  ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
  ExpectQuietSuccess(InstallQuietly(media, "install over a read-only file"), 0);
  EXPECT_EQ(ReadTextFile(file), "payload one.txt\r\n") << "the new file replaced the old";
  printf("  one.txt attributes after the install 0x%lx\n", GetFileAttributesA(file.c_str()));

  // The file may still be read-only: the removal takes it all the same, at once.
  ExpectRemovedWhole(media, "FLTRead");
  EXPECT_FALSE(FileExists(file));
  EXPECT_FALSE(DeletedAtRestart(file));
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Many files, so that the copy is still running when the run is killed.
constexpr int kBigFileCount = 1500;

std::string BigScript() {
  std::string files;
  for (int i = 0; i < kBigFileCount; ++i) files += "f" + std::to_string(i) + ".txt\r\n";
  return OneProductScript("Big", "Big", files);
}

// Killed while it copies, an install leaves an entry whose removal takes everything it copied,
// and says once that the rest was never there; installed again, it completes.
TEST_F(FaultsTest, QuietInstallKilledDuringTheCopyThenRemovedThenRunAgain) {
  std::vector<std::string> payload;
  for (int i = 0; i < kBigFileCount; ++i) payload.push_back("f" + std::to_string(i) + ".txt");
  Media media(BigScript(), payload);
  PlaceTarget(media);
  bool killedWhileCopying = false;
  {
    SetupProcess setup(media.dir());
    ASSERT_TRUE(setup.Start("/quiet"));
    // Killed as soon as the copy has begun: the process ends with the object.
    WaitUntil([&] { return CountFiles(media.target()) >= 10 || !setup.Running(); }, 60000);
    killedWhileCopying = setup.Running();
  }
  int partial = CountFiles(media.target());
  printf("killed with %d of %d files copied; entry %s\n", partial, kBigFileCount + 3,
         UninstallEntryExists("FLTBig") ? "written" : "absent");
  EXPECT_TRUE(killedWhileCopying) << "the copy ended before the test could kill it";
  EXPECT_LT(partial, kBigFileCount + 3);
  EXPECT_TRUE(FileExists(media.target() + "\\setup.exe")) << "placed before anything else";

  SetupProcess remover(media.target(), false);
  std::string log = media.dir() + "\\removal.log";
  RunResult removal =
      RunQuiet(remover, UninstallValue("FLTBig", "UninstallString") + " /quiet /log:" + Quoted(log));
  ExpectQuietSuccess(removal, 0);
  ExpectTargetGone(media.target());
  EXPECT_FALSE(UninstallEntryExists("FLTBig"));
  std::string text = ReadTextFile(log);
  const std::string goneLine = "file(s) to delete were gone already";
  size_t gone = text.find(goneLine);
  EXPECT_NE(gone, std::string::npos) << text;
  EXPECT_EQ(text.find("gone already", gone + goneLine.size()), std::string::npos)
      << "said once:\n" << text;

  ExpectQuietSuccess(InstallQuietly(media, "rerun", false), 0);
  EXPECT_EQ(CountFiles(media.target()), kBigFileCount + 3) << "the files and the record";
  EXPECT_EQ(ReadTextFile(media.target() + "\\f0.txt"), "payload f0.txt\r\n");
  ExpectRemovedWhole(media, "FLTBig");
}

// A running service of the test's own that takes far longer to stop than the run waits.
class StubbornService {
 public:
  explicit StubbornService(const std::string &name) : name_(name) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) return;
    std::string command = Quoted(BinaryPath("tests/tools/testservice/testservice.exe")) + " " +
                          name + " /stopdelay:60000";
    SC_HANDLE service = CreateServiceA(manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                       SERVICE_ERROR_IGNORE, command.c_str(), nullptr, nullptr,
                                       nullptr, nullptr, nullptr);
    if (service) {
      running_ = StartServiceA(service, 0, nullptr) &&
                 WaitUntil([&] { return State(service) == SERVICE_RUNNING; }, 20000);
      CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
  }
  ~StubbornService() {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) return;
    SC_HANDLE service = OpenServiceA(manager, name_.c_str(), SERVICE_ALL_ACCESS);
    if (service) {
      // It would take a minute to stop: its process is ended instead.
      SERVICE_STATUS_PROCESS status = {};
      DWORD needed = 0;
      if (QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE *>(&status),
                               sizeof(status), &needed) && status.dwProcessId) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, status.dwProcessId);
        if (process) {
          TerminateProcess(process, 1);
          WaitForSingleObject(process, 5000);
          CloseHandle(process);
        }
      }
      DeleteService(service);
      CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
  }
  bool running() const { return running_; }
  DWORD State() const {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return 0;
    SC_HANDLE service = OpenServiceA(manager, name_.c_str(), SERVICE_QUERY_STATUS);
    DWORD state = service ? State(service) : 0;
    if (service) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return state;
  }

 private:
  static DWORD State(SC_HANDLE service) {
    SERVICE_STATUS status = {};
    return QueryServiceStatus(service, &status) ? status.dwCurrentState : 0;
  }
  std::string name_;
  bool running_ = false;
};

const std::string kServiceScript =
    OneProductScript("Service", "Service", "one.txt\r\n", "",
                     "[Service.Install.Services]\r\nStopService = @SERVICE@\r\n");

TEST_F(FaultsTest, ServiceThatWillNotStop) {
  std::string name = "FLTStubborn" + std::to_string(GetCurrentProcessId());
  StubbornService service(name);
  ASSERT_TRUE(service.running());
  Media media(ReplaceAll(kServiceScript, "@SERVICE@", name), {"one.txt"});
  PlaceTarget(media);
  DWORD started = GetTickCount();
  RunResult install = InstallQuietly(media, "install stopping a service that will not stop");
  printf("  took %lu ms; service state %lu; one.txt %s\n", GetTickCount() - started,
         service.State(), FileExists(media.target() + "\\one.txt") ? "copied" : "not copied");
  // The run waits its bounded time, goes on without the service stopped, and asks for the
  // restart that will finish the job.
  ExpectQuietSuccess(install, 3010);
  EXPECT_NE(service.State(), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_TRUE(FileExists(media.target() + "\\one.txt"));

  // The removal's section list stops no service: nothing waits for the restart.
  ExpectQuietSuccess(Remove(media, "FLTService"), 0);
  EXPECT_FALSE(FileExists(media.target() + "\\one.txt"));
  EXPECT_FALSE(UninstallEntryExists("FLTService"));
}

// The sections that the scripts of the quiet runs below share; "@PRODUCTS@" and "@DEST@" are
// each run's own.
const char kRowScript[] = R"([Version]
Signature="$Chicago$"
[Products]
@PRODUCTS@
[Install]
[Row.Install]
CopyFiles = Row.Files, Setup.Files
[Row.Remove]
DelFiles = Row.Files, Setup.Files
[Second.Install]
CopyFiles = Second.Files, Setup.Files
[Second.Remove]
DelFiles = Second.Files, Setup.Files
[DestinationDirs]
DefaultDestDir = @DEST@
Row.Files = 32768
Second.Files = 32768
Setup.Files = 32768
[Row.Files]
fltrow.txt
[Second.Files]
fltsecond.txt
[Setup.Files]
setup.exe
setup.inf
)";

std::string RowScript(const std::string &products, const std::string &dest) {
  return ReplaceAll(ReplaceAll(kRowScript, "@PRODUCTS@", products), "@DEST@", dest);
}

constexpr char kRowProduct[] = "FLTRow = \"Row\", Row.Install, Row.Remove, 1";
constexpr char kPlaced[] = "FLTPlace = \"Place\"\r\n";  // the quiet run goes to media.target()

enum class Before { Nothing, EntryWithoutTarget };

// One run of a small script, and what it must leave behind. Paths may hold "@TARGET@",
// "@SYSTEM@" (this build's view of the system folder) and "@PF@" (its Program Files).
struct RowRun {
  const char *name;
  std::string products;  // the lines of the Products section
  std::string dest;      // the "DefaultDestDir" value
  bool utf16;            // the script is saved as UTF-16
  std::vector<std::string> payload;
  Before before;
  std::vector<std::string> placed;  // files made before the run, which must stay
  const char *arguments;
  int exitCode;
  const char *box;  // how the only message box begins, or nullptr for none
  std::vector<std::string> present, absent;
  const char *entryKey;
  const char *displayName;  // the entry's "DisplayName" after the run, or nullptr: no entry
  const char *logged;       // what the run's log must say, or nullptr
};

std::string SystemFolder() {
  char folder[MAX_PATH] = {};
  GetSystemDirectoryA(folder, sizeof(folder));
  return folder;
}

const std::string kLong259(259, 'x');
const std::string kLong225(225, 'y');
const std::vector<std::string> kRowPayload = {"fltrow.txt"};
const std::vector<std::string> kSystemFile = {"@SYSTEM@\\fltrow.txt"};

const RowRun kRowRuns[] = {
    {"removal of another program's entry", std::string(kPlaced) + kRowProduct, "32768", false,
     kRowPayload, Before::Nothing, {}, "/quiet /remove:FLTOther", 1605, nullptr, {}, {},
     "FLTRow", nullptr, "FLTOther is not a product of this setup"},
    {"quiet removal of a product never installed", kRowProduct, "32768", false, kRowPayload,
     Before::Nothing, kSystemFile, "/quiet /remove:FLTRow", 1605, nullptr, {}, {}, "FLTRow",
     nullptr, "FLTRow is not installed"},
    {"removal of an entry without a target directory, in the wizard", kRowProduct, "32768",
     false, kRowPayload, Before::EntryWithoutTarget, kSystemFile, "/remove:FLTRow", 1605,
     "The software to be removed is not installed on this computer", {}, {}, "FLTRow", "Row",
     "FLTRow is not installed"},
    {"bare removal of a script without a setup-level entry", kRowProduct, "32768", false,
     kRowPayload, Before::Nothing, kSystemFile, "/quiet /remove", 1605, nullptr, {}, {},
     "FLTRow", nullptr, "nothing to remove"},
    {"sub-folder too long for any target", kRowProduct, "24, \"" + kLong259 + "\"", false,
     kRowPayload, Before::Nothing, {}, "/quiet", 1603, kFailureHead, {},
     {"@SYSTEM@\\fltrow.txt", "@PF@\\fltrow.txt"}, "FLTRow", nullptr, "no target directory"},
    {"target that leaves no room for the removal's command line", kRowProduct,
     "24, \"" + kLong225 + "\"", false, kRowPayload, Before::Nothing, {}, "/quiet", 1603,
     kFailureHead, {}, {"@PF@\\" + kLong225}, "FLTRow", nullptr,
     "Uninstall entry FLTRow cannot be written"},
    {"first source file missing from the media", std::string(kPlaced) + kRowProduct, "32768",
     false, {}, Before::Nothing, {}, "/quiet", 1603, kFailureHead, {}, {"@TARGET@\\setup.exe"},
     "FLTRow", nullptr, "fltrow.txt is missing"},
    {"key that the command line cannot carry",
     std::string(kPlaced) + "\"FLT\"\"Quote\" = \"Quote\", Row.Install, Row.Remove, 1", "32768",
     false, kRowPayload, Before::Nothing, {}, "/quiet", 1603, kFailureHead, {},
     {"@TARGET@\\fltrow.txt"}, "FLT\"Quote", nullptr,
     "Uninstall entry FLT\"Quote cannot be written"},
    {"second line with the same key",
     std::string(kPlaced) + "FLTRow = \"First\", Row.Install, Row.Remove, 0\r\n"
                            "fltrow = \"Second\", Second.Install, Second.Remove, 1",
     "32768", false, {"fltrow.txt", "fltsecond.txt"}, Before::Nothing, {}, "/quiet", 0, nullptr,
     {}, {"@TARGET@\\fltrow.txt", "@TARGET@\\fltsecond.txt"}, "FLTRow", nullptr, nullptr},
    {"script saved as UTF-16",
     std::string(kPlaced) + "FLTRow = \"Row \xE4\xB8\xAD\", Row.Install, Row.Remove, 1", "32768", true,
     kRowPayload, Before::Nothing, {}, "/quiet", 0, nullptr, {"@TARGET@\\fltrow.txt"}, {},
     "FLTRow", "Row ?", nullptr},
};

std::string RowPath(std::string path, const Media &media) {
  path = ReplaceAll(path, "@TARGET@", media.target());
  path = ReplaceAll(path, "@SYSTEM@", SystemFolder());
  return ReplaceAll(path, "@PF@", ProgramFilesDir());
}

// Each run ends at once with its exit code, shows exactly the box it should, touches no file
// outside its own, and leaves its entry as it should be.
TEST_F(FaultsTest, RunsOfSmallScripts) {
  for (const RowRun &row : kRowRuns) {
    SCOPED_TRACE(row.name);
    Media media(RowScript(row.products, row.dest), row.payload);
    if (row.utf16) ConvertToUtf16(media.dir() + "\\setup.inf");
    PlaceTarget(media);
    if (row.before == Before::EntryWithoutTarget)
      WriteUninstallValue(row.entryKey, "DisplayName", "Row");
    for (const std::string &path : row.placed) WriteTextFile(RowPath(path, media), "placed");

    SetupProcess setup(media.dir());
    std::string log = media.dir() + "\\run.log";
    RunResult run =
        RunQuiet(setup, Quoted(setup.exe()) + " " + row.arguments + " /log:" + Quoted(log));
    PrintRun(row.name, run);
    EXPECT_EQ(run.exitCode, row.exitCode);
    if (row.box) {
      EXPECT_EQ(run.messages.size(), 1u);
      if (!run.messages.empty())
        EXPECT_EQ(run.messages[0].compare(0, strlen(row.box), row.box), 0) << run.messages[0];
    } else {
      EXPECT_TRUE(run.messages.empty());
    }
    for (const std::string &path : row.placed) EXPECT_TRUE(FileExists(RowPath(path, media)));
    for (const std::string &path : row.present) EXPECT_TRUE(FileExists(RowPath(path, media)));
    for (const std::string &path : row.absent) EXPECT_FALSE(FileExists(RowPath(path, media)));
    if (row.displayName)
      EXPECT_EQ(UninstallValue(row.entryKey, "DisplayName"), row.displayName);
    else
      EXPECT_FALSE(UninstallEntryExists(row.entryKey));
    if (row.logged) EXPECT_NE(ReadTextFile(log).find(row.logged), std::string::npos) << row.logged;

    for (const std::vector<std::string> *paths : {&row.placed, &row.absent})
      for (const std::string &path : *paths) RemoveTree(RowPath(path, media));
    DeleteUninstallEntry(row.entryKey);
  }
}

// A key with a blank: the recorded command line carries it in quotes, and the removal through
// it takes the product away; a file that another program holds open waits for the restart,
// and so does the folder. Installed again before the restart, the product keeps that file and
// its folder, while every other operation of the schedule stays.
TEST_F(FaultsTest, KeyWithABlankRemovedAndInstalledAgainBeforeTheRestart) {
  std::string products = std::string(kPlaced) + "\"FLT Blank\" = \"Blank\", Row.Install, Row.Remove, 1";
  Media media(RowScript(products, "32768"), kRowPayload);
  PlaceTarget(media);
  const std::string target = media.target();
  const std::string held = target + "\\fltrow.txt";
  RunResult install = InstallQuietly(media, "install");
  ASSERT_EQ(install.exitCode, 0);
  EXPECT_EQ(UninstallValue("FLT Blank", "UninstallString"),
            target + "\\setup.exe /remove:\"FLT Blank\"");

  HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  RunResult removal = Remove(media, "FLT Blank");
  CloseHandle(holder);
  EXPECT_EQ(removal.exitCode, 3010);
  EXPECT_FALSE(UninstallEntryExists("FLT Blank"));
  EXPECT_FALSE(FileExists(target + "\\setup.exe"));
  EXPECT_TRUE(DeletedAtRestart(held));
  EXPECT_TRUE(DeletedAtRestart(target));

  // Another program's pending deletion and rename.
  ScratchDir elsewhere;
  std::string other = elsewhere / "other.tmp";
  WriteTextFile(other, "other");
  ASSERT_TRUE(MoveFileExA(other.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(MoveFileExA(other.c_str(), (elsewhere / "renamed.tmp").c_str(),
                          MOVEFILE_DELAY_UNTIL_REBOOT));
  std::vector<std::pair<std::string, std::string>> others;
  for (const auto &pair : PendingPairs())
    if (lstrcmpiA(pair.first.c_str(), held.c_str()) && lstrcmpiA(pair.first.c_str(), target.c_str()))
      others.push_back(pair);

  ExpectQuietSuccess(InstallQuietly(media, "install before the restart", false), 0);
  EXPECT_EQ(PendingPairs(), others) << "only the deletions of what the install put in place go";
  EXPECT_EQ(ReadTextFile(held), "payload fltrow.txt\r\n");
  EXPECT_TRUE(UninstallEntryExists("FLT Blank"));
}

// What an install may change on the machine, and its rollback must put back: every file below
// folder byte for byte, key's Uninstall entry with all its values, and the restart schedule.
std::string MachineState(const std::string &folder, const std::string &key) {
  std::string pending;
  for (const std::string &entry : PendingRenames()) pending += entry + "|";
  return FolderState(folder) + "\n" + UninstallEntryState(key) + "\n" + pending;
}

bool ServiceExists(const char *name) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE service = manager ? OpenServiceA(manager, name, SERVICE_QUERY_STATUS) : nullptr;
  if (service) CloseServiceHandle(service);
  if (manager) CloseServiceHandle(manager);
  return service != nullptr;
}

// A product whose install copies its files into a target three levels below a folder that
// is there, setup.exe and setup.inf last; "@MORE@" is its second file list, "@SERVICES@" the
// service sections of the Install section and of the product.
const char kRollScript[] = R"([Version]
Signature="$Chicago$"
[Products]
FLTRoll = "Roll", Roll.Install, Roll.Remove, 1, 0, "", @VERSION@
[Install]
[Roll.Install]
CopyFiles = Roll.Files, More.Files, Setup.Files
[Roll.Remove]
DelFiles = Roll.Files, More.Files, Setup.Files
[DestinationDirs]
DefaultDestDir = 32768
Roll.Files = 32768
More.Files = 32768, "Deep"
Setup.Files = 32768
[Roll.Files]
a.txt
@FILES@
[More.Files]
@MORE@
[Setup.Files]
setup.exe
setup.inf
@SERVICES@)";

std::string RollScript(const std::string &version, const std::string &files,
                       const std::string &more, const std::string &services = "") {
  return ReplaceAll(ReplaceAll(ReplaceAll(ReplaceAll(kRollScript, "@VERSION@", version),
                                          "@FILES@", files), "@MORE@", more),
                    "@SERVICES@", services);
}

// A service that the Install section adds, and one that the service manager refuses.
const char kServices[] =
    "[Install.Services]\r\nAddService = FLTRollGood,,Good.Settings\r\n"
    "[Good.Settings]\r\nServiceType = 16\r\nStartType = 3\r\nErrorControl = 1\r\n"
    "ServiceBinary = \"@BINARY@\"\r\n"
    "[Roll.Install.Services]\r\nAddService = FLTRollRefused,,Empty.Settings\r\n"
    "[Empty.Settings]\r\nDisplayName = Nothing to run\r\n";

// Fresh installs that fail, in the copy and in the service step, after changes of every kind:
// the machine is as it was, the log lists the rollback, and the wizard's box says so.
TEST_F(FaultsTest, FailedFreshInstallsLeaveTheMachineAsItWas) {
  std::string services = ReplaceAll(kServices, "@BINARY@",
                                    BinaryPath("tests/tools/testservice/testservice.exe"));
  const struct {
    const char *name;
    std::string script;
    std::vector<std::string> payload;
    const char *mode;
  } runs[] = {
      {"a file missing from the media", RollScript("1.0", "b.txt", "c.txt"), {"a.txt", "b.txt"},
       "/silent"},
      {"a service refused", RollScript("1.0", "b.txt", "c.txt", services),
       {"a.txt", "b.txt", "c.txt"}, "/quiet"},
  };
  for (const auto &run : runs) {
    SCOPED_TRACE(run.name);
    Media media(run.script, run.payload);
    std::string target = media.target() + "\\New\\Two\\Three";
    std::string before = MachineState(media.target(), "FLTRoll");
    std::string log = media.dir() + "\\run.log";
    SetupProcess setup(media.dir());
    RunResult install = RunQuiet(setup, Quoted(setup.exe()) + " " + run.mode + " /dir:" +
                                            Quoted(target) + " /log:" + Quoted(log));
    PrintRun(run.name, install);
    EXPECT_EQ(install.exitCode, 1603);
    EXPECT_EQ(MachineState(media.target(), "FLTRoll"), before);
    EXPECT_FALSE(ServiceExists("FLTRollGood"));
    EXPECT_NE(ReadTextFile(log).find("rollback: removed the folder " + media.target() + "\\New"),
              std::string::npos);
    if (!strcmp(run.mode, "/quiet")) {
      ASSERT_EQ(install.messages.size(), 1u);
      EXPECT_NE(install.messages[0].find("Setup has taken back the changes it made."),
                std::string::npos);
    }
  }
}

// A failed upgrade puts the installed version back byte for byte, its entry as it was; one that
// succeeds removes what only the old version placed, but not a file that was there before the
// first install; its removal then leaves nothing else.
TEST_F(FaultsTest, UpgradesFailedAndSucceededThenRemoved) {
  Media v1(RollScript("1.0", "old.txt", "c.txt"), {"a.txt", "old.txt", "c.txt"});
  Media failing(RollScript("2.0", "new.txt", "c.txt\r\nmissing.txt"),
                {"a.txt", "new.txt", "c.txt"});
  Media v2(RollScript("2.0", "new.txt", "c.txt"), {"a.txt", "new.txt", "c.txt"});
  WriteTextFile(failing.dir() + "\\a.txt", "version 2\r\n");
  const std::string target = v1.target() + "\\Roll";
  // old.txt was there before the first install: the machine's own, it outlives the product.
  ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
  WriteTextFile(target + "\\old.txt", "the machine's own\r\n");
  ASSERT_EQ(InstallSilently(v1, target, "1.0"), 0);
  std::string installed = MachineState(target, "FLTRoll");
  ASSERT_NE(installed.find("old.txt"), std::string::npos);

  EXPECT_EQ(InstallSilently(failing, target, "2.0 without a file"), 1603);
  EXPECT_EQ(MachineState(target, "FLTRoll"), installed);

  // A run killed after it moved files aside and before it placed the new ones: its record
  // names the copies. The next install puts them back first; a removal puts back the copy of a
  // file that was there before the product, and deletes the product's own.
  const std::string record = target + "\\FLTRoll.install-record.txt", kept = ReadTextFile(record);
  const std::string a = target + "\\a.txt", old = target + "\\old.txt";
  const std::string firstA = ReadTextFile(a), firstOld = ReadTextFile(old);
  auto killAfterMovingAside = [&] {
    WriteTextFile(record, kept);
    for (const std::string &file : {a, old}) {
      ASSERT_TRUE(MoveFileA(file.c_str(), (file + ".setup-backup").c_str()));
      WriteTextFile(record, ReadTextFile(record) + "backup " + file + ".setup-backup\r\n");
    }
  };
  killAfterMovingAside();
  EXPECT_EQ(InstallSilently(failing, target, "2.0 without a file, after a killed run"), 1603);
  EXPECT_EQ(ReadTextFile(a), firstA);
  EXPECT_EQ(ReadTextFile(old), firstOld);
  killAfterMovingAside();
  {  // from media whose remove section does not name old.txt
    SetupProcess remover(failing.dir());
    EXPECT_EQ(RunQuiet(remover, Quoted(remover.exe()) + " /remove:FLTRoll /silent").exitCode, 0);
  }
  EXPECT_EQ(FolderState(target), "old.txt: " + firstOld + "\n");
  ASSERT_EQ(InstallSilently(v1, target, "1.0 again"), 0);

  EXPECT_EQ(InstallSilently(v2, target, "2.0"), 0);
  EXPECT_TRUE(FileExists(target + "\\new.txt"));
  EXPECT_EQ(UninstallValue("FLTRoll", "DisplayVersion"), "2.0");

  ExpectQuietSuccess(Remove(v2, "FLTRoll"), 0);
  EXPECT_EQ(FolderState(v1.target()), "Roll\\\nold.txt: payload old.txt\r\n\n")
      << "nothing left but the file that was there before";
  EXPECT_FALSE(UninstallEntryExists("FLTRoll"));
}

// A failed upgrade of a file that another program holds open: the old file cannot be put back
// at once, so it goes back at the restart, and the run ends with 3010 instead of 1603.
TEST_F(FaultsTest, FailedUpgradeOfAFileInUseIsPutBackAtTheRestart) {
  Media v1(RollScript("1.0", "old.txt", "c.txt"), {"a.txt", "old.txt", "c.txt"});
  Media failing(RollScript("2.0", "new.txt", "c.txt\r\nmissing.txt"),
                {"a.txt", "new.txt", "c.txt"});
  WriteTextFile(failing.dir() + "\\a.txt", "version 2\r\n");
  const std::string target = v1.target() + "\\Roll", a = target + "\\a.txt";
  EXPECT_EQ(InstallSilently(v1, target, "1.0"), 0);
  HANDLE held = CreateFileA(a.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  EXPECT_EQ(InstallSilently(failing, target, "2.0 without a file, a.txt held open",
                            failing.dir() + "\\run.log"),
            3010);
  if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
  EXPECT_EQ(UninstallValue("FLTRoll", "DisplayVersion"), "1.0");
  EXPECT_TRUE(RenamedAtRestart(a + ".setup-backup", a)) << "the restart puts a.txt back";
  // The log's last line does not call the failure a success.
  EXPECT_NE(ReadTextFile(failing.dir() + "\\run.log")
                .find("exit code 3010: the run failed and was taken back"),
            std::string::npos);
}

// A reinstall into another folder moves the product: the first folder's files go, the entry
// names the second, and the removal then leaves nothing in either.
TEST_F(FaultsTest, ReinstallIntoAnotherFolderMovesTheProduct) {
  Media media(RollScript("1.0", "b.txt", "c.txt"), {"a.txt", "b.txt", "c.txt"});
  const std::string first = media.target() + "\\ReA\\Roll", second = media.target() + "\\ReB";
  for (const std::string &target : {first, second}) {
    EXPECT_EQ(InstallSilently(media, target, target.c_str()), 0);
    EXPECT_TRUE(FileExists(target + "\\Deep\\c.txt"));
  }
  EXPECT_FALSE(FolderExists(media.target() + "\\ReA")) << "the folders the first install made";
  EXPECT_EQ(UninstallValue("FLTRoll", "UserTargetDir"), second);
  ExpectQuietSuccess(Remove(media, "FLTRoll"), 0);
  EXPECT_EQ(FolderState(media.target()), "");
}

// A disk that fills up during the copy: the rollback frees it again, and the exit code says
// why. The small drive R: is a size-limited file system that scripts/small-drive.sh mounts.
TEST_F(FaultsTest, FullDiskIsTakenBackAndEndsWith112) {
  if (GetDriveTypeA("R:\\") == DRIVE_NO_ROOT_DIR)
    GTEST_SKIP() << "no small drive R: (scripts/small-drive.sh mounts one when run as root)";
  std::vector<std::string> payload = {"a.txt", "b.txt", "c.txt"};
  Media media(RollScript("1.0", "b.txt", "c.txt"), payload);
  for (const std::string &name : payload)
    WriteTextFile(media.dir() + "\\" + name, std::string(1024 * 1024, 'x'));
  ULARGE_INTEGER freeBefore = {}, freeAfter = {};
  GetDiskFreeSpaceExA("R:\\", &freeBefore, nullptr, nullptr);
  std::string before = MachineState("R:", "FLTRoll");
  SetupProcess setup(media.dir());
  RunResult install = RunQuiet(setup, Quoted(setup.exe()) + " /silent /dir:R:\\Apps\\Roll");
  PrintRun("install onto a small drive", install);
  GetDiskFreeSpaceExA("R:\\", &freeAfter, nullptr, nullptr);
  EXPECT_EQ(install.exitCode, 112);
  EXPECT_EQ(MachineState("R:", "FLTRoll"), before);
  EXPECT_EQ(freeAfter.QuadPart, freeBefore.QuadPart);
}

}  // namespace
