// The spacer's sizes and its children's attachment on its UI thread.
#include "gui/win/Spacer.h"

#include "gui/IBox.h"

#include <algorithm>
#include <utility>

namespace s::gui::win {

void Spacer::reset() {
  resetWidget();
  useParentBackground(false);
  m_minimumWidth = m_minimumHeight = 0;
  setMeasuredSize(0, 0);
  m_widthPercent = m_heightPercent = -1;
  m_fixedWidth = m_fixedHeight = 1;
  m_orientation = 0;
}

void Spacer::orient(int32_t orientation) {
  // Each call exchanges the axes, also when the orientation stays: the usual spacer is made by
  // one call on a fresh spacer and then one fixed size.
  m_orientation = orientation;
  std::swap(m_widthPercent, m_heightPercent);
  std::swap(m_fixedWidth, m_fixedHeight);
}

void Spacer::setWidthPercent(int32_t percent) {
  m_widthPercent = percent;
  m_fixedWidth = -1;
}

void Spacer::setHeightPercent(int32_t percent) {
  m_heightPercent = percent;
  m_fixedHeight = -1;
}

bool Spacer::inBoxArranged(int32_t arrangement) {
  auto* box = dynamic_cast<IBox*>(getParent());
  return box != nullptr && box->getArrangement() == arrangement;
}

int32_t Spacer::getMinimumWidth() {
  if (m_orientation == 1 && inBoxArranged(0)) {
    return 0;
  }
  return m_fixedWidth >= 0 ? m_fixedWidth : m_minimumWidth;
}

int32_t Spacer::getMinimumHeight() {
  if (m_orientation == 0 && inBoxArranged(1)) {
    return 0;
  }
  return m_fixedHeight >= 0 ? m_fixedHeight : m_minimumHeight;
}

int32_t Spacer::getMaximumWidth() {
  if (m_orientation == 1 && inBoxArranged(0)) {
    return 0;
  }
  if (m_fixedWidth >= 0) {
    return m_fixedWidth;
  }
  if (m_widthPercent < 0) {
    return std::max(m_minimumWidth, Widget::getMinimumWidth());
  }
  return getParent() != nullptr ? getParent()->getClientWidth() * m_widthPercent / 100 : 0;
}

int32_t Spacer::getMaximumHeight() {
  if (m_orientation == 0 && inBoxArranged(1)) {
    return 0;
  }
  if (m_fixedHeight >= 0) {
    return m_fixedHeight;
  }
  if (m_heightPercent < 0) {
    return std::max(m_minimumHeight, Widget::getMinimumHeight());
  }
  return getParent() != nullptr ? getParent()->getClientHeight() * m_heightPercent / 100 : 0;
}

bool Spacer::preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kAddChildMessage) {
    auto* child = reinterpret_cast<IComponent*>(wParam);
    if (child != nullptr) {
      child->setParent(this);
    }
    *result = 0;
    return true;
  }
  return Widget::preWindowProc(result, message, wParam, lParam);
}

}  // namespace s::gui::win
