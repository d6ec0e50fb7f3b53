// The application object: what start-up writes, the language it settles on, the "Silent" flag,
// the version rule, the program's icons and skin pictures, and the upward hooks.
#include "app/tests/AppFixture.h"

#include "app/tests/UserInput.h"
#include "app/win/Desktop.h"
#include "app/win/StartUpHooks.h"
#include "core/file/win/PathWin.h"
#include "gui/app/AppHooks.h"
#include "gui/app/IAppWindow.h"
#include "gui/dialogs/FlexAsker.h"
#include "gui/drawer/ISkin.h"
#include "gui/drawer/ISkinner.h"
#include "gui/win/Button.h"
#include "imaging/ico/IIconImage.h"
#include "imaging/jpg/win/Jpeg.h"
#include "imaging/win/BufferedImage.h"
#include "platform/archive/icon/Archive.h"
#include "platform/lang/LangPack.h"
#include "platform/lang/Localizer.h"

#include <windows.h>

#include <shlobj.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"

#include <string>
#include <thread>
#include <vector>

namespace {

using lumetra::apptest::AppTest;
using s::app::win::AppBase;

}  // namespace

TEST_F(AppTest, StartUpWritesTheProductsIdentity) {
  AppBase* app = startApp();
  EXPECT_EQ(std::u16string(app->getEditionName()), u"Freeware");
  EXPECT_EQ(app->getTitleTextId(), 500000);
  EXPECT_EQ(std::u16string(app->getProductId()), u"Tovi Lumetra");
  EXPECT_EQ(std::u16string(app->getVersionText()), u"1.00");
  EXPECT_EQ(std::u16string(app->getProductKeyPath()), u"Software\\Tovi\\Tovi Lumetra");

  EXPECT_EQ(readText(AppTest::section(u"SoftwareType").c_str(), u""), u"Freeware");
  EXPECT_EQ(readText(AppTest::section(u"SoftwareID").c_str(), u""), u"Tovi Lumetra");
  EXPECT_EQ(readText(AppTest::section(u"Version").c_str(), u""), u"1.00");
  EXPECT_TRUE(app->getSettings()->isAutoFlush()) << "switched on again at the end";

  ASSERT_NE(app->getProgramPath(), nullptr);
  ASSERT_NE(app->getProgramFolder(), nullptr);
  char16_t own[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, own, MAX_PATH);
  EXPECT_EQ(std::u16string(app->getProgramPath()->getFullPath()), own);
  EXPECT_EQ(std::u16string(app->getProgramFolder()->getFullPath()) + u"\\" +
                app->getProgramPath()->getFileName(),
            own);
  EXPECT_NE(app->getCommandLine(), nullptr);
  EXPECT_FALSE(app->hasSkinner());
}

TEST_F(AppTest, LanguageFollowsTheStoredNameOrFallsBackToEnglish) {
  writeText(AppTest::section(u"Language").c_str(), u"", u"german");
  AppBase* app = startApp();
  EXPECT_EQ(std::u16string(app->getLocalizer()->getCurrentPack()->getEngName()->getCStr()),
            u"German");
  EXPECT_EQ(readText(AppTest::section(u"Language").c_str(), u""), u"german")
      << "a name that differs only in case is kept as stored";
  app->release();
  m_app = nullptr;

  writeText(AppTest::section(u"Language").c_str(), u"", u"Klingon");
  app = startApp();
  EXPECT_EQ(std::u16string(app->getLocalizer()->getCurrentPack()->getEngName()->getCStr()),
            u"English");
  EXPECT_EQ(readText(AppTest::section(u"Language").c_str(), u""), u"English")
      << "an unknown name is replaced";
  EXPECT_EQ(std::u16string(app->getLanguage()), u"English");
  app->setLanguage(u"French");
  EXPECT_EQ(std::u16string(app->getLanguage()), u"French");
}

TEST_F(AppTest, SilentFlagIsResetAndOpensOnlyAPageThatHasAnAddress) {
  lumetra::apptest::openedTargets().clear();
  auto previous = winapi::seam::replaceShellExecuteExW(&lumetra::apptest::recordShellOpen);
  const std::u16string product = u"Software\\Tovi\\Tovi Lumetra";
  AppBase* app = startApp();

  app->openProductPageIfSilentFlag();
  EXPECT_EQ(readDword(product.c_str(), u"Silent", 7), 7u) << "a missing value stays missing";

  writeDword(product.c_str(), u"Silent", 1);
  app->openProductPageIfSilentFlag();
  EXPECT_EQ(readDword(product.c_str(), u"Silent", 7), 0u);
  // The program's pack leaves the product page's address empty: nothing is opened for it.
  EXPECT_TRUE(lumetra::apptest::openedTargets().empty());

  // With an address, the page opens once.
  loadPack(app,
           u"<entry id=\"300000\"><eng>Tovi Lumetra</eng></entry>"
           u"<entry id=\"500003\"><eng>http://product.invalid/lumetra</eng></entry>");
  writeDword(product.c_str(), u"Silent", 1);
  app->openProductPageIfSilentFlag();
  app->openProductPageIfSilentFlag();
  EXPECT_EQ(readDword(product.c_str(), u"Silent", 7), 0u);
  EXPECT_EQ(lumetra::apptest::openedTargets(),
            std::vector<std::u16string>{u"http://product.invalid/lumetra"});
  winapi::seam::replaceShellExecuteExW(previous);
}

