// Program runs of the "Exec" line, checked through the recorder, a program of our own that
// logs the argument text and working directory it received.
#include <gtest/gtest.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "shell/Programs.h"
#include "support/TestSupport.h"

namespace {

const HWND kWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x0001a2bc));
constexpr char kWindowText[] = "0x0001a2bc";
constexpr DWORD kRecordTimeoutMs = 30000;

struct Record {
  std::string tag, directory, arguments;
};

std::string RecorderPath() { return BinaryPath("tests/tools/recorder/recorder.exe"); }

std::string CurrentDirectory() {
  char text[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof(text), text);
  return text;
}

bool SamePath(std::string a, std::string b) {
  while (!a.empty() && a.back() == '\\') a.pop_back();
  while (!b.empty() && b.back() == '\\') b.pop_back();
  return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

class ProgramsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetEnvironmentVariableA("RECORDER_LOG", log_.c_str());
    SetEnvironmentVariableA("RECORDER_TAG", nullptr);
    SetEnvironmentVariableA("RECORDER_SLEEP", nullptr);
    savedDirectory_ = CurrentDirectory();
    SetCurrentDirectoryA(dir_.path().c_str());
  }
  void TearDown() override {
    // A recorder still waiting for its release file ends now rather than hold the folder.
    WriteTextFile(Release(), "");
    SetCurrentDirectoryA(savedDirectory_.c_str());
    SetEnvironmentVariableA("RECORDER_LOG", nullptr);
    SetEnvironmentVariableA("RECORDER_SLEEP", nullptr);
  }

  std::vector<Record> Records() const {
    std::vector<Record> records;
    std::string text = ReadTextFile(log_);
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
      std::string line = text.substr(start, end - start);
      size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
      if (tab1 == std::string::npos || tab2 == std::string::npos) continue;
      records.push_back({line.substr(0, tab1), line.substr(tab1 + 1, tab2 - tab1 - 1),
                         line.substr(tab2 + 1)});
    }
    return records;
  }
  std::vector<std::string> Tags() const {
    std::vector<std::string> tags;
    for (const Record &r : Records()) tags.push_back(r.tag);
    return tags;
  }
  // Waits for a program that was not waited for to record itself.
  bool WaitForRecords(size_t count) const {
    for (DWORD waited = 0; waited < kRecordTimeoutMs; waited += 50) {
      if (Records().size() >= count) return true;
      Sleep(50);
    }
    return false;
  }
  std::string Release() const { return dir_ / "release"; }
  std::string CopyOfRecorder(const std::string &name) const {
    std::string copy = dir_ / name;
    EXPECT_TRUE(CopyFileA(RecorderPath().c_str(), copy.c_str(), FALSE)) << copy;
    return copy;
  }

  ScratchDir dir_;
  std::string log_ = dir_ / "log.txt";
  std::string savedDirectory_;
};

TEST_F(ProgramsTest, ProgramReceivesArgumentsAndWorkingDirectory) {
  std::string work = dir_ / "work";
  CreateDirectoryA(work.c_str(), nullptr);
  EXPECT_EQ(RunProgram(RecorderPath().c_str(), "/tag:a %HWND% x  \"y z\"", work.c_str(), 0,
                       kWindow),
            1);
  EXPECT_EQ(RunProgram(RecorderPath().c_str(), "/tag:b 50% %hwnd%", "", 0, kWindow), 1);
  std::vector<Record> records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].tag, "a");
  EXPECT_EQ(records[0].arguments, std::string("/tag:a ") + kWindowText + " x  \"y z\"");
  EXPECT_TRUE(SamePath(records[0].directory, work)) << records[0].directory;
  EXPECT_EQ(records[1].arguments, "/tag:b 50% %hwnd%");
  EXPECT_TRUE(SamePath(records[1].directory, dir_.path()))
      << "without a directory of its own the program starts in ours: " << records[1].directory;
  EXPECT_TRUE(SamePath(CurrentDirectory(), dir_.path()));
}

