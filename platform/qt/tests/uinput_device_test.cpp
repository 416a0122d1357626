#include "uinput_device.h"

#include <gtest/gtest.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <fstream>

#include "platform/posix/temporary_folder.h"

namespace clickora::platform::qt {
namespace {

using input_routing::InputEvent;
using input_routing::UinputButtonEvents;
using input_routing::UinputMoveEvents;

// Reads back what WriteInputEvents put into a pipe, record by record.
std::vector<input_event> WrittenRecords(std::span<const InputEvent> events, bool& taken) {
  std::array<int, 2> pipe_ends{};
  EXPECT_EQ(pipe(pipe_ends.data()), 0);
  taken = WriteInputEvents(pipe_ends[1], events);
  close(pipe_ends[1]);
  std::vector<input_event> records;
  input_event record{};
  while (read(pipe_ends[0], &record, sizeof(record)) == static_cast<ssize_t>(sizeof(record))) {
    records.push_back(record);
  }
  close(pipe_ends[0]);
  return records;
}

TEST(UinputDevice, EventsReachTheDeviceAsTheKernelsRecordsInOrder) {
  const input_routing::OutputArea box{-800, 0, 2080, 720};
  struct Case {
    const char* name;
    std::vector<InputEvent> events;
    std::vector<std::array<int, 3>> records;  // type, code, value
  };
  const Case cases[] = {
      {"a move",
       UinputMoveEvents(box, box, {10, 20}),
       {{EV_ABS, ABS_X, 810}, {EV_ABS, ABS_Y, 20}, {EV_SYN, SYN_REPORT, 0}}},
      {"a press", UinputButtonEvents(true), {{EV_KEY, BTN_LEFT, 1}, {EV_SYN, SYN_REPORT, 0}}},
      {"a release", UinputButtonEvents(false), {{EV_KEY, BTN_LEFT, 0}, {EV_SYN, SYN_REPORT, 0}}},
      {"nothing", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool taken = false;
    const std::vector<input_event> records = WrittenRecords(c.events, taken);
    EXPECT_TRUE(taken);
    ASSERT_EQ(records.size(), c.records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
      EXPECT_EQ(records[i].type, c.records[i][0]);
      EXPECT_EQ(records[i].code, c.records[i][1]);
      EXPECT_EQ(records[i].value, c.records[i][2]);
    }
  }
}

TEST(UinputDevice, AWriteTheDeviceRefusesFails) {
  std::array<int, 2> pipe_ends{};
  ASSERT_EQ(pipe(pipe_ends.data()), 0);
  close(pipe_ends[0]);
  signal(SIGPIPE, SIG_IGN);
  EXPECT_FALSE(WriteInputEvents(pipe_ends[1], UinputButtonEvents(true)));
  close(pipe_ends[1]);
  EXPECT_FALSE(WriteInputEvents(-1, UinputButtonEvents(true)));
}

TEST(UinputDevice, OfferedOnlyWhereAWritableCharacterDeviceIsThere) {
  posix::testing::TemporaryFolder folder("clickora-uinput");
  const std::string plain_file = (folder.path() / "uinput").string();
  std::ofstream(plain_file) << "";
  struct Case {
    const char* name;
    std::string path;
    bool writable;
  };
  const Case cases[] = {
      {"no such device", (folder.path() / "missing").string(), false},
      {"a plain file, not the kernel's device", plain_file, false},
      {"a folder", folder.path().string(), false},
      {"a writable character device", "/dev/null", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(UinputWritable(c.path.c_str()), c.writable);
  }
  EXPECT_EQ(MakeUinputPointer(plain_file.c_str(), {0, 0, 0, 0}), nullptr)
      << "no layout: no range for the axes";
  EXPECT_EQ(MakeUinputPointer(plain_file.c_str(), {0, 0, 1280, 720}), nullptr)
      << "a file that takes no device requests";
}

}  // namespace
}  // namespace clickora::platform::qt
