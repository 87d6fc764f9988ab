// The arithmetic and text assembly behind the pages, with buffers sized to catch overruns.
#include <gtest/gtest.h>

#include <string.h>

#include "engine/Phases.h"
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
  EXPECT_EQ(PhaseTextId(kPhaseStopServices, 0), IDS_PHASE_STOP_SERVICES);
  EXPECT_EQ(PhaseTextId(kPhaseFiles, 0), IDS_PHASE_COPY);
  EXPECT_EQ(PhaseTextId(kPhaseFiles, 1), IDS_PHASE_DELETE);
  EXPECT_EQ(PhaseTextId(kPhaseRegistry, 1), IDS_PHASE_REGISTRY);
  EXPECT_EQ(PhaseTextId(kPhaseShortcuts, 0), IDS_PHASE_SHORTCUTS);
  EXPECT_EQ(PhaseTextId(kPhaseStartServices, 1), IDS_PHASE_START_SERVICES);
  // The last programs have no text of their own, and nothing outside the phases has one.
  for (int none : {kPhaseLastPrograms, 0, 1, kPhaseStartServices + 1, 1000})
    EXPECT_EQ(PhaseTextId(none, 0), 0) << none;
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
