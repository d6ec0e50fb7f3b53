// The converter window's logic without a window: the output folder of a drop, which drops are
// taken, the progress arithmetic, and a drop on the effect window converted end to end.
#include "app/dialogs/dragndrop/Dialog.h"
#include "app/dialogs/effect/Dialog.h"
#include "app/dialogs/effect/tests/LongPath.h"
#include "app/dialogs/effect/tests/PackedTexts.h"
#include "app/tests/UserInput.h"
#include "app/win/StartUpHooks.h"
#include "core/file/win/PathWin.h"
#include "core/str/strarray/StrArray.h"
#include "gui/dialogs/About3.h"
#include "gui/dialogs/FlexAsker.h"
#include "gui/menuitem/MenuItem.h"
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/ComboBox.h"
#include "gui/win/GroupBox.h"
#include "gui/win/MenuEx.h"
#include "gui/win/PopupMenu.h"
#include "gui/win/Window.h"
#include "platform/lang/LangPack.h"
#include "testlib/Signal.h"
#include "testlib/TempDir.h"
#include "testlib/WavBuilder.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <windows.h>
#include <winmsgbox.h>

#include <gtest/gtest.h>

#include <unistd.h>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using lumetra::testlib::TempDir;
using s::gui::dialogs::dragndrop::Dialog;
namespace fs = std::filesystem;

namespace {

std::vector<std::u16string>& shownTexts() {
  static std::vector<std::u16string> s_texts;
  return s_texts;
}

int WINAPI recordBox(HWND, LPCWSTR text, LPCWSTR, UINT) {
  shownTexts().emplace_back(text != nullptr ? text : u"");
  return IDOK;
}

void writeTone(const fs::path& path, double seconds) {
  const auto frames = static_cast<size_t>(seconds * 44100);
  const auto bytes = lumetra::testlib::WavBuilder::pcmFile(
      lumetra::testlib::toBytes(lumetra::testlib::makeTone(440.0, 0.5, 44100, frames, 2)), 2, 44100,
      16);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

/// A converter whose task waits until the test lets it go, so a drop can arrive during a run.
class HeldDialog final : public Dialog {
 public:
  ~HeldDialog() override {
    letGo();
    waitUntilIdle();
  }
  void run() override {
    {
      std::unique_lock lock(m_lock);
      m_started = true;
      m_changed.notify_all();
      m_changed.wait(lock, [&] { return m_released; });
    }
    Dialog::run();
  }
  bool createsMissingOutputFolder() override { return createsMissing; }
  void waitUntilStarted() {
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [&] { return m_started; });
  }
  void letGo() {
    std::lock_guard lock(m_lock);
    m_released = true;
    m_changed.notify_all();
  }

  bool createsMissing = false;

 private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  bool m_started = false;
  bool m_released = false;
};

class ConverterWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    shownTexts().clear();
    m_previous = winapi::seam::replaceMessageBoxW(&recordBox);
  }
  void TearDown() override { winapi::seam::replaceMessageBoxW(m_previous); }

  s::str::strarray::StrArray* paths(std::initializer_list<std::string> names) {
    s::str::strarray::StrArray* list = s::str::strarray::StrArray::take();
    for (const std::string& name : names) {
      list->addText(m_dir.windowsPath(name).c_str());
    }
    return list;
  }

  TempDir m_dir;
  winapi::seam::MessageBoxFunction m_previous = nullptr;
};

}  // namespace

TEST(ConverterProgress, HalvesLargeTotalsIntoTheBarsRange) {
  int32_t maximum = 0;
  int32_t position = 0;
  Dialog::scaleProgress(100000, 50000, &maximum, &position);
  EXPECT_EQ(maximum, 25001);
  EXPECT_EQ(position, 12501);
  Dialog::scaleProgress(32767, 32767, &maximum, &position);
  EXPECT_EQ(maximum, 32768) << "a total that fits is not halved";
  EXPECT_EQ(position, 32768);
  const int64_t threeGiB = 3LL << 30;
  Dialog::scaleProgress(threeGiB, threeGiB / 2, &maximum, &position);
  EXPECT_GT(maximum, 16384);
  EXPECT_LE(maximum, 32768);
  EXPECT_GT(position, 0);
  EXPECT_NEAR(static_cast<double>(position) / maximum, 0.5, 0.001);
  Dialog::scaleProgress(0, 0, &maximum, &position);
  EXPECT_EQ(maximum, 1);
  EXPECT_EQ(position, 1);
}

