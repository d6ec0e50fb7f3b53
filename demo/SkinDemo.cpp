// skin_demo: an own-framed window painted by a skin of the thin catalogues, for looking at the
// skins and trying the own frame by hand.
//   skin_demo [TYPE [PRESET]]     TYPE "Thin" or "ThinWindow" (default), PRESET a name of that
//                                 catalogue (default "Classic LG"; the first preset for "Thin")
// It shows a plain, a toggled and a disabled button, a check box, a radio button, a line with
// the preset's name and the sizing grip. The window drags by its surface, sizes by its edges and
// its grip, takes the next preset of the catalogue on the space bar and ends when its "#X" button
// is clicked (or it is closed). It prints the name of every preset it shows.
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/CheckBox.h"
#include "gui/win/Label.h"
#include "gui/win/RadioButton.h"
#include "gui/win/Window.h"
#include "skin/DefaultDrawers.h"
#include "skin/drawer/Skinner.h"
#include "skin/drawer/ThemeFonts.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

using namespace s::gui::win;
using s::gui::drawer::Skinner;

std::u16string widen(const char* text) {
  std::u16string wide;
  for (const char* p = text; *p != 0; ++p)
    wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(*p)));
  return wide;
}

std::string narrow(const WCHAR* text) {
  std::string plain;
  for (const WCHAR* p = text; p != nullptr && *p != 0; ++p)
    plain.push_back(*p < 0x80 ? static_cast<char>(*p) : '?');
  return plain;
}

/// Takes the next preset on the space bar and names the shown preset in the label.
class PresetSwitch : public s::gui::events::IEventListener {
 public:
  PresetSwitch(Window* window, Skinner* skinner, Label* name)
      : m_window(window), m_skinner(skinner), m_name(name) {}
  void onEvent(s::base::IObject*, int32_t) override {
    if (m_window->getKeyCode() != VK_SPACE || m_skinner->getSkinCount() == 0) {
      return;
    }
    int32_t index = 0;
    m_skinner->findSkin(m_skinner->getCurrentSkin()->getName(), index);
    m_skinner->selectSkin((index + 1) % m_skinner->getSkinCount());
    show();
  }
  void show() {
    const WCHAR* name = m_skinner->getCurrentSkin()->getName();
    m_name->setText(name, true);
    std::printf("preset %s\n", narrow(name).c_str());
    std::fflush(stdout);
  }

 private:
  Window* m_window;
  Skinner* m_skinner;
  Label* m_name;
};

Button* fixedButton(const WCHAR* text, int32_t width, int32_t height) {
  Button* button = Button::take();
  button->setText(text);
  button->setFixedWidth(width);
  button->setFixedHeight(height);
  return button;
}

}  // namespace

int main(int argc, char** argv) {
  s::skin::installDefaultDrawers();
  s::gui::drawer::installThemeFontLookup();
  const std::u16string type = widen(argc > 1 ? argv[1] : "ThinWindow");
  Skinner* skinner = Skinner::take();
  if (skinner == nullptr) {
    std::fprintf(stderr, "skin_demo: out of memory\n");
    return 1;
  }
  skinner->setTypeName(type.c_str());
  skinner->registerSkins();
  if (skinner->getSkinCount() == 0) {
    std::fprintf(stderr, "skin_demo: no catalogue named \"%s\" (Thin or ThinWindow)\n",
                 argc > 1 ? argv[1] : "");
    skinner->release();
    return 2;
  }
  int32_t index = 0;
  if (argc > 2) {
    if (!skinner->findSkin(widen(argv[2]).c_str(), index)) {
      std::fprintf(stderr, "skin_demo: the catalogue has no preset \"%s\"\n", argv[2]);
      skinner->release();
      return 2;
    }
  } else if (!skinner->findSkin(u"Classic LG", index)) {
    index = 0;
  }
  skinner->selectSkin(index);

  Window* window = Window::take();
  if (window == nullptr || window->getHandle() == nullptr) {
    std::fprintf(stderr, "skin_demo: the window could not be made\n");
    skinner->release();
    return 1;
  }
  window->setTitle(u"Skin demo");
  // The skinner first: the widgets take their drawers from it as they are added.
  window->setSkinner(skinner);
  window->setSize(340, 285);
  window->setResizable(true);
  window->setEasyDrag(true);

  Box* column = makeBox(1, 100, 100, 0, 0, 0, 6, 10, 8);
  Button* close = fixedButton(u"#X", 14, 14);
  window->addCloseTrigger(close);

  Label* name = makeLabel(u"", false, true, 0);
  Box* buttons = makeBox(0, 100, -1, 0, 0, 6, 0, 0, 0);
  Button* plain = fixedButton(u"Plain", 75, 23);
  Button* toggled = fixedButton(u"Toggled", 75, 23);
  toggled->setToggleMode(true, true, false, false);
  toggled->setSelected(true);
  Button* disabled = fixedButton(u"Off", 75, 23);
  disabled->setEnabledFlag(false);
  buttons->add(plain);
  buttons->add(toggled);
  buttons->add(disabled);

  CheckBox* check = CheckBox::take();
  check->setText(u"Check box");
  RadioButton* radio = RadioButton::take();
  radio->setText(u"Radio button");
  radio->setChecked(true, false);
  Label* hint = makeLabel(u"Space: next preset", false, true, 0);
  Button* grip = fixedButton(u"#Resizer", 14, 14);

  column->add(close);
  column->add(name);
  column->add(buttons);
  column->add(check);
  column->add(radio);
  column->add(hint);
  column->add(grip);
  window->add(column);

  PresetSwitch presets(window, skinner, name);
  window->addKeyDownListener(&presets);
  presets.show();
  window->show(true, true);
  window->waitUntilClosed();
  window->release();
  skinner->release();
  return 0;
}
