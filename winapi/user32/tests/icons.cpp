// Conformance of icons: CreateIconIndirect with alpha and with masks, GetIconInfo's new
// bitmaps, and DrawIconEx's composition (alpha icons over, mask icons AND then XOR, leaving
// the destination's alpha), with pixels worked out by hand.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// A top-down 32-bit DIB section in its own memory DC.
struct Surface {
  int width, height;
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
  uint32_t* pixels = nullptr;

  Surface(int w, int h, uint32_t fill, int bitCount = 32) : width(w), height(h) {
    BITMAPINFO info{};
    info.bmiHeader =
        BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), w, -h, 1, static_cast<WORD>(bitCount), BI_RGB, 0, 0, 0, 0, 0};
    dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    old = SelectObject(dc, bitmap);
    pixels = static_cast<uint32_t*>(bits);
    if (bitCount == 32) {
      for (int i = 0; i < w * h; ++i) pixels[i] = fill;
    }
  }
  ~Surface() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  uint32_t at(int x, int y) const { return pixels[y * width + x]; }
  uint32_t& at(int x, int y) { return pixels[y * width + x]; }
};

// A monochrome mask from rows of '1' (the background shows through) and '0'.
HBITMAP maskOf(int width, const std::vector<const char*>& rows) {
  int rowBytes = (width + 15) / 16 * 2;
  std::vector<uint8_t> bits(static_cast<size_t>(rowBytes) * rows.size(), 0);
  for (size_t y = 0; y < rows.size(); ++y) {
    for (int x = 0; x < width; ++x) {
      if (rows[y][x] == '1') bits[y * static_cast<size_t>(rowBytes) + static_cast<size_t>(x / 8)] |= 0x80 >> (x % 8);
    }
  }
  return CreateBitmap(width, static_cast<int>(rows.size()), 1, 1, bits.data());
}