TEST_F(ConverterWindow, ResolvesEachOutputFolderSetting) {
  HeldDialog dialog;
  writeTone(m_dir.file("a.wav"), 0.1);
  const std::u16string source = m_dir.windowsPath("a.wav");

  dialog.setOutputFolderSetting(Dialog::kOutputSameFolder);
  ASSERT_TRUE(dialog.resolveOutputFolder(source.c_str()));
  const std::u16string folder = m_dir.windowsPath("a.wav").substr(0, source.size() - 6);
  EXPECT_EQ(std::u16string(dialog.getOutputFolder()->getFullPath()), folder);

  // A sub folder that is missing is made only by a converter that asks for it; else it is usable
  // while its parent is.
  dialog.setOutputFolderSetting(Dialog::kOutputSubFolder);
  ASSERT_TRUE(dialog.resolveOutputFolder(source.c_str()));
  EXPECT_FALSE(fs::exists(m_dir.file("Converted")));
  dialog.createsMissing = true;
  ASSERT_TRUE(dialog.resolveOutputFolder(source.c_str()));
  EXPECT_TRUE(fs::is_directory(m_dir.file("Converted")));
  EXPECT_EQ(std::u16string(dialog.getOutputFolder()->getFullPath()),
            m_dir.windowsPath("Converted"));

  // A custom setting without a path falls back to the source's folder.
  dialog.setOutputFolderSetting(Dialog::kOutputCustom);
  ASSERT_TRUE(dialog.resolveOutputFolder(source.c_str()));
  EXPECT_EQ(dialog.getOutputFolderSetting(), Dialog::kOutputSameFolder);
  EXPECT_TRUE(shownTexts().empty());
}

TEST_F(ConverterWindow, RefusesAFolderThatCannotBeMadeAndSaysWhere) {
  HeldDialog dialog;
  dialog.createsMissing = true;
  std::ofstream(m_dir.file("file")) << "x";
  const std::u16string below = m_dir.windowsPath("file") + u"\\out";
  dialog.setOutputFolderSetting(Dialog::kOutputCustom);
  dialog.setCustomOutputPath(below.c_str());
  EXPECT_FALSE(dialog.resolveOutputFolder(m_dir.windowsPath("a.wav").c_str()));
  EXPECT_EQ(dialog.getOutputFolder(), nullptr);
  ASSERT_EQ(shownTexts().size(), 1u);
  // The message names the folder as the user knows it.
  const std::string shown = m_dir.file("file").string() + "/out";
  EXPECT_EQ(shownTexts()[0], std::u16string(Dialog::kOutputFolderError) + u"\r\n\"" +
                                 std::u16string(shown.begin(), shown.end()) + u"\"");

  if (geteuid() != 0) {
    fs::create_directory(m_dir.file("locked"));
    fs::permissions(m_dir.file("locked"), fs::perms::owner_read | fs::perms::owner_exec);
    dialog.setCustomOutputPath(m_dir.windowsPath("locked").c_str());
    EXPECT_FALSE(dialog.resolveOutputFolder(m_dir.windowsPath("a.wav").c_str()));
    fs::permissions(m_dir.file("locked"), fs::perms::owner_all);
  }
}

