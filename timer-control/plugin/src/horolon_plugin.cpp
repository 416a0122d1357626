// libhorolon.so: the LongTimer control for the Linux form runtime. One C export creates a control
// by class name; each control wraps one portable LongTimer, driven by the host's millisecond clock
// and the host's interval timers, so its ticks arrive on the host's UI thread like those of any
// other timer of the window.

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/clock.h"
#include "platform/control_abi.h"
#include "platform/forms/property_names.h"
#include "platform/interval_timer.h"
#include "platform/property_bag.h"
#include "timer_control/long_timer.h"
#include "timer_control/long_timer_identity.h"

namespace clickora::horolon {
namespace {

constexpr std::string_view kClassName = identity::kProgId;
constexpr std::int32_t kIntervalId = identity::kIntervalDispId;
constexpr std::int32_t kEnabledId = identity::kEnabledDispId;
constexpr std::int32_t kOnTimerId = identity::kOnTimerDispId;

class HostClock final : public platform::MillisecondClock {
 public:
  explicit HostClock(const clickora_control_host& host) : host_(host) {}
  std::uint32_t NowMs() override { return host_.now_ms(host_.context); }

 private:
  const clickora_control_host& host_;
};

class HostTimer final : public platform::IntervalTimer {
 public:
  HostTimer(const clickora_control_host& host, std::function<void()> on_tick)
      : host_(host), on_tick_(std::move(on_tick)) {
    timer_ = host_.create_timer(host_.context, &HostTimer::Tick, this);
    if (timer_ == nullptr) throw std::bad_alloc();
  }
  HostTimer(const HostTimer&) = delete;
  HostTimer& operator=(const HostTimer&) = delete;
  ~HostTimer() override { host_.destroy_timer(host_.context, timer_); }

  void SetInterval(std::int32_t milliseconds) override {
    host_.set_timer_interval(host_.context, timer_, milliseconds);
  }
  std::int32_t Interval() const override { return host_.timer_interval(host_.context, timer_); }
  void SetEnabled(bool enabled) override {
    host_.set_timer_enabled(host_.context, timer_, enabled ? 1 : 0);
  }
  bool Enabled() const override { return host_.timer_enabled(host_.context, timer_) != 0; }

 private:
  // Called by the host's event loop. The handler may destroy this timer, so it runs from a copy.
  static void Tick(void* context) noexcept {
    try {
      const std::function<void()> on_tick = static_cast<HostTimer*>(context)->on_tick_;
      on_tick();
    } catch (...) {
      // NOTE: a tick has nobody to report to, and an exception must not unwind into the host's
      // C frames; the tick is lost and the next one measures the time it missed.
    }
  }

  const clickora_control_host& host_;
  std::function<void()> on_tick_;
  clickora_host_timer* timer_ = nullptr;
};

class HostTimerService final : public platform::TimerService {
 public:
  explicit HostTimerService(const clickora_control_host& host) : host_(host) {}
  std::unique_ptr<platform::IntervalTimer> CreateTimer(std::function<void()> on_tick) override {
    return std::make_unique<HostTimer>(host_, std::move(on_tick));
  }

 private:
  const clickora_control_host& host_;
};

// The saved properties of the host's design, found by name in any letter case: the window keeps
// "interval" in lower case while the control asks for "Interval". Read-only: a running window does
// not save its controls.
class SavedPropertiesBag final : public platform::PropertyBag {
 public:
  SavedPropertiesBag(const clickora_saved_property* properties, std::size_t count)
      : properties_(properties), count_(count) {}

  bool Read(std::string_view name, std::optional<std::string>& value) override {
    value.reset();
    for (std::size_t i = 0; i < count_; ++i) {
      const clickora_saved_property& property = properties_[i];
      if (property.name == nullptr ||
          !platform::forms::EqualsIgnoringAsciiCase(property.name, name))
        continue;
      value = property.value == nullptr ? std::string() : std::string(property.value);
      return true;
    }
    return true;
  }
  bool Write(std::string_view, std::string_view) override { return false; }

