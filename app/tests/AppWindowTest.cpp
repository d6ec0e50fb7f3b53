// Window descriptions: their settings sections by display scale, defaults and validity, the
// middle-click action, the skin name of a description with its own skinner, and the update
// check's decisions against a version page the test serves; the skin the about window wears.
#include "app/tests/AppFixture.h"
#include "app/tests/ShownPicture.h"
#include "app/tests/UserInput.h"

#include "app/win/AppWindow.h"
#include "app/win/StartUpHooks.h"
#include "gui/app/AppHooks.h"
#include "gui/dialogs/About3.h"
#include "gui/drawer/ISkin.h"
#include "gui/win/Window.h"
#include "imaging/win/BufferedImage.h"
#include "skin/DefaultDrawers.h"
#include "skin/drawer/Skinner.h"
#include "testlib/HttpServer.h"
#include "winapi/testsupport/PaintCheck.h"

#include <windows.h>

#include <shlobj.h>
#include <winseam.h>

#include "winapi/drivers/headless/HeadlessDriver.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using lumetra::apptest::AppTest;
using s::app::win::AppBase;
using s::app::win::AppWindow;

class ScaleHooks final : public s::app::IAppHooks {
 public:
  explicit ScaleHooks(uint32_t scale) : m_scale(scale) {}
  uint32_t getDisplayScale() override { return m_scale; }

 private:
  uint32_t m_scale;
};

class WindowDescription : public AppTest {
 protected:
  void TearDown() override {
    for (AppWindow* window : m_windows) {
      window->release();
    }
    m_windows.clear();
    s::app::setAppHooks(nullptr);
    AppTest::TearDown();
  }

  AppWindow* describe(const char16_t* name, const char16_t* middleClick = u"Close",
                      s::gui::drawer::ISkinner* skinner = nullptr,
                      const char16_t* defaultSkin = nullptr) {
    if (m_app == nullptr) {
      startApp();
    }
    AppWindow* window = AppWindow::take();
    window->initialize(m_app, name, m_app->getEditionName(), 250, 250, middleClick, skinner,
                       defaultSkin);
    m_windows.push_back(window);
    return window;
  }

  std::vector<AppWindow*> m_windows;
};

}  // namespace

TEST_F(WindowDescription, SectionsFollowTheNameAndTheDisplayScale) {
  EXPECT_EQ(std::u16string(AppWindow::viewSectionFor(1)), u"View");
  EXPECT_EQ(std::u16string(AppWindow::viewSectionFor(2)), u"View4K");
  EXPECT_EQ(std::u16string(AppWindow::viewSectionFor(3)), u"View");
  EXPECT_EQ(std::u16string(AppWindow::viewSectionFor(4)), u"View8K");
  EXPECT_EQ(std::u16string(AppWindow::viewSectionFor(8)), u"View8K");

  AppWindow* main = describe(u"MainWindow");
  EXPECT_EQ(std::u16string(main->makeSettingsKey(u"File")), u"MainWindow\\File");
  EXPECT_EQ(readText(AppTest::section(u"MainWindow\\SoftwareType").c_str(), u""), u"Freeware");
  EXPECT_EQ(readText(AppTest::section(u"MainWindow\\SoftwareID").c_str(), u""), u"Tovi Lumetra");
  EXPECT_EQ(readText(AppTest::section(u"MainWindow\\Version").c_str(), u""), u"1.00");
  main->setBounds(10, 20, 300, 400);
  EXPECT_EQ(readDword(AppTest::section(u"MainWindow\\View").c_str(), u"Height", 0), 400u);

  // Kept past the test: the descriptions are given back in the tear-down, which resets the hooks.
  static ScaleHooks large(2);
  s::app::setAppHooks(&large);
  AppWindow* scaled = describe(u"MainWindow");
  EXPECT_EQ(std::u16string(scaled->getViewSection()), u"View4K");
  EXPECT_FALSE(scaled->hasPosition()) << "each scale keeps its own bounds";
  scaled->setBounds(-5, 7, 600, 500);
  scaled->setEasyDrag(false);
  EXPECT_EQ(
      static_cast<int32_t>(readDword(AppTest::section(u"MainWindow\\View4K").c_str(), u"X", 0)),
      -5);
  EXPECT_EQ(readDword(AppTest::section(u"MainWindow\\View4K").c_str(), u"Width", 0), 600u);
  EXPECT_EQ(readDword(AppTest::section(u"MainWindow\\View").c_str(), u"EasyDrag", 9), 0u)
      << "the view flags are shared by every scale";
  EXPECT_FALSE(main->isEasyDrag());
  EXPECT_EQ(main->getWidth(), 300) << "the scale-1 bounds are untouched";
  EXPECT_TRUE(scaled->hasPosition());
  scaled->deleteBounds();
  EXPECT_FALSE(scaled->hasX());
  EXPECT_FALSE(scaled->hasWidth());
  EXPECT_EQ(scaled->getWidth(), 250) << "the default again";
  EXPECT_TRUE(main->hasPosition());
}

