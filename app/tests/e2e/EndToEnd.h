// The fixture of the end-to-end tests: the program started as the framework's entry point starts
// it, with a registry, a runtime folder and a language of the test's own, and the user's hand
// on its window: the large view, effects picked in the combo boxes, files dropped on the drop box.
#pragma once

#include "app/dialogs/effect/Dialog.h"
#include "app/dialogs/effect/tests/AudioFiles.h"
#include "app/dialogs/effect/tests/PackedTexts.h"
#include "app/tests/RunningApp.h"
#include "app/tests/UserInput.h"
#include "gui/win/ComboBox.h"
#include "gui/win/GroupBox.h"
#include "platform/lang/LangPack.h"
#include "platform/lang/Localizer.h"
#include "testlib/TempDir.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace lumetra::e2e {

namespace fs = std::filesystem;
using lumetra::apptest::RunningApp;
using s::sound::gui::dialogs::effect::Dialog;

// Entries of the menu bar.
constexpr int32_t kFileEntry = 0;
constexpr int32_t kViewEntry = 1;
constexpr int32_t kLanguageEntry = 2;
constexpr int32_t kAboutEntry = 3;

/// Every case runs the program in a fresh folder: its registry database, its runtime folder
/// (where the process publishes its windows) and English from the environment.
class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(m_dir.file("run"));
    fs::permissions(m_dir.file("run"), fs::perms::owner_all);
    setenv("LUMETRA_REGISTRY", m_dir.file("registry.sqlite3").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", m_dir.file("run").c_str(), 1);
    setenv("LANG", "en_US.UTF-8", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    unsetenv("LANGUAGE");
    m_texts.get()->selectLanguage(u"English");
    driver()->clearAnswers();
    driver()->clearShownMessageBoxes();
  }
  void TearDown() override {
    driver()->clearAnswers();
    m_app.close();
  }

  static winapi::HeadlessDriver* driver() { return winapi::HeadlessDriver::current(); }

  /// Starts the program and listens to its menu bar's choices.
  void start() {
    ASSERT_TRUE(m_app.start()) << "the main window shows";
    m_app.dialog()->getMenuBar()->addSelectionListener(&m_choices);
  }
  Dialog* dialog() const { return m_app.dialog(); }
  HWND frame() const { return m_app.frame(); }

  /// A path in the test's folder in the program's form.
  std::u16string path(const std::string& name) const { return m_dir.windowsPath(name); }

  /// A path in the test's folder as the user knows it (test paths are ASCII).
  std::u16string shownPath(const std::string& name) const {
    const std::string posix = m_dir.file(name).string();
    return std::u16string(posix.begin(), posix.end());
  }

  /// The language pack's text of `id` in the test's current language.
  std::u16string text(int32_t id) const { return m_texts.get()->getText(id); }

  /// Chooses `command` from the drop-down of the menu bar's entry `entry`.
  void choose(int32_t entry, int32_t command, bool cancelDialog = false) {
    lumetra::apptest::chooseFromMenuBar(dialog()->getMenuBar(), &m_choices, entry, command,
                                        cancelDialog);
  }

  /// The button that switches the view, by the text it shows in the current language.
  HWND viewButton(bool compact) const {
    const std::u16string caption = text(compact ? 1005000 : 1006000);
    return lumetra::apptest::findChild(
        frame(), u"Button", [&](HWND h) { return lumetra::apptest::windowText(h) == caption; });
  }

  /// Switches to the large view with a click on its button.
  void useLargeView() {
    if (!dialog()->isCompact()) {
      return;
    }
    HWND button = viewButton(true);
    ASSERT_NE(button, nullptr) << "the view button shows";
    lumetra::apptest::clickOn(button);
    ASSERT_TRUE(lumetra::apptest::waitFor([this] { return !dialog()->isCompact(); }));
    ASSERT_TRUE(lumetra::apptest::waitFor([this] {
      return ::IsWindowVisible(dialog()->getEffectList()->GetSafeHwnd()) != FALSE;
    })) << "the effect list shows in the large view";
    m_app.settle();
  }

  /// The row of `menu` that carries `value`.
  static int rowOf(s::gui::win::ComboBox* menu, int64_t value) {
    for (int32_t i = 0; i < menu->getItemCount(); ++i) {
      if (menu->getItem(i)->value == value) {
        return i;
      }
    }
    ADD_FAILURE() << "no row carries " << value;
    return 0;
  }

  /// Picks an effect, its level and (where it has one) its quality by their values, each with a
  /// click on its combo box and one on the row of its drop list.
  void pickEffect(int32_t effect, int64_t level, int64_t quality = 0) {
    ASSERT_FALSE(dialog()->isCompact()) << "the menus show in the large view";
    lumetra::apptest::pickComboRow(dialog()->getEffectList()->GetSafeHwnd(), effect);
    ASSERT_TRUE(lumetra::apptest::waitFor(
        [&] { return dialog()->getEffectList()->getSelectedIndex() == effect; }));
    s::gui::win::ComboBox* levels = dialog()->getLevelMenu(effect);
    ASSERT_NE(levels, nullptr);
    ASSERT_TRUE(lumetra::apptest::waitFor([&] {
      return ::IsWindowVisible(levels->GetSafeHwnd()) != FALSE;
    })) << "the effect's page shows";
    m_app.settle();
    lumetra::apptest::pickComboRow(levels->GetSafeHwnd(), rowOf(levels, level));
    s::gui::win::ComboBox* qualities = dialog()->getQualityMenu(effect);
    if (qualities != nullptr) {
      lumetra::apptest::pickComboRow(qualities->GetSafeHwnd(), rowOf(qualities, quality));
    }
    ASSERT_EQ(levels->getSelectedItem()->value, level);
  }

  /// Drops files on the drop box.
  void drop(const std::vector<std::u16string>& files) {
    HWND box = dialog()->getDropBox()->GetSafeHwnd();
    const POINT at = lumetra::apptest::centreOf(box);
    ASSERT_TRUE(driver()->dropFiles(at.x, at.y, files));
  }

  /// Drops files and waits until the run they started has ended: `firstOutput` exists (it is
  /// made once the drop was taken) and the window has handled the end of the run.
  void dropAndConvert(const std::vector<std::u16string>& files, const fs::path& firstOutput) {
    drop(files);
    ASSERT_TRUE(lumetra::apptest::waitFor(
        [&] { return fs::exists(firstOutput) && !dialog()->isRunning(); }, 60000))
        << firstOutput << " is written and the run ends";
    dialog()->waitUntilIdle();
    m_app.settle();
  }

  /// The message boxes shown since the last call, waiting up to `milliseconds` for at least
  /// `count` of them.
  std::vector<winapi::ShownMessageBox> messageBoxes(size_t count, int milliseconds = 5000) {
    lumetra::apptest::waitFor([&] { return driver()->shownMessageBoxes().size() >= count; },
                              milliseconds);
    std::vector<winapi::ShownMessageBox> boxes = driver()->shownMessageBoxes();
    driver()->clearShownMessageBoxes();
    return boxes;
  }

  /// The boxes' captions and texts, for failure messages.
  static std::string describe(const std::vector<winapi::ShownMessageBox>& boxes) {
    std::string out;
    for (const auto& box : boxes) {
      // Appended piece by piece: GCC 12 at -O3 misreads "literal" + std::string as overlapping.
      out += '[';
      out.append(box.caption.begin(), box.caption.end());
      out += ": ";
      out.append(box.text.begin(), box.text.end());
      out += ']';
    }
    return out;
  }

  /// The index of a language in the pack, by its English name.
  int32_t languageIndex(const char16_t* engName) const {
    s::lang::Localizer* texts = m_texts.get();
    for (int32_t i = 0; i < texts->getPackCount(); ++i) {
      if (std::u16string(texts->getPack(i)->getEngName()->getCStr()) == engName) {
        return i;
      }
    }
    return -1;
  }

  lumetra::testlib::TempDir m_dir;
  lumetra::apptest::Texts m_texts;
  lumetra::apptest::ChoiceCounter m_choices;
  RunningApp m_app;
};

}  // namespace lumetra::e2e
