// Shortcut sections and shell folder codes against the real registry and shell link object.
// The "Shell Folders" values point at scratch folders during each test; the real values come
// back afterwards, also when a test fails.
#include <gtest/gtest.h>

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "shell/Shortcuts.h"
#include "support/TestSupport.h"

namespace {

constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

struct FolderValue {
  const char *code;
  HKEY root;
  const char *value;
  const char *folder;  // scratch folder the value points at during a test
};

const FolderValue kFolderValues[] = {
    {"USTU", HKEY_CURRENT_USER, "Startup", "u-startup"},
    {"USTM", HKEY_CURRENT_USER, "Start Menu", "u-startmenu"},
    {"UPRG", HKEY_CURRENT_USER, "Programs", "u-programs"},
    {"UDSK", HKEY_CURRENT_USER, "Desktop", "u-desktop"},
    {"CSTU", HKEY_LOCAL_MACHINE, "Common Startup", "c-startup"},
    {"CSTM", HKEY_LOCAL_MACHINE, "Common Start Menu", "c-startmenu"},
    {"CPRG", HKEY_LOCAL_MACHINE, "Common Programs", "c-programs"},
    {"CDSK", HKEY_LOCAL_MACHINE, "Common Desktop", "c-desktop"},
};

const FolderValue &Entry(const std::string &code) {
  for (const FolderValue &v : kFolderValues)
    if (code == v.code) return v;
  return kFolderValues[0];
}

// The user's folder that a common code falls back to.
const FolderValue &UserCounterpart(const FolderValue &common) {
  return kFolderValues[&common - kFolderValues - 4];
}

// Points the eight "Shell Folders" values at scratch folders and restores the saved values
// (or their absence) when it goes out of scope.
class ShellFoldersOverride {
 public:
  explicit ShellFoldersOverride(const ScratchDir &dir) : dir_(dir) {
    for (const FolderValue &v : kFolderValues) {
      Saved saved{v.root, v.value, false, 0, {}};
      HKEY key = Open(v.root);
      DWORD size = 0;
      if (key && RegQueryValueExA(key, v.value, nullptr, &saved.type, nullptr, &size) ==
                     ERROR_SUCCESS) {
        saved.data.resize(size);
        if (RegQueryValueExA(key, v.value, nullptr, &saved.type, saved.data.data(), &size) ==
            ERROR_SUCCESS)
          saved.present = true;
      }
      if (key) RegCloseKey(key);
      saved_.push_back(saved);
      CreateDirectoryA(Folder(v.code).c_str(), nullptr);
      Set(v.root, v.value, REG_SZ, Folder(v.code));
    }
  }
  ~ShellFoldersOverride() {
    for (const Saved &saved : saved_) {
      HKEY key = Open(saved.root);
      if (!key) continue;
      if (saved.present)
        RegSetValueExA(key, saved.name.c_str(), 0, saved.type, saved.data.data(),
                       static_cast<DWORD>(saved.data.size()));
      else
        RegDeleteValueA(key, saved.name.c_str());
      RegCloseKey(key);
    }
  }
  ShellFoldersOverride(const ShellFoldersOverride &) = delete;
  ShellFoldersOverride &operator=(const ShellFoldersOverride &) = delete;

  std::string Folder(const std::string &code) const { return dir_ / Entry(code).folder; }

  static void Set(HKEY root, const char *name, DWORD type, const std::string &text) {
    HKEY key = Open(root);
    ASSERT_TRUE(key);
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE *>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
  }
  static void Remove(HKEY root, const char *name) {
    HKEY key = Open(root);
    ASSERT_TRUE(key);
    RegDeleteValueA(key, name);
    RegCloseKey(key);
  }

 private:
  struct Saved {
    HKEY root;
    std::string name;
    bool present;
    DWORD type;
    std::vector<BYTE> data;
  };
  static HKEY Open(HKEY root) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, kShellFolders, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
      return nullptr;
    return key;
  }
  const ScratchDir &dir_;
  std::vector<Saved> saved_;
};

