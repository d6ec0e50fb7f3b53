// The general container widget: geometry, layout, creation on the UI thread, painting and its
// messages, file drops.
#include "gui/win/Box.h"

#include "core/file/win/PathArray.h"
#include "gui/IWindow.h"
#include "gui/drawer/IDrawer.h"
#include "gui/layout/FlowH.h"
#include "gui/win/Button.h"
#include "gui/win/ChildWindow.h"
#include "gui/win/MemDC.h"
#include "gui/win/MessageBoxW.h"
#include "gui/win/UrlDropTarget.h"
#include "gui/win/WindowClass.h"
#include "imaging/win/BufferedImage.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

namespace s::gui::win {

namespace {

// Where a hidden box waits: far outside every parent, so that it neither paints nor takes clicks.
constexpr int32_t kParkedX = -10000;
constexpr int32_t kParkedY = 10000;
// How far down `showOnlyParked` moves the children it hides.
constexpr int32_t kParkedOffsetY = 3000;

int32_t percentOf(int32_t size, int32_t percent) {
  return static_cast<int32_t>(std::lround(static_cast<double>(size) * percent / 100.0));
}

}  // namespace

Box::Box()
    : m_droppedPaths(file::win::PathArray::take()),
      m_droppedUrl(str::strbuffer::StrBuffer::take()) {
  reset();
}

Box::~Box() {
  reset();
  m_droppedPaths->release();
  m_droppedUrl->release();
}

void Box::reset() {
  m_visibilityLocked = false;
  setVisible(true, true);
  setAcceptUrls(false);
  removeAll(true);
  m_children.freeAll();
  setParent(nullptr);
  m_x = m_y = m_width = m_height = 0;
  m_offsetX = m_offsetY = 0;
  m_inBatch = m_boundsPending = false;
  m_enabled = true;
  m_backgroundColor = ::GetSysColor(COLOR_BTNFACE);
  m_parentBackground = true;
  m_arrangement = 1;
  m_hAlign = m_vAlign = 0;
  m_hGap = m_vGap = 0;
  m_leftInset = m_rightInset = m_topInset = m_bottomInset = 0;
  m_widthPercent = m_heightPercent = -1;
  m_fixedWidth = m_fixedHeight = -1;
  m_minimumWidthFloor = -1;
  m_contentMinWidth = m_contentMinHeight = m_contentMaxWidth = m_contentMaxHeight = 0;
  m_acceptFiles = false;
  if (m_droppedPaths->getCount() > 0) {
    m_droppedPaths->clearWith();
  }
  for (col::_array::ArrayP& list : m_listeners) {
    list.freeAll();
  }
  m_droppedUrl->freeBuffer();
  revokeUrlTarget();
  m_wheelLines = 0;
  m_hover = 0;
  m_hoverColorSet = false;
  m_hoverColor = 0xFFFFFFFF;
  m_zeroMinimumWidth = m_zeroMinimumHeight = false;
  setDrawer(nullptr, false);
  m_layoutDepth = 0;
  m_creatingChildren = false;
  m_clickThrough = true;
  m_paintDC = nullptr;
  m_paintedByListener = false;
  m_inWheel = false;
  releaseBackBuffer();
  if (m_layout != nullptr && m_layout != layout::FlowH::getShared()) {
    if (auto* poolable = dynamic_cast<thread::IPoolable*>(m_layout)) {
      poolable->release();
    }
  }
  m_layout = nullptr;
}

void Box::listen(int32_t eventId, events::IEventListener* listener) {
  if (listener != nullptr) {
    m_listeners[eventId].push(listener);
  }
}

void Box::fire(int32_t eventId) { notifyListeners(m_listeners[eventId], this, eventId); }

void Box::onEvent(base::IObject* source, int32_t eventId) {
  // The owner window's move (event 11) means nothing to a box; its link target's report of a
  // drop does.
  if (m_urlTarget != nullptr && source == static_cast<base::IObject*>(m_urlTarget) &&
      eventId == 3 && m_handle != nullptr) {
    ::SendMessageW(m_handle, kUrlArrivedMessage, 0, 0);
  }
}

// Geometry.

bool Box::pressableButtonAt(int32_t screenX, int32_t screenY) {
  for (int32_t i = 0, n = getChildCount(); i < n; ++i) {
    IComponent* child = getChild(i);
    auto* button = dynamic_cast<Button*>(child);
    HWND handle = button != nullptr ? button->GetSafeHwnd() : nullptr;
    if (handle == nullptr || !::IsWindowVisible(handle)) {
      continue;
    }
    RECT r;
    ::GetWindowRect(handle, &r);
    if (screenX >= r.left && screenX < r.right && screenY >= r.top && screenY < r.bottom) {
      // An enabled button that is not held down for good keeps the click.
      return button->isEnabled() && (!button->isSelected() || button->canUntoggle());
    }
  }
  return false;
}

int32_t Box::getClientWidth() { return std::max(0, m_width - m_leftInset - m_rightInset); }

void Box::setClientWidth(int32_t width) { setWidth(width + m_leftInset + m_rightInset); }

int32_t Box::getClientHeight() { return std::max(0, m_height - m_topInset - m_bottomInset); }

void Box::setClientHeight(int32_t height) { setHeight(height + m_topInset + m_bottomInset); }

void Box::applyBounds(UINT flags) {
  if (m_handle == nullptr) {
    return;
  }
  ::SetWindowPos(m_handle, nullptr, m_x + m_offsetX, m_y + m_offsetY, m_width, m_height,
                 SWP_NOZORDER | SWP_NOACTIVATE | flags);
}

void Box::setLocation(int32_t x, int32_t y) {
  m_x = x;
  m_y = y;
  if (m_inBatch) {
    m_boundsPending = true;
  } else {
    applyBounds(SWP_NOSIZE);
  }
  fire(kBoundsChanged);
}

void Box::setSize(int32_t width, int32_t height) {
  m_width = width;
  m_height = height;
  if (m_inBatch) {
    m_boundsPending = true;
  } else {
    applyBounds(SWP_NOMOVE);
  }
  fire(kBoundsChanged);
}

void Box::setBounds(int32_t x, int32_t y, int32_t width, int32_t height) {
  m_x = x;
  m_y = y;
  m_width = width;
  m_height = height;
  if (m_inBatch || m_handle == nullptr) {
    m_boundsPending = true;
  } else {
    applyBounds(0);
  }
  fire(kBoundsChanged);
}

void Box::setOffset(int32_t dx, int32_t dy) {
  m_offsetX = dx;
  m_offsetY = dy;
  if (!m_inBatch) {
    applyBounds(SWP_NOSIZE);
  } else {
    m_boundsPending = true;
  }
}

void Box::endBatch() {
  m_inBatch = false;
  if (m_boundsPending) {
    m_boundsPending = false;
    applyBounds(0);
  }
}

// Size queries.

int32_t Box::getMinimumWidth() {
  if (m_zeroMinimumWidth) {
    return 0;
  }
  if (m_fixedWidth >= 0) {
    return m_fixedWidth;
  }
  const int32_t minimum = m_contentMinWidth + m_leftInset + m_rightInset;
  return m_minimumWidthFloor >= 0 ? std::max(minimum, m_minimumWidthFloor) : minimum;
}

int32_t Box::getMinimumHeight() {
  if (m_zeroMinimumHeight) {
    return 0;
  }
  if (m_fixedHeight >= 0) {
    return m_fixedHeight;
  }
  return m_contentMinHeight + m_topInset + m_bottomInset;
}

int32_t Box::getMaximumWidth() {
  if (m_fixedWidth >= 0) {
    return m_fixedWidth;
  }
  if (m_widthPercent < 0 || m_parent == nullptr) {
    return m_leftInset + m_rightInset + std::max(m_contentMinWidth, m_contentMaxWidth);
  }
  return percentOf(m_parent->getClientWidth(), m_widthPercent);
}

int32_t Box::getMaximumHeight() {
  if (m_fixedHeight >= 0) {
    return m_fixedHeight;
  }
  if (m_heightPercent < 0 || m_parent == nullptr) {
    return m_topInset + m_bottomInset + std::max(m_contentMinHeight, m_contentMaxHeight);
  }
  return percentOf(m_parent->getClientHeight(), m_heightPercent);
}

int32_t Box::getMinimumClientWidth() {
  return m_zeroMinimumWidth ? 0 : std::max(0, getMinimumWidth() - m_leftInset - m_rightInset);
}

int32_t Box::getMinimumClientHeight() {
  return m_zeroMinimumHeight ? 0 : std::max(0, getMinimumHeight() - m_topInset - m_bottomInset);
}

int32_t Box::getMaximumClientWidth() {
  return std::max(0, getMaximumWidth() - m_leftInset - m_rightInset);
}

int32_t Box::getMaximumClientHeight() {
  return std::max(0, getMaximumHeight() - m_topInset - m_bottomInset);
}

void Box::setFullSize() {
  m_widthPercent = 100;
  m_heightPercent = 100;
}

void Box::setWidthPercent(int32_t percent, bool relayoutParent) {
  m_widthPercent = percent;
  m_fixedWidth = -1;
  relayoutAfterChange(relayoutParent);
}

void Box::setHeightPercent(int32_t percent, bool relayoutParent) {
  m_heightPercent = percent;
  m_fixedHeight = -1;
  relayoutAfterChange(relayoutParent);
}

void Box::setFixedWidth(int32_t width, bool relayoutParent) {
  m_fixedWidth = width;
  m_widthPercent = -1;
  relayoutAfterChange(relayoutParent);
}

void Box::setFixedHeight(int32_t height, bool relayoutParent) {
  m_fixedHeight = height;
  m_heightPercent = -1;
  relayoutAfterChange(relayoutParent);
}

// Insets and the children's offsets.

void Box::setLeftInset(int32_t inset) {
  m_leftInset = inset;
  applyChildOffsets();
}

void Box::setRightInset(int32_t inset) {
  m_rightInset = inset;
  applyChildOffsets();
}

void Box::setTopInset(int32_t inset) {
  m_topInset = inset;
  applyChildOffsets();
}

void Box::setBottomInset(int32_t inset) {
  m_bottomInset = inset;
  applyChildOffsets();
}

void Box::setHorizontalInsets(int32_t inset) {
  m_leftInset = m_rightInset = inset;
  applyChildOffsets();
}

void Box::setVerticalInsets(int32_t inset) {
  m_topInset = m_bottomInset = inset;
  applyChildOffsets();
}

void Box::setInsets(int32_t inset) {
  m_leftInset = m_rightInset = m_topInset = m_bottomInset = inset;
  applyChildOffsets();
}

void Box::applyChildOffset(IComponent* child) {
  if (m_handle != nullptr && (m_leftInset != 0 || m_topInset != 0)) {
    child->setOffset(m_leftInset, m_topInset);
  }
}

void Box::applyChildOffsets() {
  for (int32_t i = 0, n = getChildCount(); i < n; ++i) {
    applyChildOffset(getChild(i));
  }
}

// Visibility and colours.

void Box::setVisible(bool show, bool cascade) {
  if (m_visibilityLocked) {
    return;
  }
  if (show) {
    if (m_visible) {
      return;
    }
    m_visible = true;
    if (m_handle != nullptr) {
      ::ShowWindow(m_handle, SW_SHOW);
    }
    if (cascade) {
      for (int32_t i = 0, n = getChildCount(); i < n; ++i) {
        getChild(i)->setVisible(true, true);
      }
    }
    if (m_handle != nullptr && m_parent != nullptr) {
      m_parent->relayout();
      m_parent->relayout();
    }
    return;
  }
  if (!m_visible) {
    return;
  }
  m_visible = false;
  if (m_handle != nullptr) {
    ::ShowWindow(m_handle, SW_HIDE);
    if (::IsWindow(m_handle)) {
      setLocation(kParkedX, kParkedY);
    }
  }
  for (int32_t i = 0, n = getChildCount(); i < n; ++i) {
    getChild(i)->setVisible(false, true);
  }
  releaseBackBuffer();
}

void Box::setHoverColor(int32_t red, int32_t green, int32_t blue) {
  m_hoverColorSet = true;
  m_hoverColor = RGB(red & 0xFF, green & 0xFF, blue & 0xFF);
}

void Box::setDrawer(drawer::IDrawer* drawer, bool owned) {
  if (m_drawer != nullptr && m_drawerOwned && m_drawer != drawer) {
    m_drawer->release();
  }
  m_drawer = drawer;
  m_drawerOwned = drawer != nullptr && owned;
  repaint();
}

void Box::releaseBackBuffer() {
  if (m_backBuffer != nullptr) {
    m_backBuffer->release();
    m_backBuffer = nullptr;
  }
}

void Box::addClickListener(events::IEventListener* listener) {
  listen(kClicked, listener);
  m_clickThrough = false;
}

void Box::repaintRect(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (m_handle != nullptr && m_visible) {
    const RECT r{x, y, x + width, y + height};
    ::InvalidateRect(m_handle, &r, FALSE);
    ::UpdateWindow(m_handle);
  }
}

void Box::repaint() {
  if (m_handle != nullptr && m_visible) {
    ::InvalidateRect(m_handle, nullptr, FALSE);
    ::UpdateWindow(m_handle);
  }
}

// Children and layout.

ILayoutManager* Box::getLayout() {
  return m_layout != nullptr ? m_layout : layout::FlowH::getShared();
}

void Box::add(IComponent* child) {
  if (child == nullptr) {
    return;
  }
  m_children.push(child);
  if (m_handle != nullptr) {
    ::SendMessageW(m_handle, kAddChildMessage, reinterpret_cast<WPARAM>(child), 0);
    applyChildOffset(child);
    doLayout();
    relayoutParent();
  }
}

void Box::relayoutParent() {
  if (m_parent == nullptr) {
    return;
  }
  m_parent->relayout();
  if (m_arrangement == 2) {
    m_parent->relayout();
  }
}

void Box::relayoutAfterChange(bool relayoutParentToo) {
  if (m_handle != nullptr) {
    doLayout();
  }
  if (relayoutParentToo) {
    relayoutParent();
  }
}

void Box::doLayout() {
  // One layout may start inside another (a child's relayout reaching back up); a third is a
  // loop and is dropped.
  if (m_creatingChildren || m_layoutDepth >= 2) {
    return;
  }
  ++m_layoutDepth;
  m_contentMinWidth = m_contentMinHeight = m_contentMaxWidth = m_contentMaxHeight = 0;
  if (getChildCount() > 0) {
    if (m_layout != nullptr) {
      m_layout->layout(this);
    } else {
      switch (m_arrangement) {
        case 0:
          layoutRow(this, m_hAlign, m_vAlign, m_hGap, &m_contentMinWidth, &m_contentMinHeight,
                    &m_contentMaxWidth, &m_contentMaxHeight);
          break;
        case 2:
          layoutFlow(this, m_hAlign, m_vAlign, m_hGap, m_vGap, &m_contentMinWidth,
                     &m_contentMinHeight, &m_contentMaxWidth, &m_contentMaxHeight);
          break;
        case 3:
          layoutPile(this, m_hAlign, m_vAlign, &m_contentMinWidth, &m_contentMinHeight,
                     &m_contentMaxWidth, &m_contentMaxHeight);
          break;
        default:
          layoutColumn(this, m_hAlign, m_vAlign, m_vGap, &m_contentMinWidth, &m_contentMinHeight,
                       &m_contentMaxWidth, &m_contentMaxHeight);
          break;
      }
    }
  }
  fire(kLaidOut);
  --m_layoutDepth;
}

void Box::showOnly(int32_t index) {
  for (int32_t i = 0, n = getChildCount(); i < n; ++i) {
    if (i != index) {
      getChild(i)->setVisible(false, true);
    }
  }
  if (index >= 0 && index < getChildCount()) {
    getChild(index)->setVisible(true, true);
  }
}

void Box::showOnlyParked(int32_t index) {
  for (int32_t i = 0, n = getChildCount(); i < n; ++i) {
    if (i == index) {
      continue;
    }
    IComponent* child = getChild(i);
    child->setVisible(false, true);
    child->setOffset(0, kParkedOffsetY);
    if (auto* box = dynamic_cast<Box*>(child)) {
      box->setVisibilityLocked(true);
    }
  }
  if (index >= 0 && index < getChildCount()) {
    IComponent* child = getChild(index);
    if (auto* box = dynamic_cast<Box*>(child)) {
      box->setVisibilityLocked(false);
    }
    child->setOffset(0, 0);
    child->setVisible(true, true);
  }
}

// Attaching and creation.

void Box::setParent(IComponent* parent) {
  if (parent != nullptr) {
    m_parent = parent;
    m_ownerWindow = parent->getWindow();
    m_parentHandle = nativeHandleOf(parent);
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
  m_parentHandle = nullptr;
  m_ownerWindow = nullptr;
}

bool Box::createWindow() {
  if (m_handle != nullptr) {
    return true;
  }
  if (!registerWindowClass() || !CreateEx(WS_EX_CONTROLPARENT, kWindowClassName, u"", WS_CHILD, 0,
                                          0, 0, 0, m_parentHandle, nullptr)) {
    showError(u"Window Creation Failed!");
    return false;
  }
  m_handle = m_hWnd;
  // Bounds given before the window existed apply now.
  m_boundsPending = false;
  applyBounds(0);
  if (m_acceptFiles) {
    ::DragAcceptFiles(m_handle, TRUE);
  }
  if (m_acceptUrls) {
    registerUrlTarget();
  }
  m_creatingChildren = true;
  for (int32_t i = 0, n = getChildCount(); i < n; ++i) {
    IComponent* child = getChild(i);
    ::SendMessageW(m_handle, kAddChildMessage, reinterpret_cast<WPARAM>(child), 0);
    applyChildOffset(child);
  }
  m_creatingChildren = false;
  doLayout();
  relayoutParent();
  // The window is made hidden; a box marked visible shows now (`setVisible` would see nothing
  // to change).
  if (m_visible) {
    ::ShowWindow(m_handle, SW_SHOW);
  }
  return true;
}

void Box::setAcceptFiles(bool on) {
  m_acceptFiles = on;
  if (m_handle != nullptr) {
    ::DragAcceptFiles(m_handle, on ? TRUE : FALSE);
  }
}

void Box::setAcceptUrls(bool on) {
  m_acceptUrls = on;
  if (m_handle == nullptr) {
    return;
  }
  if (on) {
    registerUrlTarget();
  } else {
    revokeUrlTarget();
  }
}

void Box::registerUrlTarget() {
  if (m_urlTarget != nullptr) {
    return;
  }
  m_urlTarget = UrlDropTarget::take();
  if (m_urlTarget == nullptr) {
    return;
  }
  m_urlTarget->setOwner(this);
  // Registration fails off the window's UI thread (no OLE there): then no link can be dropped
  // and the target is not kept.
  if (!m_urlTarget->Register(this)) {
    m_urlTarget->release();
    m_urlTarget = nullptr;
  }
}

void Box::revokeUrlTarget() {
  if (m_urlTarget != nullptr) {
    m_urlTarget->Revoke();
    m_urlTarget->release();
    m_urlTarget = nullptr;
  }
}

// Painting.

void Box::paintBackground(HDC dc, CDC* buffer, int32_t width, int32_t height) {
  HDC target = buffer != nullptr ? buffer->m_hDC : dc;
  uint32_t colour = m_backgroundColor;
  if (m_hover != 0 && m_hoverColorSet) {
    colour = m_hoverColor;
  } else if (m_parentBackground) {
    if (copyParentPixels(m_handle, m_parent, target, width, height)) {
      return;
    }
    // Before the parent painted anything, its colour is what shows.
    colour = getEffectiveBackgroundColor(this);
  }
  if (buffer != nullptr) {
    buffer->FillSolidRect(0, 0, width, height, colour);
  } else {
    HBRUSH brush = ::CreateSolidBrush(colour);
    const RECT all{0, 0, width, height};
    ::FillRect(target, &all, brush);
    ::DeleteObject(brush);
  }
}

void Box::paint() {
  if (m_handle == nullptr) {
    return;
  }
  m_paintedByListener = false;
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(m_handle, &ps);
  if (m_listeners[kPainting].getCount() > 0) {
    m_paintDC = dc;
    fire(kPainting);
    m_paintDC = nullptr;
    if (m_paintedByListener) {
      ::EndPaint(m_handle, &ps);
      return;
    }
  }
  RECT client;
  ::GetClientRect(m_handle, &client);
  const int32_t width = client.right - client.left;
  const int32_t height = client.bottom - client.top;
  // Children paint themselves; a hidden child leaves its place to the box.
  for (int32_t i = 0, n = getChildCount(); i < n; ++i) {
    IComponent* child = getChild(i);
    if (child->isVisible()) {
      const int32_t x = child->getX() + m_leftInset;
      const int32_t y = child->getY() + m_topInset;
      ::ExcludeClipRect(dc, x, y, x + child->getWidth(), y + child->getHeight());
    }
  }
  if (width > 0 && height > 0) {
    const bool buffered = m_backBuffer != nullptr || m_drawer != nullptr || !m_parentBackground ||
                          (m_hover != 0 && m_hoverColorSet);
    MemDC* buffer = nullptr;
    if (buffered) {
      m_backBuffer = fitBackBuffer(m_backBuffer, width, height);
      buffer = m_backBuffer != nullptr ? MemDC::forImage(m_handle, m_backBuffer, false) : nullptr;
    }
    paintBackground(dc, buffer, width, height);
    if (m_drawer != nullptr && buffer != nullptr) {
      m_drawer->paint(buffer, 0, 0, width, height);
    }
    if (buffer != nullptr) {
      ::BitBlt(dc, 0, 0, width, height, buffer->m_hDC, 0, 0, SRCCOPY);
      buffer->release();
    }
  }
  ::EndPaint(m_handle, &ps);
}

void Box::setHover(int32_t state) {
  if (state == m_hover) {
    return;
  }
  m_hover = state;
  ::InvalidateRect(m_handle, nullptr, FALSE);
  ::UpdateWindow(m_handle);
}

// Messages.

bool Box::preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      revokeUrlTarget();
      m_handle = nullptr;
      return false;
    case WM_PAINT:
      paint();
      *result = 0;
      return true;
    case WM_ERASEBKGND: *result = 1; return true;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
      forwardToCombos(message, wParam, lParam);
      *result = TRUE;
      return true;
    case WM_NCHITTEST: {
      LRESULT hit = CWnd::WindowProc(message, wParam, lParam);
      // Clicks fall through to the window below, except onto a button that can still be pressed.
      if (m_clickThrough && hit == HTCLIENT &&
          !pressableButtonAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))) {
        hit = HTTRANSPARENT;
      }
      *result = hit;
      return true;
    }
    case WM_GETDLGCODE:
      *result = CWnd::WindowProc(message, wParam, lParam) | DLGC_WANTALLKEYS;
      return true;
    case WM_KEYDOWN:
      if (m_parentHandle != nullptr &&
          ::SendMessageW(m_parentHandle, WM_KEYDOWN, wParam, lParam) != 0) {
        return false;
      }
      *result = 0;
      return true;
    case WM_MOUSEMOVE: onMouseMove(wParam, lParam); return false;
    case WM_LBUTTONDOWN:
      if (m_listeners[kClicked].getCount() == 0) {
        *result = 0;
        return false;
      }
      fire(kClicked);
      *result = 1;
      return true;
    case WM_MOUSEWHEEL: *result = onMouseWheel(wParam, lParam); return true;
    case WM_DROPFILES:
      onDropFiles(reinterpret_cast<HDROP>(wParam));
      *result = 0;
      return true;
    case kDestroyMessage:
      DestroyWindow();
      *result = 0;
      return true;
    case kUrlArrivedMessage:
      if (m_urlTarget != nullptr) {
        m_droppedUrl->assign(m_urlTarget->getText());
        fire(kUrlDropped);
      }
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

