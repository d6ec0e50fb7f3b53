// One image of an icon file: a device-independent bitmap with its AND mask, or a PNG stream.
#include "imaging/ico/win/IconImage.h"

#include "core/io/IInputStream.h"
#include "core/io/IOutputStream.h"
#include "core/io/Io.h"
#include "imaging/EncodeSettingLink.h"
#include "imaging/HeaderIo.h"
#include "imaging/ImageLimits.h"
#include "imaging/SingleImageSets.h"
#include "imaging/bmp/EncodeSetting.h"
#include "imaging/bmp/win/Bitmap.h"
#include "imaging/filters/reduction/Quantizer.h"
#include "imaging/png/win/Png.h"
#include "imaging/win/BufferedImage.h"
#include "imaging/win/Dib.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace s::image::ico::win {

using image::win::BufferedImage;
using image::win::isKnownBitCount;
using image::win::SelectedDc;

namespace {

constexpr uint32_t kHeaderSize = 40;
constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
// Entries are read in pieces of this size until the stream ends.
constexpr uint32_t kReadPiece = 64 * 1024;

int64_t strideOf(int64_t width, int32_t bitCount) {
  return ((width * bitCount + 31) / 8) & ~int64_t{3};
}

}  // namespace

IconImage::IconImage() {
  std::memset(m_info.colors, 0, sizeof(m_info.colors));
  reset();
}

IconImage::~IconImage() {
  deleteDib();
  freeMask();
}

void IconImage::deleteDib() {
  if (m_dib != nullptr) {
    DeleteObject(m_dib);
    m_dib = nullptr;
  }
  m_bits = nullptr;
}

void IconImage::freeMask() {
  std::free(m_mask);
  m_mask = nullptr;
}

void IconImage::reset() {
  std::memset(&m_info.header, 0, sizeof(m_info.header));
  m_info.header.biSize = kHeaderSize;
  m_info.header.biPlanes = 1;
  m_info.header.biBitCount = 32;
  if (m_colorCount > 0) {
    std::memset(m_info.colors, 0, sizeof(m_info.colors));
  }
  m_colorCount = 0;
  m_colorTableSize = 0;
  deleteDib();
  m_raw.setCount(0);
  m_raw.rewind();
  m_stride = 0;
  freeMask();
  m_maskStride = 0;
}

void IconImage::updateColorCount() {
  const BITMAPINFOHEADER& h = m_info.header;
  int32_t count = 0;
  if (h.biClrUsed != 0) {
    count = static_cast<int32_t>(std::min<DWORD>(h.biClrUsed, kTableEntries));
  } else if (h.biBitCount == 1) {
    count = 2;
  } else if (h.biBitCount == 4) {
    count = 16;
  } else if (h.biBitCount == 8) {
    count = 256;
  }
  m_colorCount = count;
  m_colorTableSize = count * 4;
}

bool IconImage::makeSection() {
  void* bits = nullptr;
  m_dib = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&m_info), DIB_RGB_COLORS,
                           &bits, nullptr, 0);
  m_bits = static_cast<uint8_t*>(bits);
  if (m_dib == nullptr || m_bits == nullptr) {
    deleteDib();
    return false;
  }
  return true;
}

bool IconImage::createDib(int32_t width, int32_t height, int32_t bitCount) {
  BITMAPINFOHEADER& h = m_info.header;
  h.biSize = kHeaderSize;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(bitCount);
  h.biCompression = BI_RGB;
  h.biSizeImage = static_cast<DWORD>(int64_t{width} * height);
  h.biXPelsPerMeter = 0;
  h.biYPelsPerMeter = 0;
  h.biClrUsed = bitCount <= 8 ? (1u << bitCount) : 0;
  h.biClrImportant = h.biClrUsed;
  if (m_colorCount > 0) {
    std::memset(m_info.colors, 0, sizeof(m_info.colors));
  }
  const int64_t stride = strideOf(width, bitCount);
  const int64_t maskStride = strideOf(width, 1);
  m_stride = stride <= INT32_MAX ? static_cast<int32_t>(stride) : 0;
  m_maskStride = maskStride <= INT32_MAX ? static_cast<int32_t>(maskStride) : 0;
  updateColorCount();
  deleteDib();
  freeMask();
  if (width <= 0 || height <= 0 || !isKnownBitCount(bitCount) ||
      int64_t{m_stride} * height > INT32_MAX || !makeSection()) {
    return false;
  }
  m_mask = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(m_maskStride) * height, 1));
  return m_mask != nullptr;
}

