// The interface every widget and window of the toolkit shares: geometry, visibility, colours,
// children and bound batches, in one fixed order of virtual operations.
#pragma once

#include "gui/events/IEventListener.h"

#include <windows.h>

#include <cstdint>

namespace s::col::_array {
class ArrayP;
}
namespace s::image::win {
class BufferedImage;
}

namespace s::gui {

class IWindow;

/// A component of the toolkit: a widget or a top-level window. Positions are relative to the
/// parent's client area (a window answers its screen position); sizes are outer sizes in pixels.
/// Colours are 0x00BBGGRR. A container owns its children: a removed child is released to its
/// pool. Listeners are never owned.
///
/// The operations keep their virtual order; widgets that hold no children add their own after
/// them. Calls may come from any thread; whatever must run on a window's UI thread is sent there.
class IComponent : public events::IEventListener {
 public:
  ~IComponent() override = default;

  virtual int32_t getX() = 0;
  virtual void setX(int32_t x) = 0;
  virtual int32_t getY() = 0;
  virtual void setY(int32_t y) = 0;
  virtual int32_t getScreenX() = 0;
  virtual int32_t getScreenY() = 0;
  virtual bool containsScreenPoint(int32_t x, int32_t y) = 0;
  virtual int32_t getWidth() = 0;
  virtual void setWidth(int32_t width) = 0;
  virtual int32_t getHeight() = 0;
  virtual void setHeight(int32_t height) = 0;
  virtual int32_t getClientWidth() = 0;
  virtual void setClientWidth(int32_t width) = 0;
  virtual int32_t getClientHeight() = 0;
  virtual void setClientHeight(int32_t height) = 0;
  virtual void setLocation(int32_t x, int32_t y) = 0;
  virtual void setSize(int32_t width, int32_t height) = 0;
  virtual void setBounds(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
  virtual void setOffset(int32_t dx, int32_t dy) = 0;
  virtual void addOffset(int32_t dx, int32_t dy) = 0;
  virtual int32_t getMinimumWidth() = 0;
  virtual int32_t getMinimumHeight() = 0;
  virtual int32_t getMinimumClientWidth() = 0;
  virtual int32_t getMinimumClientHeight() = 0;
  virtual int32_t getMaximumWidth() = 0;
  virtual int32_t getMaximumHeight() = 0;
  virtual int32_t getMaximumClientWidth() = 0;
  virtual int32_t getMaximumClientHeight() = 0;
  virtual bool isVisible() = 0;
  /// `cascade` lets a container pass the change to its children; a window ignores it.
  virtual void setVisible(bool show, bool cascade) = 0;
  void setVisible(bool show) { setVisible(show, true); }
  virtual bool isEnabled() = 0;
  virtual void setEnabled(bool enabled) = 0;
  virtual bool isEditable() = 0;
  virtual void setEditable(bool editable) = 0;
  /// Centres the component in its parent's client area (nothing without a parent).
  virtual void center();
  virtual void centerHorizontally();
  virtual void centerVertically();
  virtual uint32_t getBackgroundColor() = 0;
  virtual bool isParentBackground() = 0;
  virtual void useParentBackground(bool redraw) = 0;
  virtual void setBackgroundWhite(bool redraw) = 0;
  virtual void setBackgroundSystem(bool redraw) = 0;
  virtual void setBackgroundBlack(bool redraw) = 0;
  virtual void setBackgroundLight(bool redraw) = 0;
  virtual void setBackgroundColor(int32_t red, int32_t green, int32_t blue, bool redraw) = 0;
  virtual IWindow* getWindow() = 0;
  virtual IComponent* getParent() = 0;
  virtual void setParent(IComponent* parent) = 0;
  virtual void add(IComponent* child) = 0;
  /// Takes `child` out of the children (found by identity); with `destroy` a child container is
  /// emptied first. The child loses its native control and goes back to its pool; the container
  /// is laid out again, also when the child was not one of its own.
  virtual void remove(IComponent* child, bool destroy);
  /// Takes every child out, from the last to the first, as `remove` does, without a layout.
  virtual void removeAll(bool destroy);
  virtual bool isContainer() = 0;
  virtual void repaintRect(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
  virtual void repaint() = 0;
  /// Sizes the component to (width, height) brought into its minimum and maximum sizes, the
  /// minimum winning where the two cross.
  virtual void setSizeWithinLimits(int32_t width, int32_t height) = 0;
  virtual void relayout() = 0;
  virtual int32_t getChildCount() = 0;
  virtual IComponent* getChild(int32_t index) = 0;
  /// The child array (null for components that hold no children); owned by the component.
  virtual col::_array::ArrayP* getChildren() = 0;
  /// The image the component paints into (null when it has none); `x` and `y`, when given,
  /// receive where the component's client area lies in it.
  virtual image::win::BufferedImage* getBackBuffer(int32_t* x, int32_t* y) = 0;
  virtual bool isInBatch() = 0;
  virtual void beginBatch() = 0;
  virtual void endBatch() = 0;

  /// The colour that shows behind `component`: its own unless it uses its parent's, else that of
  /// the first parent upward that does not (or of the last one reached).
  static uint32_t getEffectiveBackgroundColor(IComponent* component);
};

}  // namespace s::gui
