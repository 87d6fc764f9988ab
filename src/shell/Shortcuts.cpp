#include "shell/Shortcuts.h"

#include <objbase.h>
#include <objidl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <string.h>

#include "common/AsciiCase.h"
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
    if (SameIgnoringCase(entry.code, code)) return &entry;
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

void CreateLineShortcut(INFCONTEXT *line, MadeListener *listener) {
  char code[kFolderCodeSize], name[kFieldSize], target[kFieldSize];
  if (!ReadField(line, kFieldFolderCode, code) || !ReadField(line, kFieldLinkName, name) ||
      !ReadField(line, kFieldLinkTarget, target))
    return;
  char arguments[kFieldSize], iconFile[kFieldSize], iconIndex[kFieldSize],
      openFolder[kFieldSize];
  // Arguments that the line gives but that do not fit are not dropped: the shortcut would
  // start its target with other arguments than the script says.
  if (!ReadField(line, kFieldLinkArguments, arguments) &&
      SetupGetFieldCount(line) >= kFieldLinkArguments)
    return;
  ReadField(line, kFieldIconFile, iconFile);
  ReadField(line, kFieldIconIndex, iconIndex);
  ReadField(line, kFieldOpenFolder, openFolder);
  CreateShortcut(code, name, target, arguments, iconFile, ReadDecimal(iconIndex),
                 ReadDecimal(openFolder), listener);
}

void CreateSectionShortcuts(HINF inf, const char *listSection, MadeListener *listener) {
  ForEachLine(inf, listSection, nullptr,
              [listener](INFCONTEXT *line) { CreateLineShortcut(line, listener); });
}

void DeleteSectionShortcuts(HINF inf, const char *listSection, MadeListener *) {
  ForEachLine(inf, listSection, nullptr, [](INFCONTEXT *line) {
    char code[kFolderCodeSize], name[kFieldSize];
    if (ReadField(line, kFieldFolderCode, code) && ReadField(line, kFieldLinkName, name))
      DeleteShortcut(code, name);
  });
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

void ApplySectionShortcuts(HINF inf, const char *section, MadeListener *listener) {
  ForEachListSection(inf, section, kMakeIconsKey, CreateSectionShortcuts, listener);
  ForEachListSection(inf, section, kDelIconsKey, DeleteSectionShortcuts, listener);
}

bool CreateShortcut(const char *folderCode, const char *name, const char *target,
                    const char *arguments, const char *iconFile, int iconIndex, int openFolder,
                    MadeListener *listener) {
  if (!NameStaysInFolder(name)) return false;
  char workingDirectory[kTargetDirSize];
  ShortcutWorkingDirectory(workingDirectory, sizeof(workingDirectory), target);

  ComGuard com;
  ComRelease<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              link.out())))
    return false;
  link->SetPath(target);
  link->SetWorkingDirectory(workingDirectory);
  link->SetArguments(arguments);
  link->SetIconLocation(iconFile, iconIndex);

  ComRelease<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.out()))) return false;

  char folder[kTargetDirSize];
  if (!ResolveFolderCode(folder, folderCode)) return false;
  char linkPath[kTargetDirSize];
  // A link path that does not fit would be cut to another name or folder: no shortcut then.
  if (!BuildLinkPath(linkPath, sizeof(linkPath), folder, name)) return false;
  CreateSubfolders(linkPath, strlen(folder), listener);

  WCHAR widePath[kTargetDirSize];
  if (!MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, kTargetDirSize)) return false;
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
  return SUCCEEDED(saved);
}

void DeleteShortcut(const char *folderCode, const char *name) {
  if (!NameStaysInFolder(name)) return;
  char folder[kTargetDirSize];
  if (!ResolveFolderCode(folder, folderCode)) return;
  char linkPath[kTargetDirSize];
  // A path that does not fit names no file of ours: nothing is deleted.
  if (!BuildLinkPath(linkPath, sizeof(linkPath), folder, name)) return;
  if (DeleteFileA(linkPath)) LogLine("shortcut %s deleted", linkPath);
  size_t folderLength = strlen(folder);
  while (CutToParentFolder(linkPath, folderLength))
    if (!RemoveDirectoryA(linkPath)) break;
}

bool IsKnownFolderCode(const char *folderCode) { return FindFolderCode(folderCode) != nullptr; }

bool ResolveFolderCode(char (&destination)[kTargetDirSize], const char *folderCode) {
  RegKeyGuard user;
  RegKeyGuard common;
  OpenRegistryKey(HKEY_CURRENT_USER, kShellFoldersKey, KEY_READ, &user);
  OpenRegistryKey(HKEY_LOCAL_MACHINE, kShellFoldersKey, KEY_READ, &common);
  if (!user.get() && !common.get()) return false;
  const FolderCode *entry = FindFolderCode(folderCode);
  if (!entry) return false;

  char value[kFolderValueSize];
  DWORD type = 0;
  bool read = entry->common ? ReadFolderValue(common.get(), entry->firstChoice, value, &type)
                            : ReadFolderValue(user.get(), entry->firstChoice, value, &type);
  if (!read && entry->fallback) read = ReadFolderValue(user.get(), entry->fallback, value, &type);
  if (!read) return false;

  switch (type) {
    case REG_SZ:
      lstrcpynA(destination, value, sizeof(destination));
      return true;
    case REG_EXPAND_SZ: {
      // Expanded aside first: a result that does not fit leaves the destination untouched.
      char expanded[kTargetDirSize];
      DWORD needed = ExpandEnvironmentStringsA(value, expanded, sizeof(expanded));
      if (needed == 0 || needed > sizeof(expanded)) return false;
      lstrcpynA(destination, expanded, sizeof(destination));
      return true;
    }
    default:
      return false;
  }
}
