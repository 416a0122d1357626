#pragma once

#include <ocidl.h>

#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/com_object.h"

namespace clickora::platform::win32 {

// The container's IPropertyBag for loading an embedded control: the saved properties of the
// window design, as texts. Names are matched without regard to letter case, because the design
// may keep a control's "Interval" as "interval". Create with new (std::nothrow); the count starts
// at 1.
class SavedPropertyBag final : public ComObject<SavedPropertyBag, IPropertyBag> {
 public:
  explicit SavedPropertyBag(std::vector<std::pair<std::wstring, std::wstring>> properties)
      : properties_(std::move(properties)) {}

  // IPropertyBag. Read gives the text as VT_BSTR, or converted to the type the caller asks for
  // in value->vt; a name the bag does not hold is E_INVALIDARG, as the interface prescribes.
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override;

 private:
  ~SavedPropertyBag() override = default;
  std::pair<std::wstring, std::wstring>* Find(const wchar_t* name);

  std::vector<std::pair<std::wstring, std::wstring>> properties_;
};

}  // namespace clickora::platform::win32
