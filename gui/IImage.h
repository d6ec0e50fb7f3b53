// The interface of the image widget: a still picture or a frame animation in a child window.
#pragma once

#include "gui/IComponent.h"

#include <windows.h>

#include <cstdint>

namespace s::col::_array {
class ArrayP;
}
namespace s::image {
class IBufferedImageSet;
}
namespace s::image::filters {
class IFilter;
}
namespace s::image::win {
class BufferedImage;
class BufferedImageSet;
}  // namespace s::image::win
namespace s::gui::drawer {
class IImage;
}

namespace s::gui {

/// Shows an image set: one frame, or its frames in turn when the set animates. Sizes follow the
/// picture unless fixed sizes or percents are set; with stretch the picture fills the widget,
/// and with keep ratio an axis derived from the other keeps the picture's proportions. A border
/// adds 2 pixels to each axis. Colours are 0x00BBGGRR.
///
/// The operations keep their virtual order after the component's.
class IImage : public IComponent {
 public:
  /// Shows `image` as a one-frame set owned by the widget: a copy of it, or `image` itself
  /// (which the widget then owns) with `noCopy`. A width or height >= 0 becomes a fixed size.
  virtual void setImage(image::win::BufferedImage* image, bool noCopy, bool stretch, bool keepRatio,
                        bool overlay, int32_t width, int32_t height) = 0;
  /// Shows `set`, released by the widget when `owned` (also when it is replaced by its composed
  /// copy). A width or height >= 0 becomes a fixed size.
  virtual void setImageSet(image::win::BufferedImageSet* set, bool owned, bool stretch,
                           bool keepRatio, bool overlay, int32_t width, int32_t height) = 0;
  virtual image::win::BufferedImageSet* getImage() = 0;
  virtual bool hasImage() = 0;
  virtual int32_t getImageWidth() = 0;
  virtual int32_t getImageHeight() = 0;
  /// Shrinks one side of width x height so that the box has the picture's proportions.
  virtual void fitImageSize(int32_t* width, int32_t* height) = 0;
  virtual int32_t getFrameCount() = 0;
  virtual bool isAnimated() = 0;
  /// Starts the animation from the first frame (nothing for a still picture).
  virtual void play() = 0;
  virtual void stop(bool rewind) = 0;
  /// Holds the animation; returns once no tick is running.
  virtual void pause(bool freeze) = 0;
  virtual void resume(bool unfreeze) = 0;
  // The filters of the frame at `frame`; nothing (false, null) without such a frame.
  virtual bool hasFrameFilters(int32_t frame) = 0;
  virtual bool findFrameFilter(int32_t frame, const WCHAR* key, int32_t* index) = 0;
  virtual col::_array::ArrayP* getFrameFilters(int32_t frame) = 0;
  virtual image::filters::IFilter* getFrameFilter(int32_t frame, int32_t index) = 0;
  virtual void addFrameFilter(int32_t frame, image::filters::IFilter* filter) = 0;
  virtual void insertFrameFilter(int32_t frame, image::filters::IFilter* filter, int32_t index) = 0;
  virtual void removeFrameFilter(int32_t frame, int32_t index) = 0;
  virtual void removeAllFrameFilters(int32_t frame) = 0;
  virtual void detachAllFrameFilters(int32_t frame) = 0;
  virtual image::win::BufferedImage* applyFrameFilters(int32_t frame) = 0;
  /// Replaces the set by its filtered copy; false (nothing changed) when there is none.
  virtual bool applyFilters() = 0;
  /// Adds copies of the picture's frames (the current one of a still picture) to `sink`, scaled
  /// to the client size when asked, sharpened and run through `extraFilter` when given; the
  /// frames themselves keep their filters. False when there is nothing to render.
  virtual bool renderTo(image::IBufferedImageSet* sink, bool scaled, bool sharpen,
                        image::filters::IFilter* extraFilter) = 0;
  /// A new image (the caller releases it) of the frame on show, scaled to the client size when
  /// asked; null without one.
  virtual image::win::BufferedImage* getCurrentFrame(bool scaled) = 0;
  /// Prints the frame on show (see BufferedImage::print for the flags); false without one.
  virtual bool printCurrentFrame(bool scaled, bool rotateToFit, bool sharpen, bool fitToPage) = 0;
  virtual void setWidthPercent(int32_t percent) = 0;
  virtual void setHeightPercent(int32_t percent) = 0;
  virtual void setFixedWidth(int32_t width) = 0;
  virtual void setFixedHeight(int32_t height) = 0;
  virtual void setBorder(bool on) = 0;
  virtual void setBorderColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual bool hasBorder() = 0;
  /// Holds painting and bounds changes back; false when the state did not change.
  virtual bool setFrozen(bool on) = 0;
  virtual void setDraggable(bool on) = 0;
  /// A painter of its own in place of the default one; null goes back to the default.
  virtual void setDrawer(drawer::IImage* drawer, bool owned) = 0;
  /// A checkerboard behind transparent pixels.
  virtual void setCheckerBackground(bool redraw) = 0;
};

}  // namespace s::gui
