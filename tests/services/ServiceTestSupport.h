// Helpers of the service tests: test services of our own under the real service manager,
// removed again whatever the test's outcome, setup scripts, and the service configuration.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include <string>

#include "support/TestSupport.h"

// A service name no other test (or emulated-version run of this binary) uses.
std::string UniqueServiceName(const char *tag);

// The binary path of the test service with its options, as the service manager expects it.
std::string TestServiceCommand(const std::string &name, const std::string &options = "");

// Stops (or ends the process of) and deletes the named service when it goes out of scope.
class ServiceGuard {
 public:
  explicit ServiceGuard(std::string name) : name_(std::move(name)) {}
  ~ServiceGuard();
  ServiceGuard(const ServiceGuard &) = delete;
  ServiceGuard &operator=(const ServiceGuard &) = delete;
  const char *name() const { return name_.c_str(); }

 private:
  std::string name_;
};

// Creates a demand-start own-process service directly; true when created.
bool CreateTestService(const std::string &name, const std::string &command);

bool ServiceExists(const std::string &name);
// Current state (SERVICE_STOPPED ...), or 0 when the service cannot be opened.
DWORD ServiceState(const std::string &name);

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
