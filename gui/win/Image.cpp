// The image widget's sizes, animation, painting and dragging.
#include "gui/win/Image.h"

#include "gui/drawer/DefaultDrawers.h"
#include "imaging/filters/IFilter.h"
#include "imaging/filters/sharpness/Sharpness.h"
#include "imaging/win/BufferedImage.h"
#include "imaging/win/BufferedImageSet.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace s::gui::win {

using image::win::BufferedImage;
using image::win::BufferedImageSet;

namespace {

int32_t roundToInt(double value) { return static_cast<int32_t>(std::lround(value)); }

// The checkerboard's cells: 5 pixels square, light grey with every other cell white.
constexpr int32_t kCheckerCell = 5;
constexpr COLORREF kCheckerGrey = RGB(0xCC, 0xCC, 0xCC);

void paintCheckerboard(CDC* dc, int32_t width, int32_t height) {
  dc->FillSolidRect(0, 0, width, height, kCheckerGrey);
  for (int32_t column = 0; column * kCheckerCell < width; ++column) {
    const int32_t x = column * kCheckerCell;
    for (int32_t y = (column % 2) * kCheckerCell; y < height; y += 2 * kCheckerCell) {
      dc->FillSolidRect(x, y, kCheckerCell, kCheckerCell, RGB(255, 255, 255));
    }
  }
}

}  // namespace

Image::Image() : Widget(kImageClass) {
  m_defaultDrawer = drawer::takeDefaultImageDrawer();
  reset();
}

Image::~Image() {
  // The window goes first, so that no tick or paint reaches a half-destroyed widget.
  stop(false);
  resetWidget();
  releaseSet();
  if (m_backBuffer != nullptr) {
    m_backBuffer->release();
  }
  if (m_defaultDrawer != nullptr) {
    m_defaultDrawer->release();
  }
}

void Image::reset() {
  stop(false);
  resetWidget();
  Widget::setBackgroundColor(0, 0, 0, false);
  useParentBackground(false);
  if (m_backBuffer != nullptr) {
    m_backBuffer->release();
    m_backBuffer = nullptr;
  }
  releaseSet();
  m_setOwned = true;
  m_stretch = false;
  m_keepRatio = true;
  m_overlay = false;
  m_naturalWidth = m_naturalHeight = m_naturalLowerBound = 0;
  m_heightToWidth = m_aspectRatio = 1.0;
  m_border = false;
  m_borderColor = 0;
  m_frozen = false;
  m_draggable = m_dragging = false;
  m_dragPosition = POINT{0, 0};
  m_widthPercent = m_heightPercent = m_fixedWidth = m_fixedHeight = -1;
  m_frameIndex = m_lastFrameCode = 0;
  m_wait = m_lastTick = 0;
  m_paused = false;
}

void Image::releaseSet() {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (m_set != nullptr && m_setOwned) {
    m_set->release();
  }
  m_set = nullptr;
}

// Sizes.

bool Image::widthDerived() const {
  return m_stretch && m_keepRatio && (m_fixedHeight >= 0 || m_heightPercent >= 0);
}

bool Image::heightDerived() const {
  return m_stretch && m_keepRatio && (m_fixedWidth >= 0 || m_widthPercent >= 0);
}

int32_t Image::getMinimumWidth() {
  if (m_fixedWidth >= 0) {
    return m_fixedWidth;
  }
  return m_widthPercent >= 0 ? 0 : getMinimumClientWidth() + border();
}

int32_t Image::getMinimumHeight() {
  if (m_fixedHeight >= 0) {
    return m_fixedHeight;
  }
  return m_heightPercent >= 0 ? 0 : getMinimumClientHeight() + border();
}

int32_t Image::getMinimumClientWidth() {
  if (m_fixedWidth >= 0) {
    return std::max(0, m_fixedWidth - border());
  }
  if (m_widthPercent >= 0) {
    return 0;
  }
  if (widthDerived()) {
    return roundToInt(getMaximumClientHeight() * m_aspectRatio);
  }
  return m_naturalWidth;
}

