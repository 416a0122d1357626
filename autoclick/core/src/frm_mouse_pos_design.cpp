#include "autoclick/frm_mouse_pos_design.h"

#include <string>

#include "autoclick/texts.h"

namespace clickora::autoclick {
namespace {

using platform::Charset;
using platform::ColourDesign;
using platform::ControlDesign;
using platform::ControlKind;
using platform::FontDesign;

const FontDesign kComicSans{"Comic Sans MS", 8.25, false, Charset::kWestern};
const FontDesign kComicSansBold{"Comic Sans MS", 8.25, true, Charset::kWestern};
const FontDesign kTahomaThai{"Tahoma", 8.25, false, Charset::kThai};
const FontDesign kTahomaThaiBold{"Tahoma", 8.25, true, Charset::kThai};
const FontDesign kTahomaWestern{"Tahoma", 8.25, false, Charset::kWestern};

constexpr ColourDesign kLightGreen = ColourDesign::Rgb(128, 255, 128);
constexpr ColourDesign kHighlightText = ColourDesign::HighlightText();

ControlDesign TextBox(const char* name, int left, int top, int width, int height,
                      std::string_view text) {
  ControlDesign control = platform::PlacedControl(name, ControlKind::kTextBox, left, top, width,
                                                  height, std::string(text));
  control.font = kComicSans;
  return control;
}

// The white captions that stand on the background picture.
ControlDesign WhiteLabel(const char* name, int left, int top, int width, int height,
                         std::string_view caption, const FontDesign& font) {
  ControlDesign control = platform::PlacedControl(name, ControlKind::kLabel, left, top, width,
                                                  height, std::string(caption));
  control.font = font;
  control.fore_colour = kHighlightText;
  control.transparent = true;
  return control;
}

std::vector<ControlDesign> Controls() {
  std::vector<ControlDesign> controls;

  ControlDesign text1 = TextBox("Text1", 600, 600, 2535, 375, texts::kText1Start);
  text1.back_colour = kLightGreen;
  controls.push_back(text1);

  ControlDesign option2;
  option2.name = "Option2";
  option2.kind = ControlKind::kOptionButton;
  option2.left = 2160;
  option2.top = 2400;
  option2.width = 1575;
  option2.height = 255;
  option2.text = texts::kOption2Caption;
  option2.font = kTahomaThai;
  option2.back_colour = kHighlightText;
  option2.enabled = false;  // start-up enables it
  controls.push_back(option2);

  ControlDesign option1 = option2;
  option1.name = "Option1";
  option1.left = 720;
  option1.width = 1095;
  option1.text = texts::kOption1Caption;
  option1.enabled = true;
  controls.push_back(option1);

  ControlDesign text8 = TextBox("Text8", 2040, 1680, 1095, 375, "1");
  text8.max_length = 5;
  controls.push_back(text8);

  // The click counter: hidden, and beyond the window's visible width as well.
  ControlDesign text7 = TextBox("Text7", 3720, 240, 375, 375, "1");
  text7.font.reset();
  text7.visible = false;
  controls.push_back(text7);

  ControlDesign text6 = TextBox("Text6", 600, 1680, 1095, 375, "5");
  text6.max_length = 8;
  controls.push_back(text6);

  controls.push_back(TextBox("Text5", 2040, 1080, 1095, 375, "500"));
  controls.push_back(TextBox("Text4", 600, 1080, 1095, 375, "500"));

  ControlDesign text2 = TextBox("Text2", 600, 120, 2535, 375, texts::kText2Start);
  text2.back_colour = kLightGreen;
  controls.push_back(text2);

  ControlDesign command4;
  command4.name = "Command4";
  command4.kind = ControlKind::kCommandButton;
  command4.left = 240;
  command4.top = 3720;
  command4.width = 3135;
  command4.height = 495;
  command4.text = texts::kStartCaption;
  command4.font = kTahomaWestern;
  controls.push_back(command4);

  // The two black hints on the white panel.
  ControlDesign label8 =
      WhiteLabel("Label8", 240, 3240, 3615, 255, texts::kLabel8Caption, kTahomaThai);
  label8.fore_colour = ColourDesign::Default();
  controls.push_back(label8);
  ControlDesign label7 = label8;
  label7.name = "Label7";
  label7.top = 2880;
  label7.width = 3015;
  label7.text = texts::kLabel7Caption;
  controls.push_back(label7);

  // The opaque white lower panel.
  ControlDesign label10;
  label10.name = "Label10";
  label10.kind = ControlKind::kLabel;
  label10.left = -120;
  label10.top = 2280;
  label10.width = 4335;
  label10.height = 2055;
  label10.back_colour = kHighlightText;
  controls.push_back(label10);

  controls.push_back(
      WhiteLabel("Label9", 120, 600, 375, 255, texts::kLabel9Caption, kTahomaThaiBold));
  controls.push_back(
      WhiteLabel("Label6", 120, 195, 495, 255, texts::kLabel6Caption, kTahomaThaiBold));
  controls.push_back(
      WhiteLabel("Label5", 1800, 1755, 375, 255, texts::kLabel5Caption, kTahomaThaiBold));
  controls.push_back(
      WhiteLabel("Label4", 1800, 1155, 375, 255, texts::kLabel4Caption, kComicSansBold));
  controls.push_back(
      WhiteLabel("Label3", 360, 1155, 375, 375, texts::kLabel3Caption, kComicSansBold));
  controls.push_back(
      WhiteLabel("Label2", 240, 1755, 495, 375, texts::kLabel2Caption, kTahomaThaiBold));
  controls.push_back(
      WhiteLabel("Label1", 3200, 1755, 375, 255, texts::kLabel1Caption, kTahomaThaiBold));
  return controls;
}

}  // namespace

platform::FormDesign FrmMousePosDesign() {
  platform::FormDesign design;
  design.name = "frmMousePos";
  design.caption = texts::kWindowDesignCaption;
  design.client_width = 7365;
  design.client_height = 5655;
  design.left = 5145;
  design.top = 4395;
  design.background_picture = texts::kBackgroundPicture;
  design.icon = texts::kIcon;
  design.controls = Controls();
  // The option group is one stop of the Tab key: its selected button takes the focus.
  design.tab_order = {"Command4", "Text2",   "Text4",   "Text5", "Text6",
                      "Text8",    "Option1", "Option2", "Text1"};
  design.initial_focus = "Command4";
  design.timers = {{"Timer10", 1, true}};
  // Saved properties as the window keeps them: names in lower case, values as text.
  design.embedded_controls = {
      {"LongTimer1", std::string(texts::kLongTimerClass), {{"interval", "0"}}},
      {"LongTimer2", std::string(texts::kLongTimerClass), {{"interval", "0"}}},
  };
  design.file_dialogs = {"CommonDialog1"};
  design.menus = {
      {"file",
       std::string(texts::kMenuFile),
       {{"openna", std::string(texts::kMenuOpen), {}},
        {"Savena", std::string(texts::kMenuSave), {}},
        {"exitna", std::string(texts::kMenuExit), {}}}},
      {"regis",
       std::string(texts::kMenuManual),
       {{"Aboutja", std::string(texts::kMenuManual), {}}}},
  };
  return design;
}

}  // namespace clickora::autoclick
