// Painting in software on 32-bit ARGB surfaces: rectangle fills, the shapes, pixels, the blits
// and stretched blits (nearest pixel, or area averaging with HALFTONE), DIB transfers, and the
// user32 painting helpers FillRect, FrameRect, DrawFocusRect and DrawEdge.
// Opaque painting writes alpha 255; SRCCOPY copies the alpha of its source unchanged. Blits
// from or into bitmaps of other formats convert in dib.cpp; everything else paints only into
// 32-bit surfaces and fails with ERROR_NOT_SUPPORTED on a DC holding another format.
// Left out on purpose: pens wider than one pixel are drawn inside the figure (as PS_INSIDEFRAME
// draws them), dashed pen styles draw solid, and raster operations are limited to the named
// ones in wingdi.h (others fail with ERROR_INVALID_PARAMETER).
#include "winapi/gdi32/Gdi.h"
#include "winapi/gdi32/SystemLook.h"

#include "winapi/gdi32/Dib.h"

#include "winapi/base/debug.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace winapi {

namespace {

void fillPixels(uint32_t* p, size_t count, uint32_t pixel) {
  // wchar_t is 32 bits wide here, and the C library's wmemset is the fastest 32-bit fill.
  static_assert(sizeof(wchar_t) == sizeof(uint32_t), "wmemset fills 32-bit units");
  std::wmemset(reinterpret_cast<wchar_t*>(p), static_cast<wchar_t>(pixel), count);
}

}  // namespace

void fillRegionRect(PixelBuffer& pixels, const Region& clip, const RECT& rect, uint32_t pixel) {
  clip.forRectsIn(rect, [&](const RECT& r) {
    size_t n = static_cast<size_t>(r.right - r.left);
    if (r.left == 0 && static_cast<int>(n) == pixels.width && pixels.stride == pixels.width) {
      // Whole rows of a top-down buffer are one run.
      fillPixels(pixels.row(r.top), n * static_cast<size_t>(r.bottom - r.top), pixel);
      return;
    }
    for (int y = r.top; y < r.bottom; ++y) fillPixels(pixels.row(y) + r.left, n, pixel);
  });
}

void fillTargetRect(DeviceContext& dc, const RECT& r, uint32_t pixel) {
  if (!dc.target || r.left >= r.right || r.top >= r.bottom) return;
  fillRegionRect(*dc.target, dc.effectiveClip(), r, pixel);
  dc.touch(r);
}

