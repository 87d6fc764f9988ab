// Shortcut lines whose fields do not fit their buffers: a name, target or folder code that
// does not fit names nothing and makes no link; arguments that the line gives but that do not
// fit make no link either, rather than one that starts its target without them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shell/Shortcuts.h"
#include "support/TestSupport.h"

namespace {

constexpr char kUserShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The user's "Programs" folder pointed at a scratch folder, and put back afterwards.
class ProgramsFolderOverride {
 public:
  explicit ProgramsFolderOverride(const std::string &folder) {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kUserShellFolders, 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key_, nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    DWORD size = 0;
    if (RegQueryValueExA(key_, "Programs", nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
      saved_.resize(size);
      present_ = RegQueryValueExA(key_, "Programs", nullptr, &type_, saved_.data(), &size) ==
                 ERROR_SUCCESS;
    }
    RegSetValueExA(key_, "Programs", 0, REG_SZ, reinterpret_cast<const BYTE *>(folder.c_str()),
                   static_cast<DWORD>(folder.size() + 1));
  }
  ~ProgramsFolderOverride() {
    if (!key_) return;
    if (present_)
      RegSetValueExA(key_, "Programs", 0, type_, saved_.data(), static_cast<DWORD>(saved_.size()));
    else
      RegDeleteValueA(key_, "Programs");
    RegCloseKey(key_);
  }
  bool ok() const { return key_ != nullptr; }

 private:
  HKEY key_ = nullptr;
  DWORD type_ = 0;
  bool present_ = false;
  std::vector<BYTE> saved_;
};

std::vector<std::string> Links(const std::string &folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*.lnk").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.push_back(data.cFileName);
  while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

TEST(OverlongShortcutFieldsTest, FieldsThatDoNotFitMakeNoLink) {
  ScratchDir dir;
  std::string programs = dir / "programs";
  CreateDirectoryA(programs.c_str(), nullptr);
  ProgramsFolderOverride folder(programs);
  ASSERT_TRUE(folder.ok());
  std::string target = dir / "tool.exe";
  WriteTextFile(target, "x");
  TestScript script(dir, "[Install]\r\nMakeIcons=Links\r\n"
                         "[Links]\r\n"
                         "UPRG,Plain," + target + ",\"/x\"\r\n"
                         "UPRG,Args," + target + ",\"" + std::string(256, 'a') + "\"\r\n"
                         "UPRG,Longest," + target + ",\"" + std::string(255, 'a') + "\"\r\n"
                         "UPRG," + std::string(256, 'n') + "," + target + "\r\n"
                         "UPRG,Target," + dir.path() + "\\" + std::string(300, 't') + "\r\n"
                         "UPRG" + std::string(300, 'c') + ",Code," + target + "\r\n"
                         "UPRG,Bare," + target + "\r\n");
  ASSERT_TRUE(script.ok());
  ApplySectionShortcuts(script.inf(), "Install");
  std::vector<std::string> expected = {"Bare.lnk", "Longest.lnk", "Plain.lnk"};
  std::vector<std::string> links = Links(programs);
  std::sort(links.begin(), links.end());
  EXPECT_EQ(links, expected);
}

}  // namespace
