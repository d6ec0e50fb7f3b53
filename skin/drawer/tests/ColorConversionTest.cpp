// The slider drawer's colour conversions: HSV at the edges and middles of the hue sectors, with
// saturation and value scaling, wrapped hues; HSL's channel in each part of the hue circle.
#include "skin/drawer/ColorConversion.h"

#include <gtest/gtest.h>

namespace {

using s::gui::drawer::hslHueChannel;
using s::gui::drawer::hsvToRgb;

struct Rgb {
  int32_t r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

Rgb hsv(int32_t hue, int32_t saturation, int32_t value) {
  Rgb c{-1, -1, -1};
  hsvToRgb(hue, saturation, value, c.r, c.g, c.b);
  return c;
}

TEST(HsvToRgb, SectorEdgesAreThePrimariesAndSecondaries) {
  EXPECT_EQ(hsv(0, 100, 100), (Rgb{255, 0, 0}));
  EXPECT_EQ(hsv(60, 100, 100), (Rgb{255, 255, 0}));
  EXPECT_EQ(hsv(120, 100, 100), (Rgb{0, 255, 0}));
  EXPECT_EQ(hsv(180, 100, 100), (Rgb{0, 255, 255}));
  EXPECT_EQ(hsv(240, 100, 100), (Rgb{0, 0, 255}));
  EXPECT_EQ(hsv(300, 100, 100), (Rgb{255, 0, 255}));
  // The last degree before red again: blue has fallen 59/60 of the way.
  EXPECT_EQ(hsv(359, 100, 100), (Rgb{255, 0, 5}));
}

TEST(HsvToRgb, EachSectorRampsOneChannel) {
  EXPECT_EQ(hsv(30, 100, 100), (Rgb{255, 127, 0}));
  EXPECT_EQ(hsv(90, 100, 100), (Rgb{128, 255, 0}));
  EXPECT_EQ(hsv(150, 100, 100), (Rgb{0, 255, 127}));
  EXPECT_EQ(hsv(210, 100, 100), (Rgb{0, 128, 255}));
  EXPECT_EQ(hsv(270, 100, 100), (Rgb{127, 0, 255}));
  EXPECT_EQ(hsv(330, 100, 100), (Rgb{255, 0, 128}));
}

TEST(HsvToRgb, SaturationRaisesTheFloorAndValueScalesAll) {
  EXPECT_EQ(hsv(200, 0, 100), (Rgb{255, 255, 255}));
  EXPECT_EQ(hsv(200, 0, 50), (Rgb{127, 127, 127}));
  EXPECT_EQ(hsv(0, 50, 100), (Rgb{255, 127, 127}));
  EXPECT_EQ(hsv(120, 100, 50), (Rgb{0, 127, 0}));
  EXPECT_EQ(hsv(0, 100, 0), (Rgb{0, 0, 0}));
}

TEST(HsvToRgb, OutOfRangeArgumentsWrapOrClamp) {
  EXPECT_EQ(hsv(360, 100, 100), hsv(0, 100, 100));
  EXPECT_EQ(hsv(-60, 100, 100), hsv(300, 100, 100));
  EXPECT_EQ(hsv(720 + 30, 100, 100), hsv(30, 100, 100));
  EXPECT_EQ(hsv(30, 150, 120), hsv(30, 100, 100));
  EXPECT_EQ(hsv(30, -5, -5), (Rgb{0, 0, 0}));
}

TEST(HslHueChannel, EachPartOfTheCircle) {
  const double p = 0.2, q = 0.8;
  EXPECT_DOUBLE_EQ(hslHueChannel(p, q, 0.0), 0.2);
  EXPECT_DOUBLE_EQ(hslHueChannel(p, q, 1.0 / 12), 0.5) << "rising over the first sixth";
  EXPECT_DOUBLE_EQ(hslHueChannel(p, q, 1.0 / 6), 0.8);
  EXPECT_DOUBLE_EQ(hslHueChannel(p, q, 0.3), 0.8);
  EXPECT_NEAR(hslHueChannel(p, q, 0.6), 0.44, 1e-12) << "falling before two thirds";
  EXPECT_DOUBLE_EQ(hslHueChannel(p, q, 2.0 / 3), 0.2);
  EXPECT_DOUBLE_EQ(hslHueChannel(p, q, 0.9), 0.2);
  EXPECT_DOUBLE_EQ(hslHueChannel(p, q, -0.1), hslHueChannel(p, q, 0.9)) << "brought into 0..1";
  EXPECT_NEAR(hslHueChannel(p, q, 1.1), 0.56, 1e-12);
}

}  // namespace
