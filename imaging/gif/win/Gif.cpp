// GIF images: any number of 8-bit frames with their own palettes, transparency, delays and a
// loop count, read and written by our own code.
#include "imaging/gif/win/Gif.h"

#include "core/io/IInputStream.h"
#include "core/io/IOutputStream.h"
#include "core/io/Io.h"
#include "imaging/EncodeSettingLink.h"
#include "imaging/HeaderIo.h"
#include "imaging/ImageLimits.h"
#include "imaging/bmp/win/Bitmap.h"
#include "imaging/filters/reduction/Quantizer.h"
#include "imaging/gif/EncodeSetting.h"
#include "imaging/win/BufferedImage.h"
#include "imaging/win/BufferedImageSet.h"
#include "imaging/win/ImageSearch.h"

#include <algorithm>
#include <cstring>

namespace s::image::gif::win {

using bmp::win::Bitmap;
using image::win::BufferedImage;
using image::win::BufferedImageSet;

namespace {

constexpr uint8_t kExtension = 0x21;
constexpr uint8_t kImage = 0x2C;
constexpr uint8_t kTrailer = 0x3B;
constexpr uint8_t kControlLabel = 0xF9;
constexpr uint8_t kApplicationLabel = 0xFF;
constexpr char kNetscape[] = "NETSCAPE2.0";
/// The bytes of image data read before they are decoded.
constexpr uint32_t kPieceSize = 16384;

void put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

uint32_t get16(const uint8_t* p) { return uint32_t{p[0]} | (uint32_t{p[1]} << 8); }

bool readByte(io::IInputStream* stream, uint8_t* byte) { return readHeader(stream, byte, 1); }

/// The palette index of pixel x of a row of 1, 4 or 8 bits per pixel.
uint8_t indexAt(const uint8_t* row, int32_t x, int32_t bits) {
  switch (bits) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) != 0 ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    default: return row[x];
  }
}

}  // namespace

Gif::Gif() {
  m_frames.setDisposer(&Bitmap::pool());
  reset();
}

Gif::~Gif() {
  m_frames.freeAll();
  m_data.freeAll();
  m_pixels.freeAll();
}

void Gif::releaseFrames() {
  m_frames.freeAll();
  m_transparentIndex.freeAll();
  m_delay.freeAll();
  m_disposal.freeAll();
}

void Gif::reset() {
  m_data.freeAll();
  m_pixels.freeAll();
  m_bitsPerPixel = 0;
  m_interlaced = 0;
  m_loopCount = 1;
  m_globalCount = m_globalSize = m_localCount = m_localSize = 0;
  releaseFrames();
}

void Gif::appendFrame(Bitmap* frame, int32_t transparentIndex, int32_t delay, int32_t disposal) {
  m_frames.push(frame);
  m_transparentIndex.add(&transparentIndex, 1);
  m_delay.add(&delay, 1);
  m_disposal.add(&disposal, 1);
}

Bitmap* Gif::getFrame(int32_t index) {
  if (index < 0 || index >= getFrameCount()) {
    return nullptr;
  }
  return static_cast<Bitmap*>(m_frames.getItems()[index]);
}

int32_t Gif::getTransparentIndex(int32_t index) {
  return getFrame(index) != nullptr ? m_transparentIndex.getItems()[index] : -1;
}

int32_t Gif::getFrameDelay(int32_t index) {
  return getFrame(index) != nullptr ? m_delay.getItems()[index] : 0;
}

int32_t Gif::getDisposal(int32_t index) {
  return getFrame(index) != nullptr ? m_disposal.getItems()[index] : 0;
}

int32_t Gif::getWidth() {
  Bitmap* first = getFrame(0);
  return first != nullptr ? first->getWidth() : 0;
}

int32_t Gif::getHeight() {
  Bitmap* first = getFrame(0);
  return first != nullptr ? first->getHeight() : 0;
}