TEST(AppBaseRules, VersionTextNeedsTwoDigitsAfterItsLastDot) {
  EXPECT_FALSE(AppBase::isIrregularVersionText(u"1.34"));
  EXPECT_FALSE(AppBase::isIrregularVersionText(u"1.00"));
  EXPECT_FALSE(AppBase::isIrregularVersionText(u"2.1.05"));
  EXPECT_TRUE(AppBase::isIrregularVersionText(u"1.3"));
  EXPECT_TRUE(AppBase::isIrregularVersionText(u"1.345"));
  EXPECT_TRUE(AppBase::isIrregularVersionText(u"1"));
  EXPECT_TRUE(AppBase::isIrregularVersionText(u"134"));
  EXPECT_TRUE(AppBase::isIrregularVersionText(u""));
  EXPECT_TRUE(AppBase::isIrregularVersionText(nullptr));
}

TEST(AppBaseRules, WindowsGateLetsNt51AndLaterThrough) {
  using s::app::win::isSupportedWindowsVersion;
  EXPECT_FALSE(isSupportedWindowsVersion(true, 5, 0));
  EXPECT_TRUE(isSupportedWindowsVersion(true, 5, 1));
  EXPECT_TRUE(isSupportedWindowsVersion(true, 5, 2));
  EXPECT_FALSE(isSupportedWindowsVersion(false, 5, 1)) << "not NT-based";
  EXPECT_TRUE(isSupportedWindowsVersion(true, 6, 0));
  EXPECT_TRUE(isSupportedWindowsVersion(true, 10, 0));
  EXPECT_FALSE(isSupportedWindowsVersion(true, 4, 0));
  EXPECT_FALSE(s::app::win::isNtVersion52()) << "the layer reports NT 6.1";
  EXPECT_EQ(s::app::win::getMonitorCount(), 1) << "the headless display's one monitor";
  EXPECT_GT(s::app::win::getWorkAreaWidth(), 0);
  EXPECT_GT(s::app::win::getWorkAreaHeight(), 0);
}

TEST_F(AppTest, IconsAndSkinPicturesComeFromTheProgramsResources) {
  s::app::win::installStartUpHooks();
  AppBase* app = startApp();
  ASSERT_NE(app->getIconArchive(), nullptr);
  EXPECT_EQ(app->getIconArchive()->getEntryCount(), 6);

  struct Case {
    int32_t size;
    s::image::ico::IIconImage* (AppBase::*get)();
  };
  for (const Case& c :
       {Case{16, &AppBase::getIcon16}, Case{32, &AppBase::getIcon32}, Case{64, &AppBase::getIcon64},
        Case{128, &AppBase::getIcon128}, Case{256, &AppBase::getIcon256}}) {
    s::image::ico::IIconImage* icon = (app->*c.get)();
    ASSERT_NE(icon, nullptr) << c.size;
    EXPECT_EQ(icon->getWidth(), c.size);
    EXPECT_EQ(icon->getHeight(), c.size);
    icon->release();
  }
  struct BitmapCase {
    int32_t size;
    s::image::win::BufferedImage* (AppBase::*get)();
  };
  for (const BitmapCase& c :
       {BitmapCase{64, &AppBase::getIconBitmap64}, BitmapCase{128, &AppBase::getIconBitmap128},
        BitmapCase{256, &AppBase::getIconBitmap256}}) {
    s::image::win::BufferedImage* bitmap = (app->*c.get)();
    ASSERT_NE(bitmap, nullptr) << c.size;
    EXPECT_EQ(bitmap->getWidth(), c.size);
    EXPECT_TRUE(bitmap->hasAlpha()) << "transparent outside the rounded square";
    // The corner is transparent, the middle opaque.
    EXPECT_EQ(bitmap->getLine(0)[3], 0) << c.size;
    EXPECT_EQ(bitmap->getLine(c.size / 2)[(c.size / 2) * 4 + 3], 0xFF) << c.size;
    bitmap->release();
  }
  s::image::win::BufferedImage* odd = app->iconBitmapOfSize(48);
  ASSERT_NE(odd, nullptr);
  EXPECT_EQ(odd->getWidth(), 48);
  odd->release();

  s::archive::icon::Archive* group = app->loadIconGroup(128);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->getEntryCount(), 6);
  group->release();
  EXPECT_EQ(app->loadIconGroup(129), nullptr) << "no such group";

  for (s::image::win::BufferedImage* (AppBase::*decode)(s::image::win::BufferedImage*) :
       {&AppBase::decodeSkinImage1, &AppBase::decodeSkinImage2}) {
    s::image::win::BufferedImage* picture = (app->*decode)(nullptr);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->getWidth(), 336);
    EXPECT_EQ(picture->getHeight(), 112);
    picture->release();
  }
  EXPECT_EQ(app->getSkinImage1()->getWidth(), 336);
}