namespace {

// Fills a region given in target coordinates, clipped to the DC.
void fillTargetRegion(DeviceContext& dc, Region region, uint32_t pixel) {
  region.intersect(dc.effectiveClip());
  for (const RECT& r : region.rects()) {
    size_t n = static_cast<size_t>(r.right - r.left);
    for (int y = r.top; y < r.bottom; ++y) fillPixels(dc.target->row(y) + r.left, n, pixel);
  }
  if (!region.isEmpty()) dc.touch(region.bounds());
}

bool penPixel(DeviceContext& dc, uint32_t* pixel, int* width) {
  const PenObject* pen = dc.pen.get();
  if (pen == nullptr || pen->pen.lopnStyle == PS_NULL) return false;
  COLORREF c = pen->pen.lopnColor;
  if (pen->stock && findObject(GetStockObject(DC_PEN)).get() == pen) c = dc.dcPenColor;
  *pixel = pixelOf(c);
  *width = std::max<int>(1, pen->pen.lopnWidth.x);
  return true;
}

enum class Shape { Rect, Ellipse, Round };

Region shapeRegion(Shape shape, int l, int t, int r, int b, int ew, int eh) {
  if (l >= r || t >= b) return Region();
  switch (shape) {
    case Shape::Rect: return Region(RECT{l, t, r, b});
    case Shape::Ellipse: return Region::roundRect(l, t, r, b, r - l, b - t);
    case Shape::Round: return Region::roundRect(l, t, r, b, ew, eh);
  }
  return Region();
}

BOOL drawShape(HDC handle, Shape shape, int left, int top, int right, int bottom, int ew, int eh) {
  std::shared_ptr<DeviceContext> dc = findPaintDc(handle);
  if (!dc) return FALSE;
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  int l = dc->toX(left), t = dc->toY(top), r = dc->toX(right), b = dc->toY(bottom);
  uint32_t penColor = 0, fill = 0;
  int w = 0;
  bool hasPen = penPixel(*dc, &penColor, &w);
  bool hasBrush = brushPixel(*dc, dc->brush.get(), &fill);
  if (!hasPen) {
    // Without a pen the figure is one pixel smaller on the right and bottom, as on Windows.
    if (hasBrush) fillTargetRegion(*dc, shapeRegion(shape, l, t, r - 1, b - 1, ew - 1, eh - 1), fill);
    return TRUE;
  }
  Region outer = shapeRegion(shape, l, t, r, b, ew, eh);
  Region inner = shapeRegion(shape, l + w, t + w, r - w, b - w, ew - 2 * w, eh - 2 * w);
  if (hasBrush) fillTargetRegion(*dc, inner, fill);
  fillTargetRegion(*dc, Region::combine(outer, inner, RGN_DIFF), penColor);
  return TRUE;
}

inline uint32_t applyRop(DWORD rop, uint32_t src, uint32_t dst, uint32_t pattern) {
  switch (rop) {
    case SRCCOPY: return src;
    case SRCPAINT: return src | dst;
    case SRCAND: return src & dst;
    case SRCINVERT: return (src ^ dst) | 0xFF000000u;
    case NOTSRCCOPY: return ~src | 0xFF000000u;
    case PATCOPY: return pattern;
    case PATINVERT: return (pattern ^ dst) | 0xFF000000u;
    case DSTINVERT: return ~dst | 0xFF000000u;
    case BLACKNESS: return 0xFF000000u;
    case WHITENESS: return 0xFFFFFFFFu;
    default: return dst;
  }
}

bool ropKnown(DWORD rop) {
  switch (rop) {
    case SRCCOPY:
    case SRCPAINT:
    case SRCAND:
    case SRCINVERT:
    case NOTSRCCOPY:
    case PATCOPY:
    case PATINVERT:
    case DSTINVERT:
    case BLACKNESS:
    case WHITENESS: return true;
    default: return false;
  }
}

bool ropUsesSource(DWORD rop) {
  return rop == SRCCOPY || rop == SRCPAINT || rop == SRCAND || rop == SRCINVERT || rop == NOTSRCCOPY;
}

// Weights of a stretch are fixed-point fractions with 16 bits after the point: the weights of one
// destination pixel on one axis sum to exactly kWeightOne, so a flat area stays flat, and the
// products of both axes' weights sum to 2^32, so 8-bit channels weighted by them add up to less
// than 2^40 and fit the 64-bit accumulators for any shrink.
constexpr int kWeightBits = 16;
constexpr int kWeightOne = 1 << kWeightBits;

// One axis of a stretch: for each destination index the source pixels it covers and their
// weights in 1/kWeightOne (area averaging), or just the nearest source pixel.
struct AxisMap {
  std::vector<int> first;    // first source index per destination index
  std::vector<int> count;    // source pixels per destination index
  std::vector<int> weights;  // flattened, count[i] weights per index
  std::vector<int> offset;   // where index i's weights start
};

AxisMap mapAxis(int destCount, int srcStart, int srcCount, bool flip, bool average) {
  AxisMap m;
  m.first.resize(static_cast<size_t>(destCount));
  m.count.resize(static_cast<size_t>(destCount));
  m.offset.resize(static_cast<size_t>(destCount));
  for (int i = 0; i < destCount; ++i) {
    int di = flip ? destCount - 1 - i : i;
    m.offset[static_cast<size_t>(i)] = static_cast<int>(m.weights.size());
    if (!average || srcCount == destCount) {
      int s = static_cast<int>((static_cast<int64_t>(2 * di + 1) * srcCount) / (2 * destCount));
      m.first[static_cast<size_t>(i)] = srcStart + s;
      m.count[static_cast<size_t>(i)] = 1;
      m.weights.push_back(kWeightOne);
      continue;
    }
    // The destination pixel covers [di * srcCount / destCount, (di + 1) * srcCount / destCount)
    // of the source, measured in units of 1 / destCount source pixels.
    int64_t a = static_cast<int64_t>(di) * srcCount;
    int64_t b = static_cast<int64_t>(di + 1) * srcCount;
    int s0 = static_cast<int>(a / destCount);
    int s1 = static_cast<int>((b - 1) / destCount);
    m.first[static_cast<size_t>(i)] = srcStart + s0;
    m.count[static_cast<size_t>(i)] = s1 - s0 + 1;
    int64_t total = b - a;
    int given = 0;
    for (int s = s0; s <= s1; ++s) {
      int64_t lo = std::max<int64_t>(a, static_cast<int64_t>(s) * destCount);
      int64_t hi = std::min<int64_t>(b, static_cast<int64_t>(s + 1) * destCount);
      int w = s == s1 ? kWeightOne - given : static_cast<int>(((hi - lo) * kWeightOne) / total);
      given += w;
      m.weights.push_back(w);
    }
  }
  return m;
}

// A negative size runs leftwards (upwards) from the given pixel, which it includes, as the
// usual mirroring call StretchBlt(dc, x + w - 1, y, -w, h, ...) expects.
bool normalise(int* pos, int* size) {
  if (*size < 0) {
    *pos += *size + 1;
    *size = -*size;
    return true;
  }
  return false;
}

}  // namespace

