// A window in the notification area and its global hot keys, on the headless driver's tray and
// key grabs.
#include "gui/win/Window.h"
#include "gui/win/tests/Listener.h"
#include "imaging/win/PlatformHooks.h"
#include "testlib/TempDir.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using lumetra::testgui::Listener;
using s::gui::win::Window;

winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }

TEST(WindowTray, HidingToTheTrayShowsTheIconAndAClickBringsItBack) {
  headless().setTrayPresent(true);
  Window* window = Window::take();
  window->setTitle(std::u16string(200, u'x').c_str());
  window->show(true, false);
  window->hideToTray();
  EXPECT_TRUE(window->isInTray());
  EXPECT_TRUE(window->isTrayIconShown());
  EXPECT_FALSE(IsWindowVisible(window->getHandle()));
  std::vector<winapi::TrayIcon> icons = headless().trayIcons();
  ASSERT_EQ(icons.size(), 1u);
  EXPECT_EQ(icons[0].hwnd, window->getHandle());
  EXPECT_EQ(icons[0].tip, std::u16string(127, u'x')) << "the tip is the title cut to 127 units";

  std::vector<int32_t> heard;
  Listener record([&](int32_t id) { heard.push_back(id); });
  window->addTrayClickListener(&record);
  ASSERT_TRUE(headless().trayInput(window->getHandle(), 0, WM_LBUTTONDOWN));
  ASSERT_TRUE(headless().waitUntilIdle(window->getHandle()));
  EXPECT_EQ(heard, (std::vector<int32_t>{Window::kTrayClick}));
  EXPECT_FALSE(window->isInTray());
  EXPECT_TRUE(IsWindowVisible(window->getHandle()));
  EXPECT_TRUE(headless().trayIcons().empty()) << "the icon goes unless it is kept";
  window->release();
}

TEST(WindowTray, WithoutATrayTheWindowStaysMinimisedInTheTaskbar) {
  headless().setTrayPresent(false);
  Window* window = Window::take();
  window->show(true, false);
  window->hideToTray();
  EXPECT_FALSE(window->isInTray());
  EXPECT_FALSE(window->isTrayIconShown());
  EXPECT_TRUE(window->isMinimized());
  EXPECT_TRUE(IsWindowVisible(window->getHandle()));
  window->release();
  headless().setTrayPresent(true);
}

std::vector<std::u16string> g_texts;

int WINAPI recordBox(HWND, LPCWSTR text, LPCWSTR, UINT) {
  g_texts.push_back(text);
  return IDOK;
}

TEST(WindowHotKeys, ATakenKeyIsReportedAndAFreeOneFires) {
  g_texts.clear();
  const auto layers = winapi::seam::replaceMessageBoxW(&recordBox);
  headless().setHotKeyHeld(MOD_CONTROL, 'K', true);
  Window* window = Window::take();
  EXPECT_FALSE(window->registerHotKey(false, true, false, false, 'K', u"show", true));
  ASSERT_EQ(g_texts.size(), 1u);
  EXPECT_EQ(g_texts[0], u"(1409) HotKey Ctrl+K has been occupied by another application.");
  headless().setHotKeyHeld(MOD_CONTROL, 'K', false);

  std::vector<int32_t> heard;
  Window* w = window;
  bool fired = false;
  Listener record([&](int32_t id) {
    heard.push_back(id);
    fired = w->isFiredHotKey(u"OPEN");
  });
  window->addHotKeyListener(&record);
  ASSERT_TRUE(window->registerHotKey(true, false, true, false, 'J', u"open", false));
  const auto grabbed = headless().grabbedHotKeys();
  ASSERT_EQ(grabbed.size(), 1u);
  EXPECT_EQ(grabbed[0].first, static_cast<UINT>(MOD_ALT | MOD_SHIFT));
  EXPECT_EQ(grabbed[0].second, static_cast<UINT>('J'));

  headless().key(VK_MENU, true);
  headless().key(VK_SHIFT, true);
  headless().key('J', true);
  headless().key('J', false);
  headless().key(VK_SHIFT, false);
  headless().key(VK_MENU, false);
  ASSERT_TRUE(headless().waitUntilIdle(window->getHandle()));
  EXPECT_EQ(heard, (std::vector<int32_t>{Window::kHotKey}));
  EXPECT_TRUE(fired) << "names compare ignoring case";

  window->unregisterHotKey(u"Open");
  EXPECT_TRUE(headless().grabbedHotKeys().empty());
  window->release();
  winapi::seam::replaceMessageBoxW(layers);
}

}  // namespace

namespace {

TEST(WindowScreenshot, TheScreenUnderTheWindowIsSavedAsAGifOfItsSize) {
  s::image::installPlatformHooks();
  lumetra::testlib::TempDir folder;
  Window* window = Window::take();
  const std::u16string path = folder.windowsPath("below.gif");
  EXPECT_FALSE(window->saveScreenBelowAsGif(nullptr));

  window->setBounds(100, 80, 240, 130);
  window->show(true, false);
  RECT frame{};
  ASSERT_TRUE(GetWindowRect(window->getHandle(), &frame));
  ASSERT_TRUE(window->saveScreenBelowAsGif(path.c_str()));
  std::ifstream in(folder.file("below.gif"), std::ios::binary);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  ASSERT_GE(bytes.size(), 13u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "GIF8");
  EXPECT_EQ(bytes[6] | bytes[7] << 8, frame.right - frame.left);
  EXPECT_EQ(bytes[8] | bytes[9] << 8, frame.bottom - frame.top);

  const std::u16string nowhere = folder.windowsPath("below.gif/inside.gif");
  EXPECT_FALSE(window->saveScreenBelowAsGif(nowhere.c_str())) << "a file is no folder";
  window->release();
}

}  // namespace
