#include "connection_point.h"

#include <olectl.h>

#include <algorithm>
#include <new>

#include "platform/win32/result.h"

namespace clickora::horolon {

using platform::win32::ComPtr;
using platform::win32::Guard;

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = events_iid_;
  return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
  if (!out) return E_POINTER;
  *out = &container_;
  container_.AddRef();
  return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  return Guard([&]() -> HRESULT {
    ComPtr<IDispatch> target;
    // The event interface is dispatch-only, so a sink that answers only IDispatch is as good.
    if (FAILED(sink->QueryInterface(events_iid_, target.PutVoid())) &&
        FAILED(sink->QueryInterface(IID_IDispatch, target.PutVoid()))) {
      return CONNECT_E_CANNOTCONNECT;
    }
    sinks_.push_back({next_cookie_, std::move(target)});
    *cookie = next_cookie_++;
    return S_OK;
  });
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
  const auto found =
      std::find_if(sinks_.begin(), sinks_.end(), [&](const Sink& s) { return s.cookie == cookie; });
  if (found == sinks_.end()) return CONNECT_E_NOCONNECTION;
  // Moved out first: releasing the sink may call back into this object.
  ComPtr<IDispatch> released = std::move(found->target);
  sinks_.erase(found);
  return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return E_NOTIMPL;
}

bool ConnectionPoint::IsAdvised(DWORD cookie) const noexcept {
  return std::any_of(sinks_.begin(), sinks_.end(),
                     [&](const Sink& s) { return s.cookie == cookie; });
}

void ConnectionPoint::Raise(DISPID dispid) noexcept {
  try {
    // A copy, because handlers may advise or unadvise while the event is being raised.
    const std::vector<Sink> targets = sinks_;
    for (const Sink& sink : targets) {
      if (!IsAdvised(sink.cookie)) continue;
      DISPPARAMS no_arguments = {nullptr, nullptr, 0, 0};
      // The host's handler answers for itself; a failing sink does not keep the others from
      // hearing the event.
      sink.target->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &no_arguments,
                          nullptr, nullptr, nullptr);
    }
  } catch (...) {
    // Only the copy can fail (out of memory); the event is then lost, not the process.
  }
}

HRESULT ConnectionPointEnumerator::Create(IConnectionPoint& point, ULONG position,
                                          IEnumConnectionPoints** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ComPtr<ConnectionPointEnumerator> made;
  made.Attach(new (std::nothrow) ConnectionPointEnumerator(point, position));
  RETURN_IF_NULL_ALLOC(made.Get());
  *out = made.Detach();
  return S_OK;
}

HRESULT ConnectionPointEnumerator::Next(ULONG count, IConnectionPoint** points, ULONG* fetched) {
  if (fetched) *fetched = 0;
  if (!points) return E_POINTER;
  // Without a place for the number fetched, only one element may be asked for.
  if (!fetched && count != 1) return E_POINTER;
  ULONG given = 0;
  while (given < count && position_ < kCount) {
    points[given] = point_.Get();
    point_->AddRef();
    ++given;
    ++position_;
  }
  if (fetched) *fetched = given;
  return given == count ? S_OK : S_FALSE;
}

HRESULT ConnectionPointEnumerator::Skip(ULONG count) {
  const ULONG left = kCount - position_;
  if (count > left) {
    position_ = kCount;
    return S_FALSE;
  }
  position_ += count;
  return S_OK;
}

HRESULT ConnectionPointEnumerator::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT ConnectionPointEnumerator::Clone(IEnumConnectionPoints** out) {
  return Create(*point_.Get(), position_, out);
}

}  // namespace clickora::horolon
