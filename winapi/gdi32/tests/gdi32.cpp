// Conformance of painting: structure layouts, regions against a pixel oracle, the primitives,
// blits and stretched blits compared with stored hashes of their pixels.
#include <windows.h>

#include <gtest/gtest.h>

#include "winapi/testsupport/PaintCheck.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

TEST(Layouts, StructuresHaveTheirWindowsSizesAndOffsets) {
  EXPECT_EQ(sizeof(LOGFONTW), 92u);
  EXPECT_EQ(offsetof(LOGFONTW, lfFaceName), 28u);
  EXPECT_EQ(sizeof(TEXTMETRICW), 60u);
  EXPECT_EQ(sizeof(BITMAPINFOHEADER), 40u);
  EXPECT_EQ(offsetof(BITMAPINFOHEADER, biBitCount), 14u);
  EXPECT_EQ(sizeof(BITMAP), 32u);
  EXPECT_EQ(offsetof(BITMAP, bmBits), 24u);
  EXPECT_EQ(sizeof(DIBSECTION), 104u);
  EXPECT_EQ(sizeof(LOGPEN), 16u);
  EXPECT_EQ(sizeof(LOGBRUSH), 16u);
  EXPECT_EQ(sizeof(WNDCLASSEXW), 80u);
  EXPECT_EQ(offsetof(WNDCLASSEXW, lpszClassName), 64u);
  EXPECT_EQ(sizeof(MSG), 48u);
  EXPECT_EQ(offsetof(MSG, pt), 36u);
  EXPECT_EQ(sizeof(PAINTSTRUCT), 72u);
  EXPECT_EQ(sizeof(CREATESTRUCTW), 80u);
  EXPECT_EQ(sizeof(WINDOWPOS), 40u);
  EXPECT_EQ(sizeof(NCCALCSIZE_PARAMS), 56u);
  EXPECT_EQ(sizeof(MINMAXINFO), 40u);
  EXPECT_EQ(sizeof(MONITORINFO), 40u);
  EXPECT_EQ(sizeof(MONITORINFOEXW), 104u);
  EXPECT_EQ(sizeof(ICONINFO), 32u);
  EXPECT_EQ(offsetof(ICONINFO, hbmMask), 16u);
  EXPECT_EQ(sizeof(BITMAPFILEHEADER), 14u);
  EXPECT_EQ(offsetof(BITMAPFILEHEADER, bfSize), 2u);
  EXPECT_EQ(offsetof(BITMAPFILEHEADER, bfOffBits), 10u);
  EXPECT_EQ(sizeof(RGBQUAD), 4u);
  EXPECT_EQ(offsetof(RGBQUAD, rgbRed), 2u);
  EXPECT_EQ(offsetof(BITMAPINFOHEADER, biClrUsed), 32u);
  EXPECT_EQ(offsetof(BITMAPINFO, bmiColors), 40u);
  EXPECT_EQ(offsetof(DIBSECTION, dsBmih), 32u);
  EXPECT_EQ(offsetof(DIBSECTION, dsBitfields), 72u);
  EXPECT_EQ(offsetof(DIBSECTION, dshSection), 88u);
  EXPECT_EQ(offsetof(DIBSECTION, dsOffset), 96u);
}

// The region calls against a plain pixel oracle: random rectangles combined with every mode.
TEST(Regions, CombinationsMatchAPixelOracle) {
  std::mt19937 random(1234);
  std::uniform_int_distribution<int> coord(0, 40);
  const int modes[] = {RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF};
  for (int round = 0; round < 200; ++round) {
    std::vector<RECT> rects;
    HRGN a = CreateRectRgn(0, 0, 0, 0);
    HRGN b = CreateRectRgn(0, 0, 0, 0);
    bool oracleA[48][48] = {}, oracleB[48][48] = {};
    for (int k = 0; k < 6; ++k) {
      int x0 = coord(random), y0 = coord(random), x1 = coord(random), y1 = coord(random);
      HRGN part = CreateRectRgn(x0, y0, x1, y1);
      bool toA = k % 2 == 0;
      CombineRgn(toA ? a : b, toA ? a : b, part, RGN_OR);
      DeleteObject(part);
      for (int y = std::min(y0, y1); y < std::max(y0, y1); ++y) {
        for (int x = std::min(x0, x1); x < std::max(x0, x1); ++x) (toA ? oracleA : oracleB)[y][x] = true;
      }
    }
    int mode = modes[round % 4];
    HRGN result = CreateRectRgn(0, 0, 0, 0);
    int kind = CombineRgn(result, a, b, mode);
    bool any = false;
    for (int y = 0; y < 48; ++y) {
      for (int x = 0; x < 48; ++x) {
        bool ia = oracleA[y][x], ib = oracleB[y][x];
        bool want = mode == RGN_AND ? ia && ib : mode == RGN_OR ? ia || ib : mode == RGN_XOR ? ia != ib : ia && !ib;
        any = any || want;
        ASSERT_EQ(PtInRegion(result, x, y) != FALSE, want)
            << "round " << round << " mode " << mode << " at " << x << "," << y;
      }
    }
    EXPECT_EQ(kind == NULLREGION, !any);
    DeleteObject(a);
    DeleteObject(b);
    DeleteObject(result);
  }
}

