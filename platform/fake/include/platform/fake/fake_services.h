#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/global_hot_key.h"
#include "platform/pick_surface.h"
#include "platform/program_services.h"

namespace clickora::platform::fake {

class FakeEventLoop;

// Program services that record what the program asked for. Ending the program stops the event
// loop, so nothing more is delivered, and keeps the exit code.
class FakeProgramServices final : public ProgramServices {
 public:
  explicit FakeProgramServices(FakeEventLoop& loop) : loop_(loop) {}

  std::string ProgramFolder() override { return program_folder_; }
  void SetHelpFile(std::string_view path) override { help_file_ = path; }
  void SendKeysNoWait(std::string_view keys) override { keys_sent_.emplace_back(keys); }
  // Records the text, then runs the next queued reaction, if any, while the box is "open" (as
  // events a modal loop dispatches, or the user acting before closing it).
  void ShowMessage(std::string_view text) override;
  numbers::NumberFormat UserNumberFormat() override { return number_format_; }
  void EndProgram(int exit_code) override;

  // Test controls.
  void SetProgramFolder(std::string folder) { program_folder_ = std::move(folder); }
  void SetNumberFormat(numbers::NumberFormat format) { number_format_ = std::move(format); }
  void QueueOnMessage(std::function<void()> reaction) { reactions_.push_back(std::move(reaction)); }

  // Records.
  const std::string& HelpFile() const noexcept { return help_file_; }
  const std::vector<std::string>& KeysSent() const noexcept { return keys_sent_; }
  const std::vector<std::string>& Messages() const noexcept { return messages_; }
  std::optional<int> ExitCode() const noexcept { return exit_code_; }
  bool Ended() const noexcept { return exit_code_.has_value(); }

 private:
  FakeEventLoop& loop_;
  std::string program_folder_ = "C:\\Program Files\\tapvane";
  numbers::NumberFormat number_format_;
  std::deque<std::function<void()>> reactions_;
  std::string help_file_;
  std::vector<std::string> keys_sent_;
  std::vector<std::string> messages_;
  std::optional<int> exit_code_;
};

// One entry of the pointer's log: a move to a point, or a button event at the present position.
struct PointerAction {
  enum class Kind : std::uint8_t { kMove, kButton };
  Kind kind = Kind::kMove;
  Point point;              // kMove: where to; kButton: where the pointer stood
  std::uint32_t flags = 0;  // kButton
  std::uint64_t at_ms = 0;  // the fake clock's time, when a clock was given
  friend bool operator==(const PointerAction&, const PointerAction&) = default;
};

class FakePointerInput final : public PointerInput {
 public:
  // clock: stamps each action with the time; may be null.
  explicit FakePointerInput(const FakeEventLoop* clock = nullptr) : clock_(clock) {}

  bool GetCursorPos(Point& point) override;
  bool SetCursorPos(Point point) override;
  void MouseEvent(std::uint32_t flags) override;
  // Logs the events the system takes in: all of them, or as many as SetEventsTaken allows.
  std::size_t MouseEvents(std::span<const std::uint32_t> flags) override;
  // The same, with the pointer pinned at POINT for every event, as the real systems do.
  std::size_t MouseEventsAt(Point point, std::span<const std::uint32_t> flags) override;
  ClickReach Reach() override { return reach_; }
  bool AsksConsent() override { return asks_consent_; }

  // Test controls: the user moving the mouse, the system's reach, and failures of its calls.
  void MoveByUser(Point point) { position_ = point; }
  // Every later SetCursorPos is followed at once by a movement to POINT: the user's hand, or a
  // movement the system still had queued from before.
  void SetMovedAfterEachMove(std::optional<Point> point) { moved_after_move_ = point; }
  void SetQueryFails(bool fails) { query_fails_ = fails; }
  void SetMoveFails(bool fails) { move_fails_ = fails; }
  void SetReach(ClickReach reach) { reach_ = reach; }
  void SetAsksConsent(bool asks) { asks_consent_ = asks; }
  // At most this many events of each MouseEvents are taken in, as the system refusing input.
  void SetEventsTaken(std::optional<std::size_t> taken) { events_taken_ = taken; }

