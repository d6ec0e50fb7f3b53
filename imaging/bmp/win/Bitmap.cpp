// BMP images and device-independent bitmaps: the BMP codec and the pixel store of every image.
#include "imaging/bmp/win/Bitmap.h"

#include "core/io/IInputStream.h"
#include "core/io/IOutputStream.h"
#include "core/io/Io.h"
#include "imaging/HeaderIo.h"
#include "imaging/ImageLimits.h"
#include "imaging/SingleImageSets.h"
#include "imaging/bmp/EncodeSetting.h"
#include "imaging/filters/reduction/Quantizer.h"
#include "imaging/win/BufferedImage.h"
#include "imaging/win/Dib.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace s::image::bmp::win {

using image::win::BufferedImage;
using image::win::isKnownBitCount;
using image::win::SelectedDc;

namespace {

constexpr int32_t kFileHeaderSize = 14;
constexpr int32_t kInfoHeaderSize = 40;

void put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t* p, uint32_t v) {
  put16(p, v);
  put16(p + 2, v >> 16);
}

uint32_t get32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

int64_t strideOf(int64_t width, int32_t bitCount) {
  return ((bitCount * width + 31) >> 3) & ~int64_t{3};
}

}  // namespace

Bitmap::Bitmap() {
  std::memset(m_info.colors, 0, sizeof(m_info.colors));
  reset();
}

Bitmap::~Bitmap() { deleteDib(); }

void Bitmap::deleteDib() {
  if (m_dib != nullptr) {
    DeleteObject(m_dib);
    m_dib = nullptr;
  }
  m_bits = nullptr;
}

void Bitmap::reset() {
  deleteDib();
  if (m_colorCount > 0) {
    std::memset(m_info.colors, 0, sizeof(m_info.colors));
  }
  std::memset(&m_info.header, 0, sizeof(m_info.header));
  m_info.header.biSize = kInfoHeaderSize;
  m_info.header.biPlanes = 1;
  m_info.header.biBitCount = 32;
  m_info.header.biCompression = BI_RGB;
  m_stride = 0;
  m_colorCount = 0;
  m_colorTableSize = 0;
  m_colorKey = -1;
  std::memset(&m_gdiBitmap, 0, sizeof(m_gdiBitmap));
  updateFileHeader();
}

uint32_t Bitmap::fileSize() const {
  return static_cast<uint32_t>(int64_t{m_info.header.biHeight} * m_stride + m_colorTableSize +
                               kFileHeaderSize + kInfoHeaderSize);
}

void Bitmap::updateFileHeader() {
  m_fileHeader[0] = 'B';
  m_fileHeader[1] = 'M';
  put32(m_fileHeader + 2, fileSize());
  put32(m_fileHeader + 6, 0);
  put32(m_fileHeader + 10,
        static_cast<uint32_t>(kFileHeaderSize + kInfoHeaderSize + m_colorTableSize));
}

void Bitmap::updateColorCount() {
  const BITMAPINFOHEADER& h = m_info.header;
  int32_t count = 0;
  const int32_t masks = h.biCompression == BI_BITFIELDS ? 3 : 0;
  if (h.biClrUsed != 0) {
    // Three mask entries, not twelve: a bit-field bitmap carries three DWORDs of masks.
    const int64_t used = int64_t{h.biClrUsed} + (h.biBitCount >= 16 ? masks : 0);
    count = static_cast<int32_t>(std::min<int64_t>(used, kTableEntries));
  } else if (masks != 0) {
    count = masks;
  } else if (h.biBitCount <= 8 && isKnownBitCount(h.biBitCount)) {
    count = 1 << h.biBitCount;
  }
  if (h.biBitCount <= 8) {
    count = std::min(count, 1 << h.biBitCount);
  }
  m_colorCount = count;
  m_colorTableSize = count * 4;
}

