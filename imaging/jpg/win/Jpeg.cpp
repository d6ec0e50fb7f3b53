// JPEG images through libjpeg.
#include "imaging/jpg/win/Jpeg.h"

#include "core/io/IInputStream.h"
#include "core/io/IOutputStream.h"
#include "core/io/Io.h"
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
#include <cstring>
#include <vector>

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

/// A stream read for the library, with a copy of every byte it gives, so the picture can be
/// decoded again without the stream.
struct KeptRead {
  io::IInputStream* stream;
  std::vector<uint8_t>* copy;
};

size_t readStream(void* user, void* buffer, size_t count) {
  auto* read = static_cast<KeptRead*>(user);
  // A read that succeeds with no bytes is tried again, a few times.
  for (int attempt = 0; attempt < 16; ++attempt) {
    uint32_t got = 0;
    if (!read->stream->read(buffer, static_cast<uint32_t>(count), &got)) {
      return 0;
    }
    if (got > 0) {
      const auto* bytes = static_cast<const uint8_t*>(buffer);
      read->copy->insert(read->copy->end(), bytes, bytes + got);
      return got;
    }
  }
  return 0;
}

/// Bytes kept from an earlier read, given again.
struct KeptBytes {
  const std::vector<uint8_t>* bytes;
  size_t at;
};

size_t readKept(void* user, void* buffer, size_t count) {
  auto* kept = static_cast<KeptBytes*>(user);
  const size_t n = std::min(count, kept->bytes->size() - kept->at);
  std::memcpy(buffer, kept->bytes->data() + kept->at, n);
  kept->at += n;
  return n;
}

int writeStream(void* user, const void* data, size_t count) {
  return io::writeFully(static_cast<io::IOutputStream*>(user), data, static_cast<uint32_t>(count))
             ? 1
             : 0;
}

/// Rows handed to the library per call.
constexpr int32_t kRowsPerCall = 16;

/// Sizes `image` to width x height, reusing its store where it is large enough; false when no
/// store could be made.
bool sizeImage(BufferedImage* image, int32_t width, int32_t height) {
  if (image->getBits() != nullptr && image->getCapacityWidth() >= width &&
      image->getCapacityHeight() >= height) {
    image->setSize(width, height);
    return true;
  }
  return image->allocate(width, height) != 0;
}

