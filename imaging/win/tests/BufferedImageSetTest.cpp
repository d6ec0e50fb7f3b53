// Image sets: the best image, the searches, the tags, ownership of the images and the copies.
#include "imaging/win/BufferedImageSet.h"

#include "imaging/filters/IFilter.h"
#include "imaging/tests/Pictures.h"
#include "imaging/win/BufferedImage.h"
#include "testlib/ImageGen.h"

#include <gtest/gtest.h>

using lumetra::imaging_test::pixelAt;
using lumetra::imaging_test::setPixel;
using lumetra::imaging_test::toImage;
using lumetra::testlib::makeGradient;
using lumetra::testlib::Picture;
using s::image::win::BufferedImage;
using s::image::win::BufferedImageSet;

namespace {

struct HeldSet {
  BufferedImageSet* set;
  explicit HeldSet(BufferedImageSet* s) : set(s) {}
  ~HeldSet() {
    if (set != nullptr) set->release();
  }
  BufferedImageSet* operator->() const { return set; }
};

BufferedImage* plain(int32_t width, int32_t height, uint32_t colour) {
  return toImage(Picture(width, height, colour));
}

/// Inverts the colour channels into a new image.
class Invert final : public s::image::filters::IFilter {
 public:
  const WCHAR* getKey() override { return u"Invert"; }
  bool isOwnedByList() override { return false; }
  void setOwnedByList(bool) override {}
  BufferedImage* filter(BufferedImage* source, BufferedImage* destination) override {
    source->copy(destination);
    for (int32_t y = 0; y < destination->getHeight(); ++y) {
      for (int32_t x = 0; x < destination->getWidth(); ++x) {
        setPixel(destination, x, y, pixelAt(destination, x, y) ^ 0x00FFFFFFu);
      }
    }
    return destination;
  }
  void release() override {}
  void reset() override {}
  const WCHAR* getClassName() const override { return u"Invert"; }
  s::base::IObject* newInstance() const override { return nullptr; }
};

}  // namespace

TEST(BufferedImageSet, TheBestImageIsTheLargestThenTheDeepest) {
  HeldSet set(BufferedImageSet::take());
  set->addImage(plain(16, 16, 0xFF000000u), 32, 0, 0);
  set->addImage(plain(32, 32, 0xFF000000u), 32, 0, 0);
  set->addImage(plain(32, 32, 0xFF000000u), 8, 0, 0);
  EXPECT_EQ(1, set->getBestIndex());
  EXPECT_EQ(32, set->getWidth());
  EXPECT_EQ(set->getImage(1), set->getBestImage());
  // A deeper image of the same area takes over.
  set->addImage(plain(32, 32, 0xFF000000u), 33, 0, 0);
  EXPECT_EQ(3, set->getBestIndex());
  set->addImage(nullptr, 64, 0, 0);
  EXPECT_EQ(4, set->getImageCount());

  // recomputeBest takes the sizes of the filtered results but leaves the index and key.
  set->getImage(0)->allocate(40, 40);
  EXPECT_EQ(4, set->recomputeBest());
  EXPECT_EQ(40, set->getBestWidth());
  EXPECT_EQ(40, set->getBestHeight());
  EXPECT_EQ(3, set->getBestIndex());
}

