// Conformance of icons made from resource bytes: CreateIconFromResourceEx and
// CreateIconFromResource at every depth, transparency from the mask or from 32-bit alpha (the
// mask again when every alpha byte is 0), cursors with their hot spot, and the refused forms.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// The bytes of one icon resource: a 40-byte header with the height doubled, the table, the
// colour rows and the mask rows, both bottom-up. `row(x, y)` gives the pixel value at the depth
// (an index at 8 bits or fewer), `masked(x, y)` whether the background shows through.
template <typename Row, typename Masked>
std::vector<BYTE> entryOf(int width, int height, int bits, const std::vector<uint32_t>& table, Row row, Masked masked) {
  const int stride = (width * bits + 31) / 32 * 4;
  const int maskStride = (width + 31) / 32 * 4;
  BITMAPINFOHEADER header{
      40, width, 2 * height, 1, static_cast<WORD>(bits), BI_RGB, 0, 0, 0, static_cast<DWORD>(table.size()), 0};
  std::vector<BYTE> out(sizeof(header));
  std::memcpy(out.data(), &header, sizeof(header));
  for (uint32_t c : table) {
    for (int b = 0; b < 4; ++b) out.push_back(static_cast<BYTE>(c >> (8 * b)));
  }
  for (int y = height - 1; y >= 0; --y) {
    std::vector<BYTE> line(static_cast<size_t>(stride), 0);
    for (int x = 0; x < width; ++x) {
      const uint32_t v = row(x, y);
      const int bit = x * bits;
      if (bits < 8) {
        line[static_cast<size_t>(bit / 8)] |= static_cast<BYTE>(v << (8 - bits - bit % 8));
      } else {
        for (int b = 0; b < bits / 8; ++b) line[static_cast<size_t>(bit / 8 + b)] = static_cast<BYTE>(v >> (8 * b));
      }
    }
    out.insert(out.end(), line.begin(), line.end());
  }
  for (int y = height - 1; y >= 0; --y) {
    std::vector<BYTE> line(static_cast<size_t>(maskStride), 0);
    for (int x = 0; x < width; ++x) {
      if (masked(x, y)) line[static_cast<size_t>(x / 8)] |= static_cast<BYTE>(0x80 >> (x % 8));
    }
    out.insert(out.end(), line.begin(), line.end());
  }
  return out;
}

// The icon drawn with DrawIconEx onto a top-down 32-bit surface of `background`, read back.
std::vector<uint32_t> drawn(HICON icon, int width, int height, uint32_t background) {
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HDC dc = CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  HBITMAP surface = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, surface);
  auto* pixels = static_cast<uint32_t*>(bits);
  for (int i = 0; i < width * height; ++i) pixels[i] = background;
  EXPECT_TRUE(DrawIconEx(dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
  std::vector<uint32_t> out(pixels, pixels + width * height);
  SelectObject(dc, old);
  DeleteObject(surface);
  DeleteDC(dc);
  return out;
}

constexpr uint32_t kBackground = 0xFF336699u;

// A 3 x 2 picture at each palette depth: index (x + y) % 2 + 1 except the masked top-left pixel,
// which is index 0 (black), so the background shows through unchanged there.
void checkPaletted(int bits) {
  std::vector<uint32_t> table(static_cast<size_t>(1) << bits, 0);
  table[1] = 0x00FF0000u;
  table[bits == 1 ? 0 : 2] = bits == 1 ? 0 : 0x000000FFu;
  auto index = [&](int x, int y) -> uint32_t {
    if (x == 0 && y == 0) return 0;
    return bits == 1 ? 1 : static_cast<uint32_t>((x + y) % 2 + 1);
  };
  std::vector<BYTE> entry = entryOf(3, 2, bits, table, index, [](int x, int y) { return x == 0 && y == 0; });
  HICON icon =
      CreateIconFromResourceEx(entry.data(), static_cast<DWORD>(entry.size()), TRUE, 0x00030000, 3, 2, LR_DEFAULTCOLOR);
  ASSERT_NE(icon, nullptr) << bits << " bits";
  std::vector<uint32_t> got = drawn(icon, 3, 2, kBackground);
  EXPECT_EQ(got[0], kBackground) << bits << " bits";
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      if (x == 0 && y == 0) continue;
      EXPECT_EQ(got[static_cast<size_t>(y * 3 + x)], 0xFF000000u | table[index(x, y)])
          << bits << " bits at " << x << "," << y;
    }
  }
  EXPECT_TRUE(DestroyIcon(icon));
}

