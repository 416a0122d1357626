// Reads the state of Wine windows for the end-to-end tests. Only top-level Wine windows are X
// windows, so the texts of controls can only be had from inside Wine. Run it under the same
// wineserver as the program it looks at.
//
//   probe.exe wait TITLE MS    waits up to MS milliseconds for a visible top-level window TITLE
//   probe.exe gone TITLE MS    waits up to MS milliseconds until no window TITLE is left
//   probe.exe texts TITLE      the window's rectangles and every child control with its text
//   probe.exe close TITLE      posts WM_CLOSE to the window
//   probe.exe tips TITLE       the tooltip text of every button and text box, by its place
//   probe.exe list             every visible top-level window
//   probe.exe active           the caption of the active (foreground) window
//   probe.exe focus TITLE      the child control of the window that has the keyboard focus
//   probe.exe show TITLE HOW   minimizes (HOW min) or restores (HOW restore) the window
//   probe.exe hit TITLE X Y    the window's hit-test code at the screen point (11 right border,
//   ...) probe.exe clip TEXT [N]    puts TEXT, repeated N times, on the clipboard as Unicode text
//   probe.exe hold PATH MS     opens PATH for reading, shared with nobody, for MS milliseconds
//   probe.exe post CLASS MSG WPARAM  posts message MSG (a number) with WPARAM to the top-level
//                              window of class CLASS, shown or not
//   probe.exe execstate TITLE  the execution state (ES_* flags) of the process of window TITLE
//   probe.exe serve            reads one command a line on stdin (the words above, separated by
//                              tabs) and answers each with its records and a line "end STATUS";
//                              texts are escaped (\\, \t, \n, \r) so that a record is one line
//
// TITLE matches a caption exactly; a TITLE ending in '*' matches captions that begin with the rest.
// Output is UTF-8, one record a line, fields separated by tabs; coordinates are pixels, children
// relative to the top-level window's client area. The window record ends with its state (normal,
// minimized or maximized); a child record ends, after its text, with its control id and 1 when it
// has the keyboard focus; a tip record with the button's control id. Exit status: 0 done, 1 window
// (or file) not found, 2 usage.

#include <windows.h>
// commctrl.h and shellapi.h need the types of windows.h.
#include <commctrl.h>
#include <shellapi.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct LocalFreer {
  void operator()(wchar_t** memory) const noexcept { ::LocalFree(memory); }
};

std::string ToUtf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                        nullptr, nullptr);
  return result;
}

// Serving, answers are gathered and written whole, and texts are escaped to stay on one line.
bool g_serving = false;
std::string g_answer;