TEST(BufferedImageSet, SearchesPreferKeyOrAreaAndStartFromTheSentinel) {
  HeldSet set(BufferedImageSet::take());
  int32_t index = -1;
  EXPECT_FALSE(set->findBest(20, 20, 8, &index));
  EXPECT_EQ(0, index);
  EXPECT_FALSE(set->findNearestArea(20, 20, 8, &index));
  EXPECT_EQ(0, index);

  set->addImage(plain(16, 16, 0xFF000000u), 32, 0, 0);
  set->addImage(plain(32, 32, 0xFF000000u), 8, 0, 0);
  EXPECT_TRUE(set->findBest(20, 20, 8, &index));
  EXPECT_EQ(1, index);
  EXPECT_TRUE(set->findNearestArea(20, 20, 8, &index));
  EXPECT_EQ(0, index);
  EXPECT_TRUE(set->findExact(16, 16, 32, &index));
  EXPECT_EQ(0, index);
  index = -1;
  EXPECT_FALSE(set->findExact(16, 16, 8, &index));
  EXPECT_EQ(0, index);

  // A full tie goes to the earlier image; an exact match wins at once.
  set->addImage(plain(32, 32, 0xFF000000u), 8, 0, 0);
  EXPECT_TRUE(set->findBest(20, 20, 8, &index));
  EXPECT_EQ(1, index);
  EXPECT_TRUE(set->findBest(32, 32, 8, &index));
  EXPECT_EQ(1, index);

  // However far the only image is, it is the answer.
  HeldSet far(BufferedImageSet::take());
  far->addImage(plain(1, 1, 0xFF000000u), 16000000, 0, 0);
  EXPECT_TRUE(far->findBest(30000, 30000, -16000000, &index));
  EXPECT_EQ(0, index);
}

TEST(BufferedImageSet, TagsAnswer1000PastTheEnd) {
  HeldSet set(BufferedImageSet::take());
  set->addImage(plain(2, 2, 0xFF000000u), 8, 70, 1);
  set->addImageDefault(plain(2, 2, 0xFF000000u));
  EXPECT_EQ(70, set->getDelay(0));
  EXPECT_EQ(1, set->getMode(0));
  EXPECT_EQ(0, set->getDelay(1));
  EXPECT_EQ(32, set->getKey(1));
  EXPECT_EQ(1000, set->getDelay(5));
  EXPECT_EQ(1000, set->getMode(2));
  EXPECT_EQ(1000, set->getDelay(-1));
  EXPECT_EQ(nullptr, set->getImage(2));
}

TEST(BufferedImageSet, ResetReleasesClearForgetsAndCopiesOwnTheirImages) {
  auto& pool = BufferedImage::pool();
  BufferedImage* a = plain(4, 4, 0xFF112233u);
  BufferedImage* b = plain(4, 4, 0xFF445566u);
  BufferedImageSet* set = BufferedImageSet::take();
  set->addImageDefault(a)->addImageDefault(b);
  set->setAnimation(true, 7);

  // clear forgets: the images are the caller's again, untouched.
  set->clear();
  EXPECT_EQ(0, set->getImageCount());
  EXPECT_FALSE(set->isAnimated());
  EXPECT_EQ(7, set->getLoopCount());
  EXPECT_EQ(0, set->getBestWidth());
  EXPECT_EQ(0xFF112233u, pixelAt(a, 0, 0));

  set->addImageDefault(a)->addImageDefault(b);
  BufferedImageSet* copy = set->copy();
  ASSERT_NE(nullptr, copy);
  EXPECT_NE(a, copy->getImage(0));
  EXPECT_EQ(0xFF445566u, pixelAt(copy->getImage(1), 3, 3));

  // Releasing the set gives both images back to the pool; the copy keeps its own.
  const uint32_t before = pool.getFreeCount();
  set->release();
  EXPECT_EQ(before + 2, pool.getFreeCount());
  EXPECT_EQ(0xFF112233u, pixelAt(copy->getImage(0), 1, 1));
  copy->reset();
  EXPECT_EQ(before + 4, pool.getFreeCount());
  EXPECT_EQ(1, copy->getLoopCount());
  copy->release();
}

