// The screen's DC: GetDC of no window covers the virtual screen in screen coordinates, and a blit
// from it reads exactly what this process's visible windows show there, opaque, black elsewhere.
#include <windows.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"
#include "winapi/testsupport/PaintedWindow.h"

#include <cstdint>
#include <vector>

namespace {

using winapi::testsupport::paintedWindow;

winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }

// The screen rectangle as a blit from the screen's DC into a 32-bit DIB section reads it.
std::vector<uint32_t> blitScreen(const RECT& r) {
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  EXPECT_NE(bitmap, nullptr);
  std::vector<uint32_t> out(static_cast<size_t>(width) * height, 0x12345678u);
  if (bitmap == nullptr) return out;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(memory, bitmap);
  EXPECT_TRUE(BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY));
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  const auto* pixels = static_cast<const uint32_t*>(bits);
  out.assign(pixels, pixels + out.size());
  DeleteObject(bitmap);
  return out;
}

TEST(ScreenDc, ABlitReadsThePaintedWindowsOnEveryMonitorAndBlackElsewhere) {
  auto previous = headless().monitors();
  headless().setMonitors({winapi::Monitor{RECT{0, 0, 1920, 1080}, RECT{0, 0, 1920, 1040}, true},
                          winapi::Monitor{RECT{-800, 0, 0, 600}, RECT{-800, 0, 0, 600}, false}});
  const RECT leftRect{-700, 100, -500, 200};
  const RECT rightRect{-50, 150, 150, 250};  // across the two monitors' edge
  HWND left = paintedWindow(u"ScreenDcLeft", RGB(200, 10, 20), leftRect);
  HWND right = paintedWindow(u"ScreenDcRight", RGB(30, 40, 250), rightRect);

  const RECT area{-800, 0, 400, 300};
  std::vector<uint32_t> pixels = blitScreen(area);
  int wrong = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const POINT p{x, y};
      uint32_t want = 0xFF000000u;
      if (PtInRect(&rightRect, p)) {
        want = 0xFF1E28FAu;
      } else if (PtInRect(&leftRect, p)) {
        want = 0xFFC80A14u;
      }
      const uint32_t got = pixels[static_cast<size_t>(y - area.top) * (area.right - area.left) + (x - area.left)];
      if (got != want && wrong++ < 5)
        ADD_FAILURE() << "at " << x << "," << y << ": " << std::hex << got << " not " << want;
    }
  }
  EXPECT_EQ(wrong, 0);

  // Drawing into the screen's DC changes nothing on the screen, and it still measures text.
  HDC screen = GetDC(nullptr);
  RECT all{-800, 0, 1920, 1080};
  HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
  FillRect(screen, &all, green);
  DeleteObject(green);
  SIZE extent{};
  EXPECT_TRUE(GetTextExtentPoint32W(screen, u"Wide", 4, &extent));
  EXPECT_GT(extent.cx, 0);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(blitScreen(RECT{300, 10, 301, 11}).front(), 0xFF000000u);

  DestroyWindow(left);
  DestroyWindow(right);
  headless().setMonitors(previous);
}

}  // namespace
