// The check box: the state it learns from its control, its listeners and bindings, and its
// measuring rules.
#include "gui/win/CheckBox.h"

#include "gui/app/AppHooks.h"
#include "gui/drawer/ISkin.h"
#include "gui/events/Disabler.h"
#include "gui/events/Enabler.h"
#include "gui/win/Bindings.h"
#include "gui/win/ChildWindow.h"
#include "platform/lang/Localizer.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>

namespace s::gui::win {

void doubleAmpersands(const WCHAR* text, str::strbuffer::StrBuffer* out) {
  out->clear();
  if (text == nullptr) {
    return;
  }
  const WCHAR* start = text;
  for (const WCHAR* p = text; *p != 0; ++p) {
    if (*p == u'&') {
      out->appendChars(start, static_cast<int32_t>(p - start + 1));
      out->appendWChar(u'&');
      start = p + 1;
    }
  }
  out->append(start);
}

CheckBox::CheckBox() : CheckWidget(kCheckBoxClass) { reset(); }

CheckBox::~CheckBox() { reset(); }

void CheckBox::reset() {
  resetWidget();
  setBackgroundColor(255, 255, 255, false);
  useParentBackground(false);
  m_maximumWidth = m_maximumHeight = 0;
  resetCheckWidget();
}

drawer::ICheckBox* CheckBox::drawerOfSkin(drawer::ISkin* skin) {
  return skin != nullptr ? skin->getCheckBoxDrawer() : nullptr;
}

void CheckBox::onDrawerChanged() {
  if (getDrawer() != nullptr) {
    getDrawer()->applyToFonts(&m_normal, &m_disabled);
  }
}

DWORD CheckBox::creationStyle() {
  return Widget::creationStyle() | (m_normal.isWordWrap() ? kMultiLineButtonStyle : 0u);
}

void CheckBox::applyText() {
  if (handle() == nullptr) {
    return;
  }
  // No mnemonics: the text shows as written.
  str::strbuffer::StrBuffer* shown = str::strbuffer::StrBuffer::take();
  doubleAmpersands(text()->getCStr(), shown);
  ::SetWindowTextW(handle(), shown->getCStr());
  shown->release();
}

void CheckBox::applySettings() {
  ::SendMessageW(handle(), BM_SETCHECK, m_checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CheckBox::setMultiLine(bool on) {
  m_normal.setWordWrap(on);
  measureAndRelayout();
}

void CheckBox::setChecked(bool on) {
  if (on == m_checked) {
    return;
  }
  // Stored first: the control's report then finds nothing new to tell.
  m_checked = on;
  if (handle() != nullptr) {
    ::SendMessageW(handle(), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

void CheckBox::setCheckedSilently(bool on) {
  m_notify = false;
  setChecked(on);
  m_notify = true;
}

void CheckBox::onSetCheck(WPARAM state) {
  if (state == BST_CHECKED) {
    if (!m_checked) {
      m_checked = true;
      if (m_notify) {
        notifyListeners(m_checkListeners, this, 1);
      }
    }
  } else if (m_checked) {
    m_checked = false;
    if (m_notify) {
      notifyListeners(m_uncheckListeners, this, 2);
    }
  }
}

void CheckBox::setEnabled(bool enabled) {
  if (enabled == isEnabled()) {
    return;
  }
  notifyListeners(enabled ? m_enableListeners : m_disableListeners, this, 0);
  Widget::setEnabled(enabled);
}

void CheckBox::measure() {
  const WCHAR* label = text()->getCStr();
  if (getDrawer() != nullptr) {
    MemDC* dc = MemDC::forImage(handle(), nullptr, false);
    int32_t minimumWidth = 0;
    int32_t minimumHeight = 0;
    int32_t maximumWidth = 0;
    int32_t maximumHeight = 0;
    if (dc != nullptr) {
      getDrawer()->measure(dc, label, &m_normal, minimumWidth, minimumHeight, maximumWidth,
                           maximumHeight);
      dc->release();
    }
    setMeasuredSize(minimumWidth, minimumHeight);
    m_maximumWidth = maximumWidth;
    m_maximumHeight = maximumHeight;
    return;
  }
  ::SendMessageW(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(m_normal.getHandle()), TRUE);
  FontDC dc(handle(), m_normal);
  const auto s = static_cast<int32_t>(app::appHooks().getDisplayScale());
  if (m_normal.isWordWrap()) {
    RECT line{0, 0, 0, 0};
    ::DrawTextW(dc.get(), label, -1, &line, DT_CALCRECT | DT_NOPREFIX);
    RECT word{0, 0, 0, 0};
    ::DrawTextW(dc.get(), label, -1, &word, DT_CALCRECT | DT_NOPREFIX | DT_WORDBREAK);
    const int32_t height = line.bottom - line.top;
    const int32_t box = height + (height / 3) * s;
    setMeasuredSize(word.right - word.left + box, height);
    m_maximumWidth = line.right - line.left + box;
    m_maximumHeight = height;
    return;
  }
  SIZE extent{0, 0};
  ::GetTextExtentPoint32W(dc.get(), label, static_cast<int>(text()->getLength()), &extent);
  const int32_t width = extent.cy + s * (extent.cy / 3) + extent.cx;
  const int32_t height = extent.cy + (s > 1 ? 3 * s : 0) + (s == 2 ? 1 : 0);
  setMeasuredSize(width, height);
  m_maximumWidth = width;
  m_maximumHeight = height;
}

void CheckBox::setSizeWithinLimits(int32_t width, int32_t /*height*/) {
  if (!m_normal.isWordWrap()) {
    setSize(getMinimumWidth(), getMinimumHeight());
    return;
  }
  const int32_t h0 = getMinimumHeight();
  RECT r{0, 0, std::max(0, width - h0 / 6 - h0), 0};
  FontDC dc(handle(), m_normal);
  ::DrawTextW(dc.get(), text()->getCStr(), -1, &r, DT_CALCRECT | DT_NOPREFIX | DT_WORDBREAK);
  setSize(h0 + h0 / 6 + (r.right - r.left), std::max(h0, static_cast<int32_t>(r.bottom - r.top)));
}

void CheckBox::paintDrawer(CDC* dc, int32_t width, int32_t height) {
  getDrawer()->paint(dc, 0, 0, width, height, getMinimumHeight(), m_checked, text()->getCStr(),
                     &m_normal);
}

bool CheckBox::preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case BM_SETCHECK: onSetCheck(wParam); return false;
    case WM_UPDATEUISTATE:
      if (getDrawer() == nullptr) {
        return false;
      }
      repaint();
      *result = 0;
      return true;
    default: return Widget::preWindowProc(result, message, wParam, lParam);
  }
}

CheckBox* makeCheckBox(int32_t textId, bool checked) {
  CheckBox* box = CheckBox::take();
  if (box == nullptr) {
    return nullptr;
  }
  box->setTextId(textId);
  box->setChecked(checked);
  box->setMultiLine(false);
  return box;
}

}  // namespace s::gui::win
