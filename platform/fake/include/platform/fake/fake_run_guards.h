#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/keep_awake.h"
#include "platform/session_state.h"
#include "platform/target_integrity.h"

namespace clickora::platform::fake {

// Keeping the computer awake, recorded: every hold with its reason and every release. SetFails
// makes the next Holds fail with the given words, as on a system that offers no way to do it.
class FakeKeepAwake final : public KeepAwake {
 public:
  KeepAwakeResult Hold(std::string_view reason) override;
  void Release() override;

  void SetFails(std::optional<std::string> failure) { failure_ = std::move(failure); }

  bool Held() const noexcept { return held_; }
  int Holds() const noexcept { return holds_; }
  int Releases() const noexcept { return releases_; }
  // Releases called while nothing was held: each one is a fault of the caller.
  int StrayReleases() const noexcept { return stray_releases_; }
  const std::vector<std::string>& Reasons() const noexcept { return reasons_; }

 private:
  std::optional<std::string> failure_;
  bool held_ = false;
  int holds_ = 0;
  int releases_ = 0;
  int stray_releases_ = 0;
  std::vector<std::string> reasons_;
};

// The session's lock and the computer's sleeps, set by the test.
class FakeSessionState final : public SessionState {
 public:
  bool InputLocked() override { return locked_; }
  std::uint32_t Wakes() override { return wakes_; }

  void SetLocked(bool locked) { locked_ = locked; }
  void Wake() { ++wakes_; }

 private:
  bool locked_ = false;
  std::uint32_t wakes_ = 0;
};

// Windows of programs run as administrator: at some points, or in front of everything.
class FakeTargetIntegrity final : public TargetIntegrity {
 public:
  ElevatedTarget AboveProgram(std::optional<Point> point) override {
    asked_.push_back(point);
    if (point && elevated_points_.count({point->x, point->y}) != 0) return ElevatedTarget::kAtPoint;
    return elevated_foreground_ ? ElevatedTarget::kForeground : ElevatedTarget::kNone;
  }

  void SetElevatedAt(Point point, bool elevated);
  void SetElevatedForeground(bool elevated) { elevated_foreground_ = elevated; }
  const std::vector<std::optional<Point>>& Asked() const noexcept { return asked_; }

 private:
  std::set<std::pair<std::int32_t, std::int32_t>> elevated_points_;
  bool elevated_foreground_ = false;
  std::vector<std::optional<Point>> asked_;
};

}  // namespace clickora::platform::fake
