// The interface of an ordered set of image buffers with three tags each.
#pragma once

#include "imaging/IImage.h"

#include <cstdint>

namespace s::image {

namespace win {
class BufferedImage;
class BufferedImageSet;
}  // namespace win

/// A multi-image picture: the frames of an animation (tags: bit count, delay in milliseconds,
/// disposal mode) or the sizes of an icon (tags: bit count and two zeros). `getWidth` and
/// `getHeight` answer the best image's size. See s::image::win::BufferedImageSet.
class IBufferedImageSet : public IImage {
 public:
  virtual int32_t getImageCount() = 0;
  /// Appends `image` (the set owns it from now on) with its tags; a null image is ignored.
  virtual void addImage(win::BufferedImage* image, int32_t key, int32_t delay, int32_t mode) = 0;
  virtual int32_t recomputeBest() = 0;
  virtual bool isAnimated() = 0;
  virtual uint16_t getLoopCount() = 0;
  virtual void setAnimation(bool animated, uint16_t loopCount) = 0;
  virtual int32_t getDelay(int32_t index) = 0;
  virtual int32_t getMode(int32_t index) = 0;
  virtual win::BufferedImageSet* copy() = 0;
  virtual win::BufferedImageSet* composeFrames() = 0;
  virtual win::BufferedImageSet* getScaledCopy(int32_t width, int32_t height, bool keepAspect) = 0;
  virtual win::BufferedImageSet* getFilteredCopy() = 0;
  virtual int32_t getBestWidth() = 0;
  virtual int32_t getBestHeight() = 0;
  virtual int32_t getBestIndex() = 0;
  virtual win::BufferedImage* getBestImage() = 0;
  virtual bool findExact(int32_t width, int32_t height, int32_t key, int32_t* index) = 0;
  virtual bool findBest(int32_t width, int32_t height, int32_t key, int32_t* index) = 0;
  virtual bool findNearestArea(int32_t width, int32_t height, int32_t key, int32_t* index) = 0;
  virtual void clear() = 0;
  // `reset` (s::thread::IPoolable) stands here in the slot order.
  virtual win::BufferedImage* getImage(int32_t index) = 0;
  virtual IBufferedImageSet* addImageDefault(win::BufferedImage* image) = 0;
};

}  // namespace s::image
