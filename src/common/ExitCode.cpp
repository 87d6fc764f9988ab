#include "common/ExitCode.h"

int ChooseExitCode(int runOutcome, int rebootNeeded, int rebootStarted) {
  switch (runOutcome) {
    case kRunSucceeded:
      if (!rebootNeeded) return kExitSuccess;
      return rebootStarted ? kExitRebootStarted : kExitRebootRequired;
    case kRunFailed:
      return kExitInstallFailure;
    default:
      return kExitUserCancelled;
  }
}

int EffectiveWizardStyle(int requestedStyle) {
  return (requestedStyle >= 0 && requestedStyle <= 2) ? requestedStyle : 1;
}
