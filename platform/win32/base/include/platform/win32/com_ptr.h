#pragma once

#include <unknwn.h>

#include <cstddef>
#include <utility>

namespace clickora::platform::win32 {

// Owning COM interface pointer. Copies AddRef, moves transfer, destruction releases.
template <typename T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  // Takes a new reference to raw (AddRef); use Attach to adopt one that is already owned.
  explicit ComPtr(T* raw) noexcept : ptr_(raw) {
    if (ptr_) ptr_->AddRef();
  }
  ComPtr(const ComPtr& other) noexcept : ComPtr(other.ptr_) {}
  ComPtr(ComPtr&& other) noexcept : ptr_(other.Detach()) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(ptr_, other.ptr_);
    return *this;
  }
  ~ComPtr() { Reset(); }

  T* Get() const noexcept { return ptr_; }
  T* operator->() const noexcept { return ptr_; }
  explicit operator bool() const noexcept { return ptr_ != nullptr; }

  void Reset() noexcept {
    if (T* old = std::exchange(ptr_, nullptr)) old->Release();
  }
  // Adopts a reference the caller already owns.
  void Attach(T* raw) noexcept {
    Reset();
    ptr_ = raw;
  }
  // Hands the reference to the caller.
  [[nodiscard]] T* Detach() noexcept { return std::exchange(ptr_, nullptr); }

  // Out-parameter accessors: release the present pointer, then let a call fill it.
  T** Put() noexcept {
    Reset();
    return &ptr_;
  }
  void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

  // Writes an AddRef'd copy to out (which may be null-checked by the caller's contract).
  HRESULT CopyTo(T** out) const noexcept {
    if (!out) return E_POINTER;
    *out = ptr_;
    if (ptr_) ptr_->AddRef();
    return S_OK;
  }

  template <typename U>
  HRESULT As(REFIID iid, ComPtr<U>& out) const noexcept {
    if (!ptr_) return E_POINTER;
    return ptr_->QueryInterface(iid, out.PutVoid());
  }

 private:
  T* ptr_ = nullptr;
};

}  // namespace clickora::platform::win32
