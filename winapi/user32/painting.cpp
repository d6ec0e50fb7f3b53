// Invalidation and painting: update regions, WM_PAINT selection (a parent before its children,
// lower siblings before higher ones), BeginPaint/EndPaint with WM_NCPAINT and WM_ERASEBKGND,
// window DCs clipped to what the window may show, UpdateWindow and RedrawWindow, and the
// surfaces of top-level windows handed to the driver when their thread has nothing left to do.
// Invalidating a window without WS_CLIPCHILDREN invalidates the children it covers too, as
// Windows does; painting a parent then never hides a child for good.
// The screen's DC (GetDC of no window) covers the virtual screen in screen coordinates and reads
// the driver's pixels for the rectangle a blit takes; drawing into it changes nothing on screen.
#include "winapi/user32/Window.h"
#include "winapi/user32/Input.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace winapi {
namespace {

// The most bands an update region keeps before it becomes its bounding box.
constexpr size_t kMaxUpdateBands = 32;

RECT clientInWindow(Window* w) {
  return RECT{w->client.left - w->window.left, w->client.top - w->window.top, w->client.right - w->window.left,
              w->client.bottom - w->window.top};
}

// The part of the update region inside the client area (window coordinates).
Region clientUpdate(Window* w) {
  Region area = w->update;
  area.intersect(clientInWindow(w));
  return area;
}

RECT windowSize(Window* w) { return RECT{0, 0, w->window.right - w->window.left, w->window.bottom - w->window.top}; }

Window* paintCandidate(Window* w, DWORD threadId) {
  if (w == nullptr || !(w->style & WS_VISIBLE) || w->redrawOff) return nullptr;
  if (w->threadId == threadId && (!w->update.isEmpty() || w->internalPaint)) return w;
  for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
    Window* found = paintCandidate(findWindow(*it), threadId);
    if (found != nullptr) return found;
  }
  return nullptr;
}

// A DC on the window's surface: its client or whole window area, clipped to what shows.
HDC makeDc(Window* w, bool windowArea, bool clipChildren, const Region* limit) {
  Window* top = topLevelOf(w);
  if (!top->surface) resizeSurface(top);
  Region visible = visibleRegion(w, !windowArea, clipChildren);
  if (limit != nullptr) visible.intersect(*limit);
  return createWindowDc(w->handle, top->surface, offsetInTop(w, !windowArea), std::move(visible));
}

void paintTree(HWND hwnd, bool children) {
  bool needs = false;
  std::vector<HWND> kids;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr || !isVisibleChain(w) || isRedrawOffChain(w)) return;
    needs = w->threadId == currentThreadId() && (!w->update.isEmpty() || w->internalPaint);
    kids.assign(w->children.rbegin(), w->children.rend());
  }
  if (needs) {
    MSG msg{hwnd, WM_PAINT, 0, 0, 0, POINT{0, 0}};
    DispatchMessageW(&msg);
  }
  if (!children) return;
  for (HWND k : kids) paintTree(k, true);
}

// What a parent of w on w's own thread, still waiting for its WM_PAINT, will paint over (in w's
// window coordinates). A window can take its WM_PAINT just before another thread invalidates it
// together with its parents; the parents then paint after it, and without WS_CLIPCHILDREN they
// paint over it. That part stays invalid in w, which so paints again after them.
Region coveredByPendingParents(Window* w) {
  Region covered;
  const POINT at = offsetInTop(w, false);
  for (Window* p = findWindow(w->parent); p != nullptr; p = findWindow(p->parent)) {
    if (p->style & WS_CLIPCHILDREN) break;
    if (p->threadId != w->threadId || p->update.isEmpty()) continue;
    Region area = p->update;
    const POINT pAt = offsetInTop(p, false);
    area.offset(pAt.x - at.x, pAt.y - at.y);
    area.intersect(windowSize(w));
    covered.unite(area);
  }
  return covered;
}

}  // namespace