void Bitmap::setHeader(int32_t width, int32_t height, int32_t bitCount) {
  BITMAPINFOHEADER& h = m_info.header;
  h.biSize = kInfoHeaderSize;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(bitCount);
  h.biCompression = BI_RGB;
  const int64_t pixels = int64_t{width} * height;
  int64_t imageSize = 0;
  switch (bitCount) {
    case 1: imageSize = pixels > 0 ? (pixels - 1) / 8 + 1 : 0; break;
    case 4: imageSize = (pixels + 1) / 2; break;
    case 8: imageSize = pixels; break;
    case 16: imageSize = pixels * 2; break;
    case 24: imageSize = pixels * 3; break;
    case 32: imageSize = pixels * 4; break;
    default: break;
  }
  h.biSizeImage = static_cast<DWORD>(imageSize);
  h.biXPelsPerMeter = 0;
  h.biYPelsPerMeter = 0;
  h.biClrUsed = bitCount <= 8 ? (1u << bitCount) : 0;
  h.biClrImportant = h.biClrUsed;
  if (m_colorCount > 0) {
    std::memset(m_info.colors, 0, sizeof(m_info.colors));
  }
  const int64_t stride = strideOf(width, bitCount);
  m_stride = stride <= INT32_MAX ? static_cast<int32_t>(stride) : 0;
  updateColorCount();
  updateFileHeader();
}

bool Bitmap::createDib(int32_t width, int32_t height, int32_t bitCount) {
  deleteDib();
  setHeader(width, height, bitCount);
  if (width <= 0 || height <= 0 || int64_t{m_stride} * height > INT32_MAX) {
    return false;
  }
  void* bits = nullptr;
  m_dib = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&m_info), DIB_RGB_COLORS,
                           &bits, nullptr, 0);
  if (m_dib == nullptr) {
    m_bits = nullptr;
    return false;
  }
  m_bits = static_cast<uint8_t*>(bits);
  return m_bits != nullptr;
}

uint8_t* Bitmap::getLine(int32_t y) {
  if (m_bits == nullptr) {
    return nullptr;
  }
  return m_bits + static_cast<intptr_t>(m_info.header.biHeight - y - 1) * m_stride;
}

void Bitmap::setTransparentColor(uint8_t red, uint8_t green, uint8_t blue) {
  m_colorKey = (int32_t{red} << 16) | (int32_t{green} << 8) | blue;
}

bool Bitmap::refuse() {
  reset();
  return false;
}

bool Bitmap::readInfo(io::IInputStream* stream, int64_t* consumed) {
  BITMAPINFOHEADER& h = m_info.header;
  if (!readHeader(stream, &h, kInfoHeaderSize)) {
    return false;
  }
  *consumed += kInfoHeaderSize;
  const int32_t bits = h.biBitCount;
  const bool bitFields = h.biCompression == BI_BITFIELDS;
  if (h.biSize < static_cast<DWORD>(kInfoHeaderSize) || h.biPlanes != 1 || !isKnownBitCount(bits) ||
      (h.biCompression != BI_RGB && !bitFields) || (bitFields && bits != 16 && bits != 32) ||
      !isDecodableSize(h.biWidth, h.biHeight)) {
    return false;
  }
  // The three masks of a bit-field bitmap: bytes 40 to 51 of a larger header, else three entries
  // after the 40-byte one.
  int32_t masksInHeader = 0;
  int64_t rest = int64_t{h.biSize} - kInfoHeaderSize;
  if (bitFields && rest >= 12) {
    if (!readHeader(stream, m_info.colors, 12)) {
      return false;
    }
    masksInHeader = 3;
    rest -= 12;
    *consumed += 12;
  }
  if (rest > 0) {
    if (!stream->skip(rest)) {
      return false;
    }
    *consumed += rest;
  }
  // Entries the file declares, and those we keep: 2^bits at 8 bits or fewer, 256 in all.
  int64_t declared = 0;
  if (bits <= 8) {
    declared = h.biClrUsed != 0 ? int64_t{h.biClrUsed} : int64_t{1} << bits;
  } else {
    declared = int64_t{h.biClrUsed} + (bitFields && masksInHeader == 0 ? 3 : 0);
  }
  const int64_t cap = bits <= 8 ? (int64_t{1} << bits) : kTableEntries - masksInHeader;
  const int32_t kept = static_cast<int32_t>(std::min(declared, cap));
  if (kept > 0 &&
      !io::readFully(stream, m_info.colors + masksInHeader, static_cast<uint32_t>(kept) * 4)) {
    return false;
  }
  *consumed += int64_t{kept} * 4;
  if (declared > kept) {
    if (!stream->skip((declared - kept) * 4)) {
      return false;
    }
    *consumed += (declared - kept) * 4;
  }
  m_colorCount = kept + masksInHeader;
  m_colorTableSize = m_colorCount * 4;
  if (bits <= 8) {
    h.biClrUsed = static_cast<DWORD>(kept);
  } else {
    h.biClrUsed = static_cast<DWORD>(std::max(0, kept - (bitFields && masksInHeader == 0 ? 3 : 0)));
  }
  // The bitmap now stands with a 40-byte header, its masks in the table.
  h.biSize = kInfoHeaderSize;
  m_stride = static_cast<int32_t>(strideOf(h.biWidth, bits));
  return true;
}

