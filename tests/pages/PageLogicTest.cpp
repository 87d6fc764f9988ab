// The arithmetic and text assembly behind the pages, with buffers sized to catch overruns.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "pages/PageLogic.h"
#include "res/resource.h"

namespace {

struct Placement {
  long x, y;
};

Placement Center(long w, long h, ScreenRect reference, ScreenRect work) {
  Placement p = {-1, -1};
  CenterPosition(w, h, reference, work, &p.x, &p.y);
  return p;
}

TEST(CenterPositionTest, CentresOverTheReferenceAndStaysInTheWorkArea) {
  const ScreenRect screen = {0, 0, 1024, 768};
  Placement p = Center(500, 360, screen, screen);
  EXPECT_EQ(p.x, 262);
  EXPECT_EQ(p.y, 204);
  // Halves are truncated towards zero, also for an odd remainder.
  p = Center(501, 361, screen, screen);
  EXPECT_EQ(p.x, 261);
  EXPECT_EQ(p.y, 203);
  // A taskbar on the left or at the top pushes the window right or down.
  const ScreenRect leftBar = {300, 0, 1024, 768};
  p = Center(500, 360, screen, leftBar);
  EXPECT_EQ(p.x, 300);
  const ScreenRect topBar = {0, 300, 1024, 768};
  p = Center(500, 360, screen, topBar);
  EXPECT_EQ(p.y, 300);
  // Past the right and bottom edges the window is pulled back in.
  const ScreenRect bottomRight = {900, 700, 1100, 800};
  p = Center(500, 360, bottomRight, screen);
  EXPECT_EQ(p.x, 1024 - 500);
  EXPECT_EQ(p.y, 768 - 360);
  // Larger than the work area: the left and top edges stay visible.
  p = Center(1200, 900, screen, screen);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
}

TEST(PhaseTextTest, InstallAndRemovePhases) {
  EXPECT_EQ(PhaseTextId(2, 0), IDS_PHASE_STOP_SERVICES);
  EXPECT_EQ(PhaseTextId(3, 0), IDS_PHASE_COPY);
  EXPECT_EQ(PhaseTextId(3, 1), IDS_PHASE_DELETE);
  EXPECT_EQ(PhaseTextId(4, 1), IDS_PHASE_REGISTRY);
  EXPECT_EQ(PhaseTextId(5, 0), IDS_PHASE_SHORTCUTS);
  EXPECT_EQ(PhaseTextId(6, 1), IDS_PHASE_START_SERVICES);
  for (int none : {-1, 0, 1, 7, 1000}) EXPECT_EQ(PhaseTextId(none, 0), 0) << none;
}

TEST(WarningTextTest, NameTakesThePlaceOfTheFirstPlaceholderOnly) {
  char out[512];
  FillNamePlaceholder(out, sizeof(out), "A more recent version of %s is installed.\r\rReplace?",
                      "Tools");
  EXPECT_STREQ(out, "A more recent version of Tools is installed.\r\rReplace?");
  // Percent signs in the name or elsewhere in the text are never read as formats.
  FillNamePlaceholder(out, sizeof(out), "%d of %s, 100%s", "50%s %n");
  EXPECT_STREQ(out, "%d of 50%s %n, 100%s");
  FillNamePlaceholder(out, sizeof(out), "no placeholder", "x");
  EXPECT_STREQ(out, "no placeholder");
}

TEST(WarningTextTest, LongestFormatAndNameFitTheMessageBuffer) {
  std::string format(120, 'f');
  format += "%s";
  format += std::string(133, 'g');  // 255 characters with the placeholder
  std::string name(255, 'n');
  char out[512];
  FillNamePlaceholder(out, sizeof(out), format.c_str(), name.c_str());
  EXPECT_EQ(strlen(out), 253u + 255u);
  // A smaller buffer cuts the text and keeps it terminated.
  char tiny[8];
  memset(tiny, 'x', sizeof(tiny));
  FillNamePlaceholder(tiny, sizeof(tiny), format.c_str(), name.c_str());
  EXPECT_STREQ(tiny, "fffffff");
}

TEST(ErrorTextTest, SystemTextAfterABlankLineAndSizedToFitWhole) {
  const char *text = "The installation did not complete successfully.";
  std::string system(5000, 's');  // the system's text has no bound
  size_t size = ErrorMessageSize(text, system.c_str());
  std::string buffer(size, '\x7f');
  ComposeErrorMessage(&buffer[0], size, text, system.c_str());
  EXPECT_EQ(std::string(buffer.c_str()), std::string(text) + "\r\n\r\n" + system);
  EXPECT_EQ(strlen(buffer.c_str()) + 1, size);

  char alone[64];
  EXPECT_EQ(ErrorMessageSize(text, nullptr), strlen(text) + 1);
  ComposeErrorMessage(alone, sizeof(alone), text, nullptr);
  EXPECT_STREQ(alone, text);
  ComposeErrorMessage(alone, sizeof(alone), text, "");
  EXPECT_STREQ(alone, text) << "an empty system text adds no blank line";
  ComposeErrorMessage(alone, 10, text, system.c_str());
  EXPECT_STREQ(alone, "The insta");
}

TEST(BrowseResultTest, SubdirectoryAppendedUnlessAlreadyChosen) {
  char path[260];
  strcpy(path, "D:\\Apps");
  ASSERT_TRUE(AppendChosenSubdir(path, sizeof(path), "Tools"));
  EXPECT_STREQ(path, "D:\\Apps\\Tools");
  strcpy(path, "D:\\Apps\\Tools");
  ASSERT_TRUE(AppendChosenSubdir(path, sizeof(path), "\\Tools"));
  EXPECT_STREQ(path, "D:\\Apps\\Tools");
  strcpy(path, "D:\\");
  ASSERT_TRUE(AppendChosenSubdir(path, sizeof(path), "Tools"));
  EXPECT_STREQ(path, "D:\\Tools");
  // The comparison is exact: another case is another folder.
  strcpy(path, "D:\\Apps\\tools");
  ASSERT_TRUE(AppendChosenSubdir(path, sizeof(path), "Tools"));
  EXPECT_STREQ(path, "D:\\Apps\\tools\\Tools");
  // A subdirectory of several levels never matches the last component alone.
  strcpy(path, "D:\\Tools\\Data");
  ASSERT_TRUE(AppendChosenSubdir(path, sizeof(path), "Tools\\Data"));
  EXPECT_STREQ(path, "D:\\Tools\\Data\\Tools\\Data");
  strcpy(path, "D:\\Apps");
  ASSERT_TRUE(AppendChosenSubdir(path, sizeof(path), nullptr));
  ASSERT_TRUE(AppendChosenSubdir(path, sizeof(path), "\\"));
  EXPECT_STREQ(path, "D:\\Apps");
}

TEST(BrowseResultTest, ResultThatWouldNotFitIsRefused) {
  char path[12];
  strcpy(path, "D:\\Apps");
  EXPECT_FALSE(AppendChosenSubdir(path, sizeof(path), "Tools"));
  EXPECT_STREQ(path, "D:\\Apps");
  EXPECT_TRUE(AppendChosenSubdir(path, sizeof(path), "Too"));  // 11 characters and the NUL
  EXPECT_STREQ(path, "D:\\Apps\\Too");
}

}  // namespace
