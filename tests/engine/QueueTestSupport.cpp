#include "engine/QueueTestSupport.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include "common/Messages.h"
#include "engine/SectionRunner.h"
#include "script/TargetDir.h"


ScriptMedia::ScriptMedia() {
  GetCurrentDirectoryA(sizeof(savedDirectory_), savedDirectory_);
  SetCurrentDirectoryA(media_.path().c_str());
}

ScriptMedia::~ScriptMedia() {
  script_.reset();
  SetCurrentDirectoryA(savedDirectory_);
}

bool ScriptMedia::Open(const std::string &body) {
  script_.reset(new TestScript(media_, body));
  return script_->ok() && SetupSetDirectoryIdA(inf(), kTargetDirId, target_.path().c_str());
}

void ScriptMedia::WriteSource(const std::string &name, const std::string &text) const {
  WriteTextFile(media_ / name, text);
}

DefaultQueueCallback::DefaultQueueCallback()
    : window_(CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr)),
      context_(SetupInitDefaultQueueCallbackEx(window_, window_, WM_SETUP_PROGRESS, 0, nullptr)) {}

DefaultQueueCallback::~DefaultQueueCallback() {
  SetupTermDefaultQueueCallback(context_);
  DestroyWindow(window_);
}

BOOL CommitSection(HINF inf, const char *section, QueueCallbackContext *context,
                   PSP_FILE_CALLBACK_A callback, void *callbackData, DWORD *error) {
  HSPFILEQ queue = SetupOpenFileQueue();
  EXPECT_NE(queue, INVALID_HANDLE_VALUE);
  BOOL ok = SetupInstallFilesFromInfSectionA(inf, nullptr, queue, section, ".", SP_COPY_NEWER);
  EXPECT_TRUE(ok) << section << " error " << GetLastError();
  DefaultQueueCallback progress;
  context->defaultContext = progress.context();
  BOOL committed = SetupCommitFileQueueA(progress.window(), queue, callback,
                                         callbackData ? callbackData : context);
  if (error) *error = GetLastError();
  SetupCloseFileQueue(queue);
  return committed;
}

std::string FullPath(const std::string &path) {
  char full[MAX_PATH] = {};
  GetLongPathNameA(path.c_str(), full, sizeof(full));
  return full;
}


namespace {

void WriteSlot(void **slot, void *value) {
  DWORD protection = 0;
  VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection);
  *slot = value;
  VirtualProtect(slot, sizeof(*slot), protection, &protection);
}

}  // namespace

ImportPatch::ImportPatch(const char *dll, const char *function, void *replacement) {
  BYTE *base = reinterpret_cast<BYTE *>(GetModuleHandleA(nullptr));
  HMODULE library = GetModuleHandleA(dll);
  if (!library) return;
  original_ = reinterpret_cast<void *>(GetProcAddress(library, function));
  if (!original_) return;
  IMAGE_DOS_HEADER *dos = reinterpret_cast<IMAGE_DOS_HEADER *>(base);
  IMAGE_NT_HEADERS *nt = reinterpret_cast<IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
  IMAGE_DATA_DIRECTORY &directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  IMAGE_IMPORT_DESCRIPTOR *import =
      reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + directory.VirtualAddress);
  for (; directory.VirtualAddress && import->Name; ++import) {
    if (_stricmp(reinterpret_cast<char *>(base + import->Name), dll) != 0) continue;
    void **slot = reinterpret_cast<void **>(base + import->FirstThunk);
    for (; *slot; ++slot) {
      if (*slot != original_) continue;
      WriteSlot(slot, replacement);
      slot_ = slot;
      return;
    }
  }
}

ImportPatch::~ImportPatch() {
  if (slot_) WriteSlot(slot_, original_);
}
