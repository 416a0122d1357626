// Another program of the desktop that holds F6, for the stop key's end-to-end tests.
//
//   stop_key_holder.exe
//
// Takes F6 with RegisterHotKey and, once it has it, shows a small window titled "Clickora stop
// key holder" until it is ended by its process id. When F6 is held already it prints "taken" and
// ends with status 1, so a test can also ask whether a program gave the key back.

#include <windows.h>

#include <cstdio>

namespace {

constexpr wchar_t kClassName[] = L"ClickoraStopKeyHolder";
constexpr wchar_t kTitle[] = L"Clickora stop key holder";

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int main() {
  if (!::RegisterHotKey(nullptr, 1, MOD_NOREPEAT, VK_F6)) {
    std::printf("taken (error %lu)\n", ::GetLastError());
    return 1;
  }
  std::printf("holding F6\n");
  std::fflush(stdout);
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kClassName;
  if (!::RegisterClassExW(&window_class)) return 2;
  // Out of the way of the program's window and of the click target.
  if (!::CreateWindowExW(0, kClassName, kTitle, WS_POPUP | WS_BORDER | WS_VISIBLE, 0, 700, 120, 40,
                         nullptr, nullptr, instance, nullptr)) {
    return 2;
  }
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  ::UnregisterHotKey(nullptr, 1);
  return 0;
}
