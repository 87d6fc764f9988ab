// The component checklist: a list box whose item data carries a check state (bits 0-15), an
// image number (bits 16-23) and a "newer version installed" mark (bits 24-31). A subclass
// turns the space key and a click on the check square into a toggle that the parent may
// refuse (CLN_CHECKCHANGING) and is told about afterwards (CLN_CHECKCHANGED).
#include "pages/CheckList.h"

#include <commctrl.h>

#include "common/CodePage.h"
#include "common/Globals.h"
#include "res/resource.h"

namespace {

constexpr DWORD kCheckMask = 0x0000FFFFu;
constexpr int kImageShift = 16;
constexpr int kMarkShift = 24;
constexpr DWORD kByteMask = 0xFFu;

constexpr int kImageSize = 16;               // images of bitmap 2 are 16 x 16
constexpr COLORREF kImageMask = RGB(0, 128, 128);  // the teal behind them
constexpr int kImageChecked = 14;
constexpr int kImageUnchecked = 15;
constexpr int kItemPadding = 2;              // one pixel above and below the images
constexpr int kTextGap = 4;                  // between the product picture and the text

// The list box's own procedure; there is one checklist in the program.
WNDPROC g_checkListPreviousProc;
HIMAGELIST g_imageStrip;

// The item data of index; false when the list has no such item.
bool ReadItemData(HWND list, int index, DWORD *data) {
  LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  if (index < 0 || count == LB_ERR || index >= count) return false;
  LRESULT value = SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
  if (value == LB_ERR) return false;
  *data = static_cast<DWORD>(value);
  return true;
}

// Stores the item data and redraws the item without erasing its background.
void StoreItemData(HWND list, int index, DWORD data) {
  SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data));
  RECT rect;
  if (SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(&rect)) != LB_ERR)
    InvalidateRect(list, &rect, FALSE);
}

// WM_COMMAND to the parent: low word the list's id, high word the code; lParam carries the
// item index and the new check state.
void NotifyParent(HWND list, WORD code, int index, int state) {
  WORD id = static_cast<WORD>(GetWindowLongPtrA(list, GWLP_ID));
  SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(id, code),
               MAKELPARAM(static_cast<WORD>(index), static_cast<WORD>(state)));
}

// Asks the parent first; changes the item only when the parent leaves its result at 0.
void CheckListToggle(HWND list, int index) {
  int state = CheckListGetCheck(list, index) == 0 ? 1 : 0;
  HWND parent = GetParent(list);
  SetWindowLongPtrA(parent, DWLP_MSGRESULT, 0);
  NotifyParent(list, CLN_CHECKCHANGING, index, state);
  if (GetWindowLongPtrA(parent, DWLP_MSGRESULT) == 0) CheckListSetCheck(list, index, state);
}

void HandleKeyDown(HWND list, WPARAM key) {
  if ((key & 0xFF) != VK_SPACE) return;
  LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
  if (index >= 0) CheckListToggle(list, static_cast<int>(index));
}

// A button-up inside the check square of an item toggles that item.
void HandleButtonUp(HWND list, LPARAM position) {
  POINT client = {LOWORD(position), HIWORD(position)};
  POINT screen = client;
  MapWindowPoints(list, nullptr, &screen, 1);
  int index = LBItemFromPt(list, screen, FALSE);
  if (index < 0) return;
  RECT square;
  if (SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(&square)) == LB_ERR)
    return;
  square.right = square.left + (square.bottom - square.top);
  if (PtInRect(&square, client)) CheckListToggle(list, index);
}

HIMAGELIST ListImages(HWND list) {
  return reinterpret_cast<HIMAGELIST>(GetWindowLongPtrA(list, GWLP_USERDATA));
}

// The item's name; empty when it does not fit the buffer.
void ReadItemText(HWND list, UINT index, char (&text)[kFieldSize]) {
  text[0] = '\0';
  LRESULT length = SendMessageA(list, LB_GETTEXTLEN, index, 0);
  if (length >= 0 && length < static_cast<LRESULT>(sizeof(text)))
    SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
}