std::string Resolve(const std::string &code) {
  char destination[MAX_PATH] = "untouched";
  if (!ResolveFolderCode(destination, code.c_str()))
    return std::string("failed:") + destination;
  return destination;
}

// The properties of a saved link, read back through the shell link object.
struct LinkInfo {
  bool loaded = false;
  std::string path, workingDirectory, arguments, iconFile;
  int iconIndex = -1;
};

LinkInfo LoadLink(const std::string &linkPath) {
  LinkInfo info;
  HRESULT init = CoInitialize(nullptr);
  IShellLinkA *link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void **>(&link)))) {
    IPersistFile *file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file)))) {
      WCHAR wide[MAX_PATH];
      MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH);
      if (SUCCEEDED(file->Load(wide, STGM_READ))) {
        info.loaded = true;
        char text[MAX_PATH] = "";
        link->GetPath(text, sizeof(text), nullptr, SLGP_RAWPATH);
        info.path = text;
        text[0] = '\0';
        link->GetWorkingDirectory(text, sizeof(text));
        info.workingDirectory = text;
        text[0] = '\0';
        link->GetArguments(text, sizeof(text));
        info.arguments = text;
        text[0] = '\0';
        link->GetIconLocation(text, sizeof(text), &info.iconIndex);
        info.iconFile = text;
      }
      file->Release();
    }
    link->Release();
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return info;
}

// Names of the files and folders directly inside a folder.
std::vector<std::string> Listing(const std::string &folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = data.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

class ShortcutsTest : public ::testing::Test {
 protected:
  ScratchDir dir_;
  ShellFoldersOverride folders_{dir_};

  // A target file that exists, so that the link object keeps its path as given.
  std::string Target(const std::string &name = "orl.exe") {
    CreateDirectoryA((dir_ / "app").c_str(), nullptr);
    std::string path = dir_ / ("app\\" + name);
    WriteTextFile(path, "MZ");
    return path;
  }
  // Every scratch shell folder is still empty.
  void ExpectNoShortcutAnywhere() {
    for (const FolderValue &v : kFolderValues)
      EXPECT_TRUE(Listing(folders_.Folder(v.code)).empty()) << v.code;
  }
};

TEST_F(ShortcutsTest, EachCodeResolvesToItsValue) {
  for (const FolderValue &v : kFolderValues) {
    EXPECT_EQ(Resolve(v.code), folders_.Folder(v.code)) << v.code;
    std::string lower = v.code;
    for (char &c : lower) c = static_cast<char>(tolower(c));
    EXPECT_EQ(Resolve(lower), folders_.Folder(v.code)) << lower;
  }
  EXPECT_EQ(Resolve("XPRG"), "failed:untouched");
  EXPECT_EQ(Resolve(""), "failed:untouched");
  EXPECT_EQ(Resolve("UPRGX"), "failed:untouched");
}

TEST_F(ShortcutsTest, CommonCodesFallBackToTheUsersFolders) {
  for (const FolderValue &v : kFolderValues)
    if (v.root == HKEY_LOCAL_MACHINE) ShellFoldersOverride::Remove(v.root, v.value);
  for (const FolderValue &v : kFolderValues) {
    const FolderValue &expected = v.root == HKEY_LOCAL_MACHINE ? UserCounterpart(v) : v;
    EXPECT_EQ(Resolve(v.code), folders_.Folder(expected.code)) << v.code;
  }
  // A common value of a type that is no text cannot be read as a folder either.
  DWORD number = 7;
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kShellFolders, 0, KEY_WRITE, &key), ERROR_SUCCESS);
  RegSetValueExA(key, "Common Programs", 0, REG_DWORD, reinterpret_cast<BYTE *>(&number),
                 sizeof(number));
  RegCloseKey(key);
  EXPECT_EQ(Resolve("CPRG"), "failed:untouched") << "a value that is read is not replaced";
}

