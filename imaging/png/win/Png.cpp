// PNG images through libpng.
#include "imaging/png/win/Png.h"

#include "core/io/IInputStream.h"
#include "core/io/IOutputStream.h"
#include "core/io/Io.h"
#include "imaging/ImageLimits.h"
#include "imaging/SingleImageSets.h"
#include "imaging/bmp/win/Bitmap.h"
#include "imaging/png/EncodeSetting.h"
#include "imaging/win/BufferedImage.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace s::image::png::win {

using bmp::win::Bitmap;
using image::win::BufferedImage;

namespace {

/// The way back to `read` or `write` when libpng meets an error. The library's own handler would
/// print; ours only returns.
struct ErrorReturn {
  std::jmp_buf jump;
};

[[noreturn]] void errorExit(png_structp png, png_const_charp) {
  std::longjmp(static_cast<ErrorReturn*>(png_get_error_ptr(png))->jump, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

void readData(png_structp png, png_bytep data, png_size_t length) {
  auto* stream = static_cast<io::IInputStream*>(png_get_io_ptr(png));
  // libpng asks for a chunk's length at most, which the format keeps below 2^31.
  if (length > UINT32_MAX || !io::readFully(stream, data, static_cast<uint32_t>(length))) {
    png_error(png, "short read");
  }
}

void writeData(png_structp png, png_bytep data, png_size_t length) {
  auto* stream = static_cast<io::IOutputStream*>(png_get_io_ptr(png));
  if (length > UINT32_MAX || !io::writeFully(stream, data, static_cast<uint32_t>(length))) {
    png_error(png, "short write");
  }
}

void flushData(png_structp png) {
  if (!static_cast<io::IOutputStream*>(png_get_io_ptr(png))->flush()) {
    png_error(png, "flush failed");
  }
}

/// Red and blue of each 32-bit pixel trade places.
void swapRedBlue(uint8_t* row, png_uint_32 width) {
  for (png_uint_32 x = 0; x < width; ++x) {
    uint32_t v;
    std::memcpy(&v, row + static_cast<size_t>(x) * 4, 4);
    v = (v & 0xFF00FF00u) | ((v >> 16) & 0xFFu) | ((v & 0xFFu) << 16);
    std::memcpy(row + static_cast<size_t>(x) * 4, &v, 4);
  }
}

/// Decodes into `bitmap`. Nothing here has a destructor: the library's errors return by longjmp.
bool decode(io::IInputStream* stream, Bitmap* bitmap) {
  ErrorReturn error;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, errorExit, ignoreWarning);
  if (png == nullptr) {
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(error.jump) != 0) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, stream, readData);
  png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
  png_set_chunk_cache_max(png, Png::kMaxCachedChunks);
  png_read_info(png, info);
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int depth = 0;
  int colorType = 0;
  int interlace = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
  if (!isDecodableSize(width, height)) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_strip_16(png);
  png_set_packing(png);
  png_set_packswap(png);
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    png_set_palette_to_rgb(png);
  }
  if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) {
    png_set_expand_gray_1_2_4_to_8(png);
  }
  if (png_get_valid(png, info, PNG_INFO_tRNS) != 0) {
    png_set_tRNS_to_alpha(png);
  }
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_RGB ||
      colorType == PNG_COLOR_TYPE_PALETTE) {
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  }
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_gray_to_rgb(png);
  }
  // The bitmap keeps blue, green, red, alpha. libpng turns the samples round in interlaced
  // images, whose passes each fill some pixels of rows already turned; rows read whole are turned
  // here, faster than the library does.
  const bool interlaced = interlace != PNG_INTERLACE_NONE;
  if (interlaced) {
    png_set_bgr(png);
  }
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<png_size_t>(width) * 4 ||
      !bitmap->createDib(static_cast<int32_t>(width), static_cast<int32_t>(height), 32) ||
      bitmap->getBits() == nullptr) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  // Each pass fills its pixels into the rows the earlier passes left.
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y) {
      uint8_t* line = bitmap->getLine(static_cast<int32_t>(y));
      png_read_row(png, line, nullptr);
      if (!interlaced) {
        swapRedBlue(line, width);
      }
    }
  }
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

