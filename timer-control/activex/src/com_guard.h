#pragma once

#include <windows.h>

#include <new>
#include <system_error>

// Flat HRESULT checks with early returns.
#define RETURN_IF_FAILED(expr)                   \
  do {                                           \
    const HRESULT hr_checked_ = (expr);          \
    if (FAILED(hr_checked_)) return hr_checked_; \
  } while (0)

#define RETURN_HR_IF(hr, condition) \
  do {                              \
    if (condition) return (hr);     \
  } while (0)

namespace clickora::horolon {

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

}  // namespace clickora::horolon