TEST_F(ProgramsTest, WaitsForTheProgramToEnd) {
  EXPECT_EQ(RunProgram(RecorderPath().c_str(), "/tag:slow /sleep:700", "", 0, kWindow), 1);
  EXPECT_EQ(Tags(), std::vector<std::string>{"slow"}) << "returned before the program ended";
}

TEST_F(ProgramsTest, FlagOneDoesNotWait) {
  std::string arguments = "/tag:nowait /until:" + Release();
  EXPECT_EQ(RunProgram(RecorderPath().c_str(), arguments.c_str(), "", 1, kWindow), 1);
  EXPECT_TRUE(Records().empty()) << "waited for a program that runs on";
  WriteTextFile(Release(), "");
  ASSERT_TRUE(WaitForRecords(1));
  EXPECT_EQ(Tags(), std::vector<std::string>{"nowait"});
}

TEST_F(ProgramsTest, FlagTwoDeletesTheProgramAfterItEnded) {
  std::string copy = CopyOfRecorder("run-once.exe");
  EXPECT_EQ(RunProgram(copy.c_str(), "/tag:once /sleep:300", "", 2, kWindow), 1);
  EXPECT_EQ(Tags(), std::vector<std::string>{"once"});
  EXPECT_FALSE(FileExists(copy));

  std::string kept = CopyOfRecorder("kept.exe");
  EXPECT_EQ(RunProgram(kept.c_str(), "/tag:kept", "", 0, kWindow), 1);
  EXPECT_TRUE(FileExists(kept));
}

TEST_F(ProgramsTest, FlagsThreeNeitherWaitNorDelete) {
  std::string copy = CopyOfRecorder("both.exe");
  std::string arguments = "/tag:both /until:" + Release();
  EXPECT_EQ(RunProgram(copy.c_str(), arguments.c_str(), "", 3, kWindow), 1);
  EXPECT_TRUE(Records().empty());
  EXPECT_TRUE(FileExists(copy));
  WriteTextFile(Release(), "");
  ASSERT_TRUE(WaitForRecords(1));
  Sleep(300);
  EXPECT_TRUE(FileExists(copy));
}

TEST_F(ProgramsTest, ProgramThatCannotStartIsReportedNotRun) {
  std::string missing = dir_ / "missing\\nothing.exe";
  EXPECT_EQ(RunProgram(missing.c_str(), "", "", 0, kWindow), 0);
  EXPECT_EQ(RunProgram(missing.c_str(), "", "", 2, kWindow), 0);
  // An argument text that would outgrow its buffer is not cut: the program does not start.
  std::string many;
  for (int i = 0; i < 170; ++i) many += "%hwnd%";
  EXPECT_EQ(RunProgram(RecorderPath().c_str(), many.c_str(), "", 0, kWindow), 0);
  EXPECT_TRUE(Records().empty());
}

