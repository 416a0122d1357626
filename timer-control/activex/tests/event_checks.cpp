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

}  // namespace horolon_test
