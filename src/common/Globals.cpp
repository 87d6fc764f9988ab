#include "common/Globals.h"

namespace {
// The lists' first storage, enough for the command line's keys.
char initialKeyList[kKeyListSize];
char initialSectionList[kSectionListSize];
}  // namespace

int g_removeMode;
int g_quiet;
int g_wizardStyle;
unsigned short g_languageId = kLangEnglishUS;
char *g_productKey = initialKeyList;
size_t g_productKeySize = sizeof(initialKeyList);
const char *g_installSection = "Install";
const char *g_removeSection = "Remove";
const char *g_productsSection = "Products";
char g_targetDir[kTargetDirSize];
char *g_sectionList = initialSectionList;
size_t g_sectionListSize = sizeof(initialSectionList);
volatile int g_workerBusy;
volatile int g_rebootNeeded;
int g_runOutcome;
int g_silent;
int g_targetDirGiven;
char g_logPath[kTargetDirSize];
int g_logInTemp;
int g_allowDowngrade;
int g_checkScript;
char g_checkPath[kTargetDirSize];
char g_packPath[kTargetDirSize];
char g_extractDir[kTargetDirSize];
char g_storedMedia[kTargetDirSize];
char g_relocatedFrom[kTargetDirSize];
const char *g_commandLineFault;