void invalidateWindow(Window* w, const Region* area, UINT flags) {
  if (w == nullptr) return;
  Region region = area != nullptr ? *area : Region(windowSize(w));
  region.intersect(windowSize(w));
  if (!(flags & RDW_FRAME) && (flags & (RDW_INVALIDATE | RDW_VALIDATE))) region.intersect(clientInWindow(w));
  if (flags & RDW_INVALIDATE) {
    if (!isVisibleChain(w) || isRedrawOffChain(w)) return;
    if (!region.isEmpty()) {
      w->update.unite(region);
      // Many small invalidations (a layout moving many children) would make the update region
      // ever more complex and each further union dearer; past a few dozen bands it becomes its
      // bounding box, which repaints a little more and keeps every invalidation cheap.
      if (w->update.bands().size() > kMaxUpdateBands) w->update = Region(w->update.bounds());
      if (flags & RDW_ERASE) w->eraseNeeded = true;
      RECT client = clientInWindow(w);
      Region frame = Region::combine(region, Region(client), RGN_DIFF);
      if (!frame.isEmpty()) w->frameNeeded = true;
    }
    if (flags & RDW_INTERNALPAINT) w->internalPaint = true;
    ++w->invalidations;
    notePaintChange();
  } else if (flags & RDW_VALIDATE) {
    w->update.subtract(area != nullptr ? region : Region(windowSize(w)));
    if (area == nullptr || w->update.isEmpty()) {
      w->eraseNeeded = false;
      w->frameNeeded = false;
    }
    if (flags & RDW_NOINTERNALPAINT) w->internalPaint = false;
  }
  if (flags & RDW_NOERASE) w->eraseNeeded = false;
  if (flags & RDW_NOFRAME) w->frameNeeded = false;
  bool toChildren = (flags & RDW_ALLCHILDREN) || (!(flags & RDW_NOCHILDREN) && !(w->style & WS_CLIPCHILDREN));
  if (toChildren) {
    RECT client = clientInWindow(w);
    RECT reach = region.bounds();
    for (HWND h : w->children) {
      Window* c = findWindow(h);
      if (c == nullptr || !(c->style & WS_VISIBLE)) continue;
      // The child's window coordinates are shifted by its corner in this window.
      int dx = client.left + c->window.left, dy = client.top + c->window.top;
      // A child outside the invalidated area is passed over without region work.
      bool misses = region.isEmpty() || dx >= reach.right || dx + (c->window.right - c->window.left) <= reach.left ||
                    dy >= reach.bottom || dy + (c->window.bottom - c->window.top) <= reach.top;
      if (misses && (flags & RDW_INVALIDATE)) continue;
      Region childArea = region;
      childArea.intersect(Region(client));
      childArea.offset(-dx, -dy);
      childArea.intersect(windowSize(c));
      if (childArea.isEmpty() && (flags & RDW_INVALIDATE)) continue;
      UINT childFlags = flags | RDW_FRAME;
      invalidateWindow(c, &childArea, childFlags);
    }
  }
  wakeOwner(w);
}

namespace {
std::atomic<uint64_t> s_paintChanges{0};
}  // namespace

void notePaintChange() { s_paintChanges.fetch_add(1, std::memory_order_relaxed); }

HWND nextWindowToPaint(ThreadQueue& queue) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  const uint64_t changes = s_paintChanges.load(std::memory_order_relaxed);
  if (queue.nothingToPaintAt == changes) return nullptr;
  for (HWND h : topLevelWindowsLocked()) {
    Window* found = paintCandidate(findWindow(h), queue.threadId);
    if (found != nullptr) return found->handle;
  }
  queue.nothingToPaintAt = changes;
  return nullptr;
}

void markDirty(Window* top, const RECT& r) {
  if (top == nullptr || r.left >= r.right || r.top >= r.bottom) return;
  if (top->dirty.left >= top->dirty.right || top->dirty.top >= top->dirty.bottom) {
    top->dirty = r;
  } else {
    UnionRect(&top->dirty, &top->dirty, &r);
  }
  if (top->threadId != currentThreadId()) wakeOwner(top);
}