TEST_F(ConverterWindow, AFirstPathTooLongForTheProgramNamesTheFolderItWouldUse) {
  HeldDialog dialog;
  // 4,227 bytes: more than the system's path calls take and more than the program's paths hold.
  const lumetra::apptest::LongPath deep(m_dir.path(), 4227, "Deep.wav", {1, 2, 3});
  writeTone(m_dir.file("a.wav"), 0.1);
  const std::u16string drop[] = {deep.windowsPath(), m_dir.windowsPath("a.wav")};
  for (int32_t setting : {Dialog::kOutputSameFolder, Dialog::kOutputSubFolder}) {
    SCOPED_TRACE(setting);
    shownTexts().clear();
    dialog.setOutputFolderSetting(setting);
    s::str::strarray::StrArray* list = s::str::strarray::StrArray::take();
    for (const std::u16string& path : drop) list->addText(path.c_str());
    dialog.onFilesDropped(list);
    list->release();
    EXPECT_FALSE(dialog.isRunning()) << "the first path decides the folder, which is refused";
    EXPECT_EQ(dialog.getPathCount(), 0u);
    ASSERT_EQ(shownTexts().size(), 1u);
    // The folder as the user knows it, whole (the box breaks it where it is too long).
    std::string folder = deep.posixFolder();
    if (setting == Dialog::kOutputSubFolder) folder += "/Converted";
    EXPECT_EQ(shownTexts()[0], std::u16string(Dialog::kOutputFolderError) + u"\r\n\"" +
                                   std::u16string(folder.begin(), folder.end()) + u"\"");
  }
}

TEST_F(ConverterWindow, IgnoresDropsWhileRunningAndDiscardsRefusedOnes) {
  HeldDialog dialog;
  s::str::strarray::StrArray* empty = s::str::strarray::StrArray::take();
  dialog.onFilesDropped(empty);
  EXPECT_FALSE(dialog.isRunning()) << "an empty drop starts nothing";

  // A drop whose folder is refused leaves nothing behind for the next drop.
  std::ofstream(m_dir.file("file")) << "x";
  dialog.setOutputFolderSetting(Dialog::kOutputCustom);
  dialog.setCustomOutputPath((m_dir.windowsPath("file") + u"\\out").c_str());
  s::str::strarray::StrArray* refused = paths({"r1.wav", "r2.wav"});
  dialog.onFilesDropped(refused);
  EXPECT_EQ(dialog.getPathCount(), 0u);
  EXPECT_FALSE(dialog.isRunning());

  dialog.setOutputFolderSetting(Dialog::kOutputSameFolder);
  s::str::strarray::StrArray* first = paths({"a.wav", "b.wav"});
  dialog.onFilesDropped(first);
  EXPECT_TRUE(dialog.isRunning());
  dialog.waitUntilStarted();
  s::str::strarray::StrArray* second = paths({"c.wav"});
  dialog.onFilesDropped(second);
  EXPECT_EQ(dialog.getPathCount(), 2u) << "a drop during a run does not extend the list";

  // The generic task reports each entry and ends the run, which clears the list and the flag.
  dialog.letGo();
  dialog.waitUntilIdle();
  EXPECT_FALSE(dialog.isRunning());
  EXPECT_EQ(dialog.getPathCount(), 0u);
  EXPECT_EQ(dialog.getProgressMaximum(), 1);
  EXPECT_EQ(std::u16string(dialog.getStatusText()), u"Ready");
  for (auto* list : {empty, refused, first, second}) {
    list->release();
  }
}

