// The memory DC over an image, and the window's back buffer and icons made from images.
#include "gui/win/MemDC.h"

#include "gui/win/Window.h"
#include "imaging/win/BufferedImage.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

using s::gui::win::MemDC;
using s::image::win::BufferedImage;

TEST(MemDC, PaintsIntoTheImageThatOutlivesIt) {
  BufferedImage* image = BufferedImage::takeSized(8, 4);
  ASSERT_NE(image, nullptr);
  MemDC* dc = MemDC::forImage(nullptr, image, false);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dc->getImage(), image);
  dc->FillSolidRect(0, 0, 8, 4, RGB(200, 100, 50));
  dc->release();
  // Bytes are blue, green, red, alpha.
  const uint8_t* pixel = image->getLine(3) + 7 * 4;
  EXPECT_EQ(pixel[0], 50);
  EXPECT_EQ(pixel[1], 100);
  EXPECT_EQ(pixel[2], 200);
  image->release();

  // Without an image the DC still paints, into its own bitmap.
  MemDC* bare = MemDC::forImage(nullptr, nullptr, false);
  ASSERT_NE(bare, nullptr);
  EXPECT_NE(bare->GetSafeHdc(), nullptr);
  bare->release();
}

TEST(WindowImages, BackBufferCoversTheClientAndIconsAreSent) {
  s::gui::win::Window* window = s::gui::win::Window::take();
  window->setSize(300, 200);
  window->show(true, false);
  BufferedImage* buffer = window->getBackBuffer(nullptr, nullptr);
  ASSERT_NE(buffer, nullptr) << "erasing painted through the back buffer";
  EXPECT_GE(buffer->getCapacityWidth(), window->getClientWidth());
  EXPECT_GE(buffer->getCapacityHeight(), window->getClientHeight());

  BufferedImage* icon = BufferedImage::takeSized(16, 16);
  window->setSmallIcon(icon, true);
  EXPECT_EQ(window->getSmallIcon(), icon);
  window->setSmallIcon(nullptr, false);  // gives the owned icon back to its pool
  EXPECT_EQ(window->getSmallIcon(), nullptr);
  window->release();
}

}  // namespace
