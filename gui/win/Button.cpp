// The push button: its click, toggle and auto-repeat rules, hover with capture, measuring by the
// control's ideal size, the default state and the resizing grip.
#include "gui/win/Button.h"

#include "gui/drawer/ISkin.h"
#include "gui/win/ChildWindow.h"
#include "gui/win/Font.h"
#include "platform/lang/Localizer.h"

#include <windows.h>
#include <commctrl.h>

#include <string_view>

namespace s::gui::win {

namespace {

constexpr COLORREF kGripLight = RGB(255, 255, 255);
constexpr COLORREF kGripShade = RGB(184, 181, 161);

}  // namespace

Button::Button() : Widget(kButtonClass) { reset(); }

Button::~Button() {
  reset();
  if (m_measuringFont != nullptr) {
    m_measuringFont->release();
  }
}

void Button::reset() {
  resetWidget();
  useParentBackground(false);
  m_idealWidth = m_idealHeight = 0;
  m_widthPercent = m_heightPercent = -1;
  m_fixedWidth = m_fixedHeight = -1;
  m_normal.reset();
  m_disabled.reset();
  m_selectedSetting.reset();
  m_enabledFlag = true;
  m_clickListeners.clear();
  m_afterClickListeners.clear();
  m_repeatListeners.clear();
  m_autoRepeat = false;
  m_tracking = false;
  m_hover = 0;
  m_lastPoint = POINT{0, 0};
  m_drawerOption = true;
  m_toggles = false;
  m_canUntoggle = true;
  m_invertLook = false;
  m_paintFlag = false;
  m_selected = false;
  m_default = false;
}

drawer::IButton* Button::drawerOfSkin(drawer::ISkin* skin) {
  return skin != nullptr ? skin->getButtonDrawer() : nullptr;
}

void Button::onDrawerChanged() {
  if (getDrawer() != nullptr) {
    getDrawer()->applyToFontSettings(&m_normal, &m_disabled);
    getDrawer()->applyToSecondFontSetting(&m_selectedSetting);
  }
}

bool Button::isResizer() {
  return std::u16string_view(text()->getCStr()) == std::u16string_view(u"#Resizer");
}

DWORD Button::creationStyle() {
  return Widget::creationStyle() | (m_default ? static_cast<DWORD>(BS_DEFPUSHBUTTON) : 0u);
}

void Button::setText(const WCHAR* value) {
  text()->assign(value != nullptr ? value : u"");
  applyText();
  measureAndRelayout();
}

void Button::setTextId(int32_t id) {
  Widget::setTextId(id);
  IWindow* window = getWindow();
  if (window != nullptr && window->hasLocalizer()) {
    setText(window->getLocalizer()->getText(id));
  }
}

void Button::forEachSetting(void (*change)(FontSetting*, int32_t), int32_t value) {
  change(&m_normal, value);
  change(&m_disabled, value);
  change(&m_selectedSetting, value);
  measureAndRelayout();
}

void Button::setFontStyle(int32_t code) {
  forEachSetting([](FontSetting* s, int32_t v) { s->setStyleCode(v); }, code);
}

void Button::setFontFace(const WCHAR* name) {
  m_normal.setFaceName(name);
  m_disabled.setFaceName(name);
  m_selectedSetting.setFaceName(name);
  measureAndRelayout();
}

void Button::setTextColor(int32_t red, int32_t green, int32_t blue) {
  // The disabled and selected looks keep their own colours.
  m_normal.setTextColor(red, green, blue);
  measureAndRelayout();
}

void Button::setFontPointSize(int32_t size) {
  forEachSetting([](FontSetting* s, int32_t v) { s->setPointSize(v); }, size);
}

void Button::setFontHeight(int32_t height) {
  forEachSetting([](FontSetting* s, int32_t v) { s->setHeight(v); }, height);
}

void Button::setFontWidth(int32_t width) {
  forEachSetting([](FontSetting* s, int32_t v) { s->setWidth(v); }, width);
}

void Button::setBold(bool on) {
  forEachSetting([](FontSetting* s, int32_t v) { s->setBold(v != 0); }, on ? 1 : 0);
}

void Button::setItalic(bool on) {
  forEachSetting([](FontSetting* s, int32_t v) { s->setItalic(v != 0); }, on ? 1 : 0);
}

void Button::setUnderline(bool on) {
  forEachSetting([](FontSetting* s, int32_t v) { s->setUnderline(v != 0); }, on ? 1 : 0);
}

void Button::setStrikeOut(bool on) {
  forEachSetting([](FontSetting* s, int32_t v) { s->setStrikeOut(v != 0); }, on ? 1 : 0);
}

void Button::setFontWeight(int32_t weight) {
  forEachSetting([](FontSetting* s, int32_t v) { s->setWeight(v); }, weight);
}

void Button::addClickListener(events::IEventListener* listener) {
  if (listener != nullptr) {
    m_clickListeners.push(listener);
  }
}

void Button::addAfterClickListener(events::IEventListener* listener) {
  if (listener != nullptr) {
    m_afterClickListeners.push(listener);
  }
}

void Button::addRepeatListener(events::IEventListener* listener) {
  if (listener != nullptr) {
    m_repeatListeners.push(listener);
  }
}

void Button::setDrawerOption(bool on) {
  m_drawerOption = on;
  repaint();
}

void Button::setToggleMode(bool toggles, bool canUntoggle, bool invertLook, bool paintFlag) {
  m_toggles = toggles;
  m_canUntoggle = canUntoggle;
  m_invertLook = invertLook;
  m_paintFlag = paintFlag;
}

void Button::setSelected(bool on) {
  if (on != m_selected) {
    m_selected = on;
    repaint();
  }
}

void Button::setDefault() {
  if (handle() != nullptr) {
    ::SendMessageW(handle(), kSetDefaultMessage, 0, 0);
  } else {
    m_default = true;
  }
}

void Button::clearDefault() {
  if (handle() != nullptr) {
    ::SendMessageW(handle(), kClearDefaultMessage, 0, 0);
  } else {
    m_default = false;
  }
}

void Button::applyStyle(bool makeDefault) {
  const auto style = static_cast<DWORD>(::GetWindowLongW(handle(), GWL_STYLE));
  const DWORD type = (style & ~static_cast<DWORD>(1)) | (makeDefault ? BS_DEFPUSHBUTTON : 0u);
  ::SendMessageW(handle(), BM_SETSTYLE, type, TRUE);
  m_default = makeDefault;
}

void Button::setColorGlyph(int32_t red, int32_t green, int32_t blue) {
  const int32_t packed = static_cast<int32_t>(RGB(red & 0xFF, green & 0xFF, blue & 0xFF));
  str::strbuffer::StrBuffer* glyph = str::strbuffer::StrBuffer::take();
  glyph->assign(u"#Color-");
  glyph->appendHexInt32Array(&packed, 1);
  setText(glyph->getCStr());
  glyph->release();
}

void Button::setEnabled(bool enabled) {
  m_enabledFlag = enabled;
  Widget::setEnabled(enabled);
}

int32_t Button::getMinimumWidth() {
  return m_fixedWidth >= 0 ? m_fixedWidth : Widget::getMinimumWidth();
}

int32_t Button::getMinimumHeight() {
  return m_fixedHeight >= 0 ? m_fixedHeight : Widget::getMinimumHeight();
}

int32_t Button::getMaximumWidth() {
  if (m_fixedWidth >= 0) {
    return m_fixedWidth;
  }
  if (m_widthPercent >= 0) {
    return getParent() != nullptr ? getParent()->getClientWidth() * m_widthPercent / 100 : 0;
  }
  return std::max(Widget::getMinimumWidth(), m_idealWidth);
}

int32_t Button::getMaximumHeight() {
  if (m_fixedHeight >= 0) {
    return m_fixedHeight;
  }
  if (m_heightPercent >= 0) {
    return getParent() != nullptr ? getParent()->getClientHeight() * m_heightPercent / 100 : 0;
  }
  return std::max(Widget::getMinimumHeight(), m_idealHeight);
}

void Button::measure() {
  SIZE ideal{0, 0};
  if (getDrawer() != nullptr) {
    if (m_fixedWidth >= 0 && m_fixedHeight >= 0) {
      ideal = SIZE{m_fixedWidth, m_fixedHeight};
    } else {
      // The drawer paints with its own fonts: the control measures with a font made for the
      // purpose and gets its own back afterwards.
      const auto previous = reinterpret_cast<HFONT>(::SendMessageW(handle(), WM_GETFONT, 0, 0));
      IFont* made = m_normal.createFont();
      auto* font = dynamic_cast<Font*>(made);
      if (font != nullptr) {
        ::SendMessageW(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font->getHandle()), TRUE);
      }
      if (::SendMessageW(handle(), BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) == 0) {
        ideal = SIZE{0, 0};
      }
      ::SendMessageW(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(previous), FALSE);
      if (made != nullptr) {
        made->release();
      }
    }
  } else {
    if (m_measuringFont == nullptr) {
      m_measuringFont = Font::take();
    }
    if (m_measuringFont != nullptr) {
      m_measuringFont->inheritFromSetting(&m_normal);
      ::SendMessageW(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(m_measuringFont->getHandle()),
                     TRUE);
    }
    if (::SendMessageW(handle(), BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) == 0) {
      ideal = SIZE{0, 0};
    }
  }
  setMeasuredSize(ideal.cx, ideal.cy);
  m_idealWidth = ideal.cx;
  m_idealHeight = ideal.cy;
}

