// readout_floor.exe: the least a Win32 program can do for tapvane's read-out, as the benchmark's
// yardstick. One window, two edit boxes, a 1 ms window timer, and per tick one cursor query and one
// time-of-day text, written into the boxes. It links user32 and kernel32 only: whatever tapvane
// loads or spends beyond this is its own.
#include <windows.h>

#include <cwchar>

namespace {

constexpr UINT_PTR kReadoutTimer = 1;
constexpr int kEditId = 100;

struct Boxes {
  HWND position = nullptr;
  HWND time = nullptr;
};

Boxes boxes;

void ReadOut() {
  POINT point{0, 0};
  ::GetCursorPos(&point);
  wchar_t text[64];
  std::swprintf(text, 64, L" x : %ld , y :  %ld", point.x, point.y);
  ::SetWindowTextW(boxes.position, text);
  if (::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, nullptr, nullptr, text, 64) > 0)
    ::SetWindowTextW(boxes.time, text);
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE: {
      const HINSTANCE instance = reinterpret_cast<CREATESTRUCTW*>(lparam)->hInstance;
      auto edit = [&](int top, int id) {
        return ::CreateWindowExW(
            WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_LEFT, 8, top, 200, 22,
            window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
      };
      boxes.position = edit(8, kEditId);
      boxes.time = edit(40, kEditId + 1);
      ::SetTimer(window, kReadoutTimer, 1, nullptr);
      return 0;
    }
    case WM_TIMER:
      if (wparam == kReadoutTimer) ReadOut();
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = WindowProcedure;
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = L"ReadoutFloor";
  if (!::RegisterClassExW(&window_class)) return 1;
  const HWND window =
      ::CreateWindowExW(0, window_class.lpszClassName, L"readout floor",
                        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                        CW_USEDEFAULT, 248, 333, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  ::ShowWindow(window, show);
  MSG message{};
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
