#include "persistence.h"

#include <oleauto.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/win32/result.h"
#include "platform/win32/text.h"
#include "platform/win32/unique_handle.h"

namespace clickora::horolon {
namespace {

constexpr std::uint8_t kMagic[4] = {'H', 'L', 'T', 'M'};
constexpr std::uint16_t kVersion = 1;
constexpr std::uint16_t kPayloadV1 = 8;
constexpr ULONG kHeaderSize = 8;
constexpr std::int16_t kTrue = -1;

struct ScopedVariant {
  ScopedVariant() noexcept { ::VariantInit(&value); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  ~ScopedVariant() { ::VariantClear(&value); }
  VARIANT value;
};

std::uint16_t ReadU16(const std::uint8_t* at) {
  return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

void WriteU16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value & 0xFF);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

HRESULT ReadExactly(IStream& stream, void* data, ULONG size) {
  ULONG read = 0;
  const HRESULT hr = stream.Read(data, size, &read);
  RETURN_IF_FAILED(hr);
  RETURN_HR_IF(HRESULT_FROM_WIN32(ERROR_INVALID_DATA), read != size);
  return S_OK;
}

}  // namespace

bool ComPropertyBag::Read(std::string_view name, std::optional<std::string>& value) {
  value.reset();
  const std::wstring wide_name = platform::win32::Widen(name);
  ScopedVariant read;
  // A bag answers E_INVALIDARG for a property it does not hold: take the default. Any other
  // failure (the container could not read its storage) is the container's to hear.
  const HRESULT hr = bag_.Read(wide_name.c_str(), &read.value, log_);
  if (hr == E_INVALIDARG) return true;
  if (FAILED(hr)) return Fail(hr);
  if (read.value.vt != VT_BSTR) {
    const HRESULT converted = ::VariantChangeTypeEx(&read.value, &read.value, LOCALE_INVARIANT,
                                                    VARIANT_ALPHABOOL, VT_BSTR);
    // A value that has no text form counts as missing; running out of memory does not.
    if (converted == E_OUTOFMEMORY) return Fail(converted);
    if (FAILED(converted)) return true;
  }
  const BSTR text = read.value.bstrVal;
  value = platform::win32::Narrow(
      std::wstring_view(text ? text : L"", text ? ::SysStringLen(text) : 0));
  return true;
}

bool ComPropertyBag::Write(std::string_view name, std::string_view value) {
  const std::wstring wide_name = platform::win32::Widen(name);
  const std::wstring wide_value = platform::win32::Widen(value);
  ScopedVariant written;
  written.value.vt = VT_BSTR;
  written.value.bstrVal =
      ::SysAllocStringLen(wide_value.data(), static_cast<UINT>(wide_value.size()));
  if (!written.value.bstrVal) return Fail(E_OUTOFMEMORY);
  const HRESULT hr = bag_.Write(wide_name.c_str(), &written.value);
  if (FAILED(hr)) return Fail(hr);
  return true;
}

HRESULT SaveStreamState(IStream& stream, const StreamState& state) noexcept {
  RETURN_HR_IF(HRESULT_FROM_WIN32(ERROR_INVALID_DATA), std::isnan(state.interval));
  std::uint8_t record[kStreamStateSize] = {};
  std::memcpy(record, kMagic, sizeof(kMagic));
  WriteU16(record + 4, kVersion);
  WriteU16(record + 6, kPayloadV1);
  std::memcpy(record + 8, &state.interval, sizeof(float));
  WriteU16(record + 12, static_cast<std::uint16_t>(state.enabled ? kTrue : 0));
  ULONG written = 0;
  RETURN_IF_FAILED(stream.Write(record, kStreamStateSize, &written));
  RETURN_HR_IF(STG_E_MEDIUMFULL, written != kStreamStateSize);
  return S_OK;
}

HRESULT LoadStreamState(IStream& stream, StreamState& state) noexcept {
  const HRESULT invalid = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  std::uint8_t header[kHeaderSize] = {};
  RETURN_IF_FAILED(ReadExactly(stream, header, kHeaderSize));
  RETURN_HR_IF(invalid, std::memcmp(header, kMagic, sizeof(kMagic)) != 0);
  const std::uint16_t version = ReadU16(header + 4);
  const std::uint16_t payload_size = ReadU16(header + 6);
  RETURN_HR_IF(invalid, version < kVersion || payload_size < kPayloadV1);

  std::uint8_t payload[kPayloadV1] = {};
  RETURN_IF_FAILED(ReadExactly(stream, payload, kPayloadV1));
  float interval = 0.0f;
  std::memcpy(&interval, payload, sizeof(float));
  const auto enabled = static_cast<std::int16_t>(ReadU16(payload + 4));
  RETURN_HR_IF(invalid, std::isnan(interval) || (enabled != 0 && enabled != kTrue));
  if (payload_size > kPayloadV1) {
    LARGE_INTEGER skip;
    skip.QuadPart = payload_size - kPayloadV1;
    RETURN_IF_FAILED(stream.Seek(skip, STREAM_SEEK_CUR, nullptr));
  }
  state.interval = interval;
  state.enabled = enabled == kTrue;
  return S_OK;
}

}  // namespace clickora::horolon
