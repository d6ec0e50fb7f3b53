// The "Version Information" window: the program's picture, icon, title, version rows and the
// donation box, built from language texts.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "gui/events/IEventListener.h"

#include <windows.h>

#include <cstdint>

namespace s::app {
class IAppWindow;
}
namespace s::lang {
class Localizer;
}
namespace s::map {
class IMappedData;
}
namespace s::gui {
class IWindow;
}
namespace s::gui::drawer {
class ISkinner;
}
namespace s::gui::win {
class Button;
class Label;
class Window;
}  // namespace s::gui::win

namespace s::gui::dialogs {

/// Builds and shows the about window for an owner, which stays in its modal state while the
/// window is open. `open` returns once the window shows (it does not wait); the window closes by
/// its "Close" and "#X" buttons or its frame, and a later `open` releases the earlier window
/// first. The web address link opens its own text with the shell, the donation link the
/// language's donation address.
///
/// The window description, settings, localizer and skinner are set before `open` and are not
/// owned; the picture and the icon come from the application (`IAppHooks`). Texts missing in
/// the language stay empty. Pooled (capacity 1000); reset releases the window.
class About3 final : public events::IEventListener,
                     public base::IObject,
                     public virtual thread::IPoolable {
  S_POOLED_CLASS(About3, u"s_gui_dialogs_About3")

  static constexpr int32_t kTitleTextId = 400100;
  static constexpr int32_t kCloseTextId = 400120;
  static constexpr int32_t kMakerAddressTextId = 101000;

  About3() = default;
  ~About3() override;
  About3(const About3&) = delete;
  About3& operator=(const About3&) = delete;
  void reset() override;

  void setWindowDescription(app::IAppWindow* description) { m_description = description; }
  void setSettings(map::IMappedData* settings) { m_settings = settings; }
  void setLocalizer(lang::Localizer* localizer) { m_localizer = localizer; }
  void setSkinner(drawer::ISkinner* skinner) { m_skinner = skinner; }

  /// False when the window could not be made (the owner's state is left as it was).
  bool open(IWindow* ownerWindow);

  void onEvent(base::IObject* source, int32_t eventId) override;

  /// The open window and its parts, for tests; null when not open.
  win::Window* getWindow() const { return m_window; }
  win::Button* getSmallCloseButton() const { return m_smallClose; }
  win::Button* getCloseButton() const { return m_close; }
  win::Label* getMakerLink() const { return m_makerLink; }
  win::Label* getDonationLink() const { return m_donationLink; }
  int32_t getDisplayScale() const { return m_scale; }

 private:
  void releaseWindow();

  IWindow* m_owner = nullptr;
  int32_t m_scale = 1;
  app::IAppWindow* m_description = nullptr;
  map::IMappedData* m_settings = nullptr;
  lang::Localizer* m_localizer = nullptr;
  drawer::ISkinner* m_skinner = nullptr;
  win::Window* m_window = nullptr;
  win::Button* m_smallClose = nullptr;
  win::Button* m_close = nullptr;
  win::Label* m_makerLink = nullptr;
  win::Label* m_donationLink = nullptr;
  int32_t m_donationAddressId = -1;
};

}  // namespace s::gui::dialogs
