// The status bar: geometry, the content and item box, creation on the UI thread, painting
// through the drawer around its children, its messages, and the usual set-up.
#include "gui/win/StatusBar.h"

#include "gui/IBox.h"
#include "gui/IWindow.h"
#include "gui/app/AppHooks.h"
#include "gui/drawer/DefaultDrawers.h"
#include "gui/drawer/ISkin.h"
#include "gui/drawer/ISkinner.h"
#include "gui/drawer/statusbar/IBasic.h"
#include "gui/layout/Pile.h"
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/ChildWindow.h"
#include "gui/win/MemDC.h"
#include "gui/win/WindowClass.h"
#include "imaging/win/BufferedImage.h"

#include <algorithm>

namespace s::gui::win {

namespace {

// Where a hidden bar waits: far outside every parent, as hidden boxes and group boxes do.
constexpr int32_t kParkedX = -10000;
constexpr int32_t kParkedY = 10000;
constexpr int32_t kGripSize = 12;

}  // namespace

StatusBar::StatusBar() : m_defaultDrawer(drawer::takeDefaultStatusBarDrawer()) { reset(); }

StatusBar::~StatusBar() {
  reset();
  if (m_defaultDrawer != nullptr) {
    m_defaultDrawer->release();
  }
}

void StatusBar::reset() {
  setVisible(true, true);
  removeAll(true);
  m_children.freeAll();
  m_content = nullptr;
  m_itemBox = nullptr;
  setParent(nullptr);
  m_place = ChildPlacement();
  m_enabled = true;
  m_backgroundColor = ::GetSysColor(COLOR_BTNFACE);
  m_parentBackground = true;
  m_limits = ContainerLimits();
  m_limits.widthPercent = 100;
  m_rightInsetEnabled = false;
  m_extraFlag = true;
  if (m_drawer != nullptr && m_drawerOwned) {
    m_drawer->release();
  }
  m_drawer = nullptr;
  m_drawerOwned = false;
  if (m_defaultDrawer != nullptr) {
    m_defaultDrawer->setShowGrip(false);
    m_defaultDrawer->setPaintBackground(false);
  }
  m_layoutDepth = 0;
  m_creatingChildren = false;
  if (m_backBuffer != nullptr) {
    m_backBuffer->release();
    m_backBuffer = nullptr;
  }
  setLayout(nullptr);
}

void StatusBar::onEvent(base::IObject* source, int32_t /*eventId*/) {
  if (source != nullptr && m_ownerWindow != nullptr && m_ownerWindow->hasSkinner() &&
      source == static_cast<base::IObject*>(m_ownerWindow->getSkinner())) {
    drawer::ISkin* skin = m_ownerWindow->getSkinner()->getCurrentSkin();
    setDrawer(skin != nullptr ? skin->getStatusBarDrawer() : nullptr, false);
  }
}

// Size queries.

drawer::IStatusBar* StatusBar::getActiveDrawer() {
  if (m_drawer != nullptr) {
    return m_drawer;
  }
  return getDefaultDrawer();
}

drawer::statusbar::IBasic* StatusBar::getDefaultDrawer() {
  if (m_defaultDrawer == nullptr) {
    // The skin library may have filled the hook only after this bar was built (or, from the
    // pool, built again): it takes the drawer then, set up as a fresh bar's is.
    m_defaultDrawer = drawer::takeDefaultStatusBarDrawer();
    if (m_defaultDrawer != nullptr) {
      m_defaultDrawer->setShowGrip(false);
      m_defaultDrawer->setPaintBackground(false);
    }
  }
  return m_defaultDrawer;
}

int32_t StatusBar::getMinimumWidth() { return m_limits.minimumWidth(); }

int32_t StatusBar::getMinimumHeight() {
  if (m_limits.fixedHeight >= 0) {
    return m_limits.fixedHeight;
  }
  drawer::IStatusBar* active = getActiveDrawer();
  return active != nullptr ? active->getHeight() : 0;
}

int32_t StatusBar::getMinimumClientWidth() { return m_limits.innerWidth(getMinimumWidth()); }

int32_t StatusBar::getMinimumClientHeight() { return m_limits.innerHeight(getMinimumHeight()); }

void StatusBar::setRightInsetEnabled(bool on) {
  m_rightInsetEnabled = on;
  if (!on) {
    m_limits.insetRight = 0;
  }
  if (m_handle != nullptr) {
    doLayout();
    relayoutParent();
  }
}

// Visibility and colours.

void StatusBar::setVisible(bool show, bool /*cascade*/) {
  if (show == m_visible) {
    return;
  }
  m_visible = show;
  if (m_handle != nullptr) {
    ::ShowWindow(m_handle, show ? SW_SHOW : SW_HIDE);
    if (!show && ::IsWindow(m_handle)) {
      setLocation(kParkedX, kParkedY);
    }
  }
  if (m_content != nullptr) {
    m_content->setVisible(show, true);
  }
  if (show) {
    relayoutParent();
  }
}

void StatusBar::setDrawer(drawer::IStatusBar* drawer, bool owned) {
  if (m_drawer != nullptr && m_drawerOwned && m_drawer != drawer) {
    m_drawer->release();
  }
  m_drawer = drawer;
  m_drawerOwned = drawer != nullptr && owned;
  if (m_handle != nullptr) {
    relayoutParent();
    repaint();
  }
}

void StatusBar::setDefaultDrawerOption() {
  if (getDefaultDrawer() != nullptr) {
    m_defaultDrawer->setPaintBackground(true);
  }
}

// Children and layout.

void StatusBar::setContent(IComponent* content, IBox* itemBox) {
  if (content == nullptr) {
    return;
  }
  m_content = content;
  m_itemBox = itemBox;
  m_children.push(content);
  if (m_handle != nullptr) {
    ::SendMessageW(m_handle, kAddChildMessage, reinterpret_cast<WPARAM>(content), 0);
    doLayout();
    relayoutParent();
  }
}

void StatusBar::add(IComponent* child) {
  // Widgets go into the item box; a bar without one has nowhere to put them.
  if (child == nullptr || m_itemBox == nullptr) {
    return;
  }
  m_itemBox->add(child);
  if (m_handle != nullptr) {
    doLayout();
    relayoutParent();
  }
}

void StatusBar::relayoutParent() {
  if (m_parent != nullptr) {
    m_parent->relayout();
  }
}

void StatusBar::doLayout() {
  // A layout that reaches back here through the parent runs once more at most.
  if (m_creatingChildren || m_layoutDepth >= 2) {
    return;
  }
  ++m_layoutDepth;
  m_limits.clearMeasured();
  if (m_content != nullptr) {
    layoutPile(this, 0, 0, &m_limits.contentMinWidth, &m_limits.contentMinHeight,
               &m_limits.contentMaxWidth, &m_limits.contentMaxHeight);
  }
  --m_layoutDepth;
}

// Attaching and creation.

void StatusBar::setParent(IComponent* parent) {
  if (parent != nullptr) {
    m_parent = parent;
    m_ownerWindow = parent->getWindow();
    if (m_ownerWindow != nullptr && m_ownerWindow->hasSkinner()) {
      drawer::ISkinner* skinner = m_ownerWindow->getSkinner();
      drawer::ISkin* skin = skinner->getCurrentSkin();
      setDrawer(skin != nullptr ? skin->getStatusBarDrawer() : nullptr, false);
      skinner->addListener(this);
    }
    createWindow();
    return;
  }
  if (m_parent == nullptr) {
    return;
  }
  if (m_handle != nullptr) {
    ::SendMessageW(m_handle, kDestroyMessage, 0, 0);
  }
  if (m_hWnd != nullptr) {
    Detach();
  }
  m_handle = nullptr;
  m_parent = nullptr;
  if (m_ownerWindow != nullptr && m_ownerWindow->hasSkinner()) {
    m_ownerWindow->getSkinner()->removeListener(this);
  }
  m_ownerWindow = nullptr;
}

bool StatusBar::createWindow() {
  if (m_handle != nullptr) {
    return true;
  }
  if (!registerWindowClass() || !CreateEx(0, kWindowClassName, u"", WS_CHILD, 0, 0, 0, 0,
                                          nativeHandleOf(m_parent), nullptr)) {
    reportCreationFailure();
    return false;
  }
  m_handle = m_hWnd;
  ModifyStyleEx(0, WS_EX_CONTROLPARENT);
  m_place.pending = false;
  m_place.apply(m_handle, m_visible, 0);
  m_creatingChildren = true;
  for (int32_t i = 0, n = getChildCount(); i < n; ++i) {
    ::SendMessageW(m_handle, kAddChildMessage, reinterpret_cast<WPARAM>(getChild(i)), 0);
  }
  m_creatingChildren = false;
  doLayout();
  relayoutParent();
  if (m_visible) {
    ::ShowWindow(m_handle, SW_SHOW);
  }
  return true;
}

// Painting.

void StatusBar::paint() {
  if (m_handle == nullptr) {
    return;
  }
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(m_handle, &ps);
  RECT client;
  ::GetClientRect(m_handle, &client);
  const int32_t width = client.right - client.left;
  const int32_t height = client.bottom - client.top;
  if (width > 0 && height > 0) {
    m_backBuffer = fitBackBuffer(m_backBuffer, width, height);
    MemDC* buffer =
        m_backBuffer != nullptr ? MemDC::forImage(m_handle, m_backBuffer, false) : nullptr;
    if (buffer != nullptr) {
      if (!m_parentBackground) {
        buffer->FillSolidRect(0, 0, width, height, m_backgroundColor);
      } else if (!copyParentPixels(m_handle, m_parent, buffer->m_hDC, width, height)) {
        // Before the parent painted anything, its colour is what shows.
        buffer->FillSolidRect(0, 0, width, height, getEffectiveBackgroundColor(this));
      }
      if (drawer::IStatusBar* active = getActiveDrawer()) {
        active->paint(buffer, 0, 0, width, height);
      }
      // The children paint themselves over the buffer's pixels; the copy leaves them alone.
      for (int32_t i = 0, n = getChildCount(); i < n; ++i) {
        IComponent* child = getChild(i);
        if (child->isVisible()) {
          const int32_t x = child->getX() + m_limits.insetLeft;
          const int32_t y = child->getY() + m_limits.insetTop;
          ::ExcludeClipRect(dc, x, y, x + child->getWidth(), y + child->getHeight());
        }
      }
      ::BitBlt(dc, 0, 0, width, height, buffer->m_hDC, 0, 0, SRCCOPY);
      buffer->release();
    }
  }
  ::EndPaint(m_handle, &ps);
}

// Messages.

bool StatusBar::preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY: m_handle = nullptr; return false;
    case WM_PAINT:
      paint();
      *result = 0;
      return true;
    case WM_ERASEBKGND: *result = 1; return true;
    case WM_NCHITTEST: {
      // Clicks on the bar's own surface belong to the window below (easy drag, its handling).
      const LRESULT hit = CWnd::WindowProc(message, wParam, lParam);
      *result = hit == HTCLIENT ? HTTRANSPARENT : hit;
      return true;
    }
    case WM_GETDLGCODE:
      *result = CWnd::WindowProc(message, wParam, lParam) | DLGC_WANTALLKEYS;
      return true;
    case kDestroyMessage:
      DestroyWindow();
      *result = 0;
      return true;
    case kAddChildMessage: {
      auto* child = reinterpret_cast<IComponent*>(wParam);
      if (child != nullptr) {
        child->setParent(this);
      }
      *result = 0;
      return true;
    }
    default: return false;
  }
}

// The usual set-up.

StatusBar* makeStatusBar(int32_t horizontalInsets, int32_t verticalInsets) {
  StatusBar* bar = StatusBar::take();
  if (bar == nullptr) {
    return nullptr;
  }
  const auto scale = static_cast<int32_t>(app::appHooks().getDisplayScale());
  Button* grip = Button::take();
  grip->setText(u"#Resizer");
  grip->setEnabled(true);
  grip->setFixedWidth(kGripSize * scale);
  grip->setFixedHeight(kGripSize * scale);
  // The row of the bar: the item box takes every pixel the grip box at its right leaves.
  Box* gripBox = makeBox(0, -1, 100, 2, 2, 0, 0, 0, 0);
  gripBox->add(grip);
  Box* itemBox = makeBox(0, 100, 100, 0, 1, 0, 0, horizontalInsets, verticalInsets);
  Box* content = makeBox(0, 100, 100, 0, 0, 0, 0, 0, 0);
  content->add(itemBox);
  content->add(gripBox);
  grip->setDrawerOption(false);
  bar->setContent(content, itemBox);
  bar->setWidthPercent(100);
  return bar;
}

}  // namespace s::gui::win
