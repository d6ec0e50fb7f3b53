// Conformance of DIB sections of every depth: their creation (black, also in reused memory) and
// what GetObjectW tells of them, colour tables, the conversions of BitBlt and StretchBlt between
// formats (pixels computed by hand), the refused painting into bitmaps that are not 32-bit, and
// monochrome bitmaps.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// A BITMAPINFO with room for a full colour table (or the three masks).
struct Info {
  BITMAPINFOHEADER header{};
  RGBQUAD colors[256]{};
  const BITMAPINFO* get() const { return reinterpret_cast<const BITMAPINFO*>(this); }
};

Info infoOf(int width, int height, int bitCount, DWORD compression = BI_RGB, DWORD colorsUsed = 0) {
  Info i;
  i.header.biSize = sizeof(BITMAPINFOHEADER);
  i.header.biWidth = width;
  i.header.biHeight = height;
  i.header.biPlanes = 1;
  i.header.biBitCount = static_cast<WORD>(bitCount);
  i.header.biCompression = compression;
  i.header.biClrUsed = colorsUsed;
  return i;
}

void setMasks(Info& info, DWORD red, DWORD green, DWORD blue) {
  DWORD masks[3] = {red, green, blue};
  std::memcpy(info.colors, masks, sizeof masks);
}

RGBQUAD quad(int r, int g, int b) {
  return RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0};
}

// A DIB section selected into its own memory DC.
struct Dib {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  uint8_t* bits = nullptr;