/// Encodes `bitmap` as 8-bit RGBA. Nothing here has a destructor: the library's errors return by
/// longjmp.
bool encode(io::IOutputStream* stream, Bitmap* bitmap, bool interlace) {
  ErrorReturn error;
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, errorExit, ignoreWarning);
  if (png == nullptr) {
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(error.jump) != 0) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  const int32_t height = bitmap->getHeight();
  png_set_write_fn(png, stream, writeData, flushData);
  png_set_IHDR(png, info, static_cast<png_uint_32>(bitmap->getWidth()),
               static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  // libpng reads the bitmap's blue-green-red-alpha as red-green-blue-alpha on its own copy of
  // each row, so the bitmap is never changed, not even when an error strikes half-way.
  png_set_bgr(png);
  const int passes = png_set_interlace_handling(png);
  for (int pass = 0; pass < passes; ++pass) {
    for (int32_t y = 0; y < height; ++y) {
      png_write_row(png, bitmap->getLine(y));
    }
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

Png::Png() : m_bitmap(Bitmap::take()) { reset(); }

Png::~Png() { delete m_bitmap; }

void Png::reset() {
  if (m_bitmap != nullptr) {
    m_bitmap->reset();
  }
  m_interlace = 0;
}

int32_t Png::getWidth() { return m_bitmap != nullptr ? m_bitmap->getWidth() : 0; }
int32_t Png::getHeight() { return m_bitmap != nullptr ? m_bitmap->getHeight() : 0; }

BufferedImage* Png::getImage(int32_t frame, BufferedImage* target) {
  return m_bitmap != nullptr ? m_bitmap->getImage(frame, target) : nullptr;
}

bool Png::write(io::IOutputStream* stream) {
  if (stream == nullptr || m_bitmap == nullptr || m_bitmap->getBits() == nullptr ||
      !m_bitmap->isTrueColorAlpha()) {
    return false;
  }
  return encode(stream, m_bitmap, m_interlace != 0);
}

bool Png::read(io::IInputStream* stream) {
  if (m_bitmap == nullptr) {
    return false;
  }
  m_bitmap->reset();
  if (stream == nullptr) {
    return false;
  }
  return decode(stream, m_bitmap);
}

IBufferedImageSet* Png::getImageSet() { return singleImageSet(this, 32); }

// An unbound setting: interlaced, keeping transparency, white under transparent pixels.
IEncodedImage* Png::createLike(BufferedImage* image) {
  return withDefaultSetting<EncodeSetting>(
      [image](EncodeSetting* setting) { return setting->createEncoded(image); });
}

IEncodedImage* Png::createLikeFromSet(IBufferedImageSet* set) {
  return withDefaultSetting<EncodeSetting>(
      [set](EncodeSetting* setting) { return setting->createFromSet(set); });
}

bool Png::createFrom(BufferedImage* image, bool interlace, bool keep, uint8_t red, uint8_t green,
                     uint8_t blue) {
  m_interlace = interlace ? 1 : 0;
  if (image == nullptr || m_bitmap == nullptr) {
    return false;
  }
  if (image->hasAlpha() && !keep) {
    // Composed over the opaque background: alpha 255 everywhere.
    return m_bitmap->createFrom(image, 32, false, red, green, blue);
  }
  const int32_t width = image->isEmpty() ? 0 : image->getWidth();
  const int32_t height = image->isEmpty() ? 0 : image->getHeight();
  if (!m_bitmap->createDib(width, height, 32) || m_bitmap->getBits() == nullptr) {
    return false;
  }
  const bool opaque = !image->hasAlpha();
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* out = m_bitmap->getLine(y);
    std::memcpy(out, image->getLine(y), static_cast<size_t>(width) * 4);
    if (opaque) {
      // An image without alpha is opaque whatever its fourth bytes hold; the file says so.
      for (int32_t x = 0; x < width; ++x) {
        out[x * 4 + 3] = 255;
      }
    }
  }
  return true;
}

}  // namespace s::image::png::win