TEST_F(WindowDescription, DefaultsAndSizeValidity) {
  AppWindow* window = describe(u"MainWindow");
  EXPECT_EQ(window->getWidth(), 250);
  EXPECT_EQ(window->getHeight(), 250);
  EXPECT_EQ(window->getX(), 0);
  EXPECT_FALSE(window->hasPosition());
  EXPECT_TRUE(window->isEasyDrag());
  EXPECT_TRUE(window->isKeepOnTop());
  EXPECT_FALSE(window->isMaximized());
  EXPECT_EQ(window->getLocalizer(), m_app->getLocalizer());
  EXPECT_EQ(window->getAppBase(), m_app);
  EXPECT_FALSE(window->hasSkinner());

  // The headless virtual screen is 1920 x 1080.
  const int32_t screenWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int32_t screenHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  struct Case {
    int32_t size;
    bool valid;
  };
  for (const Case& c : {Case{9, false}, Case{10, true}, Case{screenWidth, true},
                        Case{screenWidth + 1, false}, Case{-20, false}}) {
    window->setWidth(c.size);
    EXPECT_EQ(window->isWidthValid(), c.valid) << c.size;
  }
  for (const Case& c :
       {Case{9, false}, Case{10, true}, Case{screenHeight, true}, Case{screenHeight + 1, false}}) {
    window->setHeight(c.size);
    EXPECT_EQ(window->isHeightValid(), c.valid) << c.size;
  }
}

TEST_F(WindowDescription, MiddleClickActionIsNormalised) {
  startApp();
  writeText(AppTest::section(u"MainWindow\\View").c_str(), u"OnMClick", u"close");
  AppWindow* window = describe(u"MainWindow", u"Iconize");
  EXPECT_EQ(std::u16string(window->getOnMClick()), u"Close");
  EXPECT_TRUE(window->isCloseOnMClick());
  EXPECT_FALSE(window->isIconizeOnMClick());

  window->setOnMClick(u"Iconize");
  EXPECT_EQ(readText(AppTest::section(u"MainWindow\\View").c_str(), u"OnMClick"), u"Iconize");
  EXPECT_TRUE(window->isIconizeOnMClick());

  writeText(AppTest::section(u"MainWindow\\View").c_str(), u"OnMClick", u"Explode");
  EXPECT_EQ(std::u16string(window->getOnMClick()), u"DoNothing");
  AppWindow* again = describe(u"MainWindow");
  EXPECT_FALSE(again->isCloseOnMClick()) << "an unknown action does nothing";
  EXPECT_FALSE(again->isIconizeOnMClick());

  AppWindow* fresh = describe(u"OtherWindow", u"Close");
  EXPECT_EQ(std::u16string(fresh->getOnMClick()), u"Close") << "nothing stored: the default";
}

TEST_F(WindowDescription, OwnSkinnerFallsBackToItsDefaultSkin) {
  startApp();
  auto* skinner = s::gui::drawer::Skinner::take();
  skinner->setTypeName(u"ThinWindow");
  skinner->registerSkins();
  writeText(AppTest::section(u"AboutWindow\\Skin").c_str(), u"", u"No Such Skin");
  AppWindow* about = describe(u"AboutWindow", u"Close", skinner, u"Classic LG");
  EXPECT_TRUE(about->ownsSkinner());
  EXPECT_EQ(std::u16string(about->getSkinName()), u"Classic LG");
  ASSERT_NE(skinner->getCurrentSkin(), nullptr);
  EXPECT_EQ(std::u16string(skinner->getCurrentSkin()->getName()), u"Classic LG");

  about->setSkinName(u"Beige");
  EXPECT_EQ(readText(AppTest::section(u"AboutWindow\\Skin").c_str(), u""), u"Beige");
  EXPECT_EQ(std::u16string(about->getSkinName()), u"Beige");

  AppWindow* main = describe(u"MainWindow");
  EXPECT_FALSE(main->ownsSkinner()) << "no skinner given: the application's (none)";
  main->setSkinName(u"Ivory");
  EXPECT_EQ(readText(AppTest::section(u"Skin").c_str(), u""), u"Ivory")
      << "the application's own value";
}

