// What the library needs of the application: the application object built before start-up,
// the effect window's class tail and the display scale factor.
#include "app/LumetraApp.h"
#include "app/dialogs/effect/Dialog.h"
#include "app/win/DisplayScale.h"

#include <windows.h>

#include <gtest/gtest.h>

TEST(Application, ObjectExistsBeforeStartUp) {
  EXPECT_EQ(AfxGetApp(), &theApp) << "built by a static initialiser, before main";
  EXPECT_NE(dynamic_cast<CLumetraApp*>(AfxGetApp()), nullptr);
  EXPECT_EQ(theApp.m_pszAppName, nullptr) << "no application name until start-up gives the title";
}

TEST(Application, EffectWindowComesFromItsPool) {
  using s::sound::gui::dialogs::effect::Dialog;
  EXPECT_EQ(Dialog::pool().getCapacity(), 1000);
  Dialog* dialog = Dialog::take();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(std::u16string(dialog->getClassName()), u"s_sound_gui_dialogs_effect_Dialog");
  dialog->release();
  EXPECT_EQ(Dialog::take(), dialog) << "the object given back last";
  s::base::IObject* fresh = dialog->newInstance();
  EXPECT_NE(fresh, dialog);
  static_cast<Dialog*>(fresh)->release();
  dialog->release();
  Dialog* created = Dialog::create();
  EXPECT_NE(created, nullptr);
  delete created;
}

TEST(Application, DisplayScaleFollowsThePrimaryScreen) {
  using s::app::win::displayScaleFor;
  EXPECT_EQ(displayScaleFor(1920, 1620), 1u);
  EXPECT_EQ(displayScaleFor(1921, 1620), 2u);
  EXPECT_EQ(displayScaleFor(1921, 1619), 1u);
  EXPECT_EQ(displayScaleFor(4097, 3240), 4u);
  EXPECT_EQ(displayScaleFor(4097, 3239), 2u);
  EXPECT_EQ(displayScaleFor(4096, 4000), 2u);
  EXPECT_EQ(displayScaleFor(0, 0), 1u) << "no screen at all";

  uint32_t scale = s::app::win::getDisplayScale();
  EXPECT_EQ(scale, displayScaleFor(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
  EXPECT_EQ(scale, 1u) << "the headless display's 1920 x 1080 screen";
}