void Box::forwardToCombos(UINT message, WPARAM wParam, LPARAM lParam) {
  for (int32_t i = 0, n = getChildCount(); i < n; ++i) {
    HWND child = nativeHandleOf(getChild(i));
    WCHAR className[16] = {0};
    if (child == nullptr || ::GetClassNameW(child, className, 16) == 0) {
      continue;
    }
    if (std::u16string_view(className) != u"ComboBox") {
      continue;
    }
    if (message == WM_MEASUREITEM && !::IsWindow(child)) {
      continue;
    }
    ::SendMessageW(child, message, wParam, lParam);
  }
}

void Box::onMouseMove(WPARAM wParam, LPARAM lParam) {
  if (m_clickThrough) {
    return;
  }
  const POINT p = pointOfMessage(lParam);
  if (p.x >= 0 && p.x <= m_width && p.y >= 0 && p.y <= m_height) {
    if ((wParam & MK_LBUTTON) != 0) {
      return;
    }
    setHover(1);
    if (::GetCapture() != m_handle) {
      ::SetCapture(m_handle);
    }
    return;
  }
  if (::GetCapture() == m_handle) {
    ::ReleaseCapture();
  }
  setHover(0);
}

LRESULT Box::onMouseWheel(WPARAM wParam, LPARAM lParam) {
  const POINT p = pointOfMessage(lParam);
  if (m_inWheel || !containsScreenPoint(p.x, p.y)) {
    return 1;
  }
  m_inWheel = true;
  LRESULT answer = 1;
  bool taken = false;
  for (int32_t i = 0, n = getChildCount(); i < n && !taken; ++i) {
    IComponent* child = getChild(i);
    if (!child->isContainer() || !child->isVisible() || !child->containsScreenPoint(p.x, p.y)) {
      continue;
    }
    HWND handle = nativeHandleOf(child);
    taken = handle != nullptr && ::SendMessageW(handle, WM_MOUSEWHEEL, wParam, lParam) == 0;
  }
  if (!taken) {
    if (m_listeners[kMouseWheel].getCount() > 0) {
      UINT lines = 3;
      ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
      const int32_t signedLines = static_cast<int32_t>(lines);
      m_wheelLines = static_cast<int32_t>(wParam) > 0 ? signedLines : -signedLines;
      fire(kMouseWheel);
      answer = 0;
    } else if (m_ownerWindow != nullptr && m_ownerWindow->getHandle() != nullptr) {
      answer = ::SendMessageW(m_ownerWindow->getHandle(), WM_MOUSEWHEEL, wParam, lParam);
    }
  } else {
    answer = 1;
  }
  m_inWheel = false;
  return answer;
}

