#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/interval_timer.h"
#include "platform/window.h"

namespace clickora::platform::qt {

// Embedded controls created by class name from control libraries in the program folder (or the
// first of several folders that holds the library's file): the Linux counterpart of a class
// registry. A class is registered with the file of its library; the library is opened with dlopen
// at the first control of one of its classes and stays loaded until the process ends, since its
// code runs in every tick of its controls.
class ControlLibraries {
 public:
  using SavedProperties = std::vector<std::pair<std::string, std::string>>;
  // Raises an event of the control, by name ("OnTimer"), into its window.
  using RaiseEvent = std::function<void(std::string_view event)>;

  ControlLibraries(std::string folder, MillisecondClock& clock, TimerService& timers);
  ControlLibraries(std::vector<std::string> folders, MillisecondClock& clock, TimerService& timers);
  ~ControlLibraries();
  ControlLibraries(const ControlLibraries&) = delete;
  ControlLibraries& operator=(const ControlLibraries&) = delete;

  void Register(std::string_view class_name, std::string_view library_file);

  // A control of the class, loaded from its saved properties; null with error set (naming the
  // class and the library file) when it cannot be had.
  std::unique_ptr<EmbeddedControl> Create(std::string_view class_name, const SavedProperties& saved,
                                          RaiseEvent raise, std::string& error);

 private:
  void* Open(const std::string& path, std::string& error);
  // The library's file in the first folder that holds it; in the first folder when none does.
  std::string PathOf(const std::string& file) const;

  std::vector<std::string> folders_;
  MillisecondClock& clock_;
  TimerService& timers_;
  std::map<std::string, std::string, std::less<>> classes_;  // class name in upper case -> file
  std::map<std::string, void*> libraries_;                   // path -> dlopen handle
};

}  // namespace clickora::platform::qt
