#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/input_routing/mechanism_choice.h"
#include "platform/input_routing/pointer_estimate.h"
#include "platform/program_services.h"

namespace clickora::platform::input_routing {

// One way of putting the pointer somewhere and pressing its left button.
class PointerRoute {
 public:
  virtual ~PointerRoute() = default;
  virtual Mechanism mechanism() const = 0;
  // Where its button events arrive.
  virtual ClickReach Reach() const = 0;
  // Puts the pointer on a point relative to the primary monitor's top-left; false when the
  // desktop did not take it.
  virtual bool Move(Point point) = 0;
  // Presses or releases the left button where the pointer is; false when not taken.
  virtual bool Button(bool pressed) = 0;
  // True while the desktop will ask the user before its next step goes through.
  virtual bool AsksConsent() const { return false; }
};

// The pointer input of a Linux desktop: the routes the desktop offers, best first, chosen once at
// start-up. Every click goes the first route; one that fails it hands that click to the next
// (the pointer moved there again first), and the user is told once per failing route.
class RoutedPointerInput final : public PointerInput {
 public:
  // x_position: the pointer's position as the X server has it, relative to the primary monitor
  // (nullopt when it cannot be had). tell: says something to the user, once per occasion.
  RoutedPointerInput(std::vector<std::unique_ptr<PointerRoute>> routes,
                     std::function<std::optional<Point>()> x_position,
                     std::function<void(std::string_view)> tell);

  bool GetCursorPos(Point& point) override;
  bool SetCursorPos(Point point) override;
  void MouseEvent(std::uint32_t flags) override;
  // The first route's reach; nowhere without routes.
  ClickReach Reach() override;
  // Whether the first route will ask.
  bool AsksConsent() override { return !routes_.empty() && routes_.front()->AsksConsent(); }

 private:
  // Tries the routes from the current one on; true once one has taken the step. move_first: a
  // route taking over moves the pointer to the click's point before the step.
  bool Step(const std::function<bool(PointerRoute&)>& step, bool move_first);
  void TellFailure(const PointerRoute& route);

  std::vector<std::unique_ptr<PointerRoute>> routes_;
  std::function<std::optional<Point>()> x_position_;
  std::function<void(std::string_view)> tell_;
  std::size_t current_ = 0;          // the route of the click going on
  std::optional<Point> last_point_;  // where the click going on was to be
  std::set<Mechanism> told_;
  PointerEstimate estimate_;
};

// What the program says about the route it chose at start-up, and about one that failed.
std::string ChosenRouteText(const std::vector<Mechanism>& usable);
std::string FailedRouteText(Mechanism failed, std::optional<Mechanism> next);

}  // namespace clickora::platform::input_routing
