#include "common/ExitCode.h"

#include <stddef.h>

int ChooseExitCode(int runOutcome, int rebootNeeded, int rebootStarted) {
  switch (runOutcome) {
    case kRunSucceeded:
      if (!rebootNeeded) return kExitSuccess;
      return rebootStarted ? kExitRebootStarted : kExitRebootRequired;
    case kRunFailed:
    case kRunTakenBack:
      return kExitInstallFailure;
    case kRunDiskFull:
      return kExitDiskFull;
    case kRunTakenBackAtRestart:
      return rebootStarted ? kExitRebootStarted : kExitRebootRequired;
    default:
      return kExitUserCancelled;
  }
}

namespace {

struct ExitCodeMeaning {
  int exitCode;
  const char *meaning;
};

constexpr ExitCodeMeaning kExitMeanings[] = {
    {kExitSuccess, "the run succeeded"},
    {kExitRebootRequired, "the run succeeded; a restart is needed and was not started"},
    {kExitRebootStarted, "the run succeeded and the restart was started"},
    {kExitUserCancelled, "the wizard was closed before a run ended (cancelled)"},
    {kExitInstallFailure, "the run failed"},
    {kExitDiskFull, "the disk is full"},
    {kExitUnknownProduct, "the removal names no installed product of this setup"},
    {kExitAlreadyRunning, "another copy of this program file is running"},
    {kExitScriptNotOpened, "the setup script could not be opened, or the packed file is damaged"},
    {kExitNewerInstalled, "a newer version of the product is already installed"},
    {kExitInvalidCommandLine, "the command line is invalid"},
};

constexpr ExitCodeMeaning kCheckMeanings[] = {
    {kExitCheckClean, "the check found no error"},
    {kExitCheckFindings, "the check found an error"},
};

template <size_t N>
const char *FindMeaning(const ExitCodeMeaning (&table)[N], int exitCode) {
  for (const ExitCodeMeaning &entry : table)
    if (entry.exitCode == exitCode) return entry.meaning;
  return nullptr;
}

}  // namespace

const char *DescribeExitCode(int exitCode, bool checkRun, int runOutcome) {
  // A failed install that puts files back at the restart shares the restart's codes, not
  // their success.
  if (runOutcome == kRunTakenBackAtRestart) {
    if (exitCode == kExitRebootRequired)
      return "the run failed and was taken back; files in use are put back at the restart, "
             "which is needed and was not started";
    if (exitCode == kExitRebootStarted)
      return "the run failed and was taken back; the restart that puts files in use back was "
             "started";
  }
  const char *meaning = checkRun ? FindMeaning(kCheckMeanings, exitCode) : nullptr;
  if (!meaning) meaning = FindMeaning(kExitMeanings, exitCode);
  // Only a copy that this run started (the removal's, or the one that runs packed media) can
  // pass on another code: it broke off.
  return meaning ? meaning : "the copy of the program that ran the removal or the packed media "
                             "broke off";
}

int EffectiveWizardStyle(int requestedStyle) {
  return (requestedStyle >= 0 && requestedStyle <= 2) ? requestedStyle : 1;
}
