// The largest image any decoder makes.
#pragma once

#include <cstdint>

namespace s::image {

/// The longest side a decoded image may have, in pixels.
constexpr int32_t kMaxImageSide = 32768;
/// The most pixels a decoded image may have: 256 MiB at 32 bits.
constexpr int64_t kMaxImagePixels = int64_t{1} << 26;

/// True when a decoder may make an image of this size: each side 1 to kMaxImageSide and at most
/// the pixel limit in force (kMaxImagePixels unless lowered).
bool isDecodableSize(int64_t width, int64_t height);

/// The pixel limit in force.
int64_t decodablePixelLimit();

/// Lowers (or restores) the pixel limit of `isDecodableSize`; meant for the fuzz targets, whose
/// memory is bounded. Not thread-safe: set it before decoding starts.
void setDecodablePixelLimit(int64_t pixels);

}  // namespace s::image
