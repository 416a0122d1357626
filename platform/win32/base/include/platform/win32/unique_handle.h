#pragma once

#include <oleauto.h>
#include <windows.h>

#include <utility>

namespace clickora::platform::win32 {

// Owner of one Win32 handle whose empty value is null; Close is the function that frees it.
// Handles whose empty value is INVALID_HANDLE_VALUE (files) need their own alias with a
// different Empty.
template <typename Handle, auto Close, Handle Empty = Handle{}>
class UniqueHandle {
 public:
  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~UniqueHandle() { Reset(); }

  Handle Get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Empty; }

  // Gives up ownership without closing.
  Handle Release() noexcept { return std::exchange(handle_, Empty); }

  void Reset(Handle handle = Empty) noexcept {
    Handle old = std::exchange(handle_, handle);
    if (old != Empty) Close(old);
  }

  // For functions that return a handle through an out-parameter; frees the present one first.
  Handle* Put() noexcept {
    Reset();
    return &handle_;
  }

 private:
  Handle handle_ = Empty;
};

using UniqueHkey = UniqueHandle<HKEY, &::RegCloseKey>;
using UniqueHwnd = UniqueHandle<HWND, &::DestroyWindow>;
using UniqueHmodule = UniqueHandle<HMODULE, &::FreeLibrary>;
using UniqueGdiObject = UniqueHandle<HGDIOBJ, &::DeleteObject>;
using UniqueHdc = UniqueHandle<HDC, &::DeleteDC>;  // for DCs from CreateCompatibleDC
using UniqueBstr = UniqueHandle<BSTR, &::SysFreeString>;

}  // namespace clickora::platform::win32
