// The skinner's catalogue, selection and listeners.
#include "skin/drawer/Skinner.h"

#include "gui/events/IEventListener.h"
#include "skin/drawer/skin/Thin.h"
#include "skin/drawer/skin/ThinWindow.h"

namespace s::gui::drawer {

namespace {

WCHAR foldCase(WCHAR c) { return c >= u'A' && c <= u'Z' ? static_cast<WCHAR>(c - u'A' + u'a') : c; }

/// Whole texts equal when A to Z are folded to small letters (nothing else is folded).
bool namesEqual(const WCHAR* a, const WCHAR* b) {
  if (a == nullptr || b == nullptr) return a == b;
  while (*a != 0 && foldCase(*a) == foldCase(*b)) {
    ++a;
    ++b;
  }
  return foldCase(*a) == foldCase(*b);
}

// The catalogue orders: the thin skins by preset number, the thin window skins likewise (White,
// Ivory, Black, Black II, Black Black, Black Black II, Classic LG, Beige, Sky Blue, Pink, Salmon
// Red, Yellow, Green, Orange, Khaki, Indigo).
constexpr int32_t kThinOrder[] = {3, 2, 1, 4, 6, 8, 10, 14, 7, 13, 11, 12, 9};
constexpr int32_t kThinWindowOrder[] = {3, 2, 1, 16, 17, 18, 19, 4, 6, 8, 9, 7, 10, 13, 11, 12};

}  // namespace

void Skinner::reset() {
  for (ISkin* skin : m_skins) {
    if (skin != nullptr) skin->release();
  }
  m_skins.clear();
  m_names.clear();
  m_current = nullptr;
  m_listeners.clear();
  m_notifying = -1;
  m_typeName = u"Basic";
}

void Skinner::registerSkins() {
  if (namesEqual(m_typeName.c_str(), u"Thin")) {
    for (int32_t number : kThinOrder) {
      if (ISkin* skin = skin::Thin::createPreset(number)) addSkin(skin);
    }
  } else if (namesEqual(m_typeName.c_str(), u"ThinWindow")) {
    for (int32_t number : kThinWindowOrder) {
      if (ISkin* skin = skin::ThinWindow::createPreset(number)) addSkin(skin);
    }
  }
}

bool Skinner::addSkin(ISkin* skin) {
  const WCHAR* name = skin != nullptr ? skin->getName() : nullptr;
  m_names.emplace_back(name != nullptr ? name : u"");
  m_skins.push_back(skin);
  return true;
}

void Skinner::selectSkin(int32_t index) {
  // An index outside the catalogue changes nothing: there is no skin to make current.
  if (index < 0 || index >= getSkinCount()) return;
  ISkin* skin = m_skins[static_cast<size_t>(index)];
  if (skin == m_current) return;
  m_current = skin;
  const int32_t outer = m_notifying;
  // The count is read again after each call: a listener may add or remove listeners.
  for (m_notifying = 0; m_notifying < getListenerCount(); ++m_notifying) {
    m_listeners[static_cast<size_t>(m_notifying)]->onEvent(this, 0);
  }
  m_notifying = outer;
}

void Skinner::selectSkinByName(const WCHAR* name) {
  int32_t index = 0;
  if (!findSkin(name, index)) index = 0;
  selectSkin(index);
}

bool Skinner::findSkin(const WCHAR* name, int32_t& index) const {
  for (size_t i = 0; i < m_names.size(); ++i) {
    if (namesEqual(m_names[i].c_str(), name)) {
      index = static_cast<int32_t>(i);
      return true;
    }
  }
  index = -1;
  return false;
}

void Skinner::addListener(events::IEventListener* listener) { m_listeners.push_back(listener); }

void Skinner::removeListener(events::IEventListener* listener) {
  for (size_t i = m_listeners.size(); i-- > 0;) {
    if (m_listeners[i] != listener) continue;
    m_listeners.erase(m_listeners.begin() + static_cast<std::ptrdiff_t>(i));
    // Entries at or before the one being told have moved down by one; so must the walk.
    if (m_notifying >= 0 && static_cast<int32_t>(i) <= m_notifying) --m_notifying;
  }
}

ISkin* Skinner::getSkinAt(int32_t index) const {
  return index >= 0 && index < getSkinCount() ? m_skins[static_cast<size_t>(index)] : nullptr;
}

const WCHAR* Skinner::getSkinNameAt(int32_t index) const {
  return index >= 0 && index < getSkinCount() ? m_names[static_cast<size_t>(index)].c_str()
                                              : nullptr;
}

}  // namespace s::gui::drawer
