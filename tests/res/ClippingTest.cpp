// Every template of every language created as a real dialog: each text, the fixed ones and
// those the pages put in at run time, is measured against its control in the font the page
// uses, with the control's own wrapping.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "res/ResourceReader.h"
#include "res/resource.h"

namespace {

constexpr int kPointsPerInch = 72;
constexpr int kTitlePoints = 12;
constexpr int kHeaderPoints = 8;
constexpr int kButtonMargin = 3;  // edge and focus rectangle on each side of a push button
constexpr int kClassNameSize = 64;
constexpr int kTextSize = 1024;

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}

// The bold fonts the pages give their titles, made as the wizard makes them.
HFONT CreatePageFont(int points) {
  HDC screen = GetDC(nullptr);
  int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  LOGFONTA font;
  ZeroMemory(&font, sizeof(font));
  lstrcpynA(font.lfFaceName, "MS Shell Dlg", LF_FACESIZE);
  font.lfWeight = FW_BOLD;
  font.lfHeight = -MulDiv(points, pixelsPerInch, kPointsPerInch);
  return CreateFontIndirectA(&font);
}

// A text of the string table as the ANSI calls see it.
std::string InAnsiCodePage(const std::string &cp1252) {
  std::wstring wide(cp1252.size() + 1, L'\0');
  int n = MultiByteToWideChar(1252, 0, cp1252.c_str(), -1, &wide[0],
                              static_cast<int>(wide.size()));
  std::string out(n * 2 + 1, '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, &out[0], static_cast<int>(out.size()),
                      nullptr, nullptr);
  return out.c_str();
}

std::string ClassOf(HWND window) {
  char name[kClassNameSize] = "";
  GetClassNameA(window, name, sizeof(name));
  return name;
}

// Measures text in control with font; returns "" when it fits, else what it needs.
std::string Misfit(HWND control, HFONT font, const std::string &text) {
  if (text.empty()) return "";
  const std::string cls = ClassOf(control);
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(control, GWL_STYLE));
  RECT client;
  GetClientRect(control, &client);
  UINT flags = DT_CALCRECT | DT_EXPANDTABS;
  int width = client.right, height = client.bottom;
  if (lstrcmpiA(cls.c_str(), "Static") == 0) {
    const DWORD type = style & SS_TYPEMASK;
    if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT) return "";
    flags |= DT_WORDBREAK;
    if (style & SS_NOPREFIX) flags |= DT_NOPREFIX;
  } else if (lstrcmpiA(cls.c_str(), "Button") == 0) {
    const DWORD type = style & BS_TYPEMASK;
    flags |= DT_SINGLELINE;
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
      width -= 2 * kButtonMargin;
      height -= 2 * kButtonMargin;
    } else if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX) {
      width -= GetSystemMetrics(SM_CXMENUCHECK) + kButtonMargin;
    }
  } else {
    return "";
  }
  HDC dc = GetDC(control);
  HGDIOBJ previous = SelectObject(dc, font);
  RECT need = {0, 0, width, 0};
  DrawTextA(dc, text.c_str(), -1, &need, flags);
  SelectObject(dc, previous);
  ReleaseDC(control, dc);
  if (need.right <= width && need.bottom <= height) return "";
  return "needs " + std::to_string(need.right) + " x " + std::to_string(need.bottom) +
         " px, has " + std::to_string(width) + " x " + std::to_string(height);
}

struct RuntimeText {
  int classicPage;
  WORD control;
  int stringId;  // 0: the template's own text, set again in the title font
  bool titleFont, headerFont;
};

// What the pages put into their controls while they run.
const RuntimeText kRuntimeTexts[] = {
    {1100, IDC_TITLE, IDS_SETUP_TITLE, true, false},
    {1100, IDC_TEXT, IDS_WELCOME_TEXT, false, false},
    {1101, IDC_HEADER_TITLE, IDS_COMPONENTS_TITLE, false, true},
    {1101, IDC_HEADER_SUBTITLE, IDS_COMPONENTS_SUBTITLE, false, false},
    {1102, IDC_HEADER_TITLE, IDS_TARGET_TITLE, false, true},
    {1102, IDC_HEADER_SUBTITLE, IDS_TARGET_SUBTITLE, false, false},
    {1103, IDC_HEADER_TITLE, IDS_READY_TITLE, false, true},
    {1103, IDC_HEADER_SUBTITLE, IDS_READY_SUBTITLE, false, false},
    {1103, IDC_TEXT, IDS_PHASE_STOP_SERVICES, false, false},
    {1103, IDC_TEXT, IDS_PHASE_COPY, false, false},
    {1103, IDC_TEXT, IDS_PHASE_REGISTRY, false, false},
    {1103, IDC_TEXT, IDS_PHASE_SHORTCUTS, false, false},
    {1103, IDC_TEXT, IDS_PHASE_START_SERVICES, false, false},
    {1104, IDC_TITLE, 0, true, false},
    {1105, IDC_TITLE, IDS_SETUP_TITLE, true, false},
    {1105, IDC_PHASE, IDS_PHASE_STOP_SERVICES, false, false},
    {1105, IDC_PHASE, IDS_PHASE_DELETE, false, false},
    {1105, IDC_PHASE, IDS_PHASE_REGISTRY, false, false},
    {1105, IDC_PHASE, IDS_PHASE_SHORTCUTS, false, false},
    {1105, IDC_PHASE, IDS_PHASE_START_SERVICES, false, false},
    {1106, IDC_TITLE, 0, true, false},
};