void presentDirtySurfaces(ThreadQueue& queue) {
  struct Job {
    NativeWindow native;
    std::shared_ptr<PixelBuffer> surface;
    RECT dirty;
    POINT clientOffset;
  };
  std::vector<Job> jobs;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    for (HWND h : topLevelWindowsLocked()) {
      Window* w = findWindow(h);
      if (w == nullptr || w->threadId != queue.threadId) continue;
      if (w->dirty.left >= w->dirty.right || w->dirty.top >= w->dirty.bottom) continue;
      if (w->native != 0 && w->surface && (w->style & WS_VISIBLE)) {
        jobs.push_back(Job{w->native, w->surface, w->dirty,
                           POINT{w->client.left - w->window.left, w->client.top - w->window.top}});
      }
      w->dirty = RECT{0, 0, 0, 0};
    }
  }
  for (const Job& j : jobs) displayDriver().present(j.native, *j.surface, j.dirty, j.clientOffset);
}

void resizeSurface(Window* top) {
  int width = std::max<int>(1, top->window.right - top->window.left);
  int height = std::max<int>(1, top->window.bottom - top->window.top);
  if (top->surface && top->surface->width == width && top->surface->height == height) return;
  auto fresh = std::make_shared<PixelBuffer>();
  fresh->allocate(width, height, 0xFF000000u | (pixelOf(GetSysColor(COLOR_BTNFACE)) & 0xFFFFFF));
  if (top->surface) {
    // What was painted stays until the repaint that follows the resize reaches it.
    int w = std::min(width, top->surface->width), h = std::min(height, top->surface->height);
    for (int y = 0; y < h; ++y) std::memcpy(fresh->row(y), top->surface->row(y), static_cast<size_t>(w) * 4);
  }
  top->surface = std::move(fresh);
}

// A DC that paints the client area of `w` within `update` (window coordinates), as the erase
// and BeginPaint give it: clipped to the update area, with its origin at the client corner.
// Called with the user lock held.
HDC makeUpdateDc(Window* w, Region update) {
  POINT at = offsetInTop(w, false);
  update.offset(at.x, at.y);
  HDC dc = makeDc(w, false, (w->style & WS_CLIPCHILDREN) != 0, &update);
  auto d = findDc(dc);
  d->origin = offsetInTop(w, true);
  d->clipChanged();
  return dc;
}

void eraseNow(HWND hwnd) {
  bool frame = false, erase = false;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr) return;
    frame = w->frameNeeded;
    erase = w->eraseNeeded;
    w->frameNeeded = false;
    w->eraseNeeded = false;
  }
  if (frame) sendLocal(hwnd, WM_NCPAINT, 1, 0);
  if (erase) {
    HDC dc = nullptr;
    {
      std::lock_guard<std::recursive_mutex> guard(userLock());
      Window* w = findWindow(hwnd);
      if (w == nullptr) return;
      dc = makeUpdateDc(w, w->update);
    }
    sendLocal(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ReleaseDC(hwnd, dc);
  }
}

}  // namespace winapi

using namespace winapi;

extern "C" HDC WINAPI BeginPaint(HWND hwnd, LPPAINTSTRUCT paint) {
  if (paint == nullptr || !ownedByCurrentThread(hwnd)) {
    SetLastError(IsWindow(hwnd) ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  bool frame;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    frame = w->frameNeeded;
    w->frameNeeded = false;
  }
  if (frame) sendLocal(hwnd, WM_NCPAINT, 1, 0);
  HDC dc;
  bool erase;
  RECT paintRect;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr) return nullptr;
    RECT client = clientInWindow(w);
    Region area = clientUpdate(w);
    w->update = coveredByPendingParents(w);
    if (!w->update.isEmpty()) {
      ++w->invalidations;
      notePaintChange();
    }
    w->internalPaint = false;
    erase = w->eraseNeeded;
    w->eraseNeeded = false;
    RECT box = area.bounds();
    paintRect = RECT{box.left - client.left, box.top - client.top, box.right - client.left, box.bottom - client.top};
    dc = makeUpdateDc(w, area);
  }
  *paint = PAINTSTRUCT{};
  paint->hdc = dc;
  paint->rcPaint = paintRect;
  paint->fErase = TRUE;
  if (erase) paint->fErase = sendLocal(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
  return dc;
}

