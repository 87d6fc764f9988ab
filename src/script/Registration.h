// Uninstall registration under HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall".
#pragma once
#include <windows.h>
#include <setupapi.h>

// The copy of the program that an Uninstall entry starts.
constexpr char kSetupProgramName[] = "setup.exe";

int RegisterUninstallEntries(HINF inf, const char *keyList);
int FindSetupCopyPath(HINF inf, const char *section, char *path /* 260 bytes */);
// The target path of the first line of the file list whose target name is fileName
// (compared without regard to case), in the file list's own destination directory.
bool FindCopyInFileList(HINF inf, const char *fileList, const char *fileName,
                        char *path /* 260 bytes */);
int FindInstalledTargetDir(HINF inf, const char *keyList /* or NULL */, char *dir /* 260 */);
void BuildRemoveSectionList(HINF inf, const char *keyList, char *sectionList /* 1024 */);
int DeleteUninstallEntries(HINF inf, const char *keyList);

// Reads a text value of key's Uninstall entry into buffer (size bytes, NUL included; the value
// type is not checked). False, with the buffer empty, when the entry or the value is missing,
// empty, or too long for the buffer.
bool ReadUninstallValue(const char *key, const char *valueName, char *buffer, DWORD size);

// As BuildRemoveSectionList; 0 when a section did not fit the list, which then holds only the
// sections before it.
int BuildRemoveSectionListChecked(HINF inf, const char *keyList, char *sectionList);