TEST(IconResources, PalettedDepthsTakeTheirTableAndTheMask) {
  checkPaletted(1);
  checkPaletted(4);
  checkPaletted(8);
}

TEST(IconResources, TrueColourDepthsWithoutAlphaTakeTheMask) {
  // 16 bits are 5-5-5: pure red and pure blue.
  std::vector<BYTE> e16 = entryOf(
      2, 1, 16, {}, [](int x, int) -> uint32_t { return x == 0 ? 0x7C00u : 0x001Fu; },
      [](int x, int) { return x == 0; });
  HICON i16 =
      CreateIconFromResourceEx(e16.data(), static_cast<DWORD>(e16.size()), TRUE, 0x00030000, 0, 0, LR_DEFAULTCOLOR);
  ASSERT_NE(i16, nullptr);
  std::vector<uint32_t> got = drawn(i16, 2, 1, kBackground);
  // The masked pixel's colour is XORed onto the background, as Windows draws it.
  EXPECT_EQ(got[0] & 0x00FF0000u, (kBackground ^ 0x00FF0000u) & 0x00FF0000u);
  EXPECT_EQ(got[1], 0xFF0000FFu);
  DestroyIcon(i16);

  std::vector<BYTE> e24 = entryOf(
      2, 2, 24, {}, [](int x, int y) -> uint32_t { return x == 0 && y == 0 ? 0 : 0x00102030u + x + 16 * y; },
      [](int x, int y) { return x == 0 && y == 0; });
  HICON i24 = CreateIconFromResource(e24.data(), static_cast<DWORD>(e24.size()), TRUE, 0x00030000);
  ASSERT_NE(i24, nullptr);
  got = drawn(i24, 2, 2, kBackground);
  EXPECT_EQ(got[0], kBackground);
  EXPECT_EQ(got[1], 0xFF102031u);
  EXPECT_EQ(got[2], 0xFF102040u);
  EXPECT_EQ(got[3], 0xFF102041u);
  DestroyIcon(i24);
}

TEST(IconResources, ThirtyTwoBitsTakeAlphaOrTheMaskWhenEveryAlphaIsZero) {
  // With alpha the mask is not used: the left pixel is half-transparent red, the right opaque.
  std::vector<BYTE> alpha = entryOf(
      2, 1, 32, {}, [](int x, int) -> uint32_t { return x == 0 ? 0x80FF0000u : 0xFF00FF00u; },
      [](int, int) { return true; });
  HICON icon =
      CreateIconFromResourceEx(alpha.data(), static_cast<DWORD>(alpha.size()), TRUE, 0x00030000, 2, 1, LR_DEFAULTCOLOR);
  ASSERT_NE(icon, nullptr);
  std::vector<uint32_t> got = drawn(icon, 2, 1, 0xFF000000u);
  EXPECT_EQ(got[0], 0xFF800000u);
  EXPECT_EQ(got[1], 0xFF00FF00u);
  DestroyIcon(icon);

  // Older 32-bit icons leave alpha 0 everywhere and rely on the mask.
  std::vector<BYTE> old = entryOf(
      2, 1, 32, {}, [](int x, int) -> uint32_t { return x == 0 ? 0 : 0x0000FF00u; }, [](int x, int) { return x == 0; });
  icon = CreateIconFromResourceEx(old.data(), static_cast<DWORD>(old.size()), TRUE, 0x00030000, 0, 0, LR_DEFAULTCOLOR);
  ASSERT_NE(icon, nullptr);
  got = drawn(icon, 2, 1, kBackground);
  EXPECT_EQ(got[0], kBackground);
  EXPECT_EQ(got[1], 0xFF00FF00u);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  EXPECT_TRUE(info.fIcon);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(icon);
}

