// The image buffer: capacity, row addressing, composition, transforms, alpha operations, the
// filter list, scaling and drawing into a device context.
#include "imaging/win/BufferedImage.h"

#include "core/col/array/ArrayP.h"
#include "imaging/filters/IFilter.h"
#include "imaging/tests/Pictures.h"
#include "testlib/ImageGen.h"

#include <afxwin.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using lumetra::imaging_test::pixelAt;
using lumetra::imaging_test::setPixel;
using lumetra::imaging_test::toImage;
using lumetra::imaging_test::toPicture;
using lumetra::testlib::makeGradient;
using lumetra::testlib::Picture;
using s::image::win::BufferedImage;

namespace {

/// Releases a pooled image at the end of a scope.
struct Held {
  BufferedImage* image;
  explicit Held(BufferedImage* i) : image(i) {}
  ~Held() {
    if (image != nullptr) image->release();
  }
  BufferedImage* operator->() const { return image; }
  operator BufferedImage*() const { return image; }
};

/// The composition formula, written out once more per channel as a plain reference.
uint32_t composeReference(uint32_t s, uint32_t d) {
  const int sa = static_cast<int>(s >> 24), da = static_cast<int>(d >> 24);
  if (sa == 0) return d;
  if (sa == 255 || da == 0) return s;
  const int oa = sa + da - (((sa + 1) * da) >> 8);
  const int k = sa * 256 / oa;
  uint32_t out = static_cast<uint32_t>(oa) << 24;
  for (int shift = 0; shift < 24; shift += 8) {
    const int sc = static_cast<int>((s >> shift) & 0xFF),
              dc = static_cast<int>((d >> shift) & 0xFF);
    out |= static_cast<uint32_t>((dc + ((k * (sc - dc)) >> 8)) & 0xFF) << shift;
  }
  return out;
}

}  // namespace

TEST(BufferedImage, CapacityGrowsByOneFifthPerSideAndKeepsThePixels) {
  Held empty(BufferedImage::take());
  empty->ensureCapacity(101, 10);
  EXPECT_EQ(101, empty->getCapacityWidth());
  EXPECT_EQ(10, empty->getCapacityHeight());

  Picture picture = makeGradient(100, 10);
  Held image(toImage(picture, 0));
  image->ensureCapacity(101, 10);
  EXPECT_EQ(120, image->getCapacityWidth());
  EXPECT_EQ(10, image->getCapacityHeight());
  EXPECT_EQ(100, image->getWidth());
  EXPECT_EQ(picture.pixels, toPicture(image).pixels);

  // Growing only the height must not shrink the width below the visible rows.
  Held other(toImage(picture, 0));
  other->reserve(50, 20);
  EXPECT_GE(other->getCapacityWidth(), 100);
  EXPECT_EQ(20, other->getCapacityHeight());
  EXPECT_EQ(100, other->getWidth());
  EXPECT_EQ(10, other->getHeight());
  EXPECT_EQ(picture.pixels, toPicture(other).pixels);
}

TEST(BufferedImage, RowsAreAddressedFromTheTopOfTheCapacity) {
  Held image(BufferedImage::takeSized(8, 6));
  image->setSize(5, 4);
  EXPECT_EQ(20, image->getStride());
  EXPECT_EQ(32, image->getCapacityStride());
  EXPECT_EQ(image->getBits() + 5 * 32, image->getLine(0));
  EXPECT_EQ(image->getBits() + 2 * 32, image->getLine(3));
  // A store of more than 2^31 bytes is never made: the buffer stays empty.
  Held huge(BufferedImage::takeSized(32768, 32768));
  EXPECT_TRUE(huge->isEmpty());
  EXPECT_EQ(nullptr, huge->getBits());
  EXPECT_EQ(0, huge->getScaled(10, 10, false)->getWidth());
}

TEST(BufferedImage, ComposesEveryPairOfAlphasByTheFormula) {
  // Source column x has alpha x, target row y has alpha y; the colours differ in each channel.
  Picture src(256, 256), dst(256, 256);
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      src.at(x, y) =
          (static_cast<uint32_t>(x) << 24) | (0x00C81E64u ^ (static_cast<uint32_t>(y) << 4));
      dst.at(x, y) = (static_cast<uint32_t>(y) << 24) | (0x00327DF0u ^ static_cast<uint32_t>(x));
    }
  }
  Held source(toImage(src));
  Held target(toImage(dst));
  target->drawImage(0, 0, 256, 256, source, 0, 0, false);
  Picture out = toPicture(target);
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      ASSERT_EQ(composeReference(src.at(x, y), dst.at(x, y)), out.at(x, y)) << x << ", " << y;
    }
  }
  EXPECT_TRUE(target->hasAlpha());

  // A target without alpha counts as opaque: alpha 128 over it gives 255.
  Picture half(1, 1, 0x80FF0000u), opaque(1, 1, 0x000000FFu);
  Held h(toImage(half));
  Held o(toImage(opaque));
  o->setHasAlpha(false);
  o->drawImage(0, 0, 1, 1, h, 0, 0, false);
  EXPECT_EQ(255u, pixelAt(o, 0, 0) >> 24);
  EXPECT_FALSE(o->hasAlpha());
}

