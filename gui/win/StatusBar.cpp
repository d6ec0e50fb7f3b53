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

// Geometry.

int32_t StatusBar::getClientWidth() { return m_limits.innerWidth(m_place.width); }

int32_t StatusBar::getClientHeight() { return m_limits.innerHeight(m_place.height); }

void StatusBar::endBatch() {
  m_place.endBatch(m_handle, m_visible);
  for (int32_t i = 0, n = getChildCount(); i < n; ++i) {
    getChild(i)->endBatch();
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

int32_t StatusBar::getMaximumWidth() { return m_limits.maximumWidth(m_parent); }

int32_t StatusBar::getMaximumClientWidth() { return m_limits.innerWidth(getMaximumWidth()); }

int32_t StatusBar::getMaximumClientHeight() { return m_limits.innerHeight(getMaximumHeight()); }

void StatusBar::setSizeWithinLimits(int32_t width, int32_t height) {
  const int32_t w = std::max(getMinimumWidth(), std::min(width, getMaximumWidth()));
  const int32_t h = std::max(getMinimumHeight(), std::min(height, getMaximumHeight()));
  setSize(w, h);
  doLayout();
}

void StatusBar::setWidthPercent(int32_t percent) { m_limits.setWidthPercent(percent); }

void StatusBar::setHeightPercent(int32_t percent) { m_limits.setHeightPercent(percent); }

void StatusBar::setFixedWidth(int32_t width) { m_limits.setFixedWidth(width); }

void StatusBar::setFixedHeight(int32_t height) { m_limits.setFixedHeight(height); }

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

void StatusBar::setEnabled(bool enabled) {
  m_enabled = enabled;
  if (m_handle != nullptr) {
    ::EnableWindow(m_handle, enabled ? TRUE : FALSE);
  }
}

void StatusBar::useParentBackground(bool redraw) {
  m_parentBackground = true;
  if (redraw) {
    repaint();
  }
}

void StatusBar::setBackgroundSystem(bool redraw) {
  m_backgroundColor = ::GetSysColor(COLOR_BTNFACE);
  m_parentBackground = false;
  if (redraw) {
    repaint();
  }
}

void StatusBar::setBackgroundColor(int32_t red, int32_t green, int32_t blue, bool redraw) {
  m_backgroundColor = RGB(red & 0xFF, green & 0xFF, blue & 0xFF);
  m_parentBackground = false;
  if (redraw) {
    repaint();
  }
}

void StatusBar::repaintRect(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (m_handle != nullptr && m_visible) {
    const RECT r{x, y, x + width, y + height};
    ::RedrawWindow(m_handle, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }
}

void StatusBar::repaint() {
  if (m_handle != nullptr && m_visible) {
    ::RedrawWindow(m_handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
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

IComponent* StatusBar::getChild(int32_t index) {
  return static_cast<IComponent*>(m_children.getItems()[index]);
}

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

ILayoutManager* StatusBar::getLayout() {
  return m_layout != nullptr ? m_layout : layout::Pile::getShared();
}

void StatusBar::setLayout(ILayoutManager* layout) {
  if (m_layout != nullptr && m_layout != layout && m_layout != layout::Pile::getShared()) {
    if (auto* poolable = dynamic_cast<thread::IPoolable*>(m_layout)) {
      poolable->release();
    }
  }
  m_layout = layout;
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

image::win::BufferedImage* StatusBar::getBackBuffer(int32_t* x, int32_t* y) {
  // Before the first paint the parent's pixels are what shows here.
  return backBufferOf(m_handle, m_backBuffer, m_parent, x, y);
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

LRESULT StatusBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (preWindowProc(&result, message, wParam, lParam)) {
    return result;
  }
  result = CWnd::WindowProc(message, wParam, lParam);
  postWindowProc(&result, message, wParam, lParam);
  return result;
}

void StatusBar::postWindowProc(LRESULT* /*result*/, UINT /*message*/, WPARAM /*wParam*/,
                               LPARAM /*lParam*/) {}

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
