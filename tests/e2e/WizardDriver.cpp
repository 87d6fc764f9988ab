#include "e2e/WizardDriver.h"

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>
#include <stdio.h>

#include <algorithm>
#include <vector>

#include "support/TestSupport.h"
#include "res/resource.h"

namespace {

constexpr DWORD kPollMs = 20;
constexpr int kBoxTextId = 0xFFFF;
constexpr int kTextSize = 4096;

// WM_GETTEXT itself: GetWindowText does not ask a window of another process for its text.
std::string WindowText(HWND window) {
  std::vector<char> text(kTextSize);
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, kTextSize, reinterpret_cast<LPARAM>(text.data()),
                           SMTO_NORMAL, 5000, &copied))
    return "";
  return text.data();
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

struct TopLevelSearch {
  std::vector<DWORD> pids;
  bool sheet;
  HWND found;
};

// The process and the processes it started: a removal from the installed program runs its
// wizard in a copy that the first process starts and waits for.
std::vector<DWORD> ProcessAndChildren(DWORD pid) {
  std::vector<DWORD> pids = {pid};
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return pids;
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
    if (entry.th32ParentProcessID == pid) pids.push_back(entry.th32ProcessID);
  CloseHandle(snapshot);
  return pids;
}

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM param) {
  TopLevelSearch *search = reinterpret_cast<TopLevelSearch *>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  bool ours = false;
  for (DWORD candidate : search->pids) ours = ours || candidate == pid;
  if (!ours || !IsWindowVisible(window) || ClassOf(window) != "#32770") return TRUE;
  bool isSheet = GetDlgItem(window, static_cast<int>(WizardButton::Next)) != nullptr;
  if (isSheet != search->sheet) return TRUE;
  search->found = window;
  return FALSE;
}

struct VisibleSearch {
  std::vector<DWORD> pids;
  bool found;
};

BOOL CALLBACK MatchVisible(HWND window, LPARAM param) {
  VisibleSearch *search = reinterpret_cast<VisibleSearch *>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  for (DWORD candidate : search->pids)
    if (candidate == pid && IsWindowVisible(window)) search->found = true;
  return !search->found;
}

struct ButtonSearch {
  int defaultId;
  bool icon;
};

BOOL CALLBACK InspectBoxChild(HWND child, LPARAM param) {
  ButtonSearch *search = reinterpret_cast<ButtonSearch *>(param);
  LONG style = GetWindowLongA(child, GWL_STYLE);
  std::string cls = ClassOf(child);
  if (cls == "Button" && (style & 0x0F) == BS_DEFPUSHBUTTON)
    search->defaultId = GetDlgCtrlID(child);
  if (cls == "Static" && (style & SS_TYPEMASK) == SS_ICON) search->icon = true;
  return TRUE;
}

ControlState StateOf(HWND control) {
  ControlState state;
  if (!control) return state;
  state.exists = true;
  state.visible = IsWindowVisible(control) != FALSE;
  state.enabled = IsWindowEnabled(control) != FALSE;
  state.text = WindowText(control);
  RECT rect;
  if (GetWindowRect(control, &rect)) {
    state.width = rect.right - rect.left;
    state.height = rect.bottom - rect.top;
  }
  return state;
}

// Asks the wizard to paint the whole sheet and gives its process the time to do so.
void Repaint(HWND sheet) {
  RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(300);
}

}  // namespace

bool WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs) {
  for (DWORD waited = 0;; waited += kPollMs) {
    if (condition()) return true;
    if (waited >= timeoutMs) return false;
    Sleep(kPollMs);
  }
}

bool ShowsAnyWindow(DWORD pid) {
  VisibleSearch search = {ProcessAndChildren(pid), false};
  EnumWindows(MatchVisible, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

SetupProcess::SetupProcess(const std::string &mediaDir, bool copy) : media_(mediaDir) {
  if (copy) CopyFileA(BinaryPath("setup.exe").c_str(), exe().c_str(), FALSE);
}

SetupProcess::~SetupProcess() {
  if (!process_.hProcess) return;
  if (Running()) {
    TerminateProcess(process_.hProcess, 1);
    WaitForSingleObject(process_.hProcess, 5000);
  }
  CloseHandle(process_.hProcess);
}

bool SetupProcess::Start(const std::string &arguments) {
  std::string line = "\"" + exe() + "\"";
  if (!arguments.empty()) line += " " + arguments;
  return StartCommandLine(line);
}

bool SetupProcess::StartCommandLine(const std::string &commandLine) {
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof(startup));
  startup.cb = sizeof(startup);
  std::string line = commandLine;
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process_))
    return false;
  CloseHandle(process_.hThread);
  process_.hThread = nullptr;
  return true;
}

