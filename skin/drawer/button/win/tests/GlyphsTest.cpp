// The glyph painter on a 32-bit canvas: the glyphs given pixel by pixel, the rules every glyph
// keeps (inside its box, only its colour, at scales 1, 2 and 4 in square, wide, tall, even and
// odd boxes), the mirror and composition pairs, names that are no glyph, the colour swatch, and
// the contact sheet of every glyph.
#include "skin/drawer/button/win/Glyphs.h"

#include "winapi/testsupport/PaintCheck.h"

#include <windows.h>
#include <afxwin.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using s::gui::drawer::button::win::paintNamedGlyph;

constexpr uint32_t kPaper = 0xFFFFFFFF;
constexpr COLORREF kInk = 0x00123456;     // 0x00BBGGRR
constexpr uint32_t kInkPixel = 0x563412;  // the same colour as the canvas stores it (RRGGBB)

const std::vector<std::u16string>& boxGlyphNames() {
  static const std::vector<std::u16string> names = {
      u"#_",           u"#Transform",  u"#.",         u"#X",         u"#\u25A1", u"#\u2199",
      u"#Play",        u"#Pause",      u"#Stop",      u"#Speaker",   u"#Mute",   u"#Right",
      u"#Left",        u"#RightRight", u"#LeftLeft",  u"#Down",      u"#Up",     u"#ThumbLineV",
      u"#ThumbLineH",  u"#Minus",      u"#Plus",      u"#PlusMinus", u"#Next",   u"#Prev",
      u"#TreeClosed",  u"#TreeOpen",   u"#TurnRight", u"#TurnLeft",  u"#OnTop",  u"#FitWindow",
      u"#FitToWindow", u"#KeepRatio",  u"#Palm"};
  return names;
}

/// A white canvas with a framework DC over it.
class Page {
 public:
  Page(int width, int height) : canvas(width, height) {
    canvas.fill(kPaper);
    dc.Attach(canvas.dc());
  }
  ~Page() { dc.Detach(); }
  uint32_t rgb(int x, int y) const { return canvas.at(x, y) & 0xFFFFFF; }
  bool inked(int x, int y) const { return canvas.at(x, y) != kPaper; }
  /// The inked pixels as text rows ('#' ink, '.' paper) over a rectangle, for exact pictures.
  std::string picture(int left, int top, int right, int bottom) const {
    std::string out;
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) out += inked(x, y) ? '#' : '.';
      out += '\n';
    }
    return out;
  }
  int inkCount() const {
    int n = 0;
    for (int y = 0; y < canvas.height(); ++y) {
      for (int x = 0; x < canvas.width(); ++x) n += inked(x, y) ? 1 : 0;
    }
    return n;
  }

  Canvas canvas;
  CDC dc;
};

bool paint(Page& page, int left, int top, int right, int bottom, const std::u16string& name,
           int scale, COLORREF color = kInk) {
  return paintNamedGlyph(&page.dc, left, top, right, bottom, name.c_str(), color, scale);
}

TEST(Glyphs, DownAndCheckArePaintedPixelByPixel) {
  Page down(14, 14);
  ASSERT_TRUE(paint(down, 0, 0, 14, 14, u"#Down", 1));
  // Dots of 2 x 2 from the square's left edge (x 1) to the centre (x 7), mirrored, from row 4.
  EXPECT_EQ(down.picture(0, 0, 14, 14),
            ".............."
            "\n..............\n..............\n..............\n"
            ".##........##.\n"
            ".###......###.\n"
            "..###....###..\n"
            "...###..###...\n"
            "....######....\n"
            ".....####.....\n"
            "......##......\n"
            "..............\n..............\n..............\n");

  Page check(13, 13);
  ASSERT_TRUE(paint(check, 0, 0, 13, 13, u"#Check", 1));
  // x = 1 + (13 - 9) / 2 = 3, y = 3: two short strokes from row 5 down, then five rising.
  EXPECT_EQ(check.picture(0, 0, 13, 13),
            ".............\n.............\n.............\n"
            ".........#...\n"
            "........##...\n"
            "...#...###...\n"
            "...##.###....\n"
            "...#####.....\n"
            "....###......\n"
            ".....#.......\n"
            ".............\n.............\n.............\n");
}

