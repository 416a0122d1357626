#pragma once

#include <ocidl.h>

#include <memory>
#include <string>
#include <string_view>

#include "control_event_sink.h"
#include "platform/form_design.h"
#include "platform/win32/com_ptr.h"
#include "platform/window.h"

namespace clickora::platform::win32 {

// An embedded ActiveX control hosted in-process: created by its class name (ProgID), loaded from
// the design's saved properties through IPersistPropertyBag, its properties put through
// IDispatch, its events received through its default source interface. It lives exactly as long
// as the window that owns it.
class ActiveXControl final : public EmbeddedControl {
 public:
  // Creates and loads the control; on failure returns null and says in error what went wrong and
  // what the user can do about it.
  static std::unique_ptr<ActiveXControl> Create(const EmbeddedControlDesign& design,
                                                ControlEventSink::Handler on_event,
                                                std::string& error);
  ActiveXControl(const ActiveXControl&) = delete;
  ActiveXControl& operator=(const ActiveXControl&) = delete;
  ~ActiveXControl() override;

  PutResult PutProperty(DispId id, const DispValue& value) override;

 private:
  ActiveXControl() = default;

  std::string name_;
  ComPtr<IUnknown> object_;
  ComPtr<IDispatch> dispatch_;
  ComPtr<IConnectionPoint> connection_;
  ComPtr<ControlEventSink> sink_;
  DWORD cookie_ = 0;
};

// Puts value (VT_R4 or VT_BOOL, true as VARIANT_TRUE) into the property id of a dispatch
// interface; owner names the control in the error text.
PutResult PutDispatchProperty(IDispatch& dispatch, DispId id, const DispValue& value,
                              std::string_view owner);

}  // namespace clickora::platform::win32
