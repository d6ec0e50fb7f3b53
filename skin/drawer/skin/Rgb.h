// One colour of a skin preset, as its three channels.
#pragma once

#include <cstdint>

namespace s::gui::drawer::skin {

struct Rgb {
  int32_t red;
  int32_t green;
  int32_t blue;
};

}  // namespace s::gui::drawer::skin
