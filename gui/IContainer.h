// The interface of components that lay out children: the drop box, the group box, the status
// bar and the window; and the layout routines that containers and layout objects share.
#pragma once

#include "gui/IComponent.h"

namespace s::gui {

class ILayoutManager;

/// A component with a layout manager. The routines below size and place the container's children
/// in its client area (positions relative to it) and report its minimum and maximum content
/// sizes through the outputs that are given (null outputs are not written). Unless the container
/// is itself in a bound batch, every child begins a batch first and ends it and repaints at the
/// end, so each child window moves once. They run on the container's UI thread.
///
/// Alignment codes: horizontal 0 left, 1 centre, any other right; vertical 0 top, 1 middle, any
/// other bottom.
class IContainer : public IComponent {
 public:
  /// Lays the children out with the layout manager.
  virtual void doLayout();
  /// The own layout manager, or the shared vertical one.
  virtual ILayoutManager* getLayout() = 0;
  virtual void setLayout(ILayoutManager* layout) = 0;

  /// One column: each child takes the column's width (as its limits allow) and its minimum
  /// height, then the extra height is shared out in proportion to what each child may still
  /// grow. A gap goes before a child when the previous child is at least one pixel high.
  static void layoutColumn(IComponent* container, int32_t hAlign, int32_t vAlign, int32_t gap,
                           int32_t* outMinWidth = nullptr, int32_t* outMinHeight = nullptr,
                           int32_t* outWidest = nullptr, int32_t* outMaxHeight = nullptr);
  /// One row, the same across; hidden children keep their place.
  static void layoutRow(IComponent* container, int32_t hAlign, int32_t vAlign, int32_t gap,
                        int32_t* outMinWidth = nullptr, int32_t* outMinHeight = nullptr,
                        int32_t* outMaxWidth = nullptr, int32_t* outMaxHeight = nullptr);
  /// Rows that wrap at the client width; hidden children take their place but never count for
  /// gaps.
  static void layoutFlow(IComponent* container, int32_t hAlign, int32_t vAlign, int32_t hGap,
                         int32_t vGap, int32_t* outMinWidth = nullptr,
                         int32_t* outMinHeight = nullptr, int32_t* outMaxWidth = nullptr,
                         int32_t* outMaxHeight = nullptr);
  /// The visible children on top of each other, each aligned in the client area.
  static void layoutPile(IComponent* container, int32_t hAlign, int32_t vAlign,
                         int32_t* outMinWidth = nullptr, int32_t* outMinHeight = nullptr,
                         int32_t* outMaxWidth = nullptr, int32_t* outMaxHeight = nullptr);
};

}  // namespace s::gui