bool Button::inside(LPARAM lParam) {
  const POINT p = pointOfMessage(lParam);
  return p.x >= 0 && p.y >= 0 && p.x <= getWidth() && p.y <= getHeight();
}

POINT Button::screenPointOf(LPARAM lParam) {
  const POINT p = pointOfMessage(lParam);
  RECT r{0, 0, 0, 0};
  ::GetWindowRect(handle(), &r);
  return POINT{r.left + p.x, r.top + p.y};
}

bool Button::cursorOverWindow() {
  POINT cursor{0, 0};
  RECT r{0, 0, 0, 0};
  if (!::GetCursorPos(&cursor) || !::GetWindowRect(handle(), &r)) {
    return false;
  }
  return cursor.x >= r.left && cursor.x < r.right && cursor.y >= r.top && cursor.y < r.bottom;
}

void Button::click() {
  notifyListeners(m_clickListeners, this, 1);
  if (m_toggles && isEnabled()) {
    // A selected button that may not be unselected stays selected.
    if (!m_selected || m_canUntoggle) {
      m_selected = !m_selected;
    }
    repaint();
  }
  notifyListeners(m_afterClickListeners, this, 2);
}

void Button::startPress() {
  m_tracking = true;
  m_hover = 2;
  notifyListeners(m_repeatListeners, this, 3);
  if (m_autoRepeat) {
    ::SetTimer(handle(), kRepeatDelayTimer, 500, nullptr);
  }
}

