// The exit code of a finished wizard, and the look built for every "/style:" value.
#include <gtest/gtest.h>

#include "common/ExitCode.h"

namespace {

TEST(ExitCodeTest, OutcomeOfTheLastRunDecides) {
  EXPECT_EQ(ChooseExitCode(kRunSucceeded, 0, 0), 0);
  EXPECT_EQ(ChooseExitCode(kRunSucceeded, 1, 0), 3010);
  EXPECT_EQ(ChooseExitCode(kRunSucceeded, 1, 1), 1641);
  EXPECT_EQ(ChooseExitCode(kRunFailed, 0, 0), 1603);
  // A failed last run stays a failure even when a restart was asked for on its way.
  EXPECT_EQ(ChooseExitCode(kRunFailed, 1, 1), 1603);
  // A failed install is taken back; a full disk says so, and files that only the restart can
  // put back make the restart due.
  EXPECT_EQ(ChooseExitCode(kRunTakenBack, 1, 0), 1603);
  EXPECT_EQ(ChooseExitCode(kRunDiskFull, 0, 0), 112);
  EXPECT_EQ(ChooseExitCode(kRunTakenBackAtRestart, 1, 0), 3010);
  EXPECT_EQ(ChooseExitCode(kRunNone, 0, 0), 1602);
  EXPECT_EQ(ChooseExitCode(kRunNone, 1, 0), 1602);
}

TEST(ExitCodeTest, UnknownStylesGetTheHeaderLook) {
  EXPECT_EQ(EffectiveWizardStyle(0), 0);
  EXPECT_EQ(EffectiveWizardStyle(1), 1);
  EXPECT_EQ(EffectiveWizardStyle(2), 2);
  for (int style : {3, 7, 100, -1, -2147483647 - 1, 2147483647})
    EXPECT_EQ(EffectiveWizardStyle(style), 1) << style;
}

}  // namespace
