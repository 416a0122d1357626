#pragma once

#include <windows.h>

#include <new>
#include <system_error>

// Flat HRESULT checks with early returns, for every Windows target of the project.
#define RETURN_IF_FAILED(expr)                   \
  do {                                           \
    const HRESULT hr_checked_ = (expr);          \
    if (FAILED(hr_checked_)) return hr_checked_; \
  } while (0)

#define RETURN_HR_IF(hr, condition) \
  do {                              \
    if (condition) return (hr);     \
  } while (0)

// For Win32 functions that report failure as FALSE and the reason through GetLastError.
#define RETURN_IF_WIN32_BOOL_FALSE(expr)                                \
  do {                                                                  \
    if (!(expr)) return ::clickora::platform::win32::LastErrorResult(); \
  } while (0)

#define RETURN_IF_NULL_ALLOC(pointer)               \
  do {                                              \
    if ((pointer) == nullptr) return E_OUTOFMEMORY; \
  } while (0)

namespace clickora::platform::win32 {

// The calling thread's last error as an HRESULT; E_FAIL when the function left none.
inline HRESULT LastErrorResult() noexcept {
  const DWORD error = ::GetLastError();
  return error == 0 ? E_FAIL : HRESULT_FROM_WIN32(error);
}

// Runs body and turns any C++ exception into an HRESULT, so that none crosses a COM boundary.
template <typename Body>
HRESULT Guard(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::system_error& error) {
    const int code = error.code().value();
    if (error.code().category() == std::system_category() && code != 0)
      return HRESULT_FROM_WIN32(code);
    return E_FAIL;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace clickora::platform::win32
