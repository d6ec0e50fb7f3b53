// The interface of BMP images and device-independent bitmaps.
#pragma once

#include "imaging/IEncodedImage.h"

namespace s::image::bmp {

/// A BMP image; see s::image::bmp::win::Bitmap.
class IBitmap : public IEncodedImage {};

}  // namespace s::image::bmp
