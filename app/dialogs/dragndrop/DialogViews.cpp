// The converter window's two views, the small and the large one: the switch between them and
// the sizes each keeps.
#include "app/dialogs/dragndrop/Dialog.h"

#include "core/map/IMappedData.h"
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/GroupBox.h"
#include "gui/win/Spacer.h"
#include "gui/win/Window.h"

namespace s::gui::dialogs::dragndrop {

namespace {

/// The view button's text in the large view, which goes back to the small one.
constexpr int32_t kCompactViewTextId = 1006000;
/// The large view opens a gap above and below the keep-on-top check box.
constexpr int32_t kLargeViewGapAbove = 5;
constexpr int32_t kLargeViewGapBelow = 9;

}  // namespace

void Dialog::storeViewSize(bool compact) {
  if (m_window == nullptr || m_settings == nullptr) {
    return;
  }
  const WCHAR* section = settingsKey(m_viewSection);
  m_settings->setInt32(section, compact ? u"SmallWidth" : u"LargeWidth", m_window->getWidth());
  section = settingsKey(m_viewSection);
  m_settings->setInt32(section, compact ? u"SmallHeight" : u"LargeHeight", m_window->getHeight());
}

void Dialog::setCompactView(bool compact, bool save) {
  if (save) {
    storeViewSize(!compact);
  }
  const int32_t s = m_displayScale;
  if (m_spacerAbove != nullptr) {
    m_spacerAbove->setFixedHeight(compact ? 0 : kLargeViewGapAbove * s);
    m_spacerBelow->setFixedHeight(compact ? 0 : kLargeViewGapBelow * s);
  }
  if (m_leftColumn != nullptr && showsLeftColumn()) {
    if (compact) {
      m_leftColumn->setMinimumWidth(0);
      m_leftColumn->setWidthPercent(100, false);
      m_leftColumn->alignRight();
    } else {
      m_leftColumn->setMinimumWidth(getLeftColumnMinimumWidth());
      m_leftColumn->setFixedWidth(-1, false);
      m_leftColumn->alignCenter();
    }
  }
  if (m_dropBox != nullptr) {
    if (compact) {
      m_dropBox->getContent()->alignCenter();
    } else {
      m_dropBox->getContent()->alignLeft();
    }
  }
  if (m_mainArea != nullptr) {
    if (compact) {
      m_mainArea->setVertical();
    } else {
      m_mainArea->setHorizontal();
    }
  }
  if (m_rightColumn != nullptr) {
    if (compact) {
      m_rightColumn->setFixedHeight(-1, false);
    } else {
      m_rightColumn->setHeightPercent(100, false);
    }
  }
  if (m_optionsPanel != nullptr) {
    auto* panel = static_cast<gui::win::Box*>(m_optionsPanel);
    if (compact) {
      panel->setFixedWidth(0, false);
      panel->setFixedHeight(0, false);
    } else {
      panel->setWidthPercent(100, false);
      panel->setHeightPercent(100, false);
    }
  }
  if (m_dropTopBox != nullptr) {
    if (compact) {
      m_dropTopBox->setFixedHeight(-1, false);
      m_dropTopBox->setWidthPercent(100, false);
    } else {
      m_dropTopBox->setFixedWidth(0, false);
      m_dropTopBox->setFixedHeight(0, false);
    }
  }
  if (m_viewButton != nullptr) {
    if (hasRightClickTransform()) {
      m_viewButton->setTextId(compact ? kAdvancedViewTextId : kCompactViewTextId);
    } else if (m_buttonRow != nullptr) {
      m_buttonRow->setFixedHeight(0, false);
    }
  }
  m_compact = compact;
  if (m_window != nullptr) {
    int32_t width = compact ? getDefaultSmallWidth() : getDefaultLargeWidth();
    int32_t height = compact ? getDefaultSmallHeight() : getDefaultLargeHeight();
    if (m_settings != nullptr) {
      width = m_settings->getInt32(settingsKey(m_viewSection),
                                   compact ? u"SmallWidth" : u"LargeWidth", width);
      height = m_settings->getInt32(settingsKey(m_viewSection),
                                    compact ? u"SmallHeight" : u"LargeHeight", height);
    }
    m_window->setSize(width, height);
    m_window->doLayout();
    m_window->doLayout();
    m_window->fitToPreferredSize();
  }
  if (m_settings != nullptr) {
    m_settings->setBool(settingsKey(u"View"), u"CompactView", compact);
  }
}

void Dialog::switchView() {
  m_window->show(false, false);
  setCompactView(!m_compact, true);
  m_window->show(true, true);
}
}  // namespace s::gui::dialogs::dragndrop
