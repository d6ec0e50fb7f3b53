// The menu bar: entries and their texts, measuring and painting through the menu drawer, hit
// testing, and the press, release and hover handling that opens and slides between drop-downs.
#include "gui/win/MenuEx.h"

#include "core/time/TickClock.h"
#include "gui/drawer/DefaultDrawers.h"
#include "gui/drawer/ISkin.h"
#include "gui/drawer/menu/IBasic.h"
#include "gui/menuitem/MenuItem.h"
#include "gui/win/PopupMenu.h"

#include <algorithm>

namespace s::gui::win {

MenuEx::MenuEx() : Widget(kMenuExClass), m_ownDrawer(drawer::takeDefaultMenuDrawer()) { reset(); }

MenuEx::~MenuEx() {
  reset();
  if (m_ownDrawer != nullptr) {
    m_ownDrawer->release();
  }
}

void MenuEx::reset() {
  if (handle() != nullptr && ::IsWindow(handle())) {
    ::KillTimer(handle(), kTrackTimer);
  }
  resetWidget();
  useParentBackground(false);
  m_leftInset = m_rightInset = m_topInset = m_bottomInset = 0;
  m_minWidth = m_minHeight = m_maxWidth = m_maxHeight = 0;
  m_widthPercent = m_heightPercent = -1;
  m_fixedWidth = m_fixedHeight = -1;
  m_entryTexts.clear();
  for (Font* font : {&m_normalFont, &m_hotFont}) {
    font->reset();
    font->setStyleCode(-2);
  }
  applyFonts();
  for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
    if (it->kind == kCommand) {
      it->item->release();
    } else {
      it->menu->release();
    }
  }
  m_entries.clear();
  m_entryRects.clear();
  m_hotIndex = -1;
  m_pressed = false;
  m_dropDownOpen = false;
  m_menuWindow = nullptr;
  m_reopen = false;
  m_closingForSwitch = false;
  m_lastCloseTime = 0;
  m_selectionListeners.clear();
  m_selectedId = -1;
  m_languageListeners.clear();
  m_openListeners.clear();
  m_spacingX = 6;
  m_spacingY = 3;
  m_shrinkable = true;
  m_comboStyle = false;
  m_openOnHover = false;
  m_lastEntryAtRight = false;
  m_lastEntryAsLink = false;
}

drawer::IMenu* MenuEx::getMenuDrawer() {
  if (getDrawer() != nullptr) {
    return getDrawer();
  }
  if (m_ownDrawer == nullptr) {
    // The skin library may have filled the hook only after this bar was built.
    m_ownDrawer = drawer::takeDefaultMenuDrawer();
  }
  return m_ownDrawer;
}

drawer::IMenu* MenuEx::drawerOfSkin(drawer::ISkin* skin) {
  return skin != nullptr ? skin->getMenuDrawer() : nullptr;
}

void MenuEx::applyFonts() {
  if (drawer::IMenu* drawer = getMenuDrawer()) {
    drawer->applyToFonts(&m_normalFont, &m_hotFont);
  }
}

void MenuEx::relayoutParent() {
  if (getParent() != nullptr && handle() != nullptr) {
    getParent()->relayout();
  }
}

// Geometry.

int32_t MenuEx::getMinimumWidth() {
  if (m_shrinkable) {
    return 0;
  }
  return m_fixedWidth >= 0 ? m_fixedWidth : m_leftInset + m_rightInset + m_minWidth;
}

int32_t MenuEx::getMinimumHeight() {
  return m_fixedHeight >= 0 ? m_fixedHeight : m_topInset + m_bottomInset + m_minHeight;
}

int32_t MenuEx::getMinimumClientWidth() {
  if (m_shrinkable) {
    return 0;
  }
  return m_fixedWidth >= 0 ? m_fixedWidth : m_minWidth;
}

int32_t MenuEx::getMinimumClientHeight() {
  return m_fixedHeight >= 0 ? m_fixedHeight : m_minHeight;
}

