#include "control_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <new>

#include "platform/control_abi.h"

namespace clickora::platform::qt {
namespace {

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

std::string StatusText(std::int32_t status) {
  switch (status) {
    case CLICKORA_UNKNOWN_CLASS:
      return "the library does not provide this class";
    case CLICKORA_UNKNOWN_DISPID:
      return "the control has no such property";
    case CLICKORA_TYPE_MISMATCH:
      return "type mismatch";
    case CLICKORA_OUT_OF_MEMORY:
      return "out of memory";
    case CLICKORA_ABI_MISMATCH:
      return "the library was built for another version of the runtime";
    case CLICKORA_PROPERTY_BAG_FAILED:
      return "its saved properties could not be read";
    default:
      return "the control failed (status " + std::to_string(status) + ")";
  }
}

// One embedded control of a window: the host side of the C interface. The control's timers are
// the runtime's own, so their ticks come through the window's event loop.
class HostedControl final : public EmbeddedControl {
 public:
  HostedControl(MillisecondClock& clock, TimerService& timers, ControlLibraries::RaiseEvent raise)
      : clock_(clock), timers_(timers), raise_(std::move(raise)) {
    host_.abi_version = CLICKORA_CONTROL_ABI_VERSION;
    host_.context = this;
    host_.create_timer = &CreateTimer;
    host_.destroy_timer = &DestroyTimer;
    host_.set_timer_interval = [](void*, clickora_host_timer* timer, std::int32_t ms) {
      Of(timer).SetInterval(ms);
    };
    host_.timer_interval = [](void*, const clickora_host_timer* timer) {
      return Of(timer).Interval();
    };
    host_.set_timer_enabled = [](void*, clickora_host_timer* timer, int enabled) {
      Of(timer).SetEnabled(enabled != 0);
    };
    host_.timer_enabled = [](void*, const clickora_host_timer* timer) {
      return Of(timer).Enabled() ? 1 : 0;
    };
    host_.now_ms = [](void* context) {
      return static_cast<HostedControl*>(context)->clock_.NowMs();
    };
    host_.raise_event = &RaiseEventThunk;
  }
  HostedControl(const HostedControl&) = delete;
  HostedControl& operator=(const HostedControl&) = delete;
  ~HostedControl() override {
    if (control_ != nullptr) control_->vtable->destroy(control_);
  }

  const clickora_control_host& host() const { return host_; }
  void Attach(clickora_control* control) { control_ = control; }
  clickora_control* control() const { return control_; }

  PutResult PutProperty(DispId id, const DispValue& value) override {
    clickora_value abi_value{};
    if (const float* single = std::get_if<float>(&value)) {
      abi_value.type = CLICKORA_VT_R4;
      abi_value.r4 = *single;
    } else {
      abi_value.type = CLICKORA_VT_BOOL;
      abi_value.boolean = std::get<bool>(value) ? -1 : 0;
    }
    const std::int32_t status = control_->vtable->put_property(control_, id, &abi_value);
    if (status == CLICKORA_OK) return {};
    char id_text[16];
    std::snprintf(id_text, sizeof id_text, "0x%08X", static_cast<unsigned>(id));
    return {false, std::string("property ") + id_text + ": " + StatusText(status)};
  }

 private:
  // A timer handle handed to the library is one of these.
  struct TimerSlot {
    std::unique_ptr<IntervalTimer> timer;
  };
  static IntervalTimer& Of(const clickora_host_timer* timer) {
    return *reinterpret_cast<const TimerSlot*>(timer)->timer;
  }