int32_t Gif::getBitCount() { return getFrame(0) != nullptr ? getFrame(0)->getBitCount() : 0; }
int32_t Gif::getStride() { return getFrame(0) != nullptr ? getFrame(0)->getStride() : 0; }
bool Gif::isTrueColorAlpha() { return getFrame(0) != nullptr && getFrame(0)->isTrueColorAlpha(); }
bool Gif::hasColorTable() { return getFrame(0) != nullptr && getFrame(0)->hasColorTable(); }
int32_t Gif::getColorCount() { return getFrame(0) != nullptr ? getFrame(0)->getColorCount() : 0; }
int32_t Gif::getColorTableSize() {
  return getFrame(0) != nullptr ? getFrame(0)->getColorTableSize() : 0;
}

bool Gif::hasTransparentColor() {
  for (int32_t i = 0; i < getFrameCount(); ++i) {
    if (m_transparentIndex.getItems()[i] >= 0) {
      return true;
    }
  }
  return false;
}

bool Gif::createDib(int32_t width, int32_t height, int32_t bits) {
  releaseFrames();
  Bitmap* frame = Bitmap::take();
  if (frame == nullptr) {
    return false;
  }
  const bool ok = frame->createDib(width, height, bits);
  appendFrame(frame, -1, 0, 0);
  return ok;
}

bool Gif::createFromHBitmap(HBITMAP bitmap) {
  if (getFrameCount() == 1) {
    return getFrame(0)->createFromHBitmap(bitmap);
  }
  releaseFrames();
  Bitmap* frame = Bitmap::take();
  if (frame == nullptr) {
    return false;
  }
  const bool ok = frame->createFromHBitmap(bitmap);
  appendFrame(frame, -1, 0, 0);
  return ok;
}

bool Gif::copyTo(Bitmap* target) { return getFrame(0) != nullptr && getFrame(0)->copyTo(target); }

// ---- writing ----

bool Gif::write(io::IOutputStream* stream) {
  Bitmap* first = getFrame(0);
  // Nothing sensible can be written without a frame.
  if (stream == nullptr || first == nullptr) {
    return false;
  }
  for (int32_t i = 0; i < getFrameCount(); ++i) {
    if (!isWritable(getFrame(i))) {
      return false;  // refused before a byte is written
    }
  }
  const int32_t bits = first->getBitCount();
  uint8_t header[13];
  std::memcpy(header, "GIF89a", 6);
  put16(header + 6, static_cast<uint32_t>(first->getWidth()));
  put16(header + 8, static_cast<uint32_t>(first->getHeight()));
  header[10] = static_cast<uint8_t>((((bits - 1) & 7) << 4) | ((bits - 1) & 7));
  header[11] = 0;
  header[12] = 0;
  std::memcpy(m_header, header, sizeof(header));
  if (!io::writeFully(stream, header, sizeof(header))) {
    return false;
  }
  uint8_t loop[19] = {kExtension, kApplicationLabel, 11};
  std::memcpy(loop + 3, kNetscape, 11);
  loop[14] = 3;
  loop[15] = 1;
  put16(loop + 16, m_loopCount);
  loop[18] = 0;
  if (!io::writeFully(stream, loop, sizeof(loop))) {
    return false;
  }
  for (int32_t i = 0; i < getFrameCount(); ++i) {
    if (!writeFrame(stream, i)) {
      return false;
    }
  }
  const uint8_t trailer = kTrailer;
  return io::writeFully(stream, &trailer, 1);
}

bool Gif::isWritable(Bitmap* frame) {
  // Only palette frames have pixels GIF can hold.
  const int32_t bits = frame->getBitCount();
  return (bits == 1 || bits == 4 || bits == 8) && frame->getBits() != nullptr &&
         frame->getWidth() >= 1 && frame->getHeight() >= 1 && frame->getWidth() <= 65535 &&
         frame->getHeight() <= 65535;
}