extern "C" BOOL WINAPI EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
  if (paint == nullptr) return FALSE;
  ReleaseDC(hwnd, paint->hdc);
  return TRUE;
}

extern "C" HDC WINAPI GetDCEx(HWND hwnd, HRGN clip, DWORD flags) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  if (hwnd == nullptr || hwnd == GetDesktopWindow()) {
    // The screen, in screen coordinates: read from the display when a blit takes a rectangle
    // of it, so a DC taken only to measure text costs nothing.
    HDC dc = createWindowDc(nullptr, std::make_shared<PixelBuffer>(), POINT{0, 0}, Region());
    if (auto d = findDc(dc)) {
      d->readScreen = [](const RECT& rect, PixelBuffer& out) { displayDriver().captureScreen(rect, out); };
    }
    return dc;
  }
  Window* w = windowOrError(hwnd);
  if (w == nullptr) return nullptr;
  Region limit;
  const Region* limitPtr = nullptr;
  if (clip != nullptr && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) {
    auto r = findObjectAs<RegionObject>(clip, OBJ_REGION);
    if (r) {
      // The given region is in window (DCX_WINDOW) or client coordinates.
      Region given = r->region;
      POINT at = offsetInTop(w, !(flags & DCX_WINDOW));
      given.offset(at.x, at.y);
      if (flags & DCX_INTERSECTRGN) {
        limit = given;
      } else {
        limit = Region(RECT{-0x3FFFFFFF, -0x3FFFFFFF, 0x3FFFFFFF, 0x3FFFFFFF});
        limit.subtract(given);
      }
      limitPtr = &limit;
    }
  }
  bool clipChildren = (flags & DCX_CLIPCHILDREN) || (w->style & WS_CLIPCHILDREN);
  return makeDc(w, (flags & DCX_WINDOW) != 0, clipChildren, limitPtr);
}

extern "C" HDC WINAPI GetDC(HWND hwnd) { return GetDCEx(hwnd, nullptr, 0); }

extern "C" HDC WINAPI GetWindowDC(HWND hwnd) { return GetDCEx(hwnd, nullptr, DCX_WINDOW); }

extern "C" int WINAPI ReleaseDC(HWND hwnd, HDC dc) {
  auto d = findDc(dc);
  if (!d || d->memory) return 0;
  RECT dirty = releaseWindowDc(dc);
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = findWindow(hwnd != nullptr ? hwnd : d->hwnd);
  if (w != nullptr) markDirty(topLevelOf(w), dirty);
  return 1;
}

extern "C" HWND WINAPI WindowFromDC(HDC dc) {
  auto d = findDc(dc);
  return d ? d->hwnd : nullptr;
}