TEST_F(ConverterWindow, TheEffectWindowConvertsADropWithTheChosenEffect) {
  auto* dialog = s::sound::gui::dialogs::effect::Dialog::take();
  s::gui::IComponent* list = dialog->createTypeSelector();
  s::gui::IComponent* panel = dialog->createOptionsPanel();
  s::gui::win::ComboBox* effects = dialog->getEffectList();
  ASSERT_EQ(effects->getItemCount(), 27);
  // The menus start on their defaults: Speed Up +20 % at normal quality, Bass Boost 5 / Normal.
  using namespace s::sound::gui::dialogs::effect;
  EXPECT_EQ(dialog->getLevelMenu(kSpeedUp)->getSelectedItem()->value, 20);
  EXPECT_EQ(dialog->getQualityMenu(kSpeedUp)->getSelectedItem()->value, 4);
  EXPECT_EQ(dialog->getLevelMenu(kBassBoost)->getSelectedItem()->value, 5);
  EXPECT_EQ(dialog->getQualityMenu(kBassBoost)->getSelectedItem()->value, 3);
  EXPECT_EQ(dialog->getLevelMenu(kVolumeUp)->getSelectedItem()->value, 30);
  EXPECT_EQ(dialog->getQualityMenu(kVolumeUp), nullptr);
  EXPECT_EQ(dialog->getLevelMenu(2), nullptr) << "a separator has no menus";

  // A separator row is never chosen: the list goes back to the entry before.
  effects->select(kVolumeUp, false);
  EXPECT_FALSE(dialog->onSelectorChanged(effects, 0));
  effects->select(17, false);
  EXPECT_TRUE(dialog->onSelectorChanged(effects, 0));
  EXPECT_EQ(effects->getSelectedIndex(), kVolumeUp);

  writeTone(m_dir.file("Tone One.wav"), 0.5);
  writeTone(m_dir.file("Tone Two.wav"), 0.5);
  std::ofstream(m_dir.file("notes.txt")) << "x";
  dialog->setOutputFolderSetting(s::gui::dialogs::dragndrop::Dialog::kOutputSubFolder);
  s::str::strarray::StrArray* drop = paths({"Tone One.wav", "Tone Two.wav", "notes.txt"});
  dialog->onFilesDropped(drop);
  EXPECT_EQ(dialog->getSetting().getIndex(), kVolumeUp);
  EXPECT_EQ(dialog->getSetting().getLevel(), 30);
  dialog->waitUntilIdle();
  EXPECT_FALSE(dialog->isRunning());
  EXPECT_TRUE(fs::exists(m_dir.file("Converted/Tone One (Vol,+30%).wav")));
  EXPECT_TRUE(fs::exists(m_dir.file("Converted/Tone Two (Vol,+30%).wav")));
  EXPECT_FALSE(fs::exists(m_dir.file("Converted/notes (Vol,+30%).txt")));
  ASSERT_EQ(dialog->getResults()->getEntries().size(), 3u);
  EXPECT_EQ(dialog->getResults()->countNotConverted(), 1u);
  EXPECT_EQ(dialog->getResults()->getEntries()[2].result, EntryResult::kNotAudioFile);
  drop->release();
  static_cast<s::gui::win::ComboBox*>(list)->release();
  static_cast<s::gui::win::Box*>(panel)->release();
  dialog->release();
}

TEST_F(ConverterWindow, FilesDroppedOnTheWindowsDropBoxAreConverted) {
  using namespace s::sound::gui::dialogs::effect;
  writeTone(m_dir.file("Drop Me.wav"), 0.5);
  std::ofstream(m_dir.file("readme.txt")) << "x";
  lumetra::apptest::Texts texts;
  texts.get()->selectLanguage(u"English");
  auto* dialog = s::sound::gui::dialogs::effect::Dialog::take();
  dialog->bind(nullptr, nullptr, texts.get());
  std::thread ui([dialog] { dialog->runWindow(); });
  using lumetra::apptest::waitFor;
  ASSERT_TRUE(waitFor([dialog] {
    return dialog->getWindow() != nullptr && dialog->getWindow()->isVisible() &&
           dialog->getDropBox()->GetSafeHwnd() != nullptr;
  }));
  HWND frame = dialog->getWindow()->getHandle();
  ::SendMessageW(frame, WM_NULL, 0, 0);
  EXPECT_EQ(dialog->getEffectList()->getSelectedIndex(), 0) << "nothing stored: the first entry";

  RECT box{};
  ::GetWindowRect(dialog->getDropBox()->GetSafeHwnd(), &box);
  auto* driver = winapi::HeadlessDriver::current();
  ASSERT_NE(driver, nullptr);
  ASSERT_TRUE(
      driver->dropFiles((box.left + box.right) / 2, (box.top + box.bottom) / 2,
                        {m_dir.windowsPath("Drop Me.wav"), m_dir.windowsPath("readme.txt")}));
  const fs::path output = m_dir.file("Drop Me (OpenAir).wav");
  EXPECT_TRUE(waitFor([&] { return fs::exists(output) && !dialog->isRunning(); }));
  dialog->waitUntilIdle();
  ::SendMessageW(frame, WM_NULL, 0, 0);
  EXPECT_FALSE(dialog->isRunning());
  EXPECT_EQ(dialog->getResults()->countNotConverted(), 1u);
  EXPECT_EQ(dialog->getProgressMaximum(), 1) << "the end of the run shows a full bar";
  EXPECT_EQ(std::u16string(dialog->getStatusText()), u"Ready");
  // The report of the file left out comes once the worker's last send has returned.
  EXPECT_TRUE(waitFor([] { return !shownTexts().empty(); }));
  ASSERT_EQ(shownTexts().size(), 1u);
  EXPECT_EQ(shownTexts()[0],
            u"These files were not converted:\nreadme.txt: not an MP3 or WAV file");

  driver->requestClose(frame);
  ui.join();
  dialog->release();
  EXPECT_FALSE(::IsWindow(frame)) << "the window goes with its dialog";
}