bool Bitmap::read(io::IInputStream* stream) {
  deleteDib();
  if (stream == nullptr) {
    return refuse();
  }
  uint8_t fileHeader[kFileHeaderSize];
  if (!readHeader(stream, fileHeader, kFileHeaderSize) || fileHeader[0] != 'B' ||
      fileHeader[1] != 'M') {
    return refuse();
  }
  int64_t consumed = kFileHeaderSize;
  if (!readInfo(stream, &consumed)) {
    return refuse();
  }
  const int64_t offset = get32(fileHeader + 10);
  if (offset < consumed) {
    return refuse();  // the pixels would overlap the headers or the table
  }
  // Keep the table the file brought; createDib clears it.
  RGBQUAD colors[kTableEntries];
  std::memcpy(colors, m_info.colors, sizeof(colors));
  const BITMAPINFOHEADER header = m_info.header;
  const int32_t colorCount = m_colorCount;
  deleteDib();
  void* bits = nullptr;
  m_info.header = header;
  std::memcpy(m_info.colors, colors, sizeof(colors));
  m_colorCount = colorCount;
  m_colorTableSize = colorCount * 4;
  m_dib = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&m_info), DIB_RGB_COLORS,
                           &bits, nullptr, 0);
  m_bits = static_cast<uint8_t*>(bits);
  if (m_dib == nullptr || m_bits == nullptr) {
    return refuse();
  }
  std::memcpy(m_fileHeader, fileHeader, sizeof(m_fileHeader));
  if (offset > consumed && !stream->skip(offset - consumed)) {
    return false;
  }
  return io::readFully(stream, m_bits,
                       static_cast<uint32_t>(int64_t{m_stride} * m_info.header.biHeight));
}

bool Bitmap::readDib(io::IInputStream* stream) {
  deleteDib();
  if (stream == nullptr) {
    return refuse();
  }
  int64_t consumed = 0;
  if (!readInfo(stream, &consumed)) {
    return refuse();
  }
  void* bits = nullptr;
  m_dib = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&m_info), DIB_RGB_COLORS,
                           &bits, nullptr, 0);
  m_bits = static_cast<uint8_t*>(bits);
  if (m_dib == nullptr || m_bits == nullptr) {
    return refuse();
  }
  updateFileHeader();
  return io::readFully(stream, m_bits,
                       static_cast<uint32_t>(int64_t{m_stride} * m_info.header.biHeight));
}

bool Bitmap::writeDib(io::IOutputStream* stream) {
  if (stream == nullptr || !writeHeader(stream, &m_info.header, kInfoHeaderSize)) {
    return false;
  }
  if (m_colorTableSize > 0 &&
      !writeHeader(stream, m_info.colors, static_cast<uint32_t>(m_colorTableSize))) {
    return false;
  }
  const int64_t bytes = int64_t{m_stride} * std::max<int32_t>(m_info.header.biHeight, 0);
  if (m_bits == nullptr) {
    return bytes == 0;
  }
  return io::writeFully(stream, m_bits, static_cast<uint32_t>(bytes));
}

