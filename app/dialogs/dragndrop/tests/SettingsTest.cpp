// The converter window bound to the application's settings store: what its menu commands and its
// view switch write, how it finds its stored effect, and its Language menu.
#include "app/dialogs/dragndrop/Dialog.h"
#include "app/dialogs/effect/Dialog.h"
#include "app/dialogs/effect/EffectTable.h"
#include "app/tests/AppFixture.h"
#include "app/tests/UserInput.h"
#include "app/win/AppBase.h"
#include "app/win/AppWindow.h"
#include "app/win/StartUpHooks.h"
#include "core/map/IMappedData.h"
#include "gui/combobox/ComboBoxItem.h"
#include "gui/menuitem/MenuItem.h"
#include "gui/win/ComboBox.h"
#include "gui/win/MenuEx.h"
#include "gui/win/PopupMenu.h"
#include "gui/win/Window.h"
#include "platform/lang/LangPack.h"
#include "platform/lang/Localizer.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

using lumetra::apptest::waitFor;
using s::gui::dialogs::dragndrop::Dialog;
namespace effect = s::sound::gui::dialogs::effect;

constexpr int32_t kFileEntry = 0;
constexpr int32_t kViewEntry = 1;
constexpr int32_t kLanguageEntry = 2;

/// The effect window as the start-up binds it: the application's description of its main
/// window, its settings store and its localizer, on a registry of the test's own.
class BoundConverter : public lumetra::apptest::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    s::app::win::installStartUpHooks();
    m_base = startApp();
    m_main = s::app::win::AppWindow::take();
    m_main->initialize(m_base, u"MainWindow", m_base->getEditionName(), 250, 250, u"Close",
                       m_base->getSkinner(), nullptr);
    m_base->getLocalizer()->selectLanguage(u"English");
  }
  void TearDown() override {
    close();
    winapi::HeadlessDriver::current()->clearAnswers();
    m_main->release();
    AppTest::TearDown();
  }

  /// Shows the window on a UI thread of its own and waits until it has settled.
  void open() {
    m_dialog = effect::Dialog::take();
    m_dialog->bind(m_main, m_base->getSettings(), m_base->getLocalizer());
    m_ui = std::thread([this] { m_dialog->runWindow(); });
    ASSERT_TRUE(waitFor([this] {
      return m_dialog->getWindow() != nullptr && m_dialog->getWindow()->isVisible() &&
             m_dialog->getMenuBar() != nullptr && m_dialog->getMenuBar()->GetSafeHwnd() != nullptr;
    }));
    m_frame = m_dialog->getWindow()->getHandle();
    lumetra::apptest::settle(m_frame);
    m_dialog->getMenuBar()->addSelectionListener(&m_choices);
  }

  /// Closes the window as its close button does and gives the dialog back.
  void close() {
    if (m_dialog == nullptr) {
      return;
    }
    winapi::HeadlessDriver::current()->requestClose(m_frame);
    m_ui.join();
    m_dialog->release();
    m_dialog = nullptr;
  }

  void choose(int32_t entry, int32_t command) {
    lumetra::apptest::chooseFromMenuBar(m_dialog->getMenuBar(), &m_choices, entry, command);
  }

  s::map::IMappedData* store() { return m_base->getSettings(); }

  s::app::win::AppBase* m_base = nullptr;
  s::app::win::AppWindow* m_main = nullptr;
  effect::Dialog* m_dialog = nullptr;
  lumetra::apptest::ChoiceCounter m_choices;
  std::thread m_ui;
  HWND m_frame = nullptr;
};

}  // namespace

