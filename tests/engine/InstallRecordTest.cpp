// The install record across runs: a failed run leaves it as it was (gone when the run made
// it), a successful one keeps only its own lines but the product's name, without the copies
// that it kept aside, and what is read back sorts each path into its kind.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "engine/InstallRecord.h"
#include "support/TestSupport.h"

namespace {

struct Line {
  const char *word;
  const char *text;
};

// One run of the product "P" that writes lines and ends as it says.
void WriteRun(const std::string &path, std::initializer_list<Line> lines, bool succeeded) {
  RecordFile record = {};
  ASSERT_TRUE(OpenRecordFile(&record, path.c_str(), "P"));
  for (const Line &line : lines) WriteRecordLine(&record, line.word, line.text);
  CloseRecordFile(&record, succeeded);
}

// The record's lines without the time each run started.
std::string Lines(const std::string &path) {
  std::string text = ReadTextFile(path), kept;
  for (size_t at = 0, end; at < text.size(); at = end + 2) {
    end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (line.rfind("install started ", 0) != 0) kept += line + "|";
  }
  return kept;
}

TEST(InstallRecordTest, FailedRunsLeaveItAsItWasAndSucceededOnesReplaceIt) {
  ScratchDir dir;
  const std::string path = dir / "P.install-record.txt";
  WriteRun(path, {{kRecordFolder, "C:\\A"}, {kRecordFile, "C:\\A\\x.txt"}}, false);
  EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << "the run made it";

  WriteRun(path, {{kRecordFolder, "C:\\A"}, {kRecordFile, "C:\\A\\x.txt"}}, true);
  const std::string first = ReadTextFile(path);
  EXPECT_EQ(Lines(path), "install record of P|folder C:\\A|file C:\\A\\x.txt|");

  WriteRun(path,
           {{kRecordReplaced, "C:\\A\\y.txt"}, {kRecordBackup, "C:\\A\\y.txt.setup-backup"}},
           false);
  EXPECT_EQ(ReadTextFile(path), first) << "byte for byte";

  WriteRun(path, {{kRecordFile, "C:\\A\\z.txt"}, {kRecordReplaced, "C:\\A\\y.txt"},
                  {kRecordBackup, "C:\\A\\y.txt.setup-backup"}, {kRecordFile, "C:\\A\\b.txt"}},
           true);
  EXPECT_EQ(Lines(path), "install record of P|file C:\\A\\z.txt|replaced C:\\A\\y.txt|"
                         "file C:\\A\\b.txt|");

  ProductRecord read = {};
  ASSERT_TRUE(ReadProductRecord(path.c_str(), &read));
  EXPECT_TRUE(read.present);
  EXPECT_TRUE(PathSetHas(&read.files, "C:\\A\\b.txt"));
  EXPECT_TRUE(PathSetHas(&read.files, "c:\\a\\Z.TXT")) << "paths compare as Windows does";
  EXPECT_FALSE(PathSetHas(&read.files, "C:\\A\\x.txt")) << "the earlier run's line went";
  EXPECT_TRUE(PathSetHas(&read.replaced, "C:\\A\\y.txt"));
  EXPECT_FALSE(PathSetHas(&read.files, "C:\\A\\y.txt"));
  EXPECT_EQ(read.backups.count, 0);
  FreeProductRecord(&read);
}

// A killed run leaves its lines: they are read back, the copy it kept aside among them.
TEST(InstallRecordTest, KilledRunIsReadBackWithWhatItKeptAside) {
  ScratchDir dir;
  const std::string path = dir / "P.install-record.txt";
  WriteTextFile(path, "install record of P\r\nfile C:\\A\\x.txt\r\nbackup C:\\A\\y.bak\r\n"
                      "folder C:\\A\r\n");
  ProductRecord read = {};
  ASSERT_TRUE(ReadProductRecord(path.c_str(), &read));
  EXPECT_TRUE(PathSetHas(&read.files, "C:\\A\\x.txt"));
  EXPECT_EQ(read.backups.count, 1);
  EXPECT_STREQ(read.folders.text, "C:\\A");
  FreeProductRecord(&read);
}

}  // namespace
