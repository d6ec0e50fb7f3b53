// The calls the lower subsystems make up into the program.
#include "app/win/StartUpHooks.h"

#include "app/win/AppBase.h"
#include "app/win/AppWindow.h"
#include "app/win/DisplayScale.h"
#include "core/system/win/UserNotice.h"
#include "gui/app/AppHooks.h"
#include "gui/drawer/DefaultDrawers.h"
#include "gui/drawer/ThemeFont.h"
#include "gui/image/boxes/OptionPanels.h"
#include "gui/win/MessageBoxW.h"
#include "imaging/win/BufferedImage.h"
#include "imaging/win/PlatformHooks.h"
#include "platform/ImagingHooks.h"
#include "skin/DefaultDrawers.h"
#include "skin/drawer/Skinner.h"
#include "skin/drawer/ThemeFonts.h"

namespace s::app::win {

namespace {

/// The toolkit's way to the application object.
class ProgramHooks final : public IAppHooks {
 public:
  uint32_t getDisplayScale() override { return win::getDisplayScale(); }
  image::win::BufferedImage* getIconImage(AppBase* app, int32_t size) override {
    return app != nullptr ? app->iconBitmapOfSize(size) : nullptr;
  }
  void setLanguageName(AppBase* app, const WCHAR* name) override {
    if (app != nullptr) {
      app->setLanguage(name);
    }
  }
  void saveSettings(AppBase* app) override {
    if (app != nullptr) {
      app->saveSettings();
    }
  }
  IAppWindow* makeAppWindow(AppBase* app, const WCHAR* name, int32_t width, int32_t height,
                            const WCHAR* onMiddleClick, const WCHAR* defaultSkin) override {
    if (app == nullptr) {
      return nullptr;
    }
    AppWindow* description = AppWindow::take();
    if (description == nullptr) {
      return nullptr;
    }
    // A window with a default skin of its own wears the window skins, as the About window does;
    // the others share the application's skinner (none in this program).
    gui::drawer::ISkinner* skinner = app->getSkinner();
    if (defaultSkin != nullptr) {
      auto* own = gui::drawer::Skinner::take();
      if (own != nullptr) {
        own->setTypeName(u"ThinWindow");
        own->registerSkins();
        skinner = own;
      }
    }
    description->initialize(app, name, app->getEditionName(), width, height, onMiddleClick, skinner,
                            defaultSkin);
    return description;
  }
  map::IMappedData* getSettings(AppBase* app) override {
    return app != nullptr ? app->getSettings() : nullptr;
  }
  // The About window's picture.
  image::win::BufferedImage* decodeSkinImage1(AppBase* app) override {
    return app != nullptr ? app->decodeSkinImage1(nullptr) : nullptr;
  }
};

ProgramHooks& programHooks() {
  // Never destroyed: windows may still ask while the process exits.
  static ProgramHooks* const s_hooks = new ProgramHooks();
  return *s_hooks;
}

}  // namespace

void installStartUpHooks() {
  setAppHooks(&programHooks());
  // The encoder's load failure and the printing messages reach the user through the toolkit's
  // message box.
  system::win::setInformationNotice(&gui::win::showInformation);
  image::installPlatformHooks();
  skin::installDefaultDrawers();
  gui::drawer::installThemeFontLookup();
  image::gui::boxes::installOptionPanels();
}

namespace {

/// Whether the toolkit's hooks answer from `app` what it has: a window description of it, its
/// settings store, its first skin picture and its icon.
bool doAppHooksAnswerFrom(AppBase* app) {
  IAppHooks& hooks = appHooks();
  // The confirmation asker's own description: making it writes only what the asker's would.
  IAppWindow* description =
      hooks.makeAppWindow(app, u"FlexAskerWindow", 400, 200, u"Close", nullptr);
  const bool described = description != nullptr && description->getAppBase() == app;
  if (description != nullptr) {
    description->release();
  }
  bool pictured = true;
  for (image::win::BufferedImage* picture :
       {hooks.decodeSkinImage1(app), hooks.getIconImage(app, 32)}) {
    pictured = pictured && picture != nullptr;
    if (picture != nullptr) {
      picture->release();
    }
  }
  return described && pictured && hooks.getSettings(app) == app->getSettings() &&
         hooks.getSettings(app) != nullptr;
}

}  // namespace

bool areStartUpHooksInstalled(AppBase* app) {
  if (&appHooks() != &programHooks() || !image::gui::boxes::areOptionPanelsInstalled() ||
      system::win::getInformationNotice() != &gui::win::showInformation) {
    return false;
  }
  if (app != nullptr && !doAppHooksAnswerFrom(app)) {
    return false;
  }
  const platform::ImagingHooks* imaging = platform::getImagingHooks();
  if (imaging == nullptr || imaging->takeImage == nullptr || imaging->getBitmap == nullptr ||
      imaging->makeOpaque == nullptr || imaging->release == nullptr ||
      imaging->decodeIconEntry == nullptr || imaging->readIconImage == nullptr) {
    return false;
  }
  gui::drawer::DefaultDrawers drawers = gui::drawer::getDefaultDrawers();
  if (drawers.takeText == nullptr || drawers.takeGroupBox == nullptr ||
      drawers.takeMenu == nullptr || drawers.takeStatusBar == nullptr ||
      drawers.takeImage == nullptr) {
    return false;
  }
  // The theme font lookup answers through the hook only once installed; reinstalling gives the
  // one in force back.
  gui::drawer::ThemeFontLookup lookup = gui::drawer::setThemeFontLookup(nullptr);
  gui::drawer::setThemeFontLookup(lookup);
  return lookup != nullptr;
}

}  // namespace s::app::win