/// Copies source rectangle (sx, sy, sw, sh) of src onto the destination rectangle (target
/// coordinates) of dc, stretching as needed; negative sizes mirror.
BOOL stretchPixels(DeviceContext& dc, int dx, int dy, int dw, int dh, const PixelBuffer& src, int sx, int sy, int sw,
                   int sh, DWORD rop, uint32_t pattern) {
  bool flipX = normalise(&dx, &dw) != normalise(&sx, &sw);
  bool flipY = normalise(&dy, &dh) != normalise(&sy, &sh);
  if (dw == 0 || dh == 0 || sw == 0 || sh == 0 || !dc.target) return TRUE;
  RECT dest{dx, dy, dx + dw, dy + dh};
  PixelBuffer& dst = *dc.target;
  bool same = (&src == &dst) || (src.row0 == dst.row0);

  if (dw == sw && dh == sh && !flipX && !flipY) {
    // The plain copy: row by row, in an order that survives an overlap of source and target.
    std::vector<RECT> parts;
    dc.effectiveClip().forRectsIn(dest, [&](const RECT& r) {
      RECT s{r.left - dx + sx, r.top - dy + sy, r.right - dx + sx, r.bottom - dy + sy};
      // Only the part that lies inside the source is copied.
      RECT cut{std::max<LONG>(s.left, 0), std::max<LONG>(s.top, 0), std::min<LONG>(s.right, src.width),
               std::min<LONG>(s.bottom, src.height)};
      if (cut.left >= cut.right || cut.top >= cut.bottom) return;
      parts.push_back(RECT{cut.left - sx + dx, cut.top - sy + dy, cut.right - sx + dx, cut.bottom - sy + dy});
    });
    bool upwards = same && dy > sy;
    if (upwards) std::reverse(parts.begin(), parts.end());
    for (const RECT& r : parts) {
      int n = r.right - r.left;
      for (int k = 0; k < r.bottom - r.top; ++k) {
        int y = upwards ? r.bottom - 1 - k : r.top + k;
        uint32_t* d = dst.row(y) + r.left;
        const uint32_t* s = src.row(y - dy + sy) + (r.left - dx + sx);
        if (rop == SRCCOPY) {
          std::memmove(d, s, static_cast<size_t>(n) * 4);
        } else {
          for (int i = 0; i < n; ++i) d[i] = applyRop(rop, s[i], d[i], pattern);
        }
      }
      dc.touch(r);
    }
    return TRUE;
  }

  bool average = dc.stretchMode == HALFTONE;
  AxisMap mx = mapAxis(dw, sx, sw, flipX, average);
  AxisMap my = mapAxis(dh, sy, sh, flipY, average);
  // A stretch that reads its own target works from a copy of the source.
  PixelBuffer copy;
  const PixelBuffer* from = &src;
  if (same) {
    copy.allocate(src.width, src.height);
    for (int y = 0; y < src.height; ++y) std::memcpy(copy.row(y), src.row(y), static_cast<size_t>(src.width) * 4);
    from = &copy;
  }
  auto sample = [&](int x, int y) -> uint32_t {
    if (x < 0 || y < 0 || x >= from->width || y >= from->height) return 0;
    return from->row(y)[x];
  };
  dc.effectiveClip().forRectsIn(dest, [&](const RECT& r) {
    for (int y = r.top; y < r.bottom; ++y) {
      size_t iy = static_cast<size_t>(y - dy);
      uint32_t* d = dst.row(y);
      for (int x = r.left; x < r.right; ++x) {
        size_t ix = static_cast<size_t>(x - dx);
        uint32_t value;
        if (mx.count[ix] == 1 && my.count[iy] == 1) {
          value = sample(mx.first[ix], my.first[iy]);
        } else {
          uint64_t acc[4] = {0, 0, 0, 0};
          for (int j = 0; j < my.count[iy]; ++j) {
            uint64_t wy = static_cast<uint64_t>(my.weights[static_cast<size_t>(my.offset[iy] + j)]);
            for (int i = 0; i < mx.count[ix]; ++i) {
              uint64_t w = wy * static_cast<uint64_t>(mx.weights[static_cast<size_t>(mx.offset[ix] + i)]);
              uint32_t p = sample(mx.first[ix] + i, my.first[iy] + j);
              acc[0] += w * (p & 0xFF);
              acc[1] += w * ((p >> 8) & 0xFF);
              acc[2] += w * ((p >> 16) & 0xFF);
              acc[3] += w * (p >> 24);
            }
          }
          // Both axes' fractions together: round to the nearest whole channel value.
          constexpr int kShift = 2 * kWeightBits;
          const uint64_t half = 1ull << (kShift - 1);
          value = static_cast<uint32_t>((acc[0] + half) >> kShift) |
                  static_cast<uint32_t>((acc[1] + half) >> kShift) << 8 |
                  static_cast<uint32_t>((acc[2] + half) >> kShift) << 16 |
                  static_cast<uint32_t>((acc[3] + half) >> kShift) << 24;
        }
        d[x] = applyRop(rop, value, d[x], pattern);
      }
    }
    dc.touch(r);
  });
  return TRUE;
}

