// The component checklist: an owner-drawn list box whose items carry a check state, an
// image number and a "newer version installed" mark in their item data.
#pragma once
#include <windows.h>

constexpr WORD CLN_CHECKCHANGING = 0xFFF0;  // WM_COMMAND code: asks the parent first
constexpr WORD CLN_CHECKCHANGED = 0xFFF1;   // WM_COMMAND code: tells the parent after

int CheckListGetCheck(HWND list, int index);
int CheckListGetMark(HWND list, int index);
int CheckListSetCheck(HWND list, int index, int state);
int CheckListSetImageAndMark(HWND list, int index, int image, int mark);
LRESULT CALLBACK CheckListWndProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam);
// Installs CheckListWndProc on the list, keeping the list box's own procedure.
void SubclassCheckList(HWND list);
// WM_MEASUREITEM and WM_DRAWITEM of the list, handed on by the components page.
void MeasureCheckListItem(HWND page, MEASUREITEMSTRUCT *measure);
void DrawCheckListItem(const DRAWITEMSTRUCT *draw);
