// The about window's widget tree, its links and its owner's modal state.
#include "gui/dialogs/About3.h"

#include "core/system/win/Shell.h"
#include "gui/IFont.h"
#include "gui/IWindow.h"
#include "gui/app/AppHooks.h"
#include "gui/app/IAppWindow.h"
#include "gui/dialogs/DialogParts.h"
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/Image.h"
#include "gui/win/Label.h"
#include "gui/win/Spacer.h"
#include "gui/win/Window.h"
#include "platform/lang/Localizer.h"

namespace s::gui::dialogs {

namespace {

win::Label* text(int32_t id, bool bold) {
  win::Label* label = win::makeLabelById(id, false, false, 0);
  if (label != nullptr) {
    label->setTextColor(0, 0, 0);
    label->setBold(bold);
  }
  return label;
}

/// A link in the label's link looks: green, and yellowish green under the pointer.
win::Label* link(int32_t id, bool bold, events::IEventListener* listener) {
  win::Label* label = text(id, bold);
  if (label != nullptr) {
    label->setClickable(true);
    label->getLinkFont()->setTextColor(0, 170, 0);
    label->getLinkHoverFont()->setTextColor(170, 170, 0);
    label->addClickListener(listener);
  }
  return label;
}

/// The icon bitmap shown at 16 x 16 pixels times the scale: 128 at scale 2, 256 from scale 4,
/// else 64.
int32_t iconSizeFor(int32_t scale) {
  if (scale >= 4) {
    return 256;
  }
  return scale == 2 ? 128 : 64;
}

}  // namespace

About3::~About3() { releaseWindow(); }

void About3::reset() {
  releaseWindow();
  m_owner = nullptr;
  m_scale = 1;
  m_description = nullptr;
  m_settings = nullptr;
  m_localizer = nullptr;
  m_skinner = nullptr;
  m_donationAddressId = -1;
}

void About3::releaseWindow() {
  m_smallClose = nullptr;
  m_close = nullptr;
  m_makerLink = nullptr;
  m_donationLink = nullptr;
  if (m_window != nullptr) {
    m_window->release();
    m_window = nullptr;
  }
}

bool About3::open(IWindow* ownerWindow) {
  releaseWindow();
  m_owner = ownerWindow;
  m_scale = static_cast<int32_t>(app::appHooks().getDisplayScale());
  const int32_t s = m_scale;
  win::Window* window = win::Window::take();
  if (!setUpDialogFrame(window, false, m_description, 340 * s, 285 * s)) {
    return false;
  }
  m_window = window;
  if (m_localizer != nullptr && window->getLocalizer() != m_localizer) {
    window->setLocalizer(m_localizer);
  }
  if (m_skinner != nullptr && window->getSkinner() != m_skinner) {
    window->setSkinner(m_skinner);
  }
  window->setTitleId(kTitleTextId, -1);
  app::win::AppBase* appBase = m_description != nullptr ? m_description->getAppBase() : nullptr;
  const int32_t titleId = m_description != nullptr ? m_description->getTitleTextId() : -1;
  m_donationAddressId = titleId + 100;

  // The top bar: the window's name in the middle and a small close button at the right.
  win::Box* top = win::makeBox(0, 100, -1, 1, 1, 0, 0, 0, s);
  top->add(makeGap(false, 54 * s));
  top->add(text(kTitleTextId, true));
  top->add(makeGap(false, 4 * s));
  m_smallClose = win::makeButton(-1, -1, 14 * s);
  m_smallClose->setText(u"#X");
  m_smallClose->setFixedWidth(50 * s);
  m_smallClose->addClickListener(this);
  top->add(m_smallClose);

  // The white panel: the picture, the icon with the program's title, and the version rows.
  win::Box* panel = win::makeBox(1, 100, -1, 1, 0, 0, 0, 0, 0);
  panel->setBackgroundWhite(false);
  panel->add(win::makeImage(100, app::appHooks().decodeSkinImage1(appBase)));
  win::Box* titleRow = win::makeBox(0, -1, -1, 1, 1, 0, 0, 7 * s, 7 * s);
  titleRow->setFixedHeight(22 * s, false);
  titleRow->add(
      win::makeImageSized(16 * s, 16 * s, app::appHooks().getIconImage(appBase, iconSizeFor(s))));
  titleRow->add(makeGap(false, 5 * s));
  titleRow->add(text(titleId, true));
  panel->add(titleRow);
  panel->add(makeGap(true, 3 * s));
  win::Box* rows = win::makeBox(1, -1, -1, 1, 0, 0, 0, 0, 0);
  const int32_t captions[4] = {400010, 400020, 400050, 400080};
  const int32_t values[4] = {titleId + 10, titleId + 20, titleId + 50, kMakerAddressTextId};
  for (int32_t i = 0; i < 4; ++i) {
    win::Box* row = win::makeBox(0, -1, -1, 0, 1, 0, 0, 7 * s, 7 * s);
    row->setFixedHeight(20 * s, false);
    // The captions line up in a column of their own width.
    win::Box* caption = win::makeBox(0, -1, -1, 0, 1, 0, 0, 0, 0);
    caption->setFixedWidth(140 * s, false);
    caption->add(text(captions[i], false));
    row->add(caption);
    if (i == 3) {
      m_makerLink = link(values[i], false, this);
      row->add(m_makerLink);
    } else {
      row->add(text(values[i], false));
    }
    rows->add(row);
  }
  rows->add(makeGap(true, 7 * s));
  // The donation box: a green frame around a pale green field with the question and the link.
  win::Box* frame = win::makeBox(1, 100, -1, 1, 0, 0, 0, 2 * s, 2 * s);
  frame->setBackgroundColor(154, 206, 2, false);
  win::Box* field = win::makeBox(1, 100, -1, 1, 0, 0, 2 * s, 3 * s, 3 * s);
  field->setBackgroundColor(238, 250, 199, false);
  field->add(text(titleId + 89, true));
  m_donationLink = link(titleId + 90, true, this);
  field->add(m_donationLink);
  frame->add(field);
  win::Box* framed = win::makeBox(1, 100, -1, 1, 0, 0, 0, 7 * s, 0);
  framed->add(frame);
  rows->add(framed);
  rows->add(makeGap(true, 7 * s));
  panel->add(rows);

  m_close = win::makeButton(kCloseTextId, 100, 20 * s);
  m_close->addClickListener(this);

  win::Box* column = win::makeBox(1, 100, -1, 1, 0, 0, 0, 2, 2);
  column->add(top);
  column->add(makeGap(true, 4 * s));
  column->add(panel);
  column->add(makeGap(true, 3 * s));
  column->add(m_close);
  window->add(column);
  window->addCloseListener(this);

  window->doLayout();
  window->pack();
  window->moveOnScreen();
  window->show(true, true);
  if (m_owner != nullptr) {
    m_owner->setModalState(true);
  }
  return true;
}

void About3::onEvent(base::IObject* source, int32_t eventId) {
  if (source == nullptr) {
    return;
  }
  if (m_window != nullptr && source == static_cast<base::IObject*>(m_window)) {
    if (eventId == win::Window::kClose && m_owner != nullptr) {
      m_owner->setModalState(false);
    }
  } else if (source == static_cast<base::IObject*>(m_close) ||
             source == static_cast<base::IObject*>(m_smallClose)) {
    if (m_window != nullptr) {
      m_window->close();
    }
  } else if (m_makerLink != nullptr && source == static_cast<base::IObject*>(m_makerLink)) {
    system::win::shellOpen(m_makerLink->getText());
  } else if (m_donationLink != nullptr && source == static_cast<base::IObject*>(m_donationLink)) {
    lang::Localizer* localizer = m_localizer != nullptr
                                     ? m_localizer
                                     : (m_window != nullptr ? m_window->getLocalizer() : nullptr);
    if (localizer != nullptr && localizer->hasText(m_donationAddressId)) {
      system::win::shellOpen(localizer->getText(m_donationAddressId));
    }
  }
}

}  // namespace s::gui::dialogs
