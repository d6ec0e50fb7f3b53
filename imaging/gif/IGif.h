// The interface of GIF images.
#pragma once

#include "imaging/IEncodedImage.h"

namespace s::image::gif {

/// A GIF image; see s::image::gif::win::Gif.
class IGif : public IEncodedImage {};

}  // namespace s::image::gif