/// The about window's pictures, made by the test: a plain icon and a plain skin picture.
class AboutPictures final : public s::app::IAppHooks {
 public:
  uint32_t getDisplayScale() override { return 1; }
  s::image::win::BufferedImage* getIconImage(AppBase*, int32_t size) override {
    auto* icon = s::image::win::BufferedImage::takeSized(size, size);
    icon->fill(255, 200, 0, 0);
    return icon;
  }
  s::image::win::BufferedImage* decodeSkinImage1(AppBase*) override {
    auto* picture = s::image::win::BufferedImage::takeSized(336, 80);
    picture->fill(255, 0, 90, 200);
    return picture;
  }
};

TEST_F(WindowDescription, TheAboutWindowWearsTheStoredSkinOrClassicLG) {
  startApp();
  // Kept past the test: the descriptions are given back in the tear-down, which resets the hooks.
  static AboutPictures pictures;
  s::app::setAppHooks(&pictures);
  s::skin::installDefaultDrawers();  // the picture's painter, as at the program's start
  const std::pair<const char16_t*, const char16_t*> cases[] = {{u"Beige", u"Beige"},
                                                               {u"No Such Skin", u"Classic LG"}};
  for (const auto& [stored, worn] : cases) {
    auto* skinner = s::gui::drawer::Skinner::take();
    skinner->setTypeName(u"ThinWindow");
    skinner->registerSkins();
    writeText(AppTest::section(u"AboutWindow\\Skin").c_str(), u"", stored);
    AppWindow* description = describe(u"AboutWindow", u"Close", skinner, u"Classic LG");
    s::gui::dialogs::About3* about = s::gui::dialogs::About3::take();
    about->setWindowDescription(description);
    about->setSkinner(skinner);
    ASSERT_TRUE(about->open(nullptr));
    ASSERT_NE(about->getWindow(), nullptr);
    s::gui::drawer::ISkinner* wearer = about->getWindow()->getSkinner();
    ASSERT_NE(wearer, nullptr);
    ASSERT_NE(wearer->getCurrentSkin(), nullptr);
    EXPECT_EQ(std::u16string(wearer->getCurrentSkin()->getName()), worn);
    if (std::u16string(stored) != u"Beige") {
      // The fallback skin's window, pinned by its pixels once its picture shows (the picture
      // paints on the window's own thread).
      HWND frame = about->getWindow()->getHandle();
      winapi::PixelBuffer picture;
      lumetra::apptest::waitFor([&] {
        return winapi::HeadlessDriver::current()->capture(frame, &picture) &&
               (picture.row(40)[picture.width / 2] & 0xFFFFFF) != 0xFFFFFF;
      });
      EXPECT_TRUE(matchesGolden(
          pixelHash(picture.row0, picture.stride, picture.width, picture.height),
          0x983477579868fcf2ull, "about_window_classic_lg", [&](const std::string& file) {
            return winapi::HeadlessDriver::savePng(picture.row0, picture.width, picture.height,
                                                   false, file.c_str());
          }));
    }
    about->release();
  }
}

/// The largest mean channel difference of a picture that shows: scaling blurs it by a few units.
constexpr double kShownPictureMismatch = 12.0;

