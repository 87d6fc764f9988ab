#include "services/GroupOrder.h"

#include <string.h>

#include "common/Globals.h"
#include "common/Guards.h"
#include "common/ScriptField.h"
#include "services/GroupPlacement.h"
#include "services/MultiSz.h"
#include "services/ServiceSections.h"

namespace {

constexpr char kGroupOrderKey[] = "System\\CurrentControlSet\\Control\\ServiceGroupOrder";
constexpr char kListValue[] = "List";
// The value may change between asking its size and reading it; a few tries settle that.
constexpr int kReadAttempts = 4;

// Reads "List" into a buffer sized from the stored value, places the group and writes the
// list back. A missing value is an empty list; a value that cannot be read is left alone,
// since writing anything over it would lose the system's groups.
int EditStoredList(HKEY key, const char *group, const char *anchor) {
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    DWORD stored = 0;
    LONG rc = RegQueryValueExA(key, kListValue, nullptr, nullptr, nullptr, &stored);
    if (rc == ERROR_FILE_NOT_FOUND)
      stored = 0;
    else if (rc != ERROR_SUCCESS)
      return 0;

    size_t capacity = GroupListCapacity(stored, strlen(group));
    HeapGuard buffer(AllocateZeroed(capacity));
    if (!buffer.get()) return 0;
    DWORD got = stored;
    if (stored != 0) {
      rc = RegQueryValueExA(key, kListValue, nullptr, nullptr,
                            reinterpret_cast<BYTE *>(buffer.get()), &got);
      if (rc == ERROR_MORE_DATA) continue;
      if (rc == ERROR_FILE_NOT_FOUND)
        got = 0;
      else if (rc != ERROR_SUCCESS)
        return 0;
    }
    if (!MultiSzFromBytes(buffer.get(), got, capacity)) return 0;
    if (!PlaceGroupInList(buffer.get(), capacity, group, anchor)) return 0;
    RegSetValueExA(key, kListValue, 0, REG_MULTI_SZ, reinterpret_cast<BYTE *>(buffer.get()),
                   static_cast<DWORD>(MultiSzSize(buffer.get())));
    return 1;
  }
  return 0;
}

}  // namespace

int ApplyServiceGroupOrder(HINF inf, const char *settingsSection) {
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, settingsSection, kServiceGroupOrderKey, &line)) return 1;
  char group[kFieldSize];
  if (!ReadField(&line, kFieldGroup, group)) return 0;
  // An empty group would end the list early and cut off every group after it.
  if (group[0] == '\0') return 0;
  char anchor[kFieldSize];
  ReadField(&line, kFieldGroupAnchor, anchor);

  RegKeyGuard key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kGroupOrderKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, key.receive(), nullptr) != ERROR_SUCCESS)
    return 0;
  return EditStoredList(key.get(), group, anchor);
}
