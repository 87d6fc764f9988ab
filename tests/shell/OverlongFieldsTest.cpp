// Program lines whose fields do not fit their 256-byte buffers: a program name that does not
// fit names no program, and arguments or a folder that the line gives but that do not fit
// keep the program from running rather than start it without them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/Programs.h"
#include "support/TestSupport.h"

namespace {

// The tags of the recorder's log lines ("tag<TAB>directory<TAB>arguments").
std::vector<std::string> RecordedTags(const std::string &log) {
  std::vector<std::string> tags;
  std::string text = ReadTextFile(log);
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    tags.push_back(text.substr(start, text.find('\t', start) - start));
  return tags;
}

TEST(OverlongProgramFieldsTest, FieldsThatDoNotFitRunNothingCut) {
  ScratchDir dir;
  std::string log = dir / "log.txt";
  SetEnvironmentVariableA("RECORDER_LOG", log.c_str());
  std::string recorder = BinaryPath("tests/tools/recorder/recorder.exe");
  std::string longArguments = "/tag:args " + std::string(246, 'a');  // 256 characters
  std::string longestArguments = "/tag:longest " + std::string(242, 'a');  // 255
  std::string longFolder = dir.path() + "\\" + std::string(255 - dir.path().size(), 'f');
  std::string longProgram = dir.path() + "\\" + std::string(300, 'p') + ".exe";
  TestScript script(dir, "[Install]\r\nExec=Programs\r\n"
                         "[Programs]\r\n"
                         "x=2," + recorder + ",\"/tag:first\"\r\n"
                         "x=2," + recorder + ",\"" + longArguments + "\"\r\n"
                         "x=2," + recorder + ",\"" + longestArguments + "\"\r\n"
                         "x=2," + recorder + ",\"/tag:folder\"," + longFolder + "\r\n"
                         "x=2," + longProgram + ",\"/tag:program\"\r\n"
                         "x=2," + recorder + ",\"/tag:last\",,0\r\n");
  ASSERT_TRUE(script.ok());
  ASSERT_EQ(longArguments.size(), 256u);
  ASSERT_EQ(longFolder.size(), 256u);

  RunSectionPrograms(script.inf(), "Install", 2, nullptr);
  std::vector<std::string> expected = {"first", "longest", "last"};
  EXPECT_EQ(RecordedTags(log), expected);
  SetEnvironmentVariableA("RECORDER_LOG", nullptr);
}

}  // namespace