uint8_t* IconImage::getLine(int32_t y) {
  if (m_bits == nullptr) {
    return nullptr;
  }
  return m_bits + static_cast<intptr_t>(m_info.header.biHeight - y - 1) * m_stride;
}

uint8_t* IconImage::getMaskLine(int32_t y) {
  if (m_mask == nullptr) {
    return nullptr;
  }
  return m_mask + static_cast<intptr_t>(m_info.header.biHeight - y - 1) * m_maskStride;
}

bool IconImage::refuse() {
  reset();
  return false;
}

bool IconImage::read(io::IInputStream* stream) {
  m_raw.setCount(0);
  deleteDib();
  freeMask();
  if (stream == nullptr) {
    return refuse();
  }
  uint8_t piece[kReadPiece];
  uint32_t got = 0;
  while (stream->read(piece, kReadPiece, &got) && got > 0) {
    m_raw.add(piece, got);
  }
  m_raw.rewind();
  if (m_raw.getCount() > 7 && std::memcmp(m_raw.getItems(), kPngSignature, 8) == 0) {
    return readPngEntry();
  }
  return readDibEntry();
}

bool IconImage::readPngEntry() {
  png::win::Png* png = png::win::Png::take();
  if (png == nullptr) {
    return refuse();
  }
  BufferedImage* image = nullptr;
  bool ok = png->read(&m_raw) && png->getWidth() > 0;
  if (ok) {
    image = png->getImage(0, nullptr);
    ok = image != nullptr && !image->isEmpty() && createFromImage(image, 32, true, 255, 255, 255);
  }
  if (image != nullptr) {
    image->release();
  }
  png->release();
  return ok || refuse();
}

bool IconImage::readDibEntry() {
  const uint8_t* bytes = m_raw.getItems();
  const uint64_t size = m_raw.getCount();
  if (size < kHeaderSize) {
    return refuse();
  }
  BITMAPINFOHEADER& h = m_info.header;
  std::memcpy(&h, bytes, kHeaderSize);
  const int32_t bits = h.biBitCount;
  if (h.biSize < kHeaderSize || h.biSize > size || h.biPlanes != 1 || !isKnownBitCount(bits) ||
      h.biCompression != BI_RGB || h.biHeight <= 0 || h.biHeight % 2 != 0 ||
      h.biClrUsed > (bits <= 8 ? (1u << bits) : static_cast<DWORD>(kTableEntries)) ||
      !isDecodableSize(h.biWidth, h.biHeight / 2)) {
    return refuse();
  }
  h.biHeight /= 2;
  const int32_t width = h.biWidth;
  const int32_t height = h.biHeight;
  m_stride = static_cast<int32_t>(strideOf(width, bits));
  m_maskStride = static_cast<int32_t>(strideOf(width, 1));
  std::memset(m_info.colors, 0, sizeof(m_info.colors));
  updateColorCount();
  // What the entry holds past its header: each part takes what is left, the rest stays zero.
  uint64_t at = h.biSize;
  auto take = [&](void* out, uint64_t want) {
    const uint64_t have = at < size ? std::min(want, size - at) : 0;
    if (have > 0) {
      std::memcpy(out, bytes + at, have);
    }
    at += want;
  };
  take(m_info.colors, static_cast<uint64_t>(m_colorTableSize));
  h.biSize = kHeaderSize;
  if (!makeSection()) {
    return refuse();
  }
  const uint64_t colourBytes = uint64_t(m_stride) * height;
  std::memset(m_bits, 0, colourBytes);
  take(m_bits, colourBytes);
  m_mask = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(m_maskStride) * height, 1));
  if (m_mask == nullptr) {
    return refuse();
  }
  take(m_mask, uint64_t(m_maskStride) * height);
  return true;
}

