// The file-queue callback in real commits: cabinets copied whole, deletions that stay until
// the restart, and the folders they leave behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Globals.h"
#include "common/Log.h"
#include "engine/FileQueueCallback.h"
#include "engine/QueueTestSupport.h"

namespace {

// What FileQueueCallback answered to each copy start, seen from a callback around it.
struct Observed {
  QueueCallbackContext context;
  std::vector<std::string> copyTargets;
  std::vector<UINT> copyAnswers;
};

UINT CALLBACK ObservingCallback(PVOID pointer, UINT notification, UINT_PTR param1, UINT_PTR param2) {
  Observed *observed = static_cast<Observed *>(pointer);
  UINT answer = FileQueueCallback(&observed->context, notification, param1, param2);
  if (notification == SPFILENOTIFY_STARTCOPY) {
    const FILEPATHS_A *paths = reinterpret_cast<const FILEPATHS_A *>(param1);
    std::string target = paths->Target;
    observed->copyTargets.push_back(target.substr(target.rfind('\\') + 1));
    observed->copyAnswers.push_back(answer);
  }
  return answer;
}

class FileQueueCallbackTest : public testing::Test {
 protected:
  void SetUp() override { g_rebootNeeded = 0; }
  void TearDown() override { g_rebootNeeded = 0; }

  // Queues the sections' files and commits them as the runner does, through an observer.
  BOOL Commit(const char *section) {
    observed_ = Observed();
    return CommitSection(media_.inf(), section, &observed_.context, ObservingCallback, &observed_,
                         &error_);
  }

  std::string Target(const std::string &relative) const { return media_.target() / relative; }