namespace {

/// The effect window shown on a thread of its own, driven through its menu bar.
class MenuDrivenWindow : public ConverterWindow {
 protected:
  void SetUp() override {
    ConverterWindow::SetUp();
    // The program's drawers, so the menu bar has entries to click.
    s::app::win::installStartUpHooks();
    texts.get()->selectLanguage(u"English");
    dialog = s::sound::gui::dialogs::effect::Dialog::take();
    dialog->bind(nullptr, nullptr, texts.get());
    ui = std::thread([this] { dialog->runWindow(); });
    ASSERT_TRUE(waitFor([this] {
      return dialog->getWindow() != nullptr && dialog->getWindow()->isVisible() &&
             dialog->getMenuBar() != nullptr && dialog->getMenuBar()->GetSafeHwnd() != nullptr;
    }));
    frame = dialog->getWindow()->getHandle();
    settle();
    dialog->getMenuBar()->addSelectionListener(&choices);
  }
  void TearDown() override {
    winapi::HeadlessDriver::current()->clearAnswers();
    if (ui.joinable()) {
      winapi::HeadlessDriver::current()->requestClose(frame);
      ui.join();
    }
    dialog->release();
    ConverterWindow::TearDown();
  }

  static bool waitFor(const std::function<bool()>& condition) {
    return lumetra::apptest::waitFor(condition);
  }
  void settle() { lumetra::apptest::settle(frame); }

  /// Opens the drop-down at `entry` of the menu bar and chooses `command` in it; a dialog the
  /// command opens is cancelled when asked.
  void choose(int32_t entry, int32_t command, bool cancelDialog = false) {
    lumetra::apptest::chooseFromMenuBar(dialog->getMenuBar(), &choices, entry, command,
                                        cancelDialog);
  }

  std::u16string entryText(s::gui::win::PopupMenu* menu, int32_t command) {
    s::gui::menuitem::MenuItem* item = menu->getItem(command);
    return item != nullptr ? std::u16string(item->getText()) : std::u16string();
  }

  lumetra::apptest::Texts texts;
  lumetra::apptest::ChoiceCounter choices;
  s::sound::gui::dialogs::effect::Dialog* dialog = nullptr;
  std::thread ui;
  HWND frame = nullptr;
};

constexpr int32_t kFileEntry = 0;
constexpr int32_t kViewEntry = 1;
constexpr int32_t kLanguageEntry = 2;

}  // namespace

TEST_F(MenuDrivenWindow, TheMenuBarHoldsEveryMenuWithTheMarksOfTheSettings) {
  s::gui::win::MenuEx* bar = dialog->getMenuBar();
  ASSERT_EQ(bar->getEntryCount(), 4);
  EXPECT_EQ(std::u16string(bar->getEntryText(kFileEntry)), u"File");
  for (int32_t command :
       {0, 2, 100, 110, 120, 125, 300, 321, 322, 323, 330, 10000, 10100, 10200, 10900}) {
    EXPECT_TRUE(bar->contains(command)) << command;
  }
  EXPECT_FALSE(bar->contains(310)) << "no custom folder yet: no entry for it";
  EXPECT_FALSE(bar->contains(250)) << "this window asks no confirmation";
  EXPECT_TRUE(bar->contains(2 + texts.get()->getPackCount() - 1)) << "one entry per language";
  s::gui::win::PopupMenu* output = dialog->getOutputFolderMenu();
  ASSERT_NE(output, nullptr);
  EXPECT_TRUE(output->getItem(321)->radioChecked);
  EXPECT_FALSE(output->getItem(322)->radioChecked);
  EXPECT_TRUE(bar->isChecked(110)) << "right-click transform is on by default";
  EXPECT_EQ(entryText(output, 321), u"Output to:  The Same Folder");
  EXPECT_TRUE(dialog->getLanguageMenu()->getItem(2 + texts.get()->getCurrentIndex())->radioChecked);
}

