#include "session_state.h"

#include <wtsapi32.h>

#include <array>
#include <string>

namespace clickora::platform::win32 {
namespace {

constexpr wchar_t kSessionWatchClass[] = L"ClickoraSessionWatch";

// NOTE: MinGW's wtsapi32.h lacks the WTSSessionInfoEx class and its record; these are the
// layouts of the Windows SDK.
constexpr int kWtsSessionInfoEx = 25;  // WTS_INFO_CLASS::WTSSessionInfoEx
constexpr LONG kWtsSessionStateLock = 0;
struct WtsInfoExLevel1 {
  ULONG SessionId;
  WTS_CONNECTSTATE_CLASS SessionState;
  LONG SessionFlags;
  WCHAR WinStationName[WINSTATIONNAME_LENGTH + 1];
  WCHAR UserName[USERNAME_LENGTH + 1];
  WCHAR DomainName[DOMAIN_LENGTH + 1];
  LARGE_INTEGER LogonTime;
  LARGE_INTEGER ConnectTime;
  LARGE_INTEGER DisconnectTime;
  LARGE_INTEGER LastInputTime;
  LARGE_INTEGER CurrentTime;
  DWORD IncomingBytes;
  DWORD OutgoingBytes;
  DWORD IncomingFrames;
  DWORD OutgoingFrames;
  DWORD IncomingCompressedBytes;
  DWORD OutgoingCompressedBytes;
};
struct WtsInfoEx {
  DWORD Level;
  WtsInfoExLevel1 Level1;
};

using RegisterFunction = BOOL(WINAPI*)(HWND, DWORD);
using UnregisterFunction = BOOL(WINAPI*)(HWND);
using QueryFunction = BOOL(WINAPI*)(HANDLE, DWORD, int, LPWSTR*, DWORD*);
using FreeFunction = void(WINAPI*)(void*);

HINSTANCE ProgramInstance() {
  return ::GetModuleHandleW(nullptr);
}

std::wstring DesktopName(HDESK desktop) {
  std::array<wchar_t, 256> name{};
  DWORD needed = 0;
  if (!::GetUserObjectInformationW(desktop, UOI_NAME, name.data(),
                                   static_cast<DWORD>(name.size() * sizeof(wchar_t)), &needed)) {
    return {};
  }
  return name.data();
}

}  // namespace

bool InputOnAnotherDesktop() {
  UniqueHandle<HDESK, &::CloseDesktop> input(::OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS));
  if (!input) return true;
  const std::wstring ours = DesktopName(::GetThreadDesktop(::GetCurrentThreadId()));
  const std::wstring theirs = DesktopName(input.Get());
  return !ours.empty() && !theirs.empty() && _wcsicmp(ours.c_str(), theirs.c_str()) != 0;
}

Win32SessionState::~Win32SessionState() {
  if (registered_) {
    if (const auto unregister =
            wtsapi_.Entry<UnregisterFunction>("WTSUnRegisterSessionNotification")) {
      unregister(window_.Get());
    }
  }
  window_.Reset();  // while this object can still answer the window's last messages
}

LRESULT CALLBACK Win32SessionState::WindowProcedure(HWND window, UINT message, WPARAM wparam,
                                                    LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32SessionState*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self != nullptr) {
    if (message == WM_WTSSESSION_CHANGE) {
      if (wparam == WTS_SESSION_LOCK) self->locked_ = true;
      if (wparam == WTS_SESSION_UNLOCK) self->locked_ = false;
      return 0;
    }
    // Every wake-up brings PBT_APMRESUMEAUTOMATIC, with or without a user at the machine.
    if (message == WM_POWERBROADCAST) {
      if (wparam == PBT_APMRESUMEAUTOMATIC) ++self->wakes_;
      return TRUE;
    }
  }
  if (message == WM_NCDESTROY) ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  return ::DefWindowProcW(window, message, wparam, lparam);
}

bool Win32SessionState::LockedAtStart() {
  const auto query = wtsapi_.Entry<QueryFunction>("WTSQuerySessionInformationW");
  const auto free = wtsapi_.Entry<FreeFunction>("WTSFreeMemory");
  if (query == nullptr || free == nullptr) return false;
  LPWSTR buffer = nullptr;
  DWORD bytes = 0;
  if (!query(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, kWtsSessionInfoEx, &buffer, &bytes)) {
    return false;  // an older system, or none that says: the desktop check still applies
  }
  bool locked = false;
  if (bytes >= sizeof(WtsInfoEx)) {
    const auto* info = reinterpret_cast<const WtsInfoEx*>(buffer);
    // NOTE: Windows 7 and Server 2008 R2 report the two flag values the other way round; the
    // program needs Windows 10, where they are as documented.
    locked = info->Level == 1 && info->Level1.SessionFlags == kWtsSessionStateLock;
  }
  free(buffer);
  return locked;
}

void Win32SessionState::WatchOnce() {
  if (watching_) return;
  watching_ = true;
  wtsapi_ = SystemLibrary(L"wtsapi32.dll");
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (!::GetClassInfoExW(ProgramInstance(), kSessionWatchClass, &existing)) {
    WNDCLASSEXW watch_class{};
    watch_class.cbSize = sizeof watch_class;
    watch_class.lpfnWndProc = &WindowProcedure;
    watch_class.hInstance = ProgramInstance();
    watch_class.lpszClassName = kSessionWatchClass;
    if (::RegisterClassExW(&watch_class) == 0) return;
  }
  // Top-level and never shown: broadcasts reach it, the user never sees it.
  window_.Reset(::CreateWindowExW(WS_EX_TOOLWINDOW, kSessionWatchClass, L"", WS_POPUP, 0, 0, 0, 0,
                                  nullptr, nullptr, ProgramInstance(), this));
  if (!window_) return;
  if (const auto register_ = wtsapi_.Entry<RegisterFunction>("WTSRegisterSessionNotification")) {
    registered_ = register_(window_.Get(), NOTIFY_FOR_THIS_SESSION) != FALSE;
  }
  locked_ = LockedAtStart();
}

bool Win32SessionState::InputLocked() {
  WatchOnce();
  return locked_ || InputOnAnotherDesktop();
}

std::uint32_t Win32SessionState::Wakes() {
  WatchOnce();
  return wakes_;
}

}  // namespace clickora::platform::win32
