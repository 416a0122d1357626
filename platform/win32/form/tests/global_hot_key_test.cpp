// The stop key on Windows: held only between Hold and Release, a press reaching the handler
// through the message loop, and the answer when another window holds the key first.
#include <windows.h>

#include <string>

#include "check.h"
#include "global_hot_key.h"

using namespace clickora::platform;
using namespace clickora::platform::win32;

namespace {

// Whether anyone holds F6: a window of the test that tries to take it gives it back at once.
bool F6IsFree() {
  if (!::RegisterHotKey(nullptr, 0x7001, MOD_NOREPEAT, VK_F6)) return false;
  ::UnregisterHotKey(nullptr, 0x7001);
  return true;
}

void PressF6() {
  INPUT keys[2]{};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = VK_F6;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ::SendInput(2, keys, sizeof(INPUT));
}

// Runs the thread's messages for up to ms milliseconds or until done says so.
template <typename Done>
bool PumpUntil(Done done, DWORD ms) {
  const ULONGLONG deadline = ::GetTickCount64() + ms;
  MSG message{};
  while (!done()) {
    if (::GetTickCount64() >= deadline) return false;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    ::Sleep(10);
  }
  return true;
}

}  // namespace

TEST_CASE("the stop key is held from Hold to Release, and a press runs the handler") {
  CHECK(F6IsFree());
  Win32GlobalHotKey key;
  int presses = 0;
  const HotKeyResult held = key.Hold("{F6}", [&] { ++presses; });
  CHECK(held.ok());
  CHECK(key.Held());
  CHECK(key.Handle() != nullptr);
  CHECK(!F6IsFree());  // nobody else gets F6 during a run

  PressF6();
  CHECK(PumpUntil([&] { return presses == 1; }, 3000));
  // Holding again replaces the handler; the key stays held.
  int second = 0;
  CHECK(key.Hold("{f6}", [&] { ++second; }).ok());
  PressF6();
  CHECK(PumpUntil([&] { return second == 1; }, 3000));
  CHECK_EQ(presses, 1);

  key.Release();
  CHECK(!key.Held());
  CHECK(F6IsFree());  // given back at the end of the run
  PressF6();
  PumpUntil([] { return false; }, 300);
  CHECK_EQ(second, 1);  // a press after the end reaches nobody here
  key.Release();        // releasing twice does nothing
  CHECK(F6IsFree());
}

TEST_CASE("a handler that releases the key, as the stop does, runs to its end") {
  Win32GlobalHotKey key;
  int presses = 0;
  CHECK(key.Hold("{F6}",
                 [&] {
                   key.Release();
                   ++presses;
                 })
            .ok());
  PressF6();
  CHECK(PumpUntil([&] { return presses == 1; }, 3000));
  CHECK(!key.Held());
  CHECK(F6IsFree());
  // A WM_HOTKEY that was still queued when the key went back is no press.
  ::PostMessageW(key.Handle(), WM_HOTKEY, 1, MAKELPARAM(0, VK_F6));
  PumpUntil([] { return false; }, 100);
  CHECK_EQ(presses, 1);
}

TEST_CASE("F6 held by another window is taken; the key strings that name no single key fail") {
  const HWND other = ::CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                       nullptr, ::GetModuleHandleW(nullptr), nullptr);
  CHECK(other != nullptr);
  CHECK(::RegisterHotKey(other, 1, MOD_NOREPEAT, VK_F6) != FALSE);
  Win32GlobalHotKey key;
  const HotKeyResult taken = key.Hold("{F6}", [] {});
  CHECK(taken.failure == HotKeyResult::Failure::kTaken);
  CHECK(!taken.detail.empty());
  CHECK(!key.Held());
  ::UnregisterHotKey(other, 1);
  ::DestroyWindow(other);
  CHECK(key.Hold("{F6}", [] {}).ok());  // free again: the next run has it
  key.Release();

  for (const char* keys : {"", "a", "{F6}{F7}", "{F6", "^{F6}x"}) {
    const HotKeyResult result = key.Hold(keys, [] {});
    CHECK(result.failure == HotKeyResult::Failure::kUnavailable);
    CHECK(!key.Held());
  }
  CHECK(F6IsFree());
}
