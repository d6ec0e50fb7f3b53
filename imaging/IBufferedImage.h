// The interface of the 32-bit image buffer.
#pragma once

#include "imaging/IImage.h"

#include <windows.h>

#include <cstdint>

class CDC;

namespace s::col::_array {
class ArrayP;
}
namespace s::io {
class IOutputStream;
}

namespace s::image {

namespace filters {
class IFilter;
}
namespace win {
class BufferedImage;
}

/// A buffer of 32-bit pixels (bytes blue, green, red, alpha; straight alpha) whose visible image
/// is the top-left corner of a possibly larger capacity. Rows are counted from the top and are
/// reached through `getLine`: the visible rows neither start at `getBits` nor lie `getStride`
/// apart when the capacity is larger than the image. See s::image::win::BufferedImage.
class IBufferedImage : public IImageBuffer {
 public:
  virtual bool isBuffered() = 0;
  virtual HBITMAP getHBitmap() = 0;
  virtual void setSize(int32_t width, int32_t height) = 0;
  virtual void reserve(int32_t width, int32_t height) = 0;
  virtual int32_t allocate(int32_t width, int32_t height) = 0;
  virtual win::BufferedImage* newImage(int32_t width, int32_t height) = 0;
  virtual int32_t getStride() = 0;
  virtual int32_t getCapacityWidth() = 0;
  virtual int32_t getCapacityHeight() = 0;
  virtual int32_t getCapacityStride() = 0;
  virtual uint8_t* getLine(int32_t y) = 0;
  virtual const uint8_t* getLine(int32_t y) const = 0;
  virtual uint8_t* getBits() = 0;
  virtual const uint8_t* getBits() const = 0;
  virtual bool hasAlpha() const = 0;
  virtual void setHasAlpha(bool hasAlpha) = 0;
  virtual win::BufferedImage* getScaledCache() = 0;
  virtual void setScaledCache(win::BufferedImage* image) = 0;
  virtual void drawTo(CDC* dc, int32_t x, int32_t y, int32_t cx, int32_t cy, bool scaled) = 0;
  virtual void drawToOrigin(CDC* dc, int32_t cx, int32_t cy, bool scaled) = 0;
  virtual void drawImage(int32_t x, int32_t y, int32_t w, int32_t h, win::BufferedImage* source,
                         int32_t sourceX, int32_t sourceY, bool scaled) = 0;
  virtual win::BufferedImage* getScaled(int32_t width, int32_t height, bool keepAspect) = 0;
  virtual bool saveAsBmp(io::IOutputStream* stream, int32_t bitsPerPixel, bool keepTransparency,
                         uint8_t red, uint8_t green, uint8_t blue) = 0;
  virtual bool saveAsBmpFile(const WCHAR* path, int32_t bitsPerPixel, bool keepTransparency,
                             uint8_t red, uint8_t green, uint8_t blue) = 0;
  virtual bool saveAsGif(io::IOutputStream* stream, int32_t bitsPerPixel, bool keepTransparency,
                         uint8_t red, uint8_t green, uint8_t blue) = 0;
  virtual bool saveAsGifFile(const WCHAR* path, int32_t bitsPerPixel, bool keepTransparency,
                             uint8_t red, uint8_t green, uint8_t blue) = 0;
  virtual bool saveAsJpeg(io::IOutputStream* stream, int32_t quality, uint8_t red, uint8_t green,
                          uint8_t blue) = 0;
  virtual bool saveAsJpegFile(const WCHAR* path, int32_t quality, uint8_t red, uint8_t green,
                              uint8_t blue) = 0;
  virtual bool saveAsPng(io::IOutputStream* stream, bool interlace, bool keepTransparency,
                         uint8_t red, uint8_t green, uint8_t blue) = 0;
  virtual bool saveAsPngFile(const WCHAR* path, bool interlace, bool keepTransparency, uint8_t red,
                             uint8_t green, uint8_t blue) = 0;
  virtual win::BufferedImage* copy(win::BufferedImage* target) = 0;
  virtual win::BufferedImage* rotateRight(win::BufferedImage* target) = 0;
  virtual win::BufferedImage* rotate180(win::BufferedImage* target) = 0;
  virtual win::BufferedImage* rotateLeft(win::BufferedImage* target) = 0;
  virtual win::BufferedImage* flipHorizontal(win::BufferedImage* target) = 0;
  virtual win::BufferedImage* flipVertical(win::BufferedImage* target) = 0;
  virtual bool hasFilters() = 0;
  virtual bool findFilter(const WCHAR* key, int32_t* index) = 0;
  virtual col::_array::ArrayP* getFilters() = 0;
  virtual filters::IFilter* getFilter(int32_t index) = 0;
  virtual void addFilter(filters::IFilter* filter) = 0;
  virtual void insertFilter(filters::IFilter* filter, int32_t index) = 0;
  virtual void removeFilter(int32_t index) = 0;
  virtual void removeAllFilters() = 0;
  virtual void detachAllFilters() = 0;
  virtual win::BufferedImage* applyFilters() = 0;
  virtual win::BufferedImage* getFiltered() = 0;
  virtual void print(bool rotateToFit, bool sharpen, bool fitToPage) = 0;
};

}  // namespace s::image
