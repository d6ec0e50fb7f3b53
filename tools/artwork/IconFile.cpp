// Icon files put together from encoded images.
#include "tools/artwork/IconFile.h"

#include <cstddef>

namespace tools::artwork {

namespace {

void put16(std::vector<uint8_t>* out, uint32_t value) {
  out->push_back(static_cast<uint8_t>(value));
  out->push_back(static_cast<uint8_t>(value >> 8));
}

void put32(std::vector<uint8_t>* out, uint32_t value) {
  put16(out, value & 0xFFFF);
  put16(out, value >> 16);
}

uint32_t get32(const std::vector<uint8_t>& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
         static_cast<uint32_t>(bytes[at + 3]) << 24;
}

void set32(std::vector<uint8_t>* bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    (*bytes)[at + i] = static_cast<uint8_t>(value >> (8 * i));
  }
}

constexpr size_t kFileHeader = 14;
constexpr size_t kInfoHeader = 40;

}  // namespace

std::vector<uint8_t> makeIconFile(const std::vector<IconImage>& images) {
  std::vector<uint8_t> out;
  put16(&out, 0);  // reserved
  put16(&out, 1);  // an icon, not a cursor
  put16(&out, static_cast<uint32_t>(images.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (const IconImage& image : images) {
    // A side of 256 is stored as 0.
    out.push_back(static_cast<uint8_t>(image.size >= 256 ? 0 : image.size));
    out.push_back(static_cast<uint8_t>(image.size >= 256 ? 0 : image.size));
    out.push_back(0);  // no palette
    out.push_back(0);
    put16(&out, 1);   // planes
    put16(&out, 32);  // bits per pixel
    put32(&out, static_cast<uint32_t>(image.bytes.size()));
    put32(&out, offset);
    offset += static_cast<uint32_t>(image.bytes.size());
  }
  for (const IconImage& image : images) {
    out.insert(out.end(), image.bytes.begin(), image.bytes.end());
  }
  return out;
}

bool iconBitmapFromBmp(const std::vector<uint8_t>& bmp, std::vector<uint8_t>* out) {
  if (bmp.size() < kFileHeader + kInfoHeader || bmp[0] != 'B' || bmp[1] != 'M' ||
      get32(bmp, kFileHeader) != kInfoHeader) {
    return false;
  }
  const int32_t width = static_cast<int32_t>(get32(bmp, kFileHeader + 4));
  const int32_t height = static_cast<int32_t>(get32(bmp, kFileHeader + 8));
  const uint32_t bits = bmp[kFileHeader + 14] | bmp[kFileHeader + 15] << 8;
  const uint32_t compression = get32(bmp, kFileHeader + 16);
  const uint32_t pixelsAt = get32(bmp, 10);
  // Bottom-up rows only: the icon's mask follows the same order.
  if (width <= 0 || height <= 0 || bits != 32 || compression != 0) {
    return false;
  }
  const size_t pixelBytes = static_cast<size_t>(width) * height * 4;
  if (pixelsAt + pixelBytes > bmp.size()) {
    return false;
  }
  const size_t maskStride = ((static_cast<size_t>(width) + 31) / 32) * 4;
  std::vector<uint8_t> mask(maskStride * height, 0);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      uint8_t alpha = bmp[pixelsAt + (static_cast<size_t>(y) * width + x) * 4 + 3];
      if (alpha == 0) {
        mask[y * maskStride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  out->assign(bmp.begin() + kFileHeader, bmp.begin() + kFileHeader + kInfoHeader);
  set32(out, 8, static_cast<uint32_t>(height) * 2);
  set32(out, 20, static_cast<uint32_t>(pixelBytes + mask.size()));
  out->insert(out->end(), bmp.begin() + pixelsAt, bmp.begin() + pixelsAt + pixelBytes);
  out->insert(out->end(), mask.begin(), mask.end());
  return true;
}

}  // namespace tools::artwork
