// The program's pictures, drawn from code: the two skin pictures and the icon images.
#pragma once

#include <cstdint>

namespace s::image::win {
class BufferedImage;
}

namespace tools::artwork {

/// The skin pictures' size at display scale 1: the About window's width, a third as high.
constexpr int32_t kSkinWidth = 336;
constexpr int32_t kSkinHeight = 112;

/// The icon sizes, smallest first; the largest is stored as PNG, the others as bitmaps.
constexpr int32_t kIconSizes[] = {16, 32, 48, 64, 128, 256};

/// Skin picture `which` (1 or 2) into a new opaque image of the skin size; null when no image
/// could be made.
s::image::win::BufferedImage* drawSkinPicture(int which);

/// The program icon at `size` x `size`, 32-bit with alpha (transparent outside its rounded
/// square), into a new image; null when no image could be made.
s::image::win::BufferedImage* drawIcon(int32_t size);

}  // namespace tools::artwork
