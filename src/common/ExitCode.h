// The process exit code: the outcome of the run in the codes deployment tools understand.
// Free of windows.h so that the choice is tested natively.
#pragma once

// What the last install or remove worker of this run reported.
constexpr int kRunNone = 0;       // no worker finished (the user cancelled before any run)
constexpr int kRunSucceeded = 1;
constexpr int kRunFailed = 2;
// A failed install whose changes were taken back; some put back only at the restart; or one
// that ran out of disk space, taken back.
constexpr int kRunTakenBack = 3;
constexpr int kRunTakenBackAtRestart = 4;
constexpr int kRunDiskFull = 5;

// Each code stands for one kind of outcome, and the log's last line names it.
constexpr int kExitSuccess = 0;
constexpr int kExitDiskFull = 112;          // ERROR_DISK_FULL: the run stopped on a full disk
constexpr int kExitUserCancelled = 1602;    // ERROR_INSTALL_USEREXIT
constexpr int kExitInstallFailure = 1603;   // ERROR_INSTALL_FAILURE
constexpr int kExitUnknownProduct = 1605;   // ERROR_UNKNOWN_PRODUCT: not installed, or not ours
constexpr int kExitAlreadyRunning = 1618;   // ERROR_INSTALL_ALREADY_RUNNING
constexpr int kExitScriptNotOpened = 1620;  // ERROR_INSTALL_PACKAGE_INVALID
constexpr int kExitRebootStarted = 1641;    // ERROR_SUCCESS_REBOOT_INITIATED
constexpr int kExitNewerInstalled = 1638;   // ERROR_PRODUCT_VERSION: a newer version is there
constexpr int kExitInvalidCommandLine = 1639;  // ERROR_INVALID_COMMAND_LINE
constexpr int kExitRebootRequired = 3010;   // ERROR_SUCCESS_REBOOT_REQUIRED

// "/check": no error found, or at least one.
constexpr int kExitCheckClean = 0;
constexpr int kExitCheckFindings = 1;

// The exit code of a wizard that ran: outcome of the last worker, whether a restart is
// needed, and whether the restart offered afterwards was started. A failed install whose
// files are put back only at the restart ends as one that needs the restart.
int ChooseExitCode(int runOutcome, int rebootNeeded, int rebootStarted);

// What an exit code says, as the log's last line words it; checkRun for a "/check" run, whose
// 0 and 1 are the check's own; runOutcome the last worker's, which tells a failed install put
// back at the restart from a success that needs one.
const char *DescribeExitCode(int exitCode, bool checkRun, int runOutcome);

// The look actually built for a "/style:" value: 0 classic, 1 and 2 header look; any other
// value gets the header look with composed pictures (1), the program's usual look.
int EffectiveWizardStyle(int requestedStyle);