bool Gif::writeFrame(io::IOutputStream* stream, int32_t index) {
  Bitmap* frame = getFrame(index);
  const int32_t bits = frame->getBitCount();
  const int32_t width = frame->getWidth();
  const int32_t height = frame->getHeight();
  const int32_t transparent = m_transparentIndex.getItems()[index];
  const int32_t delay = std::clamp(m_delay.getItems()[index] / 10, 0, 65535);
  uint8_t control[8] = {kExtension, kControlLabel, 4};
  control[3] =
      static_cast<uint8_t>(((m_disposal.getItems()[index] & 7) << 2) | (transparent >= 0 ? 1 : 0));
  put16(control + 4, static_cast<uint32_t>(delay));
  control[6] = static_cast<uint8_t>(transparent >= 0 ? transparent : 0);
  control[7] = 0;
  std::memcpy(m_control, control + 2, sizeof(m_control));

  uint8_t descriptor[10] = {kImage};
  put16(descriptor + 5, static_cast<uint32_t>(width));
  put16(descriptor + 7, static_cast<uint32_t>(height));
  descriptor[9] = static_cast<uint8_t>(0x80 + (bits - 1));
  std::memcpy(m_descriptor, descriptor + 1, sizeof(m_descriptor));

  // The table has 1 << bits entries, as the descriptor says; entries the bitmap lacks are black.
  const int32_t entries = 1 << bits;
  const RGBQUAD* colors = frame->getColorTable();
  const int32_t known = std::min(frame->getColorCount(), entries);
  std::memset(m_localTable, 0, sizeof(m_localTable));
  for (int32_t c = 0; c < known; ++c) {
    m_localTable[c * 3] = colors[c].rgbRed;
    m_localTable[c * 3 + 1] = colors[c].rgbGreen;
    m_localTable[c * 3 + 2] = colors[c].rgbBlue;
  }
  m_localCount = entries;
  m_localSize = entries * 3;
  const uint8_t codeSize = static_cast<uint8_t>(std::max(2, bits));
  if (!io::writeFully(stream, control, sizeof(control)) ||
      !io::writeFully(stream, descriptor, sizeof(descriptor)) ||
      !io::writeFully(stream, m_localTable, static_cast<uint32_t>(m_localSize)) ||
      !io::writeFully(stream, &codeSize, 1)) {
    return false;
  }
  bool ok = false;
  if (bits == 8) {
    ok = m_lzw.encode(frame->getLine(0), width, height, codeSize, -intptr_t{frame->getStride()},
                      stream);
  } else {
    // Packed pixels go to the coder one byte each.
    m_pixels.setCount(static_cast<uint32_t>(width) * static_cast<uint32_t>(height));
    uint8_t* out = m_pixels.getItems();
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* row = frame->getLine(y);
      for (int32_t x = 0; x < width; ++x) {
        *out++ = indexAt(row, x, bits);
      }
    }
    ok = m_lzw.encode(m_pixels.getItems(), width, height, codeSize, width, stream);
    m_pixels.clear();
  }
  const uint8_t terminator = 0;
  return ok && io::writeFully(stream, &terminator, 1);
}

// ---- reading ----

bool Gif::skipSubBlocks(io::IInputStream* stream) {
  uint8_t block[255];
  for (;;) {
    uint8_t length = 0;
    if (!readByte(stream, &length)) {
      return false;
    }
    if (length == 0) {
      return true;
    }
    if (!readHeader(stream, block, length)) {
      return false;
    }
  }
}

