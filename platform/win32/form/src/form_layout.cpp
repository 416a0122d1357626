#include "form_layout.h"

#include <shellscalingapi.h>

#include <algorithm>
#include <string>

#include "platform/forms/twips.h"

namespace clickora::platform::win32 {
namespace {

std::size_t FindControl(const std::vector<ControlDesign>& controls, std::string_view name) {
  const auto found = std::find_if(controls.begin(), controls.end(),
                                  [&](const ControlDesign& c) { return c.name == name; });
  return static_cast<std::size_t>(found - controls.begin());
}

}  // namespace

unsigned DpiAtDesignPoint(const FormDesign& design) {
  const unsigned system_dpi = ::GetDpiForSystem();
  const POINT point{forms::TwipsToPixels(design.left, system_dpi),
                    forms::TwipsToPixels(design.top, system_dpi)};
  UINT dpi_x = 0, dpi_y = 0;
  const HMONITOR monitor = ::MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST);
  if (FAILED(::GetDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &dpi_x, &dpi_y)) || dpi_x == 0)
    return system_dpi;
  return dpi_x;
}

RECT OuterRectForClientAt(const FormDesign& design, unsigned dpi, DWORD style, DWORD ex_style) {
  const forms::PixelRect client = forms::TwipsRectToPixels(
      design.left, design.top, design.client_width, design.client_height, dpi, dpi);
  RECT rect{client.left, client.top, client.left + client.width, client.top + client.height};
  ::AdjustWindowRectExForDpi(&rect, style, design.menus.empty() ? FALSE : TRUE, ex_style, dpi);
  return rect;
}

RECT ControlRect(const ControlDesign& control, unsigned dpi) {
  const forms::PixelRect place =
      forms::TwipsRectToPixels(control.left, control.top, control.width, control.height, dpi, dpi);
  return {place.left, place.top, place.left + place.width, place.top + place.height};
}

std::vector<std::size_t> CreationOrder(const FormDesign& design, std::vector<bool>& tab_stop) {
  const auto& controls = design.controls;
  std::vector<std::size_t> order;
  std::vector<bool> added(controls.size(), false);
  tab_stop.assign(controls.size(), false);
  auto add = [&](std::size_t index, bool stop) {
    if (index >= controls.size() || added[index] || controls[index].kind == ControlKind::kLabel)
      return;
    added[index] = true;
    tab_stop[index] = stop;
    order.push_back(index);
  };
  for (const std::string& name : design.tab_order) {
    const std::size_t index = FindControl(controls, name);
    if (index >= controls.size() || added[index]) continue;
    if (controls[index].kind != ControlKind::kOptionButton) {
      add(index, true);
      continue;
    }
    for (const std::string& other : design.tab_order) {
      const std::size_t option = FindControl(controls, other);
      if (option < controls.size() && controls[option].kind == ControlKind::kOptionButton)
        add(option, true);
    }
    for (std::size_t option = 0; option < controls.size(); ++option) {
      if (controls[option].kind == ControlKind::kOptionButton) add(option, true);
    }
  }
  for (std::size_t index = 0; index < controls.size(); ++index) add(index, false);
  return order;
}

}  // namespace clickora::platform::win32
