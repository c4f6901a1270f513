// One owning wrapper per kind of system handle. Raw handles never leave
// platform/win32: the ports hand out their own objects instead.
#pragma once

#include <windows.h>

#include <utility>

namespace nc::win32 {

template <class Traits>
class ScopedHandle {
 public:
  using Type = typename Traits::Type;

  ScopedHandle() = default;
  explicit ScopedHandle(Type handle) : handle_(handle) {}
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ~ScopedHandle() { reset(); }

  bool valid() const { return handle_ != Traits::Invalid(); }
  explicit operator bool() const { return valid(); }
  Type get() const { return handle_; }
  // For functions that return a handle through a pointer; closes the old.
  Type* receive() {
    reset();
    return &handle_;
  }
  Type release() { return std::exchange(handle_, Traits::Invalid()); }
  void reset(Type handle = Traits::Invalid()) {
    if (valid()) Traits::Close(handle_);
    handle_ = handle;
  }

 private:
  Type handle_ = Traits::Invalid();
};

// A file opened with CreateFile.
struct FileHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { CloseHandle(handle); }
};

// A directory search of FindFirstFile.
struct FindHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { FindClose(handle); }
};

// Processes, threads and access tokens (null when absent).
struct KernelHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { CloseHandle(handle); }
};

// A registry key opened or created below another (never a predefined root).
struct KeyHandleTraits {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { RegCloseKey(handle); }
};

using FileHandle = ScopedHandle<FileHandleTraits>;
using FindHandle = ScopedHandle<FindHandleTraits>;
using ProcessHandle = ScopedHandle<KernelHandleTraits>;
using TokenHandle = ScopedHandle<KernelHandleTraits>;
using KeyHandle = ScopedHandle<KeyHandleTraits>;

// A function of a system library looked up at run time (for functions
// that older systems lack); null when it is not there.
template <class Fn>
Fn LoadProc(const wchar_t* module, const char* name) {
  HMODULE lib = GetModuleHandleW(module);
  if (lib == nullptr) return nullptr;
  FARPROC proc = GetProcAddress(lib, name);
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

}  // namespace nc::win32
