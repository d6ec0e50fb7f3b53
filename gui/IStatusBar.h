// The interface of the status bar: the strip along a window's bottom that holds status widgets.
#pragma once

#include "gui/IContainer.h"

#include <cstdint>

namespace s::gui::drawer {
class IStatusBar;
}

namespace s::gui {

class IBox;

/// A container laid along the bottom of its window, as high as its drawer says. Its content is
/// one component (usually a box) and `add` puts widgets into the item box within it. -1 switches
/// a percent or a fixed size off. UI thread, or set-up before attaching.
///
/// The operations keep their virtual order after the container's.
class IStatusBar : public IContainer {
 public:
  virtual void setWidthPercent(int32_t percent) = 0;
  virtual void setHeightPercent(int32_t percent) = 0;
  virtual void setFixedWidth(int32_t width) = 0;
  virtual void setFixedHeight(int32_t height) = 0;
  virtual IComponent* getContent() = 0;
  /// The content (owned from now on) and the box inside it that `add` fills (not owned apart
  /// from the content; null: `add` does nothing).
  virtual void setContent(IComponent* content, IBox* itemBox) = 0;
  /// Off sets the right inset to 0.
  virtual void setRightInsetEnabled(bool on) = 0;
  /// Stored only.
  virtual void setExtraFlag(bool on) = 0;
  /// A drawer instead of the default one (null: the default again); an owned one is released
  /// when replaced or at reset.
  virtual void setDrawer(drawer::IStatusBar* drawer, bool owned) = 0;
  /// Has the default drawer paint its background.
  virtual void setDefaultDrawerOption() = 0;
};

}  // namespace s::gui