TEST_F(ProgramsTest, PassesOfTheExecLine) {
  std::string recorder = RecorderPath();
  std::string work = dir_ / "work";
  CreateDirectoryA(work.c_str(), nullptr);
  TestScript script(dir_,
                    "[Install]\r\n"
                    "Exec=Before,@" + recorder + ",Missing,After\r\n"
                    "Exec=Ignored\r\n"
                    "[Before]\r\n"
                    "x=1," + recorder + ",/tag:p1\r\n"
                    "x=2," + recorder + ",/tag:p2\r\n"
                    "x=0x2," + recorder + ",/tag:hex2\r\n"
                    "x=3," + recorder + ",/tag:p3\r\n"
                    "x=0," + recorder + ",/tag:p0\r\n"
                    "x=," + recorder + ",/tag:nopass\r\n"
                    "x=1\r\n"
                    "x=1," + (dir_ / "missing\\nothing.exe") + ",/tag:missing\r\n"
                    "x=01," + recorder + ",/tag:oct1," + work + "\r\n"
                    "[After]\r\n"
                    "x=2," + recorder + ",/tag:after2\r\n"
                    "[Ignored]\r\n"
                    "x=1," + recorder + ",/tag:ignored\r\n"
                    "x=2," + recorder + ",/tag:ignored\r\n");
  ASSERT_TRUE(script.ok());
  // Every program is slow to end: each record present on return shows that it was waited for.
  SetEnvironmentVariableA("RECORDER_SLEEP", "200");

  RunSectionPrograms(script.inf(), "Install", 1, kWindow);
  EXPECT_EQ(Tags(), (std::vector<std::string>{"p1", "oct1", "-"}));
  EXPECT_TRUE(SamePath(CurrentDirectory(), dir_.path())) << "the current directory is restored";

  RunSectionPrograms(script.inf(), "Install", 2, kWindow);
  std::vector<Record> records = Records();
  EXPECT_EQ(Tags(), (std::vector<std::string>{"p1", "oct1", "-", "p2", "hex2", "-", "after2"}));
  ASSERT_EQ(records.size(), 7u);
  EXPECT_TRUE(SamePath(records[1].directory, work)) << records[1].directory;
  EXPECT_TRUE(SamePath(records[0].directory, dir_.path())) << records[0].directory;
  EXPECT_EQ(records[2].arguments, "") << "an \"@\" program gets no arguments";
  EXPECT_TRUE(SamePath(records[2].directory, dir_.path())) << records[2].directory;
  EXPECT_EQ(records[0].arguments, "/tag:p1");
  EXPECT_TRUE(SamePath(CurrentDirectory(), dir_.path()));

  RunSectionPrograms(script.inf(), "NoSuchSection", 1, kWindow);
  RunSectionPrograms(script.inf(), "Before", 1, kWindow);
  EXPECT_EQ(Records().size(), 7u);
}

TEST_F(ProgramsTest, FlagsFromTheScriptAreNumbersInAnyBase) {
  std::string hexDelete = CopyOfRecorder("hex-delete.exe");
  std::string octalDelete = CopyOfRecorder("octal-delete.exe");
  std::string both = CopyOfRecorder("both.exe");
  TestScript script(dir_,
                    "[Install]\r\nExec=List\r\n"
                    "[List]\r\n"
                    "x=1," + hexDelete + ",/tag:hex,,0x2\r\n"
                    "x=1," + octalDelete + ",/tag:octal,,02\r\n"
                    "x=1," + both + ",\"/tag:both /until:" + Release() + "\",,3\r\n");
  ASSERT_TRUE(script.ok());
  RunSectionPrograms(script.inf(), "Install", 1, kWindow);
  EXPECT_EQ(Tags(), (std::vector<std::string>{"hex", "octal"}));
  EXPECT_FALSE(FileExists(hexDelete));
  EXPECT_FALSE(FileExists(octalDelete));
  EXPECT_TRUE(FileExists(both));
  WriteTextFile(Release(), "");
  ASSERT_TRUE(WaitForRecords(3));
  Sleep(300);
  EXPECT_TRUE(FileExists(both));
}

TEST_F(ProgramsTest, WindowPlaceholderFromTheScript) {
  std::string recorder = RecorderPath();
  TestScript script(dir_,
                    "[Install]\r\nExec=List\r\n"
                    "[List]\r\n"
                    "x=2," + recorder + ",\"/tag:h %HWND% %hwnd%\"\r\n"
                    "x=2," + recorder + ",\"/tag:stop 50% %hwnd%\"\r\n");
  ASSERT_TRUE(script.ok());
  RunSectionPrograms(script.inf(), "Install", 2, kWindow);
  std::vector<Record> records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].arguments, std::string("/tag:h ") + kWindowText + " " + kWindowText);
  EXPECT_EQ(records[1].arguments, "/tag:stop 50% %hwnd%");
}

}  // namespace
