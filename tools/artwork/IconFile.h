// Icon files (.ico) put together from encoded images.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tools::artwork {

/// One image of an icon file: its side in pixels (256 at most) and its bytes, a PNG stream or a
/// bitmap as `iconBitmapFromBmp` makes it. Every image is 32 bits per pixel.
struct IconImage {
  int32_t size;
  std::vector<uint8_t> bytes;
};

/// The icon file: its header, one directory record per image, then the images in order.
std::vector<uint8_t> makeIconFile(const std::vector<IconImage>& images);

/// The icon form of a 32-bit BMP file with a 40-byte info header: the header with the height
/// doubled (colour rows and mask rows), the pixels, then the AND mask (a set bit for every
/// pixel whose alpha is 0). False for any other kind of file.
bool iconBitmapFromBmp(const std::vector<uint8_t>& bmp, std::vector<uint8_t>* out);

}  // namespace tools::artwork
