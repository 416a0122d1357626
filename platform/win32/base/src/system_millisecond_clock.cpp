#include <windows.h>
// timeapi.h needs the types of windows.h first.
#include <timeapi.h>

#include "platform/win32/timing.h"

namespace clickora::platform::win32 {

std::uint32_t SystemMillisecondClock::NowMs() {
  return ::timeGetTime();
}

}  // namespace clickora::platform::win32
