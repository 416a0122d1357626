// What guards a long run on Windows: the system kept awake and let go again, the session's lock
// and sleeps heard by the hidden window, the integrity of a click's target, and a click put in as
// one batch.
#include <windows.h>

#include <array>
#include <cstdint>

#include "check.h"
#include "keep_awake.h"
#include "platform/win32/desktop_services.h"
#include "session_state.h"
#include "target_integrity.h"

using namespace clickora::platform;
using namespace clickora::platform::win32;

namespace {

// The thread's execution state, read without changing it: a call without ES_CONTINUOUS only
// resets the idle timer once and returns the state that holds.
EXECUTION_STATE ExecutionState() {
  return ::SetThreadExecutionState(ES_SYSTEM_REQUIRED);
}

void Pump() {
  MSG message{};
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

}  // namespace

TEST_CASE("the system is kept awake from Hold to Release, and never the display") {
  for (int round = 0; round < 2; ++round) {
    Win32KeepAwake awake;
    const KeepAwakeResult held = awake.Hold("tapvane คลิกทุก 1 นาที จนครบ 5 ครั้ง");
    CHECK(held.held);
    CHECK(awake.Held() != Win32KeepAwake::Way::kNone);
    if (awake.Held() == Win32KeepAwake::Way::kExecutionState) {
      // NOTE: Wine has no power requests; the fallback must hold the system and only it.
      CHECK(held.detail == "SetThreadExecutionState");
      CHECK((ExecutionState() & (ES_CONTINUOUS | ES_SYSTEM_REQUIRED)) ==
            (ES_CONTINUOUS | ES_SYSTEM_REQUIRED));
      CHECK((ExecutionState() & ES_DISPLAY_REQUIRED) == 0);
    }
    CHECK(awake.Hold("again").held);  // a second hold holds nothing more
    awake.Release();
    CHECK(awake.Held() == Win32KeepAwake::Way::kNone);
    CHECK((ExecutionState() & ES_SYSTEM_REQUIRED) == 0);
    awake.Release();  // nothing held: nothing happens
    if (round == 1) {
      // Let go with its owner too.
      Win32KeepAwake scoped;
      CHECK(scoped.Hold("scoped").held);
    }
    CHECK((ExecutionState() & ES_SYSTEM_REQUIRED) == 0);
  }
}

TEST_CASE("the hidden window hears the session's lock and unlock and the system's wake-ups") {
  Win32SessionState session;
  CHECK(!session.InputLocked());  // the test runs on the input desktop, unlocked
  CHECK(session.Wakes() == 0);
  const HWND window = session.Handle();
  CHECK(window != nullptr);
  CHECK(::GetAncestor(window, GA_ROOT) == window);  // top-level: broadcasts reach it
  CHECK(!::IsWindowVisible(window));

  const struct {
    WPARAM message_wparam;
    UINT message;
    bool locked;
    std::uint32_t wakes;
  } steps[] = {
      {WTS_SESSION_LOCK, WM_WTSSESSION_CHANGE, true, 0},
      {PBT_APMSUSPEND, WM_POWERBROADCAST, true, 0},
      {PBT_APMRESUMEAUTOMATIC, WM_POWERBROADCAST, true, 1},
      {WTS_SESSION_LOGON, WM_WTSSESSION_CHANGE, true, 1},
      {WTS_SESSION_UNLOCK, WM_WTSSESSION_CHANGE, false, 1},
      {PBT_APMRESUMEAUTOMATIC, WM_POWERBROADCAST, false, 2},
  };
  for (const auto& step : steps) {
    CHECK(::PostMessageW(window, step.message, step.message_wparam, 0));
    Pump();
    CHECK(session.InputLocked() == step.locked);
    CHECK(session.Wakes() == step.wakes);
  }
  CHECK(!InputOnAnotherDesktop());
}

TEST_CASE("a window of this process, or of a process that cannot be asked, is no elevated target") {
  Win32TargetIntegrity integrity;
  CHECK(integrity.AboveProgram(std::nullopt) == ElevatedTarget::kNone);
  const HWND own = ::CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"target", WS_POPUP | WS_VISIBLE, 10,
                                     10, 50, 50, nullptr, nullptr, nullptr, nullptr);
  CHECK(own != nullptr);
  Pump();
  CHECK(integrity.AboveProgram(Point{30, 30}) == ElevatedTarget::kNone);
  // The program's own token has a level, which a window of its own reports the same.
  HANDLE token = nullptr;
  CHECK(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));
  const std::optional<DWORD> own_level = IntegrityLevelOf(token);
  ::CloseHandle(token);
  CHECK(own_level.has_value());
  CHECK(WindowIntegrityLevel(own) == own_level);
  CHECK(!WindowIntegrityLevel(nullptr).has_value());
  ::DestroyWindow(own);
}

namespace {

int presses = 0;
int releases = 0;

LRESULT CALLBACK CountButtons(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) ++presses;
  if (message == WM_LBUTTONUP) ++releases;
  return ::DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

TEST_CASE("a click goes in as one batch, reaches the window under the pointer, and is counted") {
  WNDCLASSW counting{};
  counting.lpfnWndProc = &CountButtons;
  counting.hInstance = ::GetModuleHandleW(nullptr);
  counting.lpszClassName = L"ClickoraTestButtons";
  ::RegisterClassW(&counting);
  const HWND target =
      ::CreateWindowExW(WS_EX_TOPMOST, counting.lpszClassName, L"buttons", WS_POPUP | WS_VISIBLE,
                        300, 300, 80, 80, nullptr, nullptr, counting.hInstance, nullptr);
  CHECK(target != nullptr);
  ::SetForegroundWindow(target);
  Pump();
  Win32PointerInput pointer;
  CHECK(pointer.SetCursorPos({340, 340}));
  static constexpr std::array<std::uint32_t, 4> kDouble{kLeftButtonDown, kLeftButtonUp,
                                                        kLeftButtonDown, kLeftButtonUp};
  CHECK(pointer.MouseEvents(kDouble) == kDouble.size());
  CHECK(pointer.MouseEvents(std::span(kDouble).first(2)) == 2);
  // The pointer moved away after the move, before the press: the click still lands at its
  // point, at every pixel of the target's edges (the rounding of the absolute position).
  for (const Point point : {Point{340, 340}, Point{300, 300}, Point{379, 379}, Point{300, 379}}) {
    CHECK(pointer.SetCursorPos(point));
    CHECK(::SetCursorPos(20, 20));
    CHECK(pointer.MouseEventsAt(point, std::span(kDouble).first(2)) == 2);
  }
  // Every event is taken by the window before it goes, so none is left for another test.
  const ULONGLONG deadline = ::GetTickCount64() + 3000;
  while ((presses < 7 || releases < 7) && ::GetTickCount64() < deadline) {
    Pump();
    ::Sleep(10);
  }
  CHECK(presses == 7);
  CHECK(releases == 7);
  ::DestroyWindow(target);
  Pump();
}