TEST_F(WindowDescription, TheAboutWindowMadeThroughTheProgramsHooksShowsTheSkinPicture) {
  AppBase* app = startApp();
  s::app::win::installStartUpHooks();
  s::app::IAppWindow* description =
      s::app::appHooks().makeAppWindow(app, u"AboutWindow", 340, 285, u"Close", u"Classic LG");
  ASSERT_NE(description, nullptr);
  s::gui::dialogs::About3* about = s::gui::dialogs::About3::take();
  about->setWindowDescription(description);
  about->setLocalizer(app->getLocalizer());
  about->setSettings(app->getSettings());
  about->setSkinner(description->getSkinner());
  ASSERT_TRUE(about->open(nullptr));
  ASSERT_NE(about->getWindow(), nullptr);
  s::image::win::BufferedImage* picture = app->decodeSkinImage1(nullptr);
  ASSERT_NE(picture, nullptr);
  // The picture paints on the window's own thread, at the full width of the packed window less
  // its insets of 2.
  HWND frame = about->getWindow()->getHandle();
  winapi::PixelBuffer shot;
  double mismatch = 255.0;
  lumetra::apptest::waitFor([&] {
    if (!winapi::HeadlessDriver::current()->capture(frame, &shot)) {
      return false;
    }
    mismatch = lumetra::apptest::pictureMismatch(
        shot.width, shot.height, [&](int x, int y) { return shot.row(y)[x] & 0xFFFFFF; }, picture,
        shot.width - 8, shot.width);
    return mismatch <= kShownPictureMismatch;
  });
  EXPECT_LE(mismatch, kShownPictureMismatch) << "the first skin picture is not in the About window";
  const bool shown = mismatch <= kShownPictureMismatch;
  if (!shown) {
    winapi::HeadlessDriver::savePng(shot.row0, shot.width, shot.height, false,
                                    "about_without_picture.png");
  }
  picture->release();
  about->release();
  description->release();
}

namespace {

int64_t g_hours = 0;

void WINAPI fakeClock(LPFILETIME time) {
  int64_t ticks = g_hours * 3600 * 10000000LL + 116444736000000000LL;
  time->dwLowDateTime = static_cast<DWORD>(ticks);
  time->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
}

std::u16string utf16(const std::string& text) { return std::u16string(text.begin(), text.end()); }

class UpdateCheck : public WindowDescription {
 protected:
  void SetUp() override {
    WindowDescription::SetUp();
    setenv("LUMETRA_NETWORK", "online", 1);
    m_clock = winapi::seam::replaceGetSystemTimeAsFileTime(&fakeClock);
    m_shell = winapi::seam::replaceShellExecuteExW(&lumetra::apptest::recordShellOpen);
    lumetra::apptest::openedTargets().clear();
    g_hours = 500000;
    m_requests = 0;
  }
  void TearDown() override {
    winapi::seam::replaceGetSystemTimeAsFileTime(m_clock);
    winapi::seam::replaceShellExecuteExW(m_shell);
    winapi::HeadlessDriver::current()->clearAnswers();
    WindowDescription::TearDown();
  }

  /// The main window's description over a pack of version `version` whose version page is the
  /// test's server (none with `withAddress` false).
  AppWindow* describeWith(const std::string& version, bool withAddress = true) {
    startApp();
    std::u16string address = withAddress ? utf16(m_server.url("/software/Korvane/version/")) : u"";
    loadPack(m_app,
             u"<entry id=\"300000\"><eng>Tovi Lumetra</eng></entry>"
             u"<entry id=\"500003\"><eng>http://product.invalid/</eng></entry>"
             u"<entry id=\"500006\"><eng>" +
                 address +
                 u"</eng></entry>"
                 u"<entry id=\"500010\"><eng>" +
                 utf16(version) +
                 u"</eng></entry>"
                 u"<entry id=\"400200\"><eng>There is a newer version available.</eng></entry>"
                 u"<entry id=\"400210\"><eng>There is improved version available.</eng></entry>"
                 u"<entry id=\"400230\"><eng>Would you like to check it out?</eng></entry>");
    return describe(u"MainWindow");
  }

  int32_t stamp() {
    return static_cast<int32_t>(
        readDword(AppTest::section(u"MainWindow\\Version").c_str(), u"Update", 0));
  }
  void setStamp(int32_t hours) {
    writeDword(AppTest::section(u"MainWindow\\Version").c_str(), u"Update",
               static_cast<uint32_t>(hours));
  }
  size_t checks() const { return m_server.requestCount(); }

  lumetra::testlib::HttpServer m_server;
  winapi::seam::SystemTimeFunction m_clock = nullptr;
  winapi::seam::ShellExecuteExFunction m_shell = nullptr;
  size_t m_requests = 0;
};

}  // namespace