namespace {

uint32_t patternOf(DeviceContext& dc) {
  uint32_t p = 0xFFFFFFFFu;
  brushPixel(dc, dc.brush.get(), &p);
  return p;
}

}  // namespace

}  // namespace winapi

using namespace winapi;

extern "C" BOOL WINAPI Rectangle(HDC dc, int left, int top, int right, int bottom) {
  return drawShape(dc, Shape::Rect, left, top, right, bottom, 0, 0);
}

extern "C" BOOL WINAPI Ellipse(HDC dc, int left, int top, int right, int bottom) {
  return drawShape(dc, Shape::Ellipse, left, top, right, bottom, 0, 0);
}

extern "C" BOOL WINAPI RoundRect(HDC dc, int left, int top, int right, int bottom, int width, int height) {
  return drawShape(dc, Shape::Round, left, top, right, bottom, width, height);
}

extern "C" BOOL WINAPI MoveToEx(HDC handle, int x, int y, LPPOINT previous) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc) return FALSE;
  if (previous != nullptr) *previous = dc->position;
  dc->position = POINT{x, y};
  return TRUE;
}

extern "C" BOOL WINAPI LineTo(HDC handle, int x, int y) {
  std::shared_ptr<DeviceContext> dc = findPaintDc(handle);
  if (!dc) return FALSE;
  uint32_t color = 0;
  int w = 1;
  POINT from = dc->position;
  dc->position = POINT{x, y};
  if (!penPixel(*dc, &color, &w)) return TRUE;
  // Bresenham; the end point itself is not drawn, as on Windows.
  int x0 = from.x, y0 = from.y, dx = std::abs(x - x0), dy = -std::abs(y - y0);
  int stepX = x0 < x ? 1 : -1, stepY = y0 < y ? 1 : -1, err = dx + dy;
  while (x0 != x || y0 != y) {
    fillTargetRect(*dc, RECT{dc->toX(x0), dc->toY(y0), dc->toX(x0) + w, dc->toY(y0) + w}, color);
    int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += stepX;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += stepY;
    }
  }
  return TRUE;
}