BOOL CALLBACK CollectControl(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND> *>(list)->push_back(child);
  return TRUE;
}

class ClippingTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
  }
  void SetUp() override {
    parent_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1000, 800, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    titleFont_ = CreatePageFont(kTitlePoints);
    headerFont_ = CreatePageFont(kHeaderPoints);
  }
  void TearDown() override {
    DestroyWindow(parent_);
    DeleteObject(titleFont_);
    DeleteObject(headerFont_);
  }

  // Every misfit of one template in one language, one line each.
  std::string MisfitsOf(int id, LANGID language) {
    DialogTemplate dialog = ReadDialog(id, language);
    if (!dialog.found) return "  template missing\n";
    HWND page = CreateDialogIndirectParamA(
        GetModuleHandleA(nullptr), static_cast<LPCDLGTEMPLATEA>(dialog.bytes), parent_,
        QuietDialogProc, 0);
    if (!page) return "  not created, error " + std::to_string(GetLastError()) + "\n";
    std::string report;
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(page, WM_GETFONT, 0, 0));
    std::vector<HWND> children;
    EnumChildWindows(page, CollectControl, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
      char text[kTextSize] = "";
      GetWindowTextA(child, text, sizeof(text));
      std::string why = Misfit(child, dialogFont, text);
      if (!why.empty())
        report += "  control " + std::to_string(GetDlgCtrlID(child)) + " \"" + text + "\": " +
                  why + "\n";
    }
    const int classic = id <= IDD_REMOVEFINISH ? id : id - 7;
    for (const RuntimeText &r : kRuntimeTexts) {
      if (r.classicPage != classic) continue;
      HWND control = GetDlgItem(page, r.control);
      if (!control) continue;  // the header look has no header title or subtitle
      char own[kTextSize] = "";
      GetWindowTextA(control, own, sizeof(own));
      std::string text = r.stringId ? InAnsiCodePage(ReadString(r.stringId, language)) : own;
      HFONT font = r.titleFont ? titleFont_ : r.headerFont ? headerFont_ : dialogFont;
      std::string why = Misfit(control, font, text);
      if (!why.empty())
        report += "  control " + std::to_string(r.control) + " at run time \"" + text +
                  "\": " + why + "\n";
    }
    DestroyWindow(page);
    return report;
  }

  HWND parent_ = nullptr;
  HFONT titleFont_ = nullptr, headerFont_ = nullptr;
};

TEST_F(ClippingTest, NoTextOfAnyPageIsClippedInAnyLanguage) {
  for (LANGID language : kCarriedLanguages) {
    std::string report;
    for (int id = kFirstTemplate; id <= kLastTemplate; ++id) {
      std::string misfits = MisfitsOf(id, language);
      if (!misfits.empty()) report += " dialog " + std::to_string(id) + ":\n" + misfits;
    }
    EXPECT_EQ(report, "") << LanguageName(language);
  }
}

TEST_F(ClippingTest, MeasuringSeesAnOverlongText) {
  // The measurement must be able to fail: a long text in a one-line control does not fit.
  DialogTemplate ready = ReadDialog(IDD_READY, kEnglish);
  ASSERT_TRUE(ready.found);
  HWND page = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                         static_cast<LPCDLGTEMPLATEA>(ready.bytes), parent_,
                                         QuietDialogProc, 0);
  ASSERT_NE(page, nullptr);
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(page, WM_GETFONT, 0, 0));
  HWND line = GetDlgItem(page, IDC_TEXT);
  EXPECT_EQ(Misfit(line, font, "Copying files ..."), "");
  EXPECT_NE(Misfit(line, font, std::string(20, ' ') + std::string(200, 'W')), "");
  EXPECT_NE(Misfit(line, font, "word word word word word word word word word word word word "
                               "word word word word word word word word word word word"),
            "");
  DestroyWindow(page);
}

}  // namespace
