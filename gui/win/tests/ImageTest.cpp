// The image widget: its sizes, the animation's timing on a clock the test holds, and what it
// paints behind and over its frames.
#include "gui/win/Image.h"
#include "gui/win/tests/BoxTestSupport.h"

#include "core/thread/ClassTail.h"
#include "gui/drawer/IImage.h"
#include "imaging/win/BufferedImage.h"
#include "imaging/win/BufferedImageSet.h"

#include <windows.h>
#include <afxwin.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

using lumetra::testgui::screenCorner;
using lumetra::testgui::screenPixel;
using lumetra::testgui::settle;
using lumetra::testgui::ShownWindow;
using lumetra::testgui::waitFor;
using s::gui::win::Image;
using s::gui::win::makeImageSized;
using s::image::win::BufferedImage;
using s::image::win::BufferedImageSet;

// The wall clock the widget reads, in milliseconds.
int64_t g_now = 1000;

void WINAPI fakeSystemTime(LPFILETIME time) {
  const uint64_t ticks = static_cast<uint64_t>(g_now) * 10000;
  time->dwLowDateTime = static_cast<DWORD>(ticks);
  time->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
}

BufferedImage* solid(int32_t width, int32_t height, uint8_t red, uint8_t green, uint8_t blue) {
  BufferedImage* image = BufferedImage::takeSized(width, height);
  image->fill(255, red, green, blue);
  return image;
}

/// An animated set of 20 x 10 frames with these delays and frame codes.
BufferedImageSet* animation(const std::vector<int32_t>& delays, const std::vector<int32_t>& codes) {
  BufferedImageSet* set = BufferedImageSet::take();
  for (size_t i = 0; i < delays.size(); ++i) {
    set->addImage(solid(20, 10, static_cast<uint8_t>(40 * i), 0, 0), 32, delays[i], codes[i]);
  }
  set->setAnimation(true, 0);
  return set;
}

/// Fills a 10 x 10 square for each frame, frame k at x = 10 k, in the frame's own colour.
class SquareDrawer final : public s::gui::drawer::IImage {
  S_POOLED_CLASS(SquareDrawer, u"SquareDrawer")
  SquareDrawer() = default;
  void reset() override {}
  void paint(CDC* dc, BufferedImage*, int32_t, int32_t, int32_t, int32_t, s::image::IImage* image,
             bool, bool, bool) override {
    auto* frame = dynamic_cast<BufferedImage*>(image);
    if (frame == nullptr) {
      return;
    }
    const uint8_t* bgra = frame->getBits();
    dc->FillSolidRect(10 * index(frame), 0, 10, 10, RGB(bgra[2], bgra[1], bgra[0]));
  }
  int32_t index(BufferedImage* frame) { return frame->getBits()[2] / 40; }
};

class ImageWidget : public testing::Test {
 protected:
  void SetUp() override {
    g_now = 1000;
    m_previousClock = winapi::seam::replaceGetSystemTimeAsFileTime(&fakeSystemTime);
  }
  void TearDown() override { winapi::seam::replaceGetSystemTimeAsFileTime(m_previousClock); }

  /// Shows `set` in a new image widget of the window and starts it playing at the current time.
  Image* playing(ShownWindow& window, BufferedImageSet* set) {
    Image* image = Image::take();
    image->setImageSet(set, true, false, true, false, -1, -1);
    window->add(image);
    settle(window->getHandle());
    image->play();
    return image;
  }
  static void tickAt(Image* image, int64_t time) {
    g_now = time;
    ::SendMessageW(image->GetSafeHwnd(), WM_TIMER, Image::kAnimationTimer, 0);
  }

  winapi::seam::SystemTimeFunction m_previousClock = nullptr;
};

TEST_F(ImageWidget, EachFrameShowsForItsOwnDelay) {
  ShownWindow window;
  Image* image = playing(window, animation({100, 40, 300}, {0, 0, 0}));
  EXPECT_EQ(image->getWait(), 100) << "the first frame waits its own delay";
  tickAt(image, 1099);
  EXPECT_EQ(image->getFrameIndex(), 0);
  tickAt(image, 1100);
  EXPECT_EQ(image->getFrameIndex(), 1);
  EXPECT_EQ(image->getWait(), 40);
  tickAt(image, 1139);
  EXPECT_EQ(image->getFrameIndex(), 1);
  tickAt(image, 1140);
  EXPECT_EQ(image->getFrameIndex(), 2);
  EXPECT_EQ(image->getWait(), 300);
  tickAt(image, 1440);
  EXPECT_EQ(image->getFrameIndex(), 0) << "after the last frame comes the first";
}