extern "C" COLORREF WINAPI GetPixel(HDC handle, int x, int y) {
  std::shared_ptr<DeviceContext> dc = findPaintDc(handle);
  if (!dc || !dc->target) return CLR_INVALID;
  int tx = dc->toX(x), ty = dc->toY(y);
  if (!dc->effectiveClip().contains(tx, ty)) return CLR_INVALID;
  return colorOf(dc->target->row(ty)[tx]);
}

extern "C" COLORREF WINAPI SetPixel(HDC handle, int x, int y, COLORREF color) {
  std::shared_ptr<DeviceContext> dc = findPaintDc(handle);
  if (!dc || !dc->target) return static_cast<COLORREF>(-1);
  int tx = dc->toX(x), ty = dc->toY(y);
  if (!dc->effectiveClip().contains(tx, ty)) return static_cast<COLORREF>(-1);
  dc->target->row(ty)[tx] = pixelOf(color);
  dc->touch(RECT{tx, ty, tx + 1, ty + 1});
  return color & 0x00FFFFFF;
}

extern "C" BOOL WINAPI PatBlt(HDC handle, int x, int y, int width, int height, DWORD rop) {
  std::shared_ptr<DeviceContext> dc = findPaintDc(handle);
  if (!dc) return FALSE;
  if (ropUsesSource(rop) || !ropKnown(rop)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  normalise(&x, &width);
  normalise(&y, &height);
  RECT r = dc->toTarget(RECT{x, y, x + width, y + height});
  uint32_t pattern = patternOf(*dc);
  if (rop == PATCOPY || rop == BLACKNESS || rop == WHITENESS) {
    fillTargetRect(*dc, r, applyRop(rop, 0, 0, pattern));
    return TRUE;
  }
  dc->effectiveClip().forRectsIn(r, [&](const RECT& part) {
    for (int yy = part.top; yy < part.bottom; ++yy) {
      uint32_t* row = dc->target->row(yy);
      for (int xx = part.left; xx < part.right; ++xx) row[xx] = applyRop(rop, 0, row[xx], pattern);
    }
    dc->touch(part);
  });
  return TRUE;
}

extern "C" BOOL WINAPI StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                                  int sourceWidth, int sourceHeight, DWORD rop) {
  std::shared_ptr<DeviceContext> d = findDc(dest);
  if (!d || !ropKnown(rop)) {
    SetLastError(d ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!ropUsesSource(rop)) return PatBlt(dest, x, y, width, height, rop);
  std::shared_ptr<DeviceContext> s = findDc(source);
  if (!s || !s->target) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (s->readScreen) {
    // The screen is read now, for the rectangle this blit takes, and blitted from a copy.
    int left = s->toX(sourceX);
    int top = s->toY(sourceY);
    int w = sourceWidth;
    int h = sourceHeight;
    normalise(&left, &w);
    normalise(&top, &h);
    if (w == 0 || h == 0) return TRUE;
    // A plain copy into a 32-bit target that takes the whole rectangle reads the screen
    // straight into the target, without a copy between.
    const int dx = d->toX(x);
    const int dy = d->toY(y);
    const RECT dest{dx, dy, dx + w, dy + h};
    const BitmapLayout* destLayout = layoutOf(*d);
    if (rop == SRCCOPY && width == sourceWidth && height == sourceHeight && width > 0 && height > 0 && d->target &&
        (destLayout == nullptr || destLayout->isArgb()) && d->effectiveClip().kind() == SIMPLEREGION) {
      const RECT clip = d->effectiveClip().bounds();
      RECT inside;
      if (IntersectRect(&inside, &dest, &clip) && EqualRect(&inside, &dest) && dest.right <= d->target->width &&
          dest.bottom <= d->target->height && dest.left >= 0 && dest.top >= 0) {
        PixelBuffer part;
        part.row0 = d->target->row(dy) + dx;
        part.stride = d->target->stride;
        part.width = w;
        part.height = h;
        for (int row = 0; row < h; ++row) std::fill_n(part.row(row), w, 0xFF000000u);
        s->readScreen(RECT{left, top, left + w, top + h}, part);
        d->touch(dest);
        return TRUE;
      }
    }
    auto shot = std::make_shared<PixelBuffer>();
    shot->allocate(w, h, 0xFF000000u);
    s->readScreen(RECT{left, top, left + w, top + h}, *shot);
    auto copy = std::make_shared<DeviceContext>(false);
    copy->target = shot;
    copy->visible = Region(shot->bounds());
    sourceX = s->toX(sourceX) - left;
    sourceY = s->toY(sourceY) - top;
    s = copy;
  }
  const BitmapLayout* destLayout = layoutOf(*d);
  const BitmapLayout* sourceLayout = layoutOf(*s);
  if ((destLayout != nullptr && !destLayout->isArgb()) || (sourceLayout != nullptr && !sourceLayout->isArgb())) {
    return blitConverted(*d, d->toX(x), d->toY(y), width, height, *s, s->toX(sourceX), s->toY(sourceY), sourceWidth,
                         sourceHeight, rop);
  }
  // Keep the source alive even when both DCs paint the same surface.
  std::shared_ptr<PixelBuffer> from = s->target;
  return stretchPixels(*d, d->toX(x), d->toY(y), width, height, *from, s->toX(sourceX), s->toY(sourceY), sourceWidth,
                       sourceHeight, rop, patternOf(*d));
}

extern "C" BOOL WINAPI BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                              DWORD rop) {
  return StretchBlt(dest, x, y, width, height, source, sourceX, sourceY, width, height, rop);
}