TEST(IconResources, CursorsBeginWithTheirHotSpot) {
  std::vector<BYTE> image = entryOf(
      4, 4, 32, {}, [](int, int) -> uint32_t { return 0xFF000000u; }, [](int, int) { return false; });
  std::vector<BYTE> cursor = {3, 0, 2, 0};
  cursor.insert(cursor.end(), image.begin(), image.end());
  HICON icon = CreateIconFromResourceEx(cursor.data(), static_cast<DWORD>(cursor.size()), FALSE, 0x00030000, 0, 0,
                                        LR_DEFAULTCOLOR);
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 3u);
  EXPECT_EQ(info.yHotspot, 2u);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(icon);
}

TEST(IconResources, RefusedFormsFailWithTheirErrorAndReadNothingPastTheSize) {
  auto good = [] {
    return entryOf(
        4, 4, 8, std::vector<uint32_t>(4, 0x00FFFFFFu), [](int, int) -> uint32_t { return 1; },
        [](int, int) { return false; });
  };
  auto fails = [](std::vector<BYTE> e, DWORD size, DWORD version, int cx, UINT flags, DWORD error) {
    SetLastError(0);
    HICON icon = CreateIconFromResourceEx(e.data(), size, TRUE, version, cx, 0, flags);
    EXPECT_EQ(icon, nullptr);
    EXPECT_EQ(GetLastError(), error);
    if (icon != nullptr) DestroyIcon(icon);
  };
  std::vector<BYTE> e = good();
  const DWORD size = static_cast<DWORD>(e.size());
  // A copy that ends exactly at the given size: the mask's last byte is missing.
  std::vector<BYTE> cut(e.begin(), e.end() - 1);
  fails(cut, size - 1, 0x00030000, 0, 0, ERROR_INVALID_DATA);
  fails(e, 39, 0x00030000, 0, 0, ERROR_INVALID_DATA);
  fails(e, size, 0x00010000, 0, 0, ERROR_INVALID_PARAMETER);
  fails(e, size, 0x00030000, 32, 0, ERROR_INVALID_PARAMETER);  // no scaling
  fails(e, size, 0x00030000, 0, LR_MONOCHROME, ERROR_INVALID_PARAMETER);
  std::vector<BYTE> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  png.resize(64, 0);
  fails(png, 64, 0x00030000, 0, 0, ERROR_INVALID_DATA);
  auto patched = [&](size_t at, uint32_t value, int bytes) {
    std::vector<BYTE> p = good();
    for (int b = 0; b < bytes; ++b) p[at + static_cast<size_t>(b)] = static_cast<BYTE>(value >> (8 * b));
    return p;
  };
  fails(patched(0, 12, 4), size, 0x00030000, 0, 0, ERROR_INVALID_DATA);    // a core header
  fails(patched(8, 7, 4), size, 0x00030000, 0, 0, ERROR_INVALID_DATA);     // an odd doubled height
  fails(patched(14, 2, 2), size, 0x00030000, 0, 0, ERROR_INVALID_DATA);    // two bits a pixel
  fails(patched(16, 1, 4), size, 0x00030000, 0, 0, ERROR_INVALID_DATA);    // run-length rows
  fails(patched(32, 300, 4), size, 0x00030000, 0, 0, ERROR_INVALID_DATA);  // colours used 300
  fails(patched(32, 200, 4), size, 0x00030000, 0, 0, ERROR_INVALID_DATA);  // a table past the end
  EXPECT_EQ(CreateIconFromResource(nullptr, 100, TRUE, 0x00030000), nullptr);
}

}  // namespace