TEST(Regions, BoxesOffsetsAndEquality) {
  HRGN r = CreateRectRgn(10, 10, 30, 20);
  HRGN s = CreateRectRgn(20, 15, 40, 40);
  HRGN both = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(CombineRgn(both, r, s, RGN_OR), COMPLEXREGION);
  RECT box;
  EXPECT_EQ(GetRgnBox(both, &box), COMPLEXREGION);
  EXPECT_TRUE(EqualRect(&box, std::vector<RECT>{{10, 10, 40, 40}}.data()));
  EXPECT_EQ(OffsetRgn(r, 5, -5), SIMPLEREGION);
  GetRgnBox(r, &box);
  EXPECT_EQ(box.left, 15);
  EXPECT_EQ(box.top, 5);
  HRGN same = CreateRectRgn(15, 5, 35, 15);
  EXPECT_TRUE(EqualRgn(r, same));
  RECT inside{16, 6, 17, 7}, outside{0, 0, 5, 5};
  EXPECT_TRUE(RectInRegion(r, &inside));
  EXPECT_FALSE(RectInRegion(r, &outside));
  EXPECT_EQ(CombineRgn(both, r, nullptr, RGN_AND), ERROR) << "a missing second region is refused";
  for (HRGN h : {r, s, both, same}) DeleteObject(h);
}

TEST(Regions, RoundRectanglesCutTheirCorners) {
  HRGN round = CreateRoundRectRgn(0, 0, 40, 30, 20, 20);
  EXPECT_FALSE(PtInRegion(round, 0, 0));
  EXPECT_FALSE(PtInRegion(round, 39, 29));
  EXPECT_TRUE(PtInRegion(round, 20, 0));
  EXPECT_TRUE(PtInRegion(round, 0, 15));
  EXPECT_TRUE(PtInRegion(round, 39, 15));
  EXPECT_FALSE(PtInRegion(round, 40, 15)) << "the right edge is exclusive";
  DeleteObject(round);
}

