// The shared base of the containers (the drop box, the group box, the status bar) and the
// window: the children they own, their layout, visibility, colour and back buffer, and the shape
// of their window procedure; and, for the three that are child windows, their native window and
// where they hang in the tree.
#pragma once

#include "core/base/IObject.h"
#include "core/col/array/ArrayP.h"
#include "core/thread/IPoolable.h"
#include "gui/IComponent.h"
#include "gui/ILayoutManager.h"
#include "gui/layout/Pile.h"
#include "gui/win/ChildWindow.h"

#include <windows.h>
#include <afxwin.h>

#include <algorithm>
#include <cstdint>

namespace s::image::win {
class BufferedImage;
}

namespace s::gui {
class IWindow;
}

namespace s::gui::win {

/// What every container and the window answer alike, over the container interface `Interface`
/// they implement. It declares no operation of its own before the two message hooks, so a class
/// built on it keeps its interface's virtual order followed by `preWindowProc` and
/// `postWindowProc`, as every widget does.
///
/// The children are owned (a removed child goes back to its pool); the layout is the container's
/// own when set. Colours are 0x00BBGGRR. The window procedure runs the class's `preWindowProc`
/// first; what that leaves goes to the platform and then to `postWindowProc`.
template <class Interface>
class Container : public Interface,
                  public base::IObject,
                  public virtual thread::IPoolable,
                  public CWnd {
 public:
  Container(const Container&) = delete;
  Container& operator=(const Container&) = delete;

  uint32_t hashCode() const override { return base::IObject::hashCode(); }

  // IComponent
  bool isVisible() override { return m_visible; }
  bool isEditable() override { return false; }
  void setEditable(bool) override {}
  uint32_t getBackgroundColor() override { return m_backgroundColor; }
  void setBackgroundWhite(bool redraw) override { this->setBackgroundColor(255, 255, 255, redraw); }
  void setBackgroundBlack(bool redraw) override { this->setBackgroundColor(0, 0, 0, redraw); }
  void setBackgroundLight(bool redraw) override {
    const COLORREF light = lightBackgroundColor();
    this->setBackgroundColor(GetRValue(light), GetGValue(light), GetBValue(light), redraw);
  }
  bool isContainer() override { return true; }
  void relayout() override { this->doLayout(); }
  int32_t getChildCount() override { return static_cast<int32_t>(m_children.getCount()); }
  IComponent* getChild(int32_t index) override {
    return static_cast<IComponent*>(m_children.getItems()[index]);
  }
  col::_array::ArrayP* getChildren() override { return &m_children; }

  /// The container's own message handling, before the platform's; true when it handled
  /// `message`, with the answer in `result`.
  virtual bool preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  /// After the platform's handling of a message that `preWindowProc` left: nothing by default.
  virtual void postWindowProc(LRESULT* /*result*/, UINT /*message*/, WPARAM /*wParam*/,
                              LPARAM /*lParam*/) {}

  // CWnd
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    LRESULT result = 0;
    if (preWindowProc(&result, message, wParam, lParam)) {
      return result;
    }
    result = CWnd::WindowProc(message, wParam, lParam);
    postWindowProc(&result, message, wParam, lParam);
    return result;
  }

 protected:
  /// A window starts hidden, a child container shown.
  explicit Container(bool visible) : m_visible(visible) {}
  ~Container() override = default;

  col::_array::ArrayP m_children;
  ILayoutManager* m_layout = nullptr;
  bool m_visible;
  uint32_t m_backgroundColor = 0;
  /// The image the container paints into; owned, null before the first paint.
  image::win::BufferedImage* m_backBuffer = nullptr;
};

