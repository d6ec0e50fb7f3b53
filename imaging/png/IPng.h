// The interface of PNG images.
#pragma once

#include "imaging/IEncodedImage.h"

namespace s::image::png {

/// A PNG image; see s::image::png::win::Png.
class IPng : public IEncodedImage {};

}  // namespace s::image::png
