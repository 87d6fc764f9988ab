// Tiny guards for the handles of this subsystem: each releases its handle once, and keeps the
// thread's last-error value across the release, so that a failure's code reaches the caller.
#pragma once
#include <windows.h>

class ScHandleGuard {
 public:
  explicit ScHandleGuard(SC_HANDLE handle) : handle_(handle) {}
  ~ScHandleGuard() {
    if (!handle_) return;
    DWORD error = GetLastError();
    CloseServiceHandle(handle_);
    SetLastError(error);
  }
  ScHandleGuard(const ScHandleGuard &) = delete;
  ScHandleGuard &operator=(const ScHandleGuard &) = delete;
  SC_HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  SC_HANDLE handle_;
};

class RegKeyGuard {
 public:
  RegKeyGuard() = default;
  ~RegKeyGuard() {
    if (!key_) return;
    DWORD error = GetLastError();
    RegCloseKey(key_);
    SetLastError(error);
  }
  RegKeyGuard(const RegKeyGuard &) = delete;
  RegKeyGuard &operator=(const RegKeyGuard &) = delete;
  HKEY get() const { return key_; }
  HKEY *receive() { return &key_; }

 private:
  HKEY key_ = nullptr;
};

// A block of the process heap; null when the allocation failed.
class HeapBlockGuard {
 public:
  explicit HeapBlockGuard(size_t bytes)
      : data_(static_cast<char *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes))) {}
  ~HeapBlockGuard() {
    if (data_) HeapFree(GetProcessHeap(), 0, data_);
  }
  HeapBlockGuard(const HeapBlockGuard &) = delete;
  HeapBlockGuard &operator=(const HeapBlockGuard &) = delete;
  char *get() const { return data_; }

 private:
  char *data_;
};