void Button::setHover(int32_t state) {
  if (state != m_hover) {
    m_hover = state;
    if (paintsWithDrawer()) {
      repaint();
    }
  }
}

void Button::onMouseMove(WPARAM wParam, LPARAM lParam) {
  const bool in = inside(lParam);
  if (m_tracking) {
    setHover(in ? 2 : 0);
    const POINT point = screenPointOf(lParam);
    if (point.x != m_lastPoint.x || point.y != m_lastPoint.y) {
      if (isResizer() && getWindow() != nullptr && getWindow()->isResizable()) {
        resizeStep(point);
      } else {
        m_lastPoint = point;
      }
    }
    return;
  }
  if (in) {
    if ((wParam & MK_LBUTTON) != 0) {
      return;
    }
    setHover(1);
    if (::GetCapture() != handle()) {
      if (isResizer()) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_SIZENWSE));
      }
      // Held while the pointer is over the button, so the button hears it leave.
      ::SetCapture(handle());
    }
    return;
  }
  if (::GetCapture() == handle()) {
    if (isResizer()) {
      ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    }
    ::ReleaseCapture();
  }
  setHover(0);
}

void Button::resizeStep(POINT point) {
  IWindow* window = getWindow();
  const int32_t dx = point.x - m_lastPoint.x;
  const int32_t dy = point.y - m_lastPoint.y;
  const int32_t x = window->getX();
  const int32_t y = window->getY();
  const int32_t width = window->getWidth();
  const int32_t height = window->getHeight();
  RECT r{x, y, x + width + dx, y + height + dy};
  if (window->getHandle() != nullptr) {
    ::SendMessageW(window->getHandle(), WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&r));
  }
  window->setBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  // The grip follows only what the window took, so a clamped size never makes it drift from
  // the pointer.
  m_lastPoint.x += window->getWidth() - width;
  m_lastPoint.y += window->getHeight() - height;
}

void Button::onButtonUp(LPARAM lParam) {
  if (!m_tracking) {
    return;
  }
  if (m_autoRepeat) {
    ::KillTimer(handle(), kRepeatDelayTimer);
    ::KillTimer(handle(), kRepeatTimer);
  }
  setHover(0);
  if (isResizer() && getWindow() != nullptr && getWindow()->isResizable()) {
    const POINT point = screenPointOf(lParam);
    if (point.x != m_lastPoint.x || point.y != m_lastPoint.y) {
      resizeStep(point);
    }
  }
  m_tracking = false;
}

