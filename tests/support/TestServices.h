// Test services of our own (tests/tools/testservice) under the real service manager, removed
// again whatever the test's outcome: the one clean-up of every test that makes a service.
#pragma once
#include <windows.h>

#include <string>

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
// Starts the service and waits until it runs; false when it does not.
bool StartTestService(const std::string &name);

bool ServiceExists(const std::string &name);
// Current state (SERVICE_STOPPED ...), or 0 when the service cannot be opened.
DWORD ServiceState(const std::string &name);
