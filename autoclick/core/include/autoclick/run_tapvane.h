#pragma once

#include "platform/form_runtime.h"
#include "platform/services.h"

namespace clickora::autoclick {

// The exit status of a program whose window could not be created.
inline constexpr int kExitCannotStart = 3;

// The whole program on any backend: creates frmMousePos from its design and runs it until the
// program ends. When the window cannot be created (in practice: the LongTimer class is not
// registered) the user is told why and how to mend it, and the result is kExitCannotStart.
int RunTapvane(platform::FormRuntime& runtime, platform::Services& services);

}  // namespace clickora::autoclick