TEST(Primitives, FillsAndShapesPaintOpaquePixels) {
  Canvas c(64, 48);
  c.fill(0);
  RECT all{0, 0, 64, 48};
  FillRect(c.dc(), &all, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  EXPECT_EQ(c.at(0, 0), 0xFFF0F0F0u) << "opaque painting writes alpha 255";
  HPEN pen = CreatePen(PS_SOLID, 4, RGB(0, 0, 128));
  HBRUSH brush = CreateSolidBrush(RGB(255, 255, 0));
  HGDIOBJ oldPen = SelectObject(c.dc(), pen);
  HGDIOBJ oldBrush = SelectObject(c.dc(), brush);
  Ellipse(c.dc(), 2, 2, 30, 30);
  RoundRect(c.dc(), 34, 2, 62, 30, 10, 10);
  SelectObject(c.dc(), GetStockObject(NULL_BRUSH));
  Rectangle(c.dc(), 2, 34, 62, 46);
  SelectObject(c.dc(), oldPen);
  SelectObject(c.dc(), oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
  EXPECT_EQ(c.at(16, 16), 0xFFFFFF00u);  // the ellipse's inside
  EXPECT_EQ(c.at(16, 3), 0xFF000080u);   // its pen
  EXPECT_EQ(c.at(2, 2), 0xFFF0F0F0u);    // outside the ellipse's corner
  EXPECT_EQ(c.at(30, 40), 0xFFF0F0F0u);  // a hollow rectangle keeps what was there
  EXPECT_PAINTED(c, 0x16eee64e141ade03ull, "primitives-shapes");
}

// A changed picture fails with its new hash and leaves its PNG; while goldens are being updated
// it passes, so one run reports every new hash. Hashes of bottom-up and top-down canvases agree.
TEST(Primitives, PaintCheckReportsNewHashesAndPictures) {
  Canvas top(3, 2), bottom(3, 2, false);
  top.fill(0xFF000000u);
  bottom.fill(0xFF000000u);
  SetPixel(top.dc(), 1, 0, RGB(255, 0, 0));
  SetPixel(bottom.dc(), 1, 0, RGB(255, 0, 0));
  EXPECT_EQ(top.hash(), bottom.hash());
  EXPECT_NE(top.hash(), Canvas(3, 2).hash());
  const char* before = std::getenv("LUMETRA_UPDATE_GOLDENS");
  unsetenv("LUMETRA_UPDATE_GOLDENS");
  std::remove("paint-check-changed.png");
  auto save = [&](const std::string& path) { return top.save(path); };
  ::testing::AssertionResult failed = matchesGolden(top.hash(), 1, "paint-check-changed", save);
  EXPECT_FALSE(failed);
  EXPECT_NE(std::string(failed.message()).find("paint-check-changed.png"), std::string::npos) << failed.message();
  EXPECT_TRUE(std::ifstream("paint-check-changed.png").good());
  setenv("LUMETRA_UPDATE_GOLDENS", "1", 1);
  EXPECT_TRUE(matchesGolden(top.hash(), 1, "paint-check-changed", save));
  if (before != nullptr) {
    setenv("LUMETRA_UPDATE_GOLDENS", before, 1);
  } else {
    unsetenv("LUMETRA_UPDATE_GOLDENS");
  }
  std::remove("paint-check-changed.png");
}

TEST(Primitives, ExtTextOutOpaqueIsTheSolidRectangleFill) {
  Canvas c(40, 20);
  c.fill(0x00123456);
  SetBkColor(c.dc(), RGB(10, 20, 30));
  RECT r{5, 5, 25, 15};
  EXPECT_TRUE(ExtTextOutW(c.dc(), 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr));
  EXPECT_EQ(c.at(5, 5), 0xFF0A141Eu);
  EXPECT_EQ(c.at(24, 14), 0xFF0A141Eu);
  EXPECT_EQ(c.at(25, 15), 0x00123456u);
  EXPECT_EQ(c.at(4, 5), 0x00123456u);
}

TEST(Primitives, ClippingExcludesRectanglesAndFollowsTheViewport) {
  Canvas c(30, 30);
  c.fill(0xFF000000);
  ExcludeClipRect(c.dc(), 10, 10, 20, 20);
  SetViewportOrgEx(c.dc(), 5, 0, nullptr);
  RECT all{-5, 0, 25, 30};
  FillRect(c.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(c.at(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(c.at(9, 12), 0xFFFFFFFFu);
  EXPECT_EQ(c.at(12, 12), 0xFF000000u) << "a clip rectangle stays where it was when the viewport moves";
  RECT box;
  EXPECT_EQ(GetClipBox(c.dc(), &box), COMPLEXREGION);
  EXPECT_FALSE(PtVisible(c.dc(), 10, 15));
  EXPECT_TRUE(PtVisible(c.dc(), 3, 15));
  SelectClipRgn(c.dc(), nullptr);
  EXPECT_TRUE(PtVisible(c.dc(), 10, 15));
}

TEST(Primitives, SaveAndRestoreBringBackObjectsAndColours) {
  Canvas c(4, 4);
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  int saved = SaveDC(c.dc());
  SelectObject(c.dc(), brush);
  SetTextColor(c.dc(), RGB(9, 9, 9));
  IntersectClipRect(c.dc(), 0, 0, 1, 1);
  RestoreDC(c.dc(), saved);
  EXPECT_EQ(GetCurrentObject(c.dc(), OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetTextColor(c.dc()), RGB(0, 0, 0));
  EXPECT_TRUE(PtVisible(c.dc(), 3, 3));
  DeleteObject(brush);
}

TEST(Objects, HandlesAndDeletion) {
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  EXPECT_EQ(GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH));
  LOGBRUSH lb;
  EXPECT_EQ(GetObjectW(brush, sizeof lb, &lb), static_cast<int>(sizeof lb));
  EXPECT_EQ(lb.lbColor, RGB(1, 2, 3));
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_FALSE(DeleteObject(brush)) << "a deleted handle is gone";
  EXPECT_EQ(GetObjectType(brush), 0u);
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN)));
  EXPECT_EQ(GetObjectType(GetStockObject(BLACK_PEN)), static_cast<DWORD>(OBJ_PEN)) << "stock objects stay";
  Canvas c(2, 2);
  EXPECT_FALSE(DeleteObject(c.bitmap())) << "a selected bitmap cannot be deleted";
  Canvas other(2, 2);
  EXPECT_EQ(SelectObject(other.dc(), c.bitmap()), nullptr) << "a bitmap lives in one DC at a time";
  DIBSECTION ds;
  EXPECT_EQ(GetObjectW(c.bitmap(), sizeof ds, &ds), static_cast<int>(sizeof ds));
  EXPECT_EQ(ds.dsBmih.biHeight, -2);
  EXPECT_NE(ds.dsBm.bmBits, nullptr);
}

TEST(Blits, BottomUpAndTopDownSurfacesHoldTheSamePicture) {
  Canvas up(16, 8, false), down(16, 8, true);
  for (Canvas* c : {&up, &down}) {
    c->fill(0xFF000000);
    RECT r{2, 1, 10, 3};
    FillRect(c->dc(), &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  EXPECT_EQ(up.hash(), down.hash());
  EXPECT_EQ(up.at(2, 1), 0xFFFFFFFFu);
  Canvas copy(16, 8, false);
  copy.fill(0);
  BitBlt(copy.dc(), 0, 0, 16, 8, down.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(copy.hash(), down.hash());
}

TEST(Blits, SourceCopyKeepsAlphaAndClipsToBothSurfaces) {
  Canvas src(8, 8), dst(8, 8);
  src.fill(0x80112233);
  dst.fill(0);
  BitBlt(dst.dc(), 4, 4, 8, 8, src.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(dst.at(4, 4), 0x80112233u);
  EXPECT_EQ(dst.at(7, 7), 0x80112233u);
  EXPECT_EQ(dst.at(3, 3), 0u);
  dst.fill(0);
  BitBlt(dst.dc(), 0, 0, 8, 8, src.dc(), 6, 6, SRCCOPY);
  EXPECT_EQ(dst.at(1, 1), 0x80112233u);
  EXPECT_EQ(dst.at(2, 2), 0u) << "nothing comes from outside the source";
}

TEST(Blits, OverlappingCopiesWithinOneSurfaceMoveThePicture) {
  Canvas c(10, 10);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) SetPixel(c.dc(), x, y, RGB(x * 10, y * 10, 0));
  }
  BitBlt(c.dc(), 2, 3, 6, 6, c.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(c.at(2, 3), 0xFF000000u);
  EXPECT_EQ(c.at(7, 8), 0xFF323200u);
  BitBlt(c.dc(), 0, 0, 6, 6, c.dc(), 2, 3, SRCCOPY);
  EXPECT_EQ(c.at(5, 5), 0xFF323200u);
}

TEST(Blits, HalftoneAveragesAndColorOnColorPicksPixels) {
  Canvas checker(4, 4), small(2, 2);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) SetPixel(checker.dc(), x, y, (x + y) % 2 ? RGB(255, 255, 255) : RGB(0, 0, 0));
  }
  int old = SetStretchBltMode(small.dc(), HALFTONE);
  EXPECT_EQ(old, BLACKONWHITE);
  StretchBlt(small.dc(), 0, 0, 2, 2, checker.dc(), 0, 0, 4, 4, SRCCOPY);
  EXPECT_EQ(small.at(0, 0), 0xFF808080u) << "four pixels, two black and two white, average to grey";
  SetStretchBltMode(small.dc(), COLORONCOLOR);
  StretchBlt(small.dc(), 0, 0, 2, 2, checker.dc(), 0, 0, 4, 4, SRCCOPY);
  EXPECT_TRUE(small.at(0, 0) == 0xFF000000u || small.at(0, 0) == 0xFFFFFFFFu);
  Canvas big(8, 8);
  SetStretchBltMode(big.dc(), HALFTONE);
  StretchBlt(big.dc(), 0, 0, 8, 8, checker.dc(), 0, 0, 4, 4, SRCCOPY);
  EXPECT_EQ(big.at(0, 0), 0xFF000000u);
  EXPECT_EQ(big.at(2, 0), 0xFFFFFFFFu);
  EXPECT_PAINTED(big, 0x5e2461c007ee0603ull, "stretch-halftone-enlarge");
}

TEST(Blits, NegativeSizesMirror) {
  Canvas src(4, 1), dst(4, 1);
  for (int x = 0; x < 4; ++x) SetPixel(src.dc(), x, 0, RGB(x * 50, 0, 0));
  StretchBlt(dst.dc(), 3, 0, -4, 1, src.dc(), 0, 0, 4, 1, SRCCOPY);
  EXPECT_EQ(dst.at(0, 0), 0xFF960000u);
  EXPECT_EQ(dst.at(3, 0), 0xFF000000u);
}

TEST(Blits, StretchDIBitsReadsBottomUpImagesFromTheirLowerLeftCorner) {
  uint32_t bits[2 * 2] = {0xFF0000FF, 0xFF00FF00,   // bottom row in memory first
                          0xFFFF0000, 0xFFFFFFFF};  // top row
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 2, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  Canvas c(2, 2);
  EXPECT_EQ(StretchDIBits(c.dc(), 0, 0, 2, 2, 0, 0, 2, 2, bits, &info, DIB_RGB_COLORS, SRCCOPY), 2);
  EXPECT_EQ(c.at(0, 0), 0xFFFF0000u);
  EXPECT_EQ(c.at(0, 1), 0xFF0000FFu);
  info.bmiHeader.biBitCount = 24;
  EXPECT_EQ(StretchDIBits(c.dc(), 0, 0, 2, 2, 0, 0, 2, 2, bits, &info, DIB_RGB_COLORS, SRCCOPY), 0)
      << "only 32-bit images are painted";
}

}  // namespace
