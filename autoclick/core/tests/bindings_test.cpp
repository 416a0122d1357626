#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "autoclick/frm_mouse_pos.h"
#include "autoclick/frm_mouse_pos_design.h"
#include "autoclick/texts.h"

namespace clickora::autoclick {
namespace {

using Event = std::pair<std::string, std::string>;

// Every event the window can raise, from its design: what each kind of thing raises on every
// backend. Anything else would never arrive.
std::set<Event> EventsOfTheDesign(const platform::FormDesign& design) {
  std::set<Event> events{{"Form", "Load"}, {"Form", "Resize"}, {"Form", "Unload"}};
  for (const platform::ControlDesign& control : design.controls) {
    if (control.kind == platform::ControlKind::kCommandButton ||
        control.kind == platform::ControlKind::kOptionButton) {
      events.insert({control.name, "Click"});
    }
    if (control.kind == platform::ControlKind::kTextBox) events.insert({control.name, "DblClick"});
  }
  for (const platform::WindowKeyDesign& key : design.keys) events.insert({key.name, "Pressed"});
  for (const platform::TimerDesign& timer : design.timers) events.insert({timer.name, "Timer"});
  for (const platform::EmbeddedControlDesign& control : design.embedded_controls) {
    if (control.class_name == texts::kLongTimerClass) events.insert({control.name, "OnTimer"});
  }
  // A drop-down raises nothing of its own; its commands raise Click.
  auto add_commands = [&](const auto& self, const platform::MenuItemDesign& item) -> void {
    if (item.items.empty()) events.insert({item.name, "Click"});
    for (const platform::MenuItemDesign& entry : item.items) self(self, entry);
  };
  for (const platform::MenuItemDesign& menu : design.menus) add_commands(add_commands, menu);
  return events;
}

// A misspelt binding would do nothing, silently: each one names an event that the design raises
// (or the program's own stop key and end of a pick), once.
TEST(Bindings, EachNamesAnEventOfTheDesignOnce) {
  const std::set<Event> raised = EventsOfTheDesign(FrmMousePosDesign());
  std::map<Event, int> bound;
  for (const FrmMousePos::BoundEvent& binding : FrmMousePos::BoundEvents()) {
    const Event event{std::string(binding.source), std::string(binding.event)};
    ++bound[event];
    if (binding.source == kStopKeySource) {
      EXPECT_EQ(binding.event, "Pressed");
      continue;
    }
    if (binding.source == kPickSource) {
      EXPECT_EQ(binding.event, "Done");
      continue;
    }
    EXPECT_TRUE(raised.count(event))
        << event.first << "_" << event.second << " is bound, but the design raises no such event";
  }
  for (const auto& [event, count] : bound) {
    EXPECT_EQ(count, 1) << event.first << "_" << event.second << " is bound more than once";
  }
}

// Every menu command, timer and key of the design, every LongTimer and the window's own events
// have a procedure; the controls the user merely selects or types in (option buttons, text boxes)
// need none.
TEST(Bindings, EveryCommandTimerAndControlEventOfTheDesignIsBound) {
  std::set<Event> bound;
  for (const FrmMousePos::BoundEvent& binding : FrmMousePos::BoundEvents()) {
    bound.insert({std::string(binding.source), std::string(binding.event)});
  }
  const platform::FormDesign design = FrmMousePosDesign();
  for (const Event& event : EventsOfTheDesign(design)) {
    const bool selected_or_typed_in =
        std::any_of(design.controls.begin(), design.controls.end(), [&](const auto& control) {
          return control.name == event.first &&
                 (control.kind == platform::ControlKind::kOptionButton ||
                  control.kind == platform::ControlKind::kTextBox);
        });
    if (selected_or_typed_in) continue;
    EXPECT_TRUE(bound.count(event)) << event.first << "_" << event.second << " has no procedure";
  }
  EXPECT_TRUE(bound.count({std::string(kStopKeySource), "Pressed"}));
  EXPECT_TRUE(bound.count({std::string(kPickSource), "Done"}));
}

}  // namespace
}  // namespace clickora::autoclick
