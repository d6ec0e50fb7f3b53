// The thin skin's presets and how its six colours reach the drawers.
#include "skin/drawer/skin/Thin.h"

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
  Rgb colors[6];
};

// Background, frame, text, slider fill, counter first and second colour.
constexpr Preset kPresets[] = {
    {1,
     u"Black",
     {{51, 51, 51},
      {176, 176, 176},
      {255, 255, 255},
      {176, 176, 176},
      {213, 235, 107},
      {255, 165, 0}}},
    {2,
     u"Light Gray",
     {{240, 238, 228}, {0, 0, 0}, {0, 0, 0}, {176, 176, 176}, {176, 176, 176}, {255, 165, 0}}},
    {3,
     u"White",
     {{255, 255, 255}, {68, 68, 68}, {0, 0, 0}, {119, 119, 119}, {176, 176, 176}, {255, 165, 0}}},
    {4,
     u"Ivory",
     {{236, 233, 216}, {0, 0, 0}, {0, 0, 0}, {168, 162, 128}, {168, 162, 128}, {255, 165, 0}}},
    {6,
     u"Sky Blue",
     {{255, 255, 255}, {87, 133, 255}, {0, 0, 0}, {87, 133, 255}, {87, 133, 255}, {255, 165, 0}}},
    {7,
     u"Yellow",
     {{255, 255, 255}, {224, 206, 0}, {0, 0, 0}, {224, 206, 0}, {224, 206, 0}, {255, 165, 0}}},
    {8,
     u"Pink",
     {{255, 255, 255}, {255, 93, 162}, {0, 0, 0}, {255, 93, 162}, {255, 93, 162}, {255, 165, 0}}},
    {9,
     u"Salmon Red",
     {{255, 48, 92},
      {255, 189, 203},
      {255, 255, 255},
      {255, 189, 203},
      {255, 189, 203},
      {255, 165, 0}}},
    {10,
     u"Green",
     {{255, 255, 255}, {143, 175, 17}, {0, 51, 0}, {143, 175, 17}, {143, 175, 17}, {255, 165, 0}}},
    {11,
     u"Khaki",
     {{62, 92, 0}, {146, 185, 65}, {255, 255, 255}, {221, 135, 2}, {221, 135, 2}, {255, 165, 0}}},
    {12,
     u"Indigo",
     {{75, 0, 130},
      {192, 125, 255},
      {255, 255, 255},
      {192, 125, 255},
      {192, 125, 255},
      {255, 165, 0}}},
    {13,
     u"Orange",
     {{255, 255, 255}, {221, 135, 2}, {0, 0, 0}, {221, 135, 2}, {221, 135, 2}, {255, 165, 0}}},
    {14, u"Green2", {{213, 235, 107}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {255, 165, 0}}},
};

void colorText(IFontSetting* setting, const Rgb& color) {
  if (setting != nullptr) setting->setTextColor(color.red, color.green, color.blue);
}

}  // namespace

Thin* Thin::build(const WCHAR* name, const Rgb (&colors)[6]) {
  Thin* skin = take();
  if (skin == nullptr) return nullptr;
  skin->setName(name);
  const Rgb& background = colors[0];
  const Rgb& frame = colors[1];
  const Rgb& text = colors[2];

  skin->setWindowDrawer(window::win::Thin::createWithColors(
      frame.red, frame.green, frame.blue, background.red, background.green, background.blue));

  button::win::Thin* buttonDrawer =
      button::win::Thin::createWithColor(frame.red, frame.green, frame.blue);
  if (buttonDrawer != nullptr) {
    colorText(buttonDrawer->getFontSetting(), text);
    colorText(buttonDrawer->getDisabledFontSetting(), text);
  }
  skin->setButtonDrawer(buttonDrawer);

  text::win::Basic* textDrawer = text::win::Basic::take();
  if (textDrawer != nullptr) {
    colorText(textDrawer->getFontSetting(), text);
    colorText(textDrawer->getDisabledFontSetting(), text);
  }
  skin->setTextDrawer(textDrawer);

  if (scrollbar::win::Thin* bar = scrollbar::win::Thin::take()) {
    bar->setThickness(15);
    bar->setThumbColor(frame.red, frame.green, frame.blue);
    bar->setTrackColor(background.red, background.green, background.blue);
    skin->setScrollBarDrawer(bar);
  }
  if (checkbox::win::Thin* box = checkbox::win::Thin::take()) {
    box->setFrameColor(frame.red, frame.green, frame.blue);
    box->setTextColor(text.red, text.green, text.blue);
    box->setDisabledTextColor(text.red, text.green, text.blue);
    skin->setCheckBoxDrawer(box);
  }
  if (radiobutton::win::Thin* radio = radiobutton::win::Thin::take()) {
    radio->setRingColor(frame.red, frame.green, frame.blue);
    radio->setTextColor(text.red, text.green, text.blue);
    radio->setDisabledTextColor(text.red, text.green, text.blue);
    skin->setRadioButtonDrawer(radio);
  }
  if (slider::win::Thin* slider = slider::win::Thin::take()) {
    slider->setThumbColor(frame.red, frame.green, frame.blue);
    slider->setFillColor(colors[3].red, colors[3].green, colors[3].blue);
    skin->setSliderDrawer(slider);
  }

  if (counter::win::Basic* counter = counter::win::Basic::take()) {
    counter->setFirstColor(colors[4].red, colors[4].green, colors[4].blue);
    counter->setSecondColor(colors[5].red, colors[5].green, colors[5].blue);
    skin->setCounterDrawer(counter);
  }
  if (listheader::win::Thin* header = listheader::win::Thin::take()) {
    header->setPressedShift(true);
    header->setBackgroundColor(frame.red, frame.green, frame.blue);
    header->setFillColor(background.red, background.green, background.blue);
    colorText(header->getFontSetting(), text);
    skin->setListHeaderDrawer(header);
  }
  // The list's row lines are the same light grey in every thin preset.
  skin->setListBoxDrawer(listbox::win::Thin::createWithColors(
      background.red, background.green, background.blue, text.red, text.green, text.blue, frame.red,
      frame.green, frame.blue, background.red, background.green, background.blue, 243, 243, 243));
  if (statusbar::win::Thin* status = statusbar::win::Thin::take()) {
    status->setColor(frame.red, frame.green, frame.blue);
    skin->setStatusBarDrawer(status);
  }
  skin->setMenuDrawer(menu::win::Basic::createWithColors(text.red, text.green, text.blue, frame.red,
                                                         frame.green, frame.blue, background.red,
                                                         background.green, background.blue));
  if (combo::win::Thin* combo = combo::win::Thin::take()) {
    combo->setTextColor(text.red, text.green, text.blue);
    combo->setFrameColor(frame.red, frame.green, frame.blue);
    combo->setDisabledTextColor(text.red, text.green, text.blue);
    skin->setComboDrawer(combo);
  }
  if (groupbox::win::Thin* group = groupbox::win::Thin::take()) {
    group->setFrameColor(frame.red, frame.green, frame.blue);
    colorText(group->getFontSetting(), text);
    colorText(group->getDisabledFontSetting(), text);
    skin->setGroupBoxDrawer(group);
  }
  if (tabbox::win::Thin* tabs = tabbox::win::Thin::take()) {
    tabs->setColor(frame.red, frame.green, frame.blue);
    skin->setTabBoxDrawer(tabs);
  }
  return skin;
}

Thin* Thin::createPreset(int32_t number) {
  for (const Preset& preset : kPresets) {
    if (preset.number == number) return build(preset.name, preset.colors);
  }
  return nullptr;
}

}  // namespace s::gui::drawer::skin
