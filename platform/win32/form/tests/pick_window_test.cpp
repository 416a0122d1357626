// The pick popup under real input: it covers the virtual screen above everything, takes the
// click so that the window beneath gets none, reports the press's point in screen pixels, and
// gives the activation back at the end; Esc and the right button cancel.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>

#include "check.h"
#include "pick_window.h"

using namespace clickora::platform;
using namespace clickora::platform::win32;

namespace {

// A plain window that counts the mouse buttons it receives: what the click would have hit.
struct Target {
  static constexpr wchar_t kClass[] = L"ClickoraPickTestTarget";
  static inline int buttons = 0;

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP || message == WM_RBUTTONDOWN ||
        message == WM_RBUTTONUP || message == WM_CONTEXTMENU) {
      ++buttons;
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
  }

  Target() {
    WNDCLASSEXW target_class{};
    target_class.cbSize = sizeof target_class;
    target_class.lpfnWndProc = &Procedure;
    target_class.hInstance = ::GetModuleHandleW(nullptr);
    target_class.lpszClassName = kClass;
    ::RegisterClassExW(&target_class);
    window = ::CreateWindowExW(0, kClass, L"target", WS_POPUP | WS_VISIBLE, 100, 100, 300, 200,
                               nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::SetForegroundWindow(window);
    buttons = 0;
  }
  ~Target() { ::DestroyWindow(window); }
  HWND window = nullptr;
};

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

void Pump(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

// Moves the pointer to (x, y) in screen pixels, then presses and releases a button there.
void ClickAt(int x, int y, DWORD down, DWORD up) {
  ::SetCursorPos(x, y);
  Pump(100);
  INPUT buttons[2]{};
  buttons[0].type = buttons[1].type = INPUT_MOUSE;
  buttons[0].mi.dwFlags = down;
  buttons[1].mi.dwFlags = up;
  ::SendInput(2, buttons, sizeof(INPUT));
}

void PressKey(WORD key) {
  INPUT keys[2]{};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = key;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ::SendInput(2, keys, sizeof(INPUT));
}

struct Pick {
  Win32PickSurface surface;
  std::optional<PickOutcome> outcome;
  void Begin() {
    outcome.reset();
    surface.Begin([this](const PickOutcome& done) { outcome = done; });
  }
  bool Wait() {
    return PumpUntil([this] { return outcome.has_value(); }, 3000);
  }
};

}  // namespace

TEST_CASE("the pick popup covers the virtual screen topmost and takes the left click") {
  Target target;
  Pick pick;
  pick.Begin();
  const HWND popup = pick.surface.Handle();
  CHECK(popup != nullptr);
  if (!popup) {
    if (pick.outcome)
      std::printf("ended at once: %d %s\n", static_cast<int>(pick.outcome->kind),
                  pick.outcome->detail.c_str());
    return;
  }
  RECT rect{};
  ::GetWindowRect(popup, &rect);
  CHECK_EQ(rect.left, ::GetSystemMetrics(SM_XVIRTUALSCREEN));
  CHECK_EQ(rect.top, ::GetSystemMetrics(SM_YVIRTUALSCREEN));
  CHECK_EQ(rect.right - rect.left, ::GetSystemMetrics(SM_CXVIRTUALSCREEN));
  CHECK_EQ(rect.bottom - rect.top, ::GetSystemMetrics(SM_CYVIRTUALSCREEN));
  CHECK((::GetWindowLongPtrW(popup, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
  CHECK(::GetForegroundWindow() == popup);  // Esc reaches it
  Pump(100);
  CHECK(!pick.outcome.has_value());  // waiting for the click

  ClickAt(217, 143, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  CHECK(pick.Wait());
  CHECK(pick.outcome && pick.outcome->kind == PickOutcome::Kind::kPicked);
  CHECK(pick.outcome && pick.outcome->point == (Point{217, 143}));
  Pump(200);
  CHECK_EQ(Target::buttons, 0);  // neither the press nor the release reached the window beneath
  CHECK(pick.surface.Handle() == nullptr);
  CHECK(!::IsWindow(popup));
  CHECK(::GetForegroundWindow() == target.window);  // active again as before the pick
}

TEST_CASE("Esc and the right button cancel the pick, and a new pick can follow") {
  Target target;
  Pick pick;
  const struct {
    const char* name;
    bool escape;
  } cancels[] = {{"Esc", true}, {"right button", false}};
  for (const auto& cancel : cancels) {
    pick.Begin();
    CHECK(pick.surface.Handle() != nullptr);
    Pump(100);
    if (cancel.escape) {
      PressKey(VK_ESCAPE);
    } else {
      ClickAt(150, 150, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    }
    CHECK(pick.Wait());
    CHECK(pick.outcome && pick.outcome->kind == PickOutcome::Kind::kCancelled);
    Pump(200);
    CHECK_EQ(Target::buttons, 0);  // no context menu beneath either
    CHECK(pick.surface.Handle() == nullptr);
    CHECK(::GetForegroundWindow() == target.window);
  }
  // A left click after the cancel is the window's own again.
  ClickAt(150, 150, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  CHECK(PumpUntil([] { return Target::buttons == 2; }, 3000));
}