TEST(Glyphs, TheExactlyGivenGlyphsFollowTheirFormulas) {
  for (int s : {1, 2, 4}) {
    SCOPED_TRACE("scale " + std::to_string(s));
    const int size = 16 * s;
    {
      Page page(size, size);
      ASSERT_TRUE(paint(page, 0, 0, size, size, u"#_", s));
      // The bar (x0, y0 + 0.8 W, S, 2s).
      const int y = s + (size - 2 * s) * 8 / 10;
      for (int x = 0; x < size; ++x) {
        EXPECT_EQ(page.inked(x, y), x >= s && x < size - s) << x;
        EXPECT_EQ(page.inked(x, y + 2 * s), false) << x;
      }
      EXPECT_EQ(page.inkCount(), (size - 2 * s) * 2 * s);
    }
    {
      Page page(size, size);
      ASSERT_TRUE(paint(page, 0, 0, size, size, u"#.", s));
      EXPECT_EQ(page.inkCount(), 4 * s * s);
      EXPECT_TRUE(page.inked(size - 3 * s, s + (size - 2 * s) * 8 / 10));
    }
    {
      Page page(size, size);
      ASSERT_TRUE(paint(page, 0, 0, size, size, u"#ThumbLineV", s));
      const int x = s + (size - 4 * s - s) / 2;
      EXPECT_EQ(page.inkCount(), 2 * s * (size - 2 * s));
      EXPECT_TRUE(page.inked(x, s) && page.inked(x + 2 * s, size - s - 1));
      EXPECT_FALSE(page.inked(x + s, s));
    }
    {
      Page page(size, size);
      ASSERT_TRUE(paint(page, 0, 0, size, size, u"#ThumbLineH", s));
      const int y = s + (size - 4 * s - s) / 2;
      EXPECT_EQ(page.inkCount(), 2 * s * (size - 2 * s));
      EXPECT_TRUE(page.inked(s, y) && page.inked(size - s - 1, y + 2 * s));
    }
    {
      // Six 2s dots at (right - 4s i, bottom - 4s j), reaching 2s beyond the given rectangle.
      Page page(size + 4 * s, size + 4 * s);
      ASSERT_TRUE(paint(page, 0, 0, size, size, u"#Resizer", s));
      EXPECT_EQ(page.inkCount(), 6 * 4 * s * s);
      EXPECT_TRUE(page.inked(size, size) && page.inked(size - 8 * s, size));
      EXPECT_TRUE(page.inked(size - 4 * s, size - 4 * s));
      EXPECT_FALSE(page.inked(size - 8 * s, size - 4 * s));
    }
    {
      Page page(size, size);
      ASSERT_TRUE(paint(page, 0, 0, size, size, u"#Stop", s));
      const int q = (size - 2 * s) & ~1;
      EXPECT_EQ(page.inkCount(), q * q);
    }
  }
}

TEST(Glyphs, CheckTakesTheHeavyLayoutFromScaleTwo) {
  Page page(26, 26);
  ASSERT_TRUE(paint(page, 0, 0, 26, 26, u"#Check", 2));
  // x = 2 + (26 - 18) / 2 = 6, y = 6: the first fill (6, 10, 2, 6), the last (18, 3 + 6, 2, 6).
  EXPECT_TRUE(page.inked(6, 10) && page.inked(7, 15));
  EXPECT_FALSE(page.inked(6, 9) || page.inked(6, 16));
  EXPECT_TRUE(page.inked(18, 6) && page.inked(19, 11));
  EXPECT_FALSE(page.inked(20, 6));
}