bool Gif::read(io::IInputStream* stream) {
  reset();
  if (stream == nullptr || !readHeader(stream, m_header, sizeof(m_header))) {
    return false;
  }
  // The signature is not compared: anything with the layout reads.
  const uint8_t packed = m_header[10];
  m_bitsPerPixel = (packed & 7) + 1;
  if ((packed & 0x80) != 0) {
    m_globalCount = 1 << m_bitsPerPixel;
    m_globalSize = m_globalCount * 3;
    if (!readHeader(stream, m_globalTable, static_cast<uint32_t>(m_globalSize))) {
      return false;
    }
  } else {
    // Without a table the indices are grey levels.
    m_globalCount = 256;
    m_globalSize = 768;
    for (int32_t i = 0; i < 256; ++i) {
      std::memset(m_globalTable + i * 3, i, 3);
    }
  }
  bool pendingControl = false;
  int64_t pixelTotal = 0;
  for (;;) {
    uint8_t block = 0;
    if (!readByte(stream, &block) || block == kTrailer) {
      break;  // a stream that ends between blocks is read as far as it goes
    }
    if (block == kImage) {
      bool stop = false;
      if (!readImage(stream, &pendingControl, &pixelTotal, &stop) || stop) {
        return false;
      }
      continue;
    }
    if (block != kExtension) {
      continue;  // stray bytes between blocks are passed over
    }
    uint8_t label = 0;
    uint8_t length = 0;
    if (!readByte(stream, &label) || !readByte(stream, &length)) {
      return false;
    }
    uint8_t first[255];
    if (!readHeader(stream, first, length)) {
      return false;
    }
    if (length == 0) {
      continue;  // an extension without data
    }
    if (label == kControlLabel && length >= 4) {
      m_control[0] = length;
      std::memcpy(m_control + 1, first, 4);
      pendingControl = true;
    } else if (label == kApplicationLabel && length == 11) {
      m_application[0] = length;
      std::memcpy(m_application + 1, first, 11);
      if (std::memcmp(first, kNetscape, 11) == 0) {
        if (!readByte(stream, &length) || !readHeader(stream, first, length)) {
          return false;
        }
        if (length == 3) {
          m_loopCount = static_cast<uint16_t>(get16(first + 1));
        }
        if (length == 0) {
          continue;
        }
      }
    }
    if (!skipSubBlocks(stream)) {
      return false;
    }
  }
  return hasFrames();
}

bool Gif::readImage(io::IInputStream* stream, bool* pendingControl, int64_t* pixelTotal,
                    bool* stop) {
  if (!readHeader(stream, m_descriptor, sizeof(m_descriptor))) {
    return false;
  }
  // Left and top are not kept: every frame starts at the top-left corner.
  const int32_t width = static_cast<int32_t>(get16(m_descriptor + 4));
  const int32_t height = static_cast<int32_t>(get16(m_descriptor + 6));
  const uint8_t packed = m_descriptor[8];
  const uint8_t* table = m_globalTable;
  int32_t count = m_globalCount;
  if ((packed & 0x80) != 0) {
    m_bitsPerPixel = (packed & 7) + 1;
    m_localCount = 1 << m_bitsPerPixel;
    m_localSize = m_localCount * 3;
    if (!readHeader(stream, m_localTable, static_cast<uint32_t>(m_localSize))) {
      return false;
    }
    table = m_localTable;
    count = m_localCount;
  }
  m_interlaced = (packed >> 6) & 1;
  uint8_t codeSize = 0;
  if (!readByte(stream, &codeSize)) {
    return false;
  }
  const bool control = *pendingControl;
  *pendingControl = false;
  if (width == 0 || height == 0) {
    return skipSubBlocks(stream);  // nothing to show: read past it
  }
  const int64_t pixels = int64_t{width} * height;
  if (!isDecodableSize(width, height) || *pixelTotal + pixels > 2 * decodablePixelLimit() ||
      getFrameCount() >= kMaxFrames) {
    *stop = true;
    return true;
  }
  *pixelTotal += pixels;

  Bitmap* frame = Bitmap::take();
  if (frame == nullptr || !frame->createDib(width, height, 8) || frame->getBits() == nullptr) {
    if (frame != nullptr) {
      frame->release();
    }
    *stop = true;
    return true;
  }
  RGBQUAD* colors = frame->getColorTable();
  for (int32_t i = 0; i < std::min(count, 256); ++i) {
    colors[i].rgbRed = table[i * 3];
    colors[i].rgbGreen = table[i * 3 + 1];
    colors[i].rgbBlue = table[i * 3 + 2];
    colors[i].rgbReserved = 0;
  }
  // The data are decoded as they are read, a few dozen sub-blocks at a time: a copy of the
  // frame's whole data would only be written once and read once, in fresh pages.
  m_lzw.startDecoding(frame->getLine(0), codeSize, -intptr_t{frame->getStride()}, width, height,
                      m_interlaced != 0);
  if (m_data.getCount() < kPieceSize) {
    m_data.setCount(kPieceSize);
  }
  uint8_t* piece = m_data.getItems();
  uint32_t held = 0;
  bool complete = true;
  for (;;) {
    uint8_t length = 0;
    if (!readByte(stream, &length)) {
      complete = false;
      break;
    }
    if (length == 0) {
      break;
    }
    if (held + length > kPieceSize) {
      m_lzw.decodePiece(piece, held);
      held = 0;
    }
    if (!readHeader(stream, piece + held, length)) {
      complete = false;
      break;
    }
    held += length;
  }
  m_lzw.decodePiece(piece, held);
  m_lzw.finishDecoding();
  int32_t transparent = -1;
  int32_t disposal = 0;
  int32_t delay = 0;
  if (control) {
    transparent = (m_control[1] & 1) != 0 ? m_control[4] : -1;
    disposal = (m_control[1] >> 2) & 7;
    delay = static_cast<int32_t>(get16(m_control + 2)) * 10;
  }
  appendFrame(frame, transparent, delay, disposal);
  return complete;
}