/// Decodes what `read` gives into `image`, 32-bit rows with alpha 255. Grey and colour pictures
/// go straight into its rows, the library writing blue, green, red and alpha; the inverted CMYK
/// of Adobe files and any other colour space pass through one row of the library's own first.
/// Nothing here has a destructor: the library's errors return by longjmp.
bool decode(JpegReadCallback read, void* user, BufferedImage* image) {
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
  jpegStreamSource(&cinfo, read, user);
  jpeg_read_header(&cinfo, TRUE);
  if (!isDecodableSize(cinfo.image_width, cinfo.image_height)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  const bool straight = cinfo.out_color_space == JCS_RGB || cinfo.out_color_space == JCS_GRAYSCALE;
  if (straight) {
    cinfo.out_color_space = JCS_EXT_BGRA;
  }
  jpeg_start_decompress(&cinfo);
  const int32_t width = static_cast<int32_t>(cinfo.output_width);
  const int32_t height = static_cast<int32_t>(cinfo.output_height);
  const int32_t components = cinfo.output_components;
  if (!sizeImage(image, width, height)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  JSAMPARRAY row = straight ? nullptr
                            : cinfo.mem->alloc_sarray(
                                  reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                  static_cast<JDIMENSION>(std::max(3, components) * width), 1);
  const bool grey = cinfo.out_color_space == JCS_GRAYSCALE;
  int32_t y = 0;
  while (y < height) {
    if (straight) {
      JSAMPROW rows[kRowsPerCall];
      const int32_t count = std::min(kRowsPerCall, height - y);
      for (int32_t i = 0; i < count; ++i) {
        rows[i] = image->getLine(y + i);
      }
      const int32_t got =
          static_cast<int32_t>(jpeg_read_scanlines(&cinfo, rows, static_cast<JDIMENSION>(count)));
      if (got == 0) {
        break;
      }
      y += got;
      continue;
    }
    if (jpeg_read_scanlines(&cinfo, row, 1) != 1) {
      break;
    }
    uint8_t* out = image->getLine(y);
    const uint8_t* in = row[0];
    if (components == 4) {
      // Adobe files store CMYK inverted: each channel times K over 255.
      for (int32_t x = 0; x < width; ++x, in += 4, out += 4) {
        out[0] = static_cast<uint8_t>(in[2] * in[3] / 255);
        out[1] = static_cast<uint8_t>(in[1] * in[3] / 255);
        out[2] = static_cast<uint8_t>(in[0] * in[3] / 255);
        out[3] = 255;
      }
    } else if (grey || components == 1) {
      for (int32_t x = 0; x < width; ++x, ++in, out += 4) {
        out[0] = out[1] = out[2] = in[0];
        out[3] = 255;
      }
    } else {
      for (int32_t x = 0; x < width; ++x, in += 3, out += 4) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
        out[3] = 255;
      }
    }
    ++y;
  }
  // Rows the library never gave (it gives every row, even of a stream cut short) are black, as
  // in a fresh bitmap.
  for (; y < height; ++y) {
    uint8_t* out = image->getLine(y);
    for (int32_t x = 0; x < width; ++x, out += 4) {
      out[0] = out[1] = out[2] = 0;
      out[3] = 255;
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  image->setHasAlpha(false);
  return true;
}

/// Where the rows of a picture to encode lie: row y at `first` - y x `step` bytes (both the
/// bottom-up bitmaps and buffers hold their top row last), `pixelBytes` per pixel in blue, green,
/// red (and a fourth byte, which the library passes over) order.
struct EncodeRows {
  uint8_t* first;
  intptr_t step;
  int32_t width;
  int32_t height;
  int32_t pixelBytes;
};

EncodeRows rowsOf(Bitmap* bitmap) {
  return EncodeRows{bitmap->getLine(0), static_cast<intptr_t>(bitmap->getStride()),
                    bitmap->getWidth(), bitmap->getHeight(), 3};
}

EncodeRows rowsOf(BufferedImage* image) {
  return EncodeRows{image->getLine(0), static_cast<intptr_t>(image->getCapacityStride()),
                    image->getWidth(), image->getHeight(), 4};
}

/// Encodes the rows straight from where they lie: the library reads blue-green-red pixels (with
/// a fourth byte or not) as it reads red-green-blue ones, so the bytes are those of the same
/// pixels given as red, green and blue. Nothing here has a destructor: the library's errors
/// return by longjmp.
bool encode(io::IOutputStream* stream, const EncodeRows& picture, int32_t quality) {
  jpeg_compress_struct cinfo;
  ErrorManager error;
  cinfo.err = jpeg_std_error(&error.pub);
  error.pub.error_exit = errorExit;
  error.pub.output_message = outputMessage;
  if (setjmp(error.jump) != 0) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpegStreamDestination(&cinfo, writeStream, stream);
  cinfo.image_width = static_cast<JDIMENSION>(picture.width);
  cinfo.image_height = static_cast<JDIMENSION>(picture.height);
  cinfo.input_components = picture.pixelBytes;
  cinfo.in_color_space = picture.pixelBytes == 4 ? JCS_EXT_BGRX : JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  for (int32_t y = 0; y < picture.height;) {
    JSAMPROW rows[kRowsPerCall];
    const int32_t count = std::min(kRowsPerCall, picture.height - y);
    for (int32_t i = 0; i < count; ++i) {
      rows[i] = picture.first - (y + i) * picture.step;
    }
    y += static_cast<int32_t>(jpeg_write_scanlines(&cinfo, rows, static_cast<JDIMENSION>(count)));
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

/// `image` flattened over the opaque background into `into` (sized to it), as every encoder
/// flattens: the background filled in, the image composed over it.
bool flatten(BufferedImage* image, BufferedImage* into, uint8_t red, uint8_t green, uint8_t blue) {
  const int32_t width = image->getWidth();
  const int32_t height = image->getHeight();
  if (!sizeImage(into, width, height)) {
    return false;
  }
  into->fill(255, red, green, blue);
  into->drawImage(0, 0, width, height, image, 0, 0, false);
  into->setHasAlpha(false);
  return true;
}

}  // namespace

Jpeg::Jpeg() : m_bitmap(Bitmap::take()) { reset(); }

Jpeg::~Jpeg() {
  if (m_image != nullptr) {
    m_image->release();
  }
  delete m_bitmap;
}

void Jpeg::reset() {
  leaveRows();
  if (m_bitmap != nullptr) {
    m_bitmap->reset();
  }
  m_quality = 75;
}

void Jpeg::leaveRows() {
  if (m_image != nullptr) {
    m_image->release();
    m_image = nullptr;
  }
  std::vector<uint8_t>().swap(m_source);
  m_inRows = false;
  m_lent = false;
  m_rowsWidth = m_rowsHeight = 0;
}

bool Jpeg::restoreRows() {
  if (!m_lent) {
    return true;
  }
  if (m_image == nullptr) {
    m_image = BufferedImage::take();
  }
  KeptBytes kept{&m_source, 0};
  // The bytes decoded before decode the same way again; only memory can fail here.
  if (m_image == nullptr || !decode(readKept, &kept, m_image)) {
    leaveRows();
    return false;
  }
  m_lent = false;
  return true;
}

Bitmap* Jpeg::bitmap() {
  if (!m_inRows || m_bitmap == nullptr) {
    return m_bitmap;
  }
  // The bitmap takes over: its rows may be written through from now on.
  if (restoreRows() && m_bitmap->createDib(m_rowsWidth, m_rowsHeight, 24) &&
      m_bitmap->getBits() != nullptr) {
    for (int32_t y = 0; y < m_rowsHeight; ++y) {
      const uint8_t* in = m_image->getLine(y);
      uint8_t* out = m_bitmap->getLine(y);
      for (int32_t x = 0; x < m_rowsWidth; ++x, in += 4, out += 3) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
      }
    }
  }
  leaveRows();
  return m_bitmap;
}

int32_t Jpeg::getWidth() {
  if (m_inRows) {
    return m_rowsWidth;
  }
  return m_bitmap != nullptr ? m_bitmap->getWidth() : 0;
}

int32_t Jpeg::getHeight() {
  if (m_inRows) {
    return m_rowsHeight;
  }
  return m_bitmap != nullptr ? m_bitmap->getHeight() : 0;
}

BufferedImage* Jpeg::getImage(int32_t frame, BufferedImage* target) {
  if (!m_inRows) {
    return m_bitmap != nullptr ? m_bitmap->getImage(frame, target) : nullptr;
  }
  if (!restoreRows()) {
    if (target == nullptr) {
      target = BufferedImage::take();
    }
    if (target != nullptr) {
      target->setSize(0, 0);
      target->setHasAlpha(false);
    }
    return target;
  }
  if (!m_source.empty()) {
    // The decoded rows themselves go to the caller; the picture is decoded again from the
    // bytes kept should it be asked for once more.
    BufferedImage* given = m_image;
    if (target != nullptr) {
      target->swapStore(m_image);
      given = target;
    } else {
      m_image = nullptr;
    }
    m_lent = true;
    given->setHasAlpha(false);
    return given;
  }
  if (target != nullptr) {
    target->ensureCapacity(m_rowsWidth, m_rowsHeight);
    target->setSize(m_rowsWidth, m_rowsHeight);
  } else {
    target = BufferedImage::takeSized(m_rowsWidth, m_rowsHeight);
    if (target == nullptr) {
      return nullptr;
    }
  }
  if (target->isEmpty()) {
    target->setSize(0, 0);
  } else {
    for (int32_t y = 0; y < m_rowsHeight; ++y) {
      std::memcpy(target->getLine(y), m_image->getLine(y), static_cast<size_t>(m_rowsWidth) * 4);
    }
  }
  target->setHasAlpha(false);
  return target;
}

bool Jpeg::write(io::IOutputStream* stream) {
  if (stream == nullptr) {
    return false;
  }
  if (m_inRows) {
    return restoreRows() && encode(stream, rowsOf(m_image), m_quality);
  }
  if (m_bitmap == nullptr || m_bitmap->getBits() == nullptr || m_bitmap->getBitCount() != 24) {
    return false;
  }
  return encode(stream, rowsOf(m_bitmap), m_quality);
}

bool Jpeg::writeImage(io::IOutputStream* stream, BufferedImage* image, int32_t quality, uint8_t red,
                      uint8_t green, uint8_t blue) {
  if (stream == nullptr || image == nullptr || image->isEmpty() || image->getWidth() <= 0 ||
      image->getHeight() <= 0) {
    return false;
  }
  quality = std::clamp(quality, 0, 100);
  if (!image->hasAlpha()) {
    return encode(stream, rowsOf(image), quality);
  }
  BufferedImage* flattened = BufferedImage::take();
  if (flattened == nullptr) {
    return false;
  }
  const bool ok =
      flatten(image, flattened, red, green, blue) && encode(stream, rowsOf(flattened), quality);
  flattened->release();
  return ok;
}

bool Jpeg::read(io::IInputStream* stream) {
  if (m_bitmap == nullptr) {
    return false;
  }
  m_bitmap->reset();
  if (stream == nullptr) {
    leaveRows();
    return false;
  }
  if (m_image == nullptr) {
    m_image = BufferedImage::take();
    if (m_image == nullptr) {
      leaveRows();
      return false;
    }
  }
  m_source.clear();
  KeptRead read{stream, &m_source};
  if (!decode(readStream, &read, m_image)) {
    leaveRows();
    return false;
  }
  m_inRows = true;
  m_lent = false;
  m_rowsWidth = m_image->getWidth();
  m_rowsHeight = m_image->getHeight();
  return true;
}

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

bool Jpeg::createDib(int32_t width, int32_t height) {
  leaveRows();
  return BitmapTail::createDib(width, height);
}

bool Jpeg::createFromHBitmap(HBITMAP bitmap) {
  leaveRows();
  return BitmapTail::createFromHBitmap(bitmap);
}

int32_t Jpeg::getBitCount() {
  if (m_inRows) {
    return 24;
  }
  return BitmapTail::getBitCount();
}

void Jpeg::setQuality(int32_t quality) { m_quality = std::clamp(quality, 0, 100); }

bool Jpeg::createFrom(BufferedImage* image, int32_t quality, uint8_t red, uint8_t green,
                      uint8_t blue) {
  setQuality(quality);
  if (m_bitmap == nullptr || image == nullptr) {
    return false;
  }
  m_bitmap->reset();
  if (image->isEmpty() || image->getWidth() <= 0 || image->getHeight() <= 0) {
    leaveRows();
    return m_bitmap->createFrom(image, 24, false, red, green, blue);
  }
  if (m_image == nullptr) {
    m_image = BufferedImage::take();
  }
  bool ok = m_image != nullptr;
  if (ok && image->hasAlpha()) {
    ok = flatten(image, m_image, red, green, blue);
  } else if (ok && sizeImage(m_image, image->getWidth(), image->getHeight())) {
    for (int32_t y = 0; y < image->getHeight(); ++y) {
      std::memcpy(m_image->getLine(y), image->getLine(y),
                  static_cast<size_t>(image->getWidth()) * 4);
    }
    m_image->setHasAlpha(false);
  } else {
    ok = false;
  }
  if (!ok) {
    leaveRows();
    return false;
  }
  // Made, not read: no bytes to decode again, so the rows stay here.
  std::vector<uint8_t>().swap(m_source);
  m_inRows = true;
  m_lent = false;
  m_rowsWidth = m_image->getWidth();
  m_rowsHeight = m_image->getHeight();
  return true;
}

Bitmap* Jpeg::getBitmap() { return bitmap(); }

}  // namespace s::image::jpg::win