TEST(BufferedImage, ComposingClipsBothOrigins) {
  Picture src = makeGradient(10, 10);
  Held source(toImage(src));
  Held target(toImage(Picture(6, 6, 0xFF000000u)));
  target->drawImage(-3, 0, 10, 10, source, 1, 2, false);
  EXPECT_EQ(src.at(4, 2), pixelAt(target, 0, 0));
  EXPECT_EQ(src.at(9, 7), pixelAt(target, 5, 5));

  // A negative source origin from the caller is clamped: target column 2 gets source column 0.
  Held second(toImage(Picture(6, 6, 0xFF000000u)));
  second->drawImage(0, 0, 10, 10, source, -2, -1, false);
  EXPECT_EQ(0xFF000000u, pixelAt(second, 1, 0));
  EXPECT_EQ(src.at(0, 0), pixelAt(second, 2, 1));
  EXPECT_EQ(src.at(3, 4), pixelAt(second, 5, 5));

  Held outside(toImage(Picture(6, 6, 0xFF000000u)));
  outside->drawImage(6, 0, 10, 10, source, 0, 0, false);
  outside->drawImage(0, -20, 10, 10, source, 0, 0, false);
  EXPECT_EQ(std::vector<uint32_t>(36, 0xFF000000u), toPicture(outside).pixels);
}

TEST(BufferedImage, TransformsMovePixelsAndReuseTheTarget) {
  // 3 x 2: a b c / d e f
  Picture p(3, 2);
  for (int i = 0; i < 6; ++i)
    p.pixels[static_cast<size_t>(i)] = 0xFF000000u | static_cast<uint32_t>(i + 1);
  Held image(toImage(p));
  image->setHasAlpha(true);
  Held target(BufferedImage::takeSized(9, 9));
  auto ids = [](BufferedImage* i) {
    std::vector<uint32_t> v;
    for (uint32_t px : toPicture(i).pixels) v.push_back(px & 0xFF);
    return v;
  };
  ASSERT_EQ(target.image, image->rotateRight(target));
  EXPECT_EQ(2, target->getWidth());
  EXPECT_EQ(3, target->getHeight());
  EXPECT_EQ(9, target->getCapacityWidth());  // the target's capacity is reused
  EXPECT_EQ((std::vector<uint32_t>{4, 1, 5, 2, 6, 3}), ids(target));
  EXPECT_TRUE(target->hasAlpha());
  image->rotateLeft(target);
  EXPECT_EQ((std::vector<uint32_t>{3, 6, 2, 5, 1, 4}), ids(target));
  image->rotate180(target);
  EXPECT_EQ((std::vector<uint32_t>{6, 5, 4, 3, 2, 1}), ids(target));
  image->flipHorizontal(target);
  EXPECT_EQ((std::vector<uint32_t>{3, 2, 1, 6, 5, 4}), ids(target));
  image->flipVertical(target);
  EXPECT_EQ((std::vector<uint32_t>{4, 5, 6, 1, 2, 3}), ids(target));
  Held copied(image->copy(nullptr));
  EXPECT_EQ((std::vector<uint32_t>{1, 2, 3, 4, 5, 6}), ids(copied));

  Held one(toImage(Picture(1, 1, 0xFF123456u)));
  for (auto op :
       {&BufferedImage::rotateRight, &BufferedImage::rotateLeft, &BufferedImage::rotate180,
        &BufferedImage::flipHorizontal, &BufferedImage::flipVertical}) {
    Held t((one.image->*op)(nullptr));
    ASSERT_EQ(1, t->getWidth());
    EXPECT_EQ(0xFF123456u, pixelAt(t, 0, 0));
  }
  Held empty(BufferedImage::take());
  Held fromEmpty(empty->rotateRight(nullptr));
  EXPECT_EQ(0, fromEmpty->getWidth());
}