// ---- pictures ----

BufferedImage* Gif::getImage(int32_t index, BufferedImage* target) {
  Bitmap* frame = getFrame(index);
  if (frame == nullptr) {
    return nullptr;
  }
  const int32_t width = frame->getWidth();
  const int32_t height = frame->getHeight();
  if (frame->getBitCount() == 8 && frame->getColorCount() == 256 && frame->getBits() != nullptr &&
      width > 0 && height > 0) {
    // The usual frame, one index a pixel with a full table: each index becomes its colour in one
    // pass, opaque, the transparent index with alpha 0.
    if (target != nullptr) {
      target->ensureCapacity(width, height);
      target->setSize(width, height);
    } else {
      target = BufferedImage::takeSized(width, height);
      if (target == nullptr) {
        return nullptr;
      }
    }
    if (target->isEmpty()) {
      target->setSize(0, 0);
      target->setHasAlpha(false);
      return target;
    }
    uint32_t colours[256];
    const RGBQUAD* table = frame->getColorTable();
    for (int32_t i = 0; i < 256; ++i) {
      colours[i] = 0xFF000000u | (uint32_t{table[i].rgbRed} << 16) |
                   (uint32_t{table[i].rgbGreen} << 8) | table[i].rgbBlue;
    }
    const int32_t transparent = m_transparentIndex.getItems()[index];
    if (transparent >= 0 && transparent < 256) {
      colours[transparent] &= 0x00FFFFFFu;
    }
    bool any = false;
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* row = frame->getLine(y);
      uint8_t* out = target->getLine(y);
      for (int32_t x = 0; x < width; ++x) {
        std::memcpy(out + 4 * static_cast<size_t>(x), &colours[row[x]], 4);
      }
      if (transparent >= 0 && !any) {
        any = std::memchr(row, transparent, static_cast<size_t>(width)) != nullptr;
      }
    }
    target->setHasAlpha(any);
    return target;
  }
  target = frame->getImage(0, target);
  const int32_t transparent = m_transparentIndex.getItems()[index];
  if (target == nullptr || transparent < 0 || target->isEmpty() || frame->getBits() == nullptr) {
    return target;
  }
  const int32_t bits = frame->getBitCount();
  if (bits > 8) {
    return target;
  }
  bool any = false;
  for (int32_t y = 0; y < target->getHeight(); ++y) {
    const uint8_t* row = frame->getLine(y);
    uint8_t* out = target->getLine(y);
    for (int32_t x = 0; x < target->getWidth(); ++x) {
      if (indexAt(row, x, bits) == transparent) {
        out[x * 4 + 3] = 0;
        any = true;
      }
    }
  }
  target->setHasAlpha(any);
  return target;
}

