// The callback's path tests: the cabinet rule and the directory of a deleted file.
#include <gtest/gtest.h>

#include <string>

#include "engine/QueuePaths.h"

namespace {

TEST(QueuePathsTest, FinalPartKeepsItsBackslash) {
  EXPECT_STREQ(FinalPathPart("C:\\a\\b.cab"), "\\b.cab");
  EXPECT_STREQ(FinalPathPart("b.cab"), "b.cab");
  EXPECT_STREQ(FinalPathPart("C:\\a\\"), "\\");
}

TEST(QueuePathsTest, CabinetUnderItsOwnNameInAnyCase) {
  EXPECT_TRUE(IsCabinetUnderOwnName(".\\data.cab", "C:\\App\\DATA.CAB"));
  EXPECT_TRUE(IsCabinetUnderOwnName("D:\\m\\Data.Cab", "C:\\x\\data.cAB"));
  EXPECT_TRUE(IsCabinetUnderOwnName("a.b.cab", "A.B.CAB"));
}

TEST(QueuePathsTest, OtherCopiesAreLeftToTheQueue) {
  EXPECT_FALSE(IsCabinetUnderOwnName(".\\data.cab", "C:\\App\\other.cab")) << "another name";
  EXPECT_FALSE(IsCabinetUnderOwnName(".\\data.cab", "C:\\App\\data.bin")) << "target not .cab";
  EXPECT_FALSE(IsCabinetUnderOwnName(".\\data.txt", "C:\\App\\data.txt")) << "not a cabinet";
  EXPECT_FALSE(IsCabinetUnderOwnName(".\\data.cabx", "C:\\App\\data.cabx"));
  EXPECT_FALSE(IsCabinetUnderOwnName(".\\cab", "C:\\App\\cab")) << "no dot";
  EXPECT_FALSE(IsCabinetUnderOwnName(".\\x.cab.txt", "C:\\x.cab.txt")) << "only the last dot";
  // The final part of a path without a backslash has none either, so it names another file.
  EXPECT_FALSE(IsCabinetUnderOwnName("data.cab", "C:\\App\\data.cab"));
}

std::string Directory(const char *path, size_t size = 260) {
  char buffer[300];
  int ok = FileDirectory(buffer, size, path);
  return ok ? std::string(buffer) : std::string("<none>");
}

TEST(QueuePathsTest, DirectoryOfADeletedFile) {
  EXPECT_EQ(Directory("C:\\App\\sub\\f.txt"), "C:\\App\\sub");
  EXPECT_EQ(Directory("C:\\App\\f.txt"), "C:\\App");
  EXPECT_EQ(Directory("\\\\srv\\share\\dir\\f.txt"), "\\\\srv\\share\\dir");
}

TEST(QueuePathsTest, RootsAndUnclearPathsAreNotTidied) {
  EXPECT_EQ(Directory("C:\\f.txt"), "<none>");
  EXPECT_EQ(Directory("\\f.txt"), "<none>");
  EXPECT_EQ(Directory("f.txt"), "<none>");
  EXPECT_EQ(Directory("\\\\srv\\share\\f.txt"), "<none>");
  EXPECT_EQ(Directory("\\\\srv\\f.txt"), "<none>");
}

TEST(QueuePathsTest, PathThatDoesNotFitIsNotCut) {
  // Cutting the path short would name a parent directory.
  std::string longPath = "C:\\" + std::string(250, 'd') + "\\sub\\file.txt";
  EXPECT_EQ(Directory(longPath.c_str()), "<none>");
  std::string fits = "C:\\" + std::string(200, 'd') + "\\file.txt";
  EXPECT_EQ(Directory(fits.c_str()), "C:\\" + std::string(200, 'd'));
  EXPECT_EQ(Directory("C:\\ab\\c", 7), "<none>") << "7 characters need 8 bytes";
  EXPECT_EQ(Directory("C:\\ab\\c", 8), "C:\\ab");
}

TEST(QueuePathsTest, ScheduledDeletionTakesTheFileOrTheFolderThatHoldsIt) {
  struct Case {
    const char *scheduled, *path;
    bool takes;
  };
  const Case kCases[] = {
      {"C:\\App\\setup.exe", "c:\\app\\SETUP.EXE", true},
      {"C:\\App", "C:\\App\\setup.exe", true},
      {"C:\\App\\", "C:\\App\\sub\\x.txt", true},
      {"C:\\App", "C:\\Apps\\setup.exe", false},
      {"C:\\App\\setup.exe", "C:\\App\\setup.exe.bak", false},
      {"C:\\App\\setup.exe", "C:\\App", false},
      {"", "C:\\App", false},
  };
  for (const Case &c : kCases)
    EXPECT_EQ(DeletionTakesPath(c.scheduled, c.path), c.takes) << c.scheduled << " " << c.path;
  EXPECT_STREQ(SkipScheduledPrefix("\\??\\C:\\App"), "C:\\App");
  EXPECT_STREQ(SkipScheduledPrefix("C:\\App"), "C:\\App");
}

}  // namespace
