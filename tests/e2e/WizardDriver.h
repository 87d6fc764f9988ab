// Drives the wizard of a running setup.exe from the test process: finds its property sheet
// and message boxes, reads the controls of the active page, presses the wizard buttons,
// toggles checklist items by keyboard and mouse, types into the target field, takes pictures.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "pages/PageIndexes.h"

// Control ids of the wizard's own buttons on the sheet.
enum class WizardButton {
  Back = kSheetBack,
  Next = kSheetNext,
  Finish = kSheetFinish,
  Cancel = IDCANCEL
};

struct ControlState {
  bool exists = false;
  bool visible = false;
  bool enabled = false;
  std::string text;
  int width = 0, height = 0;  // in pixels
};

struct MessageBoxState {
  HWND window = nullptr;
  std::string caption;
  std::string text;
  int defaultButton = 0;  // id of the button with the default style
  bool hasIcon = false;
};

// Polls condition every few milliseconds until it holds or timeoutMs have passed.
bool WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs = 10000);

// Whether the process, or a process it started, owns a visible top-level window.
bool ShowsAnyWindow(DWORD pid);

// A copy of the build's setup.exe in a media folder of its own, started with a command line.
class SetupProcess {
 public:
  // Copies the build's setup.exe into mediaDir unless copy is false (a program placed there).
  explicit SetupProcess(const std::string &mediaDir, bool copy = true);
  ~SetupProcess();
  SetupProcess(const SetupProcess &) = delete;
  SetupProcess &operator=(const SetupProcess &) = delete;

  std::string exe() const { return media_ + "\\setup.exe"; }
  // Starts "<exe> arguments"; false when the process could not be created.
  bool Start(const std::string &arguments = "");
  // Starts a full command line as it stands (as an Uninstall entry records it).
  bool StartCommandLine(const std::string &commandLine);
  DWORD pid() const { return process_.dwProcessId; }
  bool Running() const;
  // The exit code, or -2 when the process did not end in time.
  int WaitForExit(DWORD timeoutMs = 30000);
  // As WaitForExit, noting in family this process and every process that it started while it
  // ran: a removal from the installed program runs in a copy that the program starts.
  int WaitForExitNoting(std::vector<DWORD> *family, DWORD timeoutMs = 30000);

 private:
  std::string media_;
  PROCESS_INFORMATION process_ = {};
};

class WizardDriver {
 public:
  explicit WizardDriver(DWORD pid) : pid_(pid) {}

  // The wizard's property sheet, waited for up to timeoutMs.
  HWND Sheet(DWORD timeoutMs = 20000);
  // The index of the active page (0 to 6), or -1.
  int ActivePage();
  bool WaitForPage(int index, DWORD timeoutMs = 20000);
  HWND Page();

  ControlState Control(int id);  // a control of the active page
  ControlState Button(WizardButton button);
  // Whether an icon static of the active page shows an icon.
  bool HasIcon(int id);
  // Presses a wizard button as a click would; false (and nothing pressed) when the button is
  // hidden or disabled.
  bool Press(WizardButton button);
  // The upper end of the range and the position of a progress bar of the active page.
  int ProgressHigh(int id);
  int ProgressPos(int id);
  // Presses Enter as the keyboard does: to the wizard's focus window, else (no focus) as a
  // system key to its active window, which then does nothing.
  void PressEnter();
  // The colour on the screen at (x, y) of the sheet's client area, once it has painted.
  COLORREF PixelAt(int x, int y);
  // Posts a message to the active page, as the program's worker would.
  bool PostToPage(UINT message, WPARAM wParam, LPARAM lParam);
  // Asks the sheet to close as its close box would.
  void Close();
  RECT SheetRect();

  // The component checklist of the active page.
  int ItemCount();
  std::string ItemText(int index);
  bool ItemChecked(int index);
  int Selection();
  void SelectItemByKey(int index);  // arrow keys from the current selection
  void ToggleByKey();               // space on the selected item
  void ClickCheckBox(int index);    // the check square at the left of the item
  void ClickItemText(int index);    // the text of the item

  // The target directory field: replaced as a user types it, one keystroke at a time, with
  // after(n) called after the n-th keystroke (0 after the field was cleared).
  void TypeTarget(const std::string &text,
                  const std::function<void(size_t)> &after = std::function<void(size_t)>());

  // A message box of the process, waited for up to timeoutMs.
  MessageBoxState WaitForMessageBox(DWORD timeoutMs = 20000);
  void Answer(const MessageBoxState &box, int buttonId);

  // Saves the sheet as it is on the screen as a 24-bit BMP; false when it cannot.
  bool Screenshot(const std::string &path);

 private:
  HWND FindTopLevel(bool sheet);
  HWND List();
  DWORD pid_;
  HWND sheet_ = nullptr;
};

// The bytes of one row of a 24-bit bitmap, padded to whole DWORDs.
inline DWORD BitmapStride(int width) { return (static_cast<DWORD>(width) * 3 + 3) & ~3u; }
// Writes a 24-bit bitmap file of bottom-up rows of BitmapStride(width) bytes.
bool WriteBitmapFile(const std::string &path, int width, int height, const void *pixels);

// A folder for the pictures that the tests keep: <build>/tests/e2e/artefacts.
std::string ArtefactPath(const std::string &name);
