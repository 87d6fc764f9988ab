// The product catalogue: the lines of the chosen Products section, read for the pages and the
// workers.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include "common/Globals.h"

// One listed product as the components page offers it.
struct ListedProduct {
  char name[kFieldSize];
  int icon;      // its icon number
  bool newer;    // a more recent version than the script's is installed
  bool checked;  // checked by default: its flags say so, and no more recent version is there
};

// Hands every listed product, in line order, to show until it returns false; returns the
// number it took.
using ShowProduct = bool (*)(const ListedProduct &product, void *data);
int ReadListedProducts(HINF inf, ShowProduct show, void *data);

// Gives g_productKey and g_sectionList room for every product of the script, keeping what
// they hold; false, logged, when memory ran out.
bool FitListsToScript(HINF inf);

// Whether the listed product at index (counted in line order, from 0) is chosen.
using ProductChoice = bool (*)(INFCONTEXT *line, int index, const void *choices);

// The keys of the chosen listed products in list order. A key that does not fit the list ends
// the collection there: the products before it stay chosen, none is ever cut.
int CollectChosenProducts(HINF inf, char *keyList, size_t size, ProductChoice chosen,
                          const void *choices);
// The keys whose flags check them by default, in list order: what a run without a person
// chooses before it looks at the installed versions (DropNewerInstalled).
int CollectDefaultProducts(HINF inf, char *keyList, size_t size);
// Takes every product whose installed version is newer than the script's out of keyList,
// unless allowDowngrade keeps it; a log line names each such product and both versions.
// Returns the number taken out.
int DropNewerInstalled(HINF inf, char *keyList, bool allowDowngrade);
void GetProductDescription(HINF inf, int index, char *buffer, int size);
int CompareInstalledVersion(HINF inf, int index);
int CountProductsWithFlag(HINF inf, const char *keyList, int mask);
bool GetRemoveProductName(HINF inf, const char *key, char *buffer, int size, int *iconNumber);

// The install run's section list: the Install section, then the install section of each key's
// product; false when a section did not fit the list, which then holds only the sections before it.
bool BuildInstallSectionListChecked(HINF inf, const char *keyList, char *sectionList,
                                    size_t size);
