#pragma once

#include <ocidl.h>

#include <vector>

#include "platform/win32/com_object.h"
#include "platform/win32/com_ptr.h"

namespace clickora::horolon {

// The one outgoing interface of an object: a part of that object, so its reference count is the
// object's. Sinks are held as IDispatch and called by DISPID.
class ConnectionPoint final : public platform::win32::ComPart<ConnectionPoint, IConnectionPoint> {
 public:
  ConnectionPoint(IConnectionPointContainer& container, const IID& events_iid) noexcept
      : ComPart(container), container_(container), events_iid_(events_iid) {}
  ~ConnectionPoint() = default;

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;

  // Calls the method dispid, without arguments, on every advised sink, synchronously. A sink
  // that is unadvised by an earlier sink's handler is skipped. The caller keeps the owning
  // object alive for the duration.
  void Raise(DISPID dispid) noexcept;

  void UnadviseAll() noexcept { sinks_.clear(); }

 private:
  struct Sink {
    DWORD cookie;
    platform::win32::ComPtr<IDispatch> target;
  };
  bool IsAdvised(DWORD cookie) const noexcept;

  IConnectionPointContainer& container_;
  const IID& events_iid_;
  std::vector<Sink> sinks_;
  DWORD next_cookie_ = 1;
};

// The enumerator of an object's connection points, over its one point: EnumConnectionPoints
// hands it out so that a container that enumerates finds the event source as one that asks.
class ConnectionPointEnumerator final
    : public platform::win32::ComObject<ConnectionPointEnumerator, IEnumConnectionPoints> {
 public:
  // Holds a reference on the point (and so on its object) for as long as it lives.
  static HRESULT Create(IConnectionPoint& point, ULONG position, IEnumConnectionPoints** out);

  HRESULT STDMETHODCALLTYPE Next(ULONG count, IConnectionPoint** points, ULONG* fetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** out) override;

 private:
  ConnectionPointEnumerator(IConnectionPoint& point, ULONG position) noexcept
      : point_(&point), position_(position) {}
  ~ConnectionPointEnumerator() override = default;

  static constexpr ULONG kCount = 1;
  platform::win32::ComPtr<IConnectionPoint> point_;
  ULONG position_;
};

}  // namespace clickora::horolon