TEST_F(ShortcutsTest, UserCodesHaveNoFallback) {
  // A user's value that is missing is not replaced by another user's value either.
  ShellFoldersOverride::Remove(HKEY_CURRENT_USER, "Startup");
  EXPECT_EQ(Resolve("USTU"), "failed:untouched");
  EXPECT_EQ(Resolve("UPRG"), folders_.Folder("UPRG"));

  for (const FolderValue &v : kFolderValues)
    if (v.root == HKEY_CURRENT_USER) ShellFoldersOverride::Remove(v.root, v.value);
  for (const FolderValue &v : kFolderValues) {
    if (v.root == HKEY_CURRENT_USER)
      EXPECT_EQ(Resolve(v.code), "failed:untouched") << v.code;
    else
      EXPECT_EQ(Resolve(v.code), folders_.Folder(v.code)) << v.code;
  }
  // Without both values a common code has no folder.
  ShellFoldersOverride::Remove(HKEY_LOCAL_MACHINE, "Common Startup");
  EXPECT_EQ(Resolve("CSTU"), "failed:untouched");

  EXPECT_FALSE(CreateShortcut("USTU", "Orlavin", Target().c_str(), "", "", 0, 0));
  EXPECT_FALSE(CreateShortcut("CSTU", "Orlavin", Target().c_str(), "", "", 0, 0));
  ExpectNoShortcutAnywhere();
}

TEST_F(ShortcutsTest, ExpandableValuesAreExpandedPlainTextIsNot) {
  SetEnvironmentVariableA("SHELLTEST_ROOT", dir_.path().c_str());
  ShellFoldersOverride::Set(HKEY_CURRENT_USER, "Programs", REG_EXPAND_SZ,
                            "%SHELLTEST_ROOT%\\u-programs");
  ShellFoldersOverride::Set(HKEY_LOCAL_MACHINE, "Common Desktop", REG_EXPAND_SZ,
                            "%SHELLTEST_ROOT%\\c-desktop");
  ShellFoldersOverride::Set(HKEY_CURRENT_USER, "Desktop", REG_SZ, "%SHELLTEST_ROOT%\\u-desktop");
  EXPECT_EQ(Resolve("UPRG"), folders_.Folder("UPRG"));
  EXPECT_EQ(Resolve("CDSK"), folders_.Folder("CDSK"));
  EXPECT_EQ(Resolve("UDSK"), "%SHELLTEST_ROOT%\\u-desktop");
  // The fallback of a common code is expanded as well.
  ShellFoldersOverride::Remove(HKEY_LOCAL_MACHINE, "Common Programs");
  EXPECT_EQ(Resolve("CPRG"), folders_.Folder("UPRG"));

  // An expansion longer than a path is refused, and the destination stays as it was.
  SetEnvironmentVariableA("SHELLTEST_LONG", std::string(240, 'x').c_str());
  ShellFoldersOverride::Set(HKEY_CURRENT_USER, "Startup", REG_EXPAND_SZ,
                            "C:\\%SHELLTEST_LONG%\\%SHELLTEST_LONG%");
  EXPECT_EQ(Resolve("USTU"), "failed:untouched");
  EXPECT_FALSE(CreateShortcut("USTU", "Orlavin", Target().c_str(), "", "", 0, 0));
  SetEnvironmentVariableA("SHELLTEST_ROOT", nullptr);
  SetEnvironmentVariableA("SHELLTEST_LONG", nullptr);
}

