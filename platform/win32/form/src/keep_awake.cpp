#include "keep_awake.h"

#include "win_text.h"

namespace clickora::platform::win32 {

KeepAwakeResult Win32KeepAwake::Hold(std::string_view reason) {
  if (way_ != Way::kNone) return {true, {}};
  std::wstring wide_reason = Widen(reason);
  REASON_CONTEXT context{};
  context.Version = POWER_REQUEST_CONTEXT_VERSION;
  context.Flags = POWER_REQUEST_CONTEXT_SIMPLE_STRING;
  context.Reason.SimpleReasonString = wide_reason.data();
  HANDLE created = ::PowerCreateRequest(&context);
  DWORD error = 0;
  if (created == INVALID_HANDLE_VALUE) {
    error = ::GetLastError();
  } else {
    request_.Reset(created);
    if (::PowerSetRequest(request_.Get(), PowerRequestSystemRequired)) {
      way_ = Way::kPowerRequest;
      return {true, "PowerSetRequest"};
    }
    error = ::GetLastError();
    request_.Reset();
  }
  // NOTE: Wine 8 fails PowerCreateRequest with ERROR_CALL_NOT_IMPLEMENTED (120). The execution
  // state of the window's thread keeps the system awake the same way, without a reason to show.
  if (::SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0) {
    way_ = Way::kExecutionState;
    return {true, "SetThreadExecutionState"};
  }
  if (error == 0) error = ::GetLastError();
  return {false, SystemErrorText(error)};
}

void Win32KeepAwake::Release() {
  switch (way_) {
    case Way::kPowerRequest:
      ::PowerClearRequest(request_.Get(), PowerRequestSystemRequired);
      request_.Reset();
      break;
    case Way::kExecutionState:
      ::SetThreadExecutionState(ES_CONTINUOUS);
      break;
    case Way::kNone:
      break;
  }
  way_ = Way::kNone;
}

}  // namespace clickora::platform::win32
