// Helpers of the catalogue and registration tests: a setup script of test-unique product keys,
// and Uninstall entries that are removed again.
#pragma once
#include <windows.h>
#include <setupapi.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "common/Globals.h"
#include "script/Registration.h"
#include "support/SystemState.h"
#include "support/TestSupport.h"

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
    for (const std::string &key : keys_) DeleteUninstallEntry(key);
  }

 private:
  std::vector<std::string> keys_;
};

// The entries of keys planned and written as an install run does; RegisterPlannedEntries'
// result.
inline int RegisterEntries(HINF inf, const char *keys, const char *targetDir) {
  UninstallPlan plan = {};
  if (!PlanUninstallEntries(inf, keys, &plan)) return -1;
  int written = RegisterPlannedEntries(inf, plan, targetDir);
  ReleaseUninstallPlan(&plan);
  return written;
}

// The text of a value, or "<none>" when the entry or the value is missing.
inline std::string EntryValue(const std::string &key, const char *name) {
  std::string value = UninstallValue(key, name);
  return value == "<no entry>" || value == "<no value>" ? "<none>" : value;
}