IBufferedImageSet* Gif::getImageSet() {
  BufferedImageSet* set = BufferedImageSet::take();
  if (set == nullptr) {
    return nullptr;
  }
  int32_t width = 0;
  int32_t height = 0;
  for (int32_t i = 0; i < getFrameCount(); ++i) {
    width = std::max(width, getFrame(i)->getWidth());
    height = std::max(height, getFrame(i)->getHeight());
  }
  // Frames of very different shapes could make a canvas (times the frame count) far beyond what
  // the file itself holds: then every frame keeps its own size.
  const bool centred = isDecodableSize(width, height) &&
                       int64_t{width} * height * getFrameCount() <= 2 * decodablePixelLimit();
  for (int32_t i = 0; i < getFrameCount(); ++i) {
    BufferedImage* image = getImage(i, nullptr);
    if (image == nullptr) {
      continue;
    }
    if (centred && (image->getWidth() != width || image->getHeight() != height)) {
      // A smaller frame stands centred on opaque white.
      BufferedImage* placed = BufferedImage::takeSized(width, height);
      if (placed == nullptr) {
        image->release();
        continue;
      }
      placed->fill(255, 255, 255, 255);
      const int32_t left = (width - image->getWidth()) / 2;
      const int32_t top = (height - image->getHeight()) / 2;
      if (!placed->isEmpty()) {
        for (int32_t y = 0; y < image->getHeight(); ++y) {
          std::memcpy(placed->getLine(top + y) + left * 4, image->getLine(y),
                      static_cast<size_t>(image->getWidth()) * 4);
        }
      }
      placed->setHasAlpha(image->hasAlpha());
      image->release();
      image = placed;
    }
    set->addImage(image, getFrame(i)->getBitCount(), getFrameDelay(i), getDisposal(i));
  }
  if (hasFrames()) {
    set->setAnimation(true, m_loopCount);
  }
  return set;
}

