// Test support of the drawers: a white 32-bit canvas with a framework DC over it, pixel queries
// in 0xRRGGBB, and the display scale set for a test's lifetime.
#pragma once

#include "gui/app/AppHooks.h"
#include "winapi/testsupport/PaintCheck.h"

#include <windows.h>
#include <afxwin.h>

#include <algorithm>
#include <cstdint>

namespace lumetra::skintest {

constexpr uint32_t kPaper = 0xFFFFFF;

/// A canvas filled with white paper, painted through `dc`.
class Page {
 public:
  Page(int width, int height) : canvas(width, height) {
    canvas.fill(0xFF000000u | kPaper);
    dc.Attach(canvas.dc());
  }
  ~Page() { dc.Detach(); }
  Page(const Page&) = delete;
  Page& operator=(const Page&) = delete;

  /// The pixel at (x, y) as 0xRRGGBB.
  uint32_t rgb(int x, int y) const { return canvas.at(x, y) & 0xFFFFFF; }
  /// The pixel at (x, y) as the COLORREF that painted it (0x00BBGGRR).
  COLORREF color(int x, int y) const {
    const uint32_t v = rgb(x, y);
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  bool isPaper(int x, int y) const { return rgb(x, y) == kPaper; }

  /// The smallest rectangle holding every pixel that is not paper; empty when there is none.
  RECT inked() const {
    RECT box{canvas.width(), canvas.height(), 0, 0};
    for (int y = 0; y < canvas.height(); ++y) {
      for (int x = 0; x < canvas.width(); ++x) {
        if (!isPaper(x, y)) {
          box.left = std::min<LONG>(box.left, x);
          box.top = std::min<LONG>(box.top, y);
          box.right = std::max<LONG>(box.right, x + 1);
          box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
      }
    }
    return box.right == 0 ? RECT{0, 0, 0, 0} : box;
  }
  bool blank() const { return inked().right == 0; }
  /// How many pixels have the colour.
  int count(COLORREF color) const {
    int n = 0;
    for (int y = 0; y < canvas.height(); ++y) {
      for (int x = 0; x < canvas.width(); ++x) n += this->color(x, y) == color ? 1 : 0;
    }
    return n;
  }

  Canvas canvas;
  CDC dc;
};

/// Sets the display scale the drawers read while it lives.
class AtScale : public s::app::IAppHooks {
 public:
  explicit AtScale(uint32_t scale) : m_scale(scale) { m_previous = s::app::setAppHooks(this); }
  ~AtScale() override { s::app::setAppHooks(m_previous); }
  AtScale(const AtScale&) = delete;
  AtScale& operator=(const AtScale&) = delete;
  uint32_t getDisplayScale() override { return m_scale; }

 private:
  uint32_t m_scale;
  s::app::IAppHooks* m_previous = nullptr;
};

}  // namespace lumetra::skintest
