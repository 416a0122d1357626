#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/program_services.h"
#include "platform/win32/system_library.h"

namespace clickora::platform::win32 {

// Program services of a Windows program with one main window. The window runtime tells it the
// main window (for message box ownership and queued keys) and asks it to show the help file.
class Win32ProgramServices final : public ProgramServices {
 public:
  std::string ProgramFolder() override;
  void SetHelpFile(std::string_view path) override;
  // Keys go to the program's own main window through its message queue, never to whatever
  // window of another program happens to be in front.
  void SendKeysNoWait(std::string_view keys) override;
  void ShowMessage(std::string_view text) override;
  numbers::NumberFormat UserNumberFormat() override;
  [[noreturn]] void EndProgram(int exit_code) override;

  // The caption of every message box of the program.
  void SetApplicationTitle(std::string_view title);
  void SetMainWindow(HWND window) noexcept { main_window_ = window; }
  // Opens the help file in the HTML Help viewer (hhctrl.ocx from the system folder, loaded on
  // first use).
  void ShowHelp();

 private:
  using HtmlHelpFunction = HWND(WINAPI*)(HWND, const wchar_t*, UINT, DWORD_PTR);

  HWND main_window_ = nullptr;
  std::wstring title_;
  std::wstring help_file_;
  SystemLibrary help_library_;
  HtmlHelpFunction html_help_ = nullptr;
};

// The pointer and the left button through user32, in physical screen pixels (the program is
// per-monitor DPI aware, so reading and moving agree on every monitor).
class Win32PointerInput final : public PointerInput {
 public:
  bool GetCursorPos(Point& point) override;
  bool SetCursorPos(Point point) override;
  void MouseEvent(std::uint32_t flags) override;
  std::size_t MouseEvents(std::span<const std::uint32_t> flags) override;
  std::size_t MouseEventsAt(Point point, std::span<const std::uint32_t> flags) override;
  ClickReach Reach() override { return ClickReach::kEverywhere; }
};

class Win32TimeOfDay final : public TimeOfDay {
 public:
  std::string NowText() override;
  std::string TextAfterSeconds(double seconds) override;
};

// Settings files in the system's ANSI code page on disk, replaced through a temporary file beside
// the target so that a failed write never leaves a cut file behind.
class Win32FileSystem final : public FileSystem {
 public:
  FileResult ReadText(const std::string& path, std::string& contents) override;
  FileResult ReplaceText(const std::string& path, std::string_view contents) override;
};

}  // namespace clickora::platform::win32
