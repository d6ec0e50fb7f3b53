// The status bar: a child window along its window's bottom that holds status widgets, painted
// double-buffered by a status-bar drawer, with the usual set-up of an item box and a size grip.
#pragma once

#include "core/base/IObject.h"
#include "core/col/array/ArrayP.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "gui/IStatusBar.h"
#include "gui/win/ChildWindow.h"

#include <windows.h>
#include <afxwin.h>

#include <cstdint>

namespace s::gui::drawer::statusbar {
class IBasic;
}

namespace s::gui::win {

/// A child window of "KavrelWindowClass" holding one content component, which it owns, laid
/// out by the pile placement. It is exactly as high as its drawer reports (the skin's, else its
/// own default drawer) and, by default, as wide as its parent's client area. Clicks on its own
/// surface pass through to the window below (HTTRANSPARENT); its children take their own. The
/// window exists from `setParent` with a parent until `setParent(null)`; before, setters only
/// store. A window holds at most one status bar and lays it along its bottom.
///
/// Pooled (capacity 1000); `reset` detaches and releases the content, the back buffer and an
/// owned drawer. The default drawer lives as long as the bar.
class StatusBar final : public IStatusBar,
                        public base::IObject,
                        public virtual thread::IPoolable,
                        public CWnd {
  S_POOLED_CLASS(StatusBar, u"s_gui_win_StatusBar")

  static constexpr const WCHAR* kInterfaceName = u"s_gui_IStatusBar";
  /// Private messages of the bar.
  static constexpr UINT kDestroyMessage = WM_USER + 15;
  static constexpr UINT kAddChildMessage = WM_APP + 2;

  StatusBar();
  ~StatusBar() override;
  StatusBar(const StatusBar&) = delete;
  StatusBar& operator=(const StatusBar&) = delete;

  void reset() override;
  uint32_t hashCode() const override { return base::IObject::hashCode(); }

  // IEventListener
  void onEvent(base::IObject* source, int32_t eventId) override;

  // IComponent
  int32_t getX() override { return m_place.x; }
  void setX(int32_t x) override { setLocation(x, m_place.y); }
  int32_t getY() override { return m_place.y; }
  void setY(int32_t y) override { setLocation(m_place.x, y); }
  int32_t getScreenX() override { return screenRectOf(m_handle).left; }
  int32_t getScreenY() override { return screenRectOf(m_handle).top; }
  bool containsScreenPoint(int32_t x, int32_t y) override {
    return screenRectHolds(m_handle, m_visible, x, y);
  }
  int32_t getWidth() override { return m_place.width; }
  void setWidth(int32_t width) override { setSize(width, m_place.height); }
  int32_t getHeight() override { return m_place.height; }
  void setHeight(int32_t height) override { setSize(m_place.width, height); }
  int32_t getClientWidth() override;
  void setClientWidth(int32_t width) override {
    setWidth(width + m_limits.insetLeft + m_limits.insetRight);
  }
  int32_t getClientHeight() override;
  void setClientHeight(int32_t height) override {
    setHeight(height + m_limits.insetTop + m_limits.insetBottom);
  }
  void setLocation(int32_t x, int32_t y) override {
    m_place.setLocation(m_handle, m_visible, x, y);
  }
  void setSize(int32_t width, int32_t height) override {
    m_place.setSize(m_handle, m_visible, width, height);
  }
  void setBounds(int32_t x, int32_t y, int32_t width, int32_t height) override {
    m_place.setBounds(m_handle, m_visible, x, y, width, height);
  }
  void setOffset(int32_t dx, int32_t dy) override {
    m_place.setOffset(m_handle, m_visible, dx, dy);
  }
  void addOffset(int32_t dx, int32_t dy) override {
    setOffset(m_place.offsetX + dx, m_place.offsetY + dy);
  }
  int32_t getMinimumWidth() override;
  int32_t getMinimumHeight() override;
  int32_t getMinimumClientWidth() override;
  int32_t getMinimumClientHeight() override;
  int32_t getMaximumWidth() override;
  int32_t getMaximumHeight() override { return getMinimumHeight(); }
  int32_t getMaximumClientWidth() override;
  int32_t getMaximumClientHeight() override;
  bool isVisible() override { return m_visible; }
  using IComponent::setVisible;
  void setVisible(bool show, bool cascade) override;
  bool isEnabled() override { return m_enabled; }
  void setEnabled(bool enabled) override;
  bool isEditable() override { return false; }
  void setEditable(bool) override {}
  uint32_t getBackgroundColor() override { return m_backgroundColor; }
  bool isParentBackground() override { return m_parentBackground; }
  void useParentBackground(bool redraw) override;
  void setBackgroundWhite(bool redraw) override { setBackgroundColor(255, 255, 255, redraw); }
  void setBackgroundSystem(bool redraw) override;
  void setBackgroundBlack(bool redraw) override { setBackgroundColor(0, 0, 0, redraw); }
  void setBackgroundLight(bool redraw) override {
    const COLORREF light = lightBackgroundColor();
    setBackgroundColor(GetRValue(light), GetGValue(light), GetBValue(light), redraw);
  }
  void setBackgroundColor(int32_t red, int32_t green, int32_t blue, bool redraw) override;
  IWindow* getWindow() override { return m_ownerWindow; }
  IComponent* getParent() override { return m_parent; }
  void setParent(IComponent* parent) override;
  void add(IComponent* child) override;
  bool isContainer() override { return true; }
  void repaintRect(int32_t x, int32_t y, int32_t width, int32_t height) override;
  void repaint() override;
  void setSizeWithinLimits(int32_t width, int32_t height) override;
  void relayout() override { doLayout(); }
  int32_t getChildCount() override { return static_cast<int32_t>(m_children.getCount()); }
  IComponent* getChild(int32_t index) override;
  col::_array::ArrayP* getChildren() override { return &m_children; }
  image::win::BufferedImage* getBackBuffer(int32_t* x, int32_t* y) override;
  bool isInBatch() override { return m_place.inBatch; }
  void beginBatch() override { m_place.inBatch = true; }
  void endBatch() override;

  // IContainer
  void doLayout() override;
  ILayoutManager* getLayout() override;
  void setLayout(ILayoutManager* layout) override;

  // IStatusBar
  void setWidthPercent(int32_t percent) override;
  void setHeightPercent(int32_t percent) override;
  void setFixedWidth(int32_t width) override;
  void setFixedHeight(int32_t height) override;
  IComponent* getContent() override { return m_content; }
  void setContent(IComponent* content, IBox* itemBox) override;
  void setRightInsetEnabled(bool on) override;
  void setExtraFlag(bool on) override { m_extraFlag = on; }
  void setDrawer(drawer::IStatusBar* drawer, bool owned) override;
  void setDefaultDrawerOption() override;

  /// The bar's own message handling, before the platform's; true when it handled `message`,
  /// with the answer in `result`.
  virtual bool preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam);
  /// After the platform's handling of a message that `preWindowProc` left: nothing.
  virtual void postWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam);

  // CWnd
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  IBox* getItemBox() { return m_itemBox; }
  /// The drawer that paints: the one set, else the default one (null when none could be taken).
  drawer::IStatusBar* getActiveDrawer();
  drawer::statusbar::IBasic* getDefaultDrawer();
  bool isRightInsetEnabled() const { return m_rightInsetEnabled; }
  bool isExtraFlag() const { return m_extraFlag; }
  bool hasHandle() const { return m_handle != nullptr; }
  /// The back buffer's image while there is one (null before the first paint).
  image::win::BufferedImage* getOwnBackBuffer() { return m_backBuffer; }

 private:
  bool createWindow();
  void relayoutParent();
  void paint();

  // The component's state.
  HWND m_handle = nullptr;
  IComponent* m_parent = nullptr;
  IWindow* m_ownerWindow = nullptr;
  ChildPlacement m_place;
  ContainerLimits m_limits;
  bool m_visible = true;
  bool m_enabled = true;
  uint32_t m_backgroundColor = 0;
  bool m_parentBackground = true;
  image::win::BufferedImage* m_backBuffer = nullptr;
  col::_array::ArrayP m_children;
  ILayoutManager* m_layout = nullptr;

  // The bar's own.
  IComponent* m_content = nullptr;
  IBox* m_itemBox = nullptr;
  bool m_rightInsetEnabled = false;
  bool m_extraFlag = true;
  drawer::statusbar::IBasic* m_defaultDrawer = nullptr;
  drawer::IStatusBar* m_drawer = nullptr;
  bool m_drawerOwned = false;
  int32_t m_layoutDepth = 0;
  bool m_creatingChildren = false;
};

/// The usual status bar: a content box holding the item box (where `add` puts widgets; aligned
/// middle, with the horizontal and vertical insets when above 0) and, at the right, a grip box
/// with the window's "#Resizer" grip (12 x 12 pixels times the display scale) in its bottom
/// right corner; 100 % of the parent's width.
StatusBar* makeStatusBar(int32_t horizontalInsets, int32_t verticalInsets);

}  // namespace s::gui::win
