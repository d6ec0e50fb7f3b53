// The basic image drawer.
#pragma once

#include "gui/drawer/IImage.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::image {

/// Every operation is the kind's.
class IBasic : public drawer::IImage {};

}  // namespace s::gui::drawer::image
