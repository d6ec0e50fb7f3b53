// The installed theme font lookup.
#include "gui/drawer/ThemeFont.h"

#include <atomic>

namespace s::gui::drawer {

namespace {
std::atomic<ThemeFontLookup> s_lookup{nullptr};
}  // namespace

ThemeFontLookup setThemeFontLookup(ThemeFontLookup lookup) { return s_lookup.exchange(lookup); }

bool lookUpThemeFont(LOGFONTW* font) {
  ThemeFontLookup lookup = s_lookup.load(std::memory_order_acquire);
  return lookup != nullptr && font != nullptr && lookup(font);
}

}  // namespace s::gui::drawer
