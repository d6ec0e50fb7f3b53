// The program's pictures, drawn from code.
#include "tools/artwork/Artwork.h"

#include "imaging/win/BufferedImage.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

namespace tools::artwork {

using s::image::win::BufferedImage;

namespace {

constexpr double kPi = 3.14159265358979323846;
// Samples per pixel side: 4 x 4 smooths every edge enough for the 16-pixel icon.
constexpr int kSamples = 4;

struct Colour {
  double r, g, b, a;
};

Colour mix(const Colour& a, const Colour& b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
          a.a + (b.a - a.a) * t};
}

/// `over` painted over `under` with its own alpha.
Colour over(const Colour& under, const Colour& top) {
  double a = top.a + under.a * (1.0 - top.a);
  if (a <= 0.0) {
    return {0, 0, 0, 0};
  }
  auto channel = [&](double u, double t) { return (t * top.a + u * under.a * (1.0 - top.a)) / a; };
  return {channel(under.r, top.r), channel(under.g, top.g), channel(under.b, top.b), a};
}

uint8_t byteOf(double value) {
  return static_cast<uint8_t>(std::clamp(std::lround(value * 255.0), 0L, 255L));
}

BufferedImage* newImage(int32_t width, int32_t height) {
  BufferedImage* image = BufferedImage::take();
  if (image == nullptr) {
    return nullptr;
  }
  if (image->allocate(width, height) == 0) {
    image->release();
    return nullptr;
  }
  return image;
}

/// Fills every pixel with the average of `shade` over its sub-samples; `shade` takes the
/// position in pixels.
template <typename Shade>
void paint(BufferedImage* image, bool withAlpha, Shade shade) {
  for (int32_t y = 0; y < image->getHeight(); ++y) {
    uint8_t* line = image->getLine(y);
    for (int32_t x = 0; x < image->getWidth(); ++x) {
      Colour sum{0, 0, 0, 0};
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          Colour c = shade(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples);
          // Premultiplied, so that transparent samples add no colour to an edge.
          sum.r += c.r * c.a;
          sum.g += c.g * c.a;
          sum.b += c.b * c.a;
          sum.a += c.a;
        }
      }
      const double n = kSamples * kSamples;
      double alpha = sum.a / n;
      double scale = sum.a > 0 ? 1.0 / sum.a : 0.0;
      uint8_t* pixel = line + x * 4;
      pixel[0] = byteOf(sum.b * scale);
      pixel[1] = byteOf(sum.g * scale);
      pixel[2] = byteOf(sum.r * scale);
      pixel[3] = withAlpha ? byteOf(alpha) : 0xFF;
    }
  }
  image->setHasAlpha(withAlpha);
}

/// Whether (x, y) lies inside the rounded square of side `size` inset by `margin` with corner
/// radius `radius`.
bool inRoundedSquare(double x, double y, double size, double margin, double radius) {
  double lo = margin + radius;
  double hi = size - margin - radius;
  double dx = std::max({lo - x, 0.0, x - hi});
  double dy = std::max({lo - y, 0.0, y - hi});
  return dx * dx + dy * dy <= radius * radius;
}

/// The sound wave of the pictures: a tone whose loudness swells and fades across `width`.
double wave(double x, double width, double cycles, double phase) {
  double t = x / width;
  double envelope = std::sin(kPi * t);
  return envelope * std::sin(2.0 * kPi * cycles * t + phase);
}

void drawTitle(BufferedImage* image) {
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) {
    return;
  }
  HGDIOBJ oldBitmap = SelectObject(dc, image->getHBitmap());
  HFONT font =
      CreateFontW(-34, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, u"DejaVu Sans");
  HGDIOBJ oldFont = font != nullptr ? SelectObject(dc, font) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0x20, 0x30, 0x40));
  TextOutW(dc, 20, 38, u"Lumetra", 7);
  SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
  TextOutW(dc, 18, 36, u"Lumetra", 7);
  if (oldFont != nullptr) {
    SelectObject(dc, oldFont);
  }
  if (font != nullptr) {
    DeleteObject(font);
  }
  SelectObject(dc, oldBitmap);
  DeleteDC(dc);
}

}  // namespace

BufferedImage* drawSkinPicture(int which) {
  BufferedImage* image = newImage(kSkinWidth, kSkinHeight);
  if (image == nullptr) {
    return nullptr;
  }
  // Picture 1 in the program's teal and slate, picture 2 in warm evening colours.
  const Colour left = which == 1 ? Colour{0.10, 0.20, 0.30, 1} : Colour{0.35, 0.12, 0.18, 1};
  const Colour right = which == 1 ? Colour{0.12, 0.55, 0.55, 1} : Colour{0.90, 0.55, 0.25, 1};
  const Colour waves[3] = {
      {1.0, 1.0, 1.0, 0.55}, {0.70, 0.95, 0.90, 0.40}, {0.95, 0.85, 0.55, 0.35}};
  const double cycles[3] = {5.0, 7.5, 3.0};
  const double phases[3] = {0.0, 1.3, 2.4};
  const double width = kSkinWidth;
  const double middle = kSkinHeight * 0.62;
  paint(image, false, [&](double x, double y) {
    Colour c = mix(left, right, x / width);
    // A soft light from the top keeps the picture from looking flat.
    c = mix(c, Colour{1, 1, 1, 1}, 0.12 * (1.0 - y / kSkinHeight));
    for (int i = 0; i < 3; ++i) {
      double amplitude = kSkinHeight * (0.30 - 0.06 * i);
      double w = middle + amplitude * wave(x, width, cycles[i], phases[i]);
      double thickness = 1.6 - 0.3 * i;
      if (std::abs(y - w) <= thickness) {
        c = over(c, waves[i]);
      }
    }
    return c;
  });
  if (which == 1) {
    drawTitle(image);
  }
  return image;
}

BufferedImage* drawIcon(int32_t size) {
  BufferedImage* image = newImage(size, size);
  if (image == nullptr) {
    return nullptr;
  }
  const double n = size;
  const double margin = n * 0.04;
  const double radius = n * 0.22;
  const Colour top{0.16, 0.62, 0.56, 1};
  const Colour bottom{0.15, 0.27, 0.33, 1};
  const Colour bar{1.0, 1.0, 1.0, 1.0};
  // Five bars of a level meter, tallest in the middle.
  const double heights[5] = {0.30, 0.52, 0.74, 0.52, 0.30};
  const double barWidth = n * 0.11;
  const double gap = n * 0.045;
  const double total = 5 * barWidth + 4 * gap;
  const double start = (n - total) / 2.0;
  paint(image, true, [&](double x, double y) {
    if (!inRoundedSquare(x, y, n, margin, radius)) {
      return Colour{0, 0, 0, 0};
    }
    Colour c = mix(top, bottom, y / n);
    double offset = x - start;
    if (offset >= 0 && offset < total) {
      int index = static_cast<int>(offset / (barWidth + gap));
      double within = offset - index * (barWidth + gap);
      double height = heights[std::min(index, 4)] * n;
      if (within < barWidth && std::abs(y - n / 2.0) <= height / 2.0) {
        c = bar;
      }
    }
    return c;
  });
  return image;
}

}  // namespace tools::artwork