int32_t Image::getMinimumClientHeight() {
  if (m_fixedHeight >= 0) {
    return std::max(0, m_fixedHeight - border());
  }
  if (m_heightPercent >= 0) {
    return 0;
  }
  if (heightDerived()) {
    return roundToInt(getMaximumClientWidth() * m_heightToWidth);
  }
  return m_naturalHeight;
}

int32_t Image::getMaximumWidth() {
  return m_fixedWidth >= 0 ? m_fixedWidth : getMaximumClientWidth() + border();
}

int32_t Image::getMaximumHeight() {
  return m_fixedHeight >= 0 ? m_fixedHeight : getMaximumClientHeight() + border();
}

int32_t Image::getMaximumClientWidth() {
  if (m_fixedWidth >= 0) {
    return std::max(0, m_fixedWidth - border());
  }
  if (m_widthPercent < 0) {
    if (widthDerived()) {
      return roundToInt(getMaximumClientHeight() * m_aspectRatio);
    }
    return std::max(m_naturalWidth, m_naturalLowerBound);
  }
  IComponent* parent = getParent();
  if (parent == nullptr) {
    return 0;
  }
  const int32_t byWidth = parent->getClientWidth() * m_widthPercent / 100 - border();
  if (m_heightPercent >= 0 && m_stretch && m_keepRatio) {
    const int32_t byHeight =
        roundToInt((parent->getClientHeight() * m_heightPercent / 100 - border()) * m_aspectRatio);
    return std::min(std::max(0, byWidth), std::max(0, byHeight));
  }
  return byWidth;
}

int32_t Image::getMaximumClientHeight() {
  if (m_fixedHeight >= 0) {
    return std::max(0, m_fixedHeight - border());
  }
  if (m_heightPercent < 0) {
    if (heightDerived()) {
      return roundToInt(getMaximumClientWidth() * m_heightToWidth);
    }
    return std::max(m_naturalHeight, m_naturalLowerBound);
  }
  IComponent* parent = getParent();
  if (parent == nullptr) {
    return 0;
  }
  const int32_t byHeight = parent->getClientHeight() * m_heightPercent / 100 - border();
  if (m_widthPercent >= 0 && m_stretch && m_keepRatio) {
    const int32_t byWidth =
        roundToInt((parent->getClientWidth() * m_widthPercent / 100 - border()) * m_heightToWidth);
    return std::min(std::max(0, byHeight), std::max(0, byWidth));
  }
  return byHeight;
}

void Image::setWidthPercent(int32_t percent) {
  m_widthPercent = percent;
  m_fixedWidth = -1;
}

void Image::setHeightPercent(int32_t percent) {
  m_heightPercent = percent;
  m_fixedHeight = -1;
}

void Image::setFixedWidth(int32_t width) {
  m_fixedWidth = width;
  if (width >= 0) {
    m_widthPercent = -1;
  }
}

void Image::setFixedHeight(int32_t height) {
  m_fixedHeight = height;
  if (height >= 0) {
    m_heightPercent = -1;
  }
}

void Image::updateSize() {
  if (isCreated()) {
    const int32_t width = getImageWidth();
    const int32_t height = getImageHeight();
    m_naturalWidth = m_stretch ? 0 : width;
    m_naturalHeight = m_stretch ? 0 : height;
    // A picture without area keeps square proportions rather than dividing by zero.
    if (width > 0 && height > 0) {
      m_heightToWidth = static_cast<double>(height) / width;
      m_aspectRatio = static_cast<double>(width) / height;
    } else {
      m_heightToWidth = m_aspectRatio = 1.0;
    }
  }
  if (getParent() != nullptr) {
    getParent()->relayout();
  }
}

void Image::applySettings() { updateSize(); }

