#pragma once

#include <oaidl.h>
#include <windows.h>

namespace clickora::horolon {

// Makes one LongTimer control object (the class factory's work) and answers iid on it.
HRESULT CreateLongTimerObject(REFIID iid, void** out);

inline constexpr DISPID kDispidInterval = 0x68030003;
inline constexpr DISPID kDispidEnabled = 0x68030002;
inline constexpr DISPID kDispidOnTimer = 1;
inline constexpr DWORD kMiscStatus = 132497;  // 0x20591

}  // namespace clickora::horolon
