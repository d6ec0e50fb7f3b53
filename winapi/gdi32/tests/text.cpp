// Fonts and text: the LOGFONTW height rule, face mapping, extents, metrics, DrawTextW's
// formatting flags, and the painted pixels of a line of text.
#include <windows.h>

#include <gtest/gtest.h>

#include "winapi/testsupport/PaintCheck.h"

#include <string>

namespace {

HFONT makeFont(LONG height, LONG weight = FW_NORMAL, const char16_t* face = u"MS Shell Dlg 2", BYTE italic = 0,
               BYTE underline = 0) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfItalic = italic;
  lf.lfUnderline = underline;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = CLEARTYPE_QUALITY;
  std::u16string name = face;
  std::copy(name.begin(), name.end(), lf.lfFaceName);
  return CreateFontIndirectW(&lf);
}

class Text : public ::testing::Test {
 protected:
  Text() : canvas(200, 100) {}
  void SetUp() override {
    canvas.fill(0xFFFFFFFF);
    font = makeFont(-13);
    old = SelectObject(canvas.dc(), font);
  }
  void TearDown() override {
    SelectObject(canvas.dc(), old);
    DeleteObject(font);
  }
  SIZE extent(const std::u16string& s) {
    SIZE size{};
    GetTextExtentPoint32W(canvas.dc(), s.c_str(), static_cast<int>(s.size()), &size);
    return size;
  }
  // The columns that hold ink (pixels darker than mid grey) in rows top..bottom.
  std::pair<int, int> inkColumns(int top, int bottom) {
    int first = -1, last = -1;
    for (int x = 0; x < canvas.width(); ++x) {
      for (int y = top; y < bottom; ++y) {
        if ((canvas.at(x, y) & 0xFF) < 128) {
          if (first < 0) first = x;
          last = x;
          break;
        }
      }
    }
    return {first, last};
  }
  Canvas canvas;
  HFONT font;
  HGDIOBJ old;
};

TEST_F(Text, ANegativeHeightIsTheCharacterHeight) {
  TEXTMETRICW tm;
  ASSERT_TRUE(GetTextMetricsW(canvas.dc(), &tm));
  EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 13);
  EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
  EXPECT_GT(tm.tmAveCharWidth, 0);
  HFONT cell = makeFont(20);
  SelectObject(canvas.dc(), cell);
  GetTextMetricsW(canvas.dc(), &tm);
  EXPECT_NEAR(tm.tmHeight, 20, 1) << "a positive height is the cell height";
  SelectObject(canvas.dc(), font);
  DeleteObject(cell);
}

TEST_F(Text, WindowsUiFacesMapToTheDialogFace) {
  WCHAR face[LF_FACESIZE];
  GetTextFaceW(canvas.dc(), LF_FACESIZE, face);
  EXPECT_EQ(std::u16string(face), u"Liberation Sans");
  HFONT fixed = makeFont(-13, FW_NORMAL, u"Courier New");
  SelectObject(canvas.dc(), fixed);
  GetTextFaceW(canvas.dc(), LF_FACESIZE, face);
  EXPECT_EQ(std::u16string(face), u"DejaVu Sans Mono");
  EXPECT_EQ(extent(u"iiii").cx, extent(u"WWWW").cx) << "a fixed face has one advance";
  SelectObject(canvas.dc(), font);
  DeleteObject(fixed);
}

TEST_F(Text, ExtentsGrowWithTextAndWeight) {
  SIZE narrow = extent(u"iiii"), wide = extent(u"WWWW");
  EXPECT_LT(narrow.cx, wide.cx);
  EXPECT_EQ(extent(u"").cx, 0);
  EXPECT_EQ(extent(u"ab").cx + extent(u"cd").cx, extent(u"abcd").cx) << "no kerning, as GDI";
  HFONT bold = makeFont(-13, FW_BOLD);
  SelectObject(canvas.dc(), bold);
  EXPECT_GT(extent(u"Bold text").cx, 0);
  LONG boldWidth = extent(u"Bold text").cx;
  SelectObject(canvas.dc(), font);
  EXPECT_GT(boldWidth, extent(u"Bold text").cx);
  DeleteObject(bold);
  int fit = 0;
  SIZE all;
  GetTextExtentExPointW(canvas.dc(), u"abcdef", 6, extent(u"abc").cx, &fit, nullptr, &all);
  EXPECT_EQ(fit, 3);
}

