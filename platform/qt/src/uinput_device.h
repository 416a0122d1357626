#pragma once

#include <memory>
#include <span>

#include "platform/input_routing/uinput_pointer.h"

namespace clickora::platform::qt {

// Whether path is a character device this program may write as things are. The program never
// asks for more (no root, no change of permissions): elsewhere the route is not offered.
bool UinputWritable(const char* path);

// Writes events to fd as the kernel's input event records; false when not all were taken.
bool WriteInputEvents(int fd, std::span<const input_routing::InputEvent> events);

// A virtual absolute pointer with a left button, its axes over box (the layout's bounding box,
// logical pixels); nullptr when path cannot be opened or the kernel refuses the device.
std::unique_ptr<input_routing::UinputDevice> MakeUinputPointer(
    const char* path, const input_routing::OutputArea& box);

}  // namespace clickora::platform::qt