bool Bitmap::write(io::IOutputStream* stream) {
  const int32_t bits = m_info.header.biBitCount;
  // A depth no reader takes (left by a createFrom that was asked for one) is never written.
  if (stream == nullptr ||
      (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)) {
    return false;
  }
  updateFileHeader();
  return writeHeader(stream, m_fileHeader, kFileHeaderSize) && writeDib(stream);
}

bool Bitmap::writeOpaque24(io::IOutputStream* stream, BufferedImage* image) {
  if (stream == nullptr || image == nullptr || image->isEmpty() || image->hasAlpha()) {
    return false;
  }
  const int32_t width = image->getWidth();
  const int32_t height = image->getHeight();
  deleteDib();
  setHeader(width, height, 24);
  if (m_stride <= 0 || int64_t{m_stride} * height > INT32_MAX) {
    reset();
    return false;
  }
  bool ok = writeHeader(stream, m_fileHeader, kFileHeaderSize) &&
            writeHeader(stream, &m_info.header, kInfoHeaderSize);
  // The rows bottom-up, as the file holds them, a batch of about 64 KiB at a time; the padding
  // stays 0, as in a new bitmap.
  const int32_t batch = std::max<int32_t>(1, (64 << 10) / m_stride);
  std::vector<uint8_t> rows(static_cast<size_t>(batch) * static_cast<size_t>(m_stride), 0);
  for (int32_t y = height - 1; y >= 0 && ok;) {
    int32_t count = 0;
    for (; count < batch && y >= 0; ++count, --y) {
      const uint8_t* in = image->getLine(y);
      uint8_t* out = rows.data() + static_cast<size_t>(count) * static_cast<size_t>(m_stride);
      for (int32_t x = 0; x < width; ++x, in += 4, out += 3) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
      }
    }
    ok = io::writeFully(stream, rows.data(), static_cast<uint32_t>(count * m_stride));
  }
  reset();
  return ok;
}

IBufferedImageSet* Bitmap::getImageSet() { return singleImageSet(this, getBitCount()); }

// An unbound setting keeps transparency over white; the depth is this bitmap's.
IEncodedImage* Bitmap::createLike(BufferedImage* image) {
  return withDefaultSetting<EncodeSetting>([this, image](EncodeSetting* setting) {
    setting->setBpp(getBitCount());
    return setting->createEncoded(image);
  });
}

IEncodedImage* Bitmap::createLikeFromSet(IBufferedImageSet* set) {
  return withDefaultSetting<EncodeSetting>([this, set](EncodeSetting* setting) {
    setting->setBpp(getBitCount());
    return setting->createFromSet(set);
  });
}

bool Bitmap::copyTo(Bitmap* target) {
  if (target == nullptr || m_dib == nullptr || target->m_dib == nullptr) {
    return false;
  }
  SelectedDc source(m_dib);
  SelectedDc destination(target->m_dib);
  if (source.get() == nullptr || destination.get() == nullptr) {
    return false;
  }
  if (m_info.header.biBitCount <= 8 && m_colorCount > 0) {
    SetDIBColorTable(source.get(), 0, static_cast<UINT>(m_colorCount), m_info.colors);
  }
  return BitBlt(destination.get(), 0, 0, m_info.header.biWidth, m_info.header.biHeight,
                source.get(), 0, 0, SRCCOPY) != FALSE;
}

BufferedImage* Bitmap::getImage(int32_t, BufferedImage* target) {
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
  if (m_bits == nullptr || target->isEmpty() || width <= 0 || height <= 0) {
    target->setSize(0, 0);
    target->setHasAlpha(false);
    return target;
  }
  if (isTrueColorAlpha()) {
    // 32 bits to 32 bits is a plain copy of every row, alpha bytes included.
    // Some alpha byte is not 0 when the OR of the pixels has a top byte, and some is not 255
    // when their AND has not all of it.
    uint32_t any = 0;
    uint32_t all = 0xFFFFFFFFu;
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* in = getLine(y);
      std::memcpy(target->getLine(y), in, static_cast<size_t>(width) * 4);
      for (int32_t x = 0; x < width; ++x) {
        uint32_t pixel;
        std::memcpy(&pixel, in + static_cast<size_t>(x) * 4, 4);
        any |= pixel;
        all &= pixel;
      }
    }
    if ((any >> 24) != 0) {
      target->setHasAlpha((all >> 24) != 255);
      return target;
    }
  } else if (!copyTo(target->getBitmap())) {
    target->fill(255, 0, 0, 0);
    target->setHasAlpha(false);
    return target;
  }
  if (m_colorKey != -1) {
    target->makeColorTransparent(static_cast<uint8_t>(m_colorKey >> 16),
                                 static_cast<uint8_t>(m_colorKey >> 8),
                                 static_cast<uint8_t>(m_colorKey));
    return target;
  }
  // A 32-bit bitmap whose alpha bytes are all 0 carries no alpha: it counts as opaque.
  target->makeOpaque();
  return target;
}

