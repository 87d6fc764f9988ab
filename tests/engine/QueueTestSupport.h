// Helpers of the runner and queue-callback tests: a setup script in a scratch media folder, the
// queue's default callback and commit, services of the tests' own, and patched imports.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/FileQueueCallback.h"
#include "support/SystemState.h"
#include "support/TestSupport.h"

// A media folder with setup.inf and a target folder bound to directory id 32768; the current
// directory is the media folder (the runner's source root ".") while the object lives.
class ScriptMedia {
 public:
  ScriptMedia();
  ~ScriptMedia();
  ScriptMedia(const ScriptMedia &) = delete;
  ScriptMedia &operator=(const ScriptMedia &) = delete;

  // Writes the script (the [Version] section is added) and opens it; false when it failed.
  bool Open(const std::string &body);
  HINF inf() const { return script_ ? script_->inf() : INVALID_HANDLE_VALUE; }
  const ScratchDir &media() const { return media_; }
  const ScratchDir &target() const { return target_; }
  void WriteSource(const std::string &name, const std::string &text) const;

 private:
  ScratchDir media_;
  ScratchDir target_;
  std::unique_ptr<TestScript> script_;
  char savedDirectory_[MAX_PATH] = {};
};

// The Setup API's default queue callback as the runner sets it up: reporting the progress to a
// window with the page's progress message. Both go with the object.
class DefaultQueueCallback {
 public:
  DefaultQueueCallback();
  ~DefaultQueueCallback();
  DefaultQueueCallback(const DefaultQueueCallback &) = delete;
  DefaultQueueCallback &operator=(const DefaultQueueCallback &) = delete;
  HWND window() const { return window_; }
  PVOID context() const { return context_; }

 private:
  HWND window_;
  PVOID context_;
};

// Queues the files of section as the runner does and commits the queue through callback, with
// callbackData (context when NULL), while context has a default callback. The commit's result;
// its error goes to *error when given.
BOOL CommitSection(HINF inf, const char *section, QueueCallbackContext *context,
                   PSP_FILE_CALLBACK_A callback = FileQueueCallback, void *callbackData = nullptr,
                   DWORD *error = nullptr);

// The full (long) path of a file as the system spells it.
std::string FullPath(const std::string &path);

// Replaces one imported function of the test program itself for the life of the object, so
// that a test can make a system call fail where the system offers no way to.
class ImportPatch {
 public:
  ImportPatch(const char *dll, const char *function, void *replacement);
  ~ImportPatch();
  ImportPatch(const ImportPatch &) = delete;
  ImportPatch &operator=(const ImportPatch &) = delete;
  bool patched() const { return slot_ != nullptr; }
  void *original() const { return original_; }

 private:
  void **slot_ = nullptr;
  void *original_ = nullptr;
};