TEST(BufferedImage, AlphaOperations) {
  Picture p(4, 1);
  p.pixels = {0x00AABBCCu, 0x80102030u, 0xFF102030u, 0x40FFFFFFu};
  Held image(toImage(p));
  image->flattenOnWhite();
  EXPECT_EQ(0xFFFFFFFFu, pixelAt(image, 0, 0));
  // c = (c (a + 1) + 255 (256 - a)) >> 8 at a = 128
  EXPECT_EQ(0xFF000000u | (((0x10 * 129 + 255 * 128) >> 8) << 16) |
                (((0x20 * 129 + 255 * 128) >> 8) << 8) | ((0x30 * 129 + 255 * 128) >> 8),
            pixelAt(image, 1, 0));
  EXPECT_EQ(0xFF102030u, pixelAt(image, 2, 0));
  EXPECT_FALSE(image->hasAlpha());

  Held keyed(toImage(p));
  keyed->setHasAlpha(false);
  keyed->makeColorTransparent(0x10, 0x20, 0x30);
  EXPECT_EQ(0xFFAABBCCu, pixelAt(keyed, 0, 0));
  EXPECT_EQ(0x00102030u, pixelAt(keyed, 1, 0));
  EXPECT_EQ(0x00102030u, pixelAt(keyed, 2, 0));
  EXPECT_TRUE(keyed->hasAlpha());
  keyed->recolorTransparent(1, 2, 3);
  EXPECT_EQ(0x00010203u, pixelAt(keyed, 1, 0));
  EXPECT_EQ(0xFFAABBCCu, pixelAt(keyed, 0, 0));

  Held thresholded(toImage(p));
  thresholded->thresholdAlpha(0x80);
  EXPECT_EQ((std::vector<uint32_t>{0x00AABBCCu, 0xFF102030u, 0xFF102030u, 0x00FFFFFFu}),
            toPicture(thresholded).pixels);
  EXPECT_TRUE(thresholded->hasAlpha());
  thresholded->makeOpaque();
  EXPECT_FALSE(thresholded->hasAlpha());
  thresholded->updateHasAlpha();
  EXPECT_FALSE(thresholded->hasAlpha());
  EXPECT_EQ(0xFFAABBCCu, pixelAt(thresholded, 0, 0));

  Held masked(toImage(p));
  masked->setHasAlpha(false);
  Held other(toImage(Picture(4, 1, 0xFF102030u)));
  masked->maskMatching(other);
  EXPECT_EQ(0x00AABBCCu, pixelAt(masked, 0, 0));
  EXPECT_EQ(0x40FFFFFFu, pixelAt(masked, 3, 0));
  EXPECT_EQ(0x00102030u, pixelAt(masked, 1, 0));
  EXPECT_EQ(0x00102030u, pixelAt(masked, 2, 0));
  EXPECT_TRUE(masked->hasAlpha());

  masked->fill(255, 1, 2, 3);
  EXPECT_EQ(std::vector<uint32_t>(4, 0xFF010203u), toPicture(masked).pixels);
  EXPECT_FALSE(masked->hasAlpha());
  // makeOpaque's blocks of eight leave the spare capacity alone.
  Held wide(toImage(makeGradient(19, 2)));
  wide->fill(7, 1, 1, 1);
  wide->makeOpaque();
  EXPECT_EQ(std::vector<uint32_t>(38, 0xFF010101u), toPicture(wide).pixels);
  EXPECT_EQ(0x5AA5C33Cu, pixelAt(wide, 19, 0));
}

namespace {

/// A filter that counts its releases and inverts the colours of what it filters; null once it
/// is told to fail.
class CountingFilter final : public s::image::filters::IFilter {
 public:
  const WCHAR* getClassName() const override { return u"CountingFilter"; }
  s::base::IObject* newInstance() const override { return nullptr; }
  void release() override { ++released; }
  void reset() override {}
  const WCHAR* getKey() override { return key; }
  bool isOwnedByList() override { return owned; }
  void setOwnedByList(bool o) override { owned = o; }
  BufferedImage* filter(BufferedImage* source, BufferedImage* destination) override {
    ++runs;
    if (fail) return nullptr;
    source->copy(destination);
    for (int32_t y = 0; y < destination->getHeight(); ++y) {
      for (int32_t x = 0; x < destination->getWidth(); ++x) {
        setPixel(destination, x, y, pixelAt(destination, x, y) ^ 0x00FFFFFFu);
      }
    }
    return destination;
  }

  const WCHAR* key = u"counting";
  bool owned = true;
  bool fail = false;
  int released = 0;
  int runs = 0;
};

}  // namespace

