#pragma once

#include <oaidl.h>
#include <windows.h>

#include "timer_control/long_timer_identity.h"

namespace clickora::horolon {

// Makes one LongTimer control object (the class factory's work) and answers iid on it.
HRESULT CreateLongTimerObject(REFIID iid, void** out);

inline constexpr DISPID kDispidInterval = identity::kIntervalDispId;
inline constexpr DISPID kDispidEnabled = identity::kEnabledDispId;
inline constexpr DISPID kDispidOnTimer = identity::kOnTimerDispId;
inline constexpr DWORD kMiscStatus = 132497;  // 0x20591

}  // namespace clickora::horolon
