#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "platform/input_routing/output_layout.h"
#include "platform/input_routing/routed_pointer_input.h"

namespace clickora::platform::input_routing {

// One event of a kernel input device: its type, code and value, as written to /dev/uinput.
struct InputEvent {
  std::uint16_t type = 0;
  std::uint16_t code = 0;
  std::int32_t value = 0;
  friend bool operator==(const InputEvent&, const InputEvent&) = default;
};

// The kernel's numbers for the events of an absolute pointer with a left button
// (linux/input-event-codes.h); they are part of its stable interface.
inline constexpr std::uint16_t kEvSyn = 0x00;
inline constexpr std::uint16_t kEvKey = 0x01;
inline constexpr std::uint16_t kEvAbs = 0x03;
inline constexpr std::uint16_t kSynReport = 0x00;
inline constexpr std::uint16_t kAbsX = 0x00;
inline constexpr std::uint16_t kAbsY = 0x01;
inline constexpr std::uint16_t kBtnLeft = 0x110;

// The events that put an absolute pointer on a layout point. device_box: the layout's bounding
// box when the device was made, whose width and height are its axes' ranges ([0, width - 1]);
// layout_box: the bounding box now, onto which the compositor maps those ranges. A point off the
// box goes to its nearest edge. Empty without outputs.
std::vector<InputEvent> UinputMoveEvents(const OutputArea& device_box, const OutputArea& layout_box,
                                         Point layout_point);
// The events that press or release the left button.
std::vector<InputEvent> UinputButtonEvents(bool pressed);

// A virtual absolute pointer of the kernel, made once and kept: a new device changes the seat.
class UinputDevice {
 public:
  virtual ~UinputDevice() = default;
  // The layout's bounding box its axes were made over.
  virtual OutputArea Box() const = 0;
  // Writes events; false when the kernel did not take them all.
  virtual bool Write(std::span<const InputEvent> events) = 0;
};

// The route through a virtual device of the kernel: every desktop takes its events, as from a
// pointer of the hardware. outputs: the desktop's outputs in logical coordinates, asked at each
// move.
class UinputPointerRoute final : public PointerRoute {
 public:
  UinputPointerRoute(std::unique_ptr<UinputDevice> device,
                     std::function<std::vector<OutputArea>()> outputs);

  Mechanism mechanism() const override { return Mechanism::kUinput; }
  ClickReach Reach() const override { return ClickReach::kEverywhere; }
  bool Move(Point point) override;
  bool Button(bool pressed) override;

 private:
  std::unique_ptr<UinputDevice> device_;
  std::function<std::vector<OutputArea>()> outputs_;
};

}  // namespace clickora::platform::input_routing
