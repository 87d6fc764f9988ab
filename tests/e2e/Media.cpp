#include "e2e/Media.h"

#include <string.h>

#include "e2e/WizardDriver.h"

namespace {

constexpr char kUninstallRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr int kValueSize = 1024;

}  // namespace

std::string ReplaceAll(std::string text, const std::string &from, const std::string &to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

void ConvertToUtf16(const std::string &path) {
  std::string text = ReadTextFile(path);
  std::wstring wide(text.size() + 1, L'\0');
  int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                   &wide[0], static_cast<int>(wide.size()));
  wide.resize(static_cast<size_t>(length));
  wide.insert(wide.begin(), L'\xFEFF');
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, wide.data(), static_cast<DWORD>(wide.size() * sizeof(wchar_t)), &written,
            nullptr);
  CloseHandle(file);
}

void WriteSolidBitmap(const std::string &path, int width, int height, COLORREF colour) {
  const DWORD stride = BitmapStride(width);
  std::string pixels(stride * static_cast<DWORD>(height), '\0');
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      char *pixel = &pixels[y * stride + x * 3];
      pixel[0] = static_cast<char>(GetBValue(colour));
      pixel[1] = static_cast<char>(GetGValue(colour));
      pixel[2] = static_cast<char>(GetRValue(colour));
    }
  WriteBitmapFile(path, width, height, pixels.data());
}

Media::Media(const std::string &script, const std::vector<std::string> &payload) {
  std::string text = ReplaceAll(script, "@GATE@", gateFile());
  text = ReplaceAll(text, "@TARGET@", target());
  text = ReplaceAll(text, "@MEDIA@", dir());
  WriteTextFile(media_ / "setup.inf", text);
  for (const std::string &name : payload) WriteTextFile(media_ / name, "payload " + name + "\r\n");
  CopyFileA(BinaryPath("tests/tools/gate/gate.exe").c_str(), (media_ / "gate.exe").c_str(),
            FALSE);
}

void Media::OpenGate() const { WriteTextFile(gateFile(), "open"); }

std::string UninstallValue(const std::string &key, const char *value) {
  HKEY handle;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kUninstallRoot + key).c_str(), 0, KEY_READ, &handle))
    return "<no entry>";
  char text[kValueSize] = {};
  DWORD size = sizeof(text) - 1;
  DWORD type = REG_NONE;
  LONG result = RegQueryValueExA(handle, value, nullptr, &type,
                                 reinterpret_cast<BYTE *>(text), &size);
  RegCloseKey(handle);
  if (result != ERROR_SUCCESS) return "<no value>";
  if (type == REG_DWORD && size == sizeof(DWORD)) {
    DWORD number = 0;
    memcpy(&number, text, sizeof(number));
    return "dword:" + std::to_string(number);
  }
  return text;
}

bool UninstallEntryExists(const std::string &key) {
  HKEY handle;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kUninstallRoot + key).c_str(), 0, KEY_READ, &handle))
    return false;
  RegCloseKey(handle);
  return true;
}

void WriteUninstallValue(const std::string &key, const char *value, const std::string &text) {
  HKEY handle;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kUninstallRoot + key).c_str(), 0, nullptr, 0,
                      KEY_ALL_ACCESS, nullptr, &handle, nullptr))
    return;
  RegSetValueExA(handle, value, 0, REG_SZ, reinterpret_cast<const BYTE *>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(handle);
}

void DeleteUninstallEntry(const std::string &key) {
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kUninstallRoot + key).c_str());
}

std::string ProgramFilesDir() {
  HKEY handle;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0,
                    KEY_READ, &handle))
    return "";
  char text[MAX_PATH] = {};
  DWORD size = sizeof(text) - 1;
  DWORD type = 0;
  RegQueryValueExA(handle, "ProgramFilesDir", nullptr, &type, reinterpret_cast<BYTE *>(text),
                   &size);
  RegCloseKey(handle);
  if (type == REG_EXPAND_SZ) {
    char expanded[MAX_PATH] = {};
    ExpandEnvironmentStringsA(text, expanded, sizeof(expanded));
    return expanded;
  }
  return text;
}

void ClearPendingRenames() {
  HKEY handle;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0,
                    KEY_ALL_ACCESS, &handle))
    return;
  RegDeleteValueA(handle, "PendingFileRenameOperations");
  RegCloseKey(handle);
}