void Image::fitImageSize(int32_t* width, int32_t* height) {
  const int32_t a = getImageWidth();
  const int32_t b = getImageHeight();
  if (width == nullptr || height == nullptr || a <= 0 || b <= 0 || *width <= 0 || *height <= 0) {
    return;
  }
  if (static_cast<float>(a) / b > static_cast<float>(*width) / *height) {
    *height = roundToInt(static_cast<double>(b) * *width / a);
  } else {
    *width = roundToInt(static_cast<double>(a) * *height / b);
  }
}

// The picture.

void Image::setImage(BufferedImage* image, bool noCopy, bool stretch, bool keepRatio, bool overlay,
                     int32_t width, int32_t height) {
  BufferedImageSet* set = nullptr;
  if (image != nullptr) {
    BufferedImage* shown = noCopy ? image : image->copy(nullptr);
    set = BufferedImageSet::take();
    if (set != nullptr && shown != nullptr) {
      set->addImage(shown, 32, 0, 0);
    } else if (shown != nullptr) {
      shown->release();
    }
  }
  setImageSet(set, true, stretch, keepRatio, overlay, width, height);
}

void Image::setImageSet(BufferedImageSet* set, bool owned, bool stretch, bool keepRatio,
                        bool overlay, int32_t width, int32_t height) {
  const bool wasFrozen = !setFrozen(true);
  stop(false);
  {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    m_frameIndex = 0;
    m_lastFrameCode = 0;
    if (set != m_set) {
      releaseSet();
    }
    if (set != nullptr && set->getImageCount() > 1 && set->mustComposeFrames()) {
      BufferedImageSet* composed = set->composeFrames();
      if (owned) {
        set->release();
      }
      set = composed;
      owned = true;
    } else if (set != nullptr) {
      m_frameIndex = std::clamp(set->getStartFrame(), 0, std::max(0, set->getImageCount() - 1));
    }
    m_set = set;
    m_setOwned = owned;
  }
  m_stretch = stretch;
  m_keepRatio = keepRatio;
  m_overlay = overlay;
  if (width >= 0) {
    setFixedWidth(width + border());
  }
  if (height >= 0) {
    setFixedHeight(height + border());
  }
  updateSize();
  if (!wasFrozen) {
    setFrozen(false);
  }
  repaint();
}

int32_t Image::getImageWidth() {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_set != nullptr ? m_set->getWidth() : 0;
}

int32_t Image::getImageHeight() {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_set != nullptr ? m_set->getHeight() : 0;
}

int32_t Image::getFrameCount() {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_set != nullptr ? m_set->getImageCount() : 0;
}

bool Image::isAnimated() {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_set != nullptr && m_set->isAnimated();
}

int32_t Image::getFrameIndex() {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_frameIndex;
}

int32_t Image::getWait() {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  return static_cast<int32_t>(m_wait);
}

BufferedImage* Image::frameAt(int32_t frame) {
  return m_set != nullptr ? m_set->getImage(frame) : nullptr;
}

// Animation.

int64_t Image::now() {
  FILETIME time;
  ::GetSystemTimeAsFileTime(&time);
  const uint64_t ticks = (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return static_cast<int64_t>(ticks / 10000);
}

void Image::play() {
  stop(true);
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (m_set == nullptr || m_set->getImageCount() <= 1 || !m_set->isAnimated()) {
    return;
  }
  // The frame on show waits its own delay.
  m_wait = m_set->getDelay(m_frameIndex);
  m_lastTick = now();
  if (handle() != nullptr) {
    m_timerRunning = ::SetTimer(handle(), kAnimationTimer, kTickMilliseconds, nullptr) != 0;
  }
}

void Image::stop(bool rewind) {
  pause(false);
  if (handle() != nullptr && m_timerRunning) {
    ::KillTimer(handle(), kAnimationTimer);
  }
  m_timerRunning = false;
  if (rewind) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (m_set != nullptr && m_set->isAnimated()) {
      m_frameIndex = 0;
    }
    m_lastFrameCode = 0;
  }
  m_paused = false;
}

