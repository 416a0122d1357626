#include "uinput_device.h"

#include <fcntl.h>
#include <linux/input.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace clickora::platform::qt {
namespace {

using input_routing::InputEvent;
using input_routing::OutputArea;

// NOTE: the desktop learns of a new device through udev and only then opens it, and its clients
// learn of the seat's new pointer after that: events written sooner are lost. The device is made
// at start-up, and a first event this soon after waits out the rest.
constexpr std::chrono::milliseconds kSettle{500};

class UinputPointer final : public input_routing::UinputDevice {
 public:
  UinputPointer(int fd, OutputArea box)
      : fd_(fd), box_(box), usable_from_(std::chrono::steady_clock::now() + kSettle) {}
  UinputPointer(const UinputPointer&) = delete;
  UinputPointer& operator=(const UinputPointer&) = delete;
  ~UinputPointer() override {
    ioctl(fd_, UI_DEV_DESTROY);
    close(fd_);
  }

  OutputArea Box() const override { return box_; }

  bool Write(std::span<const InputEvent> events) override {
    if (!settled_) {
      std::this_thread::sleep_until(usable_from_);
      settled_ = true;
    }
    return WriteInputEvents(fd_, events);
  }

 private:
  int fd_;
  OutputArea box_;
  std::chrono::steady_clock::time_point usable_from_;
  bool settled_ = false;
};

bool SetAxis(int fd, std::uint16_t code, std::int32_t extent) {
  uinput_abs_setup axis{};
  axis.code = code;
  axis.absinfo.minimum = 0;
  axis.absinfo.maximum = extent - 1;
  return ioctl(fd, UI_ABS_SETUP, &axis) == 0;
}

bool SetUp(int fd, const OutputArea& box) {
  uinput_setup setup{};
  setup.id.bustype = BUS_VIRTUAL;
  std::strncpy(setup.name, "tapvane pointer", UINPUT_MAX_NAME_SIZE - 1);
  // Absolute axes and a mouse button, no touch or pen: the desktop takes it for a pointer that
  // jumps where it is told, as a virtual machine's tablet.
  return ioctl(fd, UI_SET_EVBIT, EV_SYN) == 0 && ioctl(fd, UI_SET_EVBIT, EV_KEY) == 0 &&
         ioctl(fd, UI_SET_KEYBIT, BTN_LEFT) == 0 && ioctl(fd, UI_SET_EVBIT, EV_ABS) == 0 &&
         ioctl(fd, UI_SET_ABSBIT, ABS_X) == 0 && ioctl(fd, UI_SET_ABSBIT, ABS_Y) == 0 &&
         SetAxis(fd, ABS_X, box.width) && SetAxis(fd, ABS_Y, box.height) &&
         ioctl(fd, UI_DEV_SETUP, &setup) == 0 && ioctl(fd, UI_DEV_CREATE) == 0;
}

}  // namespace

bool UinputWritable(const char* path) {
  struct stat info {};
  return stat(path, &info) == 0 && S_ISCHR(info.st_mode) && access(path, W_OK) == 0;
}

bool WriteInputEvents(int fd, std::span<const InputEvent> events) {
  std::vector<input_event> records(events.size());
  for (std::size_t i = 0; i < events.size(); ++i) {
    records[i] = {};  // the kernel stamps the time
    records[i].type = events[i].type;
    records[i].code = events[i].code;
    records[i].value = events[i].value;
  }
  const auto* bytes = reinterpret_cast<const char*>(records.data());
  std::size_t left = records.size() * sizeof(input_event);
  while (left > 0) {
    const ssize_t written = write(fd, bytes, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

std::unique_ptr<input_routing::UinputDevice> MakeUinputPointer(const char* path,
                                                               const OutputArea& box) {
  if (box.width <= 0 || box.height <= 0) return nullptr;
  const int fd = open(path, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  if (!SetUp(fd, box)) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<UinputPointer>(fd, box);
}

}  // namespace clickora::platform::qt