  Point Position() const noexcept { return position_; }
  const std::vector<PointerAction>& Log() const noexcept { return log_; }
  std::vector<Point> Moves() const;
  std::vector<std::uint32_t> ButtonFlags() const;
  void ClearLog() { log_.clear(); }

 private:
  std::uint64_t Now() const;

  const FakeEventLoop* clock_;
  Point position_;
  bool query_fails_ = false;
  bool move_fails_ = false;
  ClickReach reach_ = ClickReach::kEverywhere;
  bool asks_consent_ = false;
  std::optional<std::size_t> events_taken_;
  std::optional<Point> moved_after_move_;
  std::vector<PointerAction> log_;
};

// The time of day as "HH:MM:SS": 12:00:00, standing still, unless a test lets it follow the
// fake clock from 12:00:00 on. Set pins the present time's text, as a test of the read-out wants.
class FakeTimeOfDay final : public TimeOfDay {
 public:
  std::string NowText() override { return text_ ? *text_ : TextAfterSeconds(0); }
  std::string TextAfterSeconds(double seconds) override;
  void Set(std::string text) { text_ = std::move(text); }
  // From now on the time goes on with clock, this moment being 12:00:00.
  void FollowClock(const FakeEventLoop& clock);

 private:
  const FakeEventLoop* clock_ = nullptr;
  std::uint64_t noon_at_ms_ = 0;
  std::optional<std::string> text_;
};

// The stop key of the whole desktop. Press() is the user pressing it: it reaches the program
// only while the key is held. SetTaken makes the next Holds fail as if another program had it.
class FakeGlobalHotKey final : public GlobalHotKey {
 public:
  HotKeyResult Hold(std::string_view key, std::function<void()> on_pressed) override;
  void Release() override;

  // Test controls.
  void SetTaken(bool taken) { taken_ = taken; }
  // The next Holds succeed, saying that the key works only while an X11 window has the focus.
  void SetX11FocusOnly(bool focus_only) { x11_focus_only_ = focus_only; }
  // Presses the key; true when the program received it.
  bool Press();

  // Records.
  bool Held() const noexcept { return static_cast<bool>(on_pressed_); }
  const std::string& Key() const noexcept { return key_; }
  int Holds() const noexcept { return holds_; }

 private:
  std::function<void()> on_pressed_;
  std::string key_;
  bool taken_ = false;
  bool x11_focus_only_ = false;
  int holds_ = 0;
};

// The point picker, played by the test: ClickAt and Cancel are the user's click or Esc while a
// pick is going. SetRefused makes the next picks fail as if another program held the pointer.
class FakePickSurface final : public PickSurface {
 public:
  void Begin(std::function<void(const PickOutcome&)> on_done) override;

  // Test controls; each returns false when no pick was going.
  bool ClickAt(Point point);
  bool Cancel();
  void SetRefused(std::optional<std::string> detail) { refused_ = std::move(detail); }

  // Records.
  bool Active() const noexcept { return static_cast<bool>(on_done_); }
  int Begins() const noexcept { return begins_; }
  // Picks begun while one was going (the caller's fault): each would have lost the one before.
  int Stacked() const noexcept { return stacked_; }

 private:
  bool End(const PickOutcome& outcome);

  std::function<void(const PickOutcome&)> on_done_;
  std::optional<std::string> refused_;
  int begins_ = 0;
  int stacked_ = 0;
};

// Files in memory, with failures injected per path. A failing ReplaceText leaves the old
// contents, as the real temp-file-and-rename does.
class FakeFileSystem final : public FileSystem {
 public:
  FileResult ReadText(const std::string& path, std::string& contents) override;
  FileResult ReplaceText(const std::string& path, std::string_view contents) override;

  void Put(const std::string& path, std::string contents) { files_[path] = std::move(contents); }
  std::optional<std::string> Contents(const std::string& path) const;
  // error: the system's reason reported with the failure.
  void FailReads(const std::string& path, std::string error) { read_failures_[path] = error; }
  void FailWrites(const std::string& path, std::string error) { write_failures_[path] = error; }

  int ReadCount() const noexcept { return reads_; }

 private:
  std::map<std::string, std::string> files_;
  std::map<std::string, std::string> read_failures_;
  std::map<std::string, std::string> write_failures_;
  int reads_ = 0;
};

}  // namespace clickora::platform::fake
