#include "platform/forms/event_dispatcher.h"

#include <exception>
#include <string>

namespace clickora::platform::forms {

void EventDispatcher::Raise(std::string_view source, std::string_view event) noexcept {
  if (sink_ == nullptr || ended_) return;
  const bool resize = source == "Form" && event == "Resize";
  if (!resize) {
    Deliver(source, event);
    return;
  }
  if (in_resize_) {
    resize_pending_ = true;
    return;
  }
  in_resize_ = true;
  Deliver(source, event);
  // The handler's own size change came back as a resize: handle the new size once, outside it.
  if (resize_pending_) {
    resize_pending_ = false;
    Deliver(source, event);
  }
  resize_pending_ = false;
  in_resize_ = false;
}

void EventDispatcher::Deliver(std::string_view source, std::string_view event) noexcept {
  if (sink_ == nullptr || ended_) return;
  // An error already reported where it arose (a control that the window lacks) and then thrown
  // is not reported a second time when it escapes.
  const unsigned reports_before = reports_;
  try {
    sink_->OnFormEvent(source, event);
  } catch (const std::exception& error) {
    if (reports_ == reports_before) ReportUncaughtError(error.what());
  } catch (...) {
    if (reports_ == reports_before) ReportUncaughtError("ข้อผิดพลาดที่ไม่รู้จัก");
  }
}

void EventDispatcher::ReportUncaughtError(std::string_view what) noexcept {
  ended_ = true;
  ++reports_;
  try {
    program_.ShowMessage("เกิดข้อผิดพลาดขณะทำงาน: " + std::string(what) + "\nโปรแกรมจะปิดลง");
  } catch (...) {
    // NOTE: the report could not be shown (no memory for its text); the program ends all the same.
  }
  program_.EndProgram(1);
}

}  // namespace clickora::platform::forms