// Where an item's name goes: right of its check box and product picture.
RECT NameRect(RECT item, int imageSize) {
  item.left += 2 * imageSize + kTextGap;
  item.top += 1;
  item.right -= 1;
  item.bottom -= 1;
  return item;
}

int ImageSizeOf(HIMAGELIST images) {
  int cx = kImageSize;
  int cy = kImageSize;
  if (images) ImageList_GetIconSize(images, &cx, &cy);
  return cy;
}

// A name wider than its row ends with an ellipsis; the system cuts it between characters,
// whatever their size in bytes.
constexpr UINT kNameFormat = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;

// GDI reads narrow text in the code page of the font's character set, the system's, even
// where the narrow calls use UTF-8: such text is drawn and measured in its wide form.
void DrawLabel(HDC dc, const char *text, RECT *rect) {
  WCHAR wide[kFieldSize];
  if (NarrowCallsUseUtf8() && MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, kFieldSize))
    DrawTextW(dc, wide, -1, rect, kNameFormat);
  else
    DrawTextA(dc, text, -1, rect, kNameFormat);
}

SIZE LabelExtent(HDC dc, const char *text) {
  SIZE size = {};
  WCHAR wide[kFieldSize];
  int units = NarrowCallsUseUtf8() ? MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, kFieldSize)
                                   : 0;
  if (units > 0) GetTextExtentPoint32W(dc, wide, units - 1, &size);
  else GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
  return size;
}

// Text of the item with the colours of its state; the previous colours are put back.
void DrawItemText(const DRAWITEMSTRUCT *draw, int imageSize, bool highlighted, bool marked) {
  char text[kFieldSize];
  ReadItemText(draw->hwndItem, draw->itemID, text);
  RECT rect = NameRect(draw->rcItem, imageSize);
  bool textColourSet = marked || highlighted;
  COLORREF oldText = 0;
  COLORREF oldBack = 0;
  if (textColourSet)
    oldText = SetTextColor(draw->hDC,
                           GetSysColor(marked ? COLOR_GRAYTEXT : COLOR_HIGHLIGHTTEXT));
  if (highlighted) oldBack = SetBkColor(draw->hDC, GetSysColor(COLOR_HIGHLIGHT));
  DrawLabel(draw->hDC, text, &rect);
  if (textColourSet) SetTextColor(draw->hDC, oldText);
  if (highlighted) SetBkColor(draw->hDC, oldBack);
}

}  // namespace

int CheckListGetCheck(HWND list, int index) {
  DWORD data;
  return ReadItemData(list, index, &data) ? static_cast<int>(data & kCheckMask) : 0;
}

int CheckListGetMark(HWND list, int index) {
  DWORD data;
  return ReadItemData(list, index, &data) ? static_cast<int>((data >> kMarkShift) & kByteMask)
                                          : 0;
}

int CheckListSetCheck(HWND list, int index, int state) {
  DWORD data;
  if (!ReadItemData(list, index, &data)) return 0;
  DWORD check = static_cast<DWORD>(state) & kCheckMask;
  StoreItemData(list, index, (data & ~kCheckMask) | check);
  NotifyParent(list, CLN_CHECKCHANGED, index, static_cast<int>(check));
  return 1;
}

int CheckListSetImageAndMark(HWND list, int index, int image, int mark) {
  DWORD data;
  if (!ReadItemData(list, index, &data)) return 0;
  data = (data & kCheckMask) | ((static_cast<DWORD>(image) & kByteMask) << kImageShift) |
         ((static_cast<DWORD>(mark) & kByteMask) << kMarkShift);
  StoreItemData(list, index, data);
  return 1;
}