  ScriptMedia media_;
  PendingRenamesGuard pending_;
  Observed observed_;
  DWORD error_ = 0;
};

constexpr char kCabinetScript[] =
    "[DestinationDirs]\r\nDefaultDestDir=32768\r\n"
    "[SameName]\r\nCopyFiles=SameName.Files\r\n[SameName.Files]\r\nDATA.CAB,data.cab\r\n"
    "[OtherName]\r\nCopyFiles=OtherName.Files\r\n[OtherName.Files]\r\nother.cab,data.cab\r\n"
    "[SourceOnly]\r\nCopyFiles=SourceOnly.Files\r\n[SourceOnly.Files]\r\ndata.bin,data.cab\r\n"
    "[Missing]\r\nCopyFiles=Missing.Files\r\n[Missing.Files]\r\ngone.cab\r\n";

constexpr char kNewFolderScript[] =
    "[DestinationDirs]\r\nDefaultDestDir=32768\r\nNested.Files=32768,\"new\\deeper\"\r\n"
    "[Nested]\r\nCopyFiles=Nested.Files\r\n[Nested.Files]\r\nDATA.CAB,data.cab\r\n";

TEST_F(FileQueueCallbackTest, CabinetThatIsTheFirstFileOfItsFolderCreatesTheFolder) {
  ASSERT_TRUE(media_.Open(kNewFolderScript));
  media_.WriteSource("data.cab", "cabinet");
  ASSERT_TRUE(Commit("Nested")) << error_;
  EXPECT_EQ(ReadTextFile(Target("new\\deeper\\DATA.CAB")), "cabinet");
}

TEST_F(FileQueueCallbackTest, CabinetOfTheSameNameIsCopiedOverAReadOnlyTarget) {
  ASSERT_TRUE(media_.Open(kCabinetScript));
  media_.WriteSource("data.cab", "new cabinet");
  WriteTextFile(Target("DATA.CAB"), "old");
  SetFileAttributesA(Target("DATA.CAB").c_str(),
                     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);

  ASSERT_TRUE(Commit("SameName")) << error_;
  ASSERT_EQ(observed_.copyAnswers.size(), 1u);
  EXPECT_EQ(observed_.copyAnswers[0], static_cast<UINT>(FILEOP_SKIP))
      << "the queue is told to skip what the callback copied";
  EXPECT_EQ(ReadTextFile(Target("DATA.CAB")), "new cabinet");
  // Wine reports every plain file with the archive bit; nothing else may be left.
  DWORD attributes = GetFileAttributesA(Target("DATA.CAB").c_str());
  EXPECT_TRUE(attributes == FILE_ATTRIBUTE_NORMAL || attributes == FILE_ATTRIBUTE_ARCHIVE)
      << attributes;
}

TEST_F(FileQueueCallbackTest, OtherCabinetCopiesAreLeftToTheQueue) {
  ASSERT_TRUE(media_.Open(kCabinetScript));
  media_.WriteSource("data.cab", "cabinet");

  ASSERT_TRUE(Commit("OtherName")) << error_;
  ASSERT_EQ(observed_.copyAnswers.size(), 1u);
  EXPECT_EQ(observed_.copyAnswers[0], static_cast<UINT>(FILEOP_DOIT)) << "the default callback's";
  EXPECT_EQ(ReadTextFile(Target("other.cab")), "cabinet") << "copied by the queue";

  ASSERT_TRUE(Commit("SourceOnly")) << error_;
  ASSERT_EQ(observed_.copyAnswers.size(), 1u);
  EXPECT_EQ(observed_.copyAnswers[0], static_cast<UINT>(FILEOP_DOIT));
  EXPECT_EQ(ReadTextFile(Target("data.bin")), "cabinet");
}

TEST_F(FileQueueCallbackTest, SourceThatIsMissingOrCannotBeCopiedAbortsTheCommit) {
  ASSERT_TRUE(media_.Open(kCabinetScript));
  // A source that the media lacks ends the commit before any copy starts: nobody can bring it.
  EXPECT_FALSE(Commit("Missing"));
  EXPECT_TRUE(observed_.copyAnswers.empty());
  EXPECT_EQ(error_, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  // A cabinet that is there but cannot be copied ends it with the copy's own reason.
  media_.WriteSource("gone.cab", "cabinet");
  ASSERT_TRUE(CreateDirectoryA(Target("gone.cab").c_str(), nullptr));
  EXPECT_FALSE(Commit("Missing"));
  ASSERT_EQ(observed_.copyAnswers.size(), 1u);
  EXPECT_EQ(observed_.copyAnswers[0], static_cast<UINT>(FILEOP_ABORT));
  EXPECT_NE(error_, 0u);
  EXPECT_EQ(observed_.context.abortError, error_);
}

// A newer file on the machine: a silent run keeps it without asking, another run takes the
// default callback's answer; the log says which, in every run.
TEST_F(FileQueueCallbackTest, AnswerAboutANewerFileIsLogged) {
  std::string log = Target("run.log"), target = Target("newer.dll");
  FILEPATHS_A paths = {};
  paths.Target = target.c_str();
  paths.Source = "D:\\newer.dll";
  observed_.context.defaultContext = SetupInitDefaultQueueCallbackEx(
      nullptr, reinterpret_cast<HWND>(INVALID_HANDLE_VALUE), 0, 0, nullptr);
  for (int silent : {1, 0}) {
    DeleteFileA(log.c_str());
    ASSERT_TRUE(OpenLog(log.c_str()));
    g_silent = silent;
    UINT answer = FileQueueCallback(&observed_.context, SPFILENOTIFY_TARGETNEWER,
                                    reinterpret_cast<UINT_PTR>(&paths), 0);
    g_silent = 0;
    CloseLog();
    if (silent) EXPECT_EQ(answer, static_cast<UINT>(FALSE));
    std::string expected = answer ? "replacing " + target + " although" : "kept " + target + ":";
    std::string text = ReadTextFile(log);
    EXPECT_NE(text.find(expected), std::string::npos) << "silent " << silent << ": " << text;
  }
  SetupTermDefaultQueueCallback(observed_.context.defaultContext);
}

// A copy into a folder that an earlier removal left scheduled for deletion at the restart,
// together with the file itself: both deletions are cancelled, and every other operation of
// the schedule, this program's or another's, stays as it was.
TEST_F(FileQueueCallbackTest, CopiedFilesCancelTheirPendingDeletionsOnly) {
  ASSERT_TRUE(media_.Open("[DestinationDirs]\r\nCopy.Files=32768,app\r\n"
                          "[Copy]\r\nCopyFiles=Copy.Files\r\n[Copy.Files]\r\nsetup.exe\r\n"));
  media_.WriteSource("setup.exe", "new");
  WininitGuard wininit;
  std::string folder = Target("app");
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string file = folder + "\\setup.exe";
  std::string other = Target("other.txt");
  for (const std::string &path : {file, other}) WriteTextFile(path, "old");
  // Pairs of source and target: the file, another file, the folder, a rename.
  std::vector<std::string> scheduled;
  if (EmulatesWin9x()) {
    char shortFile[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameA(file.c_str(), shortFile, sizeof(shortFile)), 0u);
    WriteWininit(std::string("[Rename]\r\nNUL=") + shortFile + "\r\nNUL=C:\\OTHER.TXT\r\n" +
                 "C:\\X.DLL=C:\\X.NEW\r\n");
  } else {
    ASSERT_TRUE(MoveFileExA(file.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_TRUE(MoveFileExA(other.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_TRUE(MoveFileExA(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_TRUE(
        MoveFileExA(other.c_str(), Target("moved.txt").c_str(), MOVEFILE_DELAY_UNTIL_REBOOT));
    scheduled = PendingRenames();
    ASSERT_EQ(scheduled.size(), 8u);
  }

  ASSERT_TRUE(Commit("Copy")) << error_;
  EXPECT_EQ(ReadTextFile(file), "new");
  if (EmulatesWin9x())
    EXPECT_EQ(WininitRenameLines(),
              (std::vector<std::string>{"NUL=C:\\OTHER.TXT", "C:\\X.DLL=C:\\X.NEW"}));
  else
    EXPECT_EQ(PendingRenames(), (std::vector<std::string>{scheduled[2], scheduled[3], scheduled[6],
                                                          scheduled[7]}));
}

constexpr char kDeletionScript[] =
    "[DestinationDirs]\r\nDefaultDestDir=32768\r\n"
    "One.Del=32768,one\r\nTwo.Del=32768,two\r\nOuter.Del=32768,outer\r\nKeep.Del=32768,keep\r\n"
    "[One]\r\nDelFiles=One.Del\r\n[One.Del]\r\na.txt\r\n"
    "[Two]\r\nDelFiles=Two.Del\r\n[Two.Del]\r\na.txt\r\nb.txt\r\n"
    "[Outer]\r\nDelFiles=Outer.Del\r\n[Outer.Del]\r\na.txt\r\n"
    "[Keep]\r\nDelFiles=Keep.Del\r\n[Keep.Del]\r\na.txt\r\n";

class DeletionTest : public FileQueueCallbackTest {
 protected:
  void SetUp() override {
    FileQueueCallbackTest::SetUp();
    ASSERT_TRUE(media_.Open(kDeletionScript));
  }
  // Creates the folder under the target and the files in it; returns the folder's full path.
  std::string MakeFolder(const std::string &folder, const std::vector<std::string> &files) {
    CreateDirectoryA(Target(folder).c_str(), nullptr);
    for (const std::string &file : files) WriteTextFile(Target(folder + "\\" + file), file);
    return FullPath(Target(folder));
  }
  WininitGuard wininit_;
};

TEST_F(DeletionTest, LastFileOfAFolderTakesTheFolderWithIt) {
  std::string folder = MakeFolder("one", {"a.txt"});
  ASSERT_TRUE(Commit("One")) << error_;
  EXPECT_FALSE(FileExists(folder));
  EXPECT_TRUE(PendingDeletions().empty());
  EXPECT_TRUE(WininitRenameLines().empty());
  EXPECT_EQ(g_rebootNeeded, 0);
}

TEST_F(DeletionTest, FolderWithAnotherFileStays) {
  std::string folder = MakeFolder("keep", {"a.txt", "other.txt"});
  ASSERT_TRUE(Commit("Keep")) << error_;
  EXPECT_FALSE(FileExists(folder + "\\a.txt"));
  EXPECT_TRUE(FileExists(folder + "\\other.txt"));
  EXPECT_TRUE(PendingDeletions().empty());
}

TEST_F(DeletionTest, FileInUseWaitsForTheRestartAndItsFolderAfterIt) {
  std::string folder = MakeFolder("one", {"a.txt"});
  std::string file = folder + "\\a.txt";
  WriteWininit("[Rename]\r\nNUL=C:\\EARLIER.TXT\r\nC:\\X.DLL=C:\\X.NEW\r\n");
  FileHolder holder({file});
  ASSERT_TRUE(holder.holding());

  ASSERT_TRUE(Commit("One")) << error_;
  EXPECT_TRUE(FileExists(file));
  EXPECT_EQ(g_rebootNeeded, 1);
  EXPECT_EQ(observed_.context.pendingCount, 1);
  EXPECT_EQ(observed_.context.lastDirectory, nullptr) << "released at the end of the queue";
  EXPECT_TRUE(FileExists(folder)) << "removal at once fails while the file is there";

  if (EmulatesWin9x()) {
    char shortPath[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameA(file.c_str(), shortPath, sizeof(shortPath)), 0u);
    std::vector<std::string> expected = {"NUL=C:\\EARLIER.TXT", "C:\\X.DLL=C:\\X.NEW",
                                         std::string("NUL=") + shortPath};
    EXPECT_EQ(WininitRenameLines(), expected);
    EXPECT_TRUE(PendingDeletions().empty()) << "the folder stays on this platform";
  } else {
    std::vector<std::string> expected = {file, folder};
    EXPECT_EQ(PendingDeletions(), expected) << "the file first, then its folder";
  }
}

BOOL WINAPI RefuseMoveFileEx(LPCSTR, LPCSTR, DWORD) {
  SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}
BOOL WINAPI RefuseProfileSection(LPCSTR, LPCSTR, LPCSTR) {
  SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}

// When the restart cannot be asked to delete a file in use, nothing says it will: no restart
// is asked for, the folder is not scheduled after it, and the step keeps the reason.
TEST_F(DeletionTest, FileInUseThatTheRestartCannotTakeIsKeptAsAFailure) {
  std::string folder = MakeFolder("one", {"a.txt"});
  FileHolder holder({folder + "\\a.txt"});
  ASSERT_TRUE(holder.holding());
  ImportPatch move("kernel32.dll", "MoveFileExA", reinterpret_cast<void *>(RefuseMoveFileEx));
  ImportPatch profile("kernel32.dll", "WritePrivateProfileSectionA",
                      reinterpret_cast<void *>(RefuseProfileSection));
  ASSERT_TRUE(move.patched() && profile.patched());

  ASSERT_TRUE(Commit("One")) << error_;
  EXPECT_EQ(observed_.context.restartError, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(g_rebootNeeded, 0);
  EXPECT_EQ(observed_.context.pendingCount, 0);
  EXPECT_TRUE(FileExists(folder));
  EXPECT_TRUE(PendingDeletions().empty());
  EXPECT_TRUE(WininitRenameLines().empty());
}

TEST_F(DeletionTest, TwoFilesInUseFromOneFolderCountTwo) {
  std::string folder = MakeFolder("two", {"a.txt", "b.txt"});
  FileHolder holder({folder + "\\a.txt", folder + "\\b.txt"});
  ASSERT_TRUE(holder.holding());

  ASSERT_TRUE(Commit("Two")) << error_;
  EXPECT_EQ(observed_.context.pendingCount, 2);
  EXPECT_EQ(g_rebootNeeded, 1);
  if (EmulatesWin9x()) {
    std::vector<std::string> lines = WininitRenameLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(0, 4), "NUL=");
    EXPECT_EQ(lines[1].substr(0, 4), "NUL=");
    EXPECT_NE(lines[0], lines[1]);
  } else {
    std::vector<std::string> expected = {folder + "\\a.txt", folder + "\\b.txt", folder};
    EXPECT_EQ(PendingDeletions(), expected);
  }
}

TEST_F(DeletionTest, FolderHoldingAFolderOfItsOwnStays) {
  std::string folder = MakeFolder("outer", {"a.txt"});
  CreateDirectoryA((folder + "\\inner").c_str(), nullptr);

  ASSERT_TRUE(Commit("Outer")) << error_;
  EXPECT_FALSE(FileExists(folder + "\\a.txt"));
  EXPECT_TRUE(FileExists(folder + "\\inner"));
  EXPECT_EQ(g_rebootNeeded, 0) << "no file waits for the restart";
  EXPECT_TRUE(PendingDeletions().empty()) << "a folder that holds something is not scheduled";
}

TEST_F(DeletionTest, RenameSectionLongerThanItsFirstReadKeepsEveryLine) {
  if (!EmulatesWin9x()) GTEST_SKIP() << "wininit.ini is the Windows 9x schedule";
  std::string text = "[Other]\r\nkey=value\r\n[Rename]\r\n";
  std::vector<std::string> earlier;
  for (int i = 0; earlier.size() * 24 < 5000; ++i) {
    earlier.push_back("NUL=C:\\OLD\\FILE" + std::to_string(1000 + i) + ".DLL");
    text += earlier.back() + "\r\n";
  }
  WriteWininit(text);
  std::string folder = MakeFolder("one", {"a.txt"});
  FileHolder holder({folder + "\\a.txt"});
  ASSERT_TRUE(holder.holding());

  ASSERT_TRUE(Commit("One")) << error_;
  std::vector<std::string> lines = WininitRenameLines();
  ASSERT_EQ(lines.size(), earlier.size() + 1);
  for (size_t i = 0; i < earlier.size(); ++i) EXPECT_EQ(lines[i], earlier[i]);
  EXPECT_EQ(lines.back().substr(0, 4), "NUL=");
  EXPECT_EQ(GetPrivateProfileIntA("Other", "key", 0, WininitPath().c_str()), 0)
      << "not a number";
  char other[16] = {};
  GetPrivateProfileStringA("Other", "key", "", other, sizeof(other), WininitPath().c_str());
  EXPECT_STREQ(other, "value") << "other sections are left alone";
}

// What the system does at the next start: the held file goes once its holder has ended, and
// on the Windows NT family its folder after it; Windows 9x leaves the folder.
TEST_F(DeletionTest, RestartCarriesOutTheSchedule) {
  std::string folder = MakeFolder("one", {"a.txt"});
  std::string file = folder + "\\a.txt";
  FileHolder holder({file});
  ASSERT_TRUE(holder.holding());
  ASSERT_TRUE(Commit("One")) << error_;
  ASSERT_TRUE(FileExists(file));
  holder.Release();

  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, sizeof(system));
  ASSERT_EQ(RunAndWait(std::string(system) + "\\wineboot.exe -r", 60000), 0);
  EXPECT_FALSE(FileExists(file));
  EXPECT_EQ(FileExists(folder), EmulatesWin9x());
  EXPECT_TRUE(PendingDeletions().empty());
  EXPECT_TRUE(WininitRenameLines().empty());
}

// A context that never saw the queue's start (no directory buffer yet) still removes the
// emptied folder: the follow-up does not depend on a buffer set up at the start.
TEST_F(DeletionTest, FollowUpWithoutAStartedQueue) {
  std::string folder = MakeFolder("one", {});
  std::string file = folder + "\\a.txt";
  QueueCallbackContext context = {};
  DefaultQueueCallback progress;
  context.defaultContext = progress.context();
  FILEPATHS_A paths = {};
  paths.Target = file.c_str();
  FileQueueCallback(&context, SPFILENOTIFY_ENDDELETE, reinterpret_cast<UINT_PTR>(&paths), 0);
  EXPECT_NE(context.lastDirectory, nullptr);
  FileQueueCallback(&context, SPFILENOTIFY_ENDQUEUE, 0, 0);
  EXPECT_FALSE(FileExists(folder));
  EXPECT_EQ(context.pendingCount, 0);
}

}  // namespace
