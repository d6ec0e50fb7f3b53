// The interface of the general container: a box that lays out its children by one of four
// arrangements, paints its background and frame, and takes dropped files and links.
#pragma once

#include "gui/IContainer.h"

#include <windows.h>

#include <cstdint>

namespace s::file::win {
class PathArray;
}
namespace s::gui::drawer {
class IDrawer;
}
namespace s::gui::events {
class IEventListener;
}

namespace s::gui {

/// A container of children laid out in a row (0), a column (1, the default), wrapping rows (2)
/// or a pile (3), or by a layout manager once one is set. Insets are inner margins: children's
/// positions are relative to the content area inside them. Listeners hear `onEvent(box, id)`
/// with the ids below, on the box's UI thread; they are never owned.
///
/// The operations keep their virtual order after the container's.
class IBox : public IContainer {
 public:
  enum Event : int32_t {
    kFilesDropped = 1,
    kMouseWheel = 2,
    kLaidOut = 3,
    kBoundsChanged = 4,
    kPainting = 5,
    kClicked = 6,
    kUrlDropped = 7,
  };

  /// Pixels between neighbours; no layout follows.
  virtual void setHorizontalGap(int32_t gap) = 0;
  virtual void setVerticalGap(int32_t gap) = 0;
  /// Inner margins; the children's offsets follow at once, without a layout.
  virtual void setLeftInset(int32_t inset) = 0;
  virtual void setRightInset(int32_t inset) = 0;
  virtual void setTopInset(int32_t inset) = 0;
  virtual void setBottomInset(int32_t inset) = 0;
  virtual void setHorizontalInsets(int32_t inset) = 0;
  virtual void setVerticalInsets(int32_t inset) = 0;
  virtual void setInsets(int32_t inset) = 0;
  /// Alignments of the arrangement; no layout follows.
  virtual void alignTop() = 0;
  virtual void alignMiddle() = 0;
  virtual void alignBottom() = 0;
  virtual void alignLeft() = 0;
  virtual void alignCenter() = 0;
  virtual void alignRight() = 0;
  virtual int32_t getArrangement() = 0;
  virtual void setHorizontal() = 0;
  virtual void setVertical() = 0;
  virtual void setFlow() = 0;
  virtual void setPile() = 0;
  /// Width and height percent 100; fixed sizes stay and still win.
  virtual void setFullSize() = 0;
  /// A size as percent of the parent's content size (-1 off), turning off the fixed size of that
  /// axis; the box is laid out again and, when asked, its parent too.
  virtual void setWidthPercent(int32_t percent, bool relayoutParent) = 0;
  virtual void setHeightPercent(int32_t percent, bool relayoutParent) = 0;
  /// A size in pixels (-1 off), turning off the percent of that axis; then as above.
  virtual void setFixedWidth(int32_t width, bool relayoutParent) = 0;
  virtual void setFixedHeight(int32_t height, bool relayoutParent) = 0;
  /// A floor under the reported minimum width (-1 none).
  virtual void setMinimumWidth(int32_t width) = 0;
  virtual void setAcceptFiles(bool on) = 0;
  virtual void addDropListener(events::IEventListener* listener) = 0;
  /// The names of the last file drop, in the order dropped; owned by the box.
  virtual file::win::PathArray* getDroppedPaths() = 0;
  virtual void setAcceptUrls(bool on) = 0;
  virtual void addUrlDropListener(events::IEventListener* listener) = 0;
  /// The last dropped link (empty before any); valid until the next drop.
  virtual const WCHAR* getDroppedUrl() = 0;
  virtual void addMouseWheelListener(events::IEventListener* listener) = 0;
  /// Lines to scroll for the last wheel event: positive away from the user.
  virtual int32_t getWheelLines() = 0;
  virtual void setZeroMinimumWidth(bool on) = 0;
  virtual void setZeroMinimumHeight(bool on) = 0;
  /// The frame painted over the background; an owned drawer is released when replaced.
  virtual void setDrawer(drawer::IDrawer* drawer, bool owned) = 0;
  virtual void addLayoutListener(events::IEventListener* listener) = 0;
  /// Shows the child at `index` (when there is one) and hides every other.
  virtual void showOnly(int32_t index) = 0;
  /// As `showOnly`, and the hidden children are moved far down and, when boxes, locked hidden.
  virtual void showOnlyParked(int32_t index) = 0;
  virtual void addBoundsListener(events::IEventListener* listener) = 0;
  virtual void addPaintListener(events::IEventListener* listener) = 0;
  /// The device context being painted, while paint listeners run; else null.
  virtual HDC getPaintDC() = 0;
  /// Called by a paint listener that painted the whole box itself.
  virtual void setPainted() = 0;
  /// While on (the default), clicks on the box's own area reach the window below it.
  virtual void setClickThrough(bool on) = 0;
  virtual void setHoverColor(int32_t red, int32_t green, int32_t blue) = 0;
  /// While locked, `setVisible` does nothing.
  virtual void setVisibilityLocked(bool on) = 0;
  virtual void releaseBackBuffer() = 0;
  /// Listeners of clicks; the first one turns click-through off.
  virtual void addClickListener(events::IEventListener* listener) = 0;
  virtual void reverseChildren() = 0;
};

}  // namespace s::gui
