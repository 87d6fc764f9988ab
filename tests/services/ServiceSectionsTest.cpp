// Service sections against the real service manager, with a test service of our own.
#include <gtest/gtest.h>

#include <string>

#include "services/ServiceSections.h"
#include "services/ServiceTestSupport.h"

namespace {

// The service operations by name are used only on the NT family; there they are tested.
#define SKIP_ON_WIN9X() \
  if (EmulatesWin9x()) GTEST_SKIP() << "service operations by name run only on the NT family"

std::string LogOption(const std::string &path) { return "/log:" + path; }

TEST(ServiceByNameTest, MissingServiceStopsAndDeletesButDoesNotStart) {
  SKIP_ON_WIN9X();
  std::string name = UniqueServiceName("missing");
  EXPECT_EQ(StopServiceByName(name.c_str()), 1);
  EXPECT_EQ(DeleteServiceByName(name.c_str()), 1);
  EXPECT_EQ(StartServiceByName(name.c_str()), 0);
  EXPECT_FALSE(ServiceExists(name));
}

TEST(ServiceByNameTest, StartsAndStopsTheTestServiceWithinThePollBounds) {
  SKIP_ON_WIN9X();
  ScratchDir dir;
  std::string log = dir / "events.log";
  ServiceGuard service(UniqueServiceName("startstop"));
  ASSERT_TRUE(CreateTestService(
      service.name(),
      TestServiceCommand(service.name(), LogOption(log) + " /startdelay:1000 /stopdelay:700")));
  EXPECT_EQ(ServiceState(service.name()), static_cast<DWORD>(SERVICE_STOPPED));

  EXPECT_EQ(StartServiceByName(service.name()), 1);
  EXPECT_EQ(ServiceState(service.name()), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(ReadTextFile(log), "start\r\nrunning\r\n");

  EXPECT_EQ(StopServiceByName(service.name()), 1);
  EXPECT_EQ(ServiceState(service.name()), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(ReadTextFile(log), "start\r\nrunning\r\ncontrol 1\r\nstopped\r\n");

  // Stopping it again sends no control: a control to a stopped service would leave
  // ERROR_SERVICE_NOT_ACTIVE behind, which the operation keeps through its clean-up.
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(StopServiceByName(service.name()), 1);
  EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
  EXPECT_EQ(ReadTextFile(log), "start\r\nrunning\r\ncontrol 1\r\nstopped\r\n");

  // The probe above can tell: a stop control sent by hand does leave that error.
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE handle = OpenServiceA(manager, service.name(), SERVICE_ALL_ACCESS);
  SERVICE_STATUS status;
  EXPECT_FALSE(ControlService(handle, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
  CloseServiceHandle(handle);
  CloseServiceHandle(manager);
}

TEST(ServiceByNameTest, StartOfARunningServiceSucceedsWithoutASecondStart) {
  SKIP_ON_WIN9X();
  ScratchDir dir;
  std::string log = dir / "events.log";
  ServiceGuard service(UniqueServiceName("twice"));
  ASSERT_TRUE(CreateTestService(service.name(), TestServiceCommand(service.name(), LogOption(log))));
  EXPECT_EQ(StartServiceByName(service.name()), 1);
  EXPECT_EQ(StartServiceByName(service.name()), 1);
  EXPECT_EQ(ReadTextFile(log), "start\r\nrunning\r\n");
}

TEST(ServiceByNameTest, ServiceSlowerThanThePollFailsToStart) {
  SKIP_ON_WIN9X();
  ServiceGuard service(UniqueServiceName("slowstart"));
  ASSERT_TRUE(
      CreateTestService(service.name(), TestServiceCommand(service.name(), "/startdelay:8000")));
  EXPECT_EQ(StartServiceByName(service.name()), 0);
  EXPECT_EQ(ServiceState(service.name()), static_cast<DWORD>(SERVICE_START_PENDING));
}

TEST(ServiceByNameTest, DeleteRemovesAStoppedService) {
  SKIP_ON_WIN9X();
  ServiceGuard service(UniqueServiceName("delete"));
  ASSERT_TRUE(CreateTestService(service.name(), TestServiceCommand(service.name())));
  EXPECT_EQ(DeleteServiceByName(service.name()), 1);
  EXPECT_FALSE(ServiceExists(service.name()));
  EXPECT_EQ(DeleteServiceByName(service.name()), 1);
}

// Stop and start sections: the first failure ends the section, other keys are left alone.
TEST(ServiceSectionTest, ServiceThatDoesNotStopInTimeEndsTheSection) {
  ScratchDir dir;
  std::string slowLog = dir / "slow.log";
  std::string nextLog = dir / "next.log";
  ServiceGuard slow(UniqueServiceName("slowstop"));
  ServiceGuard next(UniqueServiceName("next"));
  ASSERT_TRUE(CreateTestService(
      slow.name(), TestServiceCommand(slow.name(), LogOption(slowLog) + " /stopdelay:60000")));
  ASSERT_TRUE(CreateTestService(next.name(), TestServiceCommand(next.name(), LogOption(nextLog))));
  ASSERT_EQ(StartServiceByName(slow.name()), 1);
  ASSERT_EQ(StartServiceByName(next.name()), 1);

  TestScript script("[Install.Services]\r\nStopService=" + std::string(slow.name()) +
                    "\r\nStopService=" + next.name() + "\r\n");
  ASSERT_NE(script.inf(), INVALID_HANDLE_VALUE);
  DWORD started = GetTickCount();
  int result = StopSectionServices(script.inf(), "Install");
  DWORD elapsed = GetTickCount() - started;

  if (EmulatesWin9x()) {
    EXPECT_EQ(result, 1);
    EXPECT_EQ(ServiceState(slow.name()), static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(ReadTextFile(slowLog), "start\r\nrunning\r\n");
  } else {
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ServiceState(slow.name()), static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_EQ(ReadTextFile(slowLog), "start\r\nrunning\r\ncontrol 1\r\n");
    // It waited for the slow service before it gave up.
    EXPECT_GE(elapsed, 20u * 250u);
  }
  EXPECT_EQ(ServiceState(next.name()), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(ReadTextFile(nextLog), "start\r\nrunning\r\n");
}

TEST(ServiceSectionTest, StopAndStartSectionsActOnTheirOwnLines) {
  ScratchDir dir;
  std::string log = dir / "events.log";
  ServiceGuard service(UniqueServiceName("section"));
  ServiceGuard other(UniqueServiceName("other"));
  ASSERT_TRUE(CreateTestService(service.name(), TestServiceCommand(service.name(), LogOption(log))));
  ASSERT_TRUE(CreateTestService(other.name(), TestServiceCommand(other.name())));
  std::string name = service.name();
  TestScript script(
      "[Install.Services]\r\n"
      "startservice=" + name + "\r\n"            // keys are compared without case
      "StopService=" + UniqueServiceName("notthere") + "\r\n"
      "DelService=" + other.name() + "\r\n"      // not a stop or start line
      "StartService=" + std::string(300, 'n') + "\r\n"  // name too long to read: skipped
      "Unknown=" + name + "\r\n"
      "[Later.Services]\r\n"
      "STOPSERVICE=" + name + "\r\n"
      "[Missing.Services]\r\n"
      "StartService=" + UniqueServiceName("notthere") + "\r\n"
      "StartService=" + other.name() + "\r\n");
  ASSERT_NE(script.inf(), INVALID_HANDLE_VALUE);
  bool nt = !EmulatesWin9x();

  EXPECT_EQ(StartSectionServices(script.inf(), "Install"), 1);
  EXPECT_EQ(ServiceState(name), static_cast<DWORD>(nt ? SERVICE_RUNNING : SERVICE_STOPPED));
  EXPECT_EQ(StopSectionServices(script.inf(), "Install"), 1);  // the missing service counts as stopped
  EXPECT_EQ(ServiceState(name), static_cast<DWORD>(nt ? SERVICE_RUNNING : SERVICE_STOPPED));
  EXPECT_TRUE(ServiceExists(other.name()));

  EXPECT_EQ(StopSectionServices(script.inf(), "Later"), 1);
  EXPECT_EQ(ServiceState(name), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(ReadTextFile(log), nt ? "start\r\nrunning\r\ncontrol 1\r\nstopped\r\n" : "");

  // A missing service cannot be started, and the lines after it are not carried out.
  EXPECT_EQ(StartSectionServices(script.inf(), "Missing"), nt ? 0 : 1);
  EXPECT_EQ(ServiceState(other.name()), static_cast<DWORD>(SERVICE_STOPPED));

  // No service section at all: nothing to do.
  EXPECT_EQ(StartSectionServices(script.inf(), "Nothing"), 1);
  EXPECT_EQ(StopSectionServices(script.inf(), "Nothing"), 1);
  EXPECT_EQ(ApplySectionServices(script.inf(), "Nothing"), 1);
}

// The settings section of one "AddService" line, all keys given.
std::string FullSettings(const char *section, const std::string &binary, const char *group,
                         const char *startName, const char *display, const char *dependencies,
                         int startType, int errorControl) {
  return std::string("[") + section + "]\r\n" +
         "ServiceType=0x10\r\n"
         "StartType=" + std::to_string(startType) + "\r\n"
         "ErrorControl=" + std::to_string(errorControl) + "\r\n"
         "ServiceBinary=\"" + binary + "\"\r\n"
         "LoadOrderGroup=" + group + "\r\n"
         "Dependencies=" + dependencies + "\r\n"
         "StartName=" + startName + "\r\n"
         "DisplayName=\"" + display + "\"\r\n";
}

TEST(AddServiceTest, CreatesAndReconfiguresFromTheSettingsSection) {
  ServiceGuard service(UniqueServiceName("add"));
  std::string name = service.name();
  std::string first = TestServiceCommand(name, "/startdelay:10");
  std::string second = TestServiceCommand(name, "/stopdelay:10");
  TestScript script(
      "[Install.Services]\r\nAddService=" + name + ",,First.Settings\r\n"
      "[Update.Services]\r\nAddService=" + name + ",0x2,Second.Settings\r\n"
      "[Partial.Services]\r\nAddService=" + name + ",,Partial.Settings\r\n" +
      FullSettings("First.Settings", first, "First Group", "LocalSystem", "First Display",
                   "DepA,DepB", SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL) +
      FullSettings("Second.Settings", second, "Second Group", "NT AUTHORITY\\LocalService",
                   "Second Display", "DepC,DepD", SERVICE_DISABLED, SERVICE_ERROR_IGNORE) +
      "[Partial.Settings]\r\nDisplayName=\"Partial Display\"\r\nLoadOrderGroup=Partial\r\n");
  ASSERT_NE(script.inf(), INVALID_HANDLE_VALUE);

  EXPECT_EQ(ApplySectionServices(script.inf(), "Install"), 1);
  if (EmulatesWin9x()) {
    EXPECT_FALSE(ServiceExists(name));
    return;
  }
  ServiceConfig config = QueryConfig(name);
  ASSERT_TRUE(config.found);
  EXPECT_EQ(config.serviceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
  EXPECT_EQ(config.startType, static_cast<DWORD>(SERVICE_DEMAND_START));
  EXPECT_EQ(config.errorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
  EXPECT_EQ(config.binaryPath, first);
  EXPECT_EQ(config.loadOrderGroup, "First Group");
  EXPECT_EQ(config.firstDependency, "DepA");
  EXPECT_EQ(config.startName, "LocalSystem");
  EXPECT_EQ(config.displayName, "First Display");

  EXPECT_EQ(ApplySectionServices(script.inf(), "Update"), 1);
  config = QueryConfig(name);
  EXPECT_EQ(config.startType, static_cast<DWORD>(SERVICE_DISABLED));
  EXPECT_EQ(config.errorControl, static_cast<DWORD>(SERVICE_ERROR_IGNORE));
  EXPECT_EQ(config.binaryPath, second);
  EXPECT_EQ(config.loadOrderGroup, "Second Group");
  EXPECT_EQ(config.firstDependency, "DepC");
  EXPECT_EQ(config.startName, "NT AUTHORITY\\LocalService");
  EXPECT_EQ(config.displayName, "Second Display");

  // Without the integers the change goes with type, start and error control 0, which the
  // service manager refuses as a whole; the service still exists, so the line succeeds.
  EXPECT_EQ(ApplySectionServices(script.inf(), "Partial"), 1);
  config = QueryConfig(name);
  EXPECT_EQ(config.serviceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
  EXPECT_EQ(config.startType, static_cast<DWORD>(SERVICE_DISABLED));
  EXPECT_EQ(config.displayName, "Second Display");
  EXPECT_EQ(config.loadOrderGroup, "Second Group");
}

// The dependency list as handed to the service manager, byte for byte.
std::string DependencyBytes(HINF inf, const char *settings) {
  size_t needed = ReadServiceDependencies(inf, settings, nullptr, 0);
  std::string bytes(needed + 8, 'G');
  EXPECT_EQ(ReadServiceDependencies(inf, settings, &bytes[0], needed), needed);
  EXPECT_EQ(bytes.substr(needed), std::string(8, 'G'));
  return bytes.substr(0, needed);
}

TEST(AddServiceTest, DependencyListGrowsToHoldEveryName) {
  std::string names, expected;
  for (int i = 0; i < 12; ++i) {
    std::string dependency = "Dependency-number-" + std::to_string(i) + "-with-a-long-name";
    names += (i ? "," : "") + dependency;
    expected += dependency + '\0';
  }
  expected += '\0';
  ASSERT_GT(expected.size(), 256u);
  ServiceGuard service(UniqueServiceName("deps"));
  TestScript script(
      "[Long]\r\nServiceType=0x10\r\nStartType=3\r\nErrorControl=1\r\n"
      "ServiceBinary=\"" + TestServiceCommand(service.name()) + "\"\r\n"
      "Dependencies=" + names + "\r\n"
      "[Two]\r\nDependencies=A,B\r\n"
      "[Gaps]\r\nDependencies=A,,B,\r\n"
      "[NoNames]\r\nDependencies=\r\n"
      "[NoLine]\r\nStartType=3\r\n");
  ASSERT_NE(script.inf(), INVALID_HANDLE_VALUE);

  EXPECT_EQ(DependencyBytes(script.inf(), "Long"), expected);
  EXPECT_EQ(DependencyBytes(script.inf(), "Two"), std::string("A\0B\0\0", 5));
  // An empty name in between would have cut the list after A.
  EXPECT_EQ(DependencyBytes(script.inf(), "Gaps"), std::string("A\0B\0\0", 5));
  EXPECT_EQ(DependencyBytes(script.inf(), "NoNames"), std::string("\0", 1));
  EXPECT_EQ(ReadServiceDependencies(script.inf(), "NoLine", nullptr, 0), 0u);

  // A buffer too small is left alone.
  std::string small(expected.size() - 1, 'G');
  EXPECT_EQ(ReadServiceDependencies(script.inf(), "Long", &small[0], small.size()),
            expected.size());
  EXPECT_EQ(small, std::string(expected.size() - 1, 'G'));

  // The service manager takes the long list (Wine keeps only its first name).
  if (EmulatesWin9x()) return;
  EXPECT_EQ(AddServiceFromSection(script.inf(), service.name(), "Long"), 1);
  EXPECT_EQ(QueryConfig(service.name()).firstDependency, "Dependency-number-0-with-a-long-name");
}

TEST(AddServiceTest, FailedAddEndsTheSectionAndDeleteRemoves) {
  ServiceGuard kept(UniqueServiceName("kept"));
  ServiceGuard deleted(UniqueServiceName("deleted"));
  ServiceGuard notCreated(UniqueServiceName("nosettings"));
  ServiceGuard badBinary(UniqueServiceName("nobinary"));
  ASSERT_TRUE(CreateTestService(kept.name(), TestServiceCommand(kept.name())));
  ASSERT_TRUE(CreateTestService(deleted.name(), TestServiceCommand(deleted.name())));
  TestScript script(
      "[Remove.Services]\r\n"
      "DelService=" + std::string(deleted.name()) + "\r\n"
      "DelService=" + UniqueServiceName("notthere") + "\r\n"
      "[Broken.Services]\r\n"
      "AddService=" + notCreated.name() + "\r\n"             // no settings section named
      "DelService=" + kept.name() + "\r\n"
      "[Refused.Services]\r\n"
      "AddService=" + badBinary.name() + ",,Empty.Settings\r\n"
      "DelService=" + kept.name() + "\r\n"
      "[Empty.Settings]\r\nDisplayName=Nothing to run\r\n");
  ASSERT_NE(script.inf(), INVALID_HANDLE_VALUE);
  bool nt = !EmulatesWin9x();

  EXPECT_EQ(ApplySectionServices(script.inf(), "Remove"), 1);
  EXPECT_EQ(ServiceExists(deleted.name()), !nt);

  EXPECT_EQ(ApplySectionServices(script.inf(), "Broken"), nt ? 0 : 1);
  EXPECT_FALSE(ServiceExists(notCreated.name()));
  EXPECT_TRUE(ServiceExists(kept.name()));

  // The service manager refuses a service without type or binary: the error stays for the
  // caller to report.
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(ApplySectionServices(script.inf(), "Refused"), nt ? 0 : 1);
  if (nt) {
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  }
  EXPECT_FALSE(ServiceExists(badBinary.name()));
  EXPECT_TRUE(ServiceExists(kept.name()));
}

}  // namespace
