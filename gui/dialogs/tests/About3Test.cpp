// The about window: its parts at two scales, its texts by id, its links through a recording
// shell, and its owner's modal state however it closes.
#include "gui/dialogs/About3.h"

#include "gui/app/AppHooks.h"
#include "gui/win/Button.h"
#include "gui/win/Label.h"
#include "gui/win/Window.h"
#include "gui/win/tests/BoxTestSupport.h"
#include "gui/win/tests/MemoryAppWindow.h"
#include "imaging/win/BufferedImage.h"
#include "platform/lang/Localizer.h"
#include "platform/xml/Node.h"

#include <windows.h>
#include <shlobj.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using lumetra::testgui::MemoryAppWindow;
using lumetra::testgui::ShownWindow;
using lumetra::testgui::waitFor;
using s::gui::dialogs::About3;
using s::image::win::BufferedImage;

/// The application's side: a scale, a picture, and a record of the icon sizes asked for.
class AboutHooks : public s::app::IAppHooks {
 public:
  explicit AboutHooks(uint32_t scale) : m_scale(scale) { m_previous = s::app::setAppHooks(this); }
  ~AboutHooks() override { s::app::setAppHooks(m_previous); }
  uint32_t getDisplayScale() override { return m_scale; }
  BufferedImage* getIconImage(s::app::win::AppBase*, int32_t size) override {
    iconSizes.push_back(size);
    BufferedImage* icon = BufferedImage::takeSized(size, size);
    icon->fill(255, 200, 0, 0);
    return icon;
  }
  BufferedImage* decodeSkinImage1(s::app::win::AppBase*) override {
    BufferedImage* picture = BufferedImage::takeSized(336, 80);
    picture->fill(255, 0, 90, 200);
    return picture;
  }
  std::vector<int32_t> iconSizes;

 private:
  uint32_t m_scale;
  s::app::IAppHooks* m_previous = nullptr;
};

s::lang::Localizer* aboutTexts() {
  s::xml::Node* root = s::xml::Node::take();
  root->parse(
      u"<lang><languages>"
      u"<entry tagName=\"eng\" engName=\"English\" trueName=\"English\"/>"
      u"</languages><entries>"
      u"<entry id=\"400100\"><eng>Version Information</eng></entry>"
      u"<entry id=\"400120\"><eng>Close</eng></entry>"
      u"<entry id=\"500000\"><eng>Lumetra</eng></entry>"
      u"<entry id=\"500090\"><eng>Please support us via donation.</eng></entry>"
      u"<entry id=\"500100\"><eng>https://donate.example.org/</eng></entry>"
      u"<entry id=\"101000\"><eng>https://www.example.org/</eng></entry>"
      u"</entries></lang>");
  s::lang::Localizer* localizer = s::lang::Localizer::take();
  localizer->loadFromXml(root);
  root->release();
  return localizer;
}

std::vector<std::u16string> g_opened;
winapi::seam::ShellExecuteExFunction g_realShell = nullptr;

BOOL WINAPI recordShell(SHELLEXECUTEINFOW* info) {
  g_opened.emplace_back(info->lpFile != nullptr ? info->lpFile : u"");
  return TRUE;
}

class AboutWindow : public testing::Test {
 protected:
  void SetUp() override {
    localizer = aboutTexts();
    record.titleTextId = 500000;
    record.localizer = localizer;
    record.width = 340;
    record.height = 285;
    about = About3::take();
    about->setWindowDescription(&record);
    about->setLocalizer(localizer);
    g_opened.clear();
    g_realShell = winapi::seam::replaceShellExecuteExW(&recordShell);
  }
  void TearDown() override {
    winapi::seam::replaceShellExecuteExW(g_realShell);
    about->release();
    localizer->release();
  }

  MemoryAppWindow record;
  s::lang::Localizer* localizer = nullptr;
  About3* about = nullptr;
};

