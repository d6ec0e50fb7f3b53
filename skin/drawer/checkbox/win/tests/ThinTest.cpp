// The thin check box and radio button drawers: box geometry at scales 1 and 2, the mark, where
// the label starts, the measure's added box, and the ring's size, place and clean-up.
#include "skin/drawer/checkbox/win/Thin.h"

#include "gui/app/AppHooks.h"
#include "gui/win/Font.h"
#include "skin/drawer/radiobutton/win/Thin.h"
#include "skin/drawer/text/win/Basic.h"
#include "winapi/testsupport/PaintCheck.h"

#include <windows.h>
#include <afxwin.h>

#include <gtest/gtest.h>

namespace {

using s::gui::drawer::checkbox::win::Thin;

constexpr uint32_t kPaper = 0xFF00FF00;

class Scale : public s::app::IAppHooks {
 public:
  explicit Scale(uint32_t scale) : m_scale(scale) { m_previous = s::app::setAppHooks(this); }
  ~Scale() override { s::app::setAppHooks(m_previous); }
  uint32_t getDisplayScale() override { return m_scale; }

 private:
  uint32_t m_scale;
  s::app::IAppHooks* m_previous = nullptr;
};

class Page {
 public:
  Page(int width, int height) : canvas(width, height) {
    canvas.fill(kPaper);
    dc.Attach(canvas.dc());
  }
  ~Page() { dc.Detach(); }
  uint32_t rgb(int x, int y) const { return canvas.at(x, y) & 0xFFFFFF; }
  int count(uint32_t color, int left, int top, int right, int bottom) const {
    int n = 0;
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) n += rgb(x, y) == color;
    }
    return n;
  }
  Canvas canvas;
  CDC dc;
};

TEST(CheckBoxDrawer, BoxFrameInsideAndMarkAtEachScale) {
  Thin* drawer = Thin::take();
  drawer->setFrameColor(0, 0, 200);
  {
    Page page(40, 13);
    drawer->paint(&page.dc, 0, 0, 40, 13, 13, false, nullptr, nullptr);
    // A 2-pixel frame around a 9 x 9 white inside.
    EXPECT_EQ(page.count(0xFFFFFF, 0, 0, 13, 13), 81);
    EXPECT_EQ(page.count(0x0000C8, 0, 0, 13, 13), 13 * 13 - 81);
    EXPECT_EQ(page.rgb(1, 1), 0x0000C8u);
    EXPECT_EQ(page.rgb(2, 2), 0xFFFFFFu);
    EXPECT_EQ(page.rgb(13, 5), kPaper & 0xFFFFFF);
  }
  {
    Page page(40, 13);
    drawer->paint(&page.dc, 0, 0, 40, 13, 13, true, nullptr, nullptr);
    // The mark is black whatever the check colour, inside the white.
    drawer->setCheckColor(255, 0, 0);
    EXPECT_EQ(page.count(0x000000, 2, 2, 11, 11), 21);
    EXPECT_EQ(page.count(0x000000, 0, 0, 40, 13), 21);
  }
  {
    Scale two(2);
    Page page(60, 26);
    drawer->paint(&page.dc, 0, 0, 60, 26, 26, true, nullptr, nullptr);
    EXPECT_EQ(page.rgb(3, 3), 0x0000C8u);  // bands 4 pixels thick
    EXPECT_EQ(page.rgb(4, 4), 0xFFFFFFu);
    EXPECT_EQ(page.count(0x000000, 4, 4, 22, 22), page.count(0x000000, 0, 0, 60, 26));
    EXPECT_GT(page.count(0x000000, 0, 0, 60, 26), 60);
  }
  Page empty(20, 20);
  drawer->paint(&empty.dc, 0, 0, 0, 13, 13, true, u"x", nullptr);
  EXPECT_EQ(empty.count(kPaper & 0xFFFFFF, 0, 0, 20, 20), 400);
  drawer->release();
}

TEST(CheckBoxDrawer, LabelStartsASixthOfTheBoxAfterItAndMeasureAddsTheBox) {
  Thin* drawer = Thin::take();
  drawer->setTextColor(0, 0, 0);
  s::gui::win::Font fontObject;
  s::gui::win::Font* font = &fontObject;
  font->setTextColor(0, 0, 0);
  Page page(80, 13);
  drawer->paint(&page.dc, 0, 0, 80, 13, 13, false, u"Label", font);
  int firstInk = -1;
  for (int x = 13; x < 80 && firstInk < 0; ++x) {
    for (int y = 0; y < 13; ++y) {
      if (page.rgb(x, y) != (kPaper & 0xFFFFFF)) {
        firstInk = x;
        break;
      }
    }
  }
  EXPECT_GE(firstInk, 15);  // 13 + 13 / 6
  EXPECT_LE(firstInk, 17);

  s::gui::drawer::text::win::Basic* text = s::gui::drawer::text::win::Basic::take();
  int32_t w0, h0, w1, h1, mw, mh, pw, ph;
  text->measureLines(&page.dc, u"Label", font, w0, h0, w1, h1);
  drawer->measure(&page.dc, u"Label", font, mw, mh, pw, ph);
  EXPECT_EQ(ph, h1);
  EXPECT_EQ(mw, w0 + h1 + h1 / 6);
  EXPECT_EQ(pw, w1 + h1 + h1 / 6);
  text->release();
  drawer->release();
}

TEST(RadioButtonDrawer, RingIsThirteenPixelsCentredAtEveryScaleAndRestoresTheContexts) {
  using s::gui::drawer::radiobutton::win::Thin;
  Thin* drawer = Thin::take();
  Canvas scratch(52, 52);
  CDC scratchDc;
  scratchDc.Attach(scratch.dc());
  for (uint32_t s : {1u, 2u, 4u}) {
    Scale scale(s);
    Page page(40, 30);
    const HGDIOBJ pen = GetCurrentObject(scratch.dc(), OBJ_PEN);
    const HGDIOBJ brush = GetCurrentObject(scratch.dc(), OBJ_BRUSH);
    const int mode = GetStretchBltMode(page.dc.m_hDC);
    drawer->paint(&page.dc, &scratchDc, 0, 0, 40, 30, true, nullptr, nullptr, 0xFFFFFF);
    // The scratch context has its own pen and brush back, and the stretch mode is restored.
    EXPECT_EQ(GetCurrentObject(scratch.dc(), OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(scratch.dc(), OBJ_BRUSH), brush);
    EXPECT_EQ(GetStretchBltMode(page.dc.m_hDC), mode);
    // Everything painted lies in the 13 x 13 square at (0, 30 / 2 - 6).
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 40; ++x) {
        const bool inside = x < 13 && y >= 9 && y < 22;
        if (!inside) {
          ASSERT_EQ(page.rgb(x, y), kPaper & 0xFFFFFF) << x << "," << y;
        }
      }
    }
    // The centre shows the dot's green, the edge's middle the ring's grey.
    const uint32_t centre = page.rgb(6, 15);
    EXPECT_GT((centre >> 8) & 0xFF, (centre >> 16) & 0xFF);
    const uint32_t ring = page.rgb(0, 15);
    EXPECT_LT(ring & 0xFF, 0xE0u);
  }
  scratchDc.Detach();
  drawer->release();
}

}  // namespace