TEST_F(ShortcutsTest, LinkReadsBackAsAsked) {
  std::string target = Target();
  ASSERT_EQ(CreateShortcut("UPRG", "Orlavin", target.c_str(), "/open \"a b\"",
                           "C:\\icons\\orl.ico", -3, 0),
            1);
  std::string linkPath = folders_.Folder("UPRG") + "\\Orlavin.lnk";
  LinkInfo link = LoadLink(linkPath);
  ASSERT_TRUE(link.loaded) << linkPath;
  EXPECT_STRCASEEQ(link.path.c_str(), target.c_str());
  EXPECT_STRCASEEQ(link.workingDirectory.c_str(), (dir_ / "app").c_str());
  EXPECT_EQ(link.arguments, "/open \"a b\"");
  EXPECT_EQ(link.iconFile, "C:\\icons\\orl.ico");
  EXPECT_EQ(link.iconIndex, -3);

  // Empty arguments and icon file are passed as they are.
  ASSERT_EQ(CreateShortcut("CDSK", "Plain", target.c_str(), "", "", 0, 0), 1);
  link = LoadLink(folders_.Folder("CDSK") + "\\Plain.lnk");
  ASSERT_TRUE(link.loaded);
  EXPECT_EQ(link.arguments, "");
  EXPECT_EQ(link.iconFile, "");
  EXPECT_EQ(link.iconIndex, 0);
}

TEST_F(ShortcutsTest, SubfoldersComeAndGoWithTheLink) {
  std::string target = Target();
  TestScript script(dir_,
                    "[Install]\r\nMakeIcons=Icons\r\n"
                    "[Remove]\r\nDelIcons=Icons\r\n"
                    "[Icons]\r\n"
                    "link=CPRG,\"Orlavin\\Tools\\Orlavin Tool\"," + target + ",/x,,,0\r\n");
  ASSERT_TRUE(script.ok());
  std::string shellFolder = folders_.Folder("CPRG");
  std::string tools = shellFolder + "\\Orlavin\\Tools";
  ApplySectionShortcuts(script.inf(), "Install");
  ASSERT_TRUE(FileExists(tools + "\\Orlavin Tool.lnk"));
  EXPECT_EQ(LoadLink(tools + "\\Orlavin Tool.lnk").arguments, "/x");

  ApplySectionShortcuts(script.inf(), "Remove");
  EXPECT_FALSE(FileExists(tools + "\\Orlavin Tool.lnk"));
  EXPECT_FALSE(FileExists(tools));
  EXPECT_FALSE(FileExists(shellFolder + "\\Orlavin"));
  EXPECT_TRUE(FileExists(shellFolder)) << "the shell folder itself is never removed";

  // A sub-folder that holds something else stays, and so does every folder above it.
  ApplySectionShortcuts(script.inf(), "Install");
  WriteTextFile(shellFolder + "\\Orlavin\\readme.txt", "x");
  ApplySectionShortcuts(script.inf(), "Remove");
  EXPECT_FALSE(FileExists(tools));
  EXPECT_TRUE(FileExists(shellFolder + "\\Orlavin\\readme.txt"));

  // A link directly in the shell folder leaves the shell folder even when it is empty.
  ASSERT_EQ(CreateShortcut("UPRG", "Top", target.c_str(), "", "", 0, 0), 1);
  DeleteShortcut("UPRG", "Top");
  EXPECT_TRUE(Listing(folders_.Folder("UPRG")).empty());
  EXPECT_TRUE(FileExists(folders_.Folder("UPRG")));
}