int32_t MenuEx::getMaximumWidth() {
  if (m_fixedWidth >= 0) {
    return m_fixedWidth;
  }
  if (m_widthPercent >= 0 && getParent() != nullptr) {
    return getParent()->getClientWidth() * m_widthPercent / 100;
  }
  return m_leftInset + m_rightInset + std::max(m_minWidth, m_maxWidth);
}

int32_t MenuEx::getMaximumHeight() {
  if (m_fixedHeight >= 0) {
    return m_fixedHeight;
  }
  if (m_heightPercent >= 0 && getParent() != nullptr) {
    return getParent()->getClientHeight() * m_heightPercent / 100;
  }
  return m_topInset + m_bottomInset + std::max(m_minHeight, m_maxHeight);
}

void MenuEx::setVisible(bool show, bool cascade) {
  if (show == isVisible()) {
    return;
  }
  Widget::setVisible(show, cascade);
  if (show) {
    relayoutParent();
  } else if (handle() != nullptr && ::IsWindow(handle())) {
    // Parked far outside its parent, so that no layout rectangle of it stays clickable.
    setLocation(-10000, 10000);
  }
}

// Settings.

void MenuEx::setFontStyleCode(int32_t code) {
  m_normalFont.setStyleCode(code);
  m_hotFont.setStyleCode(code);
  applyFonts();
  repaint();
  remeasure();
}

void MenuEx::setBold(bool on) {
  m_normalFont.setBold(on);
  m_hotFont.setBold(on);
  remeasure();
}

void MenuEx::setUnderline(bool on) {
  m_normalFont.setUnderline(on);
  m_hotFont.setUnderline(on);
  remeasure();
}

void MenuEx::setWidthPercent(int32_t percent) {
  m_widthPercent = percent;
  m_fixedWidth = -1;
  relayoutParent();
}

void MenuEx::setHeightPercent(int32_t percent) {
  m_heightPercent = percent;
  m_fixedHeight = -1;
  relayoutParent();
}

void MenuEx::setFixedWidth(int32_t width) {
  m_fixedWidth = width;
  m_widthPercent = -1;
  relayoutParent();
}

void MenuEx::setFixedHeight(int32_t height) {
  m_fixedHeight = height;
  m_heightPercent = -1;
  relayoutParent();
}

void MenuEx::setLeftInset(int32_t inset) {
  m_leftInset = inset;
  remeasure();
}

void MenuEx::setRightInset(int32_t inset) {
  m_rightInset = inset;
  remeasure();
}

void MenuEx::setTopInset(int32_t inset) {
  m_topInset = inset;
  remeasure();
}

void MenuEx::setBottomInset(int32_t inset) {
  m_bottomInset = inset;
  remeasure();
}

void MenuEx::setHorizontalInsets(int32_t inset) {
  m_leftInset = m_rightInset = inset;
  remeasure();
}

void MenuEx::setVerticalInsets(int32_t inset) {
  m_topInset = m_bottomInset = inset;
  remeasure();
}

void MenuEx::setEntrySpacing(int32_t x, int32_t y) {
  m_spacingX = x;
  m_spacingY = y;
  remeasure();
}

void MenuEx::setComboStyle(bool on) {
  m_comboStyle = on;
  if (on) {
    m_normalFont.setBold(true);
    m_hotFont.setBold(true);
  }
  remeasure();
}

// Entries.

const WCHAR* MenuEx::textOf(const Entry& entry) {
  const WCHAR* text = entry.kind == kCommand ? entry.item->getText() : entry.menu->getTitle();
  return text != nullptr ? text : u"";
}

void MenuEx::addItem(menuitem::MenuItem* item) {
  if (item == nullptr) {
    return;
  }
  m_entries.push_back(Entry{kCommand, item, nullptr});
  m_entryTexts.emplace_back(textOf(m_entries.back()));
  m_entryRects.push_back(RECT{0, 0, 0, 0});
  remeasure();
}

void MenuEx::addMenu(PopupMenu* menu) {
  if (menu == nullptr) {
    return;
  }
  m_entries.push_back(Entry{kDropDown, nullptr, menu});
  m_entryTexts.emplace_back(textOf(m_entries.back()));
  m_entryRects.push_back(RECT{0, 0, 0, 0});
  remeasure();
}

