#pragma once

#include <memory>
#include <string_view>

#include "platform/form_runtime.h"
#include "platform/services.h"

namespace clickora::platform::qt {

// The Linux platform: the form runtime on Qt Widgets and X11, with the POSIX clock, time of day,
// files and program folder. One per process, made first in main(); everything it hands out
// lives as long as it does. Its header names no toolkit type, so a program's main() needs none.
class QtPlatform {
 public:
  // Takes the toolkit's own command-line options out of argc and argv.
  QtPlatform(int& argc, char** argv);
  ~QtPlatform();
  QtPlatform(const QtPlatform&) = delete;
  QtPlatform& operator=(const QtPlatform&) = delete;

  // The caption of every message box of the program.
  void SetApplicationTitle(std::string_view title);
  // Embedded controls of this class (ProgID) come from this library file in the program folder:
  // the runtime's counterpart of registering a control class with the system.
  void RegisterControlClass(std::string_view class_name, std::string_view library_file);

  Services& services();
  FormRuntime& runtime();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace clickora::platform::qt
