// The interface of JPEG images.
#pragma once

#include "imaging/IEncodedImage.h"

namespace s::image::jpg {

/// A JPEG image; see s::image::jpg::win::Jpeg.
class IJpeg : public IEncodedImage {};

}  // namespace s::image::jpg
