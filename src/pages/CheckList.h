// The component checklist: an owner-drawn list box whose items carry a check state, an
// image number and a "newer version installed" mark in their item data.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "common/Globals.h"

constexpr WORD CLN_CHECKCHANGING = 0xFFF0;  // WM_COMMAND code: asks the parent first
constexpr WORD CLN_CHECKCHANGED = 0xFFF1;   // WM_COMMAND code: tells the parent after

int CheckListGetCheck(HWND list, int index);
int CheckListGetMark(HWND list, int index);
int CheckListSetCheck(HWND list, int index, int state);
int CheckListSetImageAndMark(HWND list, int index, int image, int mark);
// True, with the item's whole name, when its row is too narrow for it: the row shows it cut,
// ending with an ellipsis.
bool CheckListCutName(HWND list, int index, char (&name)[kFieldSize]);
LRESULT CALLBACK CheckListWndProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam);
// Installs CheckListWndProc on the list, keeping the list box's own procedure.
void SubclassCheckList(HWND list);
// The program's image strip (bitmap 2, images of 16 x 16): the check boxes and product
// pictures of the checklist, the notice icon and the remove page's product icon. Loaded once
// for the process by whichever asks first; ReleaseImageStrip destroys it.
HIMAGELIST ImageStrip(HINSTANCE instance);
void ReleaseImageStrip();
// WM_MEASUREITEM and WM_DRAWITEM of the list, handed on by the components page.
void MeasureCheckListItem(HWND page, MEASUREITEMSTRUCT *measure);
void DrawCheckListItem(const DRAWITEMSTRUCT *draw);