TEST_F(AppTest, RegistryStoreSitsUnderTheProductsSaveDataKey) {
  AppBase* app = startApp();
  app->getSettings()->setInt32(u"Probe", u"Value", 42);
  EXPECT_EQ(readDword(AppTest::section(u"Probe").c_str(), u"Value", 0), 42u);

  s::map::IMappedData* second = app->openRegistrySettings();
  EXPECT_EQ(second->getInt32(u"Probe", u"Value", 0), 42) << "a second store reads the same key";
  dynamic_cast<s::thread::IPoolable*>(second)->release();
  EXPECT_TRUE(app->saveSettings());
}

TEST_F(AppTest, StartUpHooksLeaveNoneEmptyAndAnswerFromTheApplication) {
  AppBase* app = startApp();
  EXPECT_FALSE(s::app::win::areStartUpHooksInstalled(app));
  s::app::win::installStartUpHooks();
  EXPECT_TRUE(s::app::win::areStartUpHooksInstalled());
  EXPECT_TRUE(s::app::win::areStartUpHooksInstalled(app));
  s::app::IAppHooks& hooks = s::app::appHooks();
  EXPECT_EQ(hooks.getDisplayScale(), 1u);
  EXPECT_EQ(hooks.getSettings(app), app->getSettings());
  EXPECT_EQ(hooks.getSettings(nullptr), nullptr);
  EXPECT_EQ(hooks.makeAppWindow(nullptr, u"AboutWindow", 340, 285, u"Close", nullptr), nullptr)
      << "no application, nothing to describe";

  s::image::win::BufferedImage* picture = hooks.decodeSkinImage1(app);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->getWidth(), 336);
  EXPECT_EQ(picture->getHeight(), 112);
  picture->release();

  // A description asked for with a default skin wears the window skins, starting with it unless
  // another is stored; one without shares the application's (none).
  s::app::IAppWindow* about =
      hooks.makeAppWindow(app, u"AboutWindow", 340, 285, u"Close", u"Classic LG");
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->getAppBase(), app);
  EXPECT_EQ(std::u16string(about->getName()), u"AboutWindow");
  ASSERT_TRUE(about->hasSkinner());
  ASSERT_NE(about->getSkinner()->getCurrentSkin(), nullptr);
  EXPECT_EQ(std::u16string(about->getSkinner()->getCurrentSkin()->getName()), u"Classic LG");
  EXPECT_EQ(about->getWidth(), 340);
  EXPECT_EQ(readText(AppTest::section(u"AboutWindow\\SoftwareID").c_str(), u""), u"Tovi Lumetra");
  about->release();
  s::app::IAppWindow* asker =
      hooks.makeAppWindow(app, u"FlexAskerWindow", 400, 200, u"Close", nullptr);
  ASSERT_NE(asker, nullptr);
  EXPECT_FALSE(asker->hasSkinner());
  EXPECT_EQ(asker->getLocalizer(), app->getLocalizer());
  asker->release();
}

TEST_F(AppTest, TheConfirmationAskerSpeaksTheApplicationsLanguage) {
  writeText(AppTest::section(u"Language").c_str(), u"", u"German");
  AppBase* app = startApp();
  s::app::win::installStartUpHooks();
  s::gui::dialogs::FlexAsker* asker = s::gui::dialogs::makeFlexAsker(app);
  ASSERT_NE(asker, nullptr);
  std::u16string yes;
  std::u16string no;
  std::thread question([&] { asker->ask(nullptr, u"Question", u"Go on?"); });
  HWND frame = nullptr;
  // The buttons are made before the dialog shows.
  lumetra::apptest::waitFor([&] {
    frame = FindWindowW(nullptr, u"Question");
    return frame != nullptr && IsWindowVisible(frame);
  });
  ASSERT_NE(frame, nullptr);
  WCHAR text[64] = {};
  GetWindowTextW(asker->getYesButton()->GetSafeHwnd(), text, 64);
  yes = text;
  GetWindowTextW(asker->getNoButton()->GetSafeHwnd(), text, 64);
  no = text;
  winapi::HeadlessDriver::current()->requestClose(frame);
  question.join();
  EXPECT_NE(yes.find(u"Ja"), std::u16string::npos) << "the German pack's Yes";
  EXPECT_NE(no.find(u"Nein"), std::u16string::npos);
  EXPECT_FALSE(asker->getAnswer()) << "closed by its frame";
  asker->release();
  EXPECT_EQ(readText(AppTest::section(u"FlexAskerWindow\\SoftwareID").c_str(), u""),
            u"Tovi Lumetra")
      << "the asker's own window description";
}
