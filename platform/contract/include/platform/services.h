#pragma once

#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/global_hot_key.h"
#include "platform/interval_timer.h"
#include "platform/keep_awake.h"
#include "platform/pick_surface.h"
#include "platform/program_services.h"
#include "platform/session_state.h"
#include "platform/target_integrity.h"

namespace clickora::platform {

// Everything apart from the window that a program's logic reaches through the platform. The
// backend (Windows, Linux, or the test fake) owns the objects; the logic only borrows them.
struct Services {
  MillisecondClock& clock;
  TimerService& timers;
  ProgramServices& program;
  PointerInput& pointer;
  TimeOfDay& time_of_day;
  FileSystem& files;
  GlobalHotKey& stop_key;  // the key that stops a click run
  PickSurface& pick;       // the point picked with the mouse
  KeepAwake& keep_awake;   // held while a click run is going
  SessionState& session;
  TargetIntegrity& target_integrity;
};

}  // namespace clickora::platform
