// The slider widget painted through the thin slider drawer in a shown window: the fill band, the
// seven gradient types, two thumbs over a range that starts above 0, and an empty range, pinned
// by the hashes of the pixels the window shows.
#include "gui/win/Box.h"
#include "gui/win/Slider.h"
#include "gui/win/tests/BoxTestSupport.h"
#include "skin/drawer/slider/win/Thin.h"
#include "winapi/testsupport/PaintCheck.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

using lumetra::testgui::ShownWindow;
using s::gui::win::Box;
using s::gui::win::Slider;

constexpr int kWidth = 200;
constexpr int kHeight = 20;

struct Look {
  int32_t minimum;
  int32_t maximum;
  int32_t position;
  bool twoThumbs;
  int32_t second;
  bool fill;
  int32_t fillFrom;
  int32_t gradient;
  int32_t firstColor;
  int32_t secondColor;
  uint64_t hash;
  const char* name;
};

class ThinSliderWidget : public testing::Test {
 protected:
  void SetUp() override {
    root = Box::take();
    root->setFullSize();
    window->add(root);
  }
  // What the window shows of the slider, copied into a canvas once painting has settled.
  void capture(Slider* slider, Canvas& canvas) {
    const HWND top = window->getHandle();
    ASSERT_TRUE(lumetra::testgui::idle(top));
    winapi::PixelBuffer picture;
    ASSERT_TRUE(winapi::HeadlessDriver::current()->capture(top, &picture));
    RECT windowRect;
    GetWindowRect(top, &windowRect);
    const POINT corner = lumetra::testgui::screenCorner(slider->GetSafeHwnd());
    for (int y = 0; y < kHeight; ++y) {
      const uint32_t* row =
          picture.row(corner.y - windowRect.top + y) + (corner.x - windowRect.left);
      for (int x = 0; x < kWidth; ++x) {
        SetPixel(canvas.dc(), x, y,
                 RGB((row[x] >> 16) & 0xFF, (row[x] >> 8) & 0xFF, row[x] & 0xFF));
      }
    }
  }
  ShownWindow window;
  Box* root = nullptr;
};

TEST_F(ThinSliderWidget, ItsLooksArePinned) {
  const Look looks[] = {
      {0, 100, 60, false, 0, true, 0, 0, 0, 0, 0x66c5eec6487591c7ull, "slider-thin-fill"},
      {0, 100, 60, false, 0, true, 0, 1, 0x0000FF, 0xFF0000, 0xdbab5fac9a246473ull,
       "slider-thin-linear"},
      {0, 100, 60, false, 0, false, 0, 2, 100, 100, 0xa76697f68eeb69efull, "slider-thin-hsv-hue"},
      {0, 100, 60, false, 0, false, 0, 3, 200, 100, 0xc6f0e9e50782b39bull,
       "slider-thin-hsv-saturation"},
      {0, 100, 60, false, 0, false, 0, 4, 200, 100, 0x428ff905927db687ull, "slider-thin-hsv-value"},
      {0, 100, 60, false, 0, false, 0, 5, 100, 50, 0xa2b8ea0c19a48fcfull, "slider-thin-hsl-hue"},
      {0, 100, 60, false, 0, false, 0, 6, 200, 50, 0x7b866cabafd9d807ull,
       "slider-thin-hsl-saturation"},
      {0, 100, 60, false, 0, false, 0, 7, 200, 100, 0x92ca0265ba008df3ull,
       "slider-thin-hsl-lightness"},
      {50, 150, 80, true, 140, true, 0, 0, 0, 0, 0xb2b53f95bd1631c3ull,
       "slider-thin-two-thumbs-from-50"},
      {20, 20, 20, false, 0, true, 20, 0, 0, 0, 0x1680387425672f37ull, "slider-thin-empty-range"},
  };
  // One column of sliders, each captured once all have painted.
  std::vector<Slider*> sliders;
  for (const Look& look : looks) {
    Slider* slider = Slider::take();
    slider->setFixedWidth(kWidth);
    slider->setFixedHeight(kHeight);
    slider->setRange(look.minimum, look.maximum);
    slider->setTwoThumbs(look.twoThumbs);
    slider->setSecondValue(look.second);
    slider->setPosition(look.position);
    slider->setShowFill(look.fill);
    slider->setFillFrom(look.fillFrom);
    slider->setGradient(look.gradient, look.firstColor, look.secondColor);
    slider->setDrawer(s::gui::drawer::slider::win::Thin::take(), true);
    root->add(slider);
    ASSERT_TRUE(slider->isCreated());
    sliders.push_back(slider);
  }
  for (size_t i = 0; i < sliders.size(); ++i) {
    Canvas canvas(kWidth, kHeight);
    capture(sliders[i], canvas);
    EXPECT_PAINTED(canvas, looks[i].hash, looks[i].name);
  }
}

}  // namespace