bool Gif::createFrom(BufferedImage* image, int32_t bits, bool keep, uint8_t red, uint8_t green,
                     uint8_t blue, uint8_t threshold) {
  if (image == nullptr || image->isEmpty() || bits < 1 || bits > 8) {
    return false;
  }
  const int32_t width = image->getWidth();
  const int32_t height = image->getHeight();
  BufferedImage* source = image;
  BufferedImage* made = nullptr;
  int32_t transparent = -1;
  const int32_t colours = (1 << bits) - 1;
  if (image->hasAlpha()) {
    if (keep) {
      made = image->copy(nullptr);
      if (made != nullptr) {
        made->thresholdAlpha(threshold);
        made->recolorTransparent(red, green, blue);
      }
      // The quantizer maps every pixel that is not opaque to its colour count, the one index
      // the palette leaves free.
      transparent = colours;
    } else {
      made = BufferedImage::takeSized(width, height);
      if (made != nullptr) {
        made->fill(255, red, green, blue);
        made->drawImage(0, 0, width, height, image, 0, 0, false);
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
  Bitmap* frame = Bitmap::take();
  auto* quantizer = filters::reduction::Quantizer::take();
  bool ok = frame != nullptr && quantizer != nullptr && frame->createDib(width, height, 8) &&
            frame->getBits() != nullptr;
  if (ok) {
    quantizer->build(source, colours);
    RGBQUAD* table = frame->getColorTable();
    const int32_t built = std::min(quantizer->getBuiltCount(), quantizer->getColourCount());
    for (int32_t i = 0; i < quantizer->getColourCount(); ++i) {
      const uint32_t c = i < built ? quantizer->getPalette()[i] : 0;
      table[i].rgbBlue = static_cast<BYTE>(c);
      table[i].rgbGreen = static_cast<BYTE>(c >> 8);
      table[i].rgbRed = static_cast<BYTE>(c >> 16);
      table[i].rgbReserved = 0;
    }
    for (int32_t y = 0; y < height; ++y) {
      quantizer->mapRow(reinterpret_cast<const uint32_t*>(source->getLine(y)), width,
                        frame->getLine(y), 8);
    }
    appendFrame(frame, transparent, 0, 0);
    frame = nullptr;
  }
  if (frame != nullptr) {
    frame->release();
  }
  if (quantizer != nullptr) {
    quantizer->release();
  }
  if (made != nullptr) {
    made->release();
  }
  return ok;
}

bool Gif::createFromSet(IBufferedImageSet* set, int32_t bits, bool keep, uint8_t red, uint8_t green,
                        uint8_t blue) {
  releaseFrames();
  if (set == nullptr || set->getImageCount() == 0) {
    return false;
  }
  if (set->getImageCount() == 1 || !set->isAnimated()) {
    return createFrom(set->getBestImage(), bits, keep, red, green, blue, kAlphaThreshold);
  }
  m_loopCount = set->getLoopCount();
  BufferedImage* previous = nullptr;
  bool ok = true;
  for (int32_t i = 0; i < set->getImageCount() && ok; ++i) {
    BufferedImage* image = set->getImage(i);
    if (i == 0) {
      previous = image->copy(nullptr);
      ok = previous != nullptr && createFrom(image, bits, keep, red, green, blue, kAlphaThreshold);
      if (ok) {
        m_disposal.getItems()[0] = set->getMode(0);
      }
    } else {
      BufferedImage* composed = previous->copy(nullptr);
      BufferedImage* changes = nullptr;
      if (composed != nullptr) {
        composed->drawImage(0, 0, image->getWidth(), image->getHeight(), image, 0, 0, false);
        changes = composed->copy(nullptr);
      }
      ok = changes != nullptr;
      if (ok) {
        // Pixels that did not change become transparent: the frame below shows through.
        changes->maskMatching(previous);
        ok = createFrom(changes, bits, true, red, green, blue, kAlphaThreshold);
        if (ok) {
          m_disposal.getItems()[i] = 1;
        }
      }
      if (changes != nullptr) {
        changes->release();
      }
      previous->release();
      previous = composed;
    }
    if (ok) {
      m_delay.getItems()[i] = set->getDelay(i);
    }
  }
  if (previous != nullptr) {
    previous->release();
  }
  return ok;
}

// An unbound setting keeps transparency over white; a GIF that was never read has no bit count
// of its own and takes 8.
IEncodedImage* Gif::createLike(BufferedImage* image) {
  return withDefaultSetting<EncodeSetting>([this, image](EncodeSetting* setting) {
    setting->setBpp(m_bitsPerPixel > 0 ? m_bitsPerPixel : 8);
    return setting->createEncoded(image);
  });
}

IEncodedImage* Gif::createLikeFromSet(IBufferedImageSet* set) {
  return withDefaultSetting<EncodeSetting>([this, set](EncodeSetting* setting) {
    setting->setBpp(m_bitsPerPixel > 0 ? m_bitsPerPixel : 8);
    return setting->createFromSet(set);
  });
}

bool Gif::findFrame(int32_t width, int32_t height, int32_t bitCount, bool exactOnly, bool areaFirst,
                    int32_t* index) {
  auto describe = [this](int32_t i, int32_t* w, int32_t* h, int32_t* k) {
    *w = getFrame(i)->getWidth();
    *h = getFrame(i)->getHeight();
    *k = getFrame(i)->getBitCount();
  };
  return image::win::searchImages(getFrameCount(), describe, width, height, bitCount, exactOnly,
                                  areaFirst, index);
}

bool Gif::findExactFrame(int32_t width, int32_t height, int32_t bitCount, int32_t* index) {
  return findFrame(width, height, bitCount, true, false, index);
}

bool Gif::findBestFrame(int32_t width, int32_t height, int32_t bitCount, int32_t* index) {
  return findFrame(width, height, bitCount, false, false, index);
}

bool Gif::findNearestAreaFrame(int32_t width, int32_t height, int32_t bitCount, int32_t* index) {
  return findFrame(width, height, bitCount, false, true, index);
}

}  // namespace s::image::gif::win