extern "C" BOOL WINAPI RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
  if (hwnd == nullptr || hwnd == GetDesktopWindow()) {
    for (HWND h : topLevelWindows()) RedrawWindow(h, rect, region, flags | RDW_ALLCHILDREN);
    return TRUE;
  }
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = windowOrError(hwnd);
    if (w == nullptr) return FALSE;
    if (flags & (RDW_INVALIDATE | RDW_VALIDATE | RDW_INTERNALPAINT | RDW_NOINTERNALPAINT | RDW_NOERASE | RDW_NOFRAME)) {
      // Rectangles and regions are in client coordinates.
      RECT client = clientInWindow(w);
      Region area;
      const Region* areaPtr = nullptr;
      if (region != nullptr) {
        auto r = findObjectAs<RegionObject>(region, OBJ_REGION);
        if (r) {
          area = r->region;
          area.offset(client.left, client.top);
          areaPtr = &area;
        }
      } else if (rect != nullptr) {
        RECT shifted = *rect;
        OffsetRect(&shifted, client.left, client.top);
        area = Region(shifted);
        areaPtr = &area;
      }
      invalidateWindow(w, areaPtr, flags);
    }
  }
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
    if (!ownedByCurrentThread(hwnd)) {
      // A synchronous repaint happens on the window's own thread.
      runOnOwner(hwnd, [=]() -> LRESULT {
        return RedrawWindow(hwnd, nullptr, nullptr,
                            flags & (RDW_UPDATENOW | RDW_ERASENOW | RDW_ALLCHILDREN | RDW_NOCHILDREN));
      });
      return TRUE;
    }
    if (flags & RDW_UPDATENOW) {
      paintTree(hwnd, !(flags & RDW_NOCHILDREN));
    } else {
      eraseNow(hwnd);
    }
    presentDirtySurfaces(*currentQueue());
  }
  return TRUE;
}

extern "C" BOOL WINAPI InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  return RedrawWindow(hwnd, rect, nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

extern "C" BOOL WINAPI InvalidateRgn(HWND hwnd, HRGN region, BOOL erase) {
  return RedrawWindow(hwnd, nullptr, region, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

extern "C" BOOL WINAPI ValidateRect(HWND hwnd, const RECT* rect) {
  return RedrawWindow(hwnd, rect, nullptr, RDW_VALIDATE | RDW_NOCHILDREN);
}

extern "C" BOOL WINAPI ValidateRgn(HWND hwnd, HRGN region) {
  return RedrawWindow(hwnd, nullptr, region, RDW_VALIDATE | RDW_NOCHILDREN);
}

extern "C" BOOL WINAPI UpdateWindow(HWND hwnd) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

extern "C" BOOL WINAPI GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase) {
  RECT box{};
  bool any;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = windowOrError(hwnd);
    if (w == nullptr) return FALSE;
    RECT client = clientInWindow(w);
    Region area = clientUpdate(w);
    any = !area.isEmpty();
    if (any) {
      box = area.bounds();
      OffsetRect(&box, -client.left, -client.top);
    }
  }
  if (any && erase && ownedByCurrentThread(hwnd)) eraseNow(hwnd);
  if (rect != nullptr) *rect = box;
  return any ? TRUE : FALSE;
}

extern "C" int WINAPI GetUpdateRgn(HWND hwnd, HRGN region, BOOL erase) {
  auto r = findObjectAs<RegionObject>(region, OBJ_REGION);
  if (!r) return ERROR;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = windowOrError(hwnd);
    if (w == nullptr) return ERROR;
    RECT client = clientInWindow(w);
    Region area = clientUpdate(w);
    area.offset(-client.left, -client.top);
    r->region = area;
  }
  if (erase && ownedByCurrentThread(hwnd)) eraseNow(hwnd);
  return r->region.kind();
}

namespace winapi {

void composeOwnWindows(const RECT& rect, PixelBuffer& out) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  std::vector<HWND> tops = topLevelWindows();
  for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
    Window* w = findWindow(*it);
    if (w == nullptr || !(w->style & WS_VISIBLE) || !w->surface) continue;
    RECT part;
    const RECT on{w->window.left, w->window.top, w->window.left + w->surface->width,
                  w->window.top + w->surface->height};
    if (!IntersectRect(&part, &on, &rect)) continue;
    const int n = part.right - part.left;
    for (int y = part.top; y < part.bottom; ++y) {
      const uint32_t* from = w->surface->row(y - on.top) + (part.left - on.left);
      uint32_t* to = out.row(y - rect.top) + (part.left - rect.left);
      for (int x = 0; x < n; ++x) to[x] = from[x] | 0xFF000000u;
    }
  }
}

}  // namespace winapi