void Image::pause(bool freeze) {
  if (freeze) {
    setFrozen(true);
  }
  m_paused = true;
  // A tick runs on the UI thread; waiting there for it would wait for ever.
  if (::GetCurrentThreadId() == ::GetWindowThreadProcessId(handle(), nullptr)) {
    return;
  }
  while (m_inTick.load()) {
    ::Sleep(10);
  }
}

void Image::resume(bool unfreeze) {
  m_paused = false;
  if (unfreeze) {
    setFrozen(false);
  }
}

void Image::tick() {
  m_inTick = true;
  bool changed = false;
  if (!m_paused.load()) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    const int64_t time = now();
    const int64_t elapsed = time - m_lastTick;
    const int32_t count = m_set != nullptr ? m_set->getImageCount() : 0;
    if (count > 0 && elapsed < 0) {
      // The clock was set back: the frame on show waits its delay again from now, instead of
      // standing still until the clock has caught up.
      m_lastTick = time;
      m_wait = m_set->getDelay(m_frameIndex);
    } else if (count > 0 && elapsed >= m_wait) {
      m_lastFrameCode = m_set->getMode(m_frameIndex);
      m_frameIndex = (m_frameIndex + 1) % count;
      // The next frame shows for its own delay, less the lateness of this tick.
      m_wait = std::max<int64_t>(0, m_set->getDelay(m_frameIndex) + m_wait - elapsed);
      m_lastTick = time;
      changed = true;
    }
  }
  if (changed) {
    repaint();
  }
  m_inTick = false;
}

// Filters, copies and printing.

bool Image::hasFrameFilters(int32_t frame) {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  BufferedImage* image = frameAt(frame);
  return image != nullptr && image->hasFilters();
}

bool Image::findFrameFilter(int32_t frame, const WCHAR* key, int32_t* index) {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  BufferedImage* image = frameAt(frame);
  return image != nullptr && image->findFilter(key, index);
}

col::_array::ArrayP* Image::getFrameFilters(int32_t frame) {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  BufferedImage* image = frameAt(frame);
  return image != nullptr ? image->getFilters() : nullptr;
}

image::filters::IFilter* Image::getFrameFilter(int32_t frame, int32_t index) {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  BufferedImage* image = frameAt(frame);
  return image != nullptr ? image->getFilter(index) : nullptr;
}

void Image::addFrameFilter(int32_t frame, image::filters::IFilter* filter) {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (BufferedImage* image = frameAt(frame)) {
    image->addFilter(filter);
  }
}

void Image::insertFrameFilter(int32_t frame, image::filters::IFilter* filter, int32_t index) {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (BufferedImage* image = frameAt(frame)) {
    image->insertFilter(filter, index);
  }
}

void Image::removeFrameFilter(int32_t frame, int32_t index) {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (BufferedImage* image = frameAt(frame)) {
    image->removeFilter(index);
  }
}

void Image::removeAllFrameFilters(int32_t frame) {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (BufferedImage* image = frameAt(frame)) {
    image->removeAllFilters();
  }
}

void Image::detachAllFrameFilters(int32_t frame) {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (BufferedImage* image = frameAt(frame)) {
    image->detachAllFilters();
  }
}

BufferedImage* Image::applyFrameFilters(int32_t frame) {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  BufferedImage* image = frameAt(frame);
  return image != nullptr ? image->applyFilters() : nullptr;
}

bool Image::applyFilters() {
  {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (m_set == nullptr) {
      return false;
    }
    BufferedImageSet* filtered = m_set->getFilteredCopy();
    if (filtered == nullptr) {
      return false;
    }
    releaseSet();
    m_set = filtered;
    m_setOwned = true;
  }
  updateSize();
  repaint();
  return true;
}

int32_t Image::currentFrameLocked() {
  if (m_set == nullptr || m_frameIndex >= m_set->getImageCount()) {
    return -1;
  }
  return m_frameIndex;
}

