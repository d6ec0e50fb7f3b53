// An ordered set of image buffers with three tags each and a best image.
#pragma once

#include "core/col/array/ArrayP.h"
#include "core/col/array/ArrayS32.h"
#include "core/thread/ClassTail.h"
#include "imaging/IBufferedImageSet.h"

#include <cstdint>

namespace s::image::win {

class BufferedImage;

/// The images of a multi-image picture, in order, each with a key (its bit count, which the
/// searches compare), a delay (milliseconds) and a mode (1: drawn over the previous image, 2:
/// already composed). The best image is the largest, then the one with the larger key; it is
/// recorded as images are added.
///
/// The set owns its images: `reset` and the set's own release give them back to the
/// BufferedImage pool, while `clear` only forgets them. Every copy (`copy`, `composeFrames`,
/// `getScaledCopy`, `getFilteredCopy`) is a new pooled set of new images, which the caller
/// releases. Pooled (capacity 1000); one thread at a time.
class BufferedImageSet final : public IBufferedImageSet {
  S_POOLED_CLASS(BufferedImageSet, u"s_image_win_BufferedImageSet")

  BufferedImageSet();
  ~BufferedImageSet() override;
  BufferedImageSet(const BufferedImageSet&) = delete;
  BufferedImageSet& operator=(const BufferedImageSet&) = delete;

  int32_t getWidth() override { return m_bestWidth; }
  int32_t getHeight() override { return m_bestHeight; }
  int32_t getImageCount() override { return static_cast<int32_t>(m_images.getCount()); }
  /// The image becomes the best when its area exceeds the best area, or equals it with a larger
  /// key.
  void addImage(BufferedImage* image, int32_t key, int32_t delay, int32_t mode) override;
  /// The best width and height again from the images (their filtered results where they have
  /// filters); the best index and key stay as they were. Answers the image count.
  int32_t recomputeBest() override;
  bool isAnimated() override { return m_animated; }
  uint16_t getLoopCount() override { return m_loopCount; }
  void setAnimation(bool animated, uint16_t loopCount) override;
  /// The tag of image `index`; 1000 for an index outside the set.
  int32_t getDelay(int32_t index) override;
  int32_t getMode(int32_t index) override;
  BufferedImageSet* copy() override;
  /// A new animated set whose images stand alone: each image of mode 1 is drawn over a copy of
  /// the previous result and kept with mode 2; the others are copied with their own modes.
  BufferedImageSet* composeFrames() override;
  BufferedImageSet* getScaledCopy(int32_t width, int32_t height, bool keepAspect) override;
  /// Copies of each image's filtered result, or of the image itself when it has no filters (or
  /// its filters gave nothing).
  BufferedImageSet* getFilteredCopy() override;
  int32_t getBestWidth() override { return m_bestWidth; }
  int32_t getBestHeight() override { return m_bestHeight; }
  int32_t getBestIndex() override { return m_bestIndex; }
  /// Null for an empty set.
  BufferedImage* getBestImage() override { return getImage(m_bestIndex); }
  /// The first image of exactly that size and key; false and index 0 when there is none.
  bool findExact(int32_t width, int32_t height, int32_t key, int32_t* index) override;
  /// An exact match, else the image whose key is nearest, then whose area is nearest, the
  /// earlier image winning a full tie. An empty set answers index 0 and false.
  bool findBest(int32_t width, int32_t height, int32_t key, int32_t* index) override;
  /// As `findBest` with the nearest area first and the nearest key second.
  bool findNearestArea(int32_t width, int32_t height, int32_t key, int32_t* index) override;
  /// Forgets the images without releasing them (they stay with whoever else holds them), drops
  /// the tags and the best record and turns animation off; the loop count stays.
  void clear() override;
  /// Releases every image; tags, best record and animation cleared, loop count 1.
  void reset() override;
  /// The image at `index`, owned by the set; null outside the set.
  BufferedImage* getImage(int32_t index) override;
  /// `addImage(image, 32, 0, 0)`; answers the set.
  BufferedImageSet* addImageDefault(BufferedImage* image) override;

  /// Whether the frames must be composed before they are shown one by one: an animated set of
  /// more than one image where some image after the first is drawn over its predecessor.
  bool mustComposeFrames();
  /// The frame an animation starts with.
  int32_t getStartFrame() { return 0; }
  int32_t getKey(int32_t index);

 private:
  /// A new empty set with this set's animation and loop count.
  BufferedImageSet* takeLike();
  bool findNearest(int32_t width, int32_t height, int32_t key, bool exactOnly, bool areaFirst,
                   int32_t* index);

  col::_array::ArrayP m_images;
  col::_array::ArrayS32 m_keys;
  col::_array::ArrayS32 m_delays;
  col::_array::ArrayS32 m_modes;
  bool m_animated = false;
  uint16_t m_loopCount = 1;
  int32_t m_bestWidth = 0;
  int32_t m_bestHeight = 0;
  int32_t m_bestKey = 0;
  int32_t m_bestIndex = 0;
};

}  // namespace s::image::win
