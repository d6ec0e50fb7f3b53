// The general container widget: a child window that lays out its children, paints its
// background and frame, passes wheel and owner-drawn traffic on, and takes dropped files and
// links.
#pragma once

#include "core/col/array/ArrayP.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ClassTail.h"
#include "gui/IBox.h"
#include "gui/win/Container.h"

#include <windows.h>
#include <afxwin.h>

#include <cstdint>

namespace s::gui::win {

class UrlDropTarget;

/// A child window of "KavrelWindowClass" holding an ordered list of children, which it owns: a
/// removed child goes back to its pool. The native window exists from `setParent` with a parent
/// (run on the owner window's UI thread, which `add` arranges) until `setParent(null)` or the
/// owner's destruction; before that, setters only store their values and bounds are applied at
/// creation. A new box is visible and transparent (it shows its parent's pixels), lays its
/// children out in a column, and lets clicks through to the window below it.
///
/// Files dropped on a box that accepts them replace its dropped paths (full names, in the order
/// dropped) and fire event 1; a link dropped on one that accepts links (the UTF-16 link format
/// only) fires event 7. Pooled (capacity 1000); `reset` detaches and empties the box. Everything
/// but the setters runs on the owner window's UI thread.
class Box : public ChildContainer<IBox> {
  S_POOLED_CLASS(Box, u"s_gui_win_Box")

  /// Private messages of the box.
  static constexpr UINT kDestroyMessage = WM_USER + 15;
  static constexpr UINT kUrlArrivedMessage = WM_USER + 22;
  static constexpr UINT kAddChildMessage = WM_APP + 2;
  static constexpr int32_t kListenerKinds = 8;

  Box();
  ~Box() override;
  Box(const Box&) = delete;
  Box& operator=(const Box&) = delete;

  void reset() override;

  // IEventListener
  void onEvent(base::IObject* source, int32_t eventId) override;

  // IComponent
  int32_t getX() override { return m_x; }
  void setX(int32_t x) override { setLocation(x, m_y); }
  int32_t getY() override { return m_y; }
  void setY(int32_t y) override { setLocation(m_x, y); }
  int32_t getWidth() override { return m_width; }
  void setWidth(int32_t width) override { setSize(width, m_height); }
  int32_t getHeight() override { return m_height; }
  void setHeight(int32_t height) override { setSize(m_width, height); }
  int32_t getClientWidth() override;
  void setClientWidth(int32_t width) override;
  int32_t getClientHeight() override;
  void setClientHeight(int32_t height) override;
  void setLocation(int32_t x, int32_t y) override;
  void setSize(int32_t width, int32_t height) override;
  void setBounds(int32_t x, int32_t y, int32_t width, int32_t height) override;
  void setOffset(int32_t dx, int32_t dy) override;
  void addOffset(int32_t dx, int32_t dy) override { setOffset(m_offsetX + dx, m_offsetY + dy); }
  int32_t getMinimumWidth() override;
  int32_t getMinimumHeight() override;
  int32_t getMinimumClientWidth() override;
  int32_t getMinimumClientHeight() override;
  int32_t getMaximumWidth() override;
  int32_t getMaximumHeight() override;
  int32_t getMaximumClientWidth() override;
  int32_t getMaximumClientHeight() override;
  using IComponent::setVisible;
  void setVisible(bool show, bool cascade) override;
  void setParent(IComponent* parent) override;
  void add(IComponent* child) override;
  /// Invalidates without erasing and updates at once.
  void repaintRect(int32_t x, int32_t y, int32_t width, int32_t height) override;
  void repaint() override;
  bool isInBatch() override { return m_inBatch; }
  void beginBatch() override { m_inBatch = true; }
  void endBatch() override;

  // IContainer
  void doLayout() override;
  ILayoutManager* getLayout() override;
  void setLayout(ILayoutManager* layout) override { m_layout = layout; }

  // IBox
  void setHorizontalGap(int32_t gap) override { m_hGap = gap; }
  void setVerticalGap(int32_t gap) override { m_vGap = gap; }
  void setLeftInset(int32_t inset) override;
  void setRightInset(int32_t inset) override;
  void setTopInset(int32_t inset) override;
  void setBottomInset(int32_t inset) override;
  void setHorizontalInsets(int32_t inset) override;
  void setVerticalInsets(int32_t inset) override;
  void setInsets(int32_t inset) override;
  void alignTop() override { m_vAlign = 0; }
  void alignMiddle() override { m_vAlign = 1; }
  void alignBottom() override { m_vAlign = 2; }
  void alignLeft() override { m_hAlign = 0; }
  void alignCenter() override { m_hAlign = 1; }
  void alignRight() override { m_hAlign = 2; }
  int32_t getArrangement() override { return m_arrangement; }
  void setHorizontal() override { m_arrangement = 0; }
  void setVertical() override { m_arrangement = 1; }
  void setFlow() override { m_arrangement = 2; }
  void setPile() override { m_arrangement = 3; }
  void setFullSize() override;
  void setWidthPercent(int32_t percent, bool relayoutParent) override;
  void setHeightPercent(int32_t percent, bool relayoutParent) override;
  void setFixedWidth(int32_t width, bool relayoutParent) override;
  void setFixedHeight(int32_t height, bool relayoutParent) override;
  void setMinimumWidth(int32_t width) override { m_minimumWidthFloor = width; }
  void setAcceptFiles(bool on) override;
  void addDropListener(events::IEventListener* l) override { listen(kFilesDropped, l); }
  file::win::PathArray* getDroppedPaths() override { return m_droppedPaths; }
  void setAcceptUrls(bool on) override;
  void addUrlDropListener(events::IEventListener* l) override { listen(kUrlDropped, l); }
  const WCHAR* getDroppedUrl() override { return m_droppedUrl->getCStr(); }
  void addMouseWheelListener(events::IEventListener* l) override { listen(kMouseWheel, l); }
  int32_t getWheelLines() override { return m_wheelLines; }
  void setZeroMinimumWidth(bool on) override { m_zeroMinimumWidth = on; }
  void setZeroMinimumHeight(bool on) override { m_zeroMinimumHeight = on; }
  void setDrawer(drawer::IDrawer* drawer, bool owned) override;
  void addLayoutListener(events::IEventListener* l) override { listen(kLaidOut, l); }
  void showOnly(int32_t index) override;
  void showOnlyParked(int32_t index) override;
  void addBoundsListener(events::IEventListener* l) override { listen(kBoundsChanged, l); }
  void addPaintListener(events::IEventListener* l) override { listen(kPainting, l); }
  HDC getPaintDC() override { return m_paintDC; }
  void setPainted() override { m_paintedByListener = true; }
  void setClickThrough(bool on) override { m_clickThrough = on; }
  void setHoverColor(int32_t red, int32_t green, int32_t blue) override;
  void setVisibilityLocked(bool on) override { m_visibilityLocked = on; }
  void releaseBackBuffer() override;
  void addClickListener(events::IEventListener* l) override;
  void reverseChildren() override { m_children.reverse(); }