 private:
  const clickora_saved_property* properties_;
  std::size_t count_;
};

struct Control;

// What the host holds: a plain C struct whose first member is the handle, so that the handle's
// address is the struct's.
struct ControlHandle {
  clickora_control base;
  Control* control;
};

struct Control {
  ControlHandle handle;
  clickora_control_host host;
  HostClock clock{host};
  HostTimerService timers{host};
  LongTimer timer;

  Control(const clickora_control_vtable& vtable, const clickora_control_host& host_table)
      : handle{{&vtable}, this},
        host(host_table),
        timer(clock, timers, [this] { host.raise_event(host.context, kOnTimerId, "OnTimer"); }) {}
};

Control& AsControl(clickora_control* handle) {
  return *reinterpret_cast<ControlHandle*>(handle)->control;
}

std::int32_t PutProperty(clickora_control* handle, std::int32_t dispid,
                         const clickora_value* value) noexcept {
  if (handle == nullptr || value == nullptr) return CLICKORA_FAILED;
  try {
    Control& control = AsControl(handle);
    switch (dispid) {
      case kIntervalId:
        if (value->type != CLICKORA_VT_R4) return CLICKORA_TYPE_MISMATCH;
        control.timer.SetInterval(value->r4);
        return CLICKORA_OK;
      case kEnabledId:
        if (value->type != CLICKORA_VT_BOOL) return CLICKORA_TYPE_MISMATCH;
        control.timer.SetEnabled(value->boolean != 0);
        return CLICKORA_OK;
      default:
        return CLICKORA_UNKNOWN_DISPID;
    }
  } catch (const std::bad_alloc&) {
    return CLICKORA_OUT_OF_MEMORY;
  } catch (...) {
    return CLICKORA_FAILED;
  }
}

std::int32_t LoadProperties(clickora_control* handle, const clickora_saved_property* properties,
                            std::size_t count) noexcept {
  if (handle == nullptr || (properties == nullptr && count != 0)) return CLICKORA_FAILED;
  try {
    SavedPropertiesBag bag(properties, count);
    return AsControl(handle).timer.ReadProperties(bag) ? CLICKORA_OK : CLICKORA_PROPERTY_BAG_FAILED;
  } catch (const std::bad_alloc&) {
    return CLICKORA_OUT_OF_MEMORY;
  } catch (...) {
    return CLICKORA_FAILED;
  }
}

void Destroy(clickora_control* handle) noexcept {
  delete &AsControl(handle);
}

constexpr clickora_control_vtable kVtable{&PutProperty, &LoadProperties, &Destroy};

bool HostIsComplete(const clickora_control_host& host) {
  return host.create_timer != nullptr && host.destroy_timer != nullptr &&
         host.set_timer_interval != nullptr && host.timer_interval != nullptr &&
         host.set_timer_enabled != nullptr && host.timer_enabled != nullptr &&
         host.now_ms != nullptr && host.raise_event != nullptr;
}

}  // namespace
}  // namespace clickora::horolon

extern "C" __attribute__((visibility("default"))) std::int32_t clickora_create_control(
    const char* class_name, const clickora_control_host* host, clickora_control** control) {
  using namespace clickora::horolon;
  if (control == nullptr) return CLICKORA_FAILED;
  *control = nullptr;
  if (host == nullptr || class_name == nullptr) return CLICKORA_FAILED;
  if (host->abi_version != CLICKORA_CONTROL_ABI_VERSION || !HostIsComplete(*host)) {
    return CLICKORA_ABI_MISMATCH;
  }
  // ProgIDs are matched as the system's class registry matches them: in any letter case.
  if (!clickora::platform::forms::EqualsIgnoringAsciiCase(class_name, kClassName))
    return CLICKORA_UNKNOWN_CLASS;
  try {
    *control = &(new Control(kVtable, *host))->handle.base;
    return CLICKORA_OK;
  } catch (const std::bad_alloc&) {
    return CLICKORA_OUT_OF_MEMORY;
  } catch (...) {
    return CLICKORA_FAILED;
  }
}
