// The thin window skin's presets and how its fifteen colours reach the drawers.
#include "skin/drawer/skin/ThinWindow.h"

#include "gui/IFontSetting.h"
#include "skin/drawer/button/win/Thin.h"
#include "skin/drawer/checkbox/win/Thin.h"
#include "skin/drawer/combo/win/Thin.h"
#include "skin/drawer/counter/win/Basic.h"
#include "skin/drawer/groupbox/win/Thin.h"
#include "skin/drawer/listbox/win/Thin.h"
#include "skin/drawer/listheader/win/Thin.h"
#include "skin/drawer/menu/win/Basic.h"
#include "skin/drawer/radiobutton/win/Thin.h"
#include "skin/drawer/scrollbar/win/Thin.h"
#include "skin/drawer/slider/win/Thin.h"
#include "skin/drawer/statusbar/win/Thin.h"
#include "skin/drawer/tabbox/win/Thin.h"
#include "skin/drawer/text/win/Basic.h"
#include "skin/drawer/window/win/Thin.h"

namespace s::gui::drawer::skin {

namespace {

struct Preset {
  int32_t number;
  const WCHAR* name;
  Rgb colors[15];
};

// W1 to W15: window background, window border, disabled, control frame, group frame, control
// text, text shade, fill, selection, selected text, list background, list text, list line,
// counter first and second colour. The "II" presets differ from their base only in W6.
constexpr Preset kPresets[] = {
    {1,
     u"Black",
     {{51, 51, 51},
      {85, 85, 85},
      {85, 85, 85},
      {176, 176, 176},
      {176, 176, 176},
      {255, 255, 255},
      {51, 51, 51},
      {153, 153, 153},
      {204, 204, 204},
      {0, 0, 0},
      {255, 255, 255},
      {0, 0, 0},
      {238, 238, 238},
      {213, 235, 107},
      {255, 165, 0}}},
    {2,
     u"Ivory",
     {{242, 240, 230},
      {0, 0, 0},
      {170, 170, 170},
      {0, 0, 0},
      {0, 0, 0},
      {0, 0, 0},
      {238, 238, 238},
      {176, 176, 176},
      {176, 176, 176},
      {240, 238, 228},
      {255, 255, 255},
      {0, 0, 0},
      {238, 238, 238},
      {176, 176, 176},
      {255, 165, 0}}},
    {3,
     u"White",
     {{255, 255, 255},
      {68, 68, 68},
      {204, 204, 204},
      {68, 68, 68},
      {68, 68, 68},
      {0, 0, 0},
      {238, 238, 238},
      {119, 119, 119},
      {119, 119, 119},
      {255, 255, 255},
      {255, 255, 255},
      {0, 0, 0},
      {238, 238, 238},
      {119, 119, 119},
      {255, 165, 0}}},
    {4,
     u"Beige",
     {{236, 233, 216},
      {0, 0, 0},
      {170, 170, 170},
      {0, 0, 0},
      {0, 0, 0},
      {0, 0, 0},
      {238, 238, 238},
      {168, 162, 128},
      {168, 162, 128},
      {236, 233, 216},
      {255, 255, 255},
      {0, 0, 0},
      {238, 238, 238},
      {168, 162, 128},
      {255, 165, 0}}},
    {6,
     u"Sky Blue",
     {{194, 223, 255},
      {87, 133, 255},
      {87, 133, 255},
      {87, 133, 255},
      {87, 133, 255},
      {0, 0, 0},
      {238, 238, 238},
      {87, 133, 255},
      {87, 133, 255},
      {255, 255, 255},
      {255, 255, 255},
      {0, 0, 0},
      {238, 238, 238},
      {87, 133, 255},
      {255, 165, 0}}},
    {7,
     u"Yellow",
     {{252, 255, 91},
      {224, 206, 0},
      {224, 206, 0},
      {224, 206, 0},
      {224, 206, 0},
      {0, 0, 0},
      {238, 238, 238},
      {224, 206, 0},
      {224, 206, 0},
      {255, 255, 255},
      {255, 255, 255},
      {0, 0, 0},
      {238, 238, 238},
      {168, 255, 83},
      {255, 165, 0}}},
    {8,
     u"Pink",
     {{255, 194, 230},
      {255, 93, 162},
      {255, 93, 162},
      {255, 93, 162},
      {255, 93, 162},
      {0, 0, 0},
      {238, 238, 238},
      {255, 93, 162},
      {255, 93, 162},
      {255, 255, 255},
      {255, 255, 255},
      {0, 0, 0},
      {238, 238, 238},
      {255, 48, 92},
      {255, 165, 0}}},
    {9,
     u"Salmon Red",
     {{255, 48, 92},
      {255, 189, 203},
      {255, 189, 203},
      {255, 189, 203},
      {255, 189, 203},
      {255, 255, 255},
      {51, 51, 51},
      {255, 189, 203},
      {255, 189, 203},
      {255, 48, 92},
      {255, 255, 255},
      {0, 0, 0},
      {238, 238, 238},
      {255, 194, 230},
      {255, 165, 0}}},
    {10,
     u"Green",
     {{184, 255, 61},
      {129, 160, 7},
      {129, 160, 7},
      {129, 160, 7},
      {129, 160, 7},
      {0, 0, 0},
      {238, 238, 238},
      {143, 175, 17},
      {143, 175, 17},
      {255, 255, 255},
      {255, 255, 255},
      {0, 0, 0},
      {238, 238, 238},
      {143, 175, 17},
      {255, 165, 0}}},
    {11,
     u"Khaki",
     {{62, 92, 0},
      {146, 185, 65},
      {146, 185, 65},
      {146, 185, 65},
      {146, 185, 65},
      {255, 255, 255},
      {51, 51, 51},
      {221, 135, 2},
      {221, 135, 2},
      {62, 92, 0},
      {255, 255, 255},
      {0, 0, 0},
      {238, 238, 238},
      {213, 235, 107},
      {255, 165, 0}}},
    {12,
     u"Indigo",
     {{49, 0, 130},
      {192, 125, 255},
      {192, 125, 255},
      {192, 125, 255},
      {192, 125, 255},
      {255, 255, 255},
      {51, 51, 51},
      {195, 158, 255},
      {195, 158, 255},
      {49, 0, 130},
      {255, 255, 255},
      {0, 0, 0},
      {238, 238, 238},
      {192, 125, 255},
      {255, 165, 0}}},
    {13,
     u"Orange",
     {{255, 207, 61},
      {221, 135, 2},
      {221, 135, 2},
      {221, 135, 2},
      {221, 135, 2},
      {0, 0, 0},
      {238, 238, 238},
      {221, 135, 2},
      {221, 135, 2},
      {255, 255, 255},
      {255, 255, 255},
      {0, 0, 0},
      {238, 238, 238},
      {255, 255, 255},
      {255, 165, 0}}},
    {16,
     u"Black II",
     {{51, 51, 51},
      {85, 85, 85},
      {85, 85, 85},
      {176, 176, 176},
      {176, 176, 176},
      {221, 221, 221},
      {51, 51, 51},
      {153, 153, 153},
      {204, 204, 204},
      {0, 0, 0},
      {255, 255, 255},
      {0, 0, 0},
      {238, 238, 238},
      {213, 235, 107},
      {255, 165, 0}}},
    {17,
     u"Black Black",
     {{0, 0, 0},
      {51, 51, 51},
      {51, 51, 51},
      {176, 176, 176},
      {176, 176, 176},
      {255, 255, 255},
      {51, 51, 51},
      {153, 153, 153},
      {204, 204, 204},
      {0, 0, 0},
      {255, 255, 255},
      {0, 0, 0},
      {238, 238, 238},
      {213, 235, 107},
      {255, 165, 0}}},
    {18,
     u"Black Black II",
     {{0, 0, 0},
      {51, 51, 51},
      {51, 51, 51},
      {176, 176, 176},
      {176, 176, 176},
      {221, 221, 221},
      {51, 51, 51},
      {153, 153, 153},
      {204, 204, 204},
      {0, 0, 0},
      {255, 255, 255},
      {0, 0, 0},
      {238, 238, 238},
      {213, 235, 107},
      {255, 165, 0}}},
    {19,
     u"Classic LG",
     {{116, 116, 116},
      {17, 17, 17},
      {86, 86, 86},
      {17, 17, 17},
      {17, 17, 17},
      {255, 255, 255},
      {51, 51, 51},
      {116, 116, 116},
      {25, 25, 25},
      {255, 255, 255},
      {49, 49, 49},
      {191, 191, 191},
      {56, 56, 56},
      {195, 234, 0},
      {25, 25, 25}}},
};

enum Colour {
  kWindowBackground,
  kWindowBorder,
  kDisabled,
  kControlFrame,
  kGroupFrame,
  kControlText,
  kTextShade,
  kFill,
  kSelection,
  kSelectedText,
  kListBackground,
  kListText,
  kListLine,
  kCounterFirst,
  kCounterSecond,
};

void colorText(IFontSetting* setting, const Rgb& color) {
  if (setting != nullptr) setting->setTextColor(color.red, color.green, color.blue);
}

}  // namespace

ThinWindow* ThinWindow::build(const WCHAR* name, const Rgb (&colors)[15]) {
  ThinWindow* skin = take();
  if (skin == nullptr) return nullptr;
  skin->setName(name);
  const Rgb& border = colors[kWindowBorder];
  const Rgb& background = colors[kWindowBackground];

  skin->setWindowDrawer(window::win::Thin::createWithColors(
      border.red, border.green, border.blue, background.red, background.green, background.blue));

  const Rgb& frame = colors[kControlFrame];
  button::win::Thin* buttonDrawer =
      button::win::Thin::createWithColor(frame.red, frame.green, frame.blue);
  if (buttonDrawer != nullptr) {
    const Rgb& disabled = colors[kDisabled];
    const Rgb& selection = colors[kSelection];
    buttonDrawer->setDisabledColor(disabled.red, disabled.green, disabled.blue);
    buttonDrawer->setToggledFrameColor(frame.red, frame.green, frame.blue);
    buttonDrawer->setToggledBackgroundColor(selection.red, selection.green, selection.blue);
    colorText(buttonDrawer->getFontSetting(), colors[kControlText]);
    colorText(buttonDrawer->getDisabledFontSetting(), disabled);
    colorText(buttonDrawer->getSecondFontSetting(), colors[kSelectedText]);
  }
  skin->setButtonDrawer(buttonDrawer);

  text::win::Basic* textDrawer = text::win::Basic::take();
  if (textDrawer != nullptr) {
    IFontSetting* first = textDrawer->getFontSetting();
    colorText(first, colors[kControlText]);
    first->setEffectColor1(background.red, background.green, background.blue);
    const Rgb& shade = colors[kTextShade];
    first->setEffectColor2(shade.red, shade.green, shade.blue);
    colorText(textDrawer->getDisabledFontSetting(), colors[kDisabled]);
    colorText(textDrawer->getLinkFontSetting(), colors[kControlText]);
    colorText(textDrawer->getLinkHoverFontSetting(), colors[kControlFrame]);
  }
  skin->setTextDrawer(textDrawer);

  if (scrollbar::win::Thin* bar = scrollbar::win::Thin::take()) {
    bar->setThickness(15);
    bar->setThumbColor(colors[kControlFrame].red, colors[kControlFrame].green,
                       colors[kControlFrame].blue);
    bar->setTrackColor(colors[kFill].red, colors[kFill].green, colors[kFill].blue);
    skin->setScrollBarDrawer(bar);
  }
  if (checkbox::win::Thin* box = checkbox::win::Thin::take()) {
    box->setFrameColor(colors[kControlFrame].red, colors[kControlFrame].green,
                       colors[kControlFrame].blue);
    box->setTextColor(colors[kControlText].red, colors[kControlText].green,
                      colors[kControlText].blue);
    box->setDisabledTextColor(colors[kDisabled].red, colors[kDisabled].green,
                              colors[kDisabled].blue);
    skin->setCheckBoxDrawer(box);
  }
  if (radiobutton::win::Thin* radio = radiobutton::win::Thin::take()) {
    radio->setRingColor(colors[kControlFrame].red, colors[kControlFrame].green,
                        colors[kControlFrame].blue);
    radio->setTextColor(colors[kControlText].red, colors[kControlText].green,
                        colors[kControlText].blue);
    radio->setDisabledTextColor(colors[kDisabled].red, colors[kDisabled].green,
                                colors[kDisabled].blue);
    skin->setRadioButtonDrawer(radio);
  }
  if (slider::win::Thin* slider = slider::win::Thin::take()) {
    slider->setThumbColor(frame.red, frame.green, frame.blue);
    slider->setFillColor(colors[kFill].red, colors[kFill].green, colors[kFill].blue);
    slider->setDisabledColor(colors[kDisabled].red, colors[kDisabled].green,
                             colors[kDisabled].blue);
    skin->setSliderDrawer(slider);
  }

  if (counter::win::Basic* counter = counter::win::Basic::take()) {
    const Rgb& first = colors[kCounterFirst];
    const Rgb& second = colors[kCounterSecond];
    counter->setFirstColor(first.red, first.green, first.blue);
    counter->setSecondColor(second.red, second.green, second.blue);
    skin->setCounterDrawer(counter);
  }
  const Rgb& selection = colors[kSelection];
  const Rgb& selected = colors[kSelectedText];
  const Rgb& controlText = colors[kControlText];
  if (listheader::win::Thin* header = listheader::win::Thin::take()) {
    header->setPressedShift(true);
    header->setBackgroundColor(frame.red, frame.green, frame.blue);
    header->setFillColor(selection.red, selection.green, selection.blue);
    colorText(header->getFontSetting(), selected);
    skin->setListHeaderDrawer(header);
  }
  const Rgb& listBackground = colors[kListBackground];
  const Rgb& listText = colors[kListText];
  const Rgb& listLine = colors[kListLine];
  skin->setListBoxDrawer(listbox::win::Thin::createWithColors(
      listBackground.red, listBackground.green, listBackground.blue, listText.red, listText.green,
      listText.blue, selection.red, selection.green, selection.blue, selected.red, selected.green,
      selected.blue, listLine.red, listLine.green, listLine.blue));
  if (statusbar::win::Thin* status = statusbar::win::Thin::take()) {
    status->setColor(frame.red, frame.green, frame.blue);
    skin->setStatusBarDrawer(status);
  }
  auto colorCombo = [&](ICombo* combo) {
    if (combo == nullptr) return;
    combo->setTextColor(controlText.red, controlText.green, controlText.blue);
    combo->setFrameColor(frame.red, frame.green, frame.blue);
    combo->setDisabledTextColor(controlText.red, controlText.green, controlText.blue);
  };
  if (menu::win::Basic* menu = menu::win::Basic::createWithColors(
          controlText.red, controlText.green, controlText.blue, frame.red, frame.green, frame.blue,
          background.red, background.green, background.blue)) {
    colorCombo(menu->getComboDrawer());
    skin->setMenuDrawer(menu);
  }
  if (combo::win::Thin* combo = combo::win::Thin::take()) {
    colorCombo(combo);
    skin->setComboDrawer(combo);
  }
  if (groupbox::win::Thin* group = groupbox::win::Thin::take()) {
    const Rgb& groupFrame = colors[kGroupFrame];
    group->setFrameColor(groupFrame.red, groupFrame.green, groupFrame.blue);
    colorText(group->getFontSetting(), controlText);
    colorText(group->getDisabledFontSetting(), controlText);
    skin->setGroupBoxDrawer(group);
  }
  if (tabbox::win::Thin* tabs = tabbox::win::Thin::take()) {
    tabs->setColor(frame.red, frame.green, frame.blue);
    colorText(tabs->getFontSetting(), controlText);
    colorText(tabs->getDisabledFontSetting(), controlText);
    colorText(tabs->getPageFontSetting(), controlText);
    skin->setTabBoxDrawer(tabs);
  }
  return skin;
}

ThinWindow* ThinWindow::createPreset(int32_t number) {
  for (const Preset& preset : kPresets) {
    if (preset.number == number) return build(preset.name, preset.colors);
  }
  return nullptr;
}

}  // namespace s::gui::drawer::skin
