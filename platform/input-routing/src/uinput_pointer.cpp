#include "platform/input_routing/uinput_pointer.h"

#include <utility>

namespace clickora::platform::input_routing {
namespace {

// A position on the box now, on the axis range of the box the device was made over: the
// compositor scales the range back onto the box now, so that equal boxes map exactly.
std::int32_t OnRange(std::uint32_t position, std::uint32_t extent, std::int32_t range) {
  if (range <= 0 || extent == 0) return 0;
  return static_cast<std::int32_t>(std::int64_t{position} * range / extent);
}

}  // namespace

std::vector<InputEvent> UinputMoveEvents(const OutputArea& device_box, const OutputArea& layout_box,
                                         Point layout_point) {
  const std::optional<AbsoluteMotion> motion = MotionWithin(layout_box, layout_point);
  if (!motion || device_box.width <= 0 || device_box.height <= 0) return {};
  return {{kEvAbs, kAbsX, OnRange(motion->x, motion->x_extent, device_box.width)},
          {kEvAbs, kAbsY, OnRange(motion->y, motion->y_extent, device_box.height)},
          {kEvSyn, kSynReport, 0}};
}

std::vector<InputEvent> UinputButtonEvents(bool pressed) {
  return {{kEvKey, kBtnLeft, pressed ? 1 : 0}, {kEvSyn, kSynReport, 0}};
}

UinputPointerRoute::UinputPointerRoute(std::unique_ptr<UinputDevice> device,
                                       std::function<std::vector<OutputArea>()> outputs)
    : device_(std::move(device)), outputs_(std::move(outputs)) {}

bool UinputPointerRoute::Move(Point point) {
  const std::vector<OutputArea> outputs = outputs_();
  const std::optional<std::size_t> primary = PrimaryIndex(outputs);
  if (!primary) return false;
  const std::vector<InputEvent> events =
      UinputMoveEvents(device_->Box(), BoundingBox(outputs), ToLayout(point, outputs[*primary]));
  return !events.empty() && device_->Write(events);
}

bool UinputPointerRoute::Button(bool pressed) {
  return device_->Write(UinputButtonEvents(pressed));
}

}  // namespace clickora::platform::input_routing