// Raw bytes to the standard output, so that the C runtime neither translates line ends nor
// re-encodes the UTF-8.
void WriteOut(const std::string& bytes) {
  const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD written = 0;
  ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void Print(const std::string& line) {
  if (g_serving) {
    g_answer += line;
    g_answer += '\n';
    return;
  }
  WriteOut(line + "\n");
}

// A text field of a record.
std::string Field(std::wstring_view text) {
  std::string utf8 = ToUtf8(text);
  if (!g_serving) return utf8;
  std::string escaped;
  escaped.reserve(utf8.size());
  for (const char c : utf8) {
    switch (c) {
      case '\\':
        escaped += "\\\\";
        break;
      case '\t':
        escaped += "\\t";
        break;
      case '\n':
        escaped += "\\n";
        break;
      case '\r':
        escaped += "\\r";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::wstring WindowText(HWND window) {
  // WM_GETTEXT rather than GetWindowTextW: the latter does not read controls of other processes.
  const LRESULT length = ::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied =
      ::SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  ::GetClassNameW(window, name, 256);
  return name;
}

bool TitleMatches(const std::wstring& caption, std::wstring_view pattern) {
  if (!pattern.empty() && pattern.back() == L'*') {
    pattern.remove_suffix(1);
    return std::wstring_view(caption).substr(0, pattern.size()) == pattern;
  }
  return caption == pattern;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> windows;
  ::EnumWindows(
      [](HWND window, LPARAM context) CALLBACK -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

HWND FindTopLevel(std::wstring_view pattern, bool visible_only) {
  for (HWND window : TopLevelWindows()) {
    if (visible_only && !::IsWindowVisible(window)) continue;
    if (TitleMatches(WindowText(window), pattern)) return window;
  }
  return nullptr;
}

std::string Join(const std::vector<std::string>& fields) {
  std::string line;
  for (const std::string& field : fields) {
    if (!line.empty()) line += '\t';
    line += field;
  }
  return line;
}

std::string Num(long value) {
  return std::to_string(value);
}

int Wait(std::wstring_view pattern, long milliseconds, bool want_present) {
  const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
  for (;;) {
    const bool present = FindTopLevel(pattern, want_present) != nullptr;
    if (present == want_present) {
      Print(want_present ? "found" : "gone");
      return 0;
    }
    if (::GetTickCount64() >= deadline) {
      Print(want_present ? "not found" : "still there");
      return 1;
    }
    ::Sleep(50);
  }
}

const char* StateName(HWND window) {
  if (::IsIconic(window)) return "minimized";
  if (::IsZoomed(window)) return "maximized";
  return "normal";
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

void PrintChild(HWND child, POINT origin, HWND focus) {
  RECT rect{};
  ::GetWindowRect(child, &rect);
  const std::wstring class_name = ClassName(child);
  char checked = '-';
  const LONG_PTR style = ::GetWindowLongPtrW(child, GWL_STYLE);
  const LONG_PTR kind = style & BS_TYPEMASK;
  if (::lstrcmpiW(class_name.c_str(), L"Button") == 0 &&
      (kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON || kind == BS_CHECKBOX ||
       kind == BS_AUTOCHECKBOX)) {
    checked = ::SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED ? '1' : '0';
  }
  Print(Join({"child", Field(class_name), Num(rect.left - origin.x), Num(rect.top - origin.y),
              Num(rect.right - rect.left), Num(rect.bottom - rect.top),
              ::IsWindowVisible(child) ? "1" : "0", ::IsWindowEnabled(child) ? "1" : "0",
              std::string(1, checked), Field(WindowText(child)), Num(::GetDlgCtrlID(child)),
              child == focus ? "1" : "0"}));
}

// The execution state of the process that owns window, read by a thread of that process: Wine
// keeps one state for the whole process, and a request without ES_CONTINUOUS changes nothing
// while a continuous one is set. (Windows keeps it per thread: there this reads nothing.)
int ExecutionState(HWND window) {
  DWORD process_id = 0;
  ::GetWindowThreadProcessId(window, &process_id);
  const HANDLE process =
      ::OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION |
                        PROCESS_VM_WRITE | PROCESS_VM_READ,
                    FALSE, process_id);
  if (process == nullptr) return 1;
  // NOTE: kernel32 lies at the same address in every process of the prefix; the function takes
  // its one argument where a thread's start routine does.
  const auto generic = reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetThreadExecutionState"));
  const auto start = reinterpret_cast<LPTHREAD_START_ROUTINE>(generic);
  const HANDLE thread = ::CreateRemoteThread(
      process, nullptr, 0, start,
      reinterpret_cast<void*>(static_cast<ULONG_PTR>(ES_SYSTEM_REQUIRED)), 0, nullptr);
  DWORD state = 0;
  const bool read = thread != nullptr && ::WaitForSingleObject(thread, 5000) == WAIT_OBJECT_0 &&
                    ::GetExitCodeThread(thread, &state);
  if (thread != nullptr) ::CloseHandle(thread);
  ::CloseHandle(process);
  if (!read) return 1;
  Print(std::to_string(state));
  return 0;
}

int Usage() {
  Print(
      "usage: probe.exe wait|gone TITLE MS | texts|close|focus|tips TITLE | show TITLE min|restore "
      "| "
      "hit TITLE X Y | clip TEXT [N] | hold PATH MS | post CLASS MSG WPARAM | execstate TITLE | "
      "list | active | serve");
  return 2;
}

int Texts(HWND window) {
  RECT outer{};
  ::GetWindowRect(window, &outer);
  RECT client{};
  ::GetClientRect(window, &client);
  POINT origin{0, 0};
  ::ClientToScreen(window, &origin);
  Print(Join({"window", Num(outer.left), Num(outer.top), Num(outer.right), Num(outer.bottom),
              Num(origin.x), Num(origin.y), Num(client.right), Num(client.bottom),
              Field(WindowText(window)), StateName(window)}));

  struct Context {
    POINT origin;
    HWND focus;
  } context{origin, FocusOf(window)};
  ::EnumChildWindows(
      window,
      [](HWND child, LPARAM param) CALLBACK -> BOOL {
        const auto& where = *reinterpret_cast<const Context*>(param);
        PrintChild(child, where.origin, where.focus);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&context));
  return 0;
}

// The focus belongs to the window's thread; another process sees it through the thread's GUI
// state.
int Focus(HWND window) {
  const HWND focus = FocusOf(window);
  if (!focus) {
    Print("none");
    return 0;
  }
  POINT origin{0, 0};
  ::ClientToScreen(window, &origin);
  if (focus == window) {
    Print("window");
    return 0;
  }
  PrintChild(focus, origin, focus);
  return 0;
}

int Show(HWND window, std::wstring_view how) {
  int command = 0;
  if (how == L"min") command = SW_MINIMIZE;
  if (how == L"restore") command = SW_RESTORE;
  if (command == 0) return Usage();
  ::ShowWindow(window, command);
  return 0;
}

int Clip(std::wstring_view text, long repeat) {
  std::wstring all;
  for (long i = 0; i < repeat; ++i) all += text;
  const std::size_t bytes = (all.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!memory) return 1;
  void* data = ::GlobalLock(memory);
  std::memcpy(data, all.c_str(), bytes);
  ::GlobalUnlock(memory);
  if (!::OpenClipboard(nullptr)) {
    ::GlobalFree(memory);
    return 1;
  }
  ::EmptyClipboard();
  // The clipboard owns the memory once it has taken it.
  if (!::SetClipboardData(CF_UNICODETEXT, memory)) ::GlobalFree(memory);
  ::CloseClipboard();
  Print("copied");
  return 0;
}

int Hold(const wchar_t* path, long milliseconds) {
  const HANDLE file =
      ::CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Print("cannot open");
    return 1;
  }
  Print("held");
  ::Sleep(static_cast<DWORD>(milliseconds));
  ::CloseHandle(file);
  return 0;
}

struct HandleCloser {
  void operator()(HANDLE handle) const noexcept { ::CloseHandle(handle); }
};

// Memory in another process, for messages whose answer is written through a pointer.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, SIZE_T size)
      : process_(process),
        address_(
            ::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
  ~RemoteBuffer() {
    if (address_) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  char* Address() const { return static_cast<char*>(address_); }
  bool Write(SIZE_T offset, const void* data, SIZE_T size) const {
    return ::WriteProcessMemory(process_, Address() + offset, data, size, nullptr) != FALSE;
  }
  bool Read(SIZE_T offset, void* data, SIZE_T size) const {
    return ::ReadProcessMemory(process_, Address() + offset, data, size, nullptr) != FALSE;
  }

 private:
  HANDLE process_;
  void* address_;
};

// A tooltip keeps its texts in the process that owns it, and TTM_GETTEXT answers through a
// pointer: the question and the answer go through memory allocated in that process.
int Tips(HWND window) {
  DWORD process_id = 0;
  ::GetWindowThreadProcessId(window, &process_id);
  std::unique_ptr<void, HandleCloser> process(
      ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process_id));
  if (!process) return 1;
  constexpr SIZE_T kChars = 2048;
  const RemoteBuffer remote(process.get(), sizeof(TTTOOLINFOW) + kChars * sizeof(wchar_t));
  if (!remote.Address()) return 1;

  std::vector<HWND> tips;
  for (HWND top : TopLevelWindows()) {
    if (::lstrcmpiW(ClassName(top).c_str(), TOOLTIPS_CLASSW) == 0 &&
        ::GetWindow(top, GW_OWNER) == window) {
      tips.push_back(top);
    }
  }
  std::vector<HWND> buttons;
  ::EnumChildWindows(
      window,
      [](HWND child, LPARAM param) CALLBACK -> BOOL {
        if (::lstrcmpiW(ClassName(child).c_str(), L"Button") == 0 ||
            ::lstrcmpiW(ClassName(child).c_str(), L"Edit") == 0) {
          reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&buttons));
  POINT origin{0, 0};
  ::ClientToScreen(window, &origin);
  for (HWND button : buttons) {
    std::wstring text;
    for (HWND tip : tips) {
      TTTOOLINFOW info{};
      info.cbSize = TTTOOLINFOW_V2_SIZE;
      info.uFlags = TTF_IDISHWND;
      info.hwnd = window;
      info.uId = reinterpret_cast<UINT_PTR>(button);
      info.lpszText = reinterpret_cast<wchar_t*>(remote.Address() + sizeof(TTTOOLINFOW));
      const wchar_t nothing = L'\0';
      if (!remote.Write(0, &info, sizeof info) ||
          !remote.Write(sizeof(TTTOOLINFOW), &nothing, sizeof nothing)) {
        return 1;
      }
      DWORD_PTR answer = 0;
      ::SendMessageTimeoutW(tip, TTM_GETTEXTW, kChars, reinterpret_cast<LPARAM>(remote.Address()),
                            SMTO_ABORTIFHUNG, 5000, &answer);
      std::wstring read(kChars, L'\0');
      if (!remote.Read(sizeof(TTTOOLINFOW), read.data(), kChars * sizeof(wchar_t))) return 1;
      read.resize(std::wcslen(read.c_str()));
      if (!read.empty()) text = read;
    }
    RECT rect{};
    ::GetWindowRect(button, &rect);
    Print(Join({"tip", Num(rect.left - origin.x), Num(rect.top - origin.y), Field(text),
                Num(::GetDlgCtrlID(button))}));
  }
  return 0;
}

int List() {
  for (HWND window : TopLevelWindows()) {
    if (!::IsWindowVisible(window)) continue;
    RECT rect{};
    ::GetWindowRect(window, &rect);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    Print(Join({"top", Field(ClassName(window)), Num(rect.left), Num(rect.top), Num(rect.right),
                Num(rect.bottom), Num(static_cast<long>(process)), Field(WindowText(window))}));
  }
  return 0;
}

std::wstring FromUtf8(std::string_view text) {
  if (text.empty()) return {};
  const int size =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring result(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                        size);
  return result;
}

long Number(const std::wstring& text) {
  return std::wcstol(text.c_str(), nullptr, 10);
}

// One command: args[0] is the command word.
int Run(const std::vector<std::wstring>& args) {
  const std::size_t count = args.size();
  if (count < 1) return Usage();
  const std::wstring_view command = args[0];

  if (command == L"list") return List();
  if (command == L"active") {
    const HWND active = ::GetForegroundWindow();
    Print(Join({"active", active ? Field(WindowText(active)) : ""}));
    return 0;
  }
  if (count < 2) return Usage();
  const std::wstring& title = args[1];
  if (command == L"clip") return Clip(title, count >= 3 ? Number(args[2]) : 1);
  if (command == L"hold") {
    if (count < 3) return Usage();
    return Hold(title.c_str(), Number(args[2]));
  }
  if (command == L"wait" || command == L"gone") {
    if (count < 3) return Usage();
    return Wait(title, Number(args[2]), command == L"wait");
  }

  if (command == L"post") {
    if (count < 4) return Usage();
    const HWND target = ::FindWindowW(title.c_str(), nullptr);
    if (!target) {
      Print("not found");
      return 1;
    }
    return ::PostMessageW(target, static_cast<UINT>(Number(args[2])),
                          static_cast<WPARAM>(Number(args[3])), 0)
               ? 0
               : 1;
  }

  HWND window = FindTopLevel(title, true);
  if (!window) window = FindTopLevel(title, false);
  if (!window) {
    Print("not found");
    return 1;
  }
  if (command == L"texts") return Texts(window);
  if (command == L"tips") return Tips(window);
  if (command == L"close") return ::PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
  if (command == L"focus") return Focus(window);
  if (command == L"execstate") return ExecutionState(window);
  if (command == L"show" && count >= 3) return Show(window, args[2]);
  if (command == L"hit" && count >= 4) {
    const LPARAM point = MAKELPARAM(Number(args[2]) & 0xFFFF, Number(args[3]) & 0xFFFF);
    Print(Num(static_cast<long>(::SendMessageW(window, WM_NCHITTEST, 0, point))));
    return 0;
  }
  return Usage();
}

// The persistent mode: one Wine start for the whole of a test instead of one for every read.
int Serve() {
  g_serving = true;
  const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
  std::string pending;
  char buffer[4096];
  for (;;) {
    std::size_t end = pending.find('\n');
    while (end == std::string::npos) {
      DWORD read = 0;
      if (!::ReadFile(in, buffer, sizeof buffer, &read, nullptr) || read == 0) return 0;
      pending.append(buffer, read);
      end = pending.find('\n');
    }
    std::string line = pending.substr(0, end);
    pending.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::wstring> args;
    std::size_t start = 0;
    for (;;) {
      const std::size_t tab = line.find('\t', start);
      args.push_back(FromUtf8(std::string_view(line).substr(start, tab - start)));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    if (args.size() == 1 && args[0] == L"quit") return 0;
    g_answer.clear();
    const int status = Run(args);
    g_answer += "end\t" + Num(status) + "\n";
    WriteOut(g_answer);
  }
}

}  // namespace

int main() {
  // Pixels as the screen has them, whatever the system's DPI: the tests compare them with what
  // tapvane, which is DPI aware, reads out and clicks.
  ::SetProcessDPIAware();
  int argc = 0;
  std::unique_ptr<wchar_t*, LocalFreer> argv(::CommandLineToArgvW(::GetCommandLineW(), &argc));
  if (!argv || argc < 2) return Usage();
  std::vector<std::wstring> args(argv.get() + 1, argv.get() + argc);
  if (args[0] == L"serve") return Serve();
  return Run(args);
}