  bool preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) override;

  /// The link target while links are accepted and the window exists; else null.
  UrlDropTarget* getUrlTarget() const { return m_urlTarget; }

 private:
  void listen(int32_t eventId, events::IEventListener* listener);
  void fire(int32_t eventId);
  /// Makes the native window in the parent's and its children's in it; false (after telling the
  /// user) when the window could not be made.
  bool createWindow();
  /// Moves the native window to the stored bounds; `flags` adds SWP_NOSIZE or SWP_NOMOVE.
  void applyBounds(UINT flags);
  void applyChildOffsets();
  void applyChildOffset(IComponent* child);
  /// Lays the box out when it exists and then, when asked, the parent (twice for wrapping rows,
  /// whose height follows their width).
  void relayoutAfterChange(bool relayoutParent);
  void relayoutParent();
  void registerUrlTarget();
  void revokeUrlTarget();
  /// Whether the first button child at a screen point can still be pressed: an enabled
  /// one, not selected or able to untoggle. Such a button keeps its click in a click-through box.
  bool pressableButtonAt(int32_t screenX, int32_t screenY);
  void paint();
  void paintBackground(HDC dc, CDC* buffer, int32_t width, int32_t height);
  void setHover(int32_t state);
  void onMouseMove(WPARAM wParam, LPARAM lParam);
  LRESULT onMouseWheel(WPARAM wParam, LPARAM lParam);
  void onDropFiles(HDROP drop);
  void forwardToCombos(UINT message, WPARAM wParam, LPARAM lParam);

  // Where the box lies: its bounds and offset, moved onto the native window outside a batch.
  HWND m_parentHandle = nullptr;
  int32_t m_x = 0;
  int32_t m_y = 0;
  int32_t m_width = 0;
  int32_t m_height = 0;
  int32_t m_offsetX = 0;
  int32_t m_offsetY = 0;
  bool m_inBatch = false;
  bool m_boundsPending = false;

  // The box's own.
  int32_t m_arrangement = 1;
  int32_t m_hAlign = 0;
  int32_t m_vAlign = 0;
  int32_t m_hGap = 0;
  int32_t m_vGap = 0;
  int32_t m_leftInset = 0;
  int32_t m_rightInset = 0;
  int32_t m_topInset = 0;
  int32_t m_bottomInset = 0;
  int32_t m_widthPercent = -1;
  int32_t m_heightPercent = -1;
  int32_t m_fixedWidth = -1;
  int32_t m_fixedHeight = -1;
  int32_t m_minimumWidthFloor = -1;
  bool m_zeroMinimumWidth = false;
  bool m_zeroMinimumHeight = false;
  int32_t m_contentMinWidth = 0;
  int32_t m_contentMinHeight = 0;
  int32_t m_contentMaxWidth = 0;
  int32_t m_contentMaxHeight = 0;
  int32_t m_layoutDepth = 0;
  bool m_creatingChildren = false;
  bool m_acceptFiles = false;
  file::win::PathArray* m_droppedPaths = nullptr;
  bool m_acceptUrls = false;
  UrlDropTarget* m_urlTarget = nullptr;
  str::strbuffer::StrBuffer* m_droppedUrl = nullptr;
  col::_array::ArrayP m_listeners[kListenerKinds];
  int32_t m_wheelLines = 0;
  int32_t m_hover = 0;
  bool m_hoverColorSet = false;
  uint32_t m_hoverColor = 0xFFFFFFFF;
  drawer::IDrawer* m_drawer = nullptr;
  bool m_drawerOwned = false;
  HDC m_paintDC = nullptr;
  bool m_paintedByListener = false;
  bool m_clickThrough = true;
  bool m_visibilityLocked = false;
  bool m_inWheel = false;
};

/// A box from the pool set up in one call: arrangement 0-3 (other values keep the column),
/// percents applied when 0 or more (truncated), alignments (<= 0 left or top, 1 centre, else
/// right or bottom), and gaps and insets (as left-right and top-bottom pairs) when above 0.
Box* makeBox(int32_t arrangement, double widthPercent, double heightPercent,
             int32_t horizontalAlignment, int32_t verticalAlignment, int32_t horizontalGap,
             int32_t verticalGap, int32_t horizontalInsets, int32_t verticalInsets);

}  // namespace s::gui::win
