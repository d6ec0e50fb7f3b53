// Saving and loading of encoded images by path, shared by every codec.
#pragma once

#include <winnt.h>

namespace s::file::win {
class PathWin;
}

namespace s::image {

class IEncodedImage;

/// `saveToFile` of every codec: an existing file is left untouched (answer true); otherwise the
/// file is written, and the answer is false when it cannot be opened, written or closed.
bool saveEncodedImage(IEncodedImage* image, file::win::PathWin* path);
bool saveEncodedImage(IEncodedImage* image, const WCHAR* path);
/// `loadFromFile` of every codec: false for a missing path or a non-file, when `read` fails, or
/// when the file cannot be closed.
bool loadEncodedImage(IEncodedImage* image, file::win::PathWin* path);
bool loadEncodedImage(IEncodedImage* image, const WCHAR* path);

}  // namespace s::image