TEST_F(ShortcutsTest, OnlyTheFirstMakeIconsAndDelIconsLinesCount) {
  std::string target = Target();
  WriteTextFile(folders_.Folder("UDSK") + "\\Keep.lnk", "not a link");
  WriteTextFile(folders_.Folder("UDSK") + "\\Old.lnk", "not a link");
  TestScript script(dir_,
                    "[Install]\r\n"
                    "MakeIcons=First,,Missing,Second\r\n"
                    "MakeIcons=Third\r\n"
                    "DelIcons=DelFirst\r\n"
                    "DelIcons=DelSecond\r\n"
                    "[First]\r\nx=UPRG,One," + target + "\r\n"
                    "[Second]\r\nx=USTM,Two," + target + "\r\n"
                    "[Third]\r\nx=USTU,Three," + target + "\r\n"
                    "[DelFirst]\r\nx=UDSK,Old\r\n"
                    "[DelSecond]\r\nx=UDSK,Keep\r\n");
  ASSERT_TRUE(script.ok());
  ApplySectionShortcuts(script.inf(), "Install");
  EXPECT_TRUE(FileExists(folders_.Folder("UPRG") + "\\One.lnk"));
  EXPECT_TRUE(FileExists(folders_.Folder("USTM") + "\\Two.lnk"))
      << "empty and missing list sections are passed over";
  EXPECT_TRUE(Listing(folders_.Folder("USTU")).empty()) << "the second MakeIcons line counts not";
  EXPECT_FALSE(FileExists(folders_.Folder("UDSK") + "\\Old.lnk"));
  EXPECT_TRUE(FileExists(folders_.Folder("UDSK") + "\\Keep.lnk"))
      << "the second DelIcons line counts not";
}

TEST_F(ShortcutsTest, UnknownCodesAndIncompleteLinesCreateAndDeleteNothing) {
  std::string target = Target();
  WriteTextFile(folders_.Folder("UPRG") + "\\Keep.lnk", "not a link");
  TestScript script(dir_,
                    "[Install]\r\nMakeIcons=Icons\r\nDelIcons=Gone\r\n"
                    "[Icons]\r\n"
                    "x=XPRG,Unknown," + target + "\r\n"
                    "x=UPRGX,Unknown," + target + "\r\n"
                    "x=UPRG,NoTarget\r\n"
                    "x=UPRG\r\n"
                    "x=,Empty," + target + "\r\n"
                    "[Gone]\r\nx=XPRG,Keep\r\nx=UPR,Keep\r\nx=UPRG\r\n");
  ASSERT_TRUE(script.ok());
  ApplySectionShortcuts(script.inf(), "Install");
  EXPECT_EQ(Listing(folders_.Folder("UPRG")), std::vector<std::string>{"Keep.lnk"});
  for (const FolderValue &v : kFolderValues) {
    if (std::string(v.code) != "UPRG") EXPECT_TRUE(Listing(folders_.Folder(v.code)).empty()) << v.code;
  }
  EXPECT_FALSE(CreateShortcut("ABCD", "X", target.c_str(), "", "", 0, 0));
  DeleteShortcut("ABCD", "Keep");
  EXPECT_TRUE(FileExists(folders_.Folder("UPRG") + "\\Keep.lnk"));
}

// A name that climbs out of its shell folder or is absolute would put a link elsewhere, or
// delete someone else's: such a line neither makes nor takes a link.
TEST_F(ShortcutsTest, NamesThatLeaveTheShellFolderMakeAndTakeNoLink) {
  std::string target = Target();
  std::string outside = dir_ / "outside";
  CreateDirectoryA(outside.c_str(), nullptr);
  WriteTextFile(outside + "\\Name.lnk", "someone else's");
  const std::string kNames[] = {"Vendor\\..\\..\\outside\\Name", "..\\outside\\Name",
                                "Vendor/../../outside/Name", outside + "\\Name", "\\Name"};
  for (const std::string &name : kNames) {
    EXPECT_FALSE(CreateShortcut("UPRG", name.c_str(), target.c_str(), "", "", 0, 0)) << name;
    DeleteShortcut("UPRG", name.c_str());
  }
  EXPECT_EQ(ReadTextFile(outside + "\\Name.lnk"), "someone else's");
  EXPECT_EQ(Listing(outside), std::vector<std::string>{"Name.lnk"});
  ExpectNoShortcutAnywhere();
}

