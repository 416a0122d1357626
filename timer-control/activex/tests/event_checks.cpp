// The OnTimer event: advising, timing, freezing, and sinks that unadvise or release the control.
#include "host_support.h"

namespace horolon_test {

void CheckEvents() {
  // The grid: with Interval 0.3 s, events 0.3 s apart on the real window timer.
  {
    ComPtr<IDispatch> object = NewControl();
    EventSink sink;
    Advised advised = Advise(object.Get(), sink);
    Check(advised.cookie != 0, "Advise on __LongTimer");
    Put(object.Get(), kInterval, R4(0.3f));
    const double enabled_at = Seconds();
    Put(object.Get(), kEnabled, Bool(true));
    Pump(3700);
    Put(object.Get(), kEnabled, Bool(false));
    const std::size_t count = sink.times.size();
    double mean = 0.0;
    double worst = 0.0;
    if (count >= 2) {
      mean = (sink.times.back() - sink.times.front()) / static_cast<double>(count - 1);
      for (std::size_t i = 0; i < count; ++i) {
        const double off = sink.times[i] - sink.times.front() - 0.3 * static_cast<double>(i);
        worst = std::max(worst, std::fabs(off));
      }
    }
    std::printf(
        "figures: %u events in 3.7 s, first %.3f s after enabling, mean spacing %.4f s, "
        "largest distance from the 0.3 s grid %.3f s\n",
        static_cast<unsigned>(count), count ? sink.times.front() - enabled_at : 0.0, mean, worst);
    Check(count >= 10 && count <= 13,
          "about 11 events in 3.7 s at Interval 0.3 (" + std::to_string(count) + ")");
    Check(std::fabs(mean - 0.3) < 0.02, "mean event spacing within 20 ms of 0.3 s");
    Check(worst < 0.2, "events keep to the 0.3 s grid (no drift)");
    const std::size_t after_disable = sink.times.size();
    Pump(500);
    Check(sink.times.size() == after_disable, "no events after Enabled False");
    Check(advised.point && advised.point->Unadvise(advised.cookie) == S_OK &&
              advised.point->Unadvise(advised.cookie) == CONNECT_E_NOCONNECTION,
          "Unadvise once, then CONNECT_E_NOCONNECTION");
    advised.point.Reset();
    object.Reset();
    Check(sink.refs() == 0, "the control let go of its sink");
  }

  // Frozen events are owed, not lost: with Interval 0.5 s and 2.2 s frozen, four events are due;
  // after unfreezing they come one per tick, then the grid goes on.
  {
    ComPtr<IDispatch> object = NewControl();
    ComPtr<IOleControl> control;
    object->QueryInterface(IID_IOleControl, control.PutVoid());
    EventSink sink;
    Advised advised = Advise(object.Get(), sink);
    Put(object.Get(), kInterval, R4(0.5f));
    control->FreezeEvents(TRUE);
    control->FreezeEvents(TRUE);  // nested: both must be undone
    Put(object.Get(), kEnabled, Bool(true));
    Pump(1100);
    control->FreezeEvents(FALSE);
    Pump(1200);
    const std::size_t while_frozen = sink.times.size();
    const double unfrozen_at = Seconds();
    control->FreezeEvents(FALSE);
    Pump(450);
    Put(object.Get(), kEnabled, Bool(false));
    const std::size_t paid = sink.times.size();
    double closest = 1.0;
    for (std::size_t i = 1; i < paid; ++i) {
      closest = std::min(closest, sink.times[i] - sink.times[i - 1]);
    }
    std::printf(
        "figures: %u events in 0.45 s after unfreezing, first %.3f s after, closest %.3f s\n",
        static_cast<unsigned>(paid), paid ? sink.times.front() - unfrozen_at : 0.0, closest);
    Check(while_frozen == 0, "no OnTimer while events are frozen (nested freeze)");
    Check(paid >= 4 && paid <= 5,
          "the four events that fell due while frozen are paid after unfreezing (" +
              std::to_string(paid) + ")");
    Check(paid >= 2 && closest > 0.03, "one event per tick, not a burst");
    if (advised.point) advised.point->Unadvise(advised.cookie);
  }

  // Handlers that change or end the control from inside OnTimer.
  struct Case {
    const char* what;
    std::function<void(IDispatch*&, Advised&)> handler;
  };
  const Case cases[] = {
      {"Enabled False inside OnTimer stops the events",
       [](IDispatch*& object, Advised&) { Put(object, kEnabled, Bool(false)); }},
      {"Interval 0 inside OnTimer stops the events",
       [](IDispatch*& object, Advised&) { Put(object, kInterval, R4(0.0f)); }},
      {"Unadvise inside OnTimer stops the events",
       [](IDispatch*&, Advised& advised) { advised.point->Unadvise(advised.cookie); }},
      {"releasing the last reference inside OnTimer ends the control cleanly",
       [](IDispatch*& object, Advised& advised) {
         advised.point->Unadvise(advised.cookie);
         advised.point.Reset();
         IDispatch* last = object;
         object = nullptr;
         last->Release();
       }},
  };
  for (const Case& row : cases) {
    IDispatch* object = NewControl().Detach();
    EventSink sink;
    Advised advised = Advise(object, sink);
    sink.on_event = [&] {
      if (sink.times.size() == 1) row.handler(object, advised);
    };
    Put(object, kInterval, R4(0.2f));
    Put(object, kEnabled, Bool(true));
    Pump(1500);
    Check(sink.times.size() == 1,
          std::string(row.what) + " (" + std::to_string(sink.times.size()) + " events)");
    if (object) {
      if (advised.point) advised.point->Unadvise(advised.cookie);
      advised.point.Reset();
      object->Release();
    }
  }
}

// A container that enumerates the connection points instead of asking for one by IID.
void CheckConnectionPoints() {
  ComPtr<IDispatch> object = NewControl();
  ComPtr<IConnectionPointContainer> container;
  object->QueryInterface(IID_IConnectionPointContainer, container.PutVoid());
  ComPtr<IEnumConnectionPoints> points;
  const HRESULT made = container ? container->EnumConnectionPoints(points.Put()) : E_NOINTERFACE;
  Check(made == S_OK && points, "EnumConnectionPoints gives an enumerator (" + Hex(made) + ")");
  if (!points) return;

  auto point_iid = [](IConnectionPoint* point) {
    IID iid = GUID_NULL;
    if (point) point->GetConnectionInterface(&iid);
    return iid;
  };
  IConnectionPoint* got[2] = {nullptr, nullptr};
  ULONG fetched = 99;
  const HRESULT first = points->Next(1, got, &fetched);
  const bool first_ok = first == S_OK && fetched == 1 && point_iid(got[0]) == DIID___LongTimer;
  if (got[0]) got[0]->Release();
  got[0] = nullptr;
  const HRESULT past_end = points->Next(1, got, &fetched);
  Check(first_ok && past_end == S_FALSE && fetched == 0 && !got[0],
        "Next gives the __LongTimer point once, then S_FALSE");

  points->Reset();
  const HRESULT two = points->Next(2, got, &fetched);
  Check(two == S_FALSE && fetched == 1 && point_iid(got[0]) == DIID___LongTimer && !got[1],
        "Next(2) after Reset gives the one point and S_FALSE");
  if (got[0]) got[0]->Release();
  got[0] = nullptr;

  points->Reset();
  Check(points->Skip(1) == S_OK && points->Skip(1) == S_FALSE, "Skip(1) S_OK, then S_FALSE");
  points->Reset();
  ComPtr<IEnumConnectionPoints> clone;
  Check(points->Clone(clone.Put()) == S_OK && clone && points->Skip(1) == S_OK &&
            clone->Next(1, got, nullptr) == S_OK && point_iid(got[0]) == DIID___LongTimer,
        "a Clone keeps its own position");
  if (got[0]) got[0]->Release();
  got[0] = nullptr;
  Check(points->Next(2, got, nullptr) == E_POINTER, "Next(2) without a count gives E_POINTER");

  // The point found by enumerating carries events like the one found by IID.
  points->Reset();
  ComPtr<IConnectionPoint> point;
  points->Next(1, point.Put(), nullptr);
  EventSink sink;
  DWORD cookie = 0;
  if (point) point->Advise(static_cast<IDispatch*>(&sink), &cookie);
  Put(object.Get(), kInterval, R4(0.2f));
  Put(object.Get(), kEnabled, Bool(true));
  Pump(700);
  Put(object.Get(), kEnabled, Bool(false));
  Check(cookie != 0 && !sink.times.empty(), "OnTimer reaches a sink advised on that point");
  if (point) point->Unadvise(cookie);
  point.Reset();
  clone.Reset();
  points.Reset();
  container.Reset();
  object.Reset();
  Check(sink.refs() == 0, "enumerators and points let go of the control");
}

}  // namespace horolon_test