bool IconImage::writeEntry(io::IOutputStream* stream) {
  BITMAPINFOHEADER header = m_info.header;
  header.biHeight *= 2;
  if (!writeHeader(stream, &header, kHeaderSize) ||
      (m_colorTableSize > 0 &&
       !writeHeader(stream, m_info.colors, static_cast<uint32_t>(m_colorTableSize)))) {
    return false;
  }
  const int32_t height = std::max<int32_t>(m_info.header.biHeight, 0);
  const uint64_t colourBytes = uint64_t(m_stride) * height;
  const uint64_t maskBytes = uint64_t(m_maskStride) * height;
  if (m_bits == nullptr || m_mask == nullptr) {
    return colourBytes == 0;
  }
  return io::writeFully(stream, m_bits, static_cast<uint32_t>(colourBytes)) &&
         io::writeFully(stream, m_mask, static_cast<uint32_t>(maskBytes));
}

bool IconImage::write(io::IOutputStream* stream) {
  if (stream == nullptr) {
    return false;
  }
  if (getWidth() <= 255 && getHeight() <= 255) {
    return writeEntry(stream);
  }
  // Larger images are stored as PNG, as icon files hold them.
  BufferedImage* image = getImage(0, nullptr);
  png::win::Png* png = png::win::Png::take();
  const bool ok = image != nullptr && png != nullptr &&
                  png->createFrom(image, false, true, 255, 255, 255) && png->write(stream);
  if (png != nullptr) {
    png->release();
  }
  if (image != nullptr) {
    image->release();
  }
  return ok;
}

IBufferedImageSet* IconImage::getImageSet() { return singleImageSet(this, getBitCount()); }

IEncodedImage* IconImage::createLikeFromSet(IBufferedImageSet* set) {
  return withDefaultSetting<bmp::EncodeSetting>([this, set](bmp::EncodeSetting* setting) {
    setting->setBpp(getBitCount());
    return setting->createFromSet(set);
  });
}

bool IconImage::copyTo(bmp::win::Bitmap* target) {
  if (target == nullptr || m_dib == nullptr || target->getHandle() == nullptr) {
    return false;
  }
  SelectedDc source(m_dib);
  SelectedDc destination(target->getHandle());
  if (source.get() == nullptr || destination.get() == nullptr) {
    return false;
  }
  if (m_colorCount > 0) {
    SetDIBColorTable(source.get(), 0, static_cast<UINT>(m_colorCount), m_info.colors);
  }
  return BitBlt(destination.get(), 0, 0, getWidth(), getHeight(), source.get(), 0, 0, SRCCOPY) !=
         FALSE;
}

BufferedImage* IconImage::getImage(int32_t, BufferedImage* target) {
  const int32_t width = getWidth();
  const int32_t height = getHeight();
  if (target != nullptr) {
    target->ensureCapacity(width, height);
    target->setSize(width, height);
  } else {
    target = BufferedImage::takeSized(width, height);
    if (target == nullptr) {
      return nullptr;
    }
  }
  if (m_bits == nullptr || target->isEmpty() || width <= 0 || height <= 0 ||
      !copyTo(target->getBitmap())) {
    target->setSize(0, 0);
    target->setHasAlpha(false);
    return target;
  }
  if (isTrueColorAlpha()) {
    uint8_t anyAlpha = 0;
    bool translucent = false;
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* in = getLine(y);
      uint8_t* out = target->getLine(y);
      for (int32_t x = 0; x < width; ++x) {
        out[x * 4 + 3] = in[x * 4 + 3];
        anyAlpha |= in[x * 4 + 3];
        translucent = translucent || in[x * 4 + 3] != 255;
      }
    }
    if (anyAlpha != 0) {
      target->setHasAlpha(translucent);
      return target;
    }
    // Every alpha byte 0: an older icon that relies on its mask, as the platform draws it.
  }
  if (m_mask != nullptr) {
    bool masked = false;
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* mask = getMaskLine(y);
      uint8_t* out = target->getLine(y);
      for (int32_t x = 0; x < width; ++x) {
        const bool set = (mask[x >> 3] & (0x80 >> (x & 7))) != 0;
        out[x * 4 + 3] = set ? 0 : 255;
        masked = masked || set;
      }
    }
    target->setHasAlpha(masked);
    return target;
  }
  target->makeOpaque();
  return target;
}