bool Button::preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_UPDATEUISTATE:
      if (!paintsWithDrawer()) {
        return false;
      }
      repaint();
      *result = 0;
      return true;
    case WM_NCHITTEST: {
      LRESULT hit = CWnd::WindowProc(message, wParam, lParam);
      if (!isEnabled() || (m_selected && !m_canUntoggle)) {
        hit = HTTRANSPARENT;
      }
      *result = hit;
      return true;
    }
    case WM_KEYDOWN: {
      const HWND parent = nativeHandleOf(getParent());
      if (parent != nullptr && ::SendMessageW(parent, WM_KEYDOWN, wParam, lParam) != 0) {
        return false;
      }
      *result = 0;
      return true;
    }
    case WM_LBUTTONDOWN:
      m_lastPoint = screenPointOf(lParam);
      if (inside(lParam)) {
        startPress();
      }
      return false;
    case WM_TIMER:
      if (!m_tracking || !m_autoRepeat || !cursorOverWindow()) {
        return false;
      }
      if (wParam == kRepeatDelayTimer) {
        ::KillTimer(handle(), kRepeatDelayTimer);
        ::SetTimer(handle(), kRepeatTimer, 100, nullptr);
        *result = 0;
        return true;
      }
      if (wParam == kRepeatTimer) {
        notifyListeners(m_repeatListeners, this, 3);
        *result = 0;
        return true;
      }
      return false;
    case WM_MOUSEMOVE: onMouseMove(wParam, lParam); return false;
    case WM_LBUTTONUP: onButtonUp(lParam); return false;
    case kSetDefaultMessage:
      applyStyle(true);
      *result = 0;
      return true;
    case kClearDefaultMessage:
      applyStyle(false);
      *result = 0;
      return true;
    case kClickedMessage:
      click();
      *result = 0;
      return true;
    case kDoubleClickedMessage:
      startPress();
      click();
      *result = 0;
      return true;
    default: return Widget::preWindowProc(result, message, wParam, lParam);
  }
}

void Button::postWindowProc(LRESULT* /*result*/, UINT message, WPARAM /*wParam*/,
                            LPARAM /*lParam*/) {
  if ((message == WM_ENABLE || message == WM_SETTEXT) && paintsWithDrawer()) {
    repaint();
  }
}

void Button::paintGrip(CDC* dc, int32_t width, int32_t height) {
  const POINT dots[] = {{width - 3, height - 11}, {width - 3, height - 7},
                        {width - 7, height - 7},  {width - 3, height - 3},
                        {width - 7, height - 3},  {width - 11, height - 3}};
  for (const POINT& dot : dots) {
    dc->FillSolidRect(dot.x, dot.y, 2, 2, kGripLight);
    dc->FillSolidRect(dot.x - 1, dot.y - 1, 2, 2, kGripShade);
  }
}

void Button::paintDrawer(CDC* dc, int32_t width, int32_t height) {
  drawer::IButton* drawer = getDrawer();
  const bool enabled = isEnabled();
  if (isResizer()) {
    if (drawer == nullptr) {
      paintGrip(dc, width, height);
      return;
    }
    FontSetting* setting = !enabled ? &m_disabled : m_selected ? &m_selectedSetting : &m_normal;
    IFont* font = setting->createFont();
    drawer->paint(dc, 0, 0, width, height, 0, text()->getCStr(), false, font, enabled, m_selected,
                  m_paintFlag);
    if (font != nullptr) {
      font->release();
    }
    return;
  }
  const int32_t state = (m_selected && !m_canUntoggle && m_hover != 0) ? 0 : m_hover;
  const bool drawnSelected = m_invertLook ? !m_selected : m_selected;
  FontSetting* setting = !enabled ? &m_disabled : drawnSelected ? &m_selectedSetting : &m_normal;
  IFont* font = setting->createFont();
  drawer->paint(dc, 0, 0, width, height, state, text()->getCStr(), m_drawerOption, font, enabled,
                drawnSelected, m_paintFlag);
  if (font != nullptr) {
    font->release();
  }
}

Button* makeButton(int32_t textId, double widthPercent, int32_t fixedHeight) {
  Button* button = Button::take();
  if (button == nullptr) {
    return nullptr;
  }
  button->setTextId(textId);
  button->setEnabled(true);
  if (widthPercent >= 0) {
    button->setWidthPercent(static_cast<int32_t>(widthPercent));
  }
  if (fixedHeight >= 0) {
    button->setFixedHeight(fixedHeight);
  }
  return button;
}

}  // namespace s::gui::win
