#include <windows.h>

#include <atomic>

#include "platform/win32/system_library.h"
#include "platform/win32/timing.h"

namespace clickora::platform::win32 {
namespace {

using MillisecondCounter = DWORD(WINAPI*)();

// The same count of milliseconds since the system started, at the tick's resolution: the clock
// keeps going on a system whose winmm.dll cannot be had.
DWORD WINAPI TickCount() {
  return ::GetTickCount();
}

// winmm.dll is not one of the libraries that the system always takes from its own folder, so it
// is not imported (the loader would look beside the program first) but loaded by full path at
// the clock's first call. It stays loaded for the process: the entry lives in a static.
MillisecondCounter BindTimeGetTime() {
  SystemLibrary winmm(L"winmm.dll");
  const auto time_get_time = winmm.Entry<MillisecondCounter>("timeGetTime");
  if (time_get_time == nullptr) return &TickCount;
  winmm.KeepForProcess();
  return time_get_time;
}

// Bound once per module. Two threads binding at the same moment would both find the same entry;
// the second only adds a reference to the library.
std::atomic<MillisecondCounter> bound_counter{nullptr};

}  // namespace

std::uint32_t SystemMillisecondClock::NowMs() {
  MillisecondCounter counter = bound_counter.load(std::memory_order_acquire);
  if (counter == nullptr) {
    counter = BindTimeGetTime();
    bound_counter.store(counter, std::memory_order_release);
  }
  return counter();
}

}  // namespace clickora::platform::win32
