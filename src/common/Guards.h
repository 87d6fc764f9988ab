// One tiny guard per release call: each releases what it holds once, when the scope ends, and
// keeps the thread's last-error value across the release, so that a failure's code reaches
// the caller.
#pragma once
#include <windows.h>
#include <objbase.h>

#include <stddef.h>
#include <stdlib.h>

template <typename Handle, void (*Release)(Handle)>
class ScopedHandle {
 public:
  explicit ScopedHandle(Handle handle = nullptr) : handle_(handle) {}
  ~ScopedHandle() {
    if (!*this) return;
    DWORD error = GetLastError();
    Release(handle_);
    SetLastError(error);
  }
  ScopedHandle(const ScopedHandle &) = delete;
  ScopedHandle &operator=(const ScopedHandle &) = delete;
  Handle get() const { return handle_; }
  // Where a call that opens the handle writes it; the guard must hold nothing yet.
  Handle *receive() { return &handle_; }
  // Hands what the guard holds to the caller, who releases it then.
  Handle release() {
    Handle handle = handle_;
    handle_ = nullptr;
    return handle;
  }
  // Kernel calls report failure with either value.
  explicit operator bool() const {
    return handle_ && handle_ != reinterpret_cast<Handle>(INVALID_HANDLE_VALUE);
  }

 private:
  Handle handle_;
};

inline void CloseKernelHandle(HANDLE handle) { CloseHandle(handle); }
inline void CloseFind(HANDLE find) { FindClose(find); }
inline void CloseRegistryKey(HKEY key) { RegCloseKey(key); }
inline void CloseService(SC_HANDLE service) { CloseServiceHandle(service); }
inline void FreeLocal(char *text) { LocalFree(text); }
inline void FreeBlock(char *block) { free(block); }

using HandleGuard = ScopedHandle<HANDLE, CloseKernelHandle>;    // a file, a process, a thread
using FindGuard = ScopedHandle<HANDLE, CloseFind>;              // FindFirstFileA's search
using RegKeyGuard = ScopedHandle<HKEY, CloseRegistryKey>;
using ScHandleGuard = ScopedHandle<SC_HANDLE, CloseService>;    // the service manager, a service
using LocalGuard = ScopedHandle<char *, FreeLocal>;             // FormatMessageA's own buffer
using HeapGuard = ScopedHandle<char *, FreeBlock>;              // a block of the C runtime's heap

// Opens a registry key into the guard, which must hold none yet; false, with the guard still
// empty, when it cannot be opened.
inline bool OpenRegistryKey(HKEY root, const char *path, REGSAM access, RegKeyGuard *key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, path, 0, access, &opened) != ERROR_SUCCESS) return false;
  *key->receive() = opened;
  return true;
}

// One allocator for the whole program: the C runtime's (calloc, realloc, free), which the
// logic free of windows.h shares and which is tested natively with it. A zeroed block, for a
// HeapGuard or free(); NULL when memory ran out.
inline char *AllocateZeroed(size_t bytes) { return static_cast<char *>(calloc(1, bytes)); }

// A COM interface, released once.
template <typename Interface>
class ComRelease {
 public:
  ComRelease() = default;
  ~ComRelease() { reset(); }
  ComRelease(const ComRelease &) = delete;
  ComRelease &operator=(const ComRelease &) = delete;
  Interface *get() const { return p_; }
  Interface *operator->() const { return p_; }
  Interface **receive() { return &p_; }
  void **out() { return reinterpret_cast<void **>(&p_); }
  void reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }

 private:
  Interface *p_ = nullptr;
};

// COM on this thread for the scope; a thread that already runs another apartment is left as
// it is.
class ComGuard {
 public:
  ComGuard() : result_(CoInitialize(nullptr)) {}
  ~ComGuard() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComGuard(const ComGuard &) = delete;
  ComGuard &operator=(const ComGuard &) = delete;

 private:
  HRESULT result_;
};
