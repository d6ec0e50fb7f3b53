// The option-panel calls in force.
#include "imaging/gui/EncodeSettingPanels.h"

#include <atomic>

namespace s::image::gui {

namespace {

IEncodeSettingPanels& defaults() {
  static IEncodeSettingPanels* const s_defaults = new IEncodeSettingPanels();
  return *s_defaults;
}

std::atomic<IEncodeSettingPanels*> s_panels{nullptr};

}  // namespace

IEncodeSettingPanels& encodeSettingPanels() {
  IEncodeSettingPanels* panels = s_panels.load(std::memory_order_acquire);
  return panels != nullptr ? *panels : defaults();
}

IEncodeSettingPanels* setEncodeSettingPanels(IEncodeSettingPanels* panels) {
  return s_panels.exchange(panels);
}

}  // namespace s::image::gui
