#pragma once

#include <windows.h>

namespace clickora::horolon {

// The control's design-time picture (a clock face with a long hand running on past the hour),
// drawn with GDI into bounds.
void DrawDesignIcon(HDC dc, const RECT& bounds) noexcept;

}  // namespace clickora::horolon