TEST_F(UpdateCheck, OncePerThirtyDaysAndOnlyForARegularVersion) {
  m_server.reply("/software/Korvane/version/check/", "*1.00");
  AppWindow* window = describeWith("1.00");

  window->checkForUpdate(nullptr);
  EXPECT_EQ(stamp(), 500000) << "the first run stores the stamp";
  EXPECT_EQ(checks(), 0u) << "and checks nothing";

  g_hours = 500000 + 719;
  window->checkForUpdate(nullptr);
  EXPECT_EQ(checks(), 0u);
  EXPECT_EQ(stamp(), 500000) << "too early: nothing stored";

  g_hours = 500000 + 720;
  window->checkForUpdate(nullptr);
  ASSERT_EQ(checks(), 1u);
  EXPECT_EQ(m_server.requests()[0].target, "/software/Korvane/version/check/");
  EXPECT_EQ(stamp(), 500720);
  EXPECT_TRUE(winapi::HeadlessDriver::current()->shownMessageBoxes().empty())
      << "a reply that names the running version is up to date";

  for (const char* irregular : {"1.3", "1.345"}) {
    AppWindow* other = describeWith(irregular);
    setStamp(1);
    g_hours = 600000;
    other->checkForUpdate(nullptr);
    EXPECT_EQ(stamp(), 1) << irregular;
  }
  EXPECT_EQ(checks(), 1u);

  setenv("LUMETRA_NETWORK", "offline", 1);
  AppWindow* offline = describeWith("1.00");
  offline->checkForUpdate(nullptr);
  EXPECT_EQ(stamp(), 1) << "offline: tried again at the next start";
}

TEST_F(UpdateCheck, ReplyDecidesWhetherToAsk) {
  EXPECT_FALSE(AppWindow::announcesNewerVersion(u"*1.00", u"1.00"));
  EXPECT_TRUE(AppWindow::announcesNewerVersion(u"*1.01", u"1.00"));
  EXPECT_FALSE(AppWindow::announcesNewerVersion(u"1.01", u"1.00")) << "no leading star";
  EXPECT_FALSE(AppWindow::announcesNewerVersion(u"*1.0", u"1.00")) << "four characters";
  EXPECT_FALSE(AppWindow::announcesNewerVersion(u"*1.01 (1.00 users)", u"1.00"));

  auto& headless = *winapi::HeadlessDriver::current();
  m_server.reply("/software/Korvane/version/check/", "*1.01");
  AppWindow* window = describeWith("1.00");
  // The question is a Yes/No confirmation window of its own, titled by the "improved version"
  // text; closing it answers No, Enter takes the default Yes.
  auto answerQuestion = [&](bool yes) {
    std::thread check([window] { window->checkForUpdate(nullptr); });
    HWND question = nullptr;
    lumetra::apptest::waitFor([&] {
      HWND found = ::FindWindowW(nullptr, u"There is improved version available.");
      if (found != nullptr && ::IsWindowVisible(found) && ::GetForegroundWindow() == found) {
        question = found;
      }
      return question != nullptr;
    });
    EXPECT_NE(question, nullptr) << "the question is shown";
    if (question != nullptr) {
      ::SendMessageW(question, WM_NULL, 0, 0);
      if (yes) {
        headless.key(VK_RETURN, true);
        headless.key(VK_RETURN, false);
      } else {
        headless.requestClose(question);
      }
    }
    check.join();
  };
  setStamp(1);
  answerQuestion(false);
  EXPECT_TRUE(headless.shownMessageBoxes().empty()) << "no plain message box";
  EXPECT_TRUE(lumetra::apptest::openedTargets().empty()) << "No opens nothing";
  EXPECT_EQ(stamp(), 500000);

  setStamp(1);
  answerQuestion(true);
  EXPECT_EQ(lumetra::apptest::openedTargets(),
            std::vector<std::u16string>{u"http://product.invalid/"});

  m_server.reply("/software/Korvane/version/check/", "nothing here", 404);
  setStamp(1);
  window->checkForUpdate(nullptr);
  EXPECT_TRUE(headless.shownMessageBoxes().empty());
  EXPECT_EQ(stamp(), 500000) << "a failed download still advances the stamp";
}

TEST_F(UpdateCheck, EmptyAddressDoesNothingAtAll) {
  AppWindow* window = describeWith("1.00", false);
  window->checkForUpdate(nullptr);
  EXPECT_EQ(stamp(), 0) << "no stamp";
  setStamp(1);
  window->checkForUpdate(nullptr);
  EXPECT_EQ(stamp(), 1);
  EXPECT_EQ(checks(), 0u);
}
