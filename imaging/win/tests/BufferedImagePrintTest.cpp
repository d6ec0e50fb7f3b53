// Printing an image on the headless driver's test printer: the dialog, the page layout, turning
// and scaling, flattening, sharpening, and what happens without a printer.
#include "imaging/win/BufferedImage.h"

#include "imaging/filters/sharpness/Sharpness.h"
#include "imaging/tests/Pictures.h"

#include <windows.h>
#include <winmsgbox.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"

#include <string>
#include <vector>

using lumetra::imaging_test::setPixel;
using s::image::win::BufferedImage;

namespace {

winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }

std::vector<std::u16string> g_boxes;

int WINAPI recordBox(HWND, LPCWSTR text, LPCWSTR, UINT) {
  g_boxes.emplace_back(text != nullptr ? text : u"");
  return IDOK;
}

// 60 x 40 mm at 192 dpi, twice the screen's 96: the printable area is 401 x 302 dots less
// nothing below, 200 x 151 screen pixels, and every image pixel prints as 2 x 2 dots.
class ImagePrinting : public ::testing::Test {
 protected:
  void SetUp() override {
    headless().setTestPrinter(winapi::Printer{u"Test Printer", u"LPT1:", 60, 40, 192, 192});
    headless().takePrintedPages();
    headless().clearAnswers();
    g_boxes.clear();
    m_previous = winapi::seam::replaceMessageBoxW(&recordBox);
  }
  void TearDown() override {
    winapi::seam::replaceMessageBoxW(m_previous);
    headless().removeTestPrinter();
    headless().clearAnswers();
  }

  static BufferedImage* filled(int32_t width, int32_t height, uint8_t r, uint8_t g, uint8_t b) {
    BufferedImage* image = BufferedImage::takeSized(width, height);
    image->fill(255, r, g, b);
    image->setHasAlpha(false);
    return image;
  }

  static uint32_t at(const winapi::PrintedPage& page, int x, int y) {
    return page.pixels[static_cast<size_t>(y) * static_cast<size_t>(page.width) +
                       static_cast<size_t>(x)] &
           0xFFFFFFu;
  }

  winapi::seam::MessageBoxFunction m_previous = nullptr;
};

TEST_F(ImagePrinting, ASmallImagePrintsAtItsSizeInDotsOnAWhitePage) {
  BufferedImage* image = filled(10, 8, 255, 0, 0);
  headless().scriptPrint();
  image->print(false, false, false);
  image->release();

  std::vector<winapi::PrintedPage> pages = headless().takePrintedPages();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0].output, u"LPT1:") << "the port the dialog chose";
  EXPECT_EQ(at(pages[0], 0, 0), 0xFF0000u);
  EXPECT_EQ(at(pages[0], 19, 15), 0xFF0000u);
  EXPECT_EQ(at(pages[0], 20, 5), 0xFFFFFFu) << "10 pixels are 20 dots";
  EXPECT_EQ(at(pages[0], 5, 16), 0xFFFFFFu);
  EXPECT_TRUE(g_boxes.empty());
}

TEST_F(ImagePrinting, ATooWideImageIsScaledIntoThePageAndTurnedWhenAsked) {
  BufferedImage* image = filled(300, 100, 0, 0, 255);
  headless().scriptPrint();
  image->print(false, false, false);
  headless().scriptPrint();
  image->print(true, false, false);
  image->release();

  std::vector<winapi::PrintedPage> pages = headless().takePrintedPages();
  ASSERT_EQ(pages.size(), 2u);
  // Kept wide: 200 x 66 pixels, 400 x 132 dots.
  EXPECT_EQ(at(pages[0], 390, 120), 0x0000FFu);
  EXPECT_EQ(at(pages[0], 390, 140), 0xFFFFFFu);
  // Turned: 100 x 300 into 200 x 151 is about 50 x 151 pixels, 100 x 302 dots.
  EXPECT_EQ(at(pages[1], 90, 290), 0x0000FFu);
  EXPECT_EQ(at(pages[1], 110, 10), 0xFFFFFFu);
}

TEST_F(ImagePrinting, TransparencyPrintsOnWhiteAndTheImageItselfStaysAsItWas) {
  BufferedImage* image = filled(4, 4, 0, 255, 0);
  setPixel(image, 1, 1, 0x00000000u);
  image->setHasAlpha(true);
  headless().scriptPrint();
  image->print(false, false, false);
  EXPECT_TRUE(image->hasAlpha()) << "the page gets a flattened copy";
  image->release();
  std::vector<winapi::PrintedPage> pages = headless().takePrintedPages();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(at(pages[0], 1, 1), 0x00FF00u);
  EXPECT_EQ(at(pages[0], 2, 2), 0xFFFFFFu) << "the transparent pixel is white";
  EXPECT_EQ(at(pages[0], 3, 3), 0xFFFFFFu);
  EXPECT_EQ(at(pages[0], 4, 4), 0x00FF00u);
}

TEST_F(ImagePrinting, SharpeningChangesThePrintAndFiltersOfTheImageAreApplied) {
  BufferedImage* image = filled(20, 20, 128, 128, 128);
  for (int y = 0; y < 20; ++y) {
    for (int x = 10; x < 20; ++x) setPixel(image, x, y, 0xFF404040u);
  }
  headless().scriptPrint();
  image->print(false, false, false);
  headless().scriptPrint();
  image->print(false, true, false);
  // A filter of the image's own list: the filtered image is what prints.
  s::image::filters::sharpness::Sharpness* blur =
      s::image::filters::sharpness::Sharpness::takeLevel(-100);
  blur->setOwnedByList(true);
  image->addFilter(blur);
  headless().scriptPrint();
  image->print(false, false, false);
  image->release();

  std::vector<winapi::PrintedPage> pages = headless().takePrintedPages();
  ASSERT_EQ(pages.size(), 3u);
  // Next to the edge (pixel 9 of 20, dots 18 and 19) sharpening brightens the lighter side and
  // blurring darkens it; far from the edge all three agree.
  const uint32_t plain = at(pages[0], 18, 20), sharp = at(pages[1], 18, 20),
                 blurred = at(pages[2], 18, 20);
  EXPECT_EQ(plain, 0x808080u);
  EXPECT_GT(sharp & 0xFF, plain & 0xFF);
  EXPECT_LT(blurred & 0xFF, plain & 0xFF);
  EXPECT_EQ(at(pages[1], 4, 20), 0x808080u);
  EXPECT_NEAR(static_cast<int>(at(pages[2], 4, 20) & 0xFF), 0x80, 1) << "integer kernel rounding";
}

TEST_F(ImagePrinting, NothingPrintsWithoutAPrinterOrWhenTheDialogIsCancelled) {
  BufferedImage* image = filled(10, 10, 1, 2, 3);
  image->print(false, false, false);  // no answer: the dialog is cancelled
  headless().removeTestPrinter();
  headless().scriptPrint();
  image->print(false, false, false);
  EXPECT_EQ(headless().scriptedAnswers(), 1u) << "without a printer no dialog is shown";
  EXPECT_TRUE(headless().takePrintedPages().empty());
  EXPECT_TRUE(g_boxes.empty());

  // A default printer whose DC cannot be made is reported.
  headless().setTestPrinter(winapi::Printer{u"Broken Printer", u"LPT1:", 60, 40, 0, 0});
  image->print(false, false, false);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], u"Unable to find a printer. Please check installed/default printers.");
  image->release();
}

}  // namespace