TEST_F(Text, CalcRectMeasuresWithoutPainting) {
  RECT r{0, 0, 1000, 0};
  int height = DrawTextW(canvas.dc(), u"Hello world", -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  TEXTMETRICW tm;
  GetTextMetricsW(canvas.dc(), &tm);
  EXPECT_EQ(height, tm.tmHeight);
  EXPECT_EQ(r.right, extent(u"Hello world").cx);
  EXPECT_EQ(r.bottom, tm.tmHeight);
  for (int y = 0; y < canvas.height(); ++y) ASSERT_EQ(canvas.at(10, y), 0xFFFFFFFFu);
}

TEST_F(Text, WordBreakWrapsBetweenWords) {
  TEXTMETRICW tm;
  GetTextMetricsW(canvas.dc(), &tm);
  LONG width = extent(u"alpha beta").cx + 2;
  RECT r{0, 0, width, 0};
  int height = DrawTextW(canvas.dc(), u"alpha beta alpha beta", -1, &r, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_EQ(height, 2 * tm.tmHeight);
  EXPECT_LE(r.right, width);
  RECT lines{0, 0, 1000, 0};
  EXPECT_EQ(DrawTextW(canvas.dc(), u"one\ntwo\r\nthree", -1, &lines, DT_CALCRECT), 3 * tm.tmHeight);
  RECT single{0, 0, 1000, 0};
  EXPECT_EQ(DrawTextW(canvas.dc(), u"one\ntwo", -1, &single, DT_CALCRECT | DT_SINGLELINE), tm.tmHeight);
  RECT longWord{0, 0, 10, 0};
  DrawTextW(canvas.dc(), u"unbreakable", -1, &longWord, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_EQ(longWord.right, extent(u"unbreakable").cx) << "a word wider than the rectangle widens it";
}

TEST_F(Text, PrefixesUnderlineAndDoubleAmpersandsStay) {
  RECT a{0, 0, 1000, 0}, b{0, 0, 1000, 0}, c{0, 0, 1000, 0};
  DrawTextW(canvas.dc(), u"&File", -1, &a, DT_CALCRECT | DT_SINGLELINE);
  DrawTextW(canvas.dc(), u"&File", -1, &b, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  DrawTextW(canvas.dc(), u"A && B", -1, &c, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(a.right, extent(u"File").cx);
  EXPECT_EQ(b.right, extent(u"&File").cx);
  EXPECT_EQ(c.right, extent(u"A & B").cx);
  RECT draw{10, 10, 190, 40};
  DrawTextW(canvas.dc(), u"&File", -1, &draw, DT_SINGLELINE);
  TEXTMETRICW tm;
  GetTextMetricsW(canvas.dc(), &tm);
  bool underlined = false;
  for (int y = 10 + tm.tmAscent + 1; y < 10 + tm.tmHeight; ++y) {
    underlined = underlined || (canvas.at(12, y) & 0xFF) < 128;
  }
  EXPECT_TRUE(underlined) << "the prefixed letter is underlined";
}

TEST_F(Text, AlignmentPlacesTheLine) {
  RECT r{0, 0, 200, 20};
  LONG w = extent(u"Mid").cx;
  DrawTextW(canvas.dc(), u"Mid", -1, &r, DT_SINGLELINE | DT_CENTER);
  auto centred = inkColumns(0, 20);
  EXPECT_NEAR((centred.first + centred.second) / 2, 100, 3);
  canvas.fill(0xFFFFFFFF);
  DrawTextW(canvas.dc(), u"Mid", -1, &r, DT_SINGLELINE | DT_RIGHT);
  auto right = inkColumns(0, 20);
  EXPECT_LE(right.second, 199);
  EXPECT_GE(right.first, 200 - w - 1);
  RECT tall{0, 0, 200, 100};
  TEXTMETRICW tm;
  GetTextMetricsW(canvas.dc(), &tm);
  int bottom = DrawTextW(canvas.dc(), u"Mid", -1, &tall, DT_SINGLELINE | DT_VCENTER);
  EXPECT_EQ(bottom, (100 - tm.tmHeight) / 2 + tm.tmHeight) << "with DT_VCENTER the result is the text's bottom";
}

TEST_F(Text, EndEllipsisKeepsTheLineInsideItsRectangle) {
  RECT r{0, 0, 60, 20};
  DrawTextW(canvas.dc(), u"A long line of text that cannot fit", -1, &r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
  auto ink = inkColumns(0, 20);
  EXPECT_LT(ink.second, 60);
  RECT measured{0, 0, 60, 0};
  DrawTextW(canvas.dc(), u"A long line of text that cannot fit", -1, &measured,
            DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS);
  EXPECT_LE(measured.right, 60);
  RECT fits{0, 0, 200, 0};
  DrawTextW(canvas.dc(), u"Short", -1, &fits, DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS);
  EXPECT_EQ(fits.right, extent(u"Short").cx) << "a line that fits keeps all its text";
}

TEST_F(Text, ClippingStopsAtTheRectangleUnlessNoClip) {
  RECT r{0, 0, 20, 20};
  DrawTextW(canvas.dc(), u"WWWWWWWW", -1, &r, DT_SINGLELINE);
  EXPECT_LT(inkColumns(0, 20).second, 20);
  canvas.fill(0xFFFFFFFF);
  DrawTextW(canvas.dc(), u"WWWWWWWW", -1, &r, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_GT(inkColumns(0, 20).second, 20);
}

TEST_F(Text, TransparentAndOpaqueBackgrounds) {
  canvas.fill(0xFF00FF00);
  SetBkColor(canvas.dc(), RGB(255, 0, 0));
  SetBkMode(canvas.dc(), TRANSPARENT);
  TextOutW(canvas.dc(), 0, 0, u"x", 1);
  EXPECT_EQ(canvas.at(0, 0), 0xFF00FF00u);
  SetBkMode(canvas.dc(), OPAQUE);
  TextOutW(canvas.dc(), 0, 0, u"x", 1);
  EXPECT_EQ(canvas.at(0, 0), 0xFFFF0000u);
}

TEST_F(Text, GrayStringDrawsInTheGreyTextColourAtItsPlace) {
  SetTextColor(canvas.dc(), RGB(255, 0, 0));
  SetBkMode(canvas.dc(), TRANSPARENT);
  EXPECT_TRUE(GrayStringW(canvas.dc(), nullptr, nullptr, reinterpret_cast<LPARAM>(u"\u2588\u2588"), 2, 50, 20, 0, 0));
  COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
  uint32_t expected = 0xFF000000u | (GetRValue(grey) << 16) | (GetGValue(grey) << 8) | GetBValue(grey);
  bool found = false;
  for (int x = 50; x < 70; ++x) found = found || canvas.at(x, 28) == expected;
  EXPECT_TRUE(found) << "no grey ink where the string was drawn";
  EXPECT_EQ(inkColumns(0, 100).first, 50) << "the string starts at its x";
  EXPECT_EQ(GetTextColor(canvas.dc()), RGB(255, 0, 0)) << "the DC's text colour is left as it was";
}

TEST_F(Text, ALineOfTextPaintsTheSamePixels) {
  SetTextColor(canvas.dc(), RGB(0, 0, 128));
  SetBkMode(canvas.dc(), TRANSPARENT);
  RECT r{4, 4, 196, 96};
  DrawTextW(canvas.dc(), u"Layer demo: Äpfel & Birnen\nWrapped text in a box", -1, &r, DT_WORDBREAK);
  HFONT bold = makeFont(-16, FW_BOLD, u"Tahoma", 1, 1);
  SelectObject(canvas.dc(), bold);
  TextOutW(canvas.dc(), 4, 60, u"Bold italic", 11);
  SelectObject(canvas.dc(), font);
  DeleteObject(bold);
  EXPECT_PAINTED(canvas, 0xcae68b7c9f584897ull, "text-line");
}

}  // namespace