TEST(Icons, AlphaIconsComposeOverTheDestinationAndWriteItsAlpha) {
  Surface color(3, 1, 0);
  color.at(0, 0) = 0xFF102030u;  // opaque
  color.at(1, 0) = 0x00FF00FFu;  // transparent
  color.at(2, 0) = 0x80FF0000u;  // half red
  HBITMAP mask = maskOf(3, {"000"});
  ICONINFO ii{TRUE, 0, 0, mask, color.bitmap};
  HICON icon = CreateIconIndirect(&ii);
  ASSERT_NE(icon, nullptr);

  Surface target(3, 1, 0x00FFFFFFu);  // white with alpha 0, as a picture is drawn on
  ASSERT_TRUE(DrawIconEx(target.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(target.at(0, 0), 0xFF102030u);
  EXPECT_EQ(target.at(1, 0), 0x00FFFFFFu) << "alpha 0 leaves the destination";
  // red (255 * 128 + 255 * 127 + 127) / 255 = 255; green and blue (0 + 255 * 127 + 127) / 255 = 127;
  // alpha 128 + (0 * 127 + 127) / 255 = 128.
  EXPECT_EQ(target.at(2, 0), 0x80FF7F7Fu);

  Surface opaque(3, 1, 0xFF0000FFu);
  ASSERT_TRUE(DrawIconEx(opaque.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
  // blue (0 + 255 * 127 + 127) / 255 = 127; alpha 128 + (255 * 127 + 127) / 255 = 255.
  EXPECT_EQ(opaque.at(2, 0), 0xFF80007Fu);

  // GetIconInfo hands out new bitmaps holding the same pixels.
  ICONINFO got{};
  ASSERT_TRUE(GetIconInfo(icon, &got));
  EXPECT_TRUE(got.fIcon);
  ASSERT_NE(got.hbmColor, nullptr);
  ASSERT_NE(got.hbmMask, nullptr);
  EXPECT_NE(got.hbmColor, color.bitmap);
  EXPECT_NE(got.hbmMask, mask);
  BITMAP bm{};
  GetObjectW(got.hbmColor, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 3);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  GetObjectW(got.hbmMask, sizeof bm, &bm);
  EXPECT_EQ(bm.bmHeight, 1);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  Surface copy(3, 1, 0);
  HDC source = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(source, got.hbmColor);
  BitBlt(copy.dc, 0, 0, 3, 1, source, 0, 0, SRCCOPY);
  EXPECT_EQ(copy.at(2, 0), 0x80FF0000u) << "the colour keeps its alpha";
  SelectObject(source, old);
  DeleteDC(source);
  EXPECT_TRUE(DeleteObject(got.hbmColor));
  EXPECT_TRUE(DeleteObject(got.hbmMask));
  EXPECT_TRUE(DestroyIcon(icon));
  DeleteObject(mask);
}

TEST(Icons, MaskIconsAndThenXorTheColourBytesOnly) {
  // A 24-bit colour bitmap has no alpha: the mask decides.
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 4, -1, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP color = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const uint8_t bgr[] = {0x30, 0x20, 0x10, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x0F, 0x0F, 0x0F};
  std::memcpy(bits, bgr, sizeof bgr);
  HBITMAP mask = maskOf(4, {"0111"});
  ICONINFO ii{TRUE, 0, 0, mask, color};
  HICON icon = CreateIconIndirect(&ii);
  ASSERT_NE(icon, nullptr);

  Surface target(4, 1, 0x80A0B0C0u);
  target.at(3, 0) = 0x00FFFFFFu;
  ASSERT_TRUE(DrawIconEx(target.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(target.at(0, 0), 0x80102030u) << "opaque: the colour, the alpha byte left";
  EXPECT_EQ(target.at(1, 0), 0x80A0B0C0u) << "transparent over black: unchanged";
  EXPECT_EQ(target.at(2, 0), 0x805F4F3Fu) << "transparent over white: inverted";
  EXPECT_EQ(target.at(3, 0), 0x00F0F0F0u);

  Surface masks(4, 1, 0x11223344u);
  ASSERT_TRUE(DrawIconEx(masks.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_MASK));
  EXPECT_EQ(masks.at(0, 0), 0x11000000u);
  EXPECT_EQ(masks.at(1, 0), 0x11FFFFFFu);
  Surface images(4, 1, 0x11223344u);
  ASSERT_TRUE(DrawIconEx(images.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_IMAGE));
  EXPECT_EQ(images.at(1, 0), 0x11000000u) << "the image alone is copied whole";
  EXPECT_EQ(images.at(2, 0), 0x11FFFFFFu);

  // Stretched to twice the size, with a flicker-free brush filling first, into a 24-bit bitmap.
  BITMAPINFO info24 = info;
  info24.bmiHeader.biWidth = 8;
  info24.bmiHeader.biHeight = -2;
  void* bits24 = nullptr;
  HBITMAP out = CreateDIBSection(nullptr, &info24, DIB_RGB_COLORS, &bits24, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, out);
  HBRUSH grey = CreateSolidBrush(RGB(0x40, 0x40, 0x40));
  ASSERT_TRUE(DrawIconEx(dc, 0, 0, icon, 8, 2, 0, grey, DI_NORMAL));
  const auto* p = static_cast<const uint8_t*>(bits24);
  EXPECT_EQ(p[3 * 1 + 0], 0x30) << "pixel 1 comes from icon pixel 0";
  EXPECT_EQ(p[3 * 2], 0x40) << "the brush shows through";
  EXPECT_EQ(p[3 * 4], 0xBF) << "grey inverted";
  EXPECT_EQ(p[24 + 3 * 7], 0x4F) << "the second row too";
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(out);
  DeleteObject(grey);

  ICONINFO got{};
  ASSERT_TRUE(GetIconInfo(icon, &got));
  HDC source = CreateCompatibleDC(nullptr);
  old = SelectObject(source, got.hbmMask);
  Surface maskCopy(4, 1, 0);
  BitBlt(maskCopy.dc, 0, 0, 4, 1, source, 0, 0, SRCCOPY);
  EXPECT_EQ(maskCopy.at(0, 0) & 0x00FFFFFFu, 0u);
  EXPECT_EQ(maskCopy.at(3, 0) & 0x00FFFFFFu, 0x00FFFFFFu) << "the mask is kept";
  SelectObject(source, old);
  DeleteDC(source);
  DeleteObject(got.hbmColor);
  DeleteObject(got.hbmMask);
  DestroyIcon(icon);
  DeleteObject(mask);
  DeleteObject(color);
}

TEST(Icons, MonochromeIconsAndFailures) {
  // AND rows over XOR rows: opaque black, opaque white, transparent, inverted.
  HBITMAP mask = maskOf(4, {"0011", "0101"});
  ICONINFO ii{TRUE, 0, 0, mask, nullptr};
  HICON icon = CreateIconIndirect(&ii);
  ASSERT_NE(icon, nullptr);
  Surface target(4, 1, 0xFF808080u);
  ASSERT_TRUE(DrawIconEx(target.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(target.at(0, 0), 0xFF000000u);
  EXPECT_EQ(target.at(1, 0), 0xFFFFFFFFu);
  EXPECT_EQ(target.at(2, 0), 0xFF808080u);
  EXPECT_EQ(target.at(3, 0), 0xFF7F7F7Fu);
  ICONINFO got{};
  ASSERT_TRUE(GetIconInfo(icon, &got));
  EXPECT_EQ(got.hbmColor, nullptr);
  BITMAP bm{};
  GetObjectW(got.hbmMask, sizeof bm, &bm);
  EXPECT_EQ(bm.bmHeight, 2) << "AND and XOR halves";
  DeleteObject(got.hbmMask);
  EXPECT_TRUE(DestroyIcon(icon));
  DeleteObject(mask);

  SetLastError(0);
  EXPECT_FALSE(DrawIconEx(target.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL)) << "a destroyed icon";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ICON_HANDLE));
  EXPECT_FALSE(GetIconInfo(icon, &got));
  ICONINFO nothing{TRUE, 0, 0, nullptr, nullptr};
  EXPECT_EQ(CreateIconIndirect(&nothing), nullptr);
  HICON app = LoadIconW(nullptr, IDI_APPLICATION);
  EXPECT_TRUE(DrawIconEx(target.dc, 0, 0, app, 0, 0, 0, nullptr, DI_NORMAL)) << "the stock icon draws";
}

}  // namespace
