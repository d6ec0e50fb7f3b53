// The radio button: the state it learns from its control and its group, its listeners and
// bindings, its measuring, and painting through the scratch square.
#include "gui/win/RadioButton.h"

#include "gui/app/AppHooks.h"
#include "gui/drawer/ISkin.h"
#include "gui/events/Disabler.h"
#include "gui/events/Editabler.h"
#include "gui/events/Enabler.h"
#include "gui/events/UnEditabler.h"
#include "gui/win/Bindings.h"
#include "gui/win/CheckBox.h"
#include "gui/win/ChildWindow.h"
#include "gui/win/MemDC.h"
#include "imaging/win/BufferedImage.h"
#include "platform/lang/Localizer.h"

#include <windows.h>
#include <commctrl.h>

namespace s::gui::win {

RadioButton::RadioButton() : CheckWidget(kRadioButtonClass) { reset(); }

RadioButton::~RadioButton() { reset(); }

void RadioButton::reset() {
  resetWidget();
  setBackgroundColor(255, 255, 255, false);
  useParentBackground(false);
  resetCheckWidget();
  releaseBinding(m_editableOnCheck);
  releaseBinding(m_uneditableOnUncheck);
}

drawer::IRadioButton* RadioButton::drawerOfSkin(drawer::ISkin* skin) {
  return skin != nullptr ? skin->getRadioButtonDrawer() : nullptr;
}

void RadioButton::onDrawerChanged() {
  if (getDrawer() != nullptr) {
    getDrawer()->applyToFonts(&m_normal, &m_disabled);
  }
}

void RadioButton::applyText() {
  if (handle() == nullptr) {
    return;
  }
  str::strbuffer::StrBuffer* shown = str::strbuffer::StrBuffer::take();
  doubleAmpersands(text()->getCStr(), shown);
  ::SetWindowTextW(handle(), shown->getCStr());
  shown->release();
}

void RadioButton::applySettings() {
  if (m_checked) {
    // Silently: the state is the widget's own already.
    m_notify = false;
    ::SendMessageW(handle(), BM_SETCHECK, BST_CHECKED, 0);
    m_notify = true;
  }
}

bool RadioButton::isChecked() {
  if (handle() != nullptr) {
    return ::SendMessageW(handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  return m_checked;
}

void RadioButton::setChecked(bool on, bool notify) {
  m_notify = notify;
  m_checked = on;
  if (handle() != nullptr) {
    ::SendMessageW(handle(), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  m_notify = true;
}

void RadioButton::bindEditable(IComponent* c) {
  editableOnCheck(c);
  uneditableOnUncheck(c);
}

void RadioButton::editableOnCheck(IComponent* c) {
  bindTarget(m_editableOnCheck, this, m_checkListeners, c);
}

void RadioButton::uneditableOnUncheck(IComponent* c) {
  bindTarget(m_uneditableOnUncheck, this, m_uncheckListeners, c);
}

void RadioButton::setEnabled(bool enabled) {
  if (enabled == isEnabled()) {
    return;
  }
  notifyListeners(enabled ? m_enableListeners : m_disableListeners, this, 0);
  Widget::setEnabled(enabled);
  if (getDrawer() != nullptr) {
    repaint();
  }
}

void RadioButton::measure() {
  ::SendMessageW(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(m_normal.getHandle()), TRUE);
  FontDC dc(handle(), m_normal);
  SIZE extent{0, 0};
  ::GetTextExtentPoint32W(dc.get(), text()->getCStr(), static_cast<int>(text()->getLength()),
                          &extent);
  const auto s = static_cast<int32_t>(app::appHooks().getDisplayScale());
  const int32_t width = extent.cx > 0 ? extent.cx + (s < 2 ? 18 * s : 24 * s) : 0;
  setMeasuredSize(width, extent.cy);
}

void RadioButton::setSizeWithinLimits(int32_t /*width*/, int32_t /*height*/) {
  setSize(getMinimumWidth(), getMinimumHeight());
}

void RadioButton::paintDrawer(CDC* dc, int32_t width, int32_t height) {
  image::win::BufferedImage* image =
      image::win::BufferedImage::takeSized(kScratchSize, kScratchSize);
  MemDC* scratch = image != nullptr ? MemDC::forImage(handle(), image, true) : nullptr;
  if (scratch == nullptr) {
    if (image != nullptr) {
      image->release();
    }
    return;
  }
  // The drawer draws its ring enlarged over the real background, then shrinks it back.
  const int previousMode = scratch->SetStretchBltMode(HALFTONE);
  ::StretchBlt(scratch->m_hDC, 0, 0, kScratchSize, kScratchSize, dc->m_hDC, 0, height / 2 - 6, 13,
               13, SRCCOPY);
  scratch->SetStretchBltMode(previousMode);
  getDrawer()->paint(dc, scratch, 0, 0, width, height, m_checked, text()->getCStr(), &m_normal,
                     RGB(255, 255, 255));
  scratch->release();
}

bool RadioButton::preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == BM_SETCHECK) {
    // No comparison with the old state: the group unchecks every other member each time.
    m_checked = wParam == BST_CHECKED;
    if (m_notify) {
      notifyListeners(m_checked ? m_checkListeners : m_uncheckListeners, this, 0);
    }
    return false;
  }
  return Widget::preWindowProc(result, message, wParam, lParam);
}

}  // namespace s::gui::win
