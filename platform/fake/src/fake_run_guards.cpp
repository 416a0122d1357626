#include "platform/fake/fake_run_guards.h"

namespace clickora::platform::fake {

KeepAwakeResult FakeKeepAwake::Hold(std::string_view reason) {
  if (failure_) return {false, *failure_};
  if (held_) return {true, "already held"};
  held_ = true;
  ++holds_;
  reasons_.emplace_back(reason);
  return {true, "fake"};
}

void FakeKeepAwake::Release() {
  if (!held_) {
    ++stray_releases_;
    return;
  }
  held_ = false;
  ++releases_;
}

void FakeTargetIntegrity::SetElevatedAt(Point point, bool elevated) {
  if (elevated) {
    elevated_points_.insert({point.x, point.y});
  } else {
    elevated_points_.erase({point.x, point.y});
  }
}

}  // namespace clickora::platform::fake
