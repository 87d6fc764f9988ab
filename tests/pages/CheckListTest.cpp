// The component checklist in a real dialog: toggles by key and mouse, the parent's veto, the
// notifications, the item data and the drawing.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "pages/CheckList.h"

namespace {

constexpr int kListId = 1206;
constexpr DWORD kListStyle = 0x50A10151;
constexpr int kRow = 18;  // item height with 16-pixel images

struct Notice {
  WORD code;
  int index;
  int state;
};

struct ParentState {
  std::vector<Notice> notices;
  bool refuse = false;
};
ParentState g_parent;

INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MEASUREITEM:
      MeasureCheckListItem(dialog, reinterpret_cast<MEASUREITEMSTRUCT *>(lParam));
      return TRUE;
    case WM_DRAWITEM:
      DrawCheckListItem(reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
      return TRUE;
    case WM_COMMAND: {
      WORD code = HIWORD(wParam);
      if (LOWORD(wParam) != kListId || (code != CLN_CHECKCHANGING && code != CLN_CHECKCHANGED))
        return TRUE;
      g_parent.notices.push_back({code, LOWORD(lParam), HIWORD(lParam)});
      if (code == CLN_CHECKCHANGING && g_parent.refuse)
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 1);
      return TRUE;
    }
  }
  return FALSE;
}

// A dialog template in memory with the checklist as its only control.
std::vector<WORD> DialogTemplate() {
  std::vector<WORD> t(64, 0);
  auto *dialog = reinterpret_cast<DLGTEMPLATE *>(t.data());
  dialog->style = WS_POPUP | WS_CAPTION;
  dialog->cdit = 1;
  dialog->cx = 260;
  dialog->cy = 160;
  size_t at = sizeof(DLGTEMPLATE) / sizeof(WORD) + 3;  // no menu, default class, no title
  at = (at + 1) & ~size_t(1);                          // items start on a DWORD
  auto *item = reinterpret_cast<DLGITEMTEMPLATE *>(t.data() + at);
  item->style = kListStyle;
  item->x = 21;
  item->y = 67;
  item->cx = 220;
  item->cy = 69;
  item->id = kListId;
  at += sizeof(DLGITEMTEMPLATE) / sizeof(WORD);
  t[at++] = 0xFFFF;
  t[at++] = 0x0083;  // list box
  t[at++] = 0;       // no text
  t[at++] = 0;       // no creation data
  t.resize(at);
  return t;
}

