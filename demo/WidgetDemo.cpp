// widget_demo: a toolkit window with the widgets of the main window and a few more: a label, a
// link label whose click prints a line, a default push button that runs a five-second fake
// progress on a worker thread (reported through the window's synchronous user event, as the
// converter does), a "Keep on Top" check box, two radio buttons, spacers, text fields, sliders,
// the resizing grip, and a group box holding a combo box of 40 entries with a heading and
// separator rows. Every listener event is printed on standard output, one line each. It ends
// when closed. A menu bar (File with Exit; View with check items and a radio group) and a context
// menu on the window print every choice as "menu <id>" or "context menu <id>".
#include "gui/combobox/ComboBoxItem.h"
#include "gui/image/boxes/OptionPanels.h"
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/CheckBox.h"
#include "gui/win/ComboBox.h"
#include "gui/win/GroupBox.h"
#include "gui/win/Label.h"
#include "gui/win/MenuEx.h"
#include "gui/win/PopupMenu.h"
#include "gui/win/ProgressBar.h"
#include "gui/win/RadioButton.h"
#include "gui/win/Slider.h"
#include "gui/win/Spacer.h"
#include "gui/win/TextField.h"
#include "gui/win/Window.h"
#include "imaging/bmp/EncodeSetting.h"
#include "imaging/gif/EncodeSetting.h"
#include "imaging/gui/IEncodeSettingBox.h"
#include "imaging/jpg/EncodeSetting.h"
#include "imaging/png/EncodeSetting.h"
#include "platform/reg/MappedData.h"
#include "platform/reg/win/RegDir.h"
#include "skin/DefaultDrawers.h"
#include "skin/drawer/slider/win/Thin.h"

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

namespace {

using namespace s::gui::win;

/// Prints one line for each event it hears.
class Printer : public s::gui::events::IEventListener {
 public:
  Printer(const char* what, std::function<void(int32_t)> then = nullptr)
      : m_what(what), m_then(std::move(then)) {}
  void onEvent(s::base::IObject*, int32_t eventId) override {
    std::printf("%s %d\n", m_what, static_cast<int>(eventId));
    std::fflush(stdout);
    if (m_then) {
      m_then(eventId);
    }
  }

 private:
  const char* m_what;
  std::function<void(int32_t)> m_then;
};

constexpr int32_t kSteps = 50;

/// Prints the id a menu chose, then runs `then` with it.
class ChoicePrinter : public s::gui::events::IEventListener {
 public:
  ChoicePrinter(const char* what, std::function<int32_t()> id, std::function<void(int32_t)> then)
      : m_what(what), m_id(std::move(id)), m_then(std::move(then)) {}
  void onEvent(s::base::IObject*, int32_t) override {
    const int32_t id = m_id();
    std::printf("%s %d\n", m_what, static_cast<int>(id));
    std::fflush(stdout);
    if (m_then) {
      m_then(id);
    }
  }

