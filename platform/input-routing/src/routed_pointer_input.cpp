#include "platform/input_routing/routed_pointer_input.h"

#include <utility>

namespace clickora::platform::input_routing {

RoutedPointerInput::RoutedPointerInput(std::vector<std::unique_ptr<PointerRoute>> routes,
                                       std::function<std::optional<Point>()> x_position,
                                       std::function<void(std::string_view)> tell)
    : routes_(std::move(routes)), x_position_(std::move(x_position)), tell_(std::move(tell)) {}

bool RoutedPointerInput::GetCursorPos(Point& point) {
  const std::optional<Point> current = estimate_.Current(x_position_());
  if (!current) return false;
  point = *current;
  return true;
}

bool RoutedPointerInput::SetCursorPos(Point point) {
  // Every click starts again with the best route.
  current_ = 0;
  last_point_ = point;
  const std::optional<Point> x_before = x_position_();
  if (!Step([point](PointerRoute& route) { return route.Move(point); }, false)) return false;
  estimate_.Set(point, x_before);
  return true;
}

void RoutedPointerInput::MouseEvent(std::uint32_t flags) {
  if ((flags & kLeftButtonDown) != 0) {
    Step([](PointerRoute& route) { return route.Button(true); }, true);
  }
  if ((flags & kLeftButtonUp) != 0) {
    Step([](PointerRoute& route) { return route.Button(false); }, true);
  }
}

ClickReach RoutedPointerInput::Reach() {
  return routes_.empty() ? ClickReach::kNowhere : routes_.front()->Reach();
}

bool RoutedPointerInput::Step(const std::function<bool(PointerRoute&)>& step, bool move_first) {
  while (current_ < routes_.size()) {
    PointerRoute& route = *routes_[current_];
    if (step(route)) return true;
    TellFailure(route);
    ++current_;
    // A button goes on through the next route where the click was to be.
    if (move_first && last_point_ && current_ < routes_.size()) {
      routes_[current_]->Move(*last_point_);
    }
  }
  return false;
}

void RoutedPointerInput::TellFailure(const PointerRoute& route) {
  if (!told_.insert(route.mechanism()).second) return;
  const std::size_t next = current_ + 1;
  tell_(FailedRouteText(route.mechanism(), next < routes_.size()
                                               ? std::optional(routes_[next]->mechanism())
                                               : std::nullopt));
}

std::string ChosenRouteText(const std::vector<Mechanism>& usable) {
  if (usable.empty()) return "pointer input: none available";
  std::string text = "pointer input: " + std::string(MechanismName(usable.front()));
  if (usable.size() > 1) {
    text += " (then";
    for (std::size_t i = 1; i < usable.size(); ++i) {
      text += ' ';
      text += MechanismName(usable[i]);
    }
    text += ')';
  }
  return text;
}

std::string FailedRouteText(Mechanism failed, std::optional<Mechanism> next) {
  std::string text = "pointer input: " + std::string(MechanismName(failed)) + " failed";
  text += next ? ", clicking through " + std::string(MechanismName(*next)) : ", nothing left";
  return text;
}

}  // namespace clickora::platform::input_routing
