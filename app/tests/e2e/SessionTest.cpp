// A user's session with the program: the status bar during a long conversion, the About window,
// the Language menu, and the settings the next start shows; pictures of the windows for people to
// look at.
#include "app/LumetraApp.h"
#include "app/dialogs/effect/EffectTable.h"
#include "app/tests/e2e/EndToEnd.h"
#include "gui/dialogs/About3.h"
#include "gui/win/Button.h"
#include "gui/win/PopupMenu.h"
#include "platform/reg/win/RegDir.h"
#include "testlib/BusyDatabase.h"
#include "testlib/Process.h"

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace lumetra::e2e {
namespace {

using namespace s::sound::gui::dialogs::effect;
using lumetra::apptest::waitFor;
using lumetra::apptest::writeTone;

/// The progress bar of the status bar while it shows, else null. The status bar hides the box
/// it does not show by giving it no width, so the bar shows where it overlaps its box.
HWND shownProgressBar(HWND frame) {
  return lumetra::apptest::findChild(frame, PROGRESS_CLASSW, [](HWND bar) {
    RECT own{};
    RECT box{};
    RECT shown{};
    ::GetWindowRect(bar, &own);
    ::GetWindowRect(::GetParent(bar), &box);
    return ::IntersectRect(&shown, &own, &box) != FALSE;
  });
}

/// Writes a picture of a top-level window into the build folder.
void writePicture(HWND window, const char* name) {
  const std::string file = std::string(APP_PICTURE_FOLDER) + "/" + name;
  EXPECT_TRUE(winapi::HeadlessDriver::current()->dumpFrame(window, file.c_str())) << file;
}

}  // namespace

TEST_F(EndToEnd, TheStatusBarFollowsALongConversion) {
  writeTone(m_dir.file("A Long Song.wav"), 440.0, 60.0);
  start();
  useLargeView();
  pickEffect(kPitchUp, 1, 4);
  HWND bar = shownProgressBar(frame());
  EXPECT_EQ(bar, nullptr) << "the link box shows while nothing runs";

  drop({path("A Long Song.wav")});
  ASSERT_TRUE(waitFor(
      [&] { return std::u16string(dialog()->getStatusText()) == u"A Long Song.wav"; }, 30000))
      << "the status names the file";
  bar = shownProgressBar(frame());
  ASSERT_NE(bar, nullptr) << "the progress bar shows during the run";
  // Some blocks later the bar stands inside its range, short of its end.
  ASSERT_TRUE(waitFor([&] { return ::SendMessageW(bar, PBM_GETPOS, 0, 0) > 0; }));
  PBRANGE range{};
  ::SendMessageW(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  const auto position = static_cast<int>(::SendMessageW(bar, PBM_GETPOS, 0, 0));
  EXPECT_EQ(range.iLow, 0);
  EXPECT_GT(position, range.iLow);
  EXPECT_LT(position, range.iHigh) << "a minute of audio takes many blocks";
  EXPECT_TRUE(dialog()->isRunning());

  ASSERT_TRUE(waitFor([&] { return !dialog()->isRunning(); }, 120000));
  dialog()->waitUntilIdle();
  m_app.settle();
  EXPECT_EQ(std::u16string(dialog()->getStatusText()), u"Ready");
  EXPECT_EQ(shownProgressBar(frame()), nullptr) << "the link box is back";
  EXPECT_TRUE(fs::exists(m_dir.file("A Long Song (Pit,+1).wav")));
}

TEST_F(EndToEnd, AboutLanguageAndSettingsShowAgainAtTheNextStart) {
  fs::create_directories(m_dir.file("Chosen Output"));
  writeTone(m_dir.file("Some Song.wav"), 440.0, 0.3);
  const int32_t german = languageIndex(u"German");
  ASSERT_GE(german, 0);
  {
    start();
    writePicture(frame(), "app_main_window_small.png");

    // The About window opens over the main window, which waits for it, and closes.
    choose(kAboutEntry, Dialog::kCommandAbout);
    s::gui::dialogs::About3* about = dialog()->getAboutWindow();
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(
        waitFor([&] { return about->getWindow() != nullptr && about->getWindow()->isVisible(); }));
    HWND aboutFrame = about->getWindow()->getHandle();
    EXPECT_TRUE(waitFor([&] { return ::IsWindowEnabled(frame()) == FALSE; }));
    winapi::HeadlessDriver::NativeState state;
    ASSERT_TRUE(driver()->nativeState(aboutFrame, &state));
    EXPECT_GT(state.iconWidth, 0) << "the program's icon";
    RECT main{};
    ::GetWindowRect(frame(), &main);
    EXPECT_TRUE(::PtInRect(&state.bounds,
                           POINT{(main.left + main.right) / 2, (main.top + main.bottom) / 2}))
        << "over the main window";
    // The skin picture fills the band under the top bar once it has painted (on the About
    // window's own thread): most of a row there is not the white of the panel.
    winapi::PixelBuffer shown;
    EXPECT_TRUE(waitFor([&] {
      if (!driver()->capture(aboutFrame, &shown) || shown.height <= 40) {
        return false;
      }
      int coloured = 0;
      for (int x = 0; x < shown.width; ++x) {
        coloured += (shown.row(40)[x] & 0xFFFFFF) != 0xFFFFFF ? 1 : 0;
      }
      return coloured > shown.width / 2;
    })) << "the About window shows its picture";
    writePicture(aboutFrame, "app_about_window.png");
    lumetra::apptest::clickOn(about->getCloseButton()->GetSafeHwnd());
    EXPECT_TRUE(waitFor([&] { return ::IsWindowEnabled(frame()) != FALSE; }));
    // The owner is enabled as the About window closes; its frame hides right after.
    EXPECT_TRUE(waitFor([&] { return ::IsWindowVisible(aboutFrame) == FALSE; }));

    useLargeView();
    writePicture(frame(), "app_main_window_large.png");

    // German retexts the menus and the window's own widgets.
    choose(kLanguageEntry, Dialog::kCommandFirstLanguage + german);
    m_texts.get()->selectLanguage(u"German");
    s::gui::win::MenuEx* menuBar = dialog()->getMenuBar();
    EXPECT_EQ(std::u16string(menuBar->getEntryText(kViewEntry)), text(609000));
    EXPECT_EQ(std::u16string(menuBar->getEntryText(kViewEntry)), u"Ansicht");
    EXPECT_TRUE(
        dialog()->getLanguageMenu()->getItem(Dialog::kCommandFirstLanguage + german)->radioChecked);
    EXPECT_NE(viewButton(false), nullptr) << "the view button speaks German";

    // The settings the next start must show. The effect list's choice is stored by its text,
    // so it is made in the language the next start shows.
    pickEffect(kPitchDown, -3, 16);
    ASSERT_TRUE(dialog()->getWindow()->isKeepOnTop()) << "the main window starts on top";
    choose(kViewEntry, Dialog::kCommandKeepOnTop);
    ASSERT_FALSE(dialog()->getWindow()->isKeepOnTop());
    driver()->scriptFolder(path("Chosen Output"));
    choose(kFileEntry, Dialog::kCommandOtherFolder);
    dropAndConvert({path("Some Song.wav")}, m_dir.file("Chosen Output/Some Song (Pit,-3).wav"));

    EXPECT_EQ(m_app.close(), FALSE);
  }

  // The next start in the same process shows all of it.
  start();
  EXPECT_FALSE(dialog()->isCompact()) << "the large view";
  EXPECT_EQ(dialog()->getEffectList()->getSelectedIndex(), kPitchDown);
  EXPECT_EQ(dialog()->getLevelMenu(kPitchDown)->getSelectedItem()->value, -3);
  EXPECT_EQ(dialog()->getQualityMenu(kPitchDown)->getSelectedItem()->value, 16);
  EXPECT_TRUE(::IsWindowVisible(dialog()->getLevelMenu(kPitchDown)->GetSafeHwnd()))
      << "the effect's page shows";
  EXPECT_EQ(dialog()->getOutputFolderSetting(), Dialog::kOutputCustom);
  EXPECT_EQ(std::u16string(dialog()->getCustomOutputPath()), path("Chosen Output"));
  EXPECT_FALSE(dialog()->getWindow()->isKeepOnTop()) << "no longer on top";
  EXPECT_FALSE(dialog()->getMenuBar()->isChecked(Dialog::kCommandKeepOnTop));
  EXPECT_EQ(std::u16string(dialog()->getMenuBar()->getEntryText(kViewEntry)), u"Ansicht");
  EXPECT_NE(viewButton(false), nullptr) << "German from the start";
}

// The second start of the program: its own start-up, in a second process of this test program.
TEST(EndToEndHelper, DISABLED_SecondStart) {
  if (std::getenv("LUMETRA_E2E_SECOND_START") == nullptr) {
    GTEST_SKIP() << "runs only as a second process started by the tests";
  }
  std::printf("answer %d\n", theApp.InitInstance());
  std::fflush(stdout);
}

TEST_F(EndToEnd, ASecondStartHandsOverToTheRunningCopyAndBringsItBack) {
  start();
  ::ShowWindow(frame(), SW_MINIMIZE);
  ASSERT_TRUE(waitFor([&] { return ::IsIconic(frame()) != FALSE; }));

  // The same program file started again, in the same runtime folder and registry.
  const auto began = std::chrono::steady_clock::now();
  lumetra::testlib::ChildProcess second(
      {lumetra::testlib::selfPath().string(), "--gtest_filter=EndToEndHelper.DISABLED_SecondStart",
       "--gtest_also_run_disabled_tests"},
      {{"LUMETRA_E2E_SECOND_START", "1"}}, true);
  ASSERT_TRUE(second.started());
  // A start that showed a window of its own would wait for it to close.
  ASSERT_TRUE(second.wait(20000)) << "the second start ends by itself, without a window";
  const auto took = std::chrono::steady_clock::now() - began;
  EXPECT_EQ(second.exitCode(), 0);
  const std::string said = second.readOutputToEnd();
  EXPECT_NE(said.find("answer 0"), std::string::npos) << said;
  EXPECT_LT(took, std::chrono::seconds(5)) << "the hand-over waits at most 5 s";

  EXPECT_TRUE(waitFor([&] { return ::IsIconic(frame()) == FALSE; }))
      << "the running copy's window is restored";
  EXPECT_TRUE(waitFor([&] { return ::GetForegroundWindow() == frame(); })) << "and in front";
  EXPECT_TRUE(::IsWindowVisible(frame()));
}

TEST_F(EndToEnd, AbsurdStoredSizesStillStart) {
  // As a hand-edited registry may hold them: a huge size, and one near the 32-bit limit.
  for (uint32_t size : {100000u, 2000000000u}) {
    SCOPED_TRACE(size);
    s::reg::win::RegDir* view = s::reg::win::RegDir::take();
    view->open(HKEY_CURRENT_USER, u"Software\\Tovi\\Tovi Lumetra\\SaveData\\MainWindow\\View");
    view->setUInt32(u"Width", size);
    view->setUInt32(u"Height", size);
    view->setUInt32(u"SmallWidth", size);
    view->setUInt32(u"SmallHeight", size);
    view->release();
    start();
    RECT shown{};
    ::GetWindowRect(frame(), &shown);
    // The whole frame fits the screen.
    EXPECT_LE(shown.right - shown.left, ::GetSystemMetrics(SM_CXVIRTUALSCREEN));
    EXPECT_LE(shown.bottom - shown.top, ::GetSystemMetrics(SM_CYVIRTUALSCREEN));
    m_app.close();
  }
}

TEST_F(EndToEnd, ABusyRegistryHoldsUpNoStartAndLosesNoSetting) {
  // A registry from an earlier run, then held by another program's write transaction.
  start();
  ASSERT_TRUE(dialog()->getWindow()->isKeepOnTop());
  m_app.close();
  const fs::path database = m_dir.file("registry.sqlite3");
  lumetra::testlib::BusyDatabase busy(database, m_dir.path());
  ASSERT_TRUE(busy.held());

  const auto began = std::chrono::steady_clock::now();
  start();
  const auto took = std::chrono::steady_clock::now() - began;
  std::printf("start-up with the registry busy: %.2f s\n",
              std::chrono::duration<double>(took).count());
  // The calls wait 2 s in all for the busy file, not 10 s each.
  EXPECT_LT(took, std::chrono::seconds(8));
  choose(kViewEntry, Dialog::kCommandKeepOnTop);
  ASSERT_FALSE(dialog()->getWindow()->isKeepOnTop()) << "the setting holds while it waits";

  busy.release();
  m_app.close();
  using lumetra::testlib::foldedRegistryName;
  EXPECT_EQ(
      lumetra::testlib::queryDatabase(
          database,
          "SELECT hex(v.data) FROM vals v JOIN keys k ON v.key=k.id JOIN keys p ON "
          "k.parent=p.id WHERE v.folded=x'" +
              foldedRegistryName("KeepOnTop") + "' AND k.folded=x'" + foldedRegistryName("View") +
              "' AND p.folded=x'" + foldedRegistryName("MainWindow") + "'"),
      "00000000")
      << "the choice made while the registry was busy is in its file";
}

}  // namespace lumetra::e2e
