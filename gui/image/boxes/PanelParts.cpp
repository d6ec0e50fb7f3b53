// What the option panels share: their captions and their lengths at the display scale.
#include "gui/image/boxes/PanelParts.h"

#include "gui/app/AppHooks.h"
#include "gui/win/Window.h"
#include "platform/lang/Localizer.h"

namespace s::image::gui::boxes {

const WCHAR* captionText(s::gui::win::Window* owner, int32_t id, const WCHAR* english) {
  if (owner == nullptr || !owner->hasLocalizer()) {
    return english;
  }
  lang::Localizer* localizer = owner->getLocalizer();
  return localizer != nullptr && localizer->hasText(id) ? localizer->getText(id) : english;
}

int32_t scaled(int32_t length) {
  return length * static_cast<int32_t>(::s::app::appHooks().getDisplayScale());
}

}  // namespace s::image::gui::boxes
