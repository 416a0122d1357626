// A window that the end-to-end tests aim tapvane's clicks at. Wine delivers synthesised input only
// to Wine windows, so the target has to be a Windows program too.
//
//   click_target.exe LOG LEFT TOP WIDTH HEIGHT [times]
//
// Shows a popup window titled "Clickora click target" at LEFT, TOP (screen pixels) and appends one
// line per left-button message to LOG: "down X Y", "up X Y" or "dblclk X Y", with the point in
// screen pixels. With "times", each line ends with the message's time in milliseconds (the time
// the input was put into the system, not the time the target got round to it). The class asks for
// double clicks, so the second press of a double click arrives as "dblclk". A key pressed while
// the target has the keyboard focus adds "key VK" (the virtual key in decimal). The tests end the
// program by its process id.

#include <windows.h>
// shellapi.h needs the types of windows.h.
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>

namespace {

constexpr wchar_t kClassName[] = L"ClickoraClickTarget";
constexpr wchar_t kTitle[] = L"Clickora click target";

std::wstring g_log_path;
bool g_log_times = false;

struct FileCloser {
  void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

struct LocalFreer {
  void operator()(wchar_t** memory) const noexcept { ::LocalFree(memory); }
};

void LogKey(WPARAM virtual_key) {
  UniqueFile file(_wfopen(g_log_path.c_str(), L"ab"));
  if (!file) return;
  std::fprintf(file.get(), "key %u\n", static_cast<unsigned>(virtual_key));
}

void LogEvent(const char* kind, HWND window, LPARAM lparam) {
  POINT point{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
  ::ClientToScreen(window, &point);
  // Opened per event, so that the log is complete whenever the test reads it.
  UniqueFile file(_wfopen(g_log_path.c_str(), L"ab"));
  if (!file) return;
  if (g_log_times) {
    std::fprintf(file.get(), "%s %ld %ld %ld\n", kind, point.x, point.y, ::GetMessageTime());
  } else {
    std::fprintf(file.get(), "%s %ld %ld\n", kind, point.x, point.y);
  }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_LBUTTONDOWN:
      LogEvent("down", window, lparam);
      return 0;
    case WM_LBUTTONUP:
      LogEvent("up", window, lparam);
      return 0;
    case WM_LBUTTONDBLCLK:
      LogEvent("dblclk", window, lparam);
      return 0;
    case WM_KEYDOWN:
      LogKey(wparam);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

int main() {
  // Pixels as the screen has them, whatever the system's DPI: the tests compare them with what
  // tapvane, which is DPI aware, reads out and clicks.
  ::SetProcessDPIAware();
  int argc = 0;
  std::unique_ptr<wchar_t*, LocalFreer> argv(::CommandLineToArgvW(::GetCommandLineW(), &argc));
  if (!argv || argc < 6 || argc > 7 || (argc == 7 && std::wcscmp(argv.get()[6], L"times") != 0)) {
    std::fputs("usage: click_target.exe LOG LEFT TOP WIDTH HEIGHT [times]\n", stderr);
    return 2;
  }
  g_log_times = argc == 7;
  g_log_path = argv.get()[1];
  const int left = std::wcstol(argv.get()[2], nullptr, 10);
  const int top = std::wcstol(argv.get()[3], nullptr, 10);
  const int width = std::wcstol(argv.get()[4], nullptr, 10);
  const int height = std::wcstol(argv.get()[5], nullptr, 10);

  // Start from an empty log, so that every line in it belongs to this run.
  UniqueFile log(_wfopen(g_log_path.c_str(), L"wb"));
  if (!log) {
    std::fputs("click_target: cannot create the log file\n", stderr);
    return 1;
  }
  log.reset();

  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_DBLCLKS;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  // An orange surface that is easy to spot in a screenshot.
  window_class.hbrBackground = ::CreateSolidBrush(RGB(255, 160, 40));
  window_class.lpszClassName = kClassName;
  if (!::RegisterClassExW(&window_class)) {
    std::fputs("click_target: RegisterClassExW failed\n", stderr);
    return 1;
  }
  const HWND window =
      ::CreateWindowExW(0, kClassName, kTitle, WS_POPUP | WS_BORDER | WS_VISIBLE, left, top, width,
                        height, nullptr, nullptr, instance, nullptr);
  if (!window) {
    std::fputs("click_target: CreateWindowExW failed\n", stderr);
    return 1;
  }
  std::printf("click_target: ready\n");
  std::fflush(stdout);

  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return 0;
}