TEST(BufferedImageSet, CopiesKeepTagsAnimationAndLoopCount) {
  HeldSet set(BufferedImageSet::take());
  set->addImage(toImage(makeGradient(8, 6)), 8, 120, 1);
  set->addImage(toImage(makeGradient(4, 4)), 8, 40, 2);
  set->setAnimation(true, 3);

  Invert invert;
  set->getImage(0)->addFilter(&invert);
  for (BufferedImageSet* copy : {set->copy(), set->getScaledCopy(16, 12, false),
                                 set->getFilteredCopy(), set->getScaledCopy(4, 4, true)}) {
    HeldSet held(copy);
    ASSERT_EQ(2, copy->getImageCount());
    EXPECT_TRUE(copy->isAnimated());
    EXPECT_EQ(3, copy->getLoopCount());
    EXPECT_EQ(8, copy->getKey(1));
    EXPECT_EQ(120, copy->getDelay(0));
    EXPECT_EQ(40, copy->getDelay(1));
    EXPECT_EQ(1, copy->getMode(0));
    EXPECT_EQ(2, copy->getMode(1));
  }
  HeldSet scaled(set->getScaledCopy(16, 12, false));
  EXPECT_EQ(16, scaled->getImage(0)->getWidth());
  EXPECT_EQ(12, scaled->getImage(1)->getHeight());
  HeldSet aspect(set->getScaledCopy(4, 4, true));
  EXPECT_EQ(4, aspect->getImage(0)->getWidth());
  EXPECT_EQ(3, aspect->getImage(0)->getHeight());
  HeldSet filtered(set->getFilteredCopy());
  EXPECT_EQ(pixelAt(set->getImage(0), 2, 3) ^ 0x00FFFFFFu, pixelAt(filtered->getImage(0), 2, 3));
  EXPECT_EQ(pixelAt(set->getImage(1), 2, 3), pixelAt(filtered->getImage(1), 2, 3));
  set->getImage(0)->detachAllFilters();
}

TEST(BufferedImageSet, ComposingShowsThePreviousFrameThroughAHole) {
  HeldSet set(BufferedImageSet::take());
  set->addImage(plain(4, 4, 0xFF0000FFu), 8, 10, 0);
  Picture holed(4, 4, 0xFFFF0000u);
  holed.at(1, 2) = 0x00000000u;
  set->addImage(toImage(holed), 8, 20, 1);
  // A smaller frame drawn over its predecessor covers only its corner.
  set->addImage(plain(2, 2, 0xFF00FF00u), 8, 30, 1);
  set->addImage(plain(4, 4, 0xFFFFFFFFu), 8, 40, 0);
  set->setAnimation(true, 0);
  EXPECT_TRUE(set->mustComposeFrames());

  HeldSet composed(set->composeFrames());
  ASSERT_EQ(4, composed->getImageCount());
  EXPECT_TRUE(composed->isAnimated());
  EXPECT_EQ(0, composed->getLoopCount());
  EXPECT_EQ(0xFF0000FFu, pixelAt(composed->getImage(1), 1, 2));
  EXPECT_EQ(0xFFFF0000u, pixelAt(composed->getImage(1), 2, 2));
  EXPECT_EQ(0xFF00FF00u, pixelAt(composed->getImage(2), 1, 1));
  EXPECT_EQ(0xFF0000FFu, pixelAt(composed->getImage(2), 1, 2));
  EXPECT_EQ(0xFFFF0000u, pixelAt(composed->getImage(2), 3, 3));
  EXPECT_EQ(0xFFFFFFFFu, pixelAt(composed->getImage(3), 1, 2));
  EXPECT_EQ(0, composed->getMode(0));
  EXPECT_EQ(2, composed->getMode(1));
  EXPECT_EQ(2, composed->getMode(2));
  EXPECT_EQ(0, composed->getMode(3));
  EXPECT_EQ(30, composed->getDelay(2));
  // Composed frames stand alone.
  EXPECT_FALSE(composed->mustComposeFrames());
  EXPECT_EQ(0, set->getStartFrame());

  set->setAnimation(false, 0);
  EXPECT_FALSE(set->mustComposeFrames());
  HeldSet single(BufferedImageSet::take());
  single->addImage(plain(2, 2, 0xFF000000u), 8, 0, 1);
  single->setAnimation(true, 1);
  EXPECT_FALSE(single->mustComposeFrames());
}