bool Bitmap::createFromHBitmap(HBITMAP bitmap) {
  DIBSECTION section{};
  const int got = GetObjectW(bitmap, sizeof(section), &section);
  if (got < static_cast<int>(sizeof(BITMAP))) {
    return false;
  }
  m_gdiBitmap = section.dsBm;
  const int32_t width = m_gdiBitmap.bmWidth;
  const int32_t height = m_gdiBitmap.bmHeight;
  const int32_t bitCount = m_gdiBitmap.bmBitsPixel * m_gdiBitmap.bmPlanes;
  if (!createDib(width, height, bitCount)) {
    return false;
  }
  if (got >= static_cast<int>(sizeof(DIBSECTION)) && m_gdiBitmap.bmBits != nullptr) {
    // A DIB section: its bytes as they are, row for row (a top-down section is turned over).
    const auto* source = static_cast<const uint8_t*>(m_gdiBitmap.bmBits);
    const int32_t sourceStride = m_gdiBitmap.bmWidthBytes;
    const bool topDown = section.dsBmih.biHeight < 0;
    const int32_t rowBytes = std::min(sourceStride, m_stride);
    for (int32_t row = 0; row < height; ++row) {
      const int32_t from = topDown ? height - 1 - row : row;
      std::memcpy(m_bits + static_cast<intptr_t>(row) * m_stride,
                  source + static_cast<intptr_t>(from) * sourceStride,
                  static_cast<size_t>(rowBytes));
    }
    if (m_colorCount > 0 && bitCount <= 8) {
      SelectedDc sourceDc(bitmap);
      SelectedDc dc(m_dib);
      const UINT got =
          GetDIBColorTable(sourceDc.get(), 0, static_cast<UINT>(m_colorCount), m_info.colors);
      if (got > 0) {
        SetDIBColorTable(dc.get(), 0, got, m_info.colors);
      }
    }
    return true;
  }
  SelectedDc source(bitmap);
  SelectedDc destination(m_dib);
  if (source.get() == nullptr || destination.get() == nullptr) {
    return false;
  }
  // Device bitmaps of 8 bits or fewer (monochrome ones) would need a blit into a palette DIB,
  // which the layer does not paint: the copy then fails.
  return BitBlt(destination.get(), 0, 0, width, height, source.get(), 0, 0, SRCCOPY) != FALSE;
}