  explicit Dib(const Info& info) {
    dc = CreateCompatibleDC(nullptr);
    void* b = nullptr;
    bitmap = CreateDIBSection(nullptr, info.get(), DIB_RGB_COLORS, &b, nullptr, 0);
    bits = static_cast<uint8_t*>(b);
    if (bitmap != nullptr) old = SelectObject(dc, bitmap);
  }
  ~Dib() {
    if (old != nullptr) SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  uint32_t pixel32(int stride, int x, int row) const {
    uint32_t v;
    std::memcpy(&v, bits + row * stride + 4 * x, 4);
    return v;
  }
};

// The 32-bit top-down target every conversion is read from.
struct Target : Dib {
  int width;
  Target(int w, int h, uint32_t fill = 0xDEADBEEFu) : Dib(infoOf(w, -h, 32)), width(w) {
    auto* p = reinterpret_cast<uint32_t*>(bits);
    for (int i = 0; i < w * h; ++i) p[i] = fill;
  }
  uint32_t at(int x, int y) const { return pixel32(width * 4, x, y); }
};

TEST(DibSections, EveryDepthHasFourByteRowsAndAnswersGetObject) {
  struct Case {
    int bitCount;
    DWORD compression;
    LONG widthBytes;  // of a 5-pixel row
  };
  const Case cases[] = {{1, BI_RGB, 4},   {4, BI_RGB, 4},   {8, BI_RGB, 8},         {16, BI_RGB, 12},
                        {24, BI_RGB, 16}, {32, BI_RGB, 20}, {16, BI_BITFIELDS, 12}, {32, BI_BITFIELDS, 20}};
  for (const Case& c : cases) {
    Info info = infoOf(5, -3, c.bitCount, c.compression);
    if (c.compression == BI_BITFIELDS)
      setMasks(info, c.bitCount == 16 ? 0xF800 : 0xFF0000, c.bitCount == 16 ? 0x07E0 : 0xFF00,
               c.bitCount == 16 ? 0x001F : 0xFF);
    void* bits = nullptr;
    HBITMAP b = CreateDIBSection(nullptr, info.get(), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(b, nullptr) << c.bitCount << " bits, compression " << c.compression;
    ASSERT_NE(bits, nullptr);
    for (LONG i = 0; i < c.widthBytes * 3; ++i) EXPECT_EQ(static_cast<uint8_t*>(bits)[i], 0) << "starts black";
    BITMAP bm{};
    EXPECT_EQ(GetObjectW(b, sizeof bm, &bm), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(bm.bmWidth, 5);
    EXPECT_EQ(bm.bmHeight, 3);
    EXPECT_EQ(bm.bmWidthBytes, c.widthBytes) << c.bitCount << " bits";
    EXPECT_EQ(bm.bmBitsPixel, c.bitCount);
    EXPECT_EQ(bm.bmBits, bits);
    DIBSECTION ds{};
    EXPECT_EQ(GetObjectW(b, sizeof ds, &ds), static_cast<int>(sizeof(DIBSECTION)));
    EXPECT_EQ(ds.dsBmih.biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(ds.dsBmih.biWidth, 5);
    EXPECT_EQ(ds.dsBmih.biHeight, -3) << "a top-down DIB keeps its negative height";
    EXPECT_EQ(ds.dsBmih.biBitCount, c.bitCount);
    EXPECT_EQ(ds.dsBmih.biCompression, c.compression);
    EXPECT_EQ(ds.dsBmih.biSizeImage, static_cast<DWORD>(c.widthBytes * 3));
    EXPECT_EQ(ds.dsBmih.biClrUsed, c.bitCount <= 8 ? 1u << c.bitCount : 0u);
    if (c.compression == BI_BITFIELDS) {
      EXPECT_EQ(ds.dsBitfields[0], c.bitCount == 16 ? 0xF800u : 0xFF0000u);
      EXPECT_EQ(ds.dsBitfields[2], c.bitCount == 16 ? 0x001Fu : 0xFFu);
    }
    EXPECT_EQ(GetObjectW(b, 0, nullptr), static_cast<int>(sizeof(DIBSECTION))) << "the size needed";
    EXPECT_TRUE(DeleteObject(b));
  }
}

TEST(DibSections, LargeBitmapsStartBlackAfterOthersWereDeleted) {
  // Pixel memory of deleted bitmaps may be handed to the next ones; it must come back black,
  // whether for the same size, a slightly smaller one or a device bitmap.
  const int sizes[][2] = {{1024, 768}, {1024, 768}, {1000, 760}, {1024, 768}};
  for (int round = 0; round < 4; ++round) {
    for (const auto& size : sizes) {
      Info info = infoOf(size[0], size[1], 32);
      void* bits = nullptr;
      HBITMAP b = CreateDIBSection(nullptr, info.get(), DIB_RGB_COLORS, &bits, nullptr, 0);
      ASSERT_NE(b, nullptr);
      const size_t bytes = static_cast<size_t>(size[0]) * size[1] * 4;
      const auto* p = static_cast<const uint8_t*>(bits);
      EXPECT_EQ(std::count(p, p + bytes, 0), static_cast<std::ptrdiff_t>(bytes)) << round;
      std::memset(bits, 0xA5, bytes);
      DeleteObject(b);
    }
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP device = CreateCompatibleBitmap(dc, 1024, 768);
    ASSERT_NE(device, nullptr);
    HGDIOBJ old = SelectObject(dc, device);
    int lit = 0;
    for (int y = 0; y < 768; y += 7)
      for (int x = y % 5; x < 1024; x += 5) lit += GetPixel(dc, x, y) != RGB(0, 0, 0);
    EXPECT_EQ(lit, 0) << round;
    SelectObject(dc, old);
    DeleteObject(device);
    DeleteDC(dc);
  }
}

TEST(DibSections, OtherFormatsAndOverflowingSizesAreRefused) {
  struct Case {
    int width, height, bitCount;
    DWORD compression;
    const char* why;
  };
  const Case cases[] = {{4, 4, 2, BI_RGB, "2 bits"},
                        {4, 4, 0, BI_RGB, "no bit count"},
                        {4, 4, 64, BI_RGB, "64 bits"},
                        {4, 4, 8, 1 /* BI_RLE8 */, "run-length"},
                        {4, 4, 24, BI_BITFIELDS, "bit fields at 24 bits"},
                        {4, 4, 8, BI_BITFIELDS, "bit fields at 8 bits"},
                        {4, 4, 32, 4 /* BI_JPEG */, "embedded JPEG"},
                        {0, 4, 32, BI_RGB, "no width"},
                        {-4, 4, 32, BI_RGB, "negative width"},
                        {4, 0, 32, BI_RGB, "no height"},
                        {65536, 65536, 32, BI_RGB, "16 GiB"},
                        {0x7FFFFFFF, 2, 8, BI_RGB, "rows past 2 GiB"},
                        {46341, -46341, 8, BI_RGB, "2^31 bytes, top-down"}};
  for (const Case& c : cases) {
    Info info = infoOf(c.width, c.height, c.bitCount, c.compression);
    void* bits = reinterpret_cast<void*>(1);
    SetLastError(0);
    EXPECT_EQ(CreateDIBSection(nullptr, info.get(), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr) << c.why;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << c.why;
    EXPECT_EQ(bits, nullptr) << c.why;
  }
  Info core = infoOf(4, 4, 24);
  core.header.biSize = 12;
  EXPECT_EQ(CreateDIBSection(nullptr, core.get(), DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr) << "core header";
  Info palette = infoOf(4, 4, 8);
  EXPECT_EQ(CreateDIBSection(nullptr, palette.get(), DIB_PAL_COLORS, nullptr, nullptr, 0), nullptr);
}

TEST(DibSections, ColourTablesHoldColoursUsedAndAreSetThroughTheDc) {
  Info info = infoOf(4, 1, 8, BI_RGB, 3);
  info.colors[0] = quad(10, 20, 30);
  info.colors[1] = quad(40, 50, 60);
  info.colors[2] = quad(70, 80, 90);
  info.colors[3] = quad(1, 2, 3);  // past the colours used: not part of the table
  Dib dib(info);
  ASSERT_NE(dib.bitmap, nullptr);
  RGBQUAD table[256]{};
  EXPECT_EQ(GetDIBColorTable(dib.dc, 0, 256, table), 3u) << "biClrUsed entries";
  EXPECT_EQ(table[2].rgbRed, 70);
  EXPECT_EQ(GetDIBColorTable(dib.dc, 1, 1, table), 1u);
  EXPECT_EQ(table[0].rgbGreen, 50);
  EXPECT_EQ(GetDIBColorTable(dib.dc, 3, 1, table), 0u) << "start past the table";
  RGBQUAD red = quad(255, 0, 0);
  EXPECT_EQ(SetDIBColorTable(dib.dc, 2, 5, &red), 1u) << "cut at the table's end";
  dib.bits[0] = 2;
  dib.bits[1] = 3;  // past the table: black
  Target t(4, 1);
  EXPECT_TRUE(BitBlt(t.dc, 0, 0, 4, 1, dib.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(t.at(0, 0), 0x00FF0000u) << "the colour set through the DC";
  EXPECT_EQ(t.at(1, 0), 0x00000000u);

  Dib four(infoOf(2, 1, 4));
  EXPECT_EQ(GetDIBColorTable(four.dc, 0, 256, table), 16u) << "2^n entries when colours used is 0";
  Dib truecolor(infoOf(2, 1, 24));
  SetLastError(0);
  EXPECT_EQ(GetDIBColorTable(truecolor.dc, 0, 256, table), 0u) << "no table above 8 bits";
  EXPECT_EQ(SetDIBColorTable(truecolor.dc, 0, 1, &red), 0u);
  HDC empty = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SetDIBColorTable(empty, 0, 1, &red), 0u) << "a DC without a DIB";
  DeleteDC(empty);
}

// Each conversion into 32 bits, with pixels worked out by hand. GDI writes alpha 0 from every
// source that is not 32-bit.
TEST(Conversions, PalettedSourcesGoThroughTheirColourTable) {
  Info one = infoOf(10, 1, 1);
  one.colors[0] = quad(1, 2, 3);
  one.colors[1] = quad(200, 150, 100);
  Dib mono(one);
  mono.bits[0] = 0xA0;  // 1010 0000
  mono.bits[1] = 0x40;  // pixel 9 set
  Target t(10, 1);
  ASSERT_TRUE(BitBlt(t.dc, 0, 0, 10, 1, mono.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(t.at(0, 0), 0x00C89664u);
  EXPECT_EQ(t.at(1, 0), 0x00010203u);
  EXPECT_EQ(t.at(2, 0), 0x00C89664u);
  EXPECT_EQ(t.at(8, 0), 0x00010203u);
  EXPECT_EQ(t.at(9, 0), 0x00C89664u) << "the second byte's high bit is pixel 8";

  Info four = infoOf(3, 1, 4, BI_RGB, 2);
  four.colors[0] = quad(0, 0, 255);
  four.colors[1] = quad(0, 255, 0);
  Dib nibbles(four);
  nibbles.bits[0] = 0x10;  // pixel 0 high nibble = 1, pixel 1 = 0
  nibbles.bits[1] = 0x50;  // pixel 2 = 5, past the two colours
  ASSERT_TRUE(BitBlt(t.dc, 0, 0, 3, 1, nibbles.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(t.at(0, 0), 0x0000FF00u);
  EXPECT_EQ(t.at(1, 0), 0x000000FFu);
  EXPECT_EQ(t.at(2, 0), 0x00000000u) << "an index past the table is black";

  Info eight = infoOf(2, 1, 8, BI_RGB, 1);
  eight.colors[0] = quad(9, 8, 7);
  Dib bytes(eight);
  bytes.bits[0] = 0;
  bytes.bits[1] = 255;
  ASSERT_TRUE(BitBlt(t.dc, 0, 0, 2, 1, bytes.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(t.at(0, 0), 0x00090807u);
  EXPECT_EQ(t.at(1, 0), 0x00000000u);
}

TEST(Conversions, SixteenBitFieldsWidenByRepeatingTheirTopBits) {
  Dib rgb555(infoOf(3, 1, 16));
  const uint16_t pixels555[] = {0x7FFF, static_cast<uint16_t>((1 << 10) | (16 << 5) | 31), 0x8000};
  std::memcpy(rgb555.bits, pixels555, sizeof pixels555);
  Target t(3, 1);
  ASSERT_TRUE(BitBlt(t.dc, 0, 0, 3, 1, rgb555.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(t.at(0, 0), 0x00FFFFFFu);
  // 5 bits c -> (c << 3) | (c >> 2): 1 -> 8, 16 -> 132, 31 -> 255.
  EXPECT_EQ(t.at(1, 0), 0x000884FFu);
  EXPECT_EQ(t.at(2, 0), 0x00000000u) << "the top bit of 5-5-5 is unused";

  Info fields = infoOf(2, 1, 16, BI_BITFIELDS);
  setMasks(fields, 0xF800, 0x07E0, 0x001F);
  Dib rgb565(fields);
  const uint16_t pixels565[] = {static_cast<uint16_t>((3 << 11) | (33 << 5) | 2), 0xFFFF};
  std::memcpy(rgb565.bits, pixels565, sizeof pixels565);
  ASSERT_TRUE(BitBlt(t.dc, 0, 0, 2, 1, rgb565.dc, 0, 0, SRCCOPY));
  // red 3 -> 24 | 0 = 24; green 6 bits 33 -> (33 << 2) | (33 >> 4) = 134; blue 2 -> 16.
  EXPECT_EQ(t.at(0, 0), 0x00188610u);
  EXPECT_EQ(t.at(1, 0), 0x00FFFFFFu);

  Info narrow = infoOf(1, 1, 16, BI_BITFIELDS);
  setMasks(narrow, 0x0C00, 0x0380, 0x0001);  // 2, 3 and 1 bits
  Dib odd(narrow);
  uint16_t v = static_cast<uint16_t>((2 << 10) | (5 << 7) | 1);
  std::memcpy(odd.bits, &v, 2);
  ASSERT_TRUE(BitBlt(t.dc, 0, 0, 1, 1, odd.dc, 0, 0, SRCCOPY));
  // 2 bits 10 -> 1010 1010; 3 bits 101 -> 1011 0110; 1 bit 1 -> 1111 1111.
  EXPECT_EQ(t.at(0, 0), 0x00AAB6FFu);
}

TEST(Conversions, TrueColourRulesForAlpha) {
  Dib rgb(infoOf(2, 1, 24));
  const uint8_t bgr[] = {1, 2, 3, 250, 251, 252};
  std::memcpy(rgb.bits, bgr, sizeof bgr);
  Target t(2, 1);
  ASSERT_TRUE(BitBlt(t.dc, 0, 0, 2, 1, rgb.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(t.at(0, 0), 0x00030201u) << "24 to 32 writes alpha 0";
  EXPECT_EQ(t.at(1, 0), 0x00FCFBFAu);

  Target source(2, 1, 0x80112233u);
  Target copy(2, 1);
  ASSERT_TRUE(BitBlt(copy.dc, 0, 0, 2, 1, source.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(copy.at(1, 0), 0x80112233u) << "32 to 32 copies alpha";

  Info fields = infoOf(1, 1, 32, BI_BITFIELDS);
  setMasks(fields, 0x000000FF, 0x0000FF00, 0x00FF0000);  // R and B swapped
  Dib swapped(fields);
  const uint32_t value = 0x7F332211u;
  std::memcpy(swapped.bits, &value, 4);
  ASSERT_TRUE(BitBlt(copy.dc, 0, 0, 1, 1, swapped.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(copy.at(0, 0), 0x00112233u) << "fields read by their masks, alpha 0";

  // 32 into 24 drops alpha; the 24-bit destination's row padding stays as it was.
  Dib out(infoOf(3, -2, 24));
  std::memset(out.bits, 0x55, 24);
  Target picture(3, 2, 0x40A0B0C0u);
  SetPixel(picture.dc, 2, 1, RGB(1, 2, 3));
  ASSERT_TRUE(BitBlt(out.dc, 0, 0, 3, 2, picture.dc, 0, 0, SRCCOPY));
  const uint8_t row0[] = {0xC0, 0xB0, 0xA0, 0xC0, 0xB0, 0xA0, 0xC0, 0xB0, 0xA0, 0x55, 0x55, 0x55};
  EXPECT_EQ(std::memcmp(out.bits, row0, 12), 0);
  EXPECT_EQ(out.bits[12 + 6], 3);
  EXPECT_EQ(out.bits[12 + 8], 1);
  EXPECT_EQ(out.bits[12 + 9], 0x55);
}

// A bottom-up source and a bottom-up target hold their rows in opposite memory order; both are
// addressed from the top. Offsets and clipping to the source work as in 32-bit copies.
TEST(Conversions, BottomUpRowsOffsetsAndStretches) {
  Dib bottomUp(infoOf(2, 3, 24));  // row 0 of the picture is the last row in memory
  std::memset(bottomUp.bits, 0, 24);
  bottomUp.bits[16] = 0xFF;     // memory row 2 (picture row 0), pixel 0 blue
  bottomUp.bits[0 + 5] = 0xFF;  // memory row 0 (picture row 2), pixel 1 red
  Target t(4, 4, 0xFF777777u);
  ASSERT_TRUE(BitBlt(t.dc, 1, 1, 2, 3, bottomUp.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(t.at(1, 1), 0x000000FFu);
  EXPECT_EQ(t.at(2, 3), 0x00FF0000u);
  EXPECT_EQ(t.at(0, 0), 0xFF777777u);
  ASSERT_TRUE(BitBlt(t.dc, 0, 0, 4, 1, bottomUp.dc, 1, 2, SRCCOPY));
  EXPECT_EQ(t.at(0, 0), 0x00FF0000u);
  EXPECT_EQ(t.at(1, 0), 0xFF777777u) << "what lies outside the source is left alone";

  ASSERT_TRUE(StretchBlt(t.dc, 0, 0, 4, 4, bottomUp.dc, 0, 0, 1, 1, SRCCOPY));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) EXPECT_EQ(t.at(x, y), 0x000000FFu) << x << "," << y;
  }
  ASSERT_TRUE(StretchBlt(t.dc, 1, 0, -2, 1, bottomUp.dc, 0, 2, 2, 1, SRCCOPY));
  EXPECT_EQ(t.at(0, 0), 0x00FF0000u) << "a negative width mirrors";
  EXPECT_EQ(t.at(1, 0), 0x00000000u);
  ASSERT_TRUE(BitBlt(t.dc, 0, 0, 1, 1, bottomUp.dc, 0, 0, SRCINVERT));
  EXPECT_EQ(t.at(0, 0) & 0x00FFFFFFu, 0x00FF00FFu) << "raster operations work on the converted pixels";
}

TEST(Conversions, PaintingIntoOtherFormatsIsRefused) {
  Dib rgb(infoOf(4, 4, 24));
  Dib eight(infoOf(4, 4, 8));
  Target t(4, 4);
  RECT r{0, 0, 2, 2};
  auto refused = [](BOOL ok, const char* what) {
    EXPECT_FALSE(ok) << what;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED)) << what;
  };
  for (HDC dc : {rgb.dc, eight.dc}) {
    SetLastError(0);
    refused(FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), "FillRect");
    refused(Rectangle(dc, 0, 0, 3, 3), "Rectangle");
    refused(TextOutW(dc, 0, 0, u"x", 1), "TextOutW");
    refused(PatBlt(dc, 0, 0, 2, 2, BLACKNESS), "PatBlt");
    refused(LineTo(dc, 3, 3), "LineTo");
    refused(SetPixel(dc, 0, 0, 0) != static_cast<COLORREF>(-1), "SetPixel");
    refused(DrawTextW(dc, u"x", 1, &r, 0) != 0, "DrawTextW");
  }
  refused(BitBlt(eight.dc, 0, 0, 2, 2, t.dc, 0, 0, SRCCOPY), "a blit into 8 bits");
  refused(StretchBlt(rgb.dc, 0, 0, 4, 4, t.dc, 0, 0, 2, 2, SRCCOPY), "a stretch into 24 bits");
  refused(BitBlt(rgb.dc, 0, 0, 2, 2, t.dc, 0, 0, SRCAND), "a raster operation into 24 bits");
  RECT measured{0, 0, 100, 100};
  EXPECT_GT(DrawTextW(rgb.dc, u"x", 1, &measured, DT_CALCRECT), 0) << "measuring needs no painting";
  EXPECT_TRUE(BitBlt(rgb.dc, 0, 0, 4, 4, eight.dc, 0, 0, SRCCOPY)) << "any source into 24 bits";
}

TEST(Monochrome, DeviceBitmapsTakeWordRowsAndDrawInTheDcColours) {
  const uint8_t rows[] = {0xC0, 0x00, 0x40, 0x00};  // 3 x 2: row 0 = 1 1 0, row 1 = 0 1 0
  HBITMAP mono = CreateBitmap(3, 2, 1, 1, rows);
  ASSERT_NE(mono, nullptr);
  BITMAP bm{};
  EXPECT_EQ(GetObjectW(mono, sizeof(DIBSECTION), &bm), static_cast<int>(sizeof(BITMAP))) << "not a DIB section";
  EXPECT_EQ(bm.bmBitsPixel, 1);
  EXPECT_EQ(bm.bmWidthBytes, 2) << "rows of 16-bit units";
  EXPECT_EQ(bm.bmBits, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, mono);
  Target t(3, 2);
  ASSERT_TRUE(BitBlt(t.dc, 0, 0, 3, 2, dc, 0, 0, SRCCOPY));
  EXPECT_EQ(t.at(0, 0), 0x00FFFFFFu) << "1 is the background colour (white)";
  EXPECT_EQ(t.at(2, 0), 0x00000000u) << "0 is the text colour (black)";
  SetTextColor(t.dc, RGB(255, 0, 0));
  SetBkColor(t.dc, RGB(0, 0, 255));
  ASSERT_TRUE(BitBlt(t.dc, 0, 0, 3, 2, dc, 0, 0, SRCCOPY));
  EXPECT_EQ(t.at(0, 1), 0x00FF0000u);
  EXPECT_EQ(t.at(1, 1), 0x000000FFu);
  SetLastError(0);
  RECT r{0, 0, 1, 1};
  EXPECT_FALSE(FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(mono);
  EXPECT_EQ(CreateBitmap(3, 2, 1, 8, nullptr), nullptr) << "device bitmaps are 1 or 32 bits";
  HBITMAP blank = CreateBitmap(17, 1, 1, 1, nullptr);
  EXPECT_EQ(GetObjectW(blank, sizeof bm, &bm), static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ(bm.bmWidthBytes, 4);
  DeleteObject(blank);
}

}  // namespace