TEST_F(MenuDrivenWindow, BrowseAndProcessConvertsTheChosenFilesIntoTheChosenFolder) {
  writeTone(m_dir.file("First.wav"), 0.3);
  writeTone(m_dir.file("Second.wav"), 0.3);

  choose(kFileEntry, 322);
  EXPECT_EQ(dialog->getOutputFolderSetting(), Dialog::kOutputSubFolder);
  EXPECT_TRUE(dialog->getOutputFolderMenu()->getItem(322)->radioChecked);
  EXPECT_FALSE(dialog->getOutputFolderMenu()->getItem(321)->radioChecked);

  winapi::HeadlessDriver::current()->scriptFiles(
      {m_dir.windowsPath("First.wav"), m_dir.windowsPath("Second.wav")});
  choose(kFileEntry, 300);
  EXPECT_TRUE(waitFor([&] {
    return fs::exists(m_dir.file("Converted/First (OpenAir).wav")) &&
           fs::exists(m_dir.file("Converted/Second (OpenAir).wav")) && !dialog->isRunning();
  }));
  dialog->waitUntilIdle();
  settle();
  EXPECT_EQ(dialog->getResults()->countNotConverted(), 0u);
  EXPECT_GT(fs::file_size(m_dir.file("Converted/First (OpenAir).wav")), 44u);

  // Cancelling the file dialog starts nothing.
  choose(kFileEntry, 300, true);
  EXPECT_FALSE(dialog->isRunning());

  // Another folder becomes the custom entry, placed after the desktop and marked.
  fs::create_directories(m_dir.file("elsewhere"));
  const std::u16string elsewhere = m_dir.windowsPath("elsewhere");
  winapi::HeadlessDriver::current()->scriptFolder(elsewhere);
  choose(kFileEntry, 330);
  EXPECT_EQ(dialog->getOutputFolderSetting(), Dialog::kOutputCustom);
  EXPECT_EQ(std::u16string(dialog->getCustomOutputPath()), elsewhere);
  s::gui::win::PopupMenu* output = dialog->getOutputFolderMenu();
  ASSERT_TRUE(output->contains(310));
  int32_t desktop = -1;
  int32_t custom = -1;
  ASSERT_TRUE(output->indexOf(323, &desktop));
  ASSERT_TRUE(output->indexOf(310, &custom));
  EXPECT_EQ(custom, desktop + 1);
  EXPECT_TRUE(output->getItem(310)->radioChecked);
  const std::u16string text = entryText(output, 310);
  const std::string shown = m_dir.file("elsewhere").string();
  EXPECT_NE(text.find(u"\"" + std::u16string(shown.begin(), shown.end()) + u"\""),
            std::u16string::npos)
      << std::string(text.begin(), text.end());

  // Choosing it again keeps one entry; the same folder takes the mark back.
  winapi::HeadlessDriver::current()->scriptFolder(elsewhere);
  choose(kFileEntry, 330);
  int32_t count = 0;
  for (int32_t i = 0; i < output->getItemCount(); ++i) {
    int32_t at = -1;
    count += output->indexOf(310, &at) && at == i ? 1 : 0;
  }
  EXPECT_EQ(count, 1);
  choose(kFileEntry, 321);
  EXPECT_EQ(dialog->getOutputFolderSetting(), Dialog::kOutputSameFolder);
  EXPECT_FALSE(output->getItem(310)->radioChecked);
}

