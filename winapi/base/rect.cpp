// The rectangle calls (SetRect, IntersectRect, EqualRect, ...): plain arithmetic that the window
// system and gdi32's drawing both use, so they sit in the base below both.
#include <windows.h>

#include <algorithm>

extern "C" BOOL WINAPI SetRect(LPRECT rect, int left, int top, int right, int bottom) {
  if (rect == nullptr) return FALSE;
  *rect = RECT{left, top, right, bottom};
  return TRUE;
}

extern "C" BOOL WINAPI SetRectEmpty(LPRECT rect) { return SetRect(rect, 0, 0, 0, 0); }

extern "C" BOOL WINAPI CopyRect(LPRECT dest, const RECT* source) {
  if (dest == nullptr || source == nullptr) return FALSE;
  *dest = *source;
  return TRUE;
}

extern "C" BOOL WINAPI InflateRect(LPRECT rect, int dx, int dy) {
  if (rect == nullptr) return FALSE;
  rect->left -= dx;
  rect->top -= dy;
  rect->right += dx;
  rect->bottom += dy;
  return TRUE;
}

extern "C" BOOL WINAPI OffsetRect(LPRECT rect, int dx, int dy) {
  if (rect == nullptr) return FALSE;
  rect->left += dx;
  rect->right += dx;
  rect->top += dy;
  rect->bottom += dy;
  return TRUE;
}

extern "C" BOOL WINAPI IsRectEmpty(const RECT* rect) {
  return rect == nullptr || rect->left >= rect->right || rect->top >= rect->bottom ? TRUE : FALSE;
}

extern "C" BOOL WINAPI IntersectRect(LPRECT dest, const RECT* a, const RECT* b) {
  if (dest == nullptr || a == nullptr || b == nullptr) return FALSE;
  RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
         std::min(a->bottom, b->bottom)};
  if (IsRectEmpty(a) || IsRectEmpty(b) || IsRectEmpty(&r)) {
    *dest = RECT{0, 0, 0, 0};
    return FALSE;
  }
  *dest = r;
  return TRUE;
}

extern "C" BOOL WINAPI UnionRect(LPRECT dest, const RECT* a, const RECT* b) {
  if (dest == nullptr || a == nullptr || b == nullptr) return FALSE;
  if (IsRectEmpty(a)) {
    *dest = IsRectEmpty(b) ? RECT{0, 0, 0, 0} : *b;
  } else if (IsRectEmpty(b)) {
    *dest = *a;
  } else {
    *dest = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                 std::max(a->bottom, b->bottom)};
  }
  return !IsRectEmpty(dest);
}

extern "C" BOOL WINAPI PtInRect(const RECT* rect, POINT point) {
  return rect != nullptr && point.x >= rect->left && point.x < rect->right && point.y >= rect->top &&
                 point.y < rect->bottom
             ? TRUE
             : FALSE;
}

extern "C" BOOL WINAPI EqualRect(const RECT* a, const RECT* b) {
  return a != nullptr && b != nullptr && a->left == b->left && a->top == b->top && a->right == b->right &&
                 a->bottom == b->bottom
             ? TRUE
             : FALSE;
}
