// The image widget: a still picture or a frame animation in a child window of the library class.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/IImage.h"
#include "gui/drawer/IImage.h"
#include "gui/win/Widget.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace s::gui::win {

inline constexpr WidgetClass kImageClass{kWindowClassName, WS_CHILD, 0, 0, 1000};

/// Paints its frame through a back buffer: first the background (its colour, the parent's pixels
/// or a checkerboard; nothing after a frame whose code is 1, which is drawn over the one before),
/// then the custom drawer or the default image drawer. An animated set plays on timer 1 every
/// 25 ms; each frame shows for its own delay, a late tick shortens the next wait by its lateness,
/// and a wall clock set back restarts the wait of the frame on show. A draggable picture moves by
/// the pointer's screen movement while the left button is held; any other lets clicks through to
/// the window below.
///
/// The frame state (set, frame index, waits) is kept under a lock, since frames are copied and
/// rendered from other threads; window work stays on the UI thread. `pause` from another thread
/// returns once no tick runs. Pooled (capacity 1000); the set and the drawer are released only
/// when owned.
class Image final : public Widget<IImage, drawer::IImage> {
  S_POOLED_CLASS(Image, u"s_gui_win_Image", kImageClass.poolCapacity)

  static constexpr UINT_PTR kAnimationTimer = 1;
  static constexpr UINT kTickMilliseconds = 25;

  Image();
  ~Image() override;
  void reset() override;

  // IComponent
  int32_t getClientWidth() override { return getWidth() - border(); }
  void setClientWidth(int32_t width) override { setWidth(width + border()); }
  int32_t getClientHeight() override { return getHeight() - border(); }
  void setClientHeight(int32_t height) override { setHeight(height + border()); }
  int32_t getMinimumWidth() override;
  int32_t getMinimumHeight() override;
  int32_t getMinimumClientWidth() override;
  int32_t getMinimumClientHeight() override;
  int32_t getMaximumWidth() override;
  int32_t getMaximumHeight() override;
  int32_t getMaximumClientWidth() override;
  int32_t getMaximumClientHeight() override;
  void useParentBackground(bool redraw) override;

  // IImage
  void setImage(image::win::BufferedImage* image, bool noCopy, bool stretch, bool keepRatio,
                bool overlay, int32_t width, int32_t height) override;
  void setImageSet(image::win::BufferedImageSet* set, bool owned, bool stretch, bool keepRatio,
                   bool overlay, int32_t width, int32_t height) override;
  image::win::BufferedImageSet* getImage() override { return m_set; }
  bool hasImage() override { return m_set != nullptr; }
  int32_t getImageWidth() override;
  int32_t getImageHeight() override;
  void fitImageSize(int32_t* width, int32_t* height) override;
  int32_t getFrameCount() override;
  bool isAnimated() override;
  void play() override;
  void stop(bool rewind) override;
  void pause(bool freeze) override;
  void resume(bool unfreeze) override;
  bool hasFrameFilters(int32_t frame) override;
  bool findFrameFilter(int32_t frame, const WCHAR* key, int32_t* index) override;
  col::_array::ArrayP* getFrameFilters(int32_t frame) override;
  image::filters::IFilter* getFrameFilter(int32_t frame, int32_t index) override;
  void addFrameFilter(int32_t frame, image::filters::IFilter* filter) override;
  void insertFrameFilter(int32_t frame, image::filters::IFilter* filter, int32_t index) override;
  void removeFrameFilter(int32_t frame, int32_t index) override;
  void removeAllFrameFilters(int32_t frame) override;
  void detachAllFrameFilters(int32_t frame) override;
  image::win::BufferedImage* applyFrameFilters(int32_t frame) override;
  bool applyFilters() override;
  bool renderTo(image::IBufferedImageSet* sink, bool scaled, bool sharpen,
                image::filters::IFilter* extraFilter) override;
  image::win::BufferedImage* getCurrentFrame(bool scaled) override;
  bool printCurrentFrame(bool scaled, bool rotateToFit, bool sharpen, bool fitToPage) override;
  void setWidthPercent(int32_t percent) override;
  void setHeightPercent(int32_t percent) override;
  void setFixedWidth(int32_t width) override;
  void setFixedHeight(int32_t height) override;
  void setBorder(bool on) override { m_border = on; }
  void setBorderColor(int32_t red, int32_t green, int32_t blue) override {
    m_borderColor = RGB(red & 0xFF, green & 0xFF, blue & 0xFF);
  }
  bool hasBorder() override { return m_border; }
  bool setFrozen(bool on) override;
  void setDraggable(bool on) override { m_draggable = on; }
  void setDrawer(drawer::IImage* drawer, bool owned) override;
  void setCheckerBackground(bool redraw) override;

  bool preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) override;

  /// What the widget holds, for its tests: the frame on show and the wait before the next one.
  int32_t getFrameIndex();
  int32_t getWait();
  bool isFrozen() const { return m_frozen; }
  bool isDragging() const { return m_dragging; }
  uint32_t getBorderColor() const { return m_borderColor; }

 protected:
  drawer::IImage* drawerOfSkin(drawer::ISkin* /*skin*/) override { return getDrawer(); }
  void applyText() override {}
  void applySettings() override;
  bool paintsWithDrawer() override { return true; }

 private:
  int32_t border() const { return m_border ? 2 : 0; }
  bool widthDerived() const;
  bool heightDerived() const;
  /// The natural size and the two proportions from the set, then a new layout of the parent.
  void updateSize();
  void releaseSet();
  void paint();
  void tick();
  /// The frame's image, or null; under the lock.
  image::win::BufferedImage* frameAt(int32_t frame);
  int32_t currentFrameLocked();
  static int64_t now();

  image::win::BufferedImageSet* m_set = nullptr;
  bool m_setOwned = true;
  bool m_stretch = false;
  bool m_keepRatio = true;
  bool m_overlay = false;
  int32_t m_naturalWidth = 0;
  int32_t m_naturalHeight = 0;
  int32_t m_naturalLowerBound = 0;
  double m_heightToWidth = 1.0;
  double m_aspectRatio = 1.0;
  bool m_border = false;
  uint32_t m_borderColor = 0;
  bool m_frozen = false;
  bool m_draggable = false;
  bool m_dragging = false;
  POINT m_dragPosition{0, 0};
  bool m_checkerboard = false;
  int32_t m_widthPercent = -1;
  int32_t m_heightPercent = -1;
  int32_t m_fixedWidth = -1;
  int32_t m_fixedHeight = -1;
  drawer::IImage* m_defaultDrawer = nullptr;
  image::win::BufferedImage* m_backBuffer = nullptr;
  std::recursive_mutex m_lock;
  int32_t m_frameIndex = 0;
  int32_t m_lastFrameCode = 0;
  int64_t m_wait = 0;
  int64_t m_lastTick = 0;
  std::atomic<bool> m_paused{false};
  std::atomic<bool> m_inTick{false};
  bool m_timerRunning = false;
};

/// An image widget of `widthPercent` of its parent's width (none when below 0), showing `image`
/// stretched and overlaid when given (the widget then owns it).
Image* makeImage(double widthPercent, image::win::BufferedImage* image);
/// An image widget of fixed sizes (each when >= 0), showing `image` as `makeImage` does.
Image* makeImageSized(int32_t fixedWidth, int32_t fixedHeight, image::win::BufferedImage* image);

}  // namespace s::gui::win
