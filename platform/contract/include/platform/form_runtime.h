#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/form_design.h"
#include "platform/window.h"

namespace clickora::platform {

// Event procedures of a window, bound by source name and event name, as the runtime raises them:
//   ("Form", "Load"), ("Form", "Resize"), ("Form", "Unload")   the window itself
//   ("Command4", "Click")                                       intrinsic controls
//   ("Text2", "DblClick")                                       a double-click on a text box
//   ("PickKey", "Pressed")                                      the design's window keys
//   ("openna", "Click")                                         menu commands
//   ("Timer10", "Timer")                                        the design's interval timers
//   ("LongTimer1", "OnTimer")                                   embedded controls' events
// One at a time, on the UI thread, each running to its end before the next.
class FormEventSink {
 public:
  virtual ~FormEventSink() = default;
  virtual void OnFormEvent(std::string_view source, std::string_view event) = 0;
};

struct CreateFormResult {
  std::unique_ptr<Window> window;  // null on failure
  std::string error;               // why, for the user: e.g. a class that is not registered
};

class FormRuntime {
 public:
  virtual ~FormRuntime() = default;
  // Creates the window hidden, with its controls, timers (not yet ticking), embedded controls
  // (created by class name and loaded from their saved properties) and menus.
  virtual CreateFormResult CreateForm(const FormDesign& design) = 0;
  // Raises Form Load, shows the window at its designed place (raising Form Resize), then
  // dispatches events to sink until the program ends. Returns the process exit code.
  virtual int Run(Window& window, FormEventSink& sink) = 0;
};

}  // namespace clickora::platform
