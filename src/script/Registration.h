// Uninstall registration under HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall".
#pragma once
#include <windows.h>
#include <setupapi.h>

int RegisterUninstallEntries(HINF inf, const char *keyList);
int FindSetupCopyPath(HINF inf, const char *section, char *path /* 260 bytes */);
int FindInstalledTargetDir(HINF inf, const char *keyList /* or NULL */, char *dir /* 260 */);
void BuildRemoveSectionList(HINF inf, const char *keyList, char *sectionList /* 1024 */);
int DeleteUninstallEntries(HINF inf, const char *keyList);
