#include "shell/Shortcuts.h"

#include <objbase.h>
#include <objidl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <string.h>

#include "common/Decimal.h"
#include "common/Globals.h"
#include "common/Guards.h"
#include "common/Log.h"
#include "common/ScriptField.h"
#include "shell/LinkPath.h"

namespace {

constexpr size_t kFolderValueSize = 256;
constexpr const char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// A folder code and the "Shell Folders" values it stands for; common codes name the
// all-users value first and the user's own as the fallback.
struct FolderCode {
  const char *code;
  bool common;
  const char *firstChoice;
  const char *fallback;
};

constexpr FolderCode kFolderCodes[] = {
    {"USTU", false, "Startup", nullptr},
    {"USTM", false, "Start Menu", nullptr},
    {"UPRG", false, "Programs", nullptr},
    {"UDSK", false, "Desktop", nullptr},
    {"CSTU", true, "Common Startup", "Startup"},
    {"CSTM", true, "Common Start Menu", "Start Menu"},
    {"CPRG", true, "Common Programs", "Programs"},
    {"CDSK", true, "Common Desktop", "Desktop"},
};

const FolderCode *FindFolderCode(const char *code) {
  for (const FolderCode &entry : kFolderCodes)
    if (lstrcmpiA(entry.code, code) == 0) return &entry;
  return nullptr;
}

// Reads a text value whole; a value too long for the buffer, or not ended by a NUL within
// it, counts as unreadable.
bool ReadFolderValue(HKEY key, const char *name, char (&value)[kFolderValueSize], DWORD *type) {
  if (!key) return false;
  DWORD size = sizeof(value);
  if (RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE *>(value), &size) !=
      ERROR_SUCCESS)
    return false;
  if (size == 0 || value[size - 1] != '\0') {
    if (size >= sizeof(value)) return false;
    value[size] = '\0';
  }
  return true;
}

// Creates the sub-folders named in the shortcut name, the outermost first; the shell folder
// (everything before the first backslash after folderLength) already exists.
void CreateSubfolders(char *linkPath, size_t folderLength, MadeListener *listener) {
  for (char *p = linkPath + folderLength + 1; *p; ++p) {
    if (*p != '\\') continue;
    *p = '\0';
    if (CreateDirectoryA(linkPath, nullptr)) TellMade(listener, Made::Folder, linkPath);
    *p = '\\';
  }
}

// Opens a window, without activating it, on the folder that holds the new link.
void OpenLinkFolder(const char *linkPath) {
  char folder[kTargetDirSize];
  lstrcpynA(folder, linkPath, sizeof(folder));
  char *slash = strrchr(folder, '\\');
  if (slash) *slash = '\0';
  ShellExecuteA(nullptr, nullptr, folder, nullptr, nullptr, SW_SHOWNA);
}

void CreateSectionShortcuts(HINF inf, const char *listSection, MadeListener *listener) {
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, listSection, nullptr, &line)) return;
  do {
    char code[kFolderCodeSize], name[kFieldSize], target[kFieldSize];
    if (!ReadField(&line, kFieldFolderCode, code) || !ReadField(&line, kFieldLinkName, name) ||
        !ReadField(&line, kFieldLinkTarget, target))
      continue;
    char arguments[kFieldSize], iconFile[kFieldSize], iconIndex[kFieldSize],
        openFolder[kFieldSize];
    // Arguments that the line gives but that do not fit are not dropped: the shortcut would
    // start its target with other arguments than the script says.
    if (!ReadField(&line, kFieldLinkArguments, arguments) &&
        SetupGetFieldCount(&line) >= kFieldLinkArguments)
      continue;
    ReadField(&line, kFieldIconFile, iconFile);
    ReadField(&line, kFieldIconIndex, iconIndex);
    ReadField(&line, kFieldOpenFolder, openFolder);
    CreateShortcut(code, name, target, arguments, iconFile, ReadDecimal(iconIndex),
                   ReadDecimal(openFolder), listener);
  } while (SetupFindNextLine(&line, &line));
}

void DeleteSectionShortcuts(HINF inf, const char *listSection, MadeListener *) {
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, listSection, nullptr, &line)) return;
  do {
    char code[kFolderCodeSize], name[kFieldSize];
    if (ReadField(&line, kFieldFolderCode, code) && ReadField(&line, kFieldLinkName, name))
      DeleteShortcut(code, name);
  } while (SetupFindNextLine(&line, &line));
}

// Calls apply for every list section named on the first line with this key.
void ForEachListSection(HINF inf, const char *section, const char *key,
                        void (*apply)(HINF, const char *, MadeListener *),
                        MadeListener *listener) {
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, section, key, &line)) return;
  char listSection[kFieldSize];
  for (DWORD field = 1; ReadField(&line, field, listSection); ++field)
    apply(inf, listSection, listener);
}

