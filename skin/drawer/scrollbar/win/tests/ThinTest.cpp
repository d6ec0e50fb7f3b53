// The thin scroll-bar drawer: geometry of both orientations with and without a corner, the
// minimum thumb, bars without a thumb, drags that never leave [0, range - page], and painting.
#include "skin/drawer/scrollbar/win/Thin.h"

#include "winapi/testsupport/PaintCheck.h"

#include <windows.h>
#include <afxwin.h>

#include <gtest/gtest.h>

#include <random>

namespace {

using s::gui::drawer::scrollbar::win::Thin;

bool same(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class ScrollBarDrawer : public testing::Test {
 protected:
  void SetUp() override { drawer = Thin::take(); }
  void TearDown() override { drawer->release(); }
  Thin* drawer = nullptr;
};

TEST_F(ScrollBarDrawer, GeometryOfBothOrientations) {
  // Vertical 17 x 300 with a corner: arrows 17 high, the track 300 - 17 - 34 = 249 long.
  EXPECT_EQ(drawer->hitTest(5, 5, 0, 0, 17, 300, 0, 100, 10, 0, true), 0);
  EXPECT_TRUE(same(drawer->getPart(Thin::kCorner), RECT{0, 283, 17, 300}));
  EXPECT_TRUE(same(drawer->getPart(Thin::kSecondArrow), RECT{0, 266, 17, 283}));
  EXPECT_TRUE(same(drawer->getPart(Thin::kThumb), RECT{0, 17, 17, 42}));  // round(10 * 249 / 100)
  EXPECT_EQ(drawer->hitTest(5, 30, 0, 0, 17, 300, 0, 100, 10, 0, true), 2);
  EXPECT_EQ(drawer->hitTest(5, 100, 0, 0, 17, 300, 0, 100, 10, 0, true), 3);
  EXPECT_EQ(drawer->hitTest(5, 270, 0, 0, 17, 300, 0, 100, 10, 0, true), 4);
  EXPECT_EQ(drawer->hitTest(5, 290, 0, 0, 17, 300, 0, 100, 10, 0, true), -1);
  // At the end the thumb touches the second arrow; the track before it is hit as 1.
  drawer->hitTest(0, 0, 0, 0, 17, 300, 0, 100, 10, 90, true);
  EXPECT_EQ(drawer->getPart(Thin::kThumb).bottom, 266);
  EXPECT_EQ(drawer->hitTest(5, 100, 0, 0, 17, 300, 0, 100, 10, 90, true), 1);

  // Horizontal 200 x 15 without a corner.
  drawer->hitTest(0, 0, 0, 0, 200, 15, 1, 50, 25, 25, false);
  EXPECT_TRUE(same(drawer->getPart(Thin::kFirstArrow), RECT{0, 0, 15, 15}));
  EXPECT_TRUE(same(drawer->getPart(Thin::kSecondArrow), RECT{185, 0, 200, 15}));
  EXPECT_TRUE(same(drawer->getPart(Thin::kThumb), RECT{100, 0, 185, 15}));
  EXPECT_TRUE(same(drawer->getPart(Thin::kCorner), RECT{0, 0, 0, 0}));
}

TEST_F(ScrollBarDrawer, ShortThumbsAreElevenPixelsAndFullPagesHaveNone) {
  drawer->hitTest(0, 0, 0, 0, 17, 300, 0, 100000, 1, 0, false);
  const RECT thumb = drawer->getPart(Thin::kThumb);
  EXPECT_EQ(thumb.bottom - thumb.top, 11);
  for (int page : {100, 150}) {
    for (int y = -5; y < 310; y += 3) {
      const int hit = drawer->hitTest(5, y, 0, 0, 17, 300, 0, 100, page, 0, false);
      EXPECT_TRUE(hit == 0 || hit == 4 || hit == -1) << y << " gives " << hit;
    }
  }
}

TEST_F(ScrollBarDrawer, DragsStayWithinTheRange) {
  // Page 99 of 100 on a short bar makes the thumb as long as its track: no travel at all, so any
  // move reaches one end or the other.
  EXPECT_EQ(drawer->positionFromDrag(0, 0, 0, 0, 17, 45, 0, 100, 99, 0, false), 0);
  EXPECT_EQ(drawer->positionFromDrag(5, 0, 0, 0, 17, 45, 0, 100, 99, 0, false), 1);
  EXPECT_EQ(drawer->positionFromDrag(-50, 1, 0, 0, 17, 45, 0, 100, 99, 1, false), 0);
  EXPECT_EQ(drawer->positionFromDrag(50, 0, 0, 0, 17, 45, 0, 100, 99, 0, false), 1);
  // Dragging half the travel moves half the range.
  const int travel = 300 - 34 - 25;
  EXPECT_EQ(drawer->positionFromDrag(travel / 2, 0, 0, 0, 17, 300, 0, 100, 10, 0, false), 45);
  std::mt19937 random(7);
  for (int i = 0; i < 2000; ++i) {
    const int range = static_cast<int>(random() % 500);
    const int page = static_cast<int>(random() % 520);
    const int position = static_cast<int>(random() % 600) - 50;
    const int delta = static_cast<int>(random() % 800) - 400;
    const int length = 20 + static_cast<int>(random() % 400);
    const int result = drawer->positionFromDrag(delta, position, 0, 0, 17, length, i % 2, range,
                                                page, position, i % 3 == 0);
    ASSERT_GE(result, 0);
    ASSERT_LE(result, std::max(0, range - page))
        << range << " " << page << " " << position << " " << delta;
  }
}

TEST_F(ScrollBarDrawer, PaintsArrowsThumbAndTrack) {
  drawer->setThumbColor(0, 0, 200);
  drawer->setTrackColor(0, 200, 0);
  Canvas canvas(17, 120);
  canvas.fill(0xFFFFFFFF);
  CDC dc;
  dc.Attach(canvas.dc());
  drawer->paint(&dc, 0, 0, 17, 120, 0, 100, 20, 40, false, 0, 0, 0, false, 0, 0, 0);
  // The track after the thumb, inset by one pixel across the bar, in the track colour.
  drawer->hitTest(0, 0, 0, 0, 17, 120, 0, 100, 20, 40, false);
  const RECT after = drawer->getPart(Thin::kTrackAfter);
  EXPECT_EQ(canvas.at(1, after.top + 2) & 0xFFFFFF, 0x00C800u);
  EXPECT_EQ(canvas.at(8, after.top + 2) & 0xFFFFFF, 0x00C800u);
  // A custom track takes the given colour instead.
  drawer->paint(&dc, 0, 0, 17, 120, 0, 100, 20, 40, false, 0, 0, 0, true, 200, 0, 0);
  EXPECT_EQ(canvas.at(8, after.top + 2) & 0xFFFFFF, 0xC80000u);
  // The arrows carry their glyphs in the thumb colour.
  int arrowInk = 0;
  for (int y = 2; y < 15; ++y) {
    for (int x = 2; x < 15; ++x) arrowInk += (canvas.at(x, y) & 0xFFFFFF) == 0x0000C8;
  }
  EXPECT_GT(arrowInk, 6);
  dc.Detach();
  EXPECT_EQ(drawer->getThickness(), 15);
}

}  // namespace