const WCHAR* MenuEx::getEntryText(int32_t index) const {
  return index >= 0 && index < getEntryCount() ? m_entryTexts[static_cast<size_t>(index)].c_str()
                                               : nullptr;
}

RECT MenuEx::getEntryRect(int32_t index) const {
  return index >= 0 && index < getEntryCount() ? m_entryRects[static_cast<size_t>(index)]
                                               : RECT{0, 0, 0, 0};
}

void MenuEx::refreshTexts() {
  for (size_t i = 0; i < m_entries.size(); ++i) {
    m_entryTexts[i] = textOf(m_entries[i]);
  }
  remeasure();
  repaint();
}

void MenuEx::onLanguageChanged() {
  for (size_t i = 0; i < m_entries.size(); ++i) {
    m_entryTexts[i] = textOf(m_entries[i]);
  }
  tell(m_languageListeners, 0);
  remeasure();
  repaint();
}

bool MenuEx::contains(int32_t commandId) {
  return std::any_of(m_entries.begin(), m_entries.end(), [commandId](const Entry& entry) {
    return entry.kind == kCommand ? !entry.item->separator && entry.item->commandId == commandId
                                  : entry.menu->contains(commandId);
  });
}

bool MenuEx::isChecked(int32_t commandId) {
  return std::any_of(m_entries.begin(), m_entries.end(), [commandId](const Entry& entry) {
    return entry.kind == kDropDown && entry.menu->isChecked(commandId);
  });
}

void MenuEx::setChecked(int32_t commandId, bool checked) {
  for (const Entry& entry : m_entries) {
    if (entry.kind == kDropDown && entry.menu->setChecked(commandId, checked)) {
      return;
    }
  }
}

// Listeners.

void MenuEx::tell(const std::vector<events::IEventListener*>& listeners, int32_t eventId) {
  // A listener may add another; it hears the next event.
  const size_t count = listeners.size();
  for (size_t i = 0; i < count && i < listeners.size(); ++i) {
    listeners[i]->onEvent(this, eventId);
  }
}

void MenuEx::addSelectionListener(events::IEventListener* listener) {
  if (listener != nullptr) {
    m_selectionListeners.push_back(listener);
  }
}

void MenuEx::addLanguageListener(events::IEventListener* listener) {
  if (listener != nullptr) {
    m_languageListeners.push_back(listener);
  }
}

void MenuEx::addOpenListener(events::IEventListener* listener) {
  if (listener != nullptr) {
    m_openListeners.push_back(listener);
  }
}

void MenuEx::select(int32_t commandId) {
  m_selectedId = commandId;
  tell(m_selectionListeners, 0);
}

// Measuring and painting.

std::vector<const WCHAR*> MenuEx::textPointers() const {
  std::vector<const WCHAR*> texts;
  texts.reserve(m_entryTexts.size());
  for (const std::u16string& text : m_entryTexts) {
    texts.push_back(text.c_str());
  }
  return texts;
}

void MenuEx::measure() {
  m_minWidth = m_minHeight = m_maxWidth = m_maxHeight = 0;
  drawer::IMenu* drawer = getMenuDrawer();
  if (drawer != nullptr) {
    const std::vector<const WCHAR*> texts = textPointers();
    m_entryRects.assign(m_entries.size(), RECT{0, 0, 0, 0});
    drawer->layout(handle(), texts.data(), m_entryRects.data(), getEntryCount(), &m_normalFont,
                   m_minWidth, m_minHeight, m_maxWidth, m_maxHeight, m_spacingX, m_spacingY,
                   m_comboStyle);
  }
  setMeasuredSize(m_minWidth, m_minHeight);
}

void MenuEx::paintDrawer(CDC* dc, int32_t width, int32_t height) {
  drawer::IMenu* drawer = getMenuDrawer();
  if (drawer == nullptr) {
    return;
  }
  const std::vector<const WCHAR*> texts = textPointers();
  const bool pressedLook = m_dropDownOpen || ::GetAsyncKeyState(VK_LBUTTON) < 0;
  drawer->paint(dc, m_leftInset, m_topInset, width - m_rightInset, height - m_bottomInset,
                texts.data(), m_entryRects.data(), getEntryCount(), &m_normalFont, &m_hotFont,
                m_spacingX, m_spacingY, m_hotIndex, pressedLook, m_comboStyle, m_lastEntryAtRight,
                m_lastEntryAsLink);
}

