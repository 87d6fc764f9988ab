// The components page's checklist and the catalogue: the list filled with the listed products,
// and the keys of the checked ones read back from it.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include <stddef.h>

// Adds every listed product of the script to the page's checklist: its name, picture, the mark
// of a more recent installed version and its default check. Returns the number of items.
int FillProductList(HWND page, HINF inf);

// The keys of the checked items, in list order, into keyList (see CollectChosenProducts).
int CollectCheckedProducts(HWND page, HINF inf, char *keyList, size_t size);
