// Text output and measuring: ExtTextOutW (with ETO_OPAQUE, the solid-rectangle primitive),
// TextOutW, extents and metrics of the DC's font.
// Left out on purpose: ETO_GLYPH_INDEX and right-to-left reading (the program draws neither);
// texts in right-to-left scripts are still ordered and shaped within a left-to-right line.
#include <winseam.h>

#include "winapi/gdi32/Font.h"
#include "winapi/gdi32/Text.h"

#include <algorithm>
#include <atomic>
#include <vector>

namespace winapi {
namespace {

std::atomic<seam::TextRunObserver> s_textRunObserver{nullptr};

}  // namespace

std::shared_ptr<RealizedFont> fontOf(DeviceContext& dc) {
  if (!dc.font) return nullptr;
  return dc.font->realize();
}

void drawTextRun(HDC handle, DeviceContext& dc, RealizedFont& font, int x, int top, const char16_t* text, int count,
                 const int* dx, const RECT* clipTarget, bool opaqueBackground) {
  const TEXTMETRICW& tm = font.metrics();
  int width;
  if (dx != nullptr) {
    width = 0;
    for (int i = 0; i < count; ++i) width += dx[i];
  } else {
    width = font.width(text, count);
  }
  RECT box{x, top, x + width, top + tm.tmHeight};
  if (clipTarget != nullptr) IntersectRect(&box, &box, clipTarget);
  if (opaqueBackground) fillTargetRect(dc, box, pixelOf(dc.bkColor));
  if (count <= 0) return;
  RECT touched{};
  int missing = -1;
  Region clip = dc.effectiveClip();
  if (clipTarget != nullptr) clip.intersect(*clipTarget);
  font.draw(*dc.target, clip, x, top + tm.tmAscent, text, count, dx, pixelOf(dc.textColor), &touched, &missing);
  dc.touch(touched);
  if (seam::TextRunObserver observer = s_textRunObserver.load()) {
    observer(
        seam::TextRunDrawn{handle, text, count, RECT{x, top, x + width, top + tm.tmHeight}, clip.bounds(), missing});
  }
}

namespace seam {
TextRunObserver replaceTextRunObserver(TextRunObserver observer) { return s_textRunObserver.exchange(observer); }
}  // namespace seam

}  // namespace winapi

using namespace winapi;

namespace {

int textLength(LPCWSTR text, int count) {
  if (text == nullptr) return 0;
  if (count >= 0) return count;
  int n = 0;
  while (text[n] != 0) ++n;
  return n;
}

}  // namespace

extern "C" BOOL WINAPI ExtTextOutW(HDC handle, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count,
                                   const INT* dx) {
  std::shared_ptr<DeviceContext> dc = findPaintDc(handle);
  if (!dc) return FALSE;
  RECT target{};
  bool haveRect = rect != nullptr && (options & (ETO_OPAQUE | ETO_CLIPPED)) != 0;
  if (haveRect) {
    target = dc->toTarget(*rect);
    if (target.left > target.right) std::swap(target.left, target.right);
    if (target.top > target.bottom) std::swap(target.top, target.bottom);
    if (options & ETO_OPAQUE) fillTargetRect(*dc, target, pixelOf(dc->bkColor));
  }
  if (count == 0 || text == nullptr) return TRUE;
  std::shared_ptr<RealizedFont> font = fontOf(*dc);
  if (!font) return FALSE;
  int n = static_cast<int>(count);
  const TEXTMETRICW& tm = font->metrics();
  bool useCurrent = (dc->textAlign & TA_UPDATECP) != 0;
  int px = useCurrent ? dc->position.x : x;
  int py = useCurrent ? dc->position.y : y;
  int width = 0;
  if (dx != nullptr) {
    for (int i = 0; i < n; ++i) width += dx[i];
  } else {
    width = font->width(text, n);
  }
  int left = px;
  UINT horizontal = dc->textAlign & TA_CENTER;
  if (horizontal == TA_RIGHT) left = px - width;
  if (horizontal == TA_CENTER) left = px - width / 2;
  int top = py;
  UINT vertical = dc->textAlign & TA_BASELINE;
  if (vertical == TA_BASELINE) top = py - tm.tmAscent;
  if (vertical == TA_BOTTOM) top = py - tm.tmHeight;
  if (useCurrent && horizontal != TA_CENTER) {
    dc->position.x = horizontal == TA_RIGHT ? left : left + width;
  }
  bool opaque = dc->bkMode == OPAQUE && (options & ETO_OPAQUE) == 0;
  drawTextRun(handle, *dc, *font, dc->toX(left), dc->toY(top), text, n, dx,
              (options & ETO_CLIPPED) && haveRect ? &target : nullptr, opaque);
  return TRUE;
}

extern "C" BOOL WINAPI TextOutW(HDC dc, int x, int y, LPCWSTR text, int count) {
  return ExtTextOutW(dc, x, y, 0, nullptr, text, static_cast<UINT>(std::max(count, 0)), nullptr);
}

extern "C" BOOL WINAPI GetTextExtentPoint32W(HDC handle, LPCWSTR text, int count, LPSIZE size) {
  return GetTextExtentExPointW(handle, text, count, 0, nullptr, nullptr, size);
}

extern "C" BOOL WINAPI GetTextExtentExPointW(HDC handle, LPCWSTR text, int count, int maxExtent, LPINT fit, LPINT dx,
                                             LPSIZE size) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc || size == nullptr || count < 0 || (text == nullptr && count > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::shared_ptr<RealizedFont> font = fontOf(*dc);
  if (!font) return FALSE;
  std::vector<int> advances(static_cast<size_t>(count) + 1);
  font->advances(text, count, advances.data());
  int total = 0, fitting = 0;
  for (int i = 0; i < count; ++i) {
    total += advances[static_cast<size_t>(i)];
    if (dx != nullptr) dx[i] = total;
    if (total <= maxExtent) fitting = i + 1;
  }
  if (fit != nullptr) *fit = fitting;
  size->cx = total;
  size->cy = font->metrics().tmHeight;
  return TRUE;
}

extern "C" BOOL WINAPI GetTextMetricsW(HDC handle, LPTEXTMETRICW metrics) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc || metrics == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::shared_ptr<RealizedFont> font = fontOf(*dc);
  if (!font) return FALSE;
  *metrics = font->metrics();
  return TRUE;
}

extern "C" int WINAPI GetTextFaceW(HDC handle, int count, LPWSTR face) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc) return 0;
  std::shared_ptr<RealizedFont> font = fontOf(*dc);
  if (!font) return 0;
  const std::u16string& name = font->faceName();
  if (face == nullptr) return static_cast<int>(name.size()) + 1;
  if (count <= 0) return 0;
  int n = std::min(static_cast<int>(name.size()), count - 1);
  std::copy(name.begin(), name.begin() + n, face);
  face[n] = 0;
  return n + 1;
}

namespace winapi {
int textUnits(LPCWSTR text, int count) { return textLength(text, count); }
}  // namespace winapi
