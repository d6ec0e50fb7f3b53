// The 32-bit image buffer that every own-drawn control paints into.
#pragma once

#include "core/thread/ClassTail.h"
#include "imaging/IBufferedImage.h"

#include <windows.h>

#include <cstdint>

namespace s::image::bmp::win {
class Bitmap;
}

namespace s::image::win {

/// A buffer of 32-bit pixels (bytes blue, green, red, alpha; straight alpha, 255 opaque) over a
/// bottom-up 32-bit DIB section. The visible image is the top-left width x height corner of the
/// capacity, which grows by factors of 1.2 (`ensureCapacity`) and never shrinks on its own. Row
/// y (counted from the top) lies at bits + (capacityHeight - y - 1) x capacityStride: always
/// address rows through `getLine`.
///
/// A store whose bytes would not fit 32 bits is never allocated: the buffer then stays empty, as
/// after a failed DIB creation, and every operation treats an empty buffer as 0 x 0 (it draws,
/// copies and scales to nothing).
///
/// Owns its backing bitmap, its scaled cache and its filtered cache; the filter list releases
/// only the filters that say they are owned by it. Pooled (capacity 1000): users take it
/// (`take`, `takeSized`) and give it back with `release`. One thread at a time.
class BufferedImage final : public IBufferedImage {
  S_POOLED_CLASS(BufferedImage, u"s_image_win_BufferedImage")

  BufferedImage();
  ~BufferedImage() override;
  BufferedImage(const BufferedImage&) = delete;
  BufferedImage& operator=(const BufferedImage&) = delete;
  void reset() override;

  int32_t getWidth() override { return m_width; }
  int32_t getHeight() override { return m_height; }
  bool isBuffered() override { return true; }
  HBITMAP getHBitmap() override;
  /// The visible size; the caller keeps it inside the capacity.
  void setSize(int32_t width, int32_t height) override;
  /// Makes the capacity at least width x height on each side, keeping the visible pixels.
  void reserve(int32_t width, int32_t height) override;
  /// A new store of exactly width x height, visible whole; answers the stride (0 when empty).
  int32_t allocate(int32_t width, int32_t height) override;
  BufferedImage* newImage(int32_t width, int32_t height) override;
  int32_t getStride() override { return m_stride; }
  int32_t getCapacityWidth() override { return m_capacityWidth; }
  int32_t getCapacityHeight() override { return m_capacityHeight; }
  int32_t getCapacityStride() override { return m_capacityStride; }
  uint8_t* getLine(int32_t y) override {
    return m_bits + static_cast<intptr_t>(m_capacityHeight - y - 1) * m_capacityStride;
  }
  const uint8_t* getLine(int32_t y) const override {
    return m_bits + static_cast<intptr_t>(m_capacityHeight - y - 1) * m_capacityStride;
  }
  uint8_t* getBits() override { return m_bits; }
  const uint8_t* getBits() const override { return m_bits; }
  bool hasAlpha() const override { return m_hasAlpha; }
  void setHasAlpha(bool hasAlpha) override { m_hasAlpha = hasAlpha; }
  BufferedImage* getScaledCache() override { return m_scaledCache; }
  /// Takes `image` as the cache; the previous one goes back to its pool.
  void setScaledCache(BufferedImage* image) override;
  void drawTo(CDC* dc, int32_t x, int32_t y, int32_t cx, int32_t cy, bool scaled) override;
  void drawToOrigin(CDC* dc, int32_t cx, int32_t cy, bool scaled) override {
    drawTo(dc, 0, 0, cx, cy, scaled);
  }
  /// Composes `source` (its rectangle from sourceX, sourceY) into this image at x, y. Without
  /// scaling the copied size is what fits both images, whatever w and h say.
  void drawImage(int32_t x, int32_t y, int32_t w, int32_t h, BufferedImage* source, int32_t sourceX,
                 int32_t sourceY, bool scaled) override;
  /// This image at width x height (kept inside that box with `keepAspect`): the image itself for
  /// its own size, else the scaled cache, owned by this image. An empty image, or a zero side,
  /// gives an empty cache.
  BufferedImage* getScaled(int32_t width, int32_t height, bool keepAspect) override;
  bool saveAsBmp(io::IOutputStream* stream, int32_t bitsPerPixel, bool keepTransparency,
                 uint8_t red, uint8_t green, uint8_t blue) override;
  /// The path forms overwrite an existing file.
  bool saveAsBmpFile(const WCHAR* path, int32_t bitsPerPixel, bool keepTransparency, uint8_t red,
                     uint8_t green, uint8_t blue) override;
  /// One GIF frame of a palette of at most (1 << bitsPerPixel) - 1 colours; with
  /// `keepTransparency`, alpha below 96 becomes the transparent index.
  bool saveAsGif(io::IOutputStream* stream, int32_t bitsPerPixel, bool keepTransparency,
                 uint8_t red, uint8_t green, uint8_t blue) override;
  bool saveAsGifFile(const WCHAR* path, int32_t bitsPerPixel, bool keepTransparency, uint8_t red,
                     uint8_t green, uint8_t blue) override;
  bool saveAsJpeg(io::IOutputStream* stream, int32_t quality, uint8_t red, uint8_t green,
                  uint8_t blue) override;
  bool saveAsJpegFile(const WCHAR* path, int32_t quality, uint8_t red, uint8_t green,
                      uint8_t blue) override;
  bool saveAsPng(io::IOutputStream* stream, bool interlace, bool keepTransparency, uint8_t red,
                 uint8_t green, uint8_t blue) override;
  bool saveAsPngFile(const WCHAR* path, bool interlace, bool keepTransparency, uint8_t red,
                     uint8_t green, uint8_t blue) override;
  /// Transforms into `target`, or into a new pooled image (the caller releases it) when null;
  /// answer the target, with this image's has-alpha flag.
  BufferedImage* copy(BufferedImage* target) override;
  BufferedImage* rotateRight(BufferedImage* target) override;
  BufferedImage* rotate180(BufferedImage* target) override;
  BufferedImage* rotateLeft(BufferedImage* target) override;
  BufferedImage* flipHorizontal(BufferedImage* target) override;
  BufferedImage* flipVertical(BufferedImage* target) override;
  bool hasFilters() override;
  /// The first filter whose key is the very text `key` (compared by address).
  bool findFilter(const WCHAR* key, int32_t* index) override;
  col::_array::ArrayP* getFilters() override { return m_filters; }
  filters::IFilter* getFilter(int32_t index) override;
  void addFilter(filters::IFilter* filter) override;
  void insertFilter(filters::IFilter* filter, int32_t index) override;
  void removeFilter(int32_t index) override;
  void removeAllFilters() override;
  void detachAllFilters() override;
  /// Runs the chain into a new filtered cache (owned by this image) and answers it; null when a
  /// filter answered null.
  BufferedImage* applyFilters() override;
  BufferedImage* getFiltered() override;
  /// Prints the image (its filtered image when it has filters) on one page of the default
  /// printer, after a print dialog: scaled into the page when it does not fit or `fitToPage`
  /// asks, turned first when `rotateToFit` and wider than high, sharpened at level 80 when
  /// `sharpen`, flattened on white. Without a default printer nothing happens; a printer that
  /// cannot be reached is reported in an information box. Runs on the caller's thread.
  void print(bool rotateToFit, bool sharpen, bool fitToPage) override;