class CheckListTest : public testing::Test {
 protected:
  void SetUp() override {
    g_parent = ParentState();
    std::vector<WORD> t = DialogTemplate();
    dialog_ = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                         reinterpret_cast<DLGTEMPLATE *>(t.data()), nullptr,
                                         TestDialogProc, 0);
    ASSERT_NE(dialog_, nullptr);
    list_ = GetDlgItem(dialog_, kListId);
    ASSERT_NE(list_, nullptr);
    const char *names[] = {"Alpha", "Beta", "Gamma"};
    for (int i = 0; i < 3; ++i) {
      SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names[i]));
      CheckListSetImageAndMark(list_, i, i + 1, i == 2);
      CheckListSetCheck(list_, i, i == 0);
    }
    SubclassCheckList(list_);
    g_parent.notices.clear();
  }
  void TearDown() override {
    if (dialog_) DestroyWindow(dialog_);
  }

  void Click(int x, int y) {
    SendMessageA(list_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageA(list_, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }
  void Space() { SendMessageA(list_, WM_KEYDOWN, VK_SPACE, 0); }
  std::vector<int> Checks() {
    return {CheckListGetCheck(list_, 0), CheckListGetCheck(list_, 1), CheckListGetCheck(list_, 2)};
  }
  int Count(WORD code) {
    int n = 0;
    for (const Notice &notice : g_parent.notices) n += notice.code == code;
    return n;
  }

  HWND dialog_ = nullptr;
  HWND list_ = nullptr;
};

TEST_F(CheckListTest, MeasuringLoadsTheImagesOnce) {
  EXPECT_NE(GetWindowLongPtrA(list_, GWLP_USERDATA), 0);
  EXPECT_EQ(SendMessageA(list_, LB_GETITEMHEIGHT, 0, 0), kRow);
  HIMAGELIST images = reinterpret_cast<HIMAGELIST>(GetWindowLongPtrA(list_, GWLP_USERDATA));
  EXPECT_EQ(ImageList_GetImageCount(images), 71);
  MEASUREITEMSTRUCT again = {};
  again.CtlID = kListId;
  MeasureCheckListItem(dialog_, &again);
  EXPECT_EQ(again.itemHeight, static_cast<UINT>(kRow));
  EXPECT_EQ(GetWindowLongPtrA(list_, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(images));
}

TEST_F(CheckListTest, SpaceTogglesTheSelectedItemAfterAsking) {
  Space();
  EXPECT_TRUE(g_parent.notices.empty()) << "no selection: nothing to toggle";
  SendMessageA(list_, LB_SETCURSEL, 1, 0);
  Space();
  EXPECT_EQ(Checks(), (std::vector<int>{1, 1, 0}));
  ASSERT_EQ(g_parent.notices.size(), 2u);
  EXPECT_EQ(g_parent.notices[0].code, CLN_CHECKCHANGING);
  EXPECT_EQ(g_parent.notices[0].index, 1);
  EXPECT_EQ(g_parent.notices[0].state, 1);
  EXPECT_EQ(g_parent.notices[1].code, CLN_CHECKCHANGED);
  EXPECT_EQ(g_parent.notices[1].state, 1);
  SendMessageA(list_, LB_SETCURSEL, 0, 0);
  Space();
  EXPECT_EQ(Checks(), (std::vector<int>{0, 1, 0}));
  EXPECT_EQ(g_parent.notices.back().state, 0);
  SendMessageA(list_, WM_KEYDOWN, 'A', 0);
  EXPECT_EQ(g_parent.notices.size(), 4u) << "other keys never toggle";
}

TEST_F(CheckListTest, OnlyAClickOnTheCheckSquareToggles) {
  Click(20, kRow + 5);  // the picture of item 1
  Click(60, kRow + 5);  // its text
  EXPECT_EQ(SendMessageA(list_, LB_GETCURSEL, 0, 0), 1) << "the click still selects";
  Click(5, 3 * kRow + 5);  // below the last item
  EXPECT_EQ(Checks(), (std::vector<int>{1, 0, 0}));
  EXPECT_TRUE(g_parent.notices.empty());
  Click(kRow - 1, kRow + kRow - 1);  // the far corner of item 1's check square
  EXPECT_EQ(Checks(), (std::vector<int>{1, 1, 0}));
  Click(kRow, kRow + 5);  // just right of the square
  Click(2, 2);            // item 0's square
  EXPECT_EQ(Checks(), (std::vector<int>{0, 1, 0}));
  EXPECT_EQ(Count(CLN_CHECKCHANGED), 2);
}

TEST_F(CheckListTest, RefusedToggleChangesNothing) {
  g_parent.refuse = true;
  SendMessageA(list_, LB_SETCURSEL, 2, 0);
  LRESULT before = SendMessageA(list_, LB_GETITEMDATA, 2, 0);
  Space();
  Click(5, 2 * kRow + 5);
  EXPECT_EQ(SendMessageA(list_, LB_GETITEMDATA, 2, 0), before);
  EXPECT_EQ(Count(CLN_CHECKCHANGING), 2);
  EXPECT_EQ(Count(CLN_CHECKCHANGED), 0);
  g_parent.refuse = false;
  Space();
  EXPECT_EQ(CheckListGetCheck(list_, 2), 1) << "the next toggle is allowed again";
}

TEST_F(CheckListTest, ProgramChangesOnlyTell) {
  EXPECT_EQ(CheckListSetCheck(list_, 1, 0x12345), 1);
  EXPECT_EQ(CheckListGetCheck(list_, 1), 0x2345) << "the low 16 bits are the state";
  EXPECT_EQ(CheckListSetImageAndMark(list_, 1, 0x1FF, 0x103), 1);
  ASSERT_EQ(g_parent.notices.size(), 1u);
  EXPECT_EQ(g_parent.notices[0].code, CLN_CHECKCHANGED);
  EXPECT_EQ(g_parent.notices[0].index, 1);
  EXPECT_EQ(g_parent.notices[0].state, 0x2345);
  EXPECT_EQ(SendMessageA(list_, LB_GETITEMDATA, 1, 0), static_cast<LRESULT>(0x03FF2345));
  EXPECT_EQ(CheckListSetCheck(list_, 3, 1), 0);
  EXPECT_EQ(CheckListSetCheck(list_, -1, 1), 0);
  EXPECT_EQ(CheckListSetImageAndMark(list_, 3, 1, 1), 0);
  EXPECT_EQ(CheckListGetCheck(list_, 7), 0);
  EXPECT_EQ(CheckListGetMark(list_, 7), 0);
  EXPECT_EQ(g_parent.notices.size(), 1u) << "a failed change tells nothing";
}

TEST_F(CheckListTest, DoubleClickTogglesTwice) {
  LPARAM square = MAKELPARAM(4, kRow + 4);
  SendMessageA(list_, WM_LBUTTONDOWN, MK_LBUTTON, square);
  SendMessageA(list_, WM_LBUTTONUP, 0, square);
  SendMessageA(list_, WM_LBUTTONDBLCLK, MK_LBUTTON, square);
  SendMessageA(list_, WM_LBUTTONUP, 0, square);
  EXPECT_EQ(CheckListGetCheck(list_, 1), 0);
  EXPECT_EQ(Count(CLN_CHECKCHANGED), 2);
}

TEST_F(CheckListTest, ImageAndMarkSurviveCheckChanges) {
  SendMessageA(list_, LB_SETCURSEL, 2, 0);
  Space();
  Click(3, 2 * kRow + 3);
  CheckListSetCheck(list_, 2, 1);
  EXPECT_EQ(CheckListGetMark(list_, 2), 1);
  EXPECT_EQ((SendMessageA(list_, LB_GETITEMDATA, 2, 0) >> 16) & 0xFF, 3);
  CheckListSetImageAndMark(list_, 2, 7, 0);
  EXPECT_EQ(CheckListGetCheck(list_, 2), 1) << "a new image keeps the check";
  EXPECT_EQ(CheckListGetMark(list_, 2), 0);
}

// Draws item index into a 32-bit bitmap and reads pixels back.
class DrawnItem {
 public:
  DrawnItem(HWND list, int index, UINT state) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kRow;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, nullptr, nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    DRAWITEMSTRUCT draw = {};
    draw.CtlType = ODT_LISTBOX;
    draw.CtlID = kListId;
    draw.itemID = static_cast<UINT>(index);
    draw.itemAction = ODA_DRAWENTIRE;
    draw.itemState = state;
    draw.hwndItem = list;
    draw.hDC = dc_;
    draw.rcItem = {0, 0, kWidth, kRow};
    draw.itemData = index < 0 ? 0 : SendMessageA(list, LB_GETITEMDATA, index, 0);
    DrawCheckListItem(&draw);
  }
  ~DrawnItem() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
  // Whether any pixel in columns [from, to) differs from colour.
  bool AnyOtherThan(COLORREF colour, int from, int to) const {
    for (int x = from; x < to; ++x)
      for (int y = 1; y < kRow - 1; ++y)
        if (At(x, y) != colour) return true;
    return false;
  }
  static constexpr int kWidth = 200;

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

TEST_F(CheckListTest, DrawsBoxPictureAndText) {
  const COLORREF window = GetSysColor(COLOR_WINDOW);
  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  {
    DrawnItem item(list_, 0, 0);  // checked, image number 1: image 2 (lime)
    EXPECT_EQ(item.At(0, 0), window);
    EXPECT_EQ(item.At(1, 1), RGB(255, 0, 0));
    EXPECT_EQ(item.At(16, 16), RGB(255, 0, 0));
    EXPECT_EQ(item.At(17, 1), RGB(0, 255, 0));
    EXPECT_EQ(item.At(32, 16), RGB(0, 255, 0));
    EXPECT_FALSE(item.AnyOtherThan(window, 33, 36)) << "the text starts 36 pixels in";
    EXPECT_TRUE(item.AnyOtherThan(window, 36, 80)) << "the text is drawn";
  }
  {
    DrawnItem item(list_, 1, ODS_SELECTED);  // unchecked; selected without focus: plain
    EXPECT_EQ(item.At(5, 5), RGB(0, 0, 255));
    EXPECT_EQ(item.At(20, 5), RGB(255, 255, 0));
    EXPECT_EQ(item.At(0, 0), window);
  }
  {
    DrawnItem item(list_, 1, ODS_SELECTED | ODS_FOCUS);  // highlighted
    EXPECT_EQ(item.At(100, 9), highlight);
    EXPECT_EQ(item.At(5, 5), RGB(0, 0, 255));
  }
  {
    DrawnItem item(list_, 2, 0);  // marked: the picture (fuchsia) is blended
    EXPECT_TRUE(item.AnyOtherThan(RGB(255, 0, 255), 17, 33)) << "not the plain picture";
    EXPECT_TRUE(item.AnyOtherThan(window, 17, 33)) << "but not gone either";
  }
  CheckListSetImageAndMark(list_, 1, 0, 0);
  {
    DrawnItem item(list_, 1, 0);  // image number 0: image 1 is blank
    EXPECT_FALSE(item.AnyOtherThan(window, 17, 36));
  }
}

// GDI reads narrow text in the font's code page, not in the UTF-8 of the narrow calls: a name
// outside ASCII is drawn as wide as its characters, not as its bytes.
TEST_F(CheckListTest, DrawsAUtf8NameAsItsCharacters) {
  ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the test carries the program's manifest";
  SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("\xCE\xA9\xCE\xBC\xCE\xAD"));
  DrawnItem item(list_, 3, 0);
  int last = 0;
  for (int x = 36; x < DrawnItem::kWidth; ++x)
    if (item.AnyOtherThan(GetSysColor(COLOR_WINDOW), x, x + 1)) last = x;
  HDC dc = CreateCompatibleDC(nullptr);
  RECT expected = {0, 0, DrawnItem::kWidth, kRow};
  DrawTextW(dc, L"\x03A9\x03BC\x03AD", -1, &expected, DT_CALCRECT | DT_SINGLELINE);
  DeleteDC(dc);
  EXPECT_NEAR(last + 1 - 36, expected.right, 3) << "the ink ends where the characters do";
}

TEST_F(CheckListTest, EmptyListDrawsBackgroundAndFocus) {
  SendMessageA(list_, LB_RESETCONTENT, 0, 0);
  DrawnItem item(list_, -1, ODS_FOCUS);
  const COLORREF window = GetSysColor(COLOR_WINDOW);
  EXPECT_EQ(item.At(5, 5), window);
  EXPECT_EQ(item.At(100, 9), window);
  bool focusDrawn = false;
  for (int x = 0; x < DrawnItem::kWidth; ++x) focusDrawn |= item.At(x, 0) != window;
  EXPECT_TRUE(focusDrawn) << "focus rectangle along the edge";
}

}  // namespace
