// The private folder that a packed file unpacks into: who may open it, and its removal while
// a file in it is still held open.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "common/Globals.h"
#include "pack/PrivateCopy.h"
#include "support/SystemState.h"
#include "support/TestSupport.h"

namespace {

// The SID of the user who runs this test, as a string.
std::string UserSid() {
  HANDLE token = nullptr;
  char buffer[256];
  DWORD length = 0;
  char *text = nullptr;
  std::string sid;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
      GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &length) &&
      ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER *>(buffer)->User.Sid, &text)) {
    sid = text;
    LocalFree(text);
  }
  if (token) CloseHandle(token);
  return sid;
}

// Wine keeps only the owner's rights of a folder's access list, so the list is read from the
// security that the folder is made with.
TEST(PrivateFolderTest, OnlyTheUserSystemAndAdministratorsMayOpenItAndNothingIsInherited) {
  PrivateAccess access;
  ASSERT_TRUE(PreparePrivateAccess(&access)) << GetLastError();
  EXPECT_EQ(access.attributes.lpSecurityDescriptor, &access.descriptor);
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  BOOL present = FALSE, defaulted = TRUE;
  PACL dacl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorControl(&access.descriptor, &control, &revision));
  EXPECT_TRUE(control & SE_DACL_PROTECTED) << "nothing comes from the temporary folder";
  ASSERT_TRUE(GetSecurityDescriptorDacl(&access.descriptor, &present, &dacl, &defaulted));
  ASSERT_TRUE(present && dacl) << "a missing list would let everyone in";
  std::string allowed;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE *ace = nullptr;
    ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void **>(&ace)));
    char *sid = nullptr;
    ASSERT_TRUE(ConvertSidToStringSidA(&ace->SidStart, &sid));
    EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE) << sid;
    EXPECT_EQ(ace->Mask, static_cast<DWORD>(FILE_ALL_ACCESS)) << sid;
    EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) << sid;
    allowed += std::string(allowed.empty() ? "" : " ") + sid;
    LocalFree(sid);
  }
  EXPECT_EQ(allowed, UserSid() + " S-1-5-18 S-1-5-32-544");
}

// Closes the handle a moment after the removal started, as a program that is just ending.
DWORD WINAPI LetGoSoon(void *holder) {
  Sleep(300);
  return CloseHandle(holder);
}

TEST(PrivateFolderTest, EachRunHasItsOwnFolderAndWhatIsHeldOpenGoesAtTheRestart) {
  char folder[kTargetDirSize], other[kTargetDirSize];
  ASSERT_TRUE(MakePrivateFolder(folder)) << GetLastError();
  ASSERT_TRUE(MakePrivateFolder(other)) << GetLastError();
  EXPECT_STRNE(folder, other);
  RemovePrivateFolder(other);
  EXPECT_FALSE(FileExists(other));
  RemovePrivateFolder(folder);

  // A file still held open goes at the next restart, with its folder; one let go of while the
  // removal still tries goes at once, and nothing waits for the restart.
  for (bool letGo : {false, true}) {
    PendingRenamesGuard schedule;
    HANDLE inUse = nullptr;
    ASSERT_TRUE(MakeMarkedFolder(folder, &inUse)) << GetLastError();
    const std::string held = std::string(folder) + "\\held.exe";
    WriteTextFile(held, "a program still running");
    WriteTextFile(std::string(folder) + "\\free.txt", "gone at once");
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    HANDLE thread = letGo ? CreateThread(nullptr, 0, LetGoSoon, holder, 0, nullptr) : nullptr;
    ASSERT_EQ(thread != nullptr, letGo) << GetLastError();
    RemoveMarkedFolder(folder, inUse);
    if (letGo) WaitForSingleObject(thread, INFINITE);
    CloseHandle(letGo ? thread : holder);
    EXPECT_FALSE(FileExists(std::string(folder) + "\\free.txt"));
    EXPECT_EQ(FileExists(folder), !letGo);
    EXPECT_EQ(DeletedAtRestart(held), !letGo);
    EXPECT_EQ(DeletedAtRestart(folder), !letGo);
    DeleteFileA(held.c_str());
    RemoveDirectoryA(folder);
  }
}

// Only a folder that a run marked and nobody holds any more goes, with everything in it; one
// whose files are still in use keeps its mark and goes with a later sweep.
TEST(PrivateFolderTest, ASweepDeletesOnlyWhatRunsMarkedAndLeft) {
  char temp[kTargetDirSize];
  ASSERT_NE(GetTempPathA(sizeof(temp), temp), 0u);
  const struct {
    const char *name;
    bool marked, held, busy, goes;
  } cases[] = {
      {"stp5eed0000000000a1", true, false, false, true},    // a killed run's
      {"stp5eed0000000000a2", true, false, true, true},     // ... with a program still running
      {"stp5eed0000000000a3", true, true, false, false},    // a run that still runs
      {"stp5eed0000000000a4", false, false, false, false},  // a hand-over's: never marked
      {"stp5eed00000000000g", true, false, false, false},   // not a name that this program gives
      {"stp5eed0000", true, false, false, false},
  };
  std::vector<HANDLE> held, busy;
  for (const auto &c : cases) {
    const std::string folder = std::string(temp) + c.name;
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
    CreateDirectoryA((folder + "\\media").c_str(), nullptr);
    const std::string file = folder + "\\media\\tool.exe";
    WriteTextFile(file, "a file of the media");
    if (c.busy)
      busy.push_back(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    HANDLE marker = c.marked ? MarkFolderInUse(folder.c_str()) : nullptr;
    ASSERT_EQ(marker != nullptr, c.marked) << c.name;
    if (c.held) held.push_back(marker);
    else if (marker) CloseHandle(marker);
  }
  SweepAbandonedFolders();
  for (HANDLE file : busy) CloseHandle(file);
  for (const auto &c : cases)
    EXPECT_EQ(FileExists(std::string(temp) + c.name), !c.goes || c.busy) << c.name;
  SweepAbandonedFolders();
  for (HANDLE marker : held) CloseHandle(marker);
  for (const auto &c : cases) {
    const std::string folder = std::string(temp) + c.name;
    EXPECT_EQ(FileExists(folder), !c.goes) << c.name;
    RemovePrivateFolder(folder.c_str());
  }
}

}  // namespace