void Box::onDropFiles(HDROP drop) {
  const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  if (m_droppedPaths->getCount() > 0) {
    m_droppedPaths->clearWith();
  }
  // Each name is read whole, however long: the layer's paths have no 260-unit limit.
  std::vector<WCHAR> name;
  for (UINT i = 0; i < count; ++i) {
    const UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
    name.assign(length + 1, 0);
    ::DragQueryFileW(drop, i, name.data(), length + 1);
    m_droppedPaths->addText(name.data());
  }
  fire(kFilesDropped);
  ::DragFinish(drop);
}

// The factory.

Box* makeBox(int32_t arrangement, double widthPercent, double heightPercent,
             int32_t horizontalAlignment, int32_t verticalAlignment, int32_t horizontalGap,
             int32_t verticalGap, int32_t horizontalInsets, int32_t verticalInsets) {
  Box* box = Box::take();
  if (box == nullptr) {
    return nullptr;
  }
  switch (arrangement) {
    case 0: box->setHorizontal(); break;
    case 1: box->setVertical(); break;
    case 2: box->setFlow(); break;
    case 3: box->setPile(); break;
    default: break;
  }
  if (widthPercent >= 0) {
    box->setWidthPercent(static_cast<int32_t>(widthPercent), true);
  }
  if (heightPercent >= 0) {
    box->setHeightPercent(static_cast<int32_t>(heightPercent), true);
  }
  if (horizontalAlignment <= 0) {
    box->alignLeft();
  } else if (horizontalAlignment == 1) {
    box->alignCenter();
  } else {
    box->alignRight();
  }
  if (verticalAlignment <= 0) {
    box->alignTop();
  } else if (verticalAlignment == 1) {
    box->alignMiddle();
  } else {
    box->alignBottom();
  }
  if (horizontalGap > 0) {
    box->setHorizontalGap(horizontalGap);
  }
  if (verticalGap > 0) {
    box->setVerticalGap(verticalGap);
  }
  if (horizontalInsets > 0) {
    box->setHorizontalInsets(horizontalInsets);
  }
  if (verticalInsets > 0) {
    box->setVerticalInsets(verticalInsets);
  }
  return box;
}

}  // namespace s::gui::win
