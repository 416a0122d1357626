#include <windows.h>

#include "key_string.h"
#include "platform/win32/desktop_services.h"
#include "platform/win32/module_path.h"
#include "win_text.h"

namespace clickora::platform::win32 {
namespace {

constexpr UINT kHelpDisplayTopic = 0;  // HH_DISPLAY_TOPIC

std::string LocaleText(LCTYPE type, const char* fallback) {
  wchar_t buffer[16] = {};
  const int length = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 16);
  if (length <= 1) return fallback;
  return Narrow(std::wstring_view(buffer, static_cast<std::size_t>(length - 1)));
}

}  // namespace

std::string Win32ProgramServices::ProgramFolder() {
  // A program in a drive's root keeps "C:" without its separator, as the folder rule asks.
  std::wstring folder;
  if (FAILED(ModuleFolder(nullptr, folder))) return {};
  return Narrow(folder);
}

void Win32ProgramServices::SetApplicationTitle(std::string_view title) {
  title_ = Widen(title);
}

void Win32ProgramServices::SetHelpFile(std::string_view path) {
  help_file_ = Widen(path);
}

void Win32ProgramServices::SendKeysNoWait(std::string_view keys) {
  if (!main_window_) return;
  for (const KeyStroke& stroke : ParseKeyString(keys)) {
    if (stroke.kind == KeyStroke::Kind::kVirtualKey) {
      const auto scan = static_cast<LPARAM>(::MapVirtualKeyW(stroke.code, MAPVK_VK_TO_VSC)) << 16;
      ::PostMessageW(main_window_, WM_KEYDOWN, stroke.code, scan | 1);
      ::PostMessageW(main_window_, WM_KEYUP, stroke.code, scan | 1 | (LPARAM{3} << 30));
    } else {
      ::PostMessageW(main_window_, WM_CHAR, stroke.code, 1);
    }
  }
}

void Win32ProgramServices::ShowMessage(std::string_view text) {
  ::MessageBoxW(main_window_, Widen(text).c_str(), title_.c_str(), MB_OK);
}

numbers::NumberFormat Win32ProgramServices::UserNumberFormat() {
  return {LocaleText(LOCALE_SDECIMAL, "."), LocaleText(LOCALE_STHOUSAND, ",")};
}

void Win32ProgramServices::EndProgram(int exit_code) {
  // At once: no window is closed first and no further event is dispatched; the system closes
  // files and windows with the process.
  ::ExitProcess(static_cast<UINT>(exit_code));
}

void Win32ProgramServices::ShowHelp() {
  if (help_file_.empty()) return;
  if (!html_help_) {
    if (!help_library_.Loaded()) help_library_ = SystemLibrary(L"hhctrl.ocx");
    html_help_ = help_library_.Entry<HtmlHelpFunction>("HtmlHelpW");
  }
  if (!html_help_) {
    ShowMessage("เปิดคู่มือไม่ได้ เครื่องนี้ไม่มีตัวเปิดคู่มือ (hhctrl.ocx): " + Narrow(help_file_));
    return;
  }
  // The viewer reports a damaged file itself; the program goes on beside it.
  if (html_help_(main_window_, help_file_.c_str(), kHelpDisplayTopic, 0)) return;
  // NOTE: for a file that is not there at all the viewer returns without a word on some
  // systems (Wine among them); the user is told rather than left with nothing happening.
  if (::GetFileAttributesW(help_file_.c_str()) == INVALID_FILE_ATTRIBUTES) {
    ShowMessage("ไม่พบคู่มือการใช้งาน " + Narrow(help_file_) + ": " + SystemErrorText(::GetLastError()));
  }
}

}  // namespace clickora::platform::win32
