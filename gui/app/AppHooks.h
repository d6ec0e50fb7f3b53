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

namespace s::app {

/// Filled once at start-up by the program (and by tests); the toolkit lies below the application
/// and reaches it only through these. Every call has a harmless default for a program that set
/// nothing: scale 1, no icons, and nothing done. Any thread may call.
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
};

/// The hooks in force: the ones set last, else the defaults.
IAppHooks& appHooks();
/// Installs `hooks` (not owned; null restores the defaults) and answers the previous ones (null
/// for the defaults).
IAppHooks* setAppHooks(IAppHooks* hooks);

}  // namespace s::app