TEST_F(ShortcutsTest, LinkPathThatDoesNotFitIsRefused) {
  std::string target = Target();
  // A shell folder of about 200 characters and a name that pushes the link past MAX_PATH.
  std::string deep = dir_.path();
  while (deep.size() < 200) {
    deep += "\\deep-folder";
    CreateDirectoryA(deep.c_str(), nullptr);
  }
  ShellFoldersOverride::Set(HKEY_CURRENT_USER, "Programs", REG_SZ, deep);
  std::string name(MAX_PATH - 1 - deep.size() - 1 - 4 + 1, 'n');  // one character too many
  EXPECT_FALSE(CreateShortcut("UPRG", name.c_str(), target.c_str(), "", "", 0, 0));
  EXPECT_TRUE(Listing(deep).empty()) << "no shortcut under a cut name";

  // The file that a cut path would name is not deleted either.
  std::string cut = (deep + "\\" + name + ".lnk").substr(0, MAX_PATH - 1);
  WriteTextFile(cut, "someone else's file");
  ASSERT_TRUE(FileExists(cut));
  DeleteShortcut("UPRG", name.c_str());
  EXPECT_TRUE(FileExists(cut));

  // One character less fits and makes the link.
  name.pop_back();
  EXPECT_EQ(CreateShortcut("UPRG", name.c_str(), target.c_str(), "", "", 0, 0), 1);
  EXPECT_TRUE(FileExists(deep + "\\" + name + ".lnk"));
}

// The visible folder window with this title that the shell opened, or null after the time.
HWND WaitForFolderWindow(const char *title, DWORD timeoutMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
    HWND window = FindWindowA(nullptr, title);
    if (window && IsWindowVisible(window)) return window;
    Sleep(100);
  }
  return nullptr;
}

TEST_F(ShortcutsTest, OpenFolderFlagOpensTheFolderOfTheLink) {
  std::string target = Target();
  const char kInner[] = "Opened By Shortcut Test";
  ASSERT_EQ(CreateShortcut("UPRG", "Outer\\Opened By Shortcut Test\\Link", target.c_str(), "", "",
                           0, 1),
            1);
  HWND window = WaitForFolderWindow(kInner, 20000);
  EXPECT_TRUE(window) << "no window on the innermost sub-folder";
  if (window) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    for (int i = 0; i < 50 && IsWindow(window); ++i) Sleep(100);
  }
  EXPECT_TRUE(FileExists(folders_.Folder("UPRG") + "\\Outer\\" + kInner + "\\Link.lnk"));
}

// Runs CreateShortcut on a thread of its own, after an optional COM set-up of that thread.
struct ThreadRun {
  const char *target;
  bool multithreaded;
  int created = -1;
  HRESULT afterwards = E_FAIL;  // CoInitializeEx(MTA) after the call
};

DWORD WINAPI ShortcutThread(void *parameter) {
  ThreadRun *run = static_cast<ThreadRun *>(parameter);
  if (run->multithreaded) CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  run->created = CreateShortcut("UPRG", "Threaded", run->target, "", "", 0, 0);
  run->afterwards = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (SUCCEEDED(run->afterwards)) CoUninitialize();
  if (run->multithreaded) CoUninitialize();
  return 0;
}

TEST_F(ShortcutsTest, ComIsSetUpAroundEachShortcutAndLeftAsFound) {
  std::string target = Target();
  for (bool multithreaded : {false, true}) {
    ThreadRun run{target.c_str(), multithreaded};
    HANDLE thread = CreateThread(nullptr, 0, ShortcutThread, &run, 0, nullptr);
    ASSERT_TRUE(thread);
    ASSERT_EQ(WaitForSingleObject(thread, 30000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(run.created, 1) << multithreaded;
    // A thread without COM is left without it (a new multithreaded apartment starts with
    // S_OK); one in the multithreaded apartment stays in it (S_FALSE).
    EXPECT_EQ(run.afterwards, multithreaded ? S_FALSE : S_OK) << multithreaded;
    EXPECT_TRUE(LoadLink(folders_.Folder("UPRG") + "\\Threaded.lnk").loaded);
    DeleteShortcut("UPRG", "Threaded");
  }
}

}  // namespace