 private:
  const char* m_what;
  std::function<int32_t()> m_id;
  std::function<void(int32_t)> m_then;
};

s::gui::menuitem::MenuItem* menuEntry(int32_t id, const char16_t* text, bool checked = false) {
  s::gui::menuitem::MenuItem* item = s::gui::menuitem::MenuItem::take();
  item->commandId = id;
  item->separator = id < 0;
  item->text->assign(text);
  item->checked = checked;
  return item;
}

// The menu bar's and the context menu's command ids.
enum MenuCommand : int32_t {
  kExit = 1,
  kShowLink = 10,
  kShowStatus = 11,
  kSmall = 20,
  kMedium = 21,
  kLarge = 22,
  kCopy = 30,
  kPaste = 31,
  kAbout = 32,
};

/// Three text fields (plain, password, read-only), a native slider and a thin-drawn two-thumb
/// slider with a fill band and a hue gradient, each printing its events.
void addFieldsAndSliders(Box* column) {
  static Printer changed("text changed");
  static Printer entered("text enter");
  static Printer left("text focus lost");
  const char16_t* texts[] = {u"plain", u"secret", u"read-only"};
  for (int i = 0; i < 3; ++i) {
    TextField* field = TextField::take();
    field->setFixedWidth(160);
    field->setText(texts[i], false);
    field->setPassword(i == 1);
    field->setEditable(i != 2);
    field->addChangeListener(&changed);
    field->addEnterListener(&entered);
    field->addFocusLostListener(&left);
    column->add(field);
  }
  static Printer nativeMoved("native slider");
  Slider* native = makeSlider(-1, -1);
  native->setFixedWidth(200);
  native->setFixedHeight(32);
  native->setPosition(30);
  native->setTicksVisible(true);
  native->addChangeListener(&nativeMoved);
  column->add(native);
  static Printer drawnMoved("thin slider");
  Slider* drawn = makeSlider(-1, -1);
  drawn->setFixedWidth(200);
  drawn->setPosition(20);
  drawn->setSecondValue(70);
  drawn->setTwoThumbs(true);
  drawn->setShowFill(true);
  drawn->setGradient(2, 100, 100);
  drawn->setDrawer(s::gui::drawer::slider::win::Thin::take(), true);
  drawn->addChangeListener(&drawnMoved);
  column->add(drawn);
}

/// A "Save options..." button that opens a window with the BMP, GIF, JPEG and PNG save-option
/// panels, bound to four settings in the registry database, and an OK button that applies them
/// and prints what each setting now holds; the window grows by the button's row.
void addSaveOptionsButton(Window* window, Box* column) {
  static s::reg::MappedData* store = nullptr;
  static s::image::IEncodeSetting* settings[4] = {};
  static Window* options = nullptr;
  static Printer applied("save options", [](int32_t) {
    for (s::image::IEncodeSetting* setting : settings) {
      std::printf("%s applied %d\n",
                  setting == settings[0]   ? "bmp"
                  : setting == settings[1] ? "gif"
                  : setting == settings[2] ? "jpg"
                                           : "png",
                  setting->applyPanel() ? 1 : 0);
    }
    auto* bmp = static_cast<s::image::bmp::EncodeSetting*>(settings[0]);
    auto* jpg = static_cast<s::image::jpg::EncodeSetting*>(settings[2]);
    std::printf("bmp bpp %d keep %d color %02x%02x%02x; jpg quality %d\n",
                static_cast<int>(bmp->getBpp()), bmp->getKeepTransparency() ? 1 : 0,
                static_cast<int>(bmp->getBgRed()), static_cast<int>(bmp->getBgGreen()),
                static_cast<int>(bmp->getBgBlue()), static_cast<int>(jpg->getQuality()));
    std::fflush(stdout);
  });
  static Printer opened("save options opened", [](int32_t) {
    if (options != nullptr) {
      options->show(true, true);
      return;
    }
    s::image::gui::boxes::installOptionPanels();
    store = s::reg::MappedData::take();
    auto* base = s::reg::win::RegDir::take();
    base->open(HKEY_CURRENT_USER, u"Software\\Tovi");
    store->setBaseKey(base);
    settings[0] = s::image::bmp::EncodeSetting::take();
    settings[1] = s::image::gif::EncodeSetting::take();
    settings[2] = s::image::jpg::EncodeSetting::take();
    settings[3] = s::image::png::EncodeSetting::take();
    options = Window::take();
    options->setTitle(u"Save options");
    options->setSize(900, 560);
    Box* content = makeBox(1, 100, 100, 0, 0, 0, 8, 8, 8);
    Box* rows[2] = {makeBox(0, 100, 100, 0, 0, 8, 0, 0, 0), makeBox(0, 100, 100, 0, 0, 8, 0, 0, 0)};
    for (int i = 0; i < 4; ++i) {
      settings[i]->bind(u"Software\\Tovi\\WidgetDemo", store);
      s::image::gui::IEncodeSettingBox* panel = settings[i]->createPanel();
      panel->setOwnerWindow(options);
      rows[i / 2]->add(panel->buildPanel());
    }
    content->add(rows[0]);
    content->add(rows[1]);
    Button* ok = Button::take();
    ok->setText(u"OK");
    ok->addClickListener(&applied);
    content->add(ok);
    options->add(content);
    options->show(true, true);
  });
  Button* open = Button::take();
  open->setText(u"Save options...");
  open->addClickListener(&opened);
  column->add(open);
  // Room for the button's row below the rest, which keeps its size (360 x 540 without it).
  window->setSize(360, 576);
}

}  // namespace

