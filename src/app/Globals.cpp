#include "app/Globals.h"

int g_removeMode;
int g_quiet;
int g_wizardStyle;
unsigned short g_languageId = kLangEnglishUS;
char g_productKey[kKeyListSize];
const char *g_installSection = "Install";
const char *g_removeSection = "Remove";
const char *g_productsSection = "Products";
char g_targetDir[kTargetDirSize];
char g_sectionList[kSectionListSize];
volatile int g_workerBusy;
volatile int g_rebootNeeded;
int g_runOutcome;
int g_exitCode;
int g_silent;
int g_targetDirGiven;
char g_logPath[kTargetDirSize];
int g_checkScript;
char g_checkPath[kTargetDirSize];
char g_relocatedFrom[kTargetDirSize];
const char *g_commandLineFault;