namespace {

// A view of a caller's 32-bit DIB; false when the format is not one the layer paints.
bool dibView(const void* bits, const BITMAPINFO* info, UINT usage, PixelBuffer* view) {
  if (bits == nullptr || info == nullptr || usage != DIB_RGB_COLORS || info->bmiHeader.biBitCount != 32 ||
      (info->bmiHeader.biCompression != BI_RGB && info->bmiHeader.biCompression != BI_BITFIELDS) ||
      info->bmiHeader.biWidth <= 0 || info->bmiHeader.biHeight == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  LONG h = info->bmiHeader.biHeight;
  view->view(const_cast<void*>(bits), info->bmiHeader.biWidth, h < 0 ? -h : h,
             static_cast<ptrdiff_t>(info->bmiHeader.biWidth) * 4, h > 0);
  return true;
}

}  // namespace

extern "C" int WINAPI StretchDIBits(HDC handle, int x, int y, int width, int height, int sourceX, int sourceY,
                                    int sourceWidth, int sourceHeight, const void* bits, const BITMAPINFO* info,
                                    UINT usage, DWORD rop) {
  std::shared_ptr<DeviceContext> dc = findPaintDc(handle);
  PixelBuffer view;
  if (!dc || !ropKnown(rop) || !dibView(bits, info, usage, &view)) return 0;
  // The source origin of a bottom-up DIB is its lower-left corner.
  int top = info->bmiHeader.biHeight > 0 ? view.height - sourceY - sourceHeight : sourceY;
  stretchPixels(*dc, dc->toX(x), dc->toY(y), width, height, view, sourceX, top, sourceWidth, sourceHeight, rop,
                patternOf(*dc));
  return std::abs(height);
}

extern "C" int WINAPI SetDIBitsToDevice(HDC handle, int x, int y, DWORD width, DWORD height, int sourceX, int sourceY,
                                        UINT startScan, UINT scanLines, const void* bits, const BITMAPINFO* info,
                                        UINT usage) {
  std::shared_ptr<DeviceContext> dc = findPaintDc(handle);
  PixelBuffer view;
  if (!dc || !dibView(bits, info, usage, &view)) return 0;
  if (startScan != 0 || scanLines < static_cast<UINT>(view.height)) {
    // Band-wise transfers are not needed by the layer's callers.
    FIXME(Gdi32, "band-wise transfer (scans %u to %u of %d) is not supported", startScan, startScan + scanLines,
          view.height);
    SetLastError(ERROR_NOT_SUPPORTED);
    return 0;
  }
  int w = static_cast<int>(width), h = static_cast<int>(height);
  int top = info->bmiHeader.biHeight > 0 ? view.height - sourceY - h : sourceY;
  stretchPixels(*dc, dc->toX(x), dc->toY(y), w, h, view, sourceX, top, w, h, SRCCOPY, 0);
  return static_cast<int>(scanLines);
}

extern "C" int WINAPI GetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info,
                                UINT usage) {
  auto b = findObjectAs<BitmapObject>(bitmap, OBJ_BITMAP);
  if (!b || info == nullptr || usage != DIB_RGB_COLORS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!b->layout.isArgb()) {
    // Only 32-bit bitmaps are read back; nothing asks for the others.
    SetLastError(ERROR_NOT_SUPPORTED);
    return 0;
  }
  const PixelBuffer& p = *b->pixels;
  if (bits == nullptr) {
    // Only the format is asked for.
    info->bmiHeader.biWidth = p.width;
    info->bmiHeader.biHeight = p.height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 32;
    info->bmiHeader.biCompression = BI_RGB;
    info->bmiHeader.biSizeImage = static_cast<DWORD>(p.width * p.height * 4);
    return 1;
  }
  if (info->bmiHeader.biBitCount != 32 || info->bmiHeader.biWidth != p.width) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  bool bottomUp = info->bmiHeader.biHeight > 0;
  UINT copied = 0;
  for (UINT i = 0; i < lines && start + i < static_cast<UINT>(p.height); ++i) {
    int scan = static_cast<int>(start + i);  // scan 0 is the bottom row of a bottom-up DIB
    int row = bottomUp ? p.height - 1 - scan : scan;
    std::memcpy(static_cast<uint32_t*>(bits) + static_cast<size_t>(i) * static_cast<size_t>(p.width), p.row(row),
                static_cast<size_t>(p.width) * 4);
    ++copied;
  }
  return static_cast<int>(copied);
}

