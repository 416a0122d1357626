#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

#include "platform/form_design.h"

// Where a form and its controls go, in pixels at a DPI, and in which order the child windows are
// made. Computations only: nothing here creates or moves a window.
namespace clickora::platform::win32 {

// The DPI of the monitor that holds the design's client origin. The origin's pixel position
// depends on the DPI itself, so the system DPI places it first.
unsigned DpiAtDesignPoint(const FormDesign& design);

// The outer rectangle of a window of this style whose client area stands where the design puts
// it, at dpi.
RECT OuterRectForClientAt(const FormDesign& design, unsigned dpi, DWORD style, DWORD ex_style);

// A control's rectangle on the client area at dpi.
RECT ControlRect(const ControlDesign& control, unsigned dpi);

// Win32 moves the keyboard focus in the sibling order of the child windows, so the focusable
// controls, which do not overlap, are made in the design's tab order. The option buttons are made
// together where the first of them stands, so that they form one group; the controls outside the
// tab order come last and take no focus. Labels are not made at all. tab_stop[i] tells whether
// design.controls[i] is a tab stop.
std::vector<std::size_t> CreationOrder(const FormDesign& design, std::vector<bool>& tab_stop);

}  // namespace clickora::platform::win32
