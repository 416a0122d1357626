// The window timers under the control: a handler that pumps messages gets no nested tick, a new
// period the system refuses keeps the running timer, and a failure inside a tick reaches the
// tick's dispatch, where it is reported.
#include <memory>
#include <system_error>

#include "host_support.h"
#include "platform/win32/timing.h"
#include "timer_control/long_timer.h"

namespace horolon_test {
namespace {

using clickora::platform::IntervalTimer;
using clickora::platform::win32::SystemMillisecondClock;
using clickora::platform::win32::WindowTimerService;
using clickora::platform::win32::WindowTimerSystem;

bool g_refuse = false;

// SetTimer as the system has it, except while g_refuse is set.
UINT_PTR WINAPI RefusingSetTimer(HWND window, UINT_PTR id, UINT period, TIMERPROC procedure) {
  if (g_refuse) {
    ::SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return 0;
  }
  return ::SetTimer(window, id, period, procedure);
}

}  // namespace

void CheckWindowTimers() {
  {
    WindowTimerService timers;
    int ticks = 0;
    int nested = 0;
    bool inside = false;
    std::unique_ptr<IntervalTimer> timer = timers.CreateTimer([&] {
      if (inside) {
        ++nested;
        return;
      }
      if (++ticks == 1) {
        inside = true;
        Pump(300);  // a modal loop inside the handler
        inside = false;
      }
    });
    timer->SetInterval(20);
    timer->SetEnabled(true);
    Pump(600);
    timer->SetEnabled(false);
    Check(nested == 0 && ticks >= 5,
          "a handler that pumps messages gets no nested tick of its timer; ticks go on after (" +
              std::to_string(nested) + " nested, " + std::to_string(ticks) + " ticks)");
  }

  {
    WindowTimerSystem system;
    system.set_timer = &RefusingSetTimer;
    WindowTimerService timers(system);
    int ticks = 0;
    std::unique_ptr<IntervalTimer> timer = timers.CreateTimer([&] { ++ticks; });
    timer->SetInterval(30);
    timer->SetEnabled(true);
    Pump(100);
    g_refuse = true;
    bool threw = false;
    try {
      timer->SetInterval(5000);
    } catch (const std::system_error&) {
      threw = true;
    }
    g_refuse = false;
    const int before = ticks;
    Pump(400);
    Check(threw && timer->Interval() == 30 && timer->Enabled() && ticks - before >= 4,
          "a refused new period throws and leaves the running timer and its period (" +
              std::to_string(ticks - before) + " ticks after)");
    timer->SetEnabled(false);
  }

  {
    std::vector<std::string> reports;
    WindowTimerSystem system;
    system.set_timer = &RefusingSetTimer;
    system.report_tick_failure = [&](std::string_view what) { reports.emplace_back(what); };
    WindowTimerService timers(system);
    SystemMillisecondClock clock;
    int events = 0;
    clickora::horolon::LongTimer timer(clock, timers, [&] { ++events; });
    timer.SetInterval(0.2f);
    timer.SetEnabled(true);
    Pump(150);  // the first tick records the time
    g_refuse = true;
    ::Sleep(400);  // the next tick comes late: its period correction is refused
    Pump(60);
    g_refuse = false;
    const std::size_t reported = reports.size();
    const int before = events;
    Pump(800);
    timer.SetEnabled(false);
    Check(reported >= 1 && reports.front().find("SetTimer") != std::string::npos,
          "a refused period correction inside a tick is reported by the tick's dispatch (" +
              (reports.empty() ? std::string("none") : reports.front()) + ")");
    Check(events > before && events >= 3, "the control runs on after the refused correction (" +
                                              std::to_string(events) + " events)");
  }
}

}  // namespace horolon_test