bool Image::renderTo(image::IBufferedImageSet* sink, bool scaled, bool sharpen,
                     image::filters::IFilter* extraFilter) {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  const int32_t current = currentFrameLocked();
  if (sink == nullptr || current < 0) {
    return false;
  }
  const bool all = m_set->getImageCount() > 1 && m_set->isAnimated();
  const int32_t first = all ? 0 : current;
  const int32_t last = all ? m_set->getImageCount() - 1 : current;
  for (int32_t i = first; i <= last; ++i) {
    BufferedImage* frame = m_set->getImage(i);
    BufferedImage* source =
        scaled ? frame->getScaled(getClientWidth(), getClientHeight(), m_keepRatio) : frame;
    BufferedImage* work = source != nullptr ? source->copy(nullptr) : nullptr;
    if (work == nullptr) {
      return false;
    }
    // The filters go on a copy, so the frame on show keeps its own list whatever happens.
    if (sharpen) {
      if (auto* sharpness = image::filters::sharpness::Sharpness::takeLevel(70)) {
        sharpness->setOwnedByList(true);
        work->addFilter(sharpness);
      }
    }
    if (extraFilter != nullptr) {
      work->addFilter(extraFilter);
    }
    BufferedImage* result = work;
    if (work->hasFilters()) {
      BufferedImage* filtered = work->applyFilters();
      result = filtered != nullptr ? filtered->copy(nullptr) : nullptr;
      if (extraFilter != nullptr) {
        int32_t index = -1;
        if (work->findFilter(extraFilter->getKey(), &index)) {
          work->removeFilter(index);
        }
      }
      work->release();
    }
    if (result == nullptr) {
      return false;
    }
    sink->addImage(result, m_set->getKey(i), m_set->getDelay(i), m_set->getMode(i));
  }
  return true;
}

BufferedImage* Image::getCurrentFrame(bool scaled) {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  const int32_t current = currentFrameLocked();
  if (current < 0) {
    return nullptr;
  }
  BufferedImage* frame = m_set->getImage(current);
  if (scaled) {
    frame = frame->getScaled(getClientWidth(), getClientHeight(), m_keepRatio);
  }
  return frame != nullptr ? frame->copy(nullptr) : nullptr;
}

bool Image::printCurrentFrame(bool scaled, bool rotateToFit, bool sharpen, bool fitToPage) {
  BufferedImage* frame = getCurrentFrame(scaled);
  if (frame == nullptr) {
    return false;
  }
  frame->print(rotateToFit, sharpen, fitToPage);
  frame->release();
  return true;
}

// Painting, freezing and the background.

bool Image::setFrozen(bool on) {
  if (on == m_frozen) {
    return false;
  }
  m_frozen = on;
  if (on) {
    beginBatch();
  } else {
    if (handle() != nullptr) {
      ::InvalidateRect(handle(), nullptr, FALSE);
    }
    endBatch();
  }
  return true;
}

void Image::setDrawer(drawer::IImage* drawer, bool owned) {
  // The skinner hands back the drawer the widget already has; it stays as owned as it was.
  if (drawer != nullptr && drawer == getDrawer()) {
    owned = owned || isDrawerOwned();
  }
  Widget::setDrawer(drawer, owned);
}

void Image::useParentBackground(bool redraw) {
  m_checkerboard = false;
  Widget::useParentBackground(redraw);
}

void Image::setCheckerBackground(bool redraw) {
  Widget::useParentBackground(false);
  m_checkerboard = true;
  if (redraw && isVisible()) {
    repaint();
  }
}

