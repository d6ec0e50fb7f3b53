// A window with a drawer of its own: the frame's hit codes at display scales 1 and 2, dragging
// by any point, the region the drawer gives after a size change, and the drawer painting the
// whole window.
#include "core/thread/ClassTail.h"
#include "gui/app/AppHooks.h"
#include "gui/drawer/IWindow.h"
#include "gui/win/Window.h"

#include <windows.h>
#include <afxwin.h>

#include <gtest/gtest.h>

#include <atomic>

namespace {

using s::gui::win::Window;

/// Paints the window one colour and shapes it as a rectangle inset by a pixel on the right.
class TestDrawer final : public s::gui::drawer::IWindow {
  S_POOLED_CLASS(TestDrawer, u"TestDrawer")

  TestDrawer() = default;
  void reset() override {}
  void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) override {
    ++paints;
    dc->FillSolidRect(left, top, right - left, bottom - top, RGB(10, 20, 30));
  }
  HRGN createRegion(int32_t left, int32_t top, int32_t right, int32_t bottom) override {
    lastRight = right;
    return CreateRectRgn(left, top, right - 1, bottom);
  }
  std::atomic<int> paints{0};
  std::atomic<int32_t> lastRight{0};
};

class ScaleHooks : public s::app::IAppHooks {
 public:
  explicit ScaleHooks(uint32_t scale) : m_scale(scale) {}
  uint32_t getDisplayScale() override { return m_scale; }

 private:
  uint32_t m_scale;
};

LRESULT hitAt(Window* window, int x, int y) {
  return SendMessageW(window->getHandle(), WM_NCHITTEST, 0,
                      MAKELPARAM(window->getScreenX() + x, window->getScreenY() + y));
}

class OwnFrame : public testing::Test {
 protected:
  void SetUp() override {
    window = Window::take();
    drawer = new TestDrawer();
    window->setBounds(100, 100, 300, 200);
    window->setWindowDrawer(drawer, false);
  }
  void TearDown() override {
    s::app::setAppHooks(nullptr);
    window->release();
    delete drawer;
  }
  Window* window = nullptr;
  TestDrawer* drawer = nullptr;
};

TEST_F(OwnFrame, BordersAndCornersByTheDisplayScale) {
  EXPECT_EQ(GetWindowLongPtrW(window->getHandle(), GWL_STYLE) & WS_CAPTION, 0)
      << "a drawn frame has no system caption";
  EXPECT_EQ(hitAt(window, 298, 100), HTRIGHT);
  EXPECT_EQ(hitAt(window, 298, 190), HTBOTTOMRIGHT);
  EXPECT_EQ(hitAt(window, 298, 10), HTTOPRIGHT);
  EXPECT_EQ(hitAt(window, 2, 10), HTTOPLEFT);
  EXPECT_EQ(hitAt(window, 10, 198), HTBOTTOMLEFT);
  EXPECT_EQ(hitAt(window, 150, 2), HTTOP);
  EXPECT_EQ(hitAt(window, 150, 198), HTBOTTOM);
  EXPECT_EQ(hitAt(window, 2, 100), HTLEFT);
  EXPECT_EQ(hitAt(window, 150, 100), HTCLIENT) << "the client area covers the whole window";
  EXPECT_EQ(hitAt(window, 292, 100), HTCLIENT);

  ScaleHooks doubled(2);
  s::app::setAppHooks(&doubled);
  EXPECT_EQ(hitAt(window, 292, 100), HTRIGHT) << "a 10-pixel border at scale 2";
  EXPECT_EQ(hitAt(window, 292, 45), HTTOPRIGHT) << "a 60-pixel corner at scale 2";
}

TEST_F(OwnFrame, EasyDragTurnsTheClientIntoACaption) {
  window->setEasyDrag(true);
  EXPECT_EQ(hitAt(window, 150, 100), HTCAPTION);
  EXPECT_EQ(hitAt(window, 298, 100), HTRIGHT) << "the borders still size";
}

TEST_F(OwnFrame, TheDrawerShapesAndPaintsTheWindow) {
  window->setSize(260, 150);
  EXPECT_EQ(drawer->lastRight, 260);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(window->getHandle(), region), ERROR);
  RECT box{};
  GetRgnBox(region, &box);
  DeleteObject(region);
  EXPECT_EQ(box.right, 259);
  EXPECT_EQ(box.bottom, 150);
  const int before = drawer->paints;
  window->show(true, false);
  EXPECT_GT(drawer->paints, before);
}

TEST(WindowHitTest, WithoutADrawerOnlyEasyDragChangesTheCodes) {
  Window* window = Window::take();
  window->setBounds(100, 100, 300, 200);
  const LRESULT platform = hitAt(window, 150, 100);
  window->setEasyDrag(true);
  EXPECT_EQ(hitAt(window, 150, 100), platform == HTCLIENT ? HTCAPTION : platform);
  window->setEasyDrag(false);
  EXPECT_EQ(hitAt(window, 150, 100), platform);
  window->release();
}

}  // namespace

namespace {

/// A 32-bit memory surface of the window's client size that a window erases into.
struct Surface {
  Surface(int width, int height) : width(width), height(height) {
    BITMAPINFO info{};
    info.bmiHeader =
        BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    dc = CreateCompatibleDC(nullptr);
    bitmap =
        CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    old = SelectObject(dc, bitmap);
  }
  ~Surface() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  /// The number of pixels of colour `rgb` (0x00RRGGBB in the surface's order).
  int count(uint32_t rgb) const {
    int n = 0;
    for (int i = 0; i < width * height; ++i) {
      n += (bits[i] & 0xFFFFFF) == rgb ? 1 : 0;
    }
    return n;
  }
  int width;
  int height;
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
  uint32_t* bits = nullptr;
};

TEST(WindowPainting, ErasingFillsTheClientWithTheBackgroundOrTheDrawer) {
  Window* window = Window::take();
  window->setBackgroundColor(0x11, 0x22, 0x33, false);
  const int width = window->getClientWidth();
  const int height = window->getClientHeight();
  Surface plain(width, height);
  EXPECT_EQ(SendMessageW(window->getHandle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(plain.dc), 0),
            1);
  EXPECT_EQ(plain.count(0x112233), width * height);

  TestDrawer drawer;
  window->setWindowDrawer(&drawer, false);
  Surface drawn(window->getClientWidth(), window->getClientHeight());
  SendMessageW(window->getHandle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(drawn.dc), 0);
  EXPECT_EQ(drawn.count(0x0A141E), drawn.width * drawn.height) << "the drawer paints it all";
  window->setWindowDrawer(nullptr, false);
  window->release();
}

}  // namespace