  static clickora_host_timer* CreateTimer(void* context, void (*on_tick)(void*),
                                          void* tick_context) {
    try {
      auto slot = std::make_unique<TimerSlot>();
      slot->timer = static_cast<HostedControl*>(context)->timers_.CreateTimer(
          [on_tick, tick_context] { on_tick(tick_context); });
      return reinterpret_cast<clickora_host_timer*>(slot.release());
    } catch (...) {
      return nullptr;  // the library reports it as a failure of its own
    }
  }
  static void DestroyTimer(void*, clickora_host_timer* timer) {
    delete reinterpret_cast<TimerSlot*>(timer);
  }
  static void RaiseEventThunk(void* context, std::int32_t, const char* name) {
    // Nothing may unwind into the library's frames; the window's dispatch reports its own errors.
    try {
      static_cast<HostedControl*>(context)->raise_(name == nullptr ? "" : name);
    } catch (...) {
      std::terminate();
    }
  }

  MillisecondClock& clock_;
  TimerService& timers_;
  ControlLibraries::RaiseEvent raise_;
  clickora_control_host host_{};
  clickora_control* control_ = nullptr;
};

}  // namespace

ControlLibraries::ControlLibraries(std::string folder, MillisecondClock& clock,
                                   TimerService& timers)
    : ControlLibraries(std::vector<std::string>{std::move(folder)}, clock, timers) {}

ControlLibraries::ControlLibraries(std::vector<std::string> folders, MillisecondClock& clock,
                                   TimerService& timers)
    : folders_(std::move(folders)), clock_(clock), timers_(timers) {}

// NOTE: the libraries are not closed: a control's code may still be on the stack (a window
// destroyed from inside one of its events) and the process ends soon after anyway.
ControlLibraries::~ControlLibraries() = default;

void ControlLibraries::Register(std::string_view class_name, std::string_view library_file) {
  classes_[Upper(class_name)] = std::string(library_file);
}

std::string ControlLibraries::PathOf(const std::string& file) const {
  for (const std::string& folder : folders_) {
    std::string path = folder + "/" + file;
    if (access(path.c_str(), F_OK) == 0) return path;
  }
  return folders_.empty() ? file : folders_.front() + "/" + file;
}

void* ControlLibraries::Open(const std::string& path, std::string& error) {
  if (const auto found = libraries_.find(path); found != libraries_.end()) return found->second;
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = dlerror();
    error = reason != nullptr ? reason : "cannot be loaded";
    return nullptr;
  }
  libraries_.emplace(path, library);
  return library;
}

std::unique_ptr<EmbeddedControl> ControlLibraries::Create(std::string_view class_name,
                                                          const SavedProperties& saved,
                                                          RaiseEvent raise, std::string& error) {
  const std::string head = "Cannot create the control \"" + std::string(class_name) + "\": ";
  const auto registered = classes_.find(Upper(class_name));
  if (registered == classes_.end()) {
    error = head + "the class is not registered.";
    return nullptr;
  }
  const std::string path = PathOf(registered->second);
  std::string reason;
  void* library = Open(path, reason);
  if (library == nullptr) {
    error = head + reason;
    if (reason.find(path) == std::string::npos) error += " (" + path + ")";
    return nullptr;
  }
  const auto create =
      reinterpret_cast<clickora_create_control_fn>(dlsym(library, CLICKORA_CREATE_CONTROL_SYMBOL));
  if (create == nullptr) {
    error = head + path + " has no entry " + CLICKORA_CREATE_CONTROL_SYMBOL + ".";
    return nullptr;
  }

  auto hosted = std::make_unique<HostedControl>(clock_, timers_, std::move(raise));
  clickora_control* control = nullptr;
  const std::string name(class_name);
  const std::int32_t created = create(name.c_str(), &hosted->host(), &control);
  if (created != CLICKORA_OK || control == nullptr) {
    error = head + path + ": " + StatusText(created) + ".";
    return nullptr;
  }
  hosted->Attach(control);

  std::vector<clickora_saved_property> properties;
  properties.reserve(saved.size());
  for (const auto& [property, value] : saved)
    properties.push_back({property.c_str(), value.c_str()});
  const std::int32_t loaded =
      control->vtable->load_properties(control, properties.data(), properties.size());
  if (loaded != CLICKORA_OK) {
    error = head + path + ": " + StatusText(loaded) + ".";
    return nullptr;
  }
  return hosted;
}

}  // namespace clickora::platform::qt