TEST_F(ImageWidget, ALateTickShortensTheNextWaitAndAClockSetBackRestartsIt) {
  ShownWindow window;
  Image* image = playing(window, animation({100, 100, 100}, {0, 0, 0}));
  tickAt(image, 1160);
  EXPECT_EQ(image->getFrameIndex(), 1);
  EXPECT_EQ(image->getWait(), 40) << "60 ms late on a 100 ms frame";
  tickAt(image, 1200);
  EXPECT_EQ(image->getFrameIndex(), 2);

  // Set back: the frame on show waits its delay again from the new time.
  tickAt(image, 500);
  EXPECT_EQ(image->getFrameIndex(), 2);
  EXPECT_EQ(image->getWait(), 100);
  tickAt(image, 600);
  EXPECT_EQ(image->getFrameIndex(), 0);

  image->pause(false);
  tickAt(image, 5000000);
  EXPECT_EQ(image->getFrameIndex(), 0) << "paused";
  image->resume(false);
  tickAt(image, 5000000);
  EXPECT_EQ(image->getFrameIndex(), 1);
  image->stop(true);
  EXPECT_EQ(image->getFrameIndex(), 0) << "rewound";
}

TEST_F(ImageWidget, AStillPictureDoesNotAnimate) {
  ShownWindow window;
  Image* image = Image::take();
  image->setImage(solid(20, 10, 1, 2, 3), true, false, true, false, -1, -1);
  window->add(image);
  settle(window->getHandle());
  image->play();
  tickAt(image, 100000);
  EXPECT_EQ(image->getFrameIndex(), 0);
  EXPECT_EQ(image->getFrameCount(), 1);
  EXPECT_FALSE(image->isAnimated());
}

TEST_F(ImageWidget, SizesFollowThePictureTheBorderAndTheRatio) {
  ShownWindow window;
  Image* image = Image::take();
  image->setBorder(true);
  image->setFixedWidth(100);
  image->setImage(solid(40, 30, 0, 0, 0), true, false, true, false, -1, -1);
  window->add(image);
  settle(window->getHandle());
  image->setSize(100, 32);
  EXPECT_EQ(image->getClientWidth(), 98) << "a border takes a pixel on each side";
  EXPECT_EQ(image->getMinimumHeight(), 32) << "natural height 30 and the border";

  // Stretched with its ratio kept, the height follows the fixed width.
  image->setImage(solid(40, 30, 0, 0, 0), true, true, true, false, -1, -1);
  image->setFixedWidth(202);
  EXPECT_EQ(image->getMaximumHeight(), 152);
  EXPECT_EQ(image->getMinimumHeight(), 152);

  int32_t w = 400;
  int32_t h = 100;
  image->fitImageSize(&w, &h);
  EXPECT_EQ(w, 133);
  EXPECT_EQ(h, 100);

  // A picture without area keeps square proportions.
  image->setImageSet(BufferedImageSet::take(), true, true, true, false, -1, -1);
  EXPECT_EQ(image->getMaximumHeight(), 202);
}

TEST_F(ImageWidget, PaintsItsBackgroundOrACheckerboardBehindThePicture) {
  ShownWindow window;
  window->setBackgroundColor(0, 0, 255, true);
  Image* image = Image::take();
  image->setFixedWidth(30);
  image->setFixedHeight(20);
  image->setBackgroundColor(0, 128, 0, false);
  window->add(image);
  settle(window->getHandle());
  HWND top = window->getHandle();
  const POINT corner = screenCorner(image->GetSafeHwnd());
  EXPECT_TRUE(
      waitFor([&] { return screenPixel(top, corner.x + 2, corner.y + 2) == RGB(0, 128, 0); }));

  image->setCheckerBackground(true);
  EXPECT_TRUE(
      waitFor([&] { return screenPixel(top, corner.x + 2, corner.y + 2) == RGB(255, 255, 255); }));
  // Cells of 5: white on even columns from the top, on odd columns from 5 pixels down.
  EXPECT_EQ(screenPixel(top, corner.x + 7, corner.y + 2), RGB(0xCC, 0xCC, 0xCC));
  EXPECT_EQ(screenPixel(top, corner.x + 7, corner.y + 7), RGB(255, 255, 255));
  EXPECT_EQ(screenPixel(top, corner.x + 2, corner.y + 7), RGB(0xCC, 0xCC, 0xCC));
  EXPECT_EQ(screenPixel(top, corner.x + 12, corner.y + 12), RGB(255, 255, 255));
}

