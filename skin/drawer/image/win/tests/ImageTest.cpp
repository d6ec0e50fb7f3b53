// The image drawer with in-memory images on a white canvas: placement and stretching, the black
// frame with the image one pixel inside, the filtered result in place of the image, an image with
// alpha composed into the back buffer under overlay against one drawn through the context, and
// what draws nothing.
#include "skin/drawer/image/win/Basic.h"

#include "imaging/filters/IFilter.h"
#include "imaging/win/BufferedImage.h"
#include "skin/drawer/tests/DrawerPage.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using lumetra::skintest::Page;
using s::gui::drawer::image::win::Basic;
using s::image::win::BufferedImage;

/// Gives a pooled image back at the end of the scope.
struct Held {
  explicit Held(BufferedImage* i) : image(i) {}
  ~Held() {
    if (image != nullptr) image->release();
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  BufferedImage* operator->() const { return image; }
  BufferedImage* image;
};

BufferedImage* solid(int w, int h, uint8_t alpha, uint8_t r, uint8_t g, uint8_t b) {
  BufferedImage* image = BufferedImage::takeSized(w, h);
  image->fill(alpha, r, g, b);
  return image;
}

/// A filter that inverts every colour, lent to the image (the list does not own it).
class Invert final : public s::image::filters::IFilter {
 public:
  const WCHAR* getClassName() const override { return u"Invert"; }
  s::base::IObject* newInstance() const override { return nullptr; }
  void release() override {}
  void reset() override {}
  const WCHAR* getKey() override { return u"invert"; }
  bool isOwnedByList() override { return false; }
  void setOwnedByList(bool) override {}
  BufferedImage* filter(BufferedImage* source, BufferedImage* destination) override {
    if (destination == nullptr) destination = BufferedImage::take();
    destination->allocate(source->getWidth(), source->getHeight());
    for (int y = 0; y < source->getHeight(); ++y) {
      const uint8_t* from = source->getLine(y);
      uint8_t* to = destination->getLine(y);
      for (int x = 0; x < source->getWidth() * 4; ++x) {
        to[x] = (x % 4 == 3) ? from[x] : static_cast<uint8_t>(255 - from[x]);
      }
    }
    destination->setHasAlpha(source->hasAlpha());
    return destination;
  }
};

class ImageDrawer : public testing::Test {
 protected:
  void SetUp() override { drawer = Basic::take(); }
  void TearDown() override { drawer->release(); }
  Basic* drawer = nullptr;
};

TEST_F(ImageDrawer, PlacedAtTheRectangleOrStretchedOverIt) {
  EXPECT_EQ(std::u16string(drawer->getClassName()), u"s_gui_drawer_image_win_Basic");
  Held red(solid(4, 3, 255, 255, 0, 0));
  Page page(20, 20);
  drawer->paint(&page.dc, nullptr, 5, 6, 15, 16, red.image, false, false, false);
  EXPECT_EQ(page.count(RGB(255, 0, 0)), 12);
  EXPECT_EQ(page.inked().left, 5);
  EXPECT_EQ(page.inked().top, 6);
  Page stretched(20, 20);
  drawer->paint(&stretched.dc, nullptr, 5, 6, 15, 16, red.image, true, false, false);
  EXPECT_EQ(stretched.count(RGB(255, 0, 0)), 100);
}

TEST_F(ImageDrawer, TheFrameIsBlackAndTheImageOnePixelInside) {
  Held green(solid(30, 30, 255, 0, 200, 0));
  Page page(20, 20);
  drawer->paint(&page.dc, nullptr, 2, 2, 12, 10, green.image, false, true, false);
  for (int x = 2; x < 12; ++x) {
    EXPECT_EQ(page.color(x, 2), RGB(0, 0, 0));
    EXPECT_EQ(page.color(x, 9), RGB(0, 0, 0));
  }
  for (int y = 2; y < 10; ++y) {
    EXPECT_EQ(page.color(2, y), RGB(0, 0, 0));
    EXPECT_EQ(page.color(11, y), RGB(0, 0, 0));
  }
  EXPECT_EQ(page.count(RGB(0, 200, 0)), 8 * 6) << "cut to the inside of the frame";
  EXPECT_EQ(page.inked().right, 12);
  EXPECT_EQ(page.inked().bottom, 10);
}

TEST_F(ImageDrawer, AnImageWithFiltersShowsItsFilteredResult) {
  Held image(solid(4, 4, 255, 255, 0, 0));
  Invert invert;
  image->addFilter(&invert);
  Page page(10, 10);
  drawer->paint(&page.dc, nullptr, 0, 0, 10, 10, image.image, false, false, false);
  EXPECT_EQ(page.count(RGB(0, 255, 255)), 16);
  EXPECT_EQ(page.count(RGB(255, 0, 0)), 0);
  image->removeAllFilters();
}

TEST_F(ImageDrawer, OverlayComposesAnImageWithAlphaIntoTheBackBuffer) {
  Held back(solid(10, 10, 255, 255, 255, 255));
  Held half(solid(4, 4, 128, 0, 0, 255));
  Page page(10, 10);
  drawer->paint(&page.dc, back.image, 2, 2, 8, 8, half.image, false, false, true);
  EXPECT_TRUE(page.blank()) << "nothing through the context";
  const uint8_t* composed = back->getLine(3) + 3 * 4;
  EXPECT_NEAR(composed[0], 255, 1) << "blue stays";
  EXPECT_NEAR(composed[2], 127, 2) << "red halfway to the image's 0";
  const uint8_t* outside = back->getLine(1) + 1 * 4;
  EXPECT_EQ(outside[2], 255);

  // Without overlay, or for an opaque image, the image draws through the context instead.
  Held untouched(solid(10, 10, 255, 255, 255, 255));
  drawer->paint(&page.dc, untouched.image, 2, 2, 8, 8, half.image, false, false, false);
  EXPECT_FALSE(page.blank());
  Held opaque(solid(4, 4, 255, 0, 0, 255));
  Page direct(10, 10);
  drawer->paint(&direct.dc, untouched.image, 2, 2, 8, 8, opaque.image, false, false, true);
  EXPECT_EQ(direct.count(RGB(0, 0, 255)), 16);
  EXPECT_EQ(untouched->getLine(3)[3 * 4 + 2], 255) << "the back buffer is left alone";
}

TEST_F(ImageDrawer, NothingWithoutAnImageOrForAnEmptyRectangle) {
  Held red(solid(4, 4, 255, 255, 0, 0));
  Page page(10, 10);
  drawer->paint(&page.dc, nullptr, 0, 0, 10, 10, nullptr, false, true, false);
  drawer->paint(&page.dc, nullptr, 5, 0, 5, 10, red.image, false, true, false);
  drawer->paint(&page.dc, nullptr, 0, 7, 10, 2, red.image, false, false, false);
  EXPECT_TRUE(page.blank());
}

}  // namespace
