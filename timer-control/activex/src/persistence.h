#pragma once

#include <objidl.h>
#include <ocidl.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/property_bag.h"

namespace clickora::horolon {

// The container's IPropertyBag seen as the portable PropertyBag. Values travel as text; a value
// that is missing (the bag answers E_INVALIDARG), or of a type that does not turn into text,
// reads as absent, so the control takes its default. Any other answer of the bag is a failure,
// kept for the container as the bag gave it.
class ComPropertyBag final : public platform::PropertyBag {
 public:
  ComPropertyBag(IPropertyBag& bag, IErrorLog* log) noexcept : bag_(bag), log_(log) {}
  bool Read(std::string_view name, std::optional<std::string>& value) override;
  bool Write(std::string_view name, std::string_view value) override;

  // The HRESULT of the failed Read or Write (E_FAIL if none was recorded).
  HRESULT Failure() const noexcept { return FAILED(failure_) ? failure_ : E_FAIL; }

 private:
  bool Fail(HRESULT hr) noexcept {
    failure_ = hr;
    return false;
  }

  IPropertyBag& bag_;
  IErrorLog* log_;
  HRESULT failure_ = S_OK;
};

// The control's values in a stream (IPersistStreamInit). Little-endian, 16 bytes:
//   0  magic "HLTM"          4  format version (16 bits), 1
//   6  payload size (16 bits), 8 for version 1
//   8  Interval, IEEE single  12  Enabled, VARIANT_BOOL (0 or -1)   14  reserved, 0
// A later version may append to the payload; readers skip what they do not know.
struct StreamState {
  float interval = 0.0f;
  bool enabled = false;
};

inline constexpr ULONG kStreamStateSize = 16;

// Refuses a NaN Interval (HRESULT_FROM_WIN32(ERROR_INVALID_DATA)) and writes nothing then, so
// that every stream it writes loads again; infinities are written and loaded as they are.
HRESULT SaveStreamState(IStream& stream, const StreamState& state) noexcept;
// Fails with HRESULT_FROM_WIN32(ERROR_INVALID_DATA) on anything but a well-formed record (a NaN
// Interval among them), and leaves state untouched then.
HRESULT LoadStreamState(IStream& stream, StreamState& state) noexcept;

}  // namespace clickora::horolon