// Pointer.

int32_t MenuEx::hitTest() {
  if (handle() == nullptr || m_entries.empty()) {
    return -1;
  }
  POINT p{-32767, -32767};
  POINT cursor;
  RECT window;
  if (::GetCursorPos(&cursor) && ::GetWindowRect(handle(), &window)) {
    p = POINT{cursor.x - window.left, cursor.y - window.top};
  }
  if (m_comboStyle) {
    return p.x >= 0 && p.x <= getWidth() && p.y >= 0 && p.y <= getHeight() ? 0 : -1;
  }
  const int32_t count = getEntryCount();
  for (int32_t i = 0; i < count; ++i) {
    RECT r = m_entryRects[static_cast<size_t>(i)];
    if (m_lastEntryAtRight && i == count - 1) {
      ::OffsetRect(&r, getWidth() - r.right, 0);
    }
    if (::PtInRect(&r, p)) {
      return i;
    }
  }
  return -1;
}

bool MenuEx::hotIsDropDown() const {
  return m_hotIndex >= 0 && m_hotIndex < getEntryCount() &&
         m_entries[static_cast<size_t>(m_hotIndex)].kind == kDropDown;
}

void MenuEx::setHot(int32_t index) {
  m_hotIndex = index;
  if (handle() != nullptr) {
    // The whole bar is painted again: the drawer lays the entries out together.
    ::InvalidateRect(handle(), nullptr, TRUE);
    ::UpdateWindow(handle());
  }
}

void MenuEx::capture() {
  if (handle() != nullptr && ::GetCapture() != handle()) {
    ::SetCapture(handle());
  }
}

void MenuEx::onMouseMove() {
  const int32_t i = hitTest();
  if (i >= 0) {
    capture();
    if (i == m_hotIndex) {
      return;
    }
    if (m_dropDownOpen && hotIsDropDown()) {
      closeDropDown();
      m_reopen = true;
    }
    setHot(i);
    if ((m_dropDownOpen || m_openOnHover) && !m_reopen) {
      m_dropDownOpen = true;
      openDropDown();
    }
    return;
  }
  if (!m_pressed && !m_dropDownOpen && ::GetCapture() == handle()) {
    ::ReleaseCapture();
  }
  if (m_hotIndex == -1 || (m_dropDownOpen && hotIsDropDown())) {
    // An open drop-down keeps its entry highlighted.
    return;
  }
  setHot(-1);
}

bool MenuEx::reopenGuardOver() const {
  const int64_t now = time::tickMillis();
  // The tick clock never goes back on its own; a close time ahead of now (a clock that a test
  // set back) counts as long past.
  return now < m_lastCloseTime || now - m_lastCloseTime > kReopenGuardMs;
}

void MenuEx::onButtonDown() {
  const int32_t i = hitTest();
  if (i < 0) {
    if (m_dropDownOpen) {
      m_dropDownOpen = false;
      closeDropDown();
      setHot(-1);
    }
    return;
  }
  m_pressed = true;
  capture();
  setHot(i);
  if (m_dropDownOpen) {
    m_dropDownOpen = false;
    closeDropDown();
  } else if (reopenGuardOver()) {
    // The press that closed a drop-down a moment ago reaches the bar too: it opens nothing.
    m_dropDownOpen = true;
    openDropDown();
  }
}

void MenuEx::onButtonUp() {
  if (!m_pressed) {
    return;
  }
  const int32_t i = hitTest();
  if (i >= 0) {
    capture();
    if (i != m_hotIndex) {
      setHot(i);
    }
    const Entry& entry = m_entries[static_cast<size_t>(m_hotIndex)];
    if (entry.kind == kCommand) {
      m_dropDownOpen = false;
      ::ReleaseCapture();
      select(entry.item->commandId);
      setHot(-1);
    }
    m_pressed = false;
    return;
  }
  if (!m_dropDownOpen && ::GetCapture() == handle()) {
    ::ReleaseCapture();
  }
  if (m_hotIndex != -1) {
    setHot(-1);
  }
  m_pressed = false;
}

