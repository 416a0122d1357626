#include "autoclick/frm_mouse_pos_design.h"

#include <string>
#include <string_view>
#include <vector>

#include "autoclick/texts.h"

namespace clickora::autoclick {
namespace {

using platform::Charset;
using platform::ColourDesign;
using platform::ControlDesign;
using platform::ControlKind;
using platform::FontDesign;

const FontDesign kComicSans{.face = "Comic Sans MS", .points = 8.25, .charset = Charset::kWestern};
const FontDesign kComicSansBold{
    .face = "Comic Sans MS", .points = 8.25, .bold = true, .charset = Charset::kWestern};
const FontDesign kTahomaThai{.face = "Tahoma", .points = 8.25, .charset = Charset::kThai};
const FontDesign kTahomaThaiBold{
    .face = "Tahoma", .points = 8.25, .bold = true, .charset = Charset::kThai};
const FontDesign kTahomaWestern{.face = "Tahoma", .points = 8.25, .charset = Charset::kWestern};

constexpr ColourDesign kLightGreen = ColourDesign::Rgb(128, 255, 128);
constexpr ColourDesign kHighlightText = ColourDesign::HighlightText();

constexpr ControlKind kTextBox = ControlKind::kTextBox;
constexpr ControlKind kOptionButton = ControlKind::kOptionButton;
constexpr ControlKind kLabel = ControlKind::kLabel;

std::string Text(std::string_view text) {
  return std::string(text);
}

// Front to back.
std::vector<ControlDesign> Controls() {
  return {
      {.name = "Text1",
       .kind = kTextBox,
       .left = 600,
       .top = 600,
       .width = 2535,
       .height = 375,
       .text = Text(texts::kText1Start),
       .font = kComicSans,
       .back_colour = kLightGreen},
      {.name = "Option2",
       .kind = kOptionButton,
       .left = 2160,
       .top = 2400,
       .width = 1575,
       .height = 255,
       .text = Text(texts::kOption2Caption),
       .font = kTahomaThai,
       .back_colour = kHighlightText,
       .enabled = false},  // start-up enables it
      {.name = "Option1",
       .kind = kOptionButton,
       .left = 720,
       .top = 2400,
       .width = 1095,
       .height = 255,
       .text = Text(texts::kOption1Caption),
       .font = kTahomaThai,
       .back_colour = kHighlightText},
      {.name = "Text8",
       .kind = kTextBox,
       .left = 2040,
       .top = 1680,
       .width = 1095,
       .height = 375,
       .text = "1",
       .font = kComicSans,
       .max_length = 5},
      // The click counter: hidden, and beyond the window's visible width as well.
      {.name = "Text7",
       .kind = kTextBox,
       .left = 3720,
       .top = 240,
       .width = 375,
       .height = 375,
       .text = "1",
       .visible = false},
      {.name = "Text6",
       .kind = kTextBox,
       .left = 600,
       .top = 1680,
       .width = 1095,
       .height = 375,
       .text = "5",
       .font = kComicSans,
       .max_length = 8},
      {.name = "Text5",
       .kind = kTextBox,
       .left = 2040,
       .top = 1080,
       .width = 1095,
       .height = 375,
       .text = "500",
       .font = kComicSans},
      {.name = "Text4",
       .kind = kTextBox,
       .left = 600,
       .top = 1080,
       .width = 1095,
       .height = 375,
       .text = "500",
       .font = kComicSans},
      {.name = "Text2",
       .kind = kTextBox,
       .left = 600,
       .top = 120,
       .width = 2535,
       .height = 375,
       .text = Text(texts::kText2Start),
       .font = kComicSans,
       .back_colour = kLightGreen,
       .tool_tip = Text(texts::kPickTip)},
      {.name = "Command4",
       .kind = ControlKind::kCommandButton,
       .left = 240,
       .top = 3720,
       .width = 3135,
       .height = 495,
       .text = Text(texts::kStartCaption),
       .font = kTahomaWestern},
      // The two black hints on the white panel.
      {.name = "Label8",
       .kind = kLabel,
       .left = 240,
       .top = 3240,
       .width = 3615,
       .height = 255,
       .text = Text(texts::kLabel8Caption),
       .font = kTahomaThai,
       .transparent = true},
      {.name = "Label7",
       .kind = kLabel,
       .left = 240,
       .top = 2880,
       .width = 3015,
       .height = 255,
       .text = Text(texts::kLabel7Caption),
       .font = kTahomaThai,
       .transparent = true},
      // The opaque white lower panel.
      {.name = "Label10",
       .kind = kLabel,
       .left = -120,
       .top = 2280,
       .width = 4335,
       .height = 2055,
       .back_colour = kHighlightText},
      // The white captions that stand on the background picture.
      {.name = "Label9",
       .kind = kLabel,
       .left = 120,
       .top = 600,
       .width = 375,
       .height = 255,
       .text = Text(texts::kLabel9Caption),
       .font = kTahomaThaiBold,
       .fore_colour = kHighlightText,
       .transparent = true},
      {.name = "Label6",
       .kind = kLabel,
       .left = 120,
       .top = 195,
       .width = 495,
       .height = 255,
       .text = Text(texts::kLabel6Caption),
       .font = kTahomaThaiBold,
       .fore_colour = kHighlightText,
       .transparent = true},
      {.name = "Label5",
       .kind = kLabel,
       .left = 1800,
       .top = 1755,
       .width = 375,
       .height = 255,
       .text = Text(texts::kLabel5Caption),
       .font = kTahomaThaiBold,
       .fore_colour = kHighlightText,
       .transparent = true},
      {.name = "Label4",
       .kind = kLabel,
       .left = 1800,
       .top = 1155,
       .width = 375,
       .height = 255,
       .text = Text(texts::kLabel4Caption),
       .font = kComicSansBold,
       .fore_colour = kHighlightText,
       .transparent = true},
      {.name = "Label3",
       .kind = kLabel,
       .left = 360,
       .top = 1155,
       .width = 375,
       .height = 375,
       .text = Text(texts::kLabel3Caption),
       .font = kComicSansBold,
       .fore_colour = kHighlightText,
       .transparent = true},
      {.name = "Label2",
       .kind = kLabel,
       .left = 240,
       .top = 1755,
       .width = 495,
       .height = 375,
       .text = Text(texts::kLabel2Caption),
       .font = kTahomaThaiBold,
       .fore_colour = kHighlightText,
       .transparent = true},
      {.name = "Label1",
       .kind = kLabel,
       .left = 3200,
       .top = 1755,
       .width = 375,
       .height = 255,
       .text = Text(texts::kLabel1Caption),
       .font = kTahomaThaiBold,
       .fore_colour = kHighlightText,
       .transparent = true},
  };
}

}  // namespace

platform::FormDesign FrmMousePosDesign() {
  return {
      .name = "frmMousePos",
      .caption = Text(texts::kWindowDesignCaption),
      .client_width = 7365,
      .client_height = 5655,
      .left = 5145,
      .top = 4395,
      .background_picture = Text(texts::kBackgroundPicture),
      .icon = Text(texts::kIcon),
      .controls = Controls(),
      // The option group is one stop of the Tab key: its selected button takes the focus.
      .tab_order = {"Command4", "Text2", "Text4", "Text5", "Text6", "Text8", "Option1", "Option2",
                    "Text1"},
      .initial_focus = "Command4",
      .timers = {{.name = "Timer10", .interval_ms = 1, .enabled = true}},
      // Saved properties as the window keeps them: names in lower case, values as text.
      .embedded_controls =
          {
              {.name = "LongTimer1",
               .class_name = Text(texts::kLongTimerClass),
               .saved_properties = {{"interval", "0"}}},
              {.name = "LongTimer2",
               .class_name = Text(texts::kLongTimerClass),
               .saved_properties = {{"interval", "0"}}},
          },
      .file_dialogs = {"CommonDialog1"},
      .menus =
          {
              {.name = "file",
               .caption = Text(texts::kMenuFile),
               .items = {{.name = "openna", .caption = Text(texts::kMenuOpen)},
                         {.name = "Savena", .caption = Text(texts::kMenuSave)},
                         {.name = "exitna", .caption = Text(texts::kMenuExit)}}},
              {.name = "regis",
               .caption = Text(texts::kMenuManual),
               .items = {{.name = "Aboutja", .caption = Text(texts::kMenuManual)}}},
          },
      .keys = {{.name = "PickKey", .key = Text(texts::kPickKeys)}},
  };
}

}  // namespace clickora::autoclick