TEST_F(MenuDrivenWindow, ViewCommandsToggleTheirMarksAndTheWindow) {
  s::gui::win::MenuEx* bar = dialog->getMenuBar();
  choose(kViewEntry, 100);
  EXPECT_TRUE(bar->isChecked(100));
  EXPECT_TRUE(dialog->getWindow()->isKeepOnTop());
  choose(kViewEntry, 100);
  EXPECT_FALSE(bar->isChecked(100));
  EXPECT_FALSE(dialog->getWindow()->isKeepOnTop());
  choose(kViewEntry, 110);
  EXPECT_FALSE(bar->isChecked(110));
  EXPECT_TRUE(dialog->isCompact());
  ::PostMessageW(frame, WM_RBUTTONDOWN, 0, MAKELPARAM(5, 5));
  settle();
  EXPECT_TRUE(dialog->isCompact()) << "with the transform off a right click leaves the view";
}

TEST_F(MenuDrivenWindow, TheLanguageMenuSwitchesTheTextsOfTheWindowAndItsMenus) {
  s::lang::Localizer* localizer = texts.get();
  s::lang::LangPack* german = nullptr;
  int32_t index = -1;
  for (int32_t i = 0; i < localizer->getPackCount(); ++i) {
    if (std::u16string(localizer->getPack(i)->getEngName()->getCStr()) == u"German") {
      german = localizer->getPack(i);
      index = i;
    }
  }
  ASSERT_GE(index, 0);
  s::gui::win::MenuEx* bar = dialog->getMenuBar();
  const std::u16string englishView = bar->getEntryText(kViewEntry);
  choose(kLanguageEntry, 2 + index);
  EXPECT_EQ(localizer->getCurrentPack(), german);
  EXPECT_TRUE(dialog->getLanguageMenu()->getItem(2 + index)->radioChecked);
  EXPECT_EQ(std::u16string(bar->getEntryText(kViewEntry)),
            std::u16string(localizer->getText(609000)));
  EXPECT_NE(std::u16string(bar->getEntryText(kViewEntry)), englishView);
  EXPECT_EQ(entryText(dialog->getOutputFolderMenu(), 321),
            std::u16string(localizer->getText(608211)));
}

TEST_F(MenuDrivenWindow, TheAboutEntryOpensTheVersionWindowBuiltOnce) {
  constexpr int32_t kAboutEntry = 3;
  choose(kAboutEntry, Dialog::kCommandAbout);
  s::gui::dialogs::About3* about = dialog->getAboutWindow();
  ASSERT_NE(about, nullptr);
  auto shown = [about] { return about->getWindow() != nullptr && about->getWindow()->isVisible(); };
  ASSERT_TRUE(waitFor(shown));
  EXPECT_TRUE(waitFor([this] { return ::IsWindowEnabled(frame) == FALSE; }))
      << "the main window waits for it";
  ::SendMessageW(about->getCloseButton()->GetSafeHwnd(), BM_CLICK, 0, 0);
  ASSERT_TRUE(waitFor([this] { return ::IsWindowEnabled(frame) != FALSE; }));
  choose(kAboutEntry, Dialog::kCommandAbout);
  EXPECT_EQ(dialog->getAboutWindow(), about) << "kept for the next time";
  ASSERT_TRUE(waitFor(shown));
  ::SendMessageW(about->getCloseButton()->GetSafeHwnd(), BM_CLICK, 0, 0);
  EXPECT_TRUE(waitFor([this] { return ::IsWindowEnabled(frame) != FALSE; }));
}

namespace {

/// A converter that asks before it takes a drop, and converts nothing.
class AskingDialog final : public Dialog {
 public:
  ~AskingDialog() override { waitUntilIdle(); }
  bool hasAskConfirmation() override { return true; }
};

}  // namespace