void MenuEx::openDropDown() {
  while (hotIsDropDown()) {
    const size_t index = static_cast<size_t>(m_hotIndex);
    PopupMenu* menu = m_entries[index].menu;
    if (!menu->isCreated()) {
      // A drop-down without entries has no native menu to show.
      m_dropDownOpen = false;
      break;
    }
    RECT bar{0, 0, 0, 0};
    ::GetWindowRect(handle(), &bar);
    const RECT& r = m_entryRects[index];
    int32_t x = bar.left + r.left;
    if (m_lastEntryAtRight && index + 1 == m_entries.size()) {
      x = bar.left + getWidth() - (r.right - r.left);
    }
    const int32_t y = bar.top + r.bottom;
    MENUINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIM_MENUDATA;
    info.dwMenuData = reinterpret_cast<ULONG_PTR>(handle());
    ::SetMenuInfo(menu->GetSafeHmenu(), &info);
    m_menuWindow = nullptr;
    m_reopen = false;
    m_closingForSwitch = false;
    tell(m_openListeners, 1);
    const HWND self = handle();
    menu->popupBelow(x, y, this);
    if (handle() == nullptr || !::IsWindow(self)) {
      return;
    }
    ::KillTimer(self, kTrackTimer);
    m_menuWindow = nullptr;
    if (!m_closingForSwitch) {
      m_lastCloseTime = time::tickMillis();
      m_dropDownOpen = false;
      ::ReleaseCapture();
      // The menu loop took the release of a press-and-choose: the press is over unless the
      // button is still down, so the next click elsewhere is not kept by the bar.
      if (::GetAsyncKeyState(VK_LBUTTON) >= 0) {
        m_pressed = false;
      }
      setHot(-1);
      break;
    }
    capture();
    if (!m_reopen || m_hotIndex < 0) {
      break;
    }
  }
  m_reopen = false;
}

void MenuEx::closeDropDown() {
  if (!hotIsDropDown()) {
    return;
  }
  if (handle() != nullptr) {
    ::KillTimer(handle(), kTrackTimer);
  }
  if (m_menuWindow != nullptr && ::IsWindow(m_menuWindow)) {
    m_closingForSwitch = true;
    ::SendMessageW(m_menuWindow, WM_CLOSE, 0, 0);
    m_menuWindow = nullptr;
  }
}

// Messages.

bool MenuEx::preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCHITTEST: {
      LRESULT code = CWnd::WindowProc(message, wParam, lParam);
      if (code == HTCLIENT && hitTest() < 0) {
        code = HTTRANSPARENT;
      }
      *result = code;
      return true;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) != 0 || !contains(LOWORD(wParam))) {
        return false;
      }
      select(LOWORD(wParam));
      *result = 0;
      return true;
    case WM_TIMER:
      if (wParam != kTrackTimer) {
        return false;
      }
      ::SendMessageW(handle(), WM_MOUSEMOVE, 0, 0);
      *result = 0;
      return true;
    case WM_INITMENUPOPUP: {
      const HWND menuWindow = ::FindWindowW(u"#32768", nullptr);
      if (::IsWindow(menuWindow)) {
        m_menuWindow = menuWindow;
      }
      ::SetTimer(handle(), kTrackTimer, kTrackMs, nullptr);
      *result = 0;
      return true;
    }
    case WM_MOUSEMOVE: onMouseMove(); return false;
    case WM_LBUTTONDOWN: onButtonDown(); return false;
    case WM_LBUTTONUP: onButtonUp(); return false;
    case kAttachMessage:
      if (wParam != 0) {
        reinterpret_cast<IComponent*>(wParam)->setParent(this);
      }
      *result = 0;
      return true;
    default: return Widget::preWindowProc(result, message, wParam, lParam);
  }
}

}  // namespace s::gui::win
