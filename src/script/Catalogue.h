// The product catalogue: the lines of the chosen Products section.
#pragma once
#include <windows.h>
#include <setupapi.h>

int FillProductList(HWND page, HINF inf);
// Gives g_productKey and g_sectionList room for every product of the script, keeping what
// they hold; false, logged, when memory ran out.
bool FitListsToScript(HINF inf);

int CollectCheckedProducts(HWND page, HINF inf, char *keyList, size_t size);
// The keys that the components page checks by default, in list order: what a run without a
// person chooses.
int CollectDefaultProducts(HINF inf, char *keyList, size_t size);
void GetProductDescription(HINF inf, int index, char *buffer, int size);
int CompareInstalledVersion(HINF inf, int index);
int CountProductsWithFlag(HINF inf, const char *keyList, int mask);
int GetRemoveProductName(HINF inf, const char *key, char *buffer, int size, int *iconNumber);
void BuildInstallSectionList(HINF inf, const char *keyList, char *sectionList /* 1024 */);

// As BuildInstallSectionList; 0 when a section did not fit the list, which then holds only the
// sections before it.
int BuildInstallSectionListChecked(HINF inf, const char *keyList, char *sectionList,
                                   size_t size);
