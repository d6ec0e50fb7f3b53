// The few calls the toolkit makes up into the application: the display scale and what the
// application object gives a window (its icons, its language, its settings).
#pragma once

#include <windows.h>

#include <cstdint>

namespace s::app::win {
class AppBase;
}
namespace s::image::win {
class BufferedImage;
}
namespace s::map {
class IMappedData;
}

namespace s::app {

class IAppWindow;

/// Filled once at start-up by the program (and by tests); the toolkit lies below the application
/// and reaches it only through these. Every call has a harmless default for a program that set
/// nothing: scale 1, no icons, pictures or window descriptions, and nothing done. Any thread may
/// call.
class IAppHooks {
 public:
  virtual ~IAppHooks() = default;
  /// 1, 2 or 4, from the primary screen.
  virtual uint32_t getDisplayScale() { return 1; }
  /// A new image of the application's icon of `size` x `size` pixels, owned by the caller; null
  /// when there is none.
  virtual image::win::BufferedImage* getIconImage(win::AppBase* /*app*/, int32_t /*size*/) {
    return nullptr;
  }
  /// The language the user chose, by its English name.
  virtual void setLanguageName(win::AppBase* /*app*/, const WCHAR* /*name*/) {}
  /// Writes the application's settings out.
  virtual void saveSettings(win::AppBase* /*app*/) {}
  /// A new description (the caller releases it) of the application's window `name` in the
  /// application's edition, `width` x `height` by default, with the middle-click action
  /// `onMiddleClick` and, when `defaultSkin` is given, a skinner of its own starting with that
  /// skin; null when there is no application to describe it.
  virtual IAppWindow* makeAppWindow(win::AppBase* /*app*/, const WCHAR* /*name*/, int32_t /*width*/,
                                    int32_t /*height*/, const WCHAR* /*onMiddleClick*/,
                                    const WCHAR* /*defaultSkin*/) {
    return nullptr;
  }
  /// The application's settings store (not owned); null without one.
  virtual map::IMappedData* getSettings(win::AppBase* /*app*/) { return nullptr; }
  /// A new image (owned by the caller) of the first skin picture; null when it cannot be read.
  virtual image::win::BufferedImage* decodeSkinImage1(win::AppBase* /*app*/) { return nullptr; }
};

/// The hooks in force: the ones set last, else the defaults.
IAppHooks& appHooks();
/// Installs `hooks` (not owned; null restores the defaults) and answers the previous ones (null
/// for the defaults).
IAppHooks* setAppHooks(IAppHooks* hooks);

}  // namespace s::app