TEST(BufferedImage, FilterListReleasesOnlyOwnedFilters) {
  CountingFilter owned, borrowed, third;
  borrowed.owned = false;
  const WCHAR otherKey[] = u"counting";  // the same text at another address
  third.key = otherKey;
  {
    Held image(toImage(Picture(2, 2, 0xFF102030u)));
    image->addFilter(&owned);
    image->insertFilter(&borrowed, 0);
    image->addFilter(&third);
    int32_t index = -1;
    EXPECT_TRUE(image->findFilter(owned.key, &index));
    EXPECT_EQ(0, index);  // the borrowed filter has the same key text object
    EXPECT_TRUE(image->findFilter(otherKey, &index));
    EXPECT_EQ(2, index);
    EXPECT_FALSE(image->findFilter(u"other", &index));

    BufferedImage* filtered = image->getFiltered();
    ASSERT_NE(nullptr, filtered);
    EXPECT_EQ(filtered, image->getFiltered());        // cached
    EXPECT_EQ(0xFFEFDFCFu, pixelAt(filtered, 1, 1));  // inverted three times
    EXPECT_EQ(1, owned.runs);

    image->removeFilter(2);
    EXPECT_EQ(1, third.released);
    EXPECT_EQ(2u, image->getFilters()->getCount());
    owned.fail = true;
    EXPECT_EQ(nullptr, image->applyFilters());
    image->detachAllFilters();
    EXPECT_FALSE(image->hasFilters());
    EXPECT_EQ(0, owned.released);
    image->addFilter(&owned);
    image->addFilter(&borrowed);
  }
  // Giving the image back released the owned filter once and never the borrowed one.
  EXPECT_EQ(1, owned.released);
  EXPECT_EQ(0, borrowed.released);
  {
    auto* image = BufferedImage::create();
    image->addFilter(&owned);
    image->addFilter(&borrowed);
    delete image;  // destruction as well
  }
  EXPECT_EQ(2, owned.released);
  EXPECT_EQ(0, borrowed.released);
}

TEST(BufferedImage, ScaledCopiesAreCachedPerSize) {
  Held image(toImage(makeGradient(40, 20)));
  EXPECT_EQ(image.image, image->getScaled(40, 20, false));
  BufferedImage* half = image->getScaled(20, 10, false);
  ASSERT_NE(nullptr, half);
  EXPECT_EQ(20, half->getWidth());
  EXPECT_EQ(half, image->getScaled(20, 10, false));
  EXPECT_EQ(half, image->getScaledCache());
  // keepAspect fits the box: 30 x 30 becomes 30 x 15; the cache object is reused.
  BufferedImage* fitted = image->getScaled(30, 30, true);
  EXPECT_EQ(half, fitted);
  EXPECT_EQ(30, fitted->getWidth());
  EXPECT_EQ(15, fitted->getHeight());
  // Zero sides scale to nothing.
  BufferedImage* zero = image->getScaled(0, 10, false);
  ASSERT_NE(nullptr, zero);
  EXPECT_EQ(0, zero->getWidth());
  EXPECT_EQ(0, zero->getHeight());
  Held empty(BufferedImage::take());
  BufferedImage* none = empty->getScaled(10, 10, false);
  ASSERT_NE(nullptr, none);
  EXPECT_EQ(0, none->getWidth());
}

TEST(BufferedImage, DrawsIntoADeviceContextPlainAndScaled) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 8;
  info.bmiHeader.biHeight = -8;  // top-down: row 0 first in memory
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(nullptr, dib);
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(memory, dib);
  CDC dc;
  dc.Attach(memory);
  auto at = [&](int x, int y) {
    return static_cast<const uint32_t*>(bits)[y * 8 + x] & 0x00FFFFFFu;
  };

  Picture p = makeGradient(3, 2);
  Held image(toImage(p));
  image->drawTo(&dc, 2, 1, 10, 10, false);
  EXPECT_EQ(p.at(0, 0) & 0x00FFFFFFu, at(2, 1));
  EXPECT_EQ(p.at(2, 1) & 0x00FFFFFFu, at(4, 2));
  EXPECT_EQ(0u, at(5, 2));

  Held plain(toImage(Picture(2, 2, 0xFF00FF00u)));
  plain->drawTo(&dc, 0, 4, 4, 4, true);
  for (int y = 4; y < 8; ++y) {
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(0x0000FF00u, at(x, y)) << x << ", " << y;
    }
  }
  dc.Detach();
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(dib);
}