TEST_F(ImageWidget, AFrameWithCodeOneIsDrawnOverThePreviousFrame) {
  for (const int32_t code : {0, 1}) {
    g_now = 1000;
    ShownWindow window;
    Image* image = Image::take();
    image->setFixedWidth(30);
    image->setFixedHeight(10);
    image->setBackgroundColor(0, 0, 255, false);
    image->setDrawer(SquareDrawer::take(), true);
    image->setImageSet(animation({100, 100}, {code, 0}), true, false, true, false, -1, -1);
    window->add(image);
    settle(window->getHandle());
    image->play();
    HWND top = window->getHandle();
    const POINT corner = screenCorner(image->GetSafeHwnd());
    EXPECT_TRUE(waitFor([&] {
      return screenPixel(top, corner.x + 2, corner.y + 2) == RGB(0, 0, 0);
    })) << "frame 0, code "
        << code;
    tickAt(image, 1100);
    EXPECT_TRUE(
        waitFor([&] { return screenPixel(top, corner.x + 12, corner.y + 2) == RGB(40, 0, 0); }));
    EXPECT_EQ(screenPixel(top, corner.x + 2, corner.y + 2),
              code == 1 ? RGB(0, 0, 0) : RGB(0, 0, 255))
        << "code " << code;
  }
}

TEST_F(ImageWidget, OnlyADraggablePictureTakesTheMouse) {
  ShownWindow window;
  Image* image = makeImageSized(40, 40, solid(40, 40, 9, 9, 9));
  window->add(image);
  settle(window->getHandle());
  HWND handle = image->GetSafeHwnd();
  const POINT corner = screenCorner(handle);
  const LPARAM at = MAKELPARAM(corner.x + 5, corner.y + 5);
  EXPECT_EQ(::SendMessageW(handle, WM_NCHITTEST, 0, at), HTTRANSPARENT);

  image->setDraggable(true);
  EXPECT_EQ(::SendMessageW(handle, WM_NCHITTEST, 0, at), HTCLIENT);
  image->setLocation(10, 10);
  auto* driver = winapi::HeadlessDriver::current();
  driver->moveMouse(corner.x + 5, corner.y + 5);
  ::SendMessageW(handle, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_TRUE(image->isDragging());
  driver->moveMouse(corner.x + 12, corner.y + 8);
  ::SendMessageW(handle, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(12, 8));
  ::SendMessageW(handle, WM_LBUTTONUP, 0, MAKELPARAM(12, 8));
  EXPECT_FALSE(image->isDragging());
  EXPECT_EQ(lumetra::testgui::positionInParent(handle).x, 17);
  EXPECT_EQ(lumetra::testgui::positionInParent(handle).y, 13);
}

TEST_F(ImageWidget, HandsOutCopiesOfTheFrameOnShow) {
  ShownWindow window;
  Image* image = Image::take();
  EXPECT_EQ(image->getCurrentFrame(false), nullptr);
  EXPECT_FALSE(image->printCurrentFrame(false, false, false, false));
  image->setImageSet(animation({100, 100}, {0, 0}), true, false, true, false, -1, -1);
  BufferedImage* copy = image->getCurrentFrame(false);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->getWidth(), 20);
  EXPECT_NE(copy, image->getImage()->getImage(0));
  copy->release();

  BufferedImageSet* sink = BufferedImageSet::take();
  EXPECT_TRUE(image->renderTo(sink, false, true, nullptr));
  EXPECT_EQ(sink->getImageCount(), 2) << "every frame of an animation";
  EXPECT_FALSE(image->hasFrameFilters(0)) << "the sharpening went on a copy";
  sink->release();
  image->release();
}

}  // namespace
