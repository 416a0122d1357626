#pragma once

#include <string_view>

#include "platform/form_runtime.h"
#include "platform/program_services.h"

namespace clickora::platform::forms {

// How every backend delivers the events of a window to the program's event procedures.
// - A Resize raised while one is being handled (the handler setting the size) is not handled
//   inside it: it is handled once more after it, whatever number of sizes the handler set.
// - An error that escapes an event procedure is reported in one message naming it, and the
//   program ends with exit status 1. Nothing is delivered after that. An error reported where it
//   arose (ReportUncaughtError) and then thrown out of the procedure is reported once, not twice.
class EventDispatcher {
 public:
  explicit EventDispatcher(ProgramServices& program) noexcept : program_(program) {}
  EventDispatcher(const EventDispatcher&) = delete;
  EventDispatcher& operator=(const EventDispatcher&) = delete;

  // Events go to sink from now on; without one they are dropped.
  void SetSink(FormEventSink* sink) noexcept { sink_ = sink; }
  bool HasSink() const noexcept { return sink_ != nullptr; }

  void Raise(std::string_view source, std::string_view event) noexcept;

  // Reports an error that no event procedure caught (what names it) and ends the program.
  void ReportUncaughtError(std::string_view what) noexcept;

 private:
  void Deliver(std::string_view source, std::string_view event) noexcept;

  ProgramServices& program_;
  FormEventSink* sink_ = nullptr;
  bool in_resize_ = false;
  bool resize_pending_ = false;
  bool ended_ = false;
  unsigned reports_ = 0;
};

}  // namespace clickora::platform::forms
