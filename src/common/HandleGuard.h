// Closes a kernel handle (a file, a process) when the scope ends.
#pragma once
#include <windows.h>

class HandleGuard {
 public:
  explicit HandleGuard(HANDLE handle) : handle_(handle) {}
  ~HandleGuard() {
    if (handle_ && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  HandleGuard(const HandleGuard &) = delete;
  HandleGuard &operator=(const HandleGuard &) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};
