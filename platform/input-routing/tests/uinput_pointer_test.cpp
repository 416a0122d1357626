#include "platform/input_routing/uinput_pointer.h"

#include <gtest/gtest.h>

#include <utility>

namespace clickora::platform::input_routing {
namespace {

using Events = std::vector<InputEvent>;

constexpr InputEvent kSyn{kEvSyn, kSynReport, 0};

Events Moved(std::int32_t x, std::int32_t y) {
  return {{kEvAbs, kAbsX, x}, {kEvAbs, kAbsY, y}, kSyn};
}

// Records what the route writes; refuses writes when told to.
class RecordingDevice final : public UinputDevice {
 public:
  RecordingDevice(OutputArea box, Events& written, bool& refuse)
      : box_(box), written_(written), refuse_(refuse) {}
  OutputArea Box() const override { return box_; }
  bool Write(std::span<const InputEvent> events) override {
    if (refuse_) return false;
    written_.insert(written_.end(), events.begin(), events.end());
    return true;
  }

 private:
  OutputArea box_;
  Events& written_;
  bool& refuse_;
};

const std::vector<OutputArea> kTwoOutputs = {{0, 0, 1280, 720}, {-800, 100, 800, 600}};
const OutputArea kTwoOutputsBox = {-800, 0, 2080, 720};

TEST(UinputPointer, AClickAtAPointIsAMoveAndAPressAndReleaseEachClosedBySyn) {
  struct Case {
    const char* name;
    std::vector<OutputArea> outputs;
    OutputArea device_box;  // the layout box when the device was made
    Point point;            // relative to the primary's top-left
    Events move;
  };
  const Case cases[] = {
      {"one output", {{0, 0, 1280, 720}}, {0, 0, 1280, 720}, {640, 360}, Moved(640, 360)},
      {"the primary right of a negative output",
       kTwoOutputs,
       kTwoOutputsBox,
       {10, 20},
       Moved(810, 20)},
      {"a point on the negative output", kTwoOutputs, kTwoOutputsBox, {-800, 100}, Moved(0, 100)},
      {"no output at the origin: the first is primary",
       {{1600, 0, 800, 600}, {-1600, 0, 1600, 1200}},
       {-1600, 0, 4000, 1200},
       {-1, 599},
       Moved(3199, 599)},
      {"the layout's last pixel", kTwoOutputs, kTwoOutputsBox, {1279, 719}, Moved(2079, 719)},
      {"off the desktop goes to its edge",
       kTwoOutputs,
       kTwoOutputsBox,
       {5000, -50},
       Moved(2079, 0)},
      // The compositor maps the device's range onto the box as it is now.
      {"the layout grown since the device was made",
       {{0, 0, 1280, 720}, {1280, 0, 1280, 720}},
       {0, 0, 1280, 720},
       {1920, 360},
       Moved(960, 360)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Events written;
    bool refuse = false;
    UinputPointerRoute route(std::make_unique<RecordingDevice>(c.device_box, written, refuse),
                             [&] { return c.outputs; });
    ASSERT_TRUE(route.Move(c.point));
    ASSERT_TRUE(route.Button(true));
    ASSERT_TRUE(route.Button(false));
    Events expected = c.move;
    expected.push_back({kEvKey, kBtnLeft, 1});
    expected.push_back(kSyn);
    expected.push_back({kEvKey, kBtnLeft, 0});
    expected.push_back(kSyn);
    EXPECT_EQ(written, expected);
  }
}

TEST(UinputPointer, AStepTheDeviceOrTheDesktopCannotTakeFails) {
  Events written;
  bool refuse = false;
  std::vector<OutputArea> outputs;
  UinputPointerRoute route(std::make_unique<RecordingDevice>(kTwoOutputsBox, written, refuse),
                           [&] { return outputs; });
  EXPECT_FALSE(route.Move({0, 0})) << "no outputs: nowhere to map the point";
  outputs = kTwoOutputs;
  refuse = true;
  EXPECT_FALSE(route.Move({0, 0}));
  EXPECT_FALSE(route.Button(true));
  EXPECT_TRUE(written.empty());
  EXPECT_TRUE(UinputMoveEvents({0, 0, 0, 0}, kTwoOutputsBox, {0, 0}).empty())
      << "a device made over no layout has no range";
}

}  // namespace
}  // namespace clickora::platform::input_routing