// A name that is absolute or climbs out with ".." would put the link, or delete a file,
// outside the shell folder that the line names: such a line makes and takes no link.
bool NameStaysInFolder(const char *name) {
  if (IsContainedLinkName(name)) return true;
  LogLine("shortcut %s skipped: its name leaves the shell folder", name);
  return false;
}

}  // namespace

int ApplySectionShortcuts(HINF inf, const char *section, MadeListener *listener) {
  ForEachListSection(inf, section, kMakeIconsKey, CreateSectionShortcuts, listener);
  ForEachListSection(inf, section, kDelIconsKey, DeleteSectionShortcuts, listener);
  return 1;
}

int CreateShortcut(const char *folderCode, const char *name, const char *target,
                   const char *arguments, const char *iconFile, int iconIndex, int openFolder,
                   MadeListener *listener) {
  if (!NameStaysInFolder(name)) return 0;
  char workingDirectory[kTargetDirSize];
  ShortcutWorkingDirectory(workingDirectory, sizeof(workingDirectory), target);

  ComGuard com;
  ComRelease<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              link.out())))
    return 0;
  link->SetPath(target);
  link->SetWorkingDirectory(workingDirectory);
  link->SetArguments(arguments);
  link->SetIconLocation(iconFile, iconIndex);

  ComRelease<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.out()))) return 0;

  char folder[kTargetDirSize];
  if (!ResolveFolderCode(folder, folderCode)) return 0;
  char linkPath[kTargetDirSize];
  // A link path that does not fit would be cut to another name or folder: no shortcut then.
  if (!BuildLinkPath(linkPath, sizeof(linkPath), folder, name)) return 0;
  CreateSubfolders(linkPath, strlen(folder), listener);

  WCHAR widePath[kTargetDirSize];
  if (!MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, kTargetDirSize)) return 0;
  // A link that is there already is the user's or an earlier install's: only a new one is told.
  if (GetFileAttributesA(linkPath) == INVALID_FILE_ATTRIBUTES)
    TellMade(listener, Made::Shortcut, linkPath);
  HRESULT saved = file->Save(widePath, TRUE);
  file.reset();
  if (SUCCEEDED(saved))
    LogLine("shortcut %s made, to %s", linkPath, target);
  else
    LogFailure(static_cast<DWORD>(saved), "shortcut %s not made", linkPath);

  // A silent run opens no window, not even the shell's.
  if (openFolder && !g_silent) OpenLinkFolder(linkPath);
  return SUCCEEDED(saved) ? 1 : 0;
}

int DeleteShortcut(const char *folderCode, const char *name) {
  if (!NameStaysInFolder(name)) return 1;
  char folder[kTargetDirSize];
  if (!ResolveFolderCode(folder, folderCode)) return 1;
  char linkPath[kTargetDirSize];
  // A path that does not fit names no file of ours: nothing is deleted.
  if (!BuildLinkPath(linkPath, sizeof(linkPath), folder, name)) return 1;
  if (DeleteFileA(linkPath)) LogLine("shortcut %s deleted", linkPath);
  size_t folderLength = strlen(folder);
  while (CutToParentFolder(linkPath, folderLength))
    if (!RemoveDirectoryA(linkPath)) break;
  return 1;
}

bool IsKnownFolderCode(const char *folderCode) { return FindFolderCode(folderCode) != nullptr; }

int ResolveFolderCode(char *destination, const char *folderCode) {
  RegKeyGuard user;
  RegKeyGuard common;
  OpenRegistryKey(HKEY_CURRENT_USER, kShellFoldersKey, KEY_READ, &user);
  OpenRegistryKey(HKEY_LOCAL_MACHINE, kShellFoldersKey, KEY_READ, &common);
  if (!user.get() && !common.get()) return 0;
  const FolderCode *entry = FindFolderCode(folderCode);
  if (!entry) return 0;

  char value[kFolderValueSize];
  DWORD type = 0;
  bool read = entry->common ? ReadFolderValue(common.get(), entry->firstChoice, value, &type)
                            : ReadFolderValue(user.get(), entry->firstChoice, value, &type);
  if (!read && entry->fallback) read = ReadFolderValue(user.get(), entry->fallback, value, &type);
  if (!read) return 0;

  switch (type) {
    case REG_SZ:
      lstrcpynA(destination, value, static_cast<int>(kTargetDirSize));
      return 1;
    case REG_EXPAND_SZ: {
      // Expanded aside first: a result that does not fit leaves the destination untouched.
      char expanded[kTargetDirSize];
      DWORD needed = ExpandEnvironmentStringsA(value, expanded, sizeof(expanded));
      if (needed == 0 || needed > sizeof(expanded)) return 0;
      lstrcpynA(destination, expanded, static_cast<int>(kTargetDirSize));
      return 1;
    }
    default:
      return 0;
  }
}
