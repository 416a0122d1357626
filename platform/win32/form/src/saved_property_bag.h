#pragma once

#include <ocidl.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

namespace clickora::platform::win32 {

// The container's IPropertyBag for loading an embedded control: the saved properties of the
// window design, as texts. Names are matched without regard to letter case, because the design
// may keep a control's "Interval" as "interval". Create with new (std::nothrow); the count starts
// at 1.
class SavedPropertyBag final : public IPropertyBag {
 public:
  explicit SavedPropertyBag(std::vector<std::pair<std::wstring, std::wstring>> properties)
      : properties_(std::move(properties)) {}
  SavedPropertyBag(const SavedPropertyBag&) = delete;
  SavedPropertyBag& operator=(const SavedPropertyBag&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IPropertyBag. Read gives the text as VT_BSTR, or converted to the type the caller asks for
  // in value->vt; a name the bag does not hold is E_INVALIDARG, as the interface prescribes.
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override;

 private:
  ~SavedPropertyBag() = default;
  std::pair<std::wstring, std::wstring>* Find(const wchar_t* name);

  std::atomic<ULONG> references_{1};
  std::vector<std::pair<std::wstring, std::wstring>> properties_;
};

}  // namespace clickora::platform::win32