TEST_F(AboutWindow, BothCloseButtonsEndTheOwnersModalState) {
  AboutHooks hooks(1);
  ShownWindow owner;
  for (int which = 0; which < 2; ++which) {
    ASSERT_TRUE(about->open(owner.window));
    EXPECT_FALSE(::IsWindowEnabled(owner->getHandle())) << "button " << which;
    s::gui::win::Button* button =
        which == 0 ? about->getCloseButton() : about->getSmallCloseButton();
    ::SendMessageW(button->GetSafeHwnd(), BM_CLICK, 0, 0);
    EXPECT_TRUE(waitFor([&] { return about->getWindow()->isClosed(); })) << "button " << which;
    EXPECT_TRUE(::IsWindowEnabled(owner->getHandle())) << "button " << which;
  }
}

TEST_F(AboutWindow, ASecondOpenReleasesTheFirstWindow) {
  AboutHooks hooks(1);
  ShownWindow owner;
  ASSERT_TRUE(about->open(owner.window));
  HWND first = about->getWindow()->getHandle();
  ASSERT_TRUE(about->open(owner.window));
  EXPECT_FALSE(::IsWindow(first));
  EXPECT_NE(about->getWindow()->getHandle(), first);
  ::SendMessageW(about->getCloseButton()->GetSafeHwnd(), BM_CLICK, 0, 0);
  EXPECT_TRUE(waitFor([&] { return ::IsWindowEnabled(owner->getHandle()) != FALSE; }));
}

TEST_F(AboutWindow, TextsComeByIdAndTheIconSizeFollowsTheScale) {
  for (const uint32_t scale : {1u, 2u}) {
    AboutHooks hooks(scale);
    ShownWindow owner;
    ASSERT_TRUE(about->open(owner.window));
    EXPECT_EQ(hooks.iconSizes.back(), scale == 2 ? 128 : 64) << "scale " << scale;
    EXPECT_EQ(about->getSmallCloseButton()->getWidth(), 50 * static_cast<int32_t>(scale));
    EXPECT_EQ(about->getCloseButton()->getHeight(), 20 * static_cast<int32_t>(scale));
    WCHAR title[64] = {};
    ::GetWindowTextW(about->getWindow()->getHandle(), title, 64);
    EXPECT_EQ(std::u16string(title), u"Version Information");
    EXPECT_EQ(std::u16string(about->getMakerLink()->getText()), u"https://www.example.org/");
    EXPECT_EQ(std::u16string(about->getDonationLink()->getText()),
              u"Please support us via donation.");
    about->getWindow()->close();
  }
}

TEST_F(AboutWindow, LinksOpenTheAddressAndTheDonationPage) {
  AboutHooks hooks(1);
  ShownWindow owner;
  ASSERT_TRUE(about->open(owner.window));
  about->onEvent(about->getMakerLink(), 1);
  about->onEvent(about->getDonationLink(), 1);
  EXPECT_EQ(g_opened, (std::vector<std::u16string>{u"https://www.example.org/",
                                                   u"https://donate.example.org/"}));
  about->getWindow()->close();
}

TEST_F(AboutWindow, OpenedFromItsOwnersThreadItNeitherHangsNorLeavesTheOwnerDisabled) {
  AboutHooks hooks(1);
  ShownWindow owner;
  // The owner's UI thread opens it, as a menu command would.
  s::gui::win::Window* window = owner.window;
  About3* about3 = about;
  struct Opener : s::gui::events::IEventListener {
    void onEvent(s::base::IObject*, int32_t) override { opened = about->open(window); }
    About3* about = nullptr;
    s::gui::win::Window* window = nullptr;
    bool opened = false;
  } opener;
  opener.about = about3;
  opener.window = window;
  window->addUserEventListener(&opener);
  window->sendUserEvent(0, 0, 0, 0);
  EXPECT_TRUE(opener.opened);
  ::SendMessageW(about->getCloseButton()->GetSafeHwnd(), BM_CLICK, 0, 0);
  EXPECT_TRUE(waitFor([&] { return ::IsWindowEnabled(owner->getHandle()) != FALSE; }));
}

}  // namespace