bool Bitmap::createFromIcon(HICON icon) {
  ICONINFO info{};
  if (icon == nullptr || !GetIconInfo(icon, &info)) {
    return false;
  }
  m_colorKey = -1;
  BITMAP size{};
  if (info.hbmColor != nullptr) {
    GetObjectW(info.hbmColor, sizeof(size), &size);
  } else if (info.hbmMask != nullptr) {
    GetObjectW(info.hbmMask, sizeof(size), &size);
    size.bmHeight /= 2;  // a monochrome icon's mask holds the AND and the XOR halves
  }
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
  const int32_t width = size.bmWidth < 1 ? 16 : size.bmWidth;
  const int32_t height = size.bmHeight < 1 ? 16 : size.bmHeight;

  if (!createDib(width, height, 32) || m_bits == nullptr) {
    return false;
  }
  for (int32_t y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(m_bits + static_cast<intptr_t>(y) * m_stride);
    std::fill(row, row + width, 0x00FFFFFFu);
  }
  bool drawn = false;
  {
    SelectedDc dc(m_dib);
    drawn = dc.get() != nullptr &&
            DrawIconEx(dc.get(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
  }
  if (!drawn) {
    return false;
  }
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = m_bits + static_cast<intptr_t>(y) * m_stride;
    for (int32_t x = 0; x < width; ++x) {
      if (row[x * 4 + 3] != 0) {
        return true;  // the icon had alpha
      }
    }
  }
  // No alpha: drawn again on a colour nothing else uses, which becomes the transparent key, and
  // kept at 24 bits. The layer paints only into 32-bit DIBs, so the drawing happens here first.
  constexpr uint32_t kKey = (252u << 16) | (253u << 8) | 254u;
  for (int32_t y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(m_bits + static_cast<intptr_t>(y) * m_stride);
    std::fill(row, row + width, kKey);
  }
  {
    SelectedDc dc(m_dib);
    if (dc.get() == nullptr ||
        !DrawIconEx(dc.get(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL)) {
      return false;
    }
  }
  std::vector<uint8_t> drawnRows(static_cast<size_t>(m_stride) * static_cast<size_t>(height));
  std::memcpy(drawnRows.data(), m_bits, drawnRows.size());
  const int32_t drawnStride = m_stride;
  if (!createDib(width, height, 24) || m_bits == nullptr) {
    return false;
  }
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* in = drawnRows.data() + static_cast<intptr_t>(y) * drawnStride;
    uint8_t* out = m_bits + static_cast<intptr_t>(y) * m_stride;
    for (int32_t x = 0; x < width; ++x) {
      std::memcpy(out + x * 3, in + x * 4, 3);
    }
  }
  m_colorKey = static_cast<int32_t>(kKey);
  return true;
}

bool Bitmap::createFrom(BufferedImage* image, int32_t bitCount, bool keep, uint8_t red,
                        uint8_t green, uint8_t blue) {
  if (image == nullptr) {
    return false;
  }
  const int32_t width = image->isEmpty() ? 0 : image->getWidth();
  const int32_t height = image->isEmpty() ? 0 : image->getHeight();
  BufferedImage* source = image;
  BufferedImage* flattened = nullptr;
  if (image->hasAlpha() && width > 0) {
    if (keep && bitCount == 32) {
      image->recolorTransparent(red, green, blue);
    } else {
      flattened = BufferedImage::takeSized(width, height);
      if (flattened == nullptr || flattened->isEmpty()) {
        if (flattened != nullptr) {
          flattened->release();
        }
        return false;
      }
      flattened->fill(255, red, green, blue);
      flattened->drawImage(0, 0, width, height, image, 0, 0, false);
      source = flattened;
    }
  }
  bool ok = createDib(width, height, bitCount);
  if (ok) {
    if (bitCount == 32) {
      for (int32_t y = 0; y < height; ++y) {
        std::memcpy(getLine(y), source->getLine(y), static_cast<size_t>(width) * 4);
      }
    } else if (bitCount == 24 || bitCount == 16) {
      ok = source->getBitmap() != nullptr && source->getBitmap()->copyTo(this);
    } else if (bitCount == 4 || bitCount == 8) {
      auto* quantizer = filters::reduction::Quantizer::take();
      if (quantizer == nullptr) {
        ok = false;
      } else {
        quantizer->build(source, 1 << bitCount);
        const int32_t count = std::min(quantizer->getBuiltCount(), 1 << bitCount);
        for (int32_t i = 0; i < count; ++i) {
          const uint32_t c = quantizer->getPalette()[i];
          m_info.colors[i].rgbBlue = static_cast<BYTE>(c);
          m_info.colors[i].rgbGreen = static_cast<BYTE>(c >> 8);
          m_info.colors[i].rgbRed = static_cast<BYTE>(c >> 16);
          m_info.colors[i].rgbReserved = 0;
        }
        m_colorCount = 1 << bitCount;
        m_colorTableSize = m_colorCount * 4;
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
    } else {
      // No pixels for a depth this cannot make: the bitmap writes nothing rather than a blank.
      deleteDib();
      ok = false;
    }
  }
  if (flattened != nullptr) {
    flattened->release();
  }
  return ok;
}

}  // namespace s::image::bmp::win
