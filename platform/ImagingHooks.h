// The few imaging calls that platform makes (the screen capture's image buffers and the icon
// archive's entry decoding): imaging stands on platform, so platform reaches them through this
// table, which imaging fills in (`s::image::installPlatformHooks`) at the
// program's start-up and in tests. Until then every call answers none.
#pragma once

#include <windows.h>

#include <cstdint>

namespace s::col::_array {
class ArrayU08;
}
namespace s::image::win {
class BufferedImage;
}
namespace s::image::ico {
class IIconImage;
}

namespace s::platform {

struct ImagingHooks {
  /// A pooled image of width x height over its DIB section, or null.
  image::win::BufferedImage* (*takeImage)(int32_t width, int32_t height) = nullptr;
  /// The image's DIB section, which a memory DC can select.
  HBITMAP (*getBitmap)(image::win::BufferedImage* image) = nullptr;
  /// Sets every alpha byte to 0xFF and marks the image as having no alpha.
  void (*makeOpaque)(image::win::BufferedImage* image) = nullptr;
  /// Gives the image back to its pool.
  void (*release)(image::win::BufferedImage* image) = nullptr;
  /// A new pooled image buffer decoded from an icon entry's bytes (read from the array's input
  /// view, which is rewound after), or null when they cannot be decoded.
  image::win::BufferedImage* (*decodeIconEntry)(col::_array::ArrayU08* bytes) = nullptr;
  /// A pooled icon image read from an icon entry's bytes likewise, or null.
  image::ico::IIconImage* (*readIconImage)(col::_array::ArrayU08* bytes) = nullptr;
};

/// Installs the table (copied); any thread, before the calls that need it.
void setImagingHooks(const ImagingHooks& hooks);
/// The table installed, or null before any was.
const ImagingHooks* getImagingHooks();

}  // namespace s::platform