TEST_F(BoundConverter, MenuCommandsWriteTheirSettings) {
  open();
  const bool onTop = m_main->isKeepOnTop();
  EXPECT_TRUE(onTop) << "the main window starts on top";
  choose(kViewEntry, Dialog::kCommandKeepOnTop);
  EXPECT_EQ(m_main->isKeepOnTop(), !onTop);
  EXPECT_EQ(store()->getBool(u"MainWindow\\View", u"KeepOnTop", onTop), !onTop);
  choose(kViewEntry, Dialog::kCommandRightClickTransform);
  EXPECT_FALSE(store()->getBool(u"MainWindow\\View", u"RightClickTransform", true));
  const bool easyDrag = m_main->isEasyDrag();
  choose(kViewEntry, Dialog::kCommandEasyDrag);
  EXPECT_EQ(store()->getBool(u"MainWindow\\View", u"EasyDrag", easyDrag), !easyDrag);
  choose(kViewEntry, Dialog::kCommandCloseOnMClick);
  EXPECT_EQ(
      std::u16string(store()->getString(u"MainWindow\\View", u"OnMClick", u"", nullptr, false)),
      u"DoNothing")
      << "the window closed on a middle click before";
  choose(kViewEntry, Dialog::kCommandCloseOnMClick);
  EXPECT_EQ(
      std::u16string(store()->getString(u"MainWindow\\View", u"OnMClick", u"", nullptr, false)),
      u"Close");

  for (const auto& [command, setting] :
       {std::pair{Dialog::kCommandOutputSubFolder, Dialog::kOutputSubFolder},
        std::pair{Dialog::kCommandOutputDesktop, Dialog::kOutputDesktop},
        std::pair{Dialog::kCommandOutputSameFolder, Dialog::kOutputSameFolder}}) {
    choose(kFileEntry, command);
    EXPECT_EQ(store()->getInt32(u"MainWindow\\File", u"OutputFolderSetting", -1), setting)
        << "command " << command;
  }
  std::filesystem::create_directories(m_dir.file("Out There"));
  const std::u16string folder = m_dir.windowsPath("Out There");
  winapi::HeadlessDriver::current()->scriptFolder(folder);
  choose(kFileEntry, Dialog::kCommandOtherFolder);
  EXPECT_EQ(store()->getInt32(u"MainWindow\\File", u"OutputFolderSetting", -1),
            Dialog::kOutputCustom);
  EXPECT_EQ(std::u16string(store()->getString(u"MainWindow\\File", u"OutputDirCustomPath0", u"",
                                              nullptr, false)),
            folder);
  EXPECT_EQ(std::u16string(store()->getString(u"MainWindow\\File", u"LastBrowsedOutputDirPath", u"",
                                              nullptr, false)),
            folder);
  choose(kFileEntry, Dialog::kCommandOutputSameFolder);
  choose(kFileEntry, Dialog::kCommandOutputCustom);
  EXPECT_EQ(store()->getInt32(u"MainWindow\\File", u"OutputFolderSetting", -1),
            Dialog::kOutputCustom)
      << "the custom entry takes its folder back";

  // The next window starts from what was written.
  close();
  open();
  EXPECT_EQ(m_dialog->getMenuBar()->isChecked(Dialog::kCommandKeepOnTop), !onTop);
  EXPECT_EQ(m_dialog->getWindow()->isKeepOnTop(), !onTop);
  EXPECT_FALSE(m_dialog->getMenuBar()->isChecked(Dialog::kCommandRightClickTransform));
  EXPECT_EQ(m_dialog->getOutputFolderSetting(), Dialog::kOutputCustom);
  EXPECT_EQ(std::u16string(m_dialog->getCustomOutputPath()), folder);
}

TEST_F(BoundConverter, TheViewSwitchStoresTheSizeOfTheViewItLeaves) {
  open();
  ASSERT_TRUE(m_dialog->isCompact());
  s::gui::win::Window* window = m_dialog->getWindow();
  const int32_t smallWidth = window->getWidth();
  const int32_t smallHeight = window->getHeight();
  // The right-click transform switches the view, as the user's right click does.
  ::PostMessageW(m_frame, WM_RBUTTONDOWN, 0, MAKELPARAM(5, 5));
  ASSERT_TRUE(waitFor([this] { return !m_dialog->isCompact(); }));
  lumetra::apptest::settle(m_frame);
  EXPECT_EQ(store()->getInt32(u"MainWindow\\View", u"SmallWidth", -1), smallWidth);
  EXPECT_EQ(store()->getInt32(u"MainWindow\\View", u"SmallHeight", -1), smallHeight);
  EXPECT_FALSE(store()->getBool(u"MainWindow\\View", u"CompactView", true));
  EXPECT_FALSE(store()->hasKey(u"MainWindow\\View", u"LargeWidth"))
      << "the view being entered stores nothing";
  const int32_t largeWidth = window->getWidth();
  const int32_t largeHeight = window->getHeight();
  EXPECT_GT(largeWidth, smallWidth);

  ::PostMessageW(m_frame, WM_RBUTTONDOWN, 0, MAKELPARAM(5, 5));
  ASSERT_TRUE(waitFor([this] { return m_dialog->isCompact(); }));
  lumetra::apptest::settle(m_frame);
  EXPECT_EQ(store()->getInt32(u"MainWindow\\View", u"LargeWidth", -1), largeWidth);
  EXPECT_EQ(store()->getInt32(u"MainWindow\\View", u"LargeHeight", -1), largeHeight);
  EXPECT_TRUE(store()->getBool(u"MainWindow\\View", u"CompactView", false));
}

