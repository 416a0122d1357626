#pragma once

#include <objbase.h>

namespace clickora::platform::win32 {

// The calling thread's single-threaded COM apartment, for as long as the owner lives.
class ComApartment {
 public:
  ComApartment() noexcept
      : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }

  // Failed when COM could not start on this thread (or the thread already has another kind).
  HRESULT Result() const noexcept { return result_; }

 private:
  HRESULT result_;
};

}  // namespace clickora::platform::win32
