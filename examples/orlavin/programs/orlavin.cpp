// The Orlavin answering machine as far as this sample goes: a window that says where the
// machine keeps its messages, read from the registry value the setup wrote. It is what the
// sample's shortcuts start.
#include <windows.h>

#include <stdio.h>

namespace {

constexpr char kMachineKey[] = "Software\\Orlavin\\Answering Machine";
constexpr size_t kTextSize = 512;

// The "Messages" value of the machine's key, or an empty text.
void ReadMessageFolder(char *folder, DWORD size) {
  folder[0] = '\0';
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMachineKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  DWORD type = 0;
  DWORD length = size - 1;
  if (RegQueryValueExA(key, "Messages", nullptr, &type, reinterpret_cast<BYTE *>(folder),
                       &length) != ERROR_SUCCESS || type != REG_SZ)
    length = 0;
  folder[length < size ? length : size - 1] = '\0';
  RegCloseKey(key);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char folder[MAX_PATH];
  ReadMessageFolder(folder, sizeof(folder));
  char text[kTextSize];
  if (folder[0])
    snprintf(text, sizeof(text), "No new messages.\n\nMessages are kept in %s.", folder);
  else
    snprintf(text, sizeof(text), "The answering machine is not set up: run setup.exe again.");
  MessageBoxA(nullptr, text, "Orlavin Answering Machine", MB_ICONINFORMATION);
  return 0;
}
