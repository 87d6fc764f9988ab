// Process-wide state of the Setup wizard and the sizes of its fixed buffers.
// Kept free of windows.h so that the pure logic that reads it builds and tests natively.
#pragma once
#include <stddef.h>

// Buffer sizes used throughout the program.
constexpr int kKeyListSize = 1024;      // g_productKey as the command line fills it
constexpr int kSectionListSize = 1024;  // g_sectionList before the script sizes it
constexpr int kSectionNameSize = 128;   // one entry of a section list, NUL included
constexpr int kProductKeySize = 128;    // one key copied into a key list, NUL included
constexpr int kTargetDirSize = 260;     // g_targetDir and every path buffer (MAX_PATH)
constexpr int kFieldSize = 256;         // a script field or a loaded string
constexpr int kLongTextSize = 1024;     // welcome text, descriptions

constexpr unsigned short kLangEnglishUS = 0x0409;

extern int g_removeMode;                 // 0 install run, 1 remove run
extern int g_quiet;                      // 1 after "/quiet"
extern int g_wizardStyle;                // 0 classic look, 1 and 2 header look
extern unsigned short g_languageId;      // user-interface language (LANGID)
// The run's key and section lists. They start in buffers of the sizes above; once the script
// is open, FitListsToScript gives them room for every product of the script.
extern char *g_productKey;               // key list: the products of the run
extern size_t g_productKeySize;
extern const char *g_installSection;     // sections chosen for the platform
extern const char *g_removeSection;
extern const char *g_productsSection;
extern char g_targetDir[kTargetDirSize];       // target directory text
extern char *g_sectionList;              // section list of the run
extern size_t g_sectionListSize;
extern volatile int g_workerBusy;        // 1 while a worker runs
extern volatile int g_rebootNeeded;      // a restart is needed; only ever set to 1
extern int g_runOutcome;                 // kRunNone/kRunSucceeded/kRunFailed of the last worker

// Set by the command line beside the options above.
extern int g_silent;                     // 1 after "/silent": no window, no question, ever
extern int g_targetDirGiven;             // 1 after "/dir:": g_targetDir holds its path
extern char g_logPath[kTargetDirSize];   // "/log:" path, or empty
extern int g_logInTemp;                  // 1 after "/log" alone: a log in the temporary folder
extern int g_allowDowngrade;             // 1 after "/downgrade": an unattended run may replace
                                         // a newer installed version
extern int g_checkScript;                // 1 after "/check" or "/check:"
extern char g_checkPath[kTargetDirSize]; // "/check:" path, or empty for the script beside us
extern char g_packPath[kTargetDirSize];   // "/pack:": the packed file to write, or empty
extern char g_extractDir[kTargetDirSize]; // "/extract:": where the packed media go, or empty
extern char g_storedMedia[kTargetDirSize]; // "/stored:": the store that a packed program
                                          // unpacked files of the media into, or empty
extern char g_relocatedFrom[kTargetDirSize];  // "/relocated:": the installed setup.exe that
                                             // handed this removal to a copy, or empty
extern const char *g_commandLineFault;   // the option whose value could not be taken, or NULL