TEST(Glyphs, ColorSwatchNeedsExactlyEightHexDigits) {
  Page page(12, 10);
  ASSERT_TRUE(paint(page, 0, 0, 12, 10, u"#Color-00FF0000", 1));
  EXPECT_EQ(page.canvas.at(0, 0), kPaper);
  EXPECT_EQ(page.rgb(1, 1), 0x000000u);
  EXPECT_EQ(page.rgb(10, 8), 0x000000u);
  EXPECT_EQ(page.rgb(2, 2), 0x0000FFu);  // 0x00FF0000 is blue
  EXPECT_EQ(page.rgb(9, 7), 0x0000FFu);
  EXPECT_EQ(page.canvas.at(11, 9), kPaper);

  // The first two digits are ignored; small letters count as hexadecimal.
  Page small(12, 10);
  ASSERT_TRUE(paint(small, 0, 0, 12, 10, u"#Color-ff00ff00", 1));
  EXPECT_EQ(small.rgb(5, 5), 0x00FF00u);

  for (const char16_t* bad : {u"#Color-", u"#Color-00FF000", u"#Color-00FF00000",
                              u"#Color-00FG0000", u"#Color- 0FF0000"}) {
    Page none(12, 10);
    EXPECT_FALSE(paint(none, 0, 0, 12, 10, bad, 1)) << std::string(bad, bad + 7);
    EXPECT_EQ(none.inkCount(), 0);
  }
}

TEST(Glyphs, TextsThatAreNoGlyphPaintNothing) {
  for (const char16_t* name : {u"", u"#", u"Down", u"#down", u"#Downs", u"#Unknown", u"X"}) {
    Page page(20, 20);
    EXPECT_FALSE(paint(page, 0, 0, 20, 20, name, 1));
    EXPECT_EQ(page.inkCount(), 0);
  }
  Page page(20, 20);
  EXPECT_FALSE(paintNamedGlyph(&page.dc, 0, 0, 20, 20, nullptr, kInk, 1));
  // A label given as a string-table id is not read as a name.
  EXPECT_FALSE(paintNamedGlyph(&page.dc, 0, 0, 20, 20,
                               reinterpret_cast<const WCHAR*>(uintptr_t{1001}), kInk, 1));
}

TEST(Glyphs, EveryGlyphStaysInItsBoxInItsColourAtEveryScaleAndShape) {
  struct Shape {
    int width;
    int height;
  };
  const Shape shapes[] = {{14, 14}, {15, 15}, {24, 14}, {14, 25}, {9, 9}, {33, 32}};
  for (const std::u16string& name : boxGlyphNames()) {
    for (int s : {1, 2, 4}) {
      for (Shape shape : shapes) {
        const int w = shape.width * (s == 1 ? 1 : s / 2 + 1);
        const int h = shape.height * (s == 1 ? 1 : s / 2 + 1);
        Page page(w + 8, h + 8);
        ASSERT_TRUE(paint(page, 4, 4, 4 + w, 4 + h, name, s));
        int ink = 0;
        for (int y = 0; y < h + 8; ++y) {
          for (int x = 0; x < w + 8; ++x) {
            if (!page.inked(x, y)) continue;
            ++ink;
            const bool inside = x >= 4 + s && x < 4 + w - s && y >= 4 + s && y < 4 + h - s;
            ASSERT_TRUE(inside) << std::string(name.begin(), name.end()) << " scale " << s
                                << " box " << w << "x" << h << " pixel " << x << "," << y;
            ASSERT_EQ(page.rgb(x, y), kInkPixel);
          }
        }
        if (w - 2 * s >= 12 && h - 2 * s >= 12) {
          EXPECT_GT(ink, 0) << std::string(name.begin(), name.end()) << " scale " << s;
        }
      }
    }
  }
}

