#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "platform/win32/timing.h"
#include "platform/win32/unique_handle.h"

namespace clickora::platform::win32 {
namespace {

constexpr wchar_t kClassName[] = L"ClickoraTimerWindow";
constexpr std::int32_t kDefaultPeriodMs = 100;

[[noreturn]] void ThrowLastError(const char* what) {
  throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), what);
}

// The module that holds this code (an .exe or the .ocx), which owns the window class.
HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

// One timer's callback and the system it asks. Shared so that a tick in progress keeps it alive
// when its timer is destroyed from inside the tick.
struct TimerSlot {
  TimerSlot(std::function<void()> tick, const WindowTimerSystem& timer_system)
      : on_tick(std::move(tick)), system(timer_system) {}
  std::function<void()> on_tick;
  WindowTimerSystem system;
  bool running = false;

  void ReportFailure(std::string_view what) noexcept {
    try {
      if (system.report_tick_failure) {
        system.report_tick_failure(what);
        return;
      }
      std::wstring text = L"Clickora: a timer tick failed: ";
      for (const char c : what) text.push_back(static_cast<unsigned char>(c));
      text.push_back(L'\n');
      ::OutputDebugStringW(text.c_str());
    } catch (...) {
      // A reporter that fails has said what it could.
    }
  }
};

thread_local TimerWindow* this_thread_window = nullptr;
std::atomic<int> live_windows{0};

}  // namespace

class TimerWindow : public std::enable_shared_from_this<TimerWindow> {
 public:
  static std::shared_ptr<TimerWindow> ForThisThread() {
    if (this_thread_window) return this_thread_window->shared_from_this();
    auto window = std::make_shared<TimerWindow>();
    window->Create();
    this_thread_window = window.get();
    return window;
  }

  TimerWindow() { ++live_windows; }
  TimerWindow(const TimerWindow&) = delete;
  TimerWindow& operator=(const TimerWindow&) = delete;

  ~TimerWindow() {
    if (this_thread_window == this) this_thread_window = nullptr;
    if (hwnd_) ::SetWindowLongPtrW(hwnd_.Get(), GWLP_USERDATA, 0);
    hwnd_.Reset();
    // NOTE: classes registered by a DLL outlive its unloading; drop ours with the last window
    // so that a reloaded .ocx can register it again. Fails harmlessly while another thread
    // still has its window.
    if (--live_windows == 0) ::UnregisterClassW(kClassName, ThisModule());
  }

  // Starts a window timer for slot and returns its id. Every start takes a fresh id, so a tick
  // of an earlier start that is still queued finds nothing and is dropped.
  UINT_PTR Start(std::shared_ptr<TimerSlot> slot, std::int32_t period_ms) {
    const UINT_PTR id = next_id_++;
    if (slot->system.set_timer(hwnd_.Get(), id, static_cast<UINT>(period_ms), nullptr) == 0)
      ThrowLastError("SetTimer");
    slots_[id] = std::move(slot);
    return id;
  }

  // A new period for the running timer id. SetTimer on the same id replaces the timer in one
  // step, so the timer is never stopped before its new period is armed; when the system refuses,
  // the old timer runs on unchanged.
  void Rearm(const TimerSlot& slot, UINT_PTR id, std::int32_t period_ms) {
    if (slot.system.set_timer(hwnd_.Get(), id, static_cast<UINT>(period_ms), nullptr) == 0)
      ThrowLastError("SetTimer");
  }

  void Stop(UINT_PTR id) noexcept {
    ::KillTimer(hwnd_.Get(), id);
    slots_.erase(id);
  }

 private:
  void Create() {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = &TimerWindow::WindowProc;
    window_class.hInstance = ThisModule();
    window_class.lpszClassName = kClassName;
    if (!::RegisterClassExW(&window_class) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      ThrowLastError("RegisterClassExW");
    }
    hwnd_.Reset(::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  ThisModule(), this));
    if (!hwnd_) ThrowLastError("CreateWindowExW");
  }

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TimerWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && message == WM_TIMER) {
      self->OnTimer(static_cast<UINT_PTR>(wparam));
      return 0;
    }
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
  }

  void OnTimer(UINT_PTR id) noexcept {
    const auto found = slots_.find(id);
    if (found == slots_.end()) {
      ::KillTimer(hwnd_.Get(), id);
      return;
    }
    std::shared_ptr<TimerSlot> slot = found->second;
    // A handler that pumps messages (a modal dialog) would otherwise receive its own timer's
    // next tick before it has returned; ticks run one at a time.
    if (slot->running) return;
    // The handler may destroy its timer and with it the last owner of this window.
    std::shared_ptr<TimerWindow> keep_alive = shared_from_this();
    slot->running = true;
    // NOTE: an exception must not unwind through the system's message dispatch. The handler's
    // failure ends its tick here, the dispatch of that tick, and is reported, not dropped.
    try {
      slot->on_tick();
    } catch (const std::exception& error) {
      slot->ReportFailure(error.what());
    } catch (...) {
      slot->ReportFailure("unknown failure");
    }
    slot->running = false;
  }

  UniqueHwnd hwnd_;
  std::unordered_map<UINT_PTR, std::shared_ptr<TimerSlot>> slots_;
  UINT_PTR next_id_ = 1;
};

namespace {

class WindowTimer final : public IntervalTimer {
 public:
  WindowTimer(std::shared_ptr<TimerWindow> window, std::function<void()> on_tick,
              const WindowTimerSystem& system)
      : window_(std::move(window)),
        slot_(std::make_shared<TimerSlot>(std::move(on_tick), system)) {}
  WindowTimer(const WindowTimer&) = delete;
  WindowTimer& operator=(const WindowTimer&) = delete;
  ~WindowTimer() override { Stop(); }

  void SetInterval(std::int32_t milliseconds) override {
    const std::int32_t period = std::max<std::int32_t>(milliseconds, 1);
    // Taken only once the system has armed it: a refused period leaves the old one running.
    if (enabled_) window_->Rearm(*slot_, id_, period);
    interval_ = period;
  }
  std::int32_t Interval() const override { return interval_; }

  void SetEnabled(bool enabled) override {
    if (enabled == enabled_) return;
    if (enabled) {
      Start();
    } else {
      Stop();
    }
  }
  bool Enabled() const override { return enabled_; }

 private:
  void Start() {
    Stop();
    id_ = window_->Start(slot_, interval_);
    enabled_ = true;
  }
  void Stop() noexcept {
    if (id_ != 0) window_->Stop(id_);
    id_ = 0;
    enabled_ = false;
  }

  std::shared_ptr<TimerWindow> window_;
  std::shared_ptr<TimerSlot> slot_;
  std::int32_t interval_ = kDefaultPeriodMs;
  bool enabled_ = false;
  UINT_PTR id_ = 0;
};

}  // namespace

std::unique_ptr<IntervalTimer> WindowTimerService::CreateTimer(std::function<void()> on_tick) {
  return std::make_unique<WindowTimer>(TimerWindow::ForThisThread(), std::move(on_tick), system_);
}

}  // namespace clickora::platform::win32