int main() {
  s::skin::installDefaultDrawers();
  INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&init);
  Window* window = Window::take();
  if (window == nullptr || window->getHandle() == nullptr) {
    std::fprintf(stderr, "widget_demo: the window could not be made\n");
    return 1;
  }
  window->setTitle(u"Widget demo");
  window->setSize(360, 540);
  window->setResizable(true);

  Box* column = makeBox(1, 100, 100, 0, 0, 0, 6, 8, 8);

  // The menu bar and the context menu.
  PopupMenu* file = PopupMenu::take();
  file->setTitle(u"File");
  file->add(menuEntry(kExit, u"E&xit\tAlt+F4"));
  PopupMenu* view = PopupMenu::take();
  view->setTitle(u"View");
  view->add(menuEntry(kShowLink, u"Show the &link", true));
  view->add(menuEntry(kShowStatus, u"Show the &status", true));
  view->add(menuEntry(-1, u""));
  view->add(menuEntry(kSmall, u"&Small"));
  view->add(menuEntry(kMedium, u"&Medium"));
  view->add(menuEntry(kLarge, u"L&arge"));
  view->checkRadioById(kMedium);
  MenuEx* bar = MenuEx::take();
  bar->setWidthPercent(100);
  bar->addMenu(file);
  bar->addMenu(view);
  Label* linkLabel = nullptr;  // set below, once the labels exist
  Label* statusLabel = nullptr;
  ChoicePrinter barPrinter(
      "menu", [bar] { return bar->getSelectedId(); },
      [&](int32_t id) {
        if (id == kExit) {
          window->close();
        } else if (id == kShowLink || id == kShowStatus) {
          const bool on = !bar->isChecked(id);
          bar->setChecked(id, on);
          Label* label = id == kShowLink ? linkLabel : statusLabel;
          if (label != nullptr) {
            label->setVisible(on);
          }
        } else if (id >= kSmall && id <= kLarge) {
          view->checkRadioById(id);
        }
      });
  bar->addSelectionListener(&barPrinter);
  column->add(bar);
  PopupMenu* context = PopupMenu::take();
  context->add(menuEntry(kCopy, u"&Copy\tCtrl+C"));
  context->add(menuEntry(kPaste, u"&Paste\tCtrl+V"));
  context->add(menuEntry(-1, u""));
  context->add(menuEntry(kAbout, u"&About"));
  ChoicePrinter contextPrinter(
      "context menu", [context] { return context->getSelectedId(); }, nullptr);
  context->addSelectionListener(&contextPrinter);
  window->setContextMenu(context, true);

  Label* status = makeLabel(u"Ready", false, true, 100001);
  Label* link = makeLabel(u"Open the project page", false, false, 0);
  link->setClickable(true);
  Printer linkPrinter("link clicked");
  link->addClickListener(&linkPrinter);
  linkLabel = link;
  statusLabel = status;
  ProgressBar* progress = ProgressBar::take();
  progress->setFixedWidth(200);
  progress->setFixedHeight(16);
  progress->setRange(0, kSteps);

  std::atomic<bool> running{false};
  std::thread worker;
  Printer userEvent("progress", [&](int32_t) {
    const int64_t done = window->getUserEventArg1();
    progress->setPosition(static_cast<int32_t>(done));
    status->setText(done >= kSteps ? u"Done" : u"Working...", true);
  });
  window->addUserEventListener(&userEvent);
  Button* start = makeButton(-1, -1, -1);
  start->setText(u"Start");
  Printer startPrinter("start clicked", [&](int32_t) {
    if (running.exchange(true)) {
      return;
    }
    if (worker.joinable()) {
      worker.join();
    }
    worker = std::thread([&] {
      for (int32_t step = 1; step <= kSteps; ++step) {
        ::Sleep(5000 / kSteps);
        window->sendUserEvent(step, 0, 0, 0);
      }
      running = false;
    });
  });
  start->addClickListener(&startPrinter);
  start->setDefault();

  CheckBox* onTop = CheckBox::take();
  onTop->setText(u"Keep on Top");
  Printer checked("keep on top checked", [&](int32_t) { window->setKeepOnTop(true); });
  Printer unchecked("keep on top unchecked", [&](int32_t) { window->setKeepOnTop(false); });
  onTop->addCheckListener(&checked);
  onTop->addUncheckListener(&unchecked);
  RadioButton* mp3 = RadioButton::take();
  mp3->setText(u"MP3");
  mp3->setChecked(true, false);
  RadioButton* wav = RadioButton::take();
  wav->setText(u"WAV");
  Printer mp3Printer("mp3 radio");
  Printer wavPrinter("wav radio");
  mp3->addCheckListener(&mp3Printer);
  mp3->addUncheckListener(&mp3Printer);
  wav->addCheckListener(&wavPrinter);
  wav->addUncheckListener(&wavPrinter);
  Spacer* gap = Spacer::take();
  gap->setVertical();
  gap->setFixedHeight(8);
  Button* grip = Button::take();
  grip->setText(u"#Resizer");
  grip->setFixedWidth(14);
  grip->setFixedHeight(14);

  column->add(status);
  column->add(link);
  column->add(progress);
  column->add(start);
  column->add(gap);
  column->add(onTop);
  column->add(mp3);
  column->add(wav);
  addFieldsAndSliders(column);
  column->add(grip);

  // The group box with the combo box: a heading, then 36 entries in groups with separator rows.
  GroupBox* effects = makeGroupBox(u"Effect & level", 100, 1, 0, 0, 6, 4);
  ComboBox* choices = ComboBox::take();
  auto addEntry = [&](const char16_t* text, int64_t value, uint32_t flags) {
    auto* item = s::gui::combobox::makeComboBoxItem(nullptr, -1, value);
    item->text->assign(text);
    item->listFlags = flags;
    choices->addItem(item);
  };
  addEntry(u"Effects", -1, s::gui::combobox::kHeading);
  for (int32_t group = 0; group < 3; ++group) {
    if (group > 0) {
      addEntry(u"------------------------------", -1, s::gui::combobox::kSeparator);
    }
    for (int32_t i = 0; i < 12; ++i) {
      std::u16string text = u"Effect ";
      text += static_cast<char16_t>(u'A' + group);
      text += u' ';
      text += static_cast<char16_t>(u'a' + i);
      addEntry(text.c_str(), group * 12 + i, 0);
    }
  }
  addEntry(u"Short separator", -1, s::gui::combobox::kShortSeparator);
  Printer choicePrinter("combo selected", [&](int32_t) {
    s::gui::combobox::ComboBoxItem* chosen = choices->getSelectedItem();
    const long long value = chosen != nullptr ? static_cast<long long>(chosen->value) : -1;
    std::printf("combo value %lld\n", value);
    std::fflush(stdout);
  });
  choices->addSelectionListener(&choicePrinter);
  choices->select(1, false);
  effects->add(choices);
  column->add(effects);

  addSaveOptionsButton(window, column);
  window->add(column);
  window->show(true, true);
  window->waitUntilClosed();
  if (worker.joinable()) {
    worker.join();
  }
  window->release();
  return 0;
}