/// The inked pixels of a glyph as a set of rows, for comparing glyphs with each other.
std::vector<std::string> rows(const std::u16string& name, int width, int height, int s) {
  Page page(width, height);
  paint(page, 0, 0, width, height, name, s);
  std::vector<std::string> out;
  for (int y = 0; y < height; ++y) {
    std::string row;
    for (int x = 0; x < width; ++x) row += page.inked(x, y) ? '#' : '.';
    out.push_back(row);
  }
  return out;
}

TEST(Glyphs, MirrorPairsTurnsAndCompositionsMatch) {
  const std::pair<std::u16string, std::u16string> mirrors[] = {
      {u"#Next", u"#Prev"}, {u"#TurnRight", u"#TurnLeft"}, {u"#RightRight", u"#LeftLeft"}};
  for (int s : {1, 2}) {
    for (int size : {16, 17, 24}) {
      const int side = size * s;
      for (const auto& [a, b] : mirrors) {
        std::vector<std::string> left = rows(a, side, side, s);
        const std::vector<std::string> right = rows(b, side, side, s);
        for (std::string& row : left) row = std::string(row.rbegin(), row.rend());
        EXPECT_EQ(left, right) << std::string(a.begin(), a.end()) << " at " << side;
      }
      // "#TreeOpen" is "#TreeClosed" turned a quarter clockwise (even square boxes).
      if (side % 2 == 0) {
        const std::vector<std::string> closed = rows(u"#TreeClosed", side, side, s);
        const std::vector<std::string> open = rows(u"#TreeOpen", side, side, s);
        for (int y = 0; y < side; ++y) {
          for (int x = 0; x < side; ++x) {
            ASSERT_EQ(open[y][x], closed[x][y]) << x << "," << y << " at " << side;
          }
        }
      }
      // "#Mute" is "#Speaker" and its bar: every speaker pixel is in it, and more.
      const std::vector<std::string> speaker = rows(u"#Speaker", side, side, s);
      const std::vector<std::string> mute = rows(u"#Mute", side, side, s);
      int extra = 0;
      for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
          if (speaker[y][x] == '#') {
            ASSERT_EQ(mute[y][x], '#');
          }
          extra += mute[y][x] == '#' && speaker[y][x] != '#';
        }
      }
      EXPECT_GT(extra, 0);
    }
  }
}

TEST(Glyphs, SpeakerColumnsHaveTheirHeights) {
  for (int s : {1, 2}) {
    const int side = 24 * s;
    const std::vector<std::string> speaker = rows(u"#Speaker", side, side, s);
    std::vector<int> heights;
    for (int x = 0; x < side; ++x) {
      int h = 0;
      for (int y = 0; y < side; ++y) h += speaker[y][x] == '#';
      if (h > 0 && (heights.empty() || x % 2 == 0)) heights.push_back(h);
    }
    const std::vector<int> expected =
        s == 1 ? std::vector<int>{5, 5, 7, 9} : std::vector<int>{10, 10, 10, 10, 12, 14, 16, 18};
    EXPECT_EQ(heights, expected);
  }
}

TEST(Glyphs, ContactSheetOfEveryGlyph) {
  // Every glyph at 12, 16, 24 and 32 pixels, scale 1 in the top half and 2 in the bottom half,
  // written as glyphs.png for a person to look at.
  const int sizes[] = {12, 16, 24, 32};
  std::vector<std::u16string> names = boxGlyphNames();
  names.push_back(u"#Check");
  names.push_back(u"#Color-00FF0000");
  const int cell = 70;
  Page page(cell * 2, static_cast<int>(names.size()) * 36 * 2);
  int y = 0;
  for (int s : {1, 2}) {
    for (const std::u16string& name : names) {
      int x = 2;
      for (int size : sizes) {
        const int side = size;
        page.dc.FillSolidRect(x, y + 1, side, side, 0xE0E0E0);
        paint(page, x, y + 1, x + side, y + 1 + side, name, s, 0x000000);
        x += side + 4;
      }
      y += 36;
    }
  }
  EXPECT_TRUE(page.canvas.save("glyphs.png"));
}

}  // namespace