TEST_F(ConverterWindow, AskingBeforeADropTakesItOnlyOnYes) {
  s::app::win::installStartUpHooks();
  // An asker given back to its pool without its check box, as the update question leaves it.
  s::gui::dialogs::FlexAsker* used = s::gui::dialogs::FlexAsker::take();
  used->setShowCheckBox(false);
  used->release();
  writeTone(m_dir.file("Asked.wav"), 0.1);
  lumetra::apptest::Texts texts;
  texts.get()->selectLanguage(u"English");
  AskingDialog dialog;
  dialog.bind(nullptr, nullptr, texts.get());
  std::thread ui([&dialog] { dialog.runWindow(); });
  using lumetra::apptest::waitFor;
  ASSERT_TRUE(
      waitFor([&] { return dialog.getWindow() != nullptr && dialog.getWindow()->isVisible(); }));
  HWND frame = dialog.getWindow()->getHandle();
  ::SendMessageW(frame, WM_NULL, 0, 0);
  EXPECT_TRUE(dialog.getMenuBar()->isChecked(Dialog::kCommandAskConfirmation));
  auto* driver = winapi::HeadlessDriver::current();
  s::str::strarray::StrArray* drop = paths({"Asked.wav"});

  for (bool yes : {false, true}) {
    std::thread dropper([&] { dialog.onFilesDropped(drop); });
    HWND question = nullptr;
    ASSERT_TRUE(waitFor([&] {
      question = ::GetForegroundWindow();
      return question != nullptr && question != frame && ::IsWindowVisible(question) &&
             !::IsWindowEnabled(frame);
    })) << "the question is asked";
    ::SendMessageW(question, WM_NULL, 0, 0);
    int buttons = 0;
    ::EnumChildWindows(
        question,
        [](HWND child, LPARAM count) -> BOOL {
          WCHAR name[16] = {};
          ::GetClassNameW(child, name, 16);
          *reinterpret_cast<int*>(count) += std::u16string(name) == u"Button" ? 1 : 0;
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&buttons));
    EXPECT_EQ(buttons, 3) << "Yes, No and \"Don't ask me again\"";
    if (yes) {
      driver->key(VK_RETURN, true);
      driver->key(VK_RETURN, false);
    } else {
      driver->requestClose(question);
    }
    dropper.join();
    dialog.waitUntilIdle();
    ::SendMessageW(frame, WM_NULL, 0, 0);
    if (!yes) {
      EXPECT_EQ(dialog.getPathCount(), 0u) << "No takes nothing";
      EXPECT_FALSE(dialog.isRunning());
      EXPECT_EQ(dialog.getProgressMaximum(), 0) << "no run was started";
    }
  }
  EXPECT_TRUE(waitFor([&] { return !dialog.isRunning() && dialog.getProgressMaximum() == 1; }))
      << "Yes runs the task to its end";
  drop->release();
  driver->requestClose(frame);
  ui.join();
}

TEST_F(ConverterWindow, TheQuestionBeforeADropHoldsNoLockWhileItWaits) {
  s::app::win::installStartUpHooks();
  writeTone(m_dir.file("Waiting.wav"), 0.1);
  lumetra::apptest::Texts texts;
  texts.get()->selectLanguage(u"English");
  AskingDialog dialog;
  dialog.bind(nullptr, nullptr, texts.get());
  std::thread ui([&dialog] { dialog.runWindow(); });
  using lumetra::apptest::waitFor;
  ASSERT_TRUE(
      waitFor([&] { return dialog.getWindow() != nullptr && dialog.getWindow()->isVisible(); }));
  HWND frame = dialog.getWindow()->getHandle();
  s::str::strarray::StrArray* drop = paths({"Waiting.wav"});
  std::thread dropper([&] { dialog.onFilesDropped(drop); });
  HWND question = nullptr;
  ASSERT_TRUE(waitFor([&] {
    question = ::GetForegroundWindow();
    return question != nullptr && question != frame && ::IsWindowVisible(question) &&
           !::IsWindowEnabled(frame);
  })) << "the question is asked";

  // The worker and the window's other callers take the lock while the user thinks it over.
  std::atomic<bool> counted{false};
  std::thread reader([&] {
    EXPECT_EQ(dialog.getPathCount(), 0u);
    counted.store(true);
  });
  EXPECT_TRUE(waitFor([&] { return counted.load(); })) << "the lock is free during the question";
  winapi::HeadlessDriver::current()->requestClose(question);
  reader.join();
  dropper.join();
  EXPECT_FALSE(dialog.isRunning()) << "closing the question takes nothing";
  drop->release();
  winapi::HeadlessDriver::current()->requestClose(frame);
  ui.join();
}
