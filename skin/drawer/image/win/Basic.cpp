// The image drawer's frame, filtered image and alpha composition.
#include "skin/drawer/image/win/Basic.h"

#include "imaging/win/BufferedImage.h"
#include "skin/drawer/Paint.h"

namespace s::gui::drawer::image::win {

using ::s::image::win::BufferedImage;

void Basic::paint(CDC* dc, BufferedImage* backBuffer, int32_t left, int32_t top, int32_t right,
                  int32_t bottom, ::s::image::IImage* image, bool stretch, bool border,
                  bool overlay) {
  if (dc == nullptr || left >= right || top >= bottom || image == nullptr) {
    return;
  }
  auto* buffered = dynamic_cast<BufferedImage*>(image);
  if (buffered == nullptr) {
    return;
  }
  if (border) {
    const int32_t w = right - left;
    const int32_t h = bottom - top;
    fill(dc, left, top, w, 1, RGB(0, 0, 0));
    fill(dc, left, bottom - 1, w, 1, RGB(0, 0, 0));
    fill(dc, left, top, 1, h, RGB(0, 0, 0));
    fill(dc, right - 1, top, 1, h, RGB(0, 0, 0));
    ++left;
    ++top;
    --right;
    --bottom;
    if (left >= right || top >= bottom) {
      return;
    }
  }
  BufferedImage* shown = buffered;
  if (buffered->hasFilters()) {
    // A filter that fails leaves the image as it is rather than showing nothing.
    BufferedImage* filtered = buffered->getFiltered();
    if (filtered != nullptr) {
      shown = filtered;
    }
  }
  if (overlay && shown->hasAlpha() && backBuffer != nullptr) {
    backBuffer->drawImage(left, top, right - left, bottom - top, shown, 0, 0, stretch);
  } else {
    shown->drawTo(dc, left, top, right - left, bottom - top, stretch);
  }
}

}  // namespace s::gui::drawer::image::win
