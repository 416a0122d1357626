#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace clickora::platform {

// Design data of a window: everything a backend needs to create a window and its controls before
// any code of the program runs. Geometry is in twips (1/1440 inch; 15 twips to the pixel at
// 96 DPI), measured from the top-left corner of the window's client area. Texts are UTF-8.

enum class Charset : std::uint8_t { kWestern, kThai };

// Every member has a default, so that a design written with designated initializers names only
// the settings that differ from it.
struct FontDesign {
  std::string face{};  // "Tahoma", "Comic Sans MS"
  double points = 8.25;
  bool bold = false;
  Charset charset = Charset::kWestern;
};

// A colour as the design gives it: the control's default, a fixed RGB value, or a system colour
// that follows the user's colour scheme.
struct ColourDesign {
  enum class Kind : std::uint8_t { kDefault, kRgb, kHighlightText };
  Kind kind = Kind::kDefault;
  std::uint8_t red = 0, green = 0, blue = 0;

  static constexpr ColourDesign Default() { return {}; }
  static constexpr ColourDesign Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return {Kind::kRgb, r, g, b};
  }
  static constexpr ColourDesign HighlightText() { return {Kind::kHighlightText, 0, 0, 0}; }
  friend bool operator==(const ColourDesign&, const ColourDesign&) = default;
};

enum class ControlKind : std::uint8_t { kTextBox, kOptionButton, kCommandButton, kLabel };

struct ControlDesign {
  std::string name{};
  ControlKind kind = ControlKind::kLabel;
  int left = 0, top = 0, width = 0, height = 0;  // twips
  std::string text{};                            // start text or caption
  std::optional<FontDesign> font{};              // nullopt: the window's default font
  ColourDesign back_colour{};
  ColourDesign fore_colour{};
  bool transparent = false;  // labels: drawn over whatever lies beneath
  bool visible = true;
  bool enabled = true;
  int max_length = 0;      // text boxes: typed characters allowed, 0 = no limit
  std::string tool_tip{};  // text boxes: shown while the pointer rests on the box; empty for none
};

// A control of the given kind, place and size (twips) and start text, with every other setting at
// its default.
inline ControlDesign PlacedControl(std::string name, ControlKind kind, int left, int top, int width,
                                   int height, std::string text = {}) {
  ControlDesign control;
  control.name = std::move(name);
  control.kind = kind;
  control.left = left;
  control.top = top;
  control.width = width;
  control.height = height;
  control.text = std::move(text);
  return control;
}

struct TimerDesign {
  std::string name{};
  int interval_ms = 0;
  bool enabled = false;
};

// A control created by class name (ProgID) with the window, loaded from its saved properties.
struct EmbeddedControlDesign {
  std::string name{};
  std::string class_name{};
  std::vector<std::pair<std::string, std::string>>
      saved_properties{};  // name as stored, text value
};

struct MenuItemDesign {
  std::string name{};
  std::string caption{};
  std::vector<MenuItemDesign> items{};  // a drop-down's entries; empty for a command
};

// A key of the window: pressed while the window is active, whichever of its controls has the
// focus, it raises (name, "Pressed") and reaches no control. Not a key of the whole desktop.
struct WindowKeyDesign {
  std::string name{};  // "PickKey"
  std::string key{};   // one named key in key-string notation, "{F8}"
};

struct FormDesign {
  std::string name{};
  std::string caption{};
  int client_width = 0, client_height = 0;  // twips, the design surface
  int left = 0, top = 0;                    // twips, client area's top-left on the screen
  std::string background_picture{};         // asset name; drawn unscaled at the client origin
  std::string icon{};                       // asset name
  std::vector<ControlDesign> controls{};    // front to back
  std::vector<std::string> tab_order{};     // names of the controls that take focus, in order
  std::string initial_focus{};              // name of the control that holds the focus at start
  std::vector<TimerDesign> timers{};
  std::vector<EmbeddedControlDesign> embedded_controls{};
  std::vector<std::string> file_dialogs{};  // names of common file dialog components
  std::vector<MenuItemDesign> menus{};      // the menu bar, left to right
  std::vector<WindowKeyDesign> keys{};
};

}  // namespace clickora::platform
