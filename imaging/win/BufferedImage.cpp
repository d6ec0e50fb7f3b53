// The 32-bit image buffer that every own-drawn control paints into.
#include "imaging/win/BufferedImage.h"

#include "core/col/array/ArrayP.h"
#include "core/file/win/FileOutputStream.h"
#include "core/file/win/PathWin.h"
#include "core/system/win/UserNotice.h"
#include "imaging/bmp/win/Bitmap.h"
#include "imaging/filters/IFilter.h"
#include "imaging/filters/scale/BilinearFilter.h"
#include "imaging/filters/sharpness/Sharpness.h"
#include "imaging/gif/win/Gif.h"
#include "imaging/jpg/win/Jpeg.h"
#include "imaging/png/win/Png.h"

#include <afxdlgs.h>
#include <afxwin.h>
#include <commdlg.h>

#include <algorithm>
#include <cstring>

namespace s::image::win {

using bmp::win::Bitmap;

namespace {

inline uint32_t loadPixel(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

inline void storePixel(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

inline uint32_t packPixel(uint8_t a, uint8_t r, uint8_t g, uint8_t b) {
  return (uint32_t{a} << 24) | (uint32_t{r} << 16) | (uint32_t{g} << 8) | b;
}

}  // namespace

BufferedImage::BufferedImage() { reset(); }

BufferedImage::~BufferedImage() {
  // Only the filters the list owns are released; a borrowed filter stays its lender's.
  releaseOwnedFilters();
  if (m_filters != nullptr) {
    m_filters->release();
  }
  delete m_scaledCache;
  delete m_filteredCache;
  delete m_bitmap;
}

void BufferedImage::reset() {
  releaseBitmap();
  m_width = m_height = 0;
  m_pixelCount = m_byteSize = m_stride = 0;
  m_hasAlpha = false;
  setScaledCache(nullptr);
  removeAllFilters();
  releaseFilteredCache();
}

void BufferedImage::releaseBitmap() {
  if (m_bitmap != nullptr) {
    m_bitmap->release();
    m_bitmap = nullptr;
  }
  m_bits = nullptr;
  m_capacityWidth = m_capacityHeight = 0;
  m_capacityPixelCount = m_capacityByteSize = m_capacityStride = 0;
}

void BufferedImage::releaseFilteredCache() {
  if (m_filteredCache != nullptr) {
    m_filteredCache->release();
    m_filteredCache = nullptr;
  }
}

HBITMAP BufferedImage::getHBitmap() {
  return m_bitmap != nullptr ? m_bitmap->getHandle() : nullptr;
}

void BufferedImage::setSize(int32_t width, int32_t height) {
  m_width = width;
  m_height = height;
  m_pixelCount = width * height;
  m_byteSize = m_pixelCount * 4;
  m_stride = width * 4;
}

int32_t BufferedImage::allocate(int32_t width, int32_t height) {
  releaseBitmap();
  setSize(0, 0);
  // The byte count must fit the 32-bit size fields; a larger store is never made.
  if (width <= 0 || height <= 0 || int64_t{width} * height * 4 > INT32_MAX) {
    return 0;
  }
  Bitmap* bitmap = Bitmap::take();
  if (bitmap == nullptr) {
    return 0;
  }
  if (!bitmap->createDib(width, height, 32) || bitmap->getBits() == nullptr) {
    bitmap->release();
    return 0;
  }
  m_bitmap = bitmap;
  m_bits = bitmap->getBits();
  m_capacityWidth = width;
  m_capacityHeight = height;
  m_capacityPixelCount = width * height;
  m_capacityByteSize = m_capacityPixelCount * 4;
  m_capacityStride = width * 4;
  setSize(width, height);
  return m_stride;
}

void BufferedImage::reserve(int32_t width, int32_t height) {
  if (m_bits != nullptr && m_capacityWidth >= width && m_capacityHeight >= height) {
    return;
  }
  // Each side keeps at least its old capacity, so growing one side never cuts the visible rows
  // of the other.
  const int32_t newWidth = std::max(width, m_capacityWidth);
  const int32_t newHeight = std::max(height, m_capacityHeight);
  Bitmap* old = m_bitmap;
  m_bitmap = nullptr;
  const int32_t visibleWidth = m_width;
  const int32_t visibleHeight = m_height;
  const int32_t oldCapacityHeight = m_capacityHeight;
  const int32_t oldCapacityStride = m_capacityStride;
  uint8_t* oldBits = m_bits;
  m_bits = nullptr;
  m_capacityWidth = m_capacityHeight = 0;
  allocate(newWidth, newHeight);
  if (m_bits != nullptr && oldBits != nullptr) {
    for (int32_t y = 0; y < visibleHeight; ++y) {
      std::memcpy(getLine(y),
                  oldBits + static_cast<intptr_t>(oldCapacityHeight - y - 1) * oldCapacityStride,
                  static_cast<size_t>(visibleWidth) * 4);
    }
  }
  if (old != nullptr) {
    old->release();
  }
  if (m_bits != nullptr) {
    setSize(visibleWidth, visibleHeight);
  } else {
    setSize(0, 0);
  }
}

void BufferedImage::ensureCapacity(int32_t width, int32_t height) {
  if (m_bits != nullptr && m_capacityWidth >= width && m_capacityHeight >= height) {
    return;
  }
  auto grow = [](int32_t capacity, int32_t wanted) {
    float side = static_cast<float>(capacity > 0 ? capacity : wanted);
    while (static_cast<float>(wanted) > side) {
      side *= 1.2f;
    }
    return static_cast<int32_t>(side);
  };
  reserve(grow(m_capacityWidth, width), grow(m_capacityHeight, height));
}

BufferedImage* BufferedImage::takeSized(int32_t width, int32_t height) {
  BufferedImage* image = take();
  if (image != nullptr) {
    image->allocate(width, height);
  }
  return image;
}

void BufferedImage::swapStore(BufferedImage* other) {
  if (other == nullptr || other == this) {
    return;
  }
  std::swap(m_bitmap, other->m_bitmap);
  std::swap(m_bits, other->m_bits);
  std::swap(m_width, other->m_width);
  std::swap(m_height, other->m_height);
  std::swap(m_pixelCount, other->m_pixelCount);
  std::swap(m_byteSize, other->m_byteSize);
  std::swap(m_stride, other->m_stride);
  std::swap(m_capacityWidth, other->m_capacityWidth);
  std::swap(m_capacityHeight, other->m_capacityHeight);
  std::swap(m_capacityPixelCount, other->m_capacityPixelCount);
  std::swap(m_capacityByteSize, other->m_capacityByteSize);
  std::swap(m_capacityStride, other->m_capacityStride);
  std::swap(m_hasAlpha, other->m_hasAlpha);
}

BufferedImage* BufferedImage::newImage(int32_t width, int32_t height) {
  return takeSized(width, height);
}

void BufferedImage::setScaledCache(BufferedImage* image) {
  if (m_scaledCache != nullptr && m_scaledCache != image) {
    m_scaledCache->release();
  }
  m_scaledCache = image;
}

void BufferedImage::drawTo(CDC* dc, int32_t x, int32_t y, int32_t cx, int32_t cy, bool scaled) {
  if (dc == nullptr || isEmpty()) {
    return;
  }
  BufferedImage* image = this;
  if (scaled) {
    image = getScaled(cx, cy, false);
    if (image == nullptr || image->isEmpty()) {
      return;
    }
  }
  cx = std::min(cx, image->m_width);
  cy = std::min(cy, image->m_height);
  if (cx <= 0 || cy <= 0) {
    return;
  }
  HDC memory = CreateCompatibleDC(nullptr);
  if (memory == nullptr) {
    return;
  }
  HGDIOBJ old = SelectObject(memory, image->getHBitmap());
  BitBlt(static_cast<HDC>(*dc), x, y, cx, cy, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
}

void BufferedImage::drawImage(int32_t x, int32_t y, int32_t w, int32_t h, BufferedImage* source,
                              int32_t sx, int32_t sy, bool scaled) {
  if (source == nullptr || isEmpty()) {
    return;
  }
  if (scaled) {
    source = source->getScaled(w, h, false);
    if (source == nullptr) {
      return;
    }
  }
  if (source->isEmpty()) {
    return;
  }
  if (x < 0) {
    sx -= x;
    x = 0;
  }
  if (y < 0) {
    sy -= y;
    y = 0;
  }
  // A negative source origin given by the caller is clamped like the target origin, so no
  // pixel before the source's first row or column is read.
  if (sx < 0) {
    x -= sx;
    sx = 0;
  }
  if (sy < 0) {
    y -= sy;
    sy = 0;
  }
  const int32_t cw = std::min(source->m_width - sx, m_width - x);
  const int32_t ch = std::min(source->m_height - sy, m_height - y);
  if (cw <= 0 || ch <= 0) {
    return;
  }
  if (!source->m_hasAlpha) {
    for (int32_t row = 0; row < ch; ++row) {
      std::memcpy(getLine(y + row) + x * 4, source->getLine(sy + row) + sx * 4,
                  static_cast<size_t>(cw) * 4);
    }
    return;
  }
  const bool targetOpaque = !m_hasAlpha;
  for (int32_t row = 0; row < ch; ++row) {
    uint8_t* d = getLine(y + row) + x * 4;
    const uint8_t* s = source->getLine(sy + row) + sx * 4;
    for (int32_t col = 0; col < cw; ++col, d += 4, s += 4) {
      if (targetOpaque) {
        d[3] = 255;
      }
      const int32_t sa = s[3];
      if (sa == 0) {
        continue;
      }
      const int32_t da = d[3];
      if (sa == 255 || da == 0) {
        std::memcpy(d, s, 4);
        continue;
      }
      const int32_t oa = sa + da - (((sa + 1) * da) >> 8);
      const int32_t k = (sa * 256) / oa;
      for (int c = 0; c < 3; ++c) {
        d[c] = static_cast<uint8_t>(d[c] + ((k * (s[c] - d[c])) >> 8));
      }
      d[3] = static_cast<uint8_t>(oa);
    }
  }
}

BufferedImage* BufferedImage::getScaled(int32_t width, int32_t height, bool keepAspect) {
  if (keepAspect && m_width > 0 && m_height > 0) {
    const double rw = static_cast<double>(width) / m_width;
    const double rh = static_cast<double>(height) / m_height;
    if (rw != rh) {
      if (rw < rh) {
        height = static_cast<int32_t>(m_height * rw);
      } else {
        width = static_cast<int32_t>(m_width * rh);
      }
    }
  }
  if (width == m_width && height == m_height) {
    return this;
  }
  if (m_scaledCache != nullptr && m_scaledCache->m_width == width &&
      m_scaledCache->m_height == height) {
    return m_scaledCache;
  }
  BufferedImage* target = m_scaledCache;
  if (target == nullptr) {
    target = take();
    if (target == nullptr) {
      return nullptr;
    }
    if (width > 0 && height > 0) {
      target->allocate(width, height);
    }
    m_scaledCache = target;
  }
  filters::scale::BilinearFilter* scaler = filters::scale::BilinearFilter::shared();
  if (scaler != nullptr) {
    scaler->scale(m_width, m_height, this, width, height, target);
  } else {
    target->setSize(0, 0);
  }
  return target;
}

bool BufferedImage::saveAsBmp(io::IOutputStream* stream, int32_t bitsPerPixel,
                              bool keepTransparency, uint8_t red, uint8_t green, uint8_t blue) {
  if (stream == nullptr) {
    return false;
  }
  Bitmap* bitmap = Bitmap::take();
  if (bitmap == nullptr) {
    return false;
  }
  bool ok = false;
  if (bitsPerPixel == 24 && !hasAlpha() && !isEmpty()) {
    // The common case goes straight from the rows to the stream, without a 24-bit copy.
    ok = bitmap->writeOpaque24(stream, this);
  } else {
    ok = bitmap->createFrom(this, bitsPerPixel, keepTransparency, red, green, blue);
    ok = ok && bitmap->write(stream);
  }
  bitmap->release();
  return ok;
}

namespace {

/// Opens `path` for writing (emptied when it exists), runs `write` and closes the file.
template <class Write>
bool writeToPath(const WCHAR* path, Write write) {
  file::win::PathWin* p = file::win::PathWin::newFromText(path);
  if (p == nullptr) {
    return false;
  }
  file::win::FileOutputStream* stream = p->isValid() ? p->openOutputStream(false) : nullptr;
  p->release();
  if (stream == nullptr) {
    return false;
  }
  bool ok = write(stream);
  ok = stream->close() && ok;
  stream->dispose();
  return ok;
}

}  // namespace

bool BufferedImage::saveAsBmpFile(const WCHAR* path, int32_t bitsPerPixel, bool keepTransparency,
                                  uint8_t red, uint8_t green, uint8_t blue) {
  return writeToPath(path, [&](io::IOutputStream* stream) {
    return saveAsBmp(stream, bitsPerPixel, keepTransparency, red, green, blue);
  });
}

bool BufferedImage::saveAsGif(io::IOutputStream* stream, int32_t bitsPerPixel,
                              bool keepTransparency, uint8_t red, uint8_t green, uint8_t blue) {
  if (stream == nullptr) {
    return false;
  }
  auto* gif = gif::win::Gif::take();
  if (gif == nullptr) {
    return false;
  }
  bool ok = gif->createFrom(this, bitsPerPixel, keepTransparency, red, green, blue,
                            gif::win::Gif::kAlphaThreshold);
  ok = ok && gif->write(stream);
  gif->release();
  return ok;
}

bool BufferedImage::saveAsGifFile(const WCHAR* path, int32_t bitsPerPixel, bool keepTransparency,
                                  uint8_t red, uint8_t green, uint8_t blue) {
  return writeToPath(path, [&](io::IOutputStream* stream) {
    return saveAsGif(stream, bitsPerPixel, keepTransparency, red, green, blue);
  });
}

bool BufferedImage::saveAsJpeg(io::IOutputStream* stream, int32_t quality, uint8_t red,
                               uint8_t green, uint8_t blue) {
  if (stream == nullptr) {
    return false;
  }
  return jpg::win::Jpeg::writeImage(stream, this, quality, red, green, blue);
}

bool BufferedImage::saveAsJpegFile(const WCHAR* path, int32_t quality, uint8_t red, uint8_t green,
                                   uint8_t blue) {
  return writeToPath(path, [&](io::IOutputStream* stream) {
    return saveAsJpeg(stream, quality, red, green, blue);
  });
}

bool BufferedImage::saveAsPng(io::IOutputStream* stream, bool interlace, bool keepTransparency,
                              uint8_t red, uint8_t green, uint8_t blue) {
  if (stream == nullptr) {
    return false;
  }
  auto* png = png::win::Png::take();
  if (png == nullptr) {
    return false;
  }
  bool ok = png->createFrom(this, interlace, keepTransparency, red, green, blue);
  ok = ok && png->write(stream);
  png->release();
  return ok;
}

bool BufferedImage::saveAsPngFile(const WCHAR* path, bool interlace, bool keepTransparency,
                                  uint8_t red, uint8_t green, uint8_t blue) {
  return writeToPath(path, [&](io::IOutputStream* stream) {
    return saveAsPng(stream, interlace, keepTransparency, red, green, blue);
  });
}

BufferedImage* BufferedImage::copy(BufferedImage* target) {
  if (target == nullptr) {
    target = take();
    if (target == nullptr) {
      return nullptr;
    }
  }
  if (target == this) {
    return target;
  }
  if (isEmpty()) {
    target->allocate(0, 0);
  } else {
    target->allocate(m_width, m_height);
    if (target->m_bits != nullptr) {
      for (int32_t y = 0; y < m_height; ++y) {
        std::memcpy(target->getLine(y), getLine(y), static_cast<size_t>(m_stride));
      }
    }
  }
  target->m_hasAlpha = m_hasAlpha;
  return target;
}

BufferedImage* BufferedImage::prepareTarget(BufferedImage* target, bool turned) {
  if (target == this) {
    return nullptr;  // pixels cannot be moved in place
  }
  if (target == nullptr) {
    target = take();
    if (target == nullptr) {
      return nullptr;
    }
  }
  const int32_t width = isEmpty() ? 0 : (turned ? m_height : m_width);
  const int32_t height = isEmpty() ? 0 : (turned ? m_width : m_height);
  target->setSize(0, 0);
  if (width > 0 && height > 0) {
    target->reserve(width, height);
    if (target->m_bits != nullptr) {
      target->setSize(width, height);
    }
  }
  target->m_hasAlpha = m_hasAlpha;
  return target;
}

BufferedImage* BufferedImage::rotateRight(BufferedImage* target) {
  const int32_t w = m_width;
  const int32_t h = m_height;
  target = prepareTarget(target, true);
  if (target == nullptr || target->isEmpty()) {
    return target;
  }
  // target(x, y) = source(y, H - 1 - x)
  for (int32_t ty = 0; ty < w; ++ty) {
    uint8_t* out = target->getLine(ty);
    for (int32_t tx = 0; tx < h; ++tx) {
      std::memcpy(out + tx * 4, getLine(h - 1 - tx) + ty * 4, 4);
    }
  }
  return target;
}

BufferedImage* BufferedImage::rotate180(BufferedImage* target) {
  const int32_t w = m_width;
  const int32_t h = m_height;
  target = prepareTarget(target, false);
  if (target == nullptr || target->isEmpty()) {
    return target;
  }
  for (int32_t ty = 0; ty < h; ++ty) {
    uint8_t* out = target->getLine(ty);
    const uint8_t* in = getLine(h - 1 - ty);
    for (int32_t tx = 0; tx < w; ++tx) {
      std::memcpy(out + tx * 4, in + (w - 1 - tx) * 4, 4);
    }
  }
  return target;
}

BufferedImage* BufferedImage::rotateLeft(BufferedImage* target) {
  const int32_t w = m_width;
  const int32_t h = m_height;
  target = prepareTarget(target, true);
  if (target == nullptr || target->isEmpty()) {
    return target;
  }
  // target(x, y) = source(W - 1 - y, x)
  for (int32_t ty = 0; ty < w; ++ty) {
    uint8_t* out = target->getLine(ty);
    for (int32_t tx = 0; tx < h; ++tx) {
      std::memcpy(out + tx * 4, getLine(tx) + (w - 1 - ty) * 4, 4);
    }
  }
  return target;
}

BufferedImage* BufferedImage::flipHorizontal(BufferedImage* target) {
  const int32_t w = m_width;
  const int32_t h = m_height;
  target = prepareTarget(target, false);
  if (target == nullptr || target->isEmpty()) {
    return target;
  }
  for (int32_t ty = 0; ty < h; ++ty) {
    uint8_t* out = target->getLine(ty);
    const uint8_t* in = getLine(ty);
    for (int32_t tx = 0; tx < w; ++tx) {
      std::memcpy(out + tx * 4, in + (w - 1 - tx) * 4, 4);
    }
  }
  return target;
}

BufferedImage* BufferedImage::flipVertical(BufferedImage* target) {
  const int32_t w = m_width;
  const int32_t h = m_height;
  target = prepareTarget(target, false);
  if (target == nullptr || target->isEmpty()) {
    return target;
  }
  for (int32_t ty = 0; ty < h; ++ty) {
    std::memcpy(target->getLine(ty), getLine(h - 1 - ty), static_cast<size_t>(w) * 4);
  }
  return target;
}

bool BufferedImage::hasFilters() { return m_filters != nullptr && m_filters->getCount() > 0; }

bool BufferedImage::findFilter(const WCHAR* key, int32_t* index) {
  if (m_filters == nullptr) {
    return false;
  }
  void** items = m_filters->getItems();
  for (uint32_t i = 0; i < m_filters->getCount(); ++i) {
    if (static_cast<filters::IFilter*>(items[i])->getKey() == key) {
      if (index != nullptr) {
        *index = static_cast<int32_t>(i);
      }
      return true;
    }
  }
  return false;
}

filters::IFilter* BufferedImage::getFilter(int32_t index) {
  if (m_filters == nullptr || index < 0 || static_cast<uint32_t>(index) >= m_filters->getCount()) {
    return nullptr;
  }
  return static_cast<filters::IFilter*>(m_filters->getItems()[index]);
}

void BufferedImage::addFilter(filters::IFilter* filter) {
  if (filter == nullptr) {
    return;
  }
  if (m_filters == nullptr) {
    m_filters = col::_array::ArrayP::take();
    if (m_filters == nullptr) {
      return;
    }
  }
  m_filters->push(filter);
  releaseFilteredCache();
}

void BufferedImage::insertFilter(filters::IFilter* filter, int32_t index) {
  if (filter == nullptr) {
    return;
  }
  if (m_filters == nullptr) {
    m_filters = col::_array::ArrayP::take();
    if (m_filters == nullptr) {
      return;
    }
  }
  const uint32_t at = std::min(static_cast<uint32_t>(std::max(index, 0)), m_filters->getCount());
  m_filters->insertAt(at, filter);
  releaseFilteredCache();
}

void BufferedImage::removeFilter(int32_t index) {
  filters::IFilter* filter = getFilter(index);
  if (filter == nullptr) {
    return;
  }
  m_filters->removeRange(static_cast<uint32_t>(index), 1);
  if (filter->isOwnedByList()) {
    filter->release();
  }
  releaseFilteredCache();
}

void BufferedImage::releaseOwnedFilters() {
  if (m_filters == nullptr) {
    return;
  }
  void** items = m_filters->getItems();
  for (uint32_t i = 0; i < m_filters->getCount(); ++i) {
    auto* filter = static_cast<filters::IFilter*>(items[i]);
    if (filter->isOwnedByList()) {
      filter->release();
    }
  }
  m_filters->setCount(0);
}

void BufferedImage::removeAllFilters() {
  releaseOwnedFilters();
  releaseFilteredCache();
}

void BufferedImage::detachAllFilters() {
  if (m_filters != nullptr) {
    m_filters->setCount(0);
  }
  releaseFilteredCache();
}

BufferedImage* BufferedImage::applyFilters() {
  releaseFilteredCache();
  if (!hasFilters()) {
    return nullptr;
  }
  BufferedImage* current = this;
  for (uint32_t i = 0; i < m_filters->getCount(); ++i) {
    auto* filter = static_cast<filters::IFilter*>(m_filters->getItems()[i]);
    BufferedImage* destination = take();
    BufferedImage* result = destination != nullptr ? filter->filter(current, destination) : nullptr;
    if (result != destination && destination != nullptr) {
      destination->release();
    }
    if (current != this) {
      current->release();
    }
    current = result;
    if (current == nullptr) {
      return nullptr;
    }
  }
  m_filteredCache = current;
  current->updateHasAlpha();
  return current;
}

BufferedImage* BufferedImage::getFiltered() {
  return m_filteredCache != nullptr ? m_filteredCache : applyFilters();
}

void BufferedImage::updateHasAlpha() {
  m_hasAlpha = false;
  if (isEmpty()) {
    return;
  }
  for (int32_t y = 0; y < m_height; ++y) {
    const uint8_t* p = getLine(y);
    for (int32_t x = 0; x < m_width; ++x) {
      if (p[x * 4 + 3] != 255) {
        m_hasAlpha = true;
        return;
      }
    }
  }
}

void BufferedImage::makeOpaque() {
  m_hasAlpha = false;
  if (isEmpty()) {
    return;
  }
  for (int32_t y = 0; y < m_height; ++y) {
    uint8_t* p = getLine(y);
    int32_t x = 0;
    // Eight pixels at a time.
    for (; x + 8 <= m_width; x += 8) {
      uint64_t block[4];
      std::memcpy(block, p + x * 4, 32);
      for (uint64_t& b : block) {
        b |= 0xFF000000FF000000ull;
      }
      std::memcpy(p + x * 4, block, 32);
    }
    for (; x < m_width; ++x) {
      p[x * 4 + 3] = 255;
    }
  }
}

void BufferedImage::fill(uint8_t alpha, uint8_t red, uint8_t green, uint8_t blue) {
  m_hasAlpha = alpha != 255;
  if (isEmpty()) {
    return;
  }
  const uint32_t v = packPixel(alpha, red, green, blue);
  for (int32_t y = 0; y < m_height; ++y) {
    uint8_t* p = getLine(y);
    for (int32_t x = 0; x < m_width; ++x) {
      storePixel(p + x * 4, v);
    }
  }
}

void BufferedImage::makeColorTransparent(uint8_t red, uint8_t green, uint8_t blue) {
  if (isEmpty()) {
    return;
  }
  const uint32_t key = packPixel(0, red, green, blue);
  bool matched = false;
  for (int32_t y = 0; y < m_height; ++y) {
    uint8_t* p = getLine(y);
    for (int32_t x = 0; x < m_width; ++x) {
      const uint32_t v = loadPixel(p + x * 4) & 0x00FFFFFFu;
      if (v == key) {
        p[x * 4 + 3] = 0;
        matched = true;
      } else {
        p[x * 4 + 3] = 255;
      }
    }
  }
  m_hasAlpha = m_hasAlpha || matched;
}

void BufferedImage::recolorTransparent(uint8_t red, uint8_t green, uint8_t blue) {
  if (!m_hasAlpha || isEmpty()) {
    return;
  }
  const uint32_t v = packPixel(0, red, green, blue);
  for (int32_t y = 0; y < m_height; ++y) {
    uint8_t* p = getLine(y);
    for (int32_t x = 0; x < m_width; ++x) {
      if (p[x * 4 + 3] == 0) {
        storePixel(p + x * 4, v);
      }
    }
  }
}

void BufferedImage::maskMatching(BufferedImage* other) {
  if (other == nullptr || isEmpty() || other->isEmpty()) {
    return;
  }
  const int32_t w = std::min(m_width, other->m_width);
  const int32_t h = std::min(m_height, other->m_height);
  bool matched = false;
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* p = getLine(y);
    const uint8_t* q = other->getLine(y);
    for (int32_t x = 0; x < w; ++x) {
      if (((loadPixel(p + x * 4) ^ loadPixel(q + x * 4)) & 0x00FFFFFFu) == 0) {
        p[x * 4 + 3] = 0;
        matched = true;
      }
    }
  }
  m_hasAlpha = m_hasAlpha || matched;
}

void BufferedImage::thresholdAlpha(uint8_t threshold) {
  bool cleared = false;
  if (!isEmpty()) {
    for (int32_t y = 0; y < m_height; ++y) {
      uint8_t* p = getLine(y);
      for (int32_t x = 0; x < m_width; ++x) {
        if (p[x * 4 + 3] < threshold) {
          p[x * 4 + 3] = 0;
          cleared = true;
        } else {
          p[x * 4 + 3] = 255;
        }
      }
    }
  }
  m_hasAlpha = cleared;
}

void BufferedImage::flattenOnWhite() {
  if (m_hasAlpha && !isEmpty()) {
    for (int32_t y = 0; y < m_height; ++y) {
      uint8_t* p = getLine(y);
      for (int32_t x = 0; x < m_width; ++x, p += 4) {
        const int32_t a = p[3];
        if (a == 0) {
          storePixel(p, 0xFFFFFFFFu);
        } else if (a != 255) {
          for (int c = 0; c < 3; ++c) {
            p[c] = static_cast<uint8_t>((p[c] * (a + 1) + 255 * (256 - a)) >> 8);
          }
          p[3] = 255;
        }
      }
    }
  }
  m_hasAlpha = false;
}

HICON BufferedImage::createIcon() {
  if (isEmpty()) {
    return nullptr;
  }
  Bitmap* colour = Bitmap::take();
  if (colour == nullptr) {
    return nullptr;
  }
  HICON icon = nullptr;
  if (colour->createDib(m_width, m_height, 32)) {
    for (int32_t y = 0; y < m_height; ++y) {
      uint8_t* out = colour->getLine(y);
      std::memcpy(out, getLine(y), static_cast<size_t>(m_stride));
      if (!m_hasAlpha) {
        for (int32_t x = 0; x < m_width; ++x) {
          out[x * 4 + 3] = 255;
        }
      }
    }
    // An all-zero mask: every pixel shows, as the colour bitmap's alpha says.
    HBITMAP mask = CreateBitmap(m_width, m_height, 1, 1, nullptr);
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = mask;
    info.hbmColor = colour->getHandle();
    icon = CreateIconIndirect(&info);
    if (mask != nullptr) {
      DeleteObject(mask);
    }
  }
  colour->release();
  return icon;
}

}  // namespace s::image::win

namespace s::image::win {

namespace {

// The default printer's DC, made from the application's printer defaults (the print dialog's
// defaults when there is no application object); null when there is no default printer, and
// `found` says whether there was one at all.
HDC createDefaultPrinterDc(bool* found) {
  PRINTDLGW defaults{};
  defaults.lStructSize = sizeof defaults;
  CWinApp* app = AfxGetApp();
  if (app != nullptr) {
    *found = app->GetPrinterDeviceDefaults(&defaults) != FALSE;
  } else {
    defaults.Flags = PD_RETURNDEFAULT;
    *found = PrintDlgW(&defaults) != FALSE;
  }
  HDC dc = nullptr;
  if (*found) {
    const auto* names = static_cast<const DEVNAMES*>(GlobalLock(defaults.hDevNames));
    if (names != nullptr) {
      const auto* text = reinterpret_cast<const WCHAR*>(names);
      dc = CreateDCW(text + names->wDriverOffset, text + names->wDeviceOffset,
                     text + names->wOutputOffset, nullptr);
      GlobalUnlock(defaults.hDevNames);
    }
  }
  if (defaults.hDC != nullptr) DeleteDC(defaults.hDC);
  if (defaults.hDevNames != nullptr) GlobalFree(defaults.hDevNames);
  return dc;
}

}  // namespace

void BufferedImage::print(bool rotateToFit, bool sharpen, bool fitToPage) {
  if (hasFilters()) {
    BufferedImage* filtered = getFiltered();
    if (filtered != nullptr && filtered != this) {
      filtered->print(rotateToFit, sharpen, fitToPage);
    }
    return;
  }
  if (isEmpty()) {
    return;
  }
  bool found = false;
  HDC printer = createDefaultPrinterDc(&found);
  if (!found) {
    return;
  }
  if (printer == nullptr) {
    system::win::showInformation(
        u"Unable to find a printer. Please check installed/default printers.");
    return;
  }
  HDC screen = CreateCompatibleDC(nullptr);
  const int32_t printerX = GetDeviceCaps(printer, LOGPIXELSX);
  const int32_t printerY = GetDeviceCaps(printer, LOGPIXELSY);
  const int32_t screenX = std::max(1, GetDeviceCaps(screen, LOGPIXELSX));
  const int32_t screenY = std::max(1, GetDeviceCaps(screen, LOGPIXELSY));
  // The printable area in dots, less a 7 mm margin across, then in screen pixels.
  const int32_t width = static_cast<int32_t>(GetDeviceCaps(printer, HORZSIZE) * printerX / 25.4) -
                        static_cast<int32_t>(7 * printerX / 25.4);
  const int32_t height = static_cast<int32_t>(GetDeviceCaps(printer, VERTSIZE) * printerY / 25.4);
  const double fx = static_cast<double>(printerX) / screenX;
  const double fy = static_cast<double>(printerY) / screenY;
  const auto areaWidth = static_cast<int32_t>(fx > 0 ? width / fx : 0);
  const auto areaHeight = static_cast<int32_t>(fy > 0 ? height / fy : 0);

  CPrintDialog dialog(FALSE, PD_PAGENUMS);
  dialog.m_pd.nMinPage = dialog.m_pd.nMaxPage = 1;
  dialog.m_pd.nFromPage = dialog.m_pd.nToPage = 1;
  if (dialog.DoModal() != IDOK) {
    DeleteDC(screen);
    DeleteDC(printer);
    return;
  }
  CWinApp* app = AfxGetApp();
  DOCINFOW document{static_cast<int>(sizeof(DOCINFOW)),
                    app != nullptr && app->m_pszAppName != nullptr ? app->m_pszAppName : u"",
                    dialog.GetPortName(), nullptr, 0};
  if (StartDocW(printer, &document) <= 0) {
    system::win::showInformation(u"Printing error occured. Unable to find printer.");
    DeleteDC(screen);
    DeleteDC(printer);
    return;
  }
  StartPage(printer);
  RECT paper{0, 0, width, height};
  FillRect(printer, &paper, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

  BufferedImage* result = nullptr;
  if (fitToPage || m_width > areaWidth || m_height > areaHeight) {
    BufferedImage* turned = rotateToFit && m_width > m_height ? rotateRight(nullptr) : this;
    BufferedImage* scaled =
        turned != nullptr ? turned->getScaled(areaWidth, areaHeight, true) : nullptr;
    result = scaled != nullptr ? scaled->copy(nullptr) : nullptr;
    if (turned != nullptr && turned != this) {
      turned->release();
    }
  } else {
    result = copy(nullptr);
  }
  BufferedImage* shown = result;
  if (result != nullptr && sharpen) {
    filters::sharpness::Sharpness* sharpness = filters::sharpness::Sharpness::takeLevel(80);
    if (sharpness != nullptr) {
      sharpness->setOwnedByList(true);
      result->addFilter(sharpness);
      // A chain that gives nothing leaves the unsharpened copy to print rather than no page.
      BufferedImage* filtered = result->applyFilters();
      if (filtered != nullptr) {
        shown = filtered;
      }
    }
  }
  if (shown != nullptr && !shown->isEmpty()) {
    shown->flattenOnWhite();
    HGDIOBJ old = SelectObject(screen, shown->getHBitmap());
    StretchBlt(printer, 0, 0, static_cast<int>(fx * shown->m_width),
               static_cast<int>(fy * shown->m_height), screen, 0, 0, shown->m_width,
               shown->m_height, SRCCOPY);
    SelectObject(screen, old);
  }
  EndPage(printer);
  EndDoc(printer);
  if (result != nullptr) {
    result->release();
  }
  DeleteDC(screen);
  DeleteDC(printer);
}

}  // namespace s::image::win
