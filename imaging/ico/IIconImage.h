// The interface of one image of an icon file.
#pragma once

#include "imaging/IEncodedImage.h"

namespace s::image::ico {

/// One image of an icon or cursor file; see s::image::ico::win::IconImage.
class IIconImage : public IEncodedImage {};

}  // namespace s::image::ico
