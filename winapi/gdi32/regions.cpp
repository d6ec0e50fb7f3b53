// Region objects and the clip region of a DC.
#include "winapi/gdi32/Gdi.h"

#include <cstdlib>

namespace winapi {
namespace {

std::shared_ptr<RegionObject> regionOf(HRGN handle) { return findObjectAs<RegionObject>(handle, OBJ_REGION); }

HRGN addRegion(Region r) {
  auto o = std::make_shared<RegionObject>();
  o->region = std::move(r);
  return static_cast<HRGN>(addObject(std::move(o)));
}

int clipKind(DeviceContext& dc) {
  Region r = dc.effectiveClip();
  return r.kind();
}

}  // namespace
}  // namespace winapi

using namespace winapi;

extern "C" HRGN WINAPI CreateRectRgn(int left, int top, int right, int bottom) {
  return addRegion(Region::fromRect(left, top, right, bottom));
}

extern "C" HRGN WINAPI CreateRectRgnIndirect(const RECT* rect) {
  if (rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

extern "C" HRGN WINAPI CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height) {
  // Windows treats the right and bottom coordinates of a round rectangle region as exclusive.
  return addRegion(Region::roundRect(left, top, right, bottom, width, height));
}

extern "C" HRGN WINAPI CreateEllipticRgn(int left, int top, int right, int bottom) {
  return addRegion(Region::roundRect(left, top, right, bottom, std::abs(right - left), std::abs(bottom - top)));
}

extern "C" BOOL WINAPI SetRectRgn(HRGN handle, int left, int top, int right, int bottom) {
  auto r = regionOf(handle);
  if (!r) return FALSE;
  r->region = Region::fromRect(left, top, right, bottom);
  return TRUE;
}

extern "C" int WINAPI CombineRgn(HRGN dest, HRGN source1, HRGN source2, int mode) {
  auto d = regionOf(dest);
  auto a = regionOf(source1);
  auto b = mode == RGN_COPY ? a : regionOf(source2);
  if (!d || !a || !b || mode < RGN_AND || mode > RGN_COPY) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return ERROR;
  }
  d->region = Region::combine(a->region, b->region, mode);
  return d->region.kind();
}

extern "C" int WINAPI OffsetRgn(HRGN handle, int dx, int dy) {
  auto r = regionOf(handle);
  if (!r) return ERROR;
  r->region.offset(dx, dy);
  return r->region.kind();
}

extern "C" int WINAPI GetRgnBox(HRGN handle, LPRECT box) {
  auto r = regionOf(handle);
  if (!r || box == nullptr) return ERROR;
  *box = r->region.bounds();
  return r->region.kind();
}

extern "C" BOOL WINAPI PtInRegion(HRGN handle, int x, int y) {
  auto r = regionOf(handle);
  return r && r->region.contains(x, y) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI RectInRegion(HRGN handle, const RECT* rect) {
  auto r = regionOf(handle);
  return r && rect != nullptr && r->region.intersects(*rect) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI EqualRgn(HRGN a, HRGN b) {
  auto ra = regionOf(a);
  auto rb = regionOf(b);
  if (!ra || !rb) return ERROR;
  return ra->region == rb->region ? TRUE : FALSE;
}

extern "C" BOOL WINAPI FillRgn(HDC handle, HRGN region, HBRUSH brush) {
  std::shared_ptr<DeviceContext> dc = findPaintDc(handle);
  auto r = regionOf(region);
  auto b = brushFromHandle(brush);
  if (!dc || !r || !b) return FALSE;
  uint32_t pixel = 0;
  if (!brushPixel(*dc, b.get(), &pixel)) return TRUE;
  for (RECT part : r->region.rects()) fillTargetRect(*dc, dc->toTarget(part), pixel);
  return TRUE;
}

extern "C" BOOL WINAPI PaintRgn(HDC handle, HRGN region) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc) return FALSE;
  return FillRgn(handle, region, static_cast<HBRUSH>(dc->brushHandle));
}

extern "C" int WINAPI ExtSelectClipRgn(HDC handle, HRGN region, int mode) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc) return ERROR;
  if (region == nullptr) {
    if (mode != RGN_COPY) return ERROR;
    dc->hasClip = false;
    dc->clip.clear();
    dc->clipChanged();
    return clipKind(*dc);
  }
  auto r = regionOf(region);
  if (!r || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  // Clip regions are given in device units; the layer's DCs have no mapping mode, so those are
  // logical units moved by the viewport origin.
  Region given = r->region;
  given.offset(dc->viewport.x, dc->viewport.y);
  if (mode == RGN_COPY || !dc->hasClip) {
    Region base = dc->hasClip ? dc->clip : Region(RECT{-0x3FFFFFFF, -0x3FFFFFFF, 0x3FFFFFFF, 0x3FFFFFFF});
    dc->clip = mode == RGN_COPY ? given : Region::combine(base, given, mode);
  } else {
    dc->clip = Region::combine(dc->clip, given, mode);
  }
  dc->hasClip = true;
  dc->clipChanged();
  return clipKind(*dc);
}

extern "C" int WINAPI SelectClipRgn(HDC dc, HRGN region) { return ExtSelectClipRgn(dc, region, RGN_COPY); }

namespace {

int changeClip(HDC handle, const RECT& logical, int mode) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc) return ERROR;
  RECT r{logical.left + dc->viewport.x, logical.top + dc->viewport.y, logical.right + dc->viewport.x,
         logical.bottom + dc->viewport.y};
  if (!dc->hasClip) {
    // Without a clip region yet, the whole surface is the starting point.
    RECT all = dc->target ? dc->target->bounds() : RECT{0, 0, 0, 0};
    OffsetRect(&all, -dc->origin.x, -dc->origin.y);
    dc->clip = Region(all);
    dc->hasClip = true;
  }
  dc->clip = Region::combine(dc->clip, Region::fromRect(r.left, r.top, r.right, r.bottom), mode);
  dc->clipChanged();
  return clipKind(*dc);
}

}  // namespace

extern "C" int WINAPI ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
  return changeClip(dc, RECT{left, top, right, bottom}, RGN_DIFF);
}

extern "C" int WINAPI IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
  return changeClip(dc, RECT{left, top, right, bottom}, RGN_AND);
}

extern "C" int WINAPI OffsetClipRgn(HDC handle, int dx, int dy) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc) return ERROR;
  if (dc->hasClip) {
    dc->clip.offset(dx, dy);
    dc->clipChanged();
  }
  return clipKind(*dc);
}

extern "C" int WINAPI GetClipBox(HDC handle, LPRECT box) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc || box == nullptr) return ERROR;
  const Region& r = dc->effectiveClip();
  RECT b = r.bounds();
  int dx = dc->viewport.x + dc->origin.x, dy = dc->viewport.y + dc->origin.y;
  *box = RECT{b.left - dx, b.top - dy, b.right - dx, b.bottom - dy};
  return r.kind();
}

extern "C" int WINAPI GetClipRgn(HDC handle, HRGN region) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  auto r = regionOf(region);
  if (!dc || !r) return -1;
  if (!dc->hasClip) return 0;
  r->region = dc->clip;
  return 1;
}

extern "C" BOOL WINAPI PtVisible(HDC handle, int x, int y) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc) return -1;
  return dc->effectiveClip().contains(dc->toX(x), dc->toY(y)) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI RectVisible(HDC handle, const RECT* rect) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc || rect == nullptr) return FALSE;
  return dc->effectiveClip().intersects(dc->toTarget(*rect)) ? TRUE : FALSE;
}