LRESULT CALLBACK CheckListWndProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
      HandleKeyDown(list, wParam);
      break;
    case WM_LBUTTONUP:
      HandleButtonUp(list, lParam);
      break;
  }
  return CallWindowProcA(g_checkListPreviousProc, list, message, wParam, lParam);
}

void SubclassCheckList(HWND list) {
  LONG_PTR previous = SetWindowLongPtrA(list, GWLP_WNDPROC,
                                        reinterpret_cast<LONG_PTR>(CheckListWndProc));
  g_checkListPreviousProc = reinterpret_cast<WNDPROC>(previous);
}

HIMAGELIST ImageStrip(HINSTANCE instance) {
  if (!g_imageStrip)
    g_imageStrip = ImageList_LoadImageA(instance, MAKEINTRESOURCEA(IDB_IMAGES), kImageSize, 0,
                                        kImageMask, IMAGE_BITMAP, 0);
  return g_imageStrip;
}

void ReleaseImageStrip() {
  if (g_imageStrip) ImageList_Destroy(g_imageStrip);
  g_imageStrip = nullptr;
}

// The list box asks for its item height while the page is being made, before the page has
// its context: the list takes the program's image strip here.
void MeasureCheckListItem(HWND page, MEASUREITEMSTRUCT *measure) {
  HWND list = GetDlgItem(page, static_cast<int>(measure->CtlID));
  HIMAGELIST images = list ? ListImages(list) : nullptr;
  if (!images) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(page, GWLP_HINSTANCE));
    images = ImageStrip(instance);
    if (list) SetWindowLongPtrA(list, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(images));
  }
  measure->itemHeight = static_cast<UINT>(ImageSizeOf(images) + kItemPadding);
}

// Draws one item: the check box, the product picture (dimmed when a newer version is
// installed) and the name; the same for every item action.
void DrawCheckListItem(const DRAWITEMSTRUCT *draw) {
  HIMAGELIST images = ListImages(draw->hwndItem);
  bool highlighted = (draw->itemState & ODS_SELECTED) && (draw->itemState & ODS_FOCUS);
  RECT item = draw->rcItem;
  FillRect(draw->hDC, &item,
           reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(
               (highlighted ? COLOR_HIGHLIGHT : COLOR_WINDOW) + 1)));
  if (draw->itemID != static_cast<UINT>(-1)) {
    DWORD data = static_cast<DWORD>(draw->itemData);
    bool checked = (data & kCheckMask) != 0;
    int image = static_cast<int>((data >> kImageShift) & kByteMask);
    bool marked = ((data >> kMarkShift) & kByteMask) != 0;
    int size = ImageSizeOf(images);
    if (images) {
      ImageList_Draw(images, checked ? kImageChecked : kImageUnchecked, draw->hDC,
                     item.left + 1, item.top + 1, ILD_TRANSPARENT);
      COLORREF blend = GetSysColor(highlighted ? COLOR_HIGHLIGHT : COLOR_WINDOW);
      ImageList_DrawEx(images, image + 1, draw->hDC, item.left + size + 1, item.top + 1, 0, 0,
                       0, blend, marked ? (ILD_TRANSPARENT | ILD_BLEND50) : ILD_TRANSPARENT);
    }
    DrawItemText(draw, size, highlighted, marked);
  }
  if (draw->itemState & ODS_FOCUS) DrawFocusRect(draw->hDC, &item);
}

bool CheckListCutName(HWND list, int index, char (&name)[kFieldSize]) {
  RECT item;
  ReadItemText(list, static_cast<UINT>(index), name);
  if (!name[0] || SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(index),
                               reinterpret_cast<LPARAM>(&item)) == LB_ERR)
    return false;
  RECT room = NameRect(item, ImageSizeOf(ListImages(list)));
  HDC dc = GetDC(list);
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0));
  HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
  SIZE need = LabelExtent(dc, name);
  if (previous) SelectObject(dc, previous);
  ReleaseDC(list, dc);
  return need.cx > room.right - room.left;
}
