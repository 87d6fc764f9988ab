// Helpers of the service tests: the service configuration and the service group order (the
// test services themselves: support/TestServices.h).
#pragma once
#include <windows.h>
#include <setupapi.h>

#include <string>

#include "support/TestServices.h"
#include "support/TestSupport.h"

struct ServiceConfig {
  bool found = false;
  DWORD serviceType = 0;
  DWORD startType = 0;
  DWORD errorControl = 0;
  std::string binaryPath;
  std::string loadOrderGroup;
  std::string firstDependency;
  std::string startName;
  std::string displayName;
};
ServiceConfig QueryConfig(const std::string &name);

// Saves the system's service group order list and puts it back when it goes out of scope.
class SavedGroupOrder {
 public:
  SavedGroupOrder();
  ~SavedGroupOrder();
  SavedGroupOrder(const SavedGroupOrder &) = delete;
  SavedGroupOrder &operator=(const SavedGroupOrder &) = delete;

 private:
  bool present_ = false;
  DWORD type_ = 0;
  std::string data_;
};

extern const char kGroupOrderKeyPath[];
// Writes raw bytes as "List" with the given type.
void WriteGroupOrderList(const std::string &bytes, DWORD type = REG_MULTI_SZ);
void DeleteGroupOrderList();
// The stored "List" as its entries joined by ","; "<missing>" when there is no value.
std::string ReadGroupOrderList(DWORD *type = nullptr);
