// The imaging calls the icon archive makes: imaging stands on platform, so the archive reaches
// the icon image codec through this table, which imaging fills in
// (`s::image::ico::installArchiveCalls`) at the program's start-up and in tests. Until then
// the calls answer none.
#pragma once

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

namespace s::archive::icon {

struct IconImaging {
  /// A new pooled image buffer decoded from an icon entry's bytes (read from the array's input
  /// view, which is rewound after), or null when they cannot be decoded.
  image::win::BufferedImage* (*decodeEntry)(col::_array::ArrayU08* bytes) = nullptr;
  /// A pooled icon image read from the bytes likewise, or null.
  image::ico::IIconImage* (*readIconImage)(col::_array::ArrayU08* bytes) = nullptr;
};

/// Installs the table (copied); before the calls that need it, from any thread.
void setIconImaging(const IconImaging& calls);
/// The table installed, or null before any was.
const IconImaging* getIconImaging();

}  // namespace s::archive::icon
