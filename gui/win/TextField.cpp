// The text field's stored text and flags, its way to the edit control and the control's messages.
#include "gui/win/TextField.h"

#include "gui/app/AppHooks.h"
#include "gui/win/ChildWindow.h"

#include <windows.h>

namespace s::gui::win {
namespace {

constexpr UINT kChangeMessage = WM_APP + 12;     // EN_CHANGE, reflected
constexpr UINT kFocusLostMessage = WM_APP + 21;  // EN_KILLFOCUS, reflected
constexpr WCHAR kPasswordChar = u'*';

}  // namespace

TextField::~TextField() {
  reset();
  deleteFieldBrush();
}

void TextField::reset() {
  resetWidget();
  setBackgroundColor(255, 255, 255, false);
  m_sizes.reset();
  m_font.reset();
  m_editable = true;
  m_notify = true;
  m_password = false;
  m_changeListeners.clear();
  m_enterListeners.clear();
  m_focusLostListeners.clear();
}

void TextField::applyText() {
  if (handle() == nullptr) {
    return;
  }
  // The text the field is made with is no change anybody is told of.
  const bool notify = m_notify;
  m_notify = false;
  ::SetWindowTextW(handle(), text()->getCStr());
  m_notify = notify;
}

void TextField::applySettings() {
  ::SendMessageW(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(m_font.getHandle()), TRUE);
  if (!m_editable) {
    ::SendMessageW(handle(), EM_SETREADONLY, TRUE, 0);
  }
  ::SendMessageW(handle(), EM_SETPASSWORDCHAR, m_password ? kPasswordChar : 0, 0);
}

void TextField::measure() {
  const auto s = static_cast<int32_t>(app::appHooks().getDisplayScale());
  setMeasuredSize(50 * s, 24 * s);
  m_sizes.idealWidth = 50 * s;
  m_sizes.idealHeight = 24 * s;
}

const WCHAR* TextField::getText() {
  if (handle() != nullptr) {
    const int length = ::GetWindowTextLengthW(handle());
    text()->clear();
    if (length > 0) {
      text()->ensureCapacity(static_cast<uint32_t>(length) + 1);
      WCHAR* buffer = text()->getBuffer();
      const int copied = ::GetWindowTextW(handle(), buffer, length + 1);
      text()->setLength(copied > 0 ? static_cast<uint32_t>(copied) : 0);
    }
  }
  return text()->getCStr();
}

void TextField::setText(const WCHAR* value, bool notify) {
  text()->assign(value != nullptr ? value : u"");
  m_notify = notify;
  if (handle() != nullptr) {
    ::SetWindowTextW(handle(), text()->getCStr());
    measureAndRelayout();
  }
  m_notify = true;
}

bool TextField::isEmpty() {
  if (handle() != nullptr) {
    return ::GetWindowTextLengthW(handle()) == 0;
  }
  return text()->getLength() == 0;
}

void TextField::setEditable(bool on) {
  if (on != m_editable && handle() != nullptr) {
    ::SendMessageW(handle(), EM_SETREADONLY, on ? FALSE : TRUE, 0);
  }
  m_editable = on;
}

void TextField::fontChanged() {
  if (handle() != nullptr) {
    ::SendMessageW(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(m_font.getHandle()), TRUE);
  }
  measureAndRelayout();
}

void TextField::setFontStyle(int32_t code) {
  m_font.setStyleCode(code);
  fontChanged();
  repaint();
}

void TextField::setFontFace(const WCHAR* name) {
  m_font.setFaceName(name);
  fontChanged();
}

void TextField::setFontHeight(int32_t height) {
  m_font.setHeight(height);
  fontChanged();
}

void TextField::setTextColor(int32_t red, int32_t green, int32_t blue) {
  m_font.setTextColor(red, green, blue);
  fontChanged();
}

void TextField::setFontWidth(int32_t width) {
  m_font.setWidth(width);
  fontChanged();
}

void TextField::setBold(bool on) {
  m_font.setBold(on);
  fontChanged();
}

void TextField::setItalic(bool on) {
  m_font.setItalic(on);
  fontChanged();
}

void TextField::setUnderline(bool on) {
  m_font.setUnderline(on);
  fontChanged();
}

void TextField::setStrikeOut(bool on) {
  m_font.setStrikeOut(on);
  fontChanged();
}

void TextField::setFontWeight(int32_t weight) {
  m_font.setWeight(weight);
  fontChanged();
}

void TextField::addChangeListener(events::IEventListener* listener) {
  if (listener != nullptr) {
    m_changeListeners.push(listener);
  }
}

void TextField::addEnterListener(events::IEventListener* listener) {
  if (listener != nullptr) {
    m_enterListeners.push(listener);
  }
}

void TextField::addFocusLostListener(events::IEventListener* listener) {
  if (listener != nullptr) {
    m_focusLostListeners.push(listener);
  }
}

void TextField::focusAndSelectAllOnUiThread() {
  if (handle() != nullptr) {
    ::SendMessageW(handle(), kFocusAndSelectAllMessage, 0, 0);
  }
}

void TextField::focusAndSelectAll() {
  if (handle() == nullptr) {
    return;
  }
  ::SetFocus(handle());
  ::SendMessageW(handle(), EM_SETSEL, 0, -1);
  ::SendMessageW(handle(), EM_SCROLLCARET, 0, 0);
}

void TextField::setPassword(bool on) {
  m_password = on;
  if (handle() != nullptr) {
    ::SendMessageW(handle(), EM_SETPASSWORDCHAR, on ? kPasswordChar : 0, 0);
  }
}

void TextField::deleteFieldBrush() {
  if (m_fieldBrush != nullptr) {
    ::DeleteObject(m_fieldBrush);
    m_fieldBrush = nullptr;
  }
}

// An editable, enabled field on its background colour; a read-only or disabled one on the dialog
// face, as Windows' own fields look; the text in the font's colour.
HBRUSH TextField::answerColor(HDC dc) {
  deleteFieldBrush();
  const COLORREF colour =
      isEnabled() && m_editable ? getBackgroundColor() : ::GetSysColor(COLOR_BTNFACE);
  m_fieldBrush = ::CreateSolidBrush(colour);
  ::SetBkColor(dc, colour);
  ::SetTextColor(dc, m_font.getTextColor());
  return m_fieldBrush;
}

bool TextField::preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETCURSOR:
      ::SetCursor(::LoadCursorW(nullptr, IDC_IBEAM));
      *result = 0;
      return true;
    case WM_CHAR:
      // The control changes its text with painting held back; the field then paints once.
      ::SendMessageW(handle(), WM_SETREDRAW, FALSE, 0);
      *result = CWnd::WindowProc(message, wParam, lParam);
      ::SetCursor(::LoadCursorW(nullptr, IDC_IBEAM));
      ::SendMessageW(handle(), WM_SETREDRAW, TRUE, 0);
      ::InvalidateRect(handle(), nullptr, FALSE);
      ::UpdateWindow(handle());
      return true;
    case kFocusAndSelectAllMessage:
      focusAndSelectAll();
      *result = 0;
      return true;
    case kColorMessage:
      if (isParentBackground()) {
        return Widget::preWindowProc(result, message, wParam, lParam);
      }
      *result = reinterpret_cast<LRESULT>(answerColor(reinterpret_cast<HDC>(wParam)));
      return true;
    case kChangeMessage:
      if (m_notify) {
        notifyListeners(m_changeListeners, this, 1);
      }
      *result = 0;
      return true;
    case kFocusLostMessage:
      notifyListeners(m_focusLostListeners, this, 3);
      *result = 0;
      return true;
    default: return Widget::preWindowProc(result, message, wParam, lParam);
  }
}

BOOL TextField::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) {
    notifyListeners(m_enterListeners, this, 2);
    return TRUE;
  }
  return Widget::PreTranslateMessage(msg);
}

}  // namespace s::gui::win