extern "C" int WINAPI FillRect(HDC handle, const RECT* rect, HBRUSH brush) {
  std::shared_ptr<DeviceContext> dc = findPaintDc(handle);
  std::shared_ptr<BrushObject> b = brushFromHandle(brush);
  if (!dc || rect == nullptr || !b) return 0;
  uint32_t pixel = 0;
  if (brushPixel(*dc, b.get(), &pixel)) fillTargetRect(*dc, dc->toTarget(*rect), pixel);
  return 1;
}

extern "C" int WINAPI FrameRect(HDC handle, const RECT* rect, HBRUSH brush) {
  std::shared_ptr<DeviceContext> dc = findPaintDc(handle);
  std::shared_ptr<BrushObject> b = brushFromHandle(brush);
  if (!dc || rect == nullptr || !b) return 0;
  uint32_t pixel = 0;
  if (!brushPixel(*dc, b.get(), &pixel) || rect->left >= rect->right || rect->top >= rect->bottom) return 1;
  RECT r = dc->toTarget(*rect);
  fillTargetRect(*dc, RECT{r.left, r.top, r.right, r.top + 1}, pixel);
  fillTargetRect(*dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, pixel);
  fillTargetRect(*dc, RECT{r.left, r.top, r.left + 1, r.bottom}, pixel);
  fillTargetRect(*dc, RECT{r.right - 1, r.top, r.right, r.bottom}, pixel);
  return 1;
}