void Image::paint() {
  PAINTSTRUCT ps;
  HDC target = ::BeginPaint(handle(), &ps);
  RECT client;
  ::GetClientRect(handle(), &client);
  const int32_t width = client.right - client.left;
  const int32_t height = client.bottom - client.top;
  if (!m_frozen && width > 0 && height > 0) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    m_backBuffer = fitBackBuffer(m_backBuffer, width, height);
    MemDC* dc = m_backBuffer != nullptr ? MemDC::forImage(handle(), m_backBuffer, false) : nullptr;
    if (dc != nullptr) {
      const bool overPrevious = m_lastFrameCode == 1;
      if (overPrevious) {
        // The frame is drawn over what the last one left in the buffer.
      } else if (!isParentBackground()) {
        dc->FillSolidRect(0, 0, width, height, getBackgroundColor());
      } else if (m_checkerboard) {
        paintCheckerboard(dc, width, height);
      } else if (!copyParentPixels(handle(), getParent(), dc->m_hDC, width, height)) {
        dc->FillSolidRect(0, 0, width, height, IComponent::getEffectiveBackgroundColor(this));
      }
      drawer::IImage* painter = getDrawer() != nullptr ? getDrawer() : m_defaultDrawer;
      if (painter != nullptr) {
        painter->paint(dc, m_backBuffer, 0, 0, width, height, frameAt(currentFrameLocked()),
                       m_stretch, m_border, m_overlay || overPrevious);
      }
      ::BitBlt(target, 0, 0, width, height, dc->m_hDC, 0, 0, SRCCOPY);
      dc->release();
    }
  }
  ::EndPaint(handle(), &ps);
}

bool Image::preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      paint();
      *result = 0;
      return true;
    case WM_SETCURSOR:
      ::SetCursor(::LoadCursorW(nullptr, m_draggable ? IDC_HAND : IDC_ARROW));
      *result = 1;
      return true;
    case WM_NCHITTEST: {
      const bool otherButton = (::GetAsyncKeyState(VK_RBUTTON) & 0x8000) != 0 ||
                               (::GetAsyncKeyState(VK_MBUTTON) & 0x8000) != 0;
      if (m_draggable && !otherButton) {
        return false;
      }
      // Clicks on a picture that is not dragged reach the window below it.
      const LRESULT hit = CWnd::WindowProc(message, wParam, lParam);
      *result = hit == HTCLIENT ? HTTRANSPARENT : hit;
      return true;
    }
    case WM_TIMER:
      if (wParam != kAnimationTimer) {
        return false;
      }
      tick();
      *result = 0;
      return true;
    case WM_LBUTTONDOWN:
      if (m_draggable) {
        ::SetCapture(handle());
        m_dragging = true;
        ::GetCursorPos(&m_dragPosition);
      }
      *result = 0;
      return true;
    case WM_MOUSEMOVE:
      if (m_dragging) {
        POINT position;
        ::GetCursorPos(&position);
        const int32_t dx = position.x - m_dragPosition.x;
        const int32_t dy = position.y - m_dragPosition.y;
        m_dragPosition = position;
        if (dx != 0 || dy != 0) {
          addOffset(dx, dy);
        }
      }
      *result = 0;
      return true;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (m_dragging) {
        m_dragging = false;
        if (message == WM_LBUTTONUP) {
          ::ReleaseCapture();
        }
      }
      *result = 0;
      return true;
    default: return Widget::preWindowProc(result, message, wParam, lParam);
  }
}

Image* makeImage(double widthPercent, BufferedImage* image) {
  Image* widget = Image::take();
  if (widget == nullptr) {
    return nullptr;
  }
  if (widthPercent >= 0) {
    widget->setWidthPercent(static_cast<int32_t>(widthPercent));
  }
  if (image != nullptr) {
    widget->setImage(image, true, true, true, true, -1, -1);
  }
  return widget;
}

Image* makeImageSized(int32_t fixedWidth, int32_t fixedHeight, BufferedImage* image) {
  Image* widget = Image::take();
  if (widget == nullptr) {
    return nullptr;
  }
  if (fixedWidth >= 0) {
    widget->setFixedWidth(fixedWidth);
  }
  if (fixedHeight >= 0) {
    widget->setFixedHeight(fixedHeight);
  }
  if (image != nullptr) {
    widget->setImage(image, true, true, true, true, -1, -1);
  }
  return widget;
}

}  // namespace s::gui::win
