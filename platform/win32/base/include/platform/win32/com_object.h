#pragma once

#include <unknwn.h>

#include <atomic>
#include <cstddef>
#include <span>

namespace clickora::platform::win32 {

// One row of an object's interface table: asking for *iid answers the object as Interface.
template <typename Derived>
struct ComInterfaceEntry {
  const IID* iid;
  IUnknown* (*cast)(Derived* self) noexcept;
};

template <typename Derived, typename Interface>
constexpr ComInterfaceEntry<Derived> ComEntry(const IID& iid) noexcept {
  return {&iid, [](Derived* self) noexcept -> IUnknown* { return static_cast<Interface*>(self); }};
}

// QueryInterface over a table, which lists IID_IUnknown too (as the first interface, so that
// every path to IUnknown answers the same pointer). Derived may answer further interfaces whose
// IIDs are known only at run time through AnswerOther.
template <typename Derived>
HRESULT QueryInterfaceTable(Derived* self, std::span<const ComInterfaceEntry<Derived>> table,
                            REFIID iid, void** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  IUnknown* answer = nullptr;
  for (const auto& entry : table) {
    if (*entry.iid == iid) {
      answer = entry.cast(self);
      break;
    }
  }
  if (!answer) answer = self->AnswerOther(iid);
  if (!answer) return E_NOINTERFACE;
  answer->AddRef();
  *out = answer;
  return S_OK;
}

// The table of an object that answers one interface, by its declared IID, and IUnknown through it.
template <typename Derived, typename Interface>
std::span<const ComInterfaceEntry<Derived>> SingleInterfaceTable() noexcept {
  static const ComInterfaceEntry<Derived> kTable[] = {
      ComEntry<Derived, Interface>(IID_IUnknown),
      ComEntry<Derived, Interface>(__uuidof(Interface)),
  };
  return kTable;
}

// The one IUnknown of the project's COM objects: a reference count that starts at 1 (make them
// with new (std::nothrow) and adopt with ComPtr::Attach), a destructor that only Release reaches,
// and QueryInterface over the table that Derived::InterfaceTable() returns. An object of one
// interface has that table made for it; others define the function where Derived is complete (its
// .cpp), because the table's casts need the whole class.
template <typename Derived, typename... Interfaces>
class ComObject : public Interfaces... {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return QueryInterfaceTable(static_cast<Derived*>(this), Derived::InterfaceTable(), iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // Interfaces beyond the table; none unless Derived hides this with its own.
  IUnknown* AnswerOther(REFIID) noexcept { return nullptr; }

  static std::span<const ComInterfaceEntry<Derived>> InterfaceTable() noexcept
      requires(sizeof...(Interfaces) == 1) {
    return SingleInterfaceTable<Derived, Interfaces...>();
  }

 protected:
  ComObject() noexcept = default;
  virtual ~ComObject() = default;

 private:
  std::atomic<ULONG> references_{1};
};

// A part of a larger object that answers interfaces of its own (a connection point of its
// control): its count is the owner's, so the part lives exactly as long as the owner does.
template <typename Derived, typename... Interfaces>
class ComPart : public Interfaces... {
 public:
  explicit ComPart(IUnknown& owner) noexcept : owner_(owner) {}
  ComPart(const ComPart&) = delete;
  ComPart& operator=(const ComPart&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return QueryInterfaceTable(static_cast<Derived*>(this), Derived::InterfaceTable(), iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }

  IUnknown* AnswerOther(REFIID) noexcept { return nullptr; }

  static std::span<const ComInterfaceEntry<Derived>> InterfaceTable() noexcept
      requires(sizeof...(Interfaces) == 1) {
    return SingleInterfaceTable<Derived, Interfaces...>();
  }

 protected:
  ~ComPart() = default;
  IUnknown& Owner() const noexcept { return owner_; }

 private:
  IUnknown& owner_;
};

}  // namespace clickora::platform::win32
