// JPEG images through libjpeg.
#include "imaging/jpg/win/Jpeg.h"

#include "core/io/IInputStream.h"
#include "core/io/IOutputStream.h"
#include "core/io/Io.h"
#include "imaging/EncodedImageFiles.h"
#include "imaging/ImageLimits.h"
#include "imaging/SingleImageSets.h"
#include "imaging/bmp/win/Bitmap.h"
#include "imaging/jpg/EncodeSetting.h"
#include "imaging/jpg/win/JpegLib.h"
#include "imaging/jpg/win/JpegStreams.h"
#include "imaging/win/BufferedImage.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>

namespace s::image::jpg::win {

using bmp::win::Bitmap;
using image::win::BufferedImage;

namespace {

/// The library's error manager with the way back to `read` or `write`. The standard manager
/// would end the process for one bad picture; ours abandons the picture.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void errorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void outputMessage(j_common_ptr) {}

/// A progressive file of very many scans costs time without bound; libjpeg-turbo advises a limit
/// for untrusted input.
void progressMonitor(j_common_ptr cinfo) {
  if (cinfo->is_decompressor &&
      reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > Jpeg::kMaxScans) {
    errorExit(cinfo);
  }
}

size_t readStream(void* user, void* buffer, size_t count) {
  auto* stream = static_cast<io::IInputStream*>(user);
  // A read that succeeds with no bytes is tried again, a few times.
  for (int attempt = 0; attempt < 16; ++attempt) {
    uint32_t got = 0;
    if (!stream->read(buffer, static_cast<uint32_t>(count), &got)) {
      return 0;
    }
    if (got > 0) {
      return got;
    }
  }
  return 0;
}

int writeStream(void* user, const void* data, size_t count) {
  return io::writeFully(static_cast<io::IOutputStream*>(user), data, static_cast<uint32_t>(count))
             ? 1
             : 0;
}

void swapRedBlue(uint8_t* row, int32_t width) {
  for (int32_t x = 0; x < width; ++x, row += 3) {
    std::swap(row[0], row[2]);
  }
}

/// Decodes into `bitmap`. Nothing here has a destructor: the library's errors return by longjmp.
bool decode(io::IInputStream* stream, Bitmap* bitmap) {
  jpeg_decompress_struct cinfo;
  ErrorManager error;
  jpeg_progress_mgr progress;
  cinfo.err = jpeg_std_error(&error.pub);
  error.pub.error_exit = errorExit;
  error.pub.output_message = outputMessage;
  if (setjmp(error.jump) != 0) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  progress.progress_monitor = progressMonitor;
  cinfo.progress = &progress;
  jpegStreamSource(&cinfo, readStream, stream);
  jpeg_read_header(&cinfo, TRUE);
  if (!isDecodableSize(cinfo.image_width, cinfo.image_height)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_start_decompress(&cinfo);
  const int32_t width = static_cast<int32_t>(cinfo.output_width);
  const int32_t components = cinfo.output_components;
  if (!bitmap->createDib(width, static_cast<int32_t>(cinfo.output_height), 24)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  JSAMPARRAY row =
      cinfo.mem->alloc_sarray(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                              static_cast<JDIMENSION>(std::max(3, components) * width), 1);
  const bool grey = cinfo.out_color_space == JCS_GRAYSCALE;
  while (cinfo.output_scanline < cinfo.output_height) {
    const int32_t y = static_cast<int32_t>(cinfo.output_scanline);
    if (jpeg_read_scanlines(&cinfo, row, 1) != 1) {
      break;
    }
    uint8_t* out = bitmap->getLine(y);
    const uint8_t* in = row[0];
    if (components == 4) {
      // Adobe files store CMYK inverted: each channel times K over 255.
      for (int32_t x = 0; x < width; ++x, in += 4, out += 3) {
        out[0] = static_cast<uint8_t>(in[2] * in[3] / 255);
        out[1] = static_cast<uint8_t>(in[1] * in[3] / 255);
        out[2] = static_cast<uint8_t>(in[0] * in[3] / 255);
      }
    } else if (grey || components == 1) {
      for (int32_t x = 0; x < width; ++x, ++in, out += 3) {
        out[0] = out[1] = out[2] = in[0];
      }
    } else {
      for (int32_t x = 0; x < width; ++x, in += 3, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      }
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

/// Encodes `bitmap`, turning each row into red-green-blue for the library and back. Nothing here
/// has a destructor: the library's errors return by longjmp.
bool encode(io::IOutputStream* stream, Bitmap* bitmap, int32_t quality) {
  jpeg_compress_struct cinfo;
  ErrorManager error;
  const int32_t width = bitmap->getWidth();
  const int32_t height = bitmap->getHeight();
  // The row turned for the library when an error struck, to turn back; volatile across longjmp.
  volatile int32_t turned = -1;
  cinfo.err = jpeg_std_error(&error.pub);
  error.pub.error_exit = errorExit;
  error.pub.output_message = outputMessage;
  if (setjmp(error.jump) != 0) {
    if (turned >= 0) {
      swapRedBlue(bitmap->getLine(turned), width);
    }
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpegStreamDestination(&cinfo, writeStream, stream);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  for (int32_t y = 0; y < height; ++y) {
    JSAMPROW row = bitmap->getLine(y);
    swapRedBlue(row, width);
    turned = y;
    jpeg_write_scanlines(&cinfo, &row, 1);
    turned = -1;
    swapRedBlue(row, width);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

Jpeg::Jpeg() : m_bitmap(Bitmap::take()) { reset(); }

Jpeg::~Jpeg() { delete m_bitmap; }

void Jpeg::reset() {
  if (m_bitmap != nullptr) {
    m_bitmap->reset();
  }
  m_quality = 75;
}

int32_t Jpeg::getWidth() { return m_bitmap != nullptr ? m_bitmap->getWidth() : 0; }
int32_t Jpeg::getHeight() { return m_bitmap != nullptr ? m_bitmap->getHeight() : 0; }

BufferedImage* Jpeg::getImage(int32_t frame, BufferedImage* target) {
  return m_bitmap != nullptr ? m_bitmap->getImage(frame, target) : nullptr;
}

bool Jpeg::write(io::IOutputStream* stream) {
  if (stream == nullptr || m_bitmap == nullptr || m_bitmap->getBits() == nullptr ||
      m_bitmap->getBitCount() != 24) {
    return false;
  }
  return encode(stream, m_bitmap, m_quality);
}

bool Jpeg::read(io::IInputStream* stream) {
  if (m_bitmap == nullptr) {
    return false;
  }
  m_bitmap->reset();
  if (stream == nullptr) {
    return false;
  }
  return decode(stream, m_bitmap);
}

bool Jpeg::saveToFile(const WCHAR* path) { return saveEncodedImage(this, path); }
bool Jpeg::saveToFile(file::win::PathWin* path) { return saveEncodedImage(this, path); }
bool Jpeg::loadFromFile(const WCHAR* path) { return loadEncodedImage(this, path); }
bool Jpeg::loadFromFile(file::win::PathWin* path) { return loadEncodedImage(this, path); }

IBufferedImageSet* Jpeg::getImageSet() { return singleImageSet(this, 24); }

// An unbound setting: quality 75 over white.
IEncodedImage* Jpeg::createLike(BufferedImage* image) {
  return withDefaultSetting<EncodeSetting>(
      [image](EncodeSetting* setting) { return setting->createEncoded(image); });
}

IEncodedImage* Jpeg::createLikeFromSet(IBufferedImageSet* set) {
  return withDefaultSetting<EncodeSetting>(
      [set](EncodeSetting* setting) { return setting->createFromSet(set); });
}

bool Jpeg::findExactFrame(int32_t, int32_t, int32_t, int32_t* index) {
  *index = 0;
  return true;
}

bool Jpeg::findBestFrame(int32_t, int32_t, int32_t, int32_t* index) {
  *index = 0;
  return true;
}

bool Jpeg::findNearestAreaFrame(int32_t, int32_t, int32_t, int32_t* index) {
  *index = 0;
  return true;
}

bool Jpeg::createDib(int32_t width, int32_t height) {
  return m_bitmap != nullptr && m_bitmap->createDib(width, height, 24);
}

bool Jpeg::createFromHBitmap(HBITMAP bitmap) {
  return m_bitmap != nullptr && m_bitmap->createFromHBitmap(bitmap);
}

bool Jpeg::copyTo(Bitmap* target) { return m_bitmap != nullptr && m_bitmap->copyTo(target); }
int32_t Jpeg::getBitCount() { return m_bitmap != nullptr ? m_bitmap->getBitCount() : 0; }
int32_t Jpeg::getStride() { return m_bitmap != nullptr ? m_bitmap->getStride() : 0; }
bool Jpeg::isTrueColorAlpha() { return m_bitmap != nullptr && m_bitmap->isTrueColorAlpha(); }
bool Jpeg::hasColorTable() { return m_bitmap != nullptr && m_bitmap->hasColorTable(); }
int32_t Jpeg::getColorCount() { return m_bitmap != nullptr ? m_bitmap->getColorCount() : 0; }
int32_t Jpeg::getColorTableSize() {
  return m_bitmap != nullptr ? m_bitmap->getColorTableSize() : 0;
}
uint8_t* Jpeg::getLine(int32_t y) { return m_bitmap != nullptr ? m_bitmap->getLine(y) : nullptr; }
uint8_t* Jpeg::getBits() { return m_bitmap != nullptr ? m_bitmap->getBits() : nullptr; }

void Jpeg::setQuality(int32_t quality) { m_quality = std::clamp(quality, 0, 100); }

bool Jpeg::createFrom(BufferedImage* image, int32_t quality, uint8_t red, uint8_t green,
                      uint8_t blue) {
  setQuality(quality);
  // A 24-bit copy, flattened over the opaque background when the image has alpha.
  return m_bitmap != nullptr && m_bitmap->createFrom(image, 24, false, red, green, blue);
}

}  // namespace s::image::jpg::win