bool SetupProcess::Running() const {
  return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

int SetupProcess::WaitForExit(DWORD timeoutMs) {
  if (!process_.hProcess) return -1;
  if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -2;
  DWORD code = 0;
  GetExitCodeProcess(process_.hProcess, &code);
  return static_cast<int>(code);
}

int SetupProcess::WaitForExitNoting(std::vector<DWORD> *family, DWORD timeoutMs) {
  int code = -2;
  for (DWORD waited = 0; code == -2 && waited <= timeoutMs; waited += kPollMs) {
    for (DWORD pid : ProcessAndChildren(process_.dwProcessId))
      if (std::find(family->begin(), family->end(), pid) == family->end()) family->push_back(pid);
    code = WaitForExit(kPollMs);
  }
  return code;
}

HWND WizardDriver::FindTopLevel(bool sheet) {
  TopLevelSearch search = {ProcessAndChildren(pid_), sheet, nullptr};
  EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WizardDriver::Sheet(DWORD timeoutMs) {
  if (sheet_ && IsWindow(sheet_)) return sheet_;
  sheet_ = nullptr;
  WaitUntil([&] { return (sheet_ = FindTopLevel(true)) != nullptr; }, timeoutMs);
  return sheet_;
}

HWND WizardDriver::Page() {
  HWND sheet = Sheet(0);
  if (!sheet) return nullptr;
  DWORD_PTR page = 0;
  if (!SendMessageTimeoutA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_NORMAL, 5000, &page))
    return nullptr;
  return reinterpret_cast<HWND>(page);
}

int WizardDriver::ActivePage() {
  HWND sheet = Sheet(0);
  HWND page = Page();
  if (!sheet || !page) return -1;
  DWORD_PTR index = static_cast<DWORD_PTR>(-1);
  if (!SendMessageTimeoutA(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0,
                           SMTO_NORMAL, 5000, &index))
    return -1;
  return static_cast<int>(static_cast<INT_PTR>(index));
}

bool WizardDriver::WaitForPage(int index, DWORD timeoutMs) {
  return WaitUntil([&] { return Sheet(0) && ActivePage() == index; }, timeoutMs);
}

ControlState WizardDriver::Control(int id) {
  HWND page = Page();
  return StateOf(page ? GetDlgItem(page, id) : nullptr);
}

ControlState WizardDriver::Button(WizardButton button) {
  HWND sheet = Sheet(0);
  return StateOf(sheet ? GetDlgItem(sheet, static_cast<int>(button)) : nullptr);
}

bool WizardDriver::HasIcon(int id) {
  HWND page = Page();
  HWND control = page ? GetDlgItem(page, id) : nullptr;
  return control && SendMessageA(control, STM_GETICON, 0, 0) != 0;
}

bool WizardDriver::Press(WizardButton button) {
  HWND sheet = Sheet(0);
  if (!sheet) return false;
  HWND control = GetDlgItem(sheet, static_cast<int>(button));
  if (!control || !IsWindowVisible(control) || !IsWindowEnabled(control)) return false;
  PostMessageA(sheet, WM_COMMAND, MAKEWPARAM(static_cast<int>(button), BN_CLICKED),
               reinterpret_cast<LPARAM>(control));
  return true;
}

int WizardDriver::ProgressHigh(int id) {
  HWND page = Page();
  HWND bar = page ? GetDlgItem(page, id) : nullptr;
  return bar ? static_cast<int>(SendMessageA(bar, PBM_GETRANGE, FALSE, 0)) : -1;
}

int WizardDriver::ProgressPos(int id) {
  HWND page = Page();
  HWND bar = page ? GetDlgItem(page, id) : nullptr;
  return bar ? static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0)) : -1;
}

