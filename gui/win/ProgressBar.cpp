// The progress bar's stored values and their way to the control.
#include "gui/win/ProgressBar.h"

#include <algorithm>

namespace s::gui::win {

void ProgressBar::reset() {
  resetWidget();
  useParentBackground(false);
  m_minimumWidth = m_minimumHeight = 0;
  setMeasuredSize(0, 0);
  m_widthPercent = m_heightPercent = -1;
  m_fixedWidth = m_fixedHeight = -1;
  m_minimum = 0;
  m_maximum = 100;
  m_position = 0;
}

int32_t ProgressBar::getMinimumWidth() { return m_fixedWidth >= 0 ? m_fixedWidth : m_minimumWidth; }

int32_t ProgressBar::getMinimumHeight() {
  return m_fixedHeight >= 0 ? m_fixedHeight : m_minimumHeight;
}

int32_t ProgressBar::getMaximumWidth() {
  if (m_fixedWidth >= 0) {
    return m_fixedWidth;
  }
  if (m_widthPercent >= 0 && getParent() != nullptr) {
    return getParent()->getClientWidth() * m_widthPercent / 100;
  }
  return std::max(m_minimumWidth, Widget::getMinimumWidth());
}

int32_t ProgressBar::getMaximumHeight() {
  if (m_fixedHeight >= 0) {
    return m_fixedHeight;
  }
  if (m_heightPercent >= 0 && getParent() != nullptr) {
    return getParent()->getClientHeight() * m_heightPercent / 100;
  }
  return std::max(m_minimumHeight, Widget::getMinimumHeight());
}

void ProgressBar::setRange(int32_t minimum, int32_t maximum) {
  m_minimum = minimum;
  m_maximum = maximum;
  if (handle() != nullptr) {
    ::SendMessageW(handle(), PBM_SETRANGE32, static_cast<WPARAM>(minimum),
                   static_cast<LPARAM>(maximum));
  }
}

void ProgressBar::setPosition(int32_t position) {
  m_position = position;
  if (handle() != nullptr) {
    ::SendMessageW(handle(), PBM_SETPOS, static_cast<WPARAM>(position), 0);
  }
}

void ProgressBar::applySettings() {
  ::SendMessageW(handle(), PBM_SETRANGE32, static_cast<WPARAM>(m_minimum.load()),
                 static_cast<LPARAM>(m_maximum.load()));
  ::SendMessageW(handle(), PBM_SETPOS, static_cast<WPARAM>(m_position.load()), 0);
}

}  // namespace s::gui::win