bool IconImage::createFromImage(BufferedImage* image, int32_t bitCount, bool keepAlpha, uint8_t red,
                                uint8_t green, uint8_t blue) {
  m_raw.setCount(0);
  m_raw.rewind();
  if (image == nullptr) {
    return false;
  }
  const int32_t width = image->isEmpty() ? 0 : image->getWidth();
  const int32_t height = image->isEmpty() ? 0 : image->getHeight();
  BufferedImage* source = image;
  BufferedImage* made = nullptr;
  if (image->hasAlpha() && width > 0 && (!keepAlpha || bitCount != 32)) {
    if (keepAlpha) {
      made = image->copy(nullptr);
      if (made != nullptr) {
        made->thresholdAlpha(32);
      }
    } else {
      made = BufferedImage::takeSized(width, height);
      if (made != nullptr && !made->isEmpty()) {
        made->fill(255, red, green, blue);
        made->drawImage(0, 0, width, height, image, 0, 0, false);
        made->setHasAlpha(false);
      }
    }
    if (made == nullptr || made->isEmpty()) {
      if (made != nullptr) {
        made->release();
      }
      return false;
    }
    source = made;
  }
  bool ok = createDib(width, height, bitCount);
  if (ok) {
    if (bitCount == 32) {
      for (int32_t y = 0; y < height; ++y) {
        std::memcpy(getLine(y), source->getLine(y), static_cast<size_t>(width) * 4);
      }
    } else if (bitCount == 24) {
      // The platform's blit converts 32 to 24 bits; left alone the rows would stay black.
      bmp::win::Bitmap* bitmap = bmp::win::Bitmap::take();
      ok = bitmap != nullptr && bitmap->createFrom(source, 24, false, red, green, blue);
      if (ok) {
        for (int32_t y = 0; y < height; ++y) {
          std::memcpy(getLine(y), bitmap->getLine(y), static_cast<size_t>(m_stride));
        }
      }
      if (bitmap != nullptr) {
        bitmap->release();
      }
    } else if (bitCount == 4 || bitCount == 8) {
      auto* quantizer = filters::reduction::Quantizer::take();
      if (quantizer == nullptr) {
        ok = false;
      } else {
        quantizer->build(source, (1 << bitCount) - 1);
        const int32_t count = std::min(quantizer->getBuiltCount(), (1 << bitCount) - 1);
        for (int32_t i = 0; i < count; ++i) {
          const uint32_t c = quantizer->getPalette()[i];
          m_info.colors[i].rgbBlue = static_cast<BYTE>(c);
          m_info.colors[i].rgbGreen = static_cast<BYTE>(c >> 8);
          m_info.colors[i].rgbRed = static_cast<BYTE>(c >> 16);
          m_info.colors[i].rgbReserved = 0;
        }
        {
          SelectedDc dc(m_dib);
          SetDIBColorTable(dc.get(), 0, static_cast<UINT>(m_colorCount), m_info.colors);
        }
        for (int32_t y = 0; y < height; ++y) {
          quantizer->mapRow(reinterpret_cast<const uint32_t*>(source->getLine(y)), width,
                            getLine(y), bitCount);
        }
        quantizer->release();
      }
    }
    if (ok && source->hasAlpha()) {
      for (int32_t y = 0; y < height; ++y) {
        const uint8_t* in = source->getLine(y);
        uint8_t* mask = getMaskLine(y);
        for (int32_t x = 0; x < width; ++x) {
          if (in[x * 4 + 3] == 0) {
            mask[x >> 3] = static_cast<uint8_t>(mask[x >> 3] | (0x80 >> (x & 7)));
          }
        }
      }
    }
  }
  if (made != nullptr) {
    made->release();
  }
  return ok;
}

HICON IconImage::createIcon() {
  if (m_raw.getCount() == 0) {
    if (!writeEntry(&m_raw)) {
      m_raw.setCount(0);
    }
    m_raw.rewind();
  }
  if (m_raw.getCount() == 0) {
    return nullptr;
  }
  const int32_t width = getWidth();
  const int32_t height = getHeight();
  HICON icon = CreateIconFromResourceEx(m_raw.getItems(), m_raw.getCount(), TRUE, 0x00030000, width,
                                        height, LR_DEFAULTCOLOR);
  if (icon == nullptr && getBitCount() != 16) {
    icon = CreateIconFromResource(m_raw.getItems(), m_raw.getCount(), TRUE, 0x00030000);
  }
  return icon;
}

}  // namespace s::image::ico::win
