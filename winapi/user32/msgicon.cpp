// The message box icons, our own simple vector art drawn at 32 x 32 pixels: error (a red disc
// with a white diagonal cross), warning (a yellow triangle with a black exclamation mark),
// information (a blue disc with a white "i") and question (a blue disc with a white "?").
// Edges are smoothed by 4 x 4 samples a pixel and blended over the dialog's background.
#include <windows.h>

#include "winapi/user32/Dialogs.h"

#include <algorithm>
#include <cmath>

namespace winapi {
namespace {

struct Point {
  double x, y;
};

double segmentDistance(Point p, Point a, Point b) {
  double dx = b.x - a.x, dy = b.y - a.y;
  double t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy);
  t = std::clamp(t, 0.0, 1.0);
  double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
  return std::sqrt(ex * ex + ey * ey);
}

double pointDistance(Point p, Point c) { return std::hypot(p.x - c.x, p.y - c.y); }

// Twice the signed area of (a, b, p): which side of the edge a-b the point is on.
double side(Point a, Point b, Point p) { return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x); }

enum class Layer { None, Edge, Body, Glyph };

constexpr Point kCentre{16, 16};
constexpr double kRadius = 15.0;
constexpr double kEdge = 1.2;    // the darker rim that lifts the shape off the background
constexpr double kStroke = 2.2;  // half the width of a glyph's strokes

Layer discLayer(Point p) {
  double d = pointDistance(p, kCentre);
  if (d > kRadius) return Layer::None;
  return d > kRadius - kEdge ? Layer::Edge : Layer::Body;
}

Layer errorAt(Point p) {
  Layer base = discLayer(p);
  if (base == Layer::Body &&
      (segmentDistance(p, {10, 10}, {22, 22}) < kStroke || segmentDistance(p, {22, 10}, {10, 22}) < kStroke)) {
    return Layer::Glyph;
  }
  return base;
}

Layer warningAt(Point p) {
  const Point a{16, 2}, b{31, 29}, c{1, 29};
  if (side(a, b, p) < 0 || side(b, c, p) < 0 || side(c, a, p) < 0) return Layer::None;
  double edge = std::min({segmentDistance(p, a, b), segmentDistance(p, b, c), segmentDistance(p, c, a)});
  if (edge < kEdge) return Layer::Edge;
  if (segmentDistance(p, {16, 11}, {16, 19}) < 2.0 || pointDistance(p, {16, 24.5}) < 2.0) return Layer::Glyph;
  return Layer::Body;
}

Layer informationAt(Point p) {
  Layer base = discLayer(p);
  if (base == Layer::Body && (pointDistance(p, {16, 9}) < 2.5 || segmentDistance(p, {16, 14}, {16, 24}) < kStroke)) {
    return Layer::Glyph;
  }
  return base;
}

Layer questionAt(Point p) {
  Layer base = discLayer(p);
  if (base != Layer::Body) return base;
  // The hook: a ring from the left over the top to below the right, then the stem and the dot.
  const Point hook{16, 12};
  const double radius = 5.0;
  double angle = std::atan2(p.y - hook.y, p.x - hook.x) * 180.0 / M_PI;
  bool onRing = std::fabs(pointDistance(p, hook) - radius) < kStroke && !(angle > 60.0 && angle < 180.0);
  const Point arcEnd{hook.x + radius * 0.5, hook.y + radius * 0.866};
  if (onRing || segmentDistance(p, arcEnd, {16, 19}) < kStroke || segmentDistance(p, {16, 19}, {16, 20.5}) < kStroke ||
      pointDistance(p, {16, 25}) < 2.2) {
    return Layer::Glyph;
  }
  return Layer::Body;
}

struct Palette {
  COLORREF edge, body, glyph;
};

}  // namespace

bool drawMessageBoxIcon(UINT iconType, COLORREF background, uint32_t* pixels) {
  Layer (*shape)(Point) = nullptr;
  Palette palette{};
  switch (iconType & MB_ICONMASK) {
    case MB_ICONERROR:
      shape = errorAt;
      palette = {RGB(0x90, 0x10, 0x10), RGB(0xD8, 0x24, 0x24), RGB(0xFF, 0xFF, 0xFF)};
      break;
    case MB_ICONWARNING:
      shape = warningAt;
      palette = {RGB(0x9A, 0x78, 0x00), RGB(0xF8, 0xD2, 0x1E), RGB(0x00, 0x00, 0x00)};
      break;
    case MB_ICONINFORMATION:
      shape = informationAt;
      palette = {RGB(0x10, 0x38, 0x90), RGB(0x24, 0x64, 0xD4), RGB(0xFF, 0xFF, 0xFF)};
      break;
    case MB_ICONQUESTION:
      shape = questionAt;
      palette = {RGB(0x10, 0x38, 0x90), RGB(0x24, 0x64, 0xD4), RGB(0xFF, 0xFF, 0xFF)};
      break;
    default: return false;
  }
  constexpr int kSamples = 4;
  for (int y = 0; y < kMessageBoxIconSize; ++y) {
    for (int x = 0; x < kMessageBoxIconSize; ++x) {
      int r = 0, g = 0, b = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          Point p{x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples};
          COLORREF c = background;
          switch (shape(p)) {
            case Layer::None: break;
            case Layer::Edge: c = palette.edge; break;
            case Layer::Body: c = palette.body; break;
            case Layer::Glyph: c = palette.glyph; break;
          }
          r += GetRValue(c);
          g += GetGValue(c);
          b += GetBValue(c);
        }
      }
      constexpr int n = kSamples * kSamples;
      pixels[y * kMessageBoxIconSize + x] = 0xFF000000u | static_cast<uint32_t>((r / n) << 16) |
                                            static_cast<uint32_t>((g / n) << 8) | static_cast<uint32_t>(b / n);
    }
  }
  return true;
}

}  // namespace winapi
