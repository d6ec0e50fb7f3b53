// The calls the lower subsystems make up into the program.
#include "app/win/StartUpHooks.h"

#include "app/win/AppBase.h"
#include "app/win/DisplayScale.h"
#include "gui/app/AppHooks.h"
#include "gui/drawer/DefaultDrawers.h"
#include "gui/drawer/ThemeFont.h"
#include "gui/image/boxes/OptionPanels.h"
#include "imaging/win/PlatformHooks.h"
#include "platform/ImagingHooks.h"
#include "skin/DefaultDrawers.h"
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
  image::installPlatformHooks();
  skin::installDefaultDrawers();
  gui::drawer::installThemeFontLookup();
  image::gui::boxes::installOptionPanels();
}

bool areStartUpHooksInstalled() {
  if (&appHooks() != &programHooks() || !image::gui::boxes::areOptionPanelsInstalled()) {
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