extern "C" BOOL WINAPI DrawFocusRect(HDC handle, const RECT* rect) {
  std::shared_ptr<DeviceContext> dc = findPaintDc(handle);
  if (!dc || rect == nullptr) return FALSE;
  RECT r = dc->toTarget(*rect);
  const Region& clip = dc->effectiveClip();
  // A dotted frame drawn by inverting every other pixel, so a second call removes it.
  auto flip = [&](int x, int y) {
    if (!clip.contains(x, y)) return;
    uint32_t& p = dc->target->row(y)[x];
    p = (p ^ 0x00FFFFFFu) | 0xFF000000u;
  };
  for (int x = r.left; x < r.right; x += 2) {
    flip(x, r.top);
    if (r.bottom - 1 > r.top) flip(x, r.bottom - 1);
  }
  for (int y = r.top + 2; y < r.bottom - 1; y += 2) {
    flip(r.left, y);
    if (r.right - 1 > r.left) flip(r.right - 1, y);
  }
  dc->touch(r);
  return TRUE;
}

extern "C" BOOL WINAPI DrawEdge(HDC handle, LPRECT rect, UINT edge, UINT flags) {
  std::shared_ptr<DeviceContext> dc = findPaintDc(handle);
  if (!dc || rect == nullptr) return FALSE;
  RECT r = *rect;
  // Each of the two lines of an edge: colours of its top-left and bottom-right halves.
  struct Line {
    UINT mask;
    int topLeft, bottomRight;
  };
  const Line lines[2] = {
      {edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER), (edge & BDR_RAISEDOUTER) ? COLOR_3DLIGHT : COLOR_3DSHADOW,
       (edge & BDR_RAISEDOUTER) ? COLOR_3DDKSHADOW : COLOR_3DHILIGHT},
      {edge & (BDR_RAISEDINNER | BDR_SUNKENINNER), (edge & BDR_RAISEDINNER) ? COLOR_3DHILIGHT : COLOR_3DDKSHADOW,
       (edge & BDR_RAISEDINNER) ? COLOR_3DSHADOW : COLOR_3DLIGHT},
  };
  // A soft edge swaps the top-left colours of its two lines, so the brightest (or darkest)
  // one is outermost.
  int softTopLeft[2] = {lines[0].topLeft, lines[1].topLeft};
  if ((flags & BF_SOFT) && lines[0].mask != 0 && lines[1].mask != 0) std::swap(softTopLeft[0], softTopLeft[1]);
  for (const Line& line : lines) {
    if (line.mask == 0) continue;
    int topLeft = softTopLeft[&line - lines];
    RECT t = dc->toTarget(r);
    uint32_t tl = pixelOf(systemColor(topLeft)), br = pixelOf(systemColor(line.bottomRight));
    if (flags & BF_TOP) fillTargetRect(*dc, RECT{t.left, t.top, t.right, t.top + 1}, tl);
    if (flags & BF_LEFT) fillTargetRect(*dc, RECT{t.left, t.top, t.left + 1, t.bottom}, tl);
    if (flags & BF_BOTTOM) fillTargetRect(*dc, RECT{t.left, t.bottom - 1, t.right, t.bottom}, br);
    if (flags & BF_RIGHT) fillTargetRect(*dc, RECT{t.right - 1, t.top, t.right, t.bottom}, br);
    if (flags & BF_TOP) ++r.top;
    if (flags & BF_LEFT) ++r.left;
    if (flags & BF_BOTTOM) --r.bottom;
    if (flags & BF_RIGHT) --r.right;
  }
  if (flags & BF_MIDDLE) fillTargetRect(*dc, dc->toTarget(r), pixelOf(systemColor(COLOR_BTNFACE)));
  if (flags & BF_ADJUST) *rect = r;
  return TRUE;
}
