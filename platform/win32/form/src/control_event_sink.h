#pragma once

#include <oaidl.h>

#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>

#include "platform/win32/com_object.h"

namespace clickora::platform::win32 {

// The host's receiver of one embedded control's events: a dispatch-only implementation of the
// control's event interface. Each call is handed on by the event's name; a handler's exception
// never crosses back into the control. Create with new (std::nothrow); the count starts at 1.
class ControlEventSink final : public ComObject<ControlEventSink, IDispatch> {
 public:
  using Handler = std::function<void(std::string_view event)>;

  // The control's event interface, whose IID is known only once the control is loaded.
  IUnknown* AnswerOther(REFIID iid) noexcept;

  ControlEventSink(IID events, std::map<DISPID, std::string> names, Handler handler)
      : events_(events), names_(std::move(names)), handler_(std::move(handler)) {}

  // Drops the handler: the control may still hold the sink for a while after its host is gone.
  void Disconnect() noexcept { handler_ = nullptr; }

  // IDispatch: no type information of its own; only Invoke is used by event sources.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* bad_argument) override;

 private:
  ~ControlEventSink() override = default;

  IID events_;
  std::map<DISPID, std::string> names_;
  Handler handler_;
};

}  // namespace clickora::platform::win32