  /// A pooled image allocated to width x height.
  static BufferedImage* takeSized(int32_t width, int32_t height);
  /// Exchanges the pixel stores with `other`: bitmap, capacity, visible size and has-alpha flag.
  /// Caches and filters stay with each image.
  void swapStore(BufferedImage* other);
  /// Grows the capacity by factors of 1.2 per side until it holds width x height.
  void ensureCapacity(int32_t width, int32_t height);
  void updateHasAlpha();
  void makeOpaque();
  void fill(uint8_t alpha, uint8_t red, uint8_t green, uint8_t blue);
  void makeColorTransparent(uint8_t red, uint8_t green, uint8_t blue);
  void recolorTransparent(uint8_t red, uint8_t green, uint8_t blue);
  void maskMatching(BufferedImage* other);
  void thresholdAlpha(uint8_t threshold);
  void flattenOnWhite();
  /// A new icon of the visible image (alpha kept; an image without alpha opaque), which the
  /// caller destroys with DestroyIcon; null for an empty image or when the icon cannot be made.
  HICON createIcon();
  /// The backing bitmap (null when nothing is allocated).
  bmp::win::Bitmap* getBitmap() { return m_bitmap; }
  /// Whether anything is allocated (a null store is an empty image).
  bool isEmpty() const { return m_bits == nullptr || m_width <= 0 || m_height <= 0; }

 private:
  void releaseBitmap();
  void releaseFilteredCache();
  /// Prepares a transform's target of this size (sides exchanged when `turned`), reusing its
  /// capacity; null when the target is this image.
  BufferedImage* prepareTarget(BufferedImage* target, bool turned);
  void releaseOwnedFilters();

  bmp::win::Bitmap* m_bitmap = nullptr;
  uint8_t* m_bits = nullptr;
  int32_t m_width = 0;
  int32_t m_height = 0;
  int32_t m_pixelCount = 0;
  int32_t m_byteSize = 0;
  int32_t m_stride = 0;
  int32_t m_capacityWidth = 0;
  int32_t m_capacityHeight = 0;
  int32_t m_capacityPixelCount = 0;
  int32_t m_capacityByteSize = 0;
  int32_t m_capacityStride = 0;
  BufferedImage* m_scaledCache = nullptr;
  bool m_hasAlpha = false;
  col::_array::ArrayP* m_filters = nullptr;
  BufferedImage* m_filteredCache = nullptr;
};

}  // namespace s::image::win
