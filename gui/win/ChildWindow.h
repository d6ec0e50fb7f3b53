// What the toolkit's child windows share: finding a component's native window, telling
// listeners, keeping a back buffer and showing the parent's pixels under a child.
#pragma once

#include <windows.h>

#include <cstdint>

namespace s::base {
class IObject;
}
namespace s::col::_array {
class ArrayP;
}
namespace s::image::win {
class BufferedImage;
}
namespace s::gui {
class IComponent;
}

namespace s::gui::win {

/// The native window of a component: a window's frame, a widget's control; null for a component
/// without one (or not created yet).
HWND nativeHandleOf(IComponent* component);

/// Calls every listener of `listeners` with `source` and `eventId`, in the order they were
/// added. A listener added while they run hears the next event.
void notifyListeners(const col::_array::ArrayP& listeners, base::IObject* source, int32_t eventId);

/// The back buffer to paint width x height into: `current` when it fits and is not far too large
/// (the painted area at least 70% of what it holds), grown when too small; else a new image of
/// that size, `current` given back. Null when no image could be made.
image::win::BufferedImage* fitBackBuffer(image::win::BufferedImage* current, int32_t width,
                                         int32_t height);

/// Copies into `target` (at its origin) the width x height pixels of the parent's back buffer that
/// lie under the child window `self`; false (nothing copied) when the parent has none.
bool copyParentPixels(HWND self, IComponent* parent, HDC target, int32_t width, int32_t height);

/// The back buffer that a child window `self` paints into and its children copy from: its own
/// image `own` (its client area at the origin) once it has one, else the parent's, with `x` and
/// `y` (when given) moved on to where the child's client corner lies in it. Null when neither
/// has one.
image::win::BufferedImage* backBufferOf(HWND self, image::win::BufferedImage* own,
                                        IComponent* parent, int32_t* x, int32_t* y);

/// The answer to a control-colour request (WM_APP+3) of `component`, painting into `dc`: the
/// stock null brush and a transparent background while it shows its parent's pixels but has no
/// parent yet, else a solid brush of the colour behind it, kept in `*brush` (the previous one
/// deleted first, so answering never leaks). A text colour other than CLR_INVALID is set too.
HBRUSH answerControlColor(IComponent* component, HDC dc, HBRUSH* brush, COLORREF textColor);

/// Where a child container lies in its parent: its bounds and offset as stored values, moved
/// onto its native window at once outside a bound batch, and once when the batch ends inside
/// one. The window is shown with each move while the component is visible.
struct ChildPlacement {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t offsetX = 0;
  int32_t offsetY = 0;
  bool inBatch = false;
  bool pending = false;

  void setLocation(HWND window, bool visible, int32_t newX, int32_t newY);
  void setSize(HWND window, bool visible, int32_t newWidth, int32_t newHeight);
  void setBounds(HWND window, bool visible, int32_t newX, int32_t newY, int32_t newWidth,
                 int32_t newHeight);
  void setOffset(HWND window, bool visible, int32_t dx, int32_t dy);
  /// Ends the batch and applies what it held back.
  void endBatch(HWND window, bool visible);
  /// Moves `window` (when there is one) to the stored bounds; `flags` adds SWP_NOSIZE or
  /// SWP_NOMOVE.
  void apply(HWND window, bool visible, UINT flags) const;
};

/// The size rules that child containers share: fixed sizes and percents of the parent's client
/// size (setting one turns the other of that axis off; -1 is off), the content's limits as the
/// last layout measured them, and the insets around the content.
struct ContainerLimits {
  int32_t widthPercent = -1;
  int32_t heightPercent = -1;
  int32_t fixedWidth = -1;
  int32_t fixedHeight = -1;
  int32_t contentMinWidth = 0;
  int32_t contentMinHeight = 0;
  int32_t contentMaxWidth = 0;
  int32_t contentMaxHeight = 0;
  int32_t insetLeft = 0;
  int32_t insetRight = 0;
  int32_t insetTop = 0;
  int32_t insetBottom = 0;

  void setWidthPercent(int32_t percent) {
    widthPercent = percent;
    fixedWidth = -1;
  }
  void setHeightPercent(int32_t percent) {
    heightPercent = percent;
    fixedHeight = -1;
  }
  void setFixedWidth(int32_t width) {
    fixedWidth = width;
    widthPercent = -1;
  }
  void setFixedHeight(int32_t height) {
    fixedHeight = height;
    heightPercent = -1;
  }
  void clearMeasured() {
    contentMinWidth = contentMinHeight = contentMaxWidth = contentMaxHeight = 0;
  }
  /// The fixed size, else the insets and the content's minimum.
  int32_t minimumWidth() const;
  int32_t minimumHeight() const;
  /// The fixed size, else the percent of the parent's client size (whole pixels, rounded down),
  /// else the insets and the larger of the content's limits.
  int32_t maximumWidth(IComponent* parent) const;
  int32_t maximumHeight(IComponent* parent) const;
  /// An outer size less the insets of its axis (not below 0).
  int32_t innerWidth(int32_t width) const;
  int32_t innerHeight(int32_t height) const;
};

/// The screen rectangle of a window; empty without one.
RECT screenRectOf(HWND window);

/// Whether a visible component's window holds the screen point (its edges included).
bool screenRectHolds(HWND window, bool visible, int32_t x, int32_t y);

/// The light background of `setBackgroundLight`: the inactive caption text colour halfway to
/// white.
COLORREF lightBackgroundColor();

/// The signed point in a mouse message's lParam.
inline POINT pointOfMessage(LPARAM lParam) {
  return POINT{static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
}

}  // namespace s::gui::win
