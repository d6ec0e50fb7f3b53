// Image sets of the formats that hold one image.
#include "imaging/SingleImageSets.h"

#include "imaging/IEncodedImage.h"
#include "imaging/win/BufferedImage.h"
#include "imaging/win/BufferedImageSet.h"

namespace s::image {

IBufferedImageSet* singleImageSet(IEncodedImage* image, int32_t key) {
  auto* set = win::BufferedImageSet::take();
  if (set == nullptr) {
    return nullptr;
  }
  win::BufferedImage* decoded = image->getImage(0, nullptr);
  if (decoded != nullptr) {
    set->addImage(decoded, key, 0, 0);
  }
  return set;
}

}  // namespace s::image