TEST_F(BoundConverter, TheStoredEffectIsFoundByItsTextInAnyLanguage) {
  s::lang::Localizer* texts = m_base->getLocalizer();
  const std::u16string english = texts->getText(effect::effectRow(effect::kPitchUp).textId);
  store()->setString(u"MainWindow\\View", u"ConvertTo", english.c_str());
  open();
  EXPECT_EQ(m_dialog->getEffectList()->getSelectedIndex(), effect::kPitchUp);
  close();

  // Chosen in English, restarted in German: no German entry shows the stored text, and the
  // same row is found through its English text.
  texts->selectLanguage(u"German");
  const std::u16string german = texts->getText(effect::effectRow(effect::kPitchUp).textId);
  ASSERT_NE(german, english);
  store()->setString(u"MainWindow\\View", u"ConvertTo", english.c_str());
  open();
  EXPECT_EQ(m_dialog->getEffectList()->getSelectedIndex(), effect::kPitchUp);
  close();

  // Stored in Japanese and shown in German, it is found as well.
  const WCHAR* japanese =
      texts->findPackByTag(u"jpn")->getText(effect::effectRow(effect::kBassBoost).textId);
  store()->setString(u"MainWindow\\View", u"ConvertTo", japanese);
  open();
  EXPECT_EQ(m_dialog->getEffectList()->getSelectedIndex(), effect::kBassBoost);
  close();

  // A text that is no row's in any language still falls back to the first row.
  store()->setString(u"MainWindow\\View", u"ConvertTo", u"No such effect");
  open();
  EXPECT_EQ(m_dialog->getEffectList()->getSelectedIndex(), 0);
}

TEST_F(BoundConverter, TheFirstOpenStoresTheEffectItShows) {
  ASSERT_FALSE(store()->hasKey(u"MainWindow\\View", u"ConvertTo"));
  open();
  const int32_t shown = m_dialog->getEffectList()->getSelectedIndex();
  ASSERT_EQ(shown, 0) << "the first row, which the box shows of itself";
  const std::u16string text = m_base->getLocalizer()->getText(effect::effectRow(shown).textId);
  EXPECT_EQ(
      std::u16string(store()->getString(u"MainWindow\\View", u"ConvertTo", u"", nullptr, false)),
      text);
}

TEST_F(BoundConverter, TheLanguageMenuNamesEveryPackInItsOwnLanguageInPackOrder) {
  open();
  s::lang::Localizer* texts = m_base->getLocalizer();
  s::gui::win::PopupMenu* languages = m_dialog->getLanguageMenu();
  ASSERT_EQ(texts->getPackCount(), 40);
  for (int32_t i = 0; i < texts->getPackCount(); ++i) {
    s::gui::menuitem::MenuItem* item = languages->getItem(Dialog::kCommandFirstLanguage + i);
    ASSERT_NE(item, nullptr) << "pack " << i;
    EXPECT_EQ(std::u16string(item->getText()),
              std::u16string(texts->getPack(i)->getTrueName()->getCStr()))
        << "pack " << i;
    EXPECT_EQ(item->radioChecked, i == texts->getCurrentIndex()) << "pack " << i;
  }
  EXPECT_EQ(std::u16string(texts->getPack(0)->getEngName()->getCStr()), u"English");

  // Choosing one marks it alone and stores its English name.
  const int32_t last = texts->getPackCount() - 1;
  choose(kLanguageEntry, Dialog::kCommandFirstLanguage + last);
  EXPECT_EQ(texts->getCurrentIndex(), last);
  EXPECT_TRUE(languages->getItem(Dialog::kCommandFirstLanguage + last)->radioChecked);
  EXPECT_FALSE(languages->getItem(Dialog::kCommandFirstLanguage)->radioChecked);
  EXPECT_EQ(std::u16string(m_base->getLanguage()),
            std::u16string(texts->getPack(last)->getEngName()->getCStr()));
}