void WizardDriver::PressEnter() {
  HWND sheet = Sheet(0);
  GUITHREADINFO gui = {sizeof(gui)};
  DWORD thread = sheet ? GetWindowThreadProcessId(sheet, nullptr) : 0;
  // The focus settles by messages that the wizard posts to itself.
  WaitUntil([&] { return GetGUIThreadInfo(thread, &gui) && gui.hwndFocus; }, 2000);
  if (gui.hwndFocus) {
    PostMessageA(gui.hwndFocus, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageA(gui.hwndFocus, WM_KEYUP, VK_RETURN, 0xC01C0001);
  } else {
    HWND active = gui.hwndActive ? gui.hwndActive : sheet;
    PostMessageA(active, WM_SYSKEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageA(active, WM_SYSKEYUP, VK_RETURN, 0xC01C0001);
  }
}

COLORREF WizardDriver::PixelAt(int x, int y) {
  HWND sheet = Sheet(0);
  if (!sheet) return CLR_INVALID;
  Repaint(sheet);
  POINT point = {x, y};
  ClientToScreen(sheet, &point);
  HDC screen = GetDC(nullptr);
  COLORREF colour = GetPixel(screen, point.x, point.y);
  ReleaseDC(nullptr, screen);
  return colour;
}

bool WizardDriver::PostToPage(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND page = Page();
  return page && PostMessageA(page, message, wParam, lParam);
}

void WizardDriver::Close() {
  HWND sheet = Sheet(0);
  if (sheet) PostMessageA(sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
}

RECT WizardDriver::SheetRect() {
  RECT rect = {};
  HWND sheet = Sheet(0);
  if (sheet) GetWindowRect(sheet, &rect);
  return rect;
}

HWND WizardDriver::List() {
  HWND page = Page();
  return page ? GetDlgItem(page, IDC_CHECKLIST) : nullptr;
}

int WizardDriver::ItemCount() {
  return static_cast<int>(SendMessageA(List(), LB_GETCOUNT, 0, 0));
}

// The item text through the wide message: Wine hands LB_GETTEXT across processes in UTF-16
// whatever form the caller used.
std::string WizardDriver::ItemText(int index) {
  HWND list = List();
  LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
  if (length == LB_ERR) return "";
  std::vector<wchar_t> wide(static_cast<size_t>(length) + 1);
  SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(wide.data()));
  std::vector<char> text(wide.size() * 2 + 1);
  WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, text.data(), static_cast<int>(text.size()),
                      nullptr, nullptr);
  return text.data();
}

bool WizardDriver::ItemChecked(int index) {
  LRESULT data = SendMessageA(List(), LB_GETITEMDATA, index, 0);
  return data != LB_ERR && (data & 0xFFFF) != 0;
}

int WizardDriver::Selection() {
  return static_cast<int>(SendMessageA(List(), LB_GETCURSEL, 0, 0));
}

void WizardDriver::SelectItemByKey(int index) {
  HWND list = List();
  int current = Selection();
  if (current < 0) current = 0;
  WPARAM key = index > current ? VK_DOWN : VK_UP;
  for (int step = current; step != index; step += index > current ? 1 : -1)
    PostMessageA(list, WM_KEYDOWN, key, 0);
  WaitUntil([&] { return Selection() == index; }, 5000);
}

void WizardDriver::ToggleByKey() {
  HWND list = List();
  PostMessageA(list, WM_KEYDOWN, VK_SPACE, 0x00390001);
  PostMessageA(list, WM_KEYUP, VK_SPACE, 0xC0390001);
}

namespace {

void ClickList(HWND list, int index, int x) {
  int height = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
  int top = static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
  int y = (index - top) * height + height / 2;
  PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

}  // namespace

void WizardDriver::ClickCheckBox(int index) { ClickList(List(), index, 5); }

void WizardDriver::ClickItemText(int index) { ClickList(List(), index, 60); }

void WizardDriver::TypeTarget(const std::string &text, const std::function<void(size_t)> &after) {
  HWND page = Page();
  HWND edit = page ? GetDlgItem(page, IDC_TARGET_EDIT) : nullptr;
  if (!edit) return;
  PostMessageA(edit, EM_SETSEL, 0, -1);
  PostMessageA(edit, WM_CHAR, VK_BACK, 0);
  WaitUntil([&] { return WindowText(edit).empty(); }, 5000);
  if (after) after(0);
  for (size_t i = 0; i < text.size(); ++i) {
    PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(text[i]), 0);
    std::string expected = text.substr(0, i + 1);
    WaitUntil([&] { return WindowText(edit) == expected; }, 5000);
    if (after) after(i + 1);
  }
}

MessageBoxState WizardDriver::WaitForMessageBox(DWORD timeoutMs) {
  MessageBoxState state;
  HWND box = nullptr;
  if (!WaitUntil([&] { return (box = FindTopLevel(false)) != nullptr; }, timeoutMs))
    return state;
  state.window = box;
  state.caption = WindowText(box);
  state.text = WindowText(GetDlgItem(box, kBoxTextId));
  ButtonSearch search = {0, false};
  EnumChildWindows(box, InspectBoxChild, reinterpret_cast<LPARAM>(&search));
  state.defaultButton = search.defaultId;
  state.hasIcon = search.icon;
  return state;
}

void WizardDriver::Answer(const MessageBoxState &box, int buttonId) {
  PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
  WaitUntil([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); }, 5000);
}

bool WizardDriver::Screenshot(const std::string &path) {
  HWND sheet = Sheet(0);
  if (!sheet) return false;
  Repaint(sheet);
  RECT rect;
  GetWindowRect(sheet, &rect);
  int width = rect.right - rect.left;
  int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info;
  ZeroMemory(&info, sizeof(info));
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void *bits = nullptr;
  HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, picture);
  BOOL copied = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  SelectObject(memory, old);

  bool saved = copied && bits && WriteBitmapFile(path, width, height, bits);
  DeleteObject(picture);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return saved;
}

std::string ArtefactPath(const std::string &name) {
  std::string dir = BinaryPath("tests/e2e/artefacts");
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir + "\\" + name;
}

bool WriteBitmapFile(const std::string &path, int width, int height, const void *pixels) {
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  const DWORD imageSize = BitmapStride(width) * static_cast<DWORD>(height);
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + imageSize;
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool saved = WriteFile(out, &file, sizeof(file), &written, nullptr) &&
               WriteFile(out, &info, sizeof(info), &written, nullptr) &&
               WriteFile(out, pixels, imageSize, &written, nullptr);
  CloseHandle(out);
  return saved;
}
