#include "platform/fake/fake_services.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "platform/fake/fake_event_loop.h"

namespace clickora::platform::fake {

void FakeProgramServices::ShowMessage(std::string_view text) {
  messages_.emplace_back(text);
  if (reactions_.empty()) return;
  const std::function<void()> reaction = std::move(reactions_.front());
  reactions_.pop_front();
  reaction();
}

void FakeProgramServices::EndProgram(int exit_code) {
  if (!exit_code_) exit_code_ = exit_code;
  loop_.Stop();
}

std::uint64_t FakePointerInput::Now() const {
  return clock_ != nullptr ? clock_->Now() : 0;
}

bool FakePointerInput::GetCursorPos(Point& point) {
  if (query_fails_) return false;
  point = position_;
  return true;
}

bool FakePointerInput::SetCursorPos(Point point) {
  log_.push_back({PointerAction::Kind::kMove, point, 0, Now()});
  if (move_fails_) return false;
  position_ = moved_after_move_.value_or(point);
  return true;
}

void FakePointerInput::MouseEvent(std::uint32_t flags) {
  log_.push_back({PointerAction::Kind::kButton, position_, flags, Now()});
}

std::size_t FakePointerInput::MouseEvents(std::span<const std::uint32_t> flags) {
  const std::size_t taken = events_taken_ ? std::min(*events_taken_, flags.size()) : flags.size();
  for (std::size_t i = 0; i < taken; ++i) MouseEvent(flags[i]);
  return taken;
}

std::size_t FakePointerInput::MouseEventsAt(Point point, std::span<const std::uint32_t> flags) {
  position_ = point;
  return MouseEvents(flags);
}

std::vector<Point> FakePointerInput::Moves() const {
  std::vector<Point> moves;
  for (const PointerAction& action : log_) {
    if (action.kind == PointerAction::Kind::kMove) moves.push_back(action.point);
  }
  return moves;
}

std::vector<std::uint32_t> FakePointerInput::ButtonFlags() const {
  std::vector<std::uint32_t> flags;
  for (const PointerAction& action : log_) {
    if (action.kind == PointerAction::Kind::kButton) flags.push_back(action.flags);
  }
  return flags;
}

FileResult FakeFileSystem::ReadText(const std::string& path, std::string& contents) {
  ++reads_;
  if (const auto failure = read_failures_.find(path); failure != read_failures_.end()) {
    return {false, failure->second};
  }
  const auto file = files_.find(path);
  if (file == files_.end()) return {false, "The system cannot find the file specified."};
  contents = file->second;
  return {};
}

FileResult FakeFileSystem::ReplaceText(const std::string& path, std::string_view contents) {
  if (const auto failure = write_failures_.find(path); failure != write_failures_.end()) {
    return {false, failure->second};
  }
  files_[path] = std::string(contents);
  return {};
}

std::optional<std::string> FakeFileSystem::Contents(const std::string& path) const {
  const auto file = files_.find(path);
  if (file == files_.end()) return std::nullopt;
  return file->second;
}

}  // namespace clickora::platform::fake

namespace clickora::platform::fake {

std::string FakeTimeOfDay::TextAfterSeconds(double seconds) {
  constexpr std::int64_t kNoon = 12 * 3600;
  constexpr std::int64_t kDay = 24 * 3600;
  // The moment in milliseconds, then its whole second, as a clock on the wall shows it.
  const double elapsed_ms =
      clock_ != nullptr ? static_cast<double>(clock_->Now() - noon_at_ms_) : 0.0;
  const auto elapsed = static_cast<std::int64_t>(std::floor((elapsed_ms + seconds * 1000) / 1000));
  std::int64_t of_day = (kNoon + elapsed) % kDay;
  if (of_day < 0) of_day += kDay;
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(of_day / 3600),
                static_cast<int>(of_day / 60 % 60), static_cast<int>(of_day % 60));
  return text;
}

void FakeTimeOfDay::FollowClock(const FakeEventLoop& clock) {
  clock_ = &clock;
  noon_at_ms_ = clock.Now();
  text_.reset();
}

void FakePickSurface::Begin(std::function<void(const PickOutcome&)> on_done) {
  ++begins_;
  if (on_done_) ++stacked_;
  if (refused_) {
    on_done({PickOutcome::Kind::kRefused, {}, *refused_});
    return;
  }
  on_done_ = std::move(on_done);
}

bool FakePickSurface::ClickAt(Point point) {
  return End({PickOutcome::Kind::kPicked, point, {}});
}

bool FakePickSurface::Cancel() {
  return End({PickOutcome::Kind::kCancelled, {}, {}});
}

bool FakePickSurface::End(const PickOutcome& outcome) {
  if (!on_done_) return false;
  const std::function<void(const PickOutcome&)> on_done = std::move(on_done_);
  on_done_ = nullptr;  // the handler may begin the next pick
  on_done(outcome);
  return true;
}

HotKeyResult FakeGlobalHotKey::Hold(std::string_view key, std::function<void()> on_pressed) {
  if (taken_) return {HotKeyResult::Failure::kTaken, "held by another program"};
  key_ = key;
  on_pressed_ = std::move(on_pressed);
  ++holds_;
  HotKeyResult held;
  held.x11_focus_only = x11_focus_only_;
  return held;
}

void FakeGlobalHotKey::Release() {
  on_pressed_ = nullptr;
}

bool FakeGlobalHotKey::Press() {
  if (!on_pressed_) return false;
  const std::function<void()> handler = on_pressed_;  // the handler may release the key
  handler();
  return true;
}

}  // namespace clickora::platform::fake
