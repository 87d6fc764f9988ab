// Helpers of the catalogue and registration tests: a setup script written to a scratch folder
// and opened, test-unique product keys, and Uninstall entries that are removed again.
#pragma once
#include <windows.h>
#include <setupapi.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/Globals.h"
#include "support/TestSupport.h"

constexpr char kUninstallRootPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// A key of this test process, so that parallel runs and earlier crashes never collide.
inline std::string TestKey(const std::string &name) {
  char prefix[64];
  snprintf(prefix, sizeof(prefix), "SetupTest%lu%s", GetCurrentProcessId(), name.c_str());
  return prefix;
}

// Replaces every "@X" (X one capital letter) by TestKey("X").
inline std::string WithTestKeys(const std::string &text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '@' && i + 1 < text.size() && text[i + 1] >= 'A' && text[i + 1] <= 'Z') {
      out += TestKey(std::string(1, text[i + 1]));
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A key list from keys.
inline std::vector<char> KeyList(const std::vector<std::string> &keys) {
  std::vector<char> list;
  for (const std::string &key : keys) list.insert(list.end(), key.c_str(), key.c_str() + key.size() + 1);
  list.push_back('\0');
  list.push_back('\0');
  return list;
}

// The entries of a list joined by "|", each followed by one.
inline std::string Joined(const char *list) {
  std::string out;
  for (const char *p = list; *p; p += strlen(p) + 1) out += std::string(p) + "|";
  return out;
}

// A script whose "@X" names are test keys, read through the bare section names.
class ProductScript : public TestScript {
 public:
  explicit ProductScript(const std::string &body) : TestScript(WithTestKeys(body)) {
    g_installSection = "Install";
    g_removeSection = "Remove";
    g_productsSection = "Products";
  }
};

// Deletes the Uninstall entries of the named test keys before and after a test.
class UninstallEntries {
 public:
  explicit UninstallEntries(const std::vector<std::string> &names) {
    for (const std::string &name : names) keys_.push_back(TestKey(name));
    DeleteAll();
  }
  ~UninstallEntries() { DeleteAll(); }
  void DeleteAll() {
    for (const std::string &key : keys_) Delete(key);
  }
  static void Delete(const std::string &key) {
    HKEY root;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallRootPath, 0, KEY_ALL_ACCESS, &root) ==
        ERROR_SUCCESS) {
      RegDeleteKeyA(root, key.c_str());
      RegCloseKey(root);
    }
  }

 private:
  std::vector<std::string> keys_;
};

inline std::string EntryPath(const std::string &key) {
  return std::string(kUninstallRootPath) + "\\" + key;
}

inline bool EntryExists(const std::string &key) {
  HKEY entry;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, EntryPath(key).c_str(), 0, KEY_READ, &entry) !=
      ERROR_SUCCESS)
    return false;
  RegCloseKey(entry);
  return true;
}

// The text of a value, or "<none>" when the entry or the value is missing.
inline std::string EntryValue(const std::string &key, const char *name) {
  HKEY entry;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, EntryPath(key).c_str(), 0, KEY_READ, &entry) !=
      ERROR_SUCCESS)
    return "<none>";
  char text[2048];
  DWORD size = sizeof(text) - 1;
  DWORD type = 0;
  LONG result = RegQueryValueExA(entry, name, nullptr, &type, reinterpret_cast<BYTE *>(text), &size);
  RegCloseKey(entry);
  if (result != ERROR_SUCCESS) return "<none>";
  text[size] = '\0';
  return type == REG_SZ ? std::string(text) : "<type " + std::to_string(type) + ">";
}

// Creates the entry when needed; with a name, also sets that text value.
inline void SetEntryValue(const std::string &key, const char *name, const std::string &text) {
  HKEY entry;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, EntryPath(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &entry, nullptr) != ERROR_SUCCESS)
    return;
  if (name)
    RegSetValueExA(entry, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
  RegCloseKey(entry);
}