/// What the containers that are child windows answer alike: their native window (made on the
/// owner window's UI thread once attached, null before and after), their parent and owner window,
/// whether they show their parent's pixels, and their back buffer, which shows the parent's
/// pixels until their first paint.
template <class Interface>
class ChildContainer : public Container<Interface> {
 public:
  // IComponent
  int32_t getScreenX() override { return screenRectOf(m_handle).left; }
  int32_t getScreenY() override { return screenRectOf(m_handle).top; }
  bool containsScreenPoint(int32_t x, int32_t y) override {
    return screenRectHolds(m_handle, this->m_visible, x, y);
  }
  bool isEnabled() override { return m_enabled; }
  void setEnabled(bool enabled) override {
    m_enabled = enabled;
    if (m_handle != nullptr) {
      ::EnableWindow(m_handle, enabled ? TRUE : FALSE);
    }
  }
  bool isParentBackground() override { return m_parentBackground; }
  void useParentBackground(bool redraw) override {
    m_parentBackground = true;
    if (redraw) {
      this->repaint();
    }
  }
  void setBackgroundSystem(bool redraw) override {
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    this->setBackgroundColor(GetRValue(face), GetGValue(face), GetBValue(face), redraw);
  }
  void setBackgroundColor(int32_t red, int32_t green, int32_t blue, bool redraw) override {
    this->m_backgroundColor = RGB(red & 0xFF, green & 0xFF, blue & 0xFF);
    m_parentBackground = false;
    if (redraw) {
      this->repaint();
    }
  }
  IWindow* getWindow() override { return m_ownerWindow; }
  IComponent* getParent() override { return m_parent; }
  void repaintRect(int32_t x, int32_t y, int32_t width, int32_t height) override {
    if (m_handle != nullptr && this->m_visible) {
      const RECT r{x, y, x + width, y + height};
      ::RedrawWindow(m_handle, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
  }
  void repaint() override {
    if (m_handle != nullptr && this->m_visible) {
      ::RedrawWindow(m_handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
  }
  /// Takes the size within the limits, then lays the own children out for it.
  void setSizeWithinLimits(int32_t width, int32_t height) override {
    const int32_t w = std::max(this->getMinimumWidth(), std::min(width, this->getMaximumWidth()));
    const int32_t h =
        std::max(this->getMinimumHeight(), std::min(height, this->getMaximumHeight()));
    this->setSize(w, h);
    this->doLayout();
  }
  image::win::BufferedImage* getBackBuffer(int32_t* x, int32_t* y) override {
    return backBufferOf(m_handle, this->m_backBuffer, m_parent, x, y);
  }

  bool hasHandle() const { return m_handle != nullptr; }

 protected:
  ChildContainer() : Container<Interface>(true) {}
  ~ChildContainer() override = default;

  HWND m_handle = nullptr;
  IComponent* m_parent = nullptr;
  IWindow* m_ownerWindow = nullptr;
  bool m_enabled = true;
  bool m_parentBackground = true;
};

/// A child container whose bounds are a `ChildPlacement` and whose sizes follow
/// `ContainerLimits` (the group box and the status bar): its content is laid out by the shared
/// pile unless a layout of its own is set, which it owns.
template <class Interface>
class PlacedContainer : public ChildContainer<Interface> {
 public:
  // IComponent
  int32_t getX() override { return m_place.x; }
  void setX(int32_t x) override { this->setLocation(x, m_place.y); }
  int32_t getY() override { return m_place.y; }
  void setY(int32_t y) override { this->setLocation(m_place.x, y); }
  int32_t getWidth() override { return m_place.width; }
  void setWidth(int32_t width) override { this->setSize(width, m_place.height); }
  int32_t getHeight() override { return m_place.height; }
  void setHeight(int32_t height) override { this->setSize(m_place.width, height); }
  int32_t getClientWidth() override { return m_limits.innerWidth(m_place.width); }
  void setClientWidth(int32_t width) override {
    setWidth(width + m_limits.insetLeft + m_limits.insetRight);
  }
  int32_t getClientHeight() override { return m_limits.innerHeight(m_place.height); }
  void setClientHeight(int32_t height) override {
    setHeight(height + m_limits.insetTop + m_limits.insetBottom);
  }
  void setLocation(int32_t x, int32_t y) override {
    m_place.setLocation(this->m_handle, this->m_visible, x, y);
  }
  void setSize(int32_t width, int32_t height) override {
    m_place.setSize(this->m_handle, this->m_visible, width, height);
  }
  void setBounds(int32_t x, int32_t y, int32_t width, int32_t height) override {
    m_place.setBounds(this->m_handle, this->m_visible, x, y, width, height);
  }
  void setOffset(int32_t dx, int32_t dy) override {
    m_place.setOffset(this->m_handle, this->m_visible, dx, dy);
  }
  void addOffset(int32_t dx, int32_t dy) override {
    setOffset(m_place.offsetX + dx, m_place.offsetY + dy);
  }
  int32_t getMaximumWidth() override { return m_limits.maximumWidth(this->m_parent); }
  int32_t getMaximumHeight() override { return m_limits.maximumHeight(this->m_parent); }
  int32_t getMaximumClientWidth() override { return m_limits.innerWidth(this->getMaximumWidth()); }
  int32_t getMaximumClientHeight() override {
    return m_limits.innerHeight(this->getMaximumHeight());
  }
  bool isInBatch() override { return m_place.inBatch; }
  /// Applies what the batch held back, then ends the children's batches.
  void endBatch() override {
    m_place.endBatch(this->m_handle, this->m_visible);
    for (int32_t i = 0, n = this->getChildCount(); i < n; ++i) {
      this->getChild(i)->endBatch();
    }
  }

  // IContainer
  ILayoutManager* getLayout() override {
    return this->m_layout != nullptr ? this->m_layout : layout::Pile::getShared();
  }
  /// The layout replaced is given back to its pool unless it is the shared pile.
  void setLayout(ILayoutManager* layout) override {
    ILayoutManager*& current = this->m_layout;
    if (current != nullptr && current != layout && current != layout::Pile::getShared()) {
      if (auto* poolable = dynamic_cast<thread::IPoolable*>(current)) {
        poolable->release();
      }
    }
    current = layout;
  }

  // The size rules both interfaces name.
  void setWidthPercent(int32_t percent) override { m_limits.setWidthPercent(percent); }
  void setHeightPercent(int32_t percent) override { m_limits.setHeightPercent(percent); }
  void setFixedWidth(int32_t width) override { m_limits.setFixedWidth(width); }
  void setFixedHeight(int32_t height) override { m_limits.setFixedHeight(height); }

 protected:
  PlacedContainer() = default;
  ~PlacedContainer() override = default;

  ChildPlacement m_place;
  ContainerLimits m_limits;
};

}  // namespace s::gui::win
