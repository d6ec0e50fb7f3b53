// Icon images: entries read at every depth with their tables, masks and alpha; the icon-entry
// form written back; images made from buffers at 4, 8, 24 and 32 bits; the platform icon; and
// hostile entries refused or read only as far as they go.
#include "imaging/ico/win/IconImage.h"

#include "core/col/array/ArrayU08.h"
#include "imaging/tests/Pictures.h"
#include "imaging/win/BufferedImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using lumetra::imaging_test::toImage;
using lumetra::imaging_test::toPicture;
using lumetra::testlib::Picture;
using s::col::_array::ArrayU08;
using s::image::ico::win::IconImage;
using s::image::win::BufferedImage;

void put32(std::vector<uint8_t>& v, size_t at, uint32_t value) {
  for (int b = 0; b < 4; ++b) v[at + b] = static_cast<uint8_t>(value >> (8 * b));
}

// An entry in icon-entry form; `value(x, y)` is the pixel at the depth (an index at 8 bits or
// fewer), `masked(x, y)` its mask bit. `used` is the header's colours-used value.
template <typename Value, typename Masked>
std::vector<uint8_t> entryOf(int32_t width, int32_t height, int32_t bits,
                             const std::vector<uint32_t>& table, uint32_t used, Value value,
                             Masked masked) {
  const int32_t stride = (width * bits + 31) / 32 * 4;
  const int32_t maskStride = (width + 31) / 32 * 4;
  std::vector<uint8_t> out(40, 0);
  put32(out, 0, 40);
  put32(out, 4, static_cast<uint32_t>(width));
  put32(out, 8, static_cast<uint32_t>(2 * height));
  out[12] = 1;
  out[14] = static_cast<uint8_t>(bits);
  put32(out, 32, used);
  for (uint32_t c : table) {
    for (int b = 0; b < 4; ++b) out.push_back(static_cast<uint8_t>(c >> (8 * b)));
  }
  for (int32_t y = height - 1; y >= 0; --y) {
    std::vector<uint8_t> line(static_cast<size_t>(stride), 0);
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t v = value(x, y);
      const int32_t bit = x * bits;
      if (bits < 8) {
        line[bit / 8] |= static_cast<uint8_t>(v << (8 - bits - bit % 8));
      } else {
        for (int32_t b = 0; b < bits / 8; ++b)
          line[bit / 8 + b] = static_cast<uint8_t>(v >> (8 * b));
      }
    }
    out.insert(out.end(), line.begin(), line.end());
  }
  for (int32_t y = height - 1; y >= 0; --y) {
    std::vector<uint8_t> line(static_cast<size_t>(maskStride), 0);
    for (int32_t x = 0; x < width; ++x) {
      if (masked(x, y)) line[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
    out.insert(out.end(), line.begin(), line.end());
  }
  return out;
}

bool readEntry(IconImage* icon, const std::vector<uint8_t>& bytes) {
  ArrayU08* in = ArrayU08::take();
  in->add(bytes.data(), static_cast<uint32_t>(bytes.size()));
  in->rewind();
  const bool ok = icon->read(in);
  in->release();
  return ok;
}

std::vector<uint8_t> written(IconImage* icon) {
  ArrayU08* out = ArrayU08::take();
  EXPECT_TRUE(icon->write(out));
  std::vector<uint8_t> bytes(out->getItems(), out->getItems() + out->getCount());
  out->release();
  return bytes;
}

Picture decoded(IconImage* icon, bool* hasAlpha = nullptr) {
  BufferedImage* image = icon->getImage(0, nullptr);
  Picture picture = toPicture(image);
  if (hasAlpha != nullptr) *hasAlpha = image->hasAlpha();
  image->release();
  return picture;
}

auto none = [](int32_t, int32_t) { return false; };

TEST(IconImage, HeaderRulesGiveTableStrideAndMaskStride) {
  IconImage* icon = IconImage::take();
  EXPECT_EQ(std::u16string(icon->getClassName()), u"s_image_ico_win_IconImage");
  EXPECT_EQ(icon->getBitCount(), 32);
  EXPECT_TRUE(icon->hasFrames());
  EXPECT_EQ(icon->getFrameCount(), 1);
  EXPECT_EQ(icon->createLike(nullptr), nullptr);
  // 16 x 16 at 4 bits without a colours-used value: the whole 16-colour table.
  std::vector<uint32_t> table(16, 0);
  table[3] = 0x00123456u;
  ASSERT_TRUE(readEntry(icon, entryOf(
                                  16, 16, 4, table, 0, [](int32_t, int32_t) { return 3u; }, none)));
  EXPECT_EQ(icon->getWidth(), 16);
  EXPECT_EQ(icon->getHeight(), 16);
  EXPECT_EQ(icon->getColorCount(), 16);
  EXPECT_EQ(icon->getColorTableSize(), 64);
  EXPECT_EQ(icon->getStride(), 8);
  EXPECT_EQ(icon->getMaskStride(), 4);
  bool alpha = true;
  Picture p = decoded(icon, &alpha);
  EXPECT_FALSE(alpha);
  EXPECT_EQ(p.at(5, 7), 0xFF123456u);
  // A colours-used value is the table's size.
  ASSERT_TRUE(
      readEntry(icon, entryOf(
                          4, 2, 8, {0x00FF0000u, 0x0000FF00u}, 2,
                          [](int32_t x, int32_t) { return static_cast<uint32_t>(x % 2); }, none)));
  EXPECT_EQ(icon->getColorCount(), 2);
  p = decoded(icon);
  EXPECT_EQ(p.at(0, 0), 0xFFFF0000u);
  EXPECT_EQ(p.at(1, 1), 0xFF00FF00u);
  icon->release();
}

TEST(IconImage, TransparencyComesFromAlphaOrFromTheMask) {
  IconImage* icon = IconImage::take();
  // 32 bits, alpha 255 everywhere: no alpha; one 254 makes it translucent.
  bool alpha = true;
  ASSERT_TRUE(
      readEntry(icon, entryOf(
                          3, 3, 32, {}, 0, [](int32_t, int32_t) { return 0xFF102030u; }, none)));
  Picture p = decoded(icon, &alpha);
  EXPECT_FALSE(alpha);
  EXPECT_EQ(p.at(2, 2), 0xFF102030u);
  ASSERT_TRUE(readEntry(
      icon, entryOf(
                3, 3, 32, {}, 0,
                [](int32_t x, int32_t y) { return x == 1 && y == 2 ? 0xFE102030u : 0xFF102030u; },
                none)));
  p = decoded(icon, &alpha);
  EXPECT_TRUE(alpha);
  EXPECT_EQ(p.at(1, 2), 0xFE102030u);
  // An 8-bit entry with the mask bit of (0, 0) set.
  ASSERT_TRUE(readEntry(
      icon, entryOf(
                9, 2, 8, {0x00000000u, 0x00FFFFFFu}, 2, [](int32_t, int32_t) { return 1u; },
                [](int32_t x, int32_t y) { return x == 0 && y == 0; })));
  p = decoded(icon, &alpha);
  EXPECT_TRUE(alpha);
  EXPECT_EQ(p.at(0, 0) >> 24, 0u);
  EXPECT_EQ(p.at(8, 0), 0xFFFFFFFFu);
  EXPECT_EQ(p.at(0, 1), 0xFFFFFFFFu);
  // 32 bits whose alpha bytes are all 0 rely on the mask, as older icons do.
  ASSERT_TRUE(readEntry(icon, entryOf(
                                  2, 1, 32, {}, 0, [](int32_t, int32_t) { return 0x00ABCDEFu; },
                                  [](int32_t x, int32_t) { return x == 1; })));
  p = decoded(icon, &alpha);
  EXPECT_TRUE(alpha);
  EXPECT_EQ(p.at(0, 0), 0xFFABCDEFu);
  EXPECT_EQ(p.at(1, 0) >> 24, 0u);
  icon->release();
}

TEST(IconImage, EntriesComeBackByteForByteAtEveryDepth) {
  for (int32_t bits : {1, 4, 8, 16, 24, 32}) {
    std::vector<uint32_t> table;
    if (bits <= 8) {
      for (int32_t i = 0; i < (1 << bits); ++i)
        table.push_back(0x00010203u * static_cast<uint32_t>(i));
    }
    const std::vector<uint8_t> entry = entryOf(
        13, 5, bits, table, 0,
        [bits](int32_t x, int32_t y) {
          return static_cast<uint32_t>(x * 7 + y * 3 + 0x10203040) &
                 (bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1);
        },
        [](int32_t x, int32_t y) { return (x + y) % 3 == 0; });
    IconImage* icon = IconImage::take();
    ASSERT_TRUE(readEntry(icon, entry)) << bits;
    EXPECT_EQ(written(icon), entry) << bits << " bits";
    lumetra::imaging_test::keepSeed(IMAGING_FUZZ_SEEDS, "ico",
                                    "13x5_" + std::to_string(bits) + ".entry", entry);
    ArrayU08* raw = icon->getRawBytes();
    EXPECT_EQ(std::vector<uint8_t>(raw->getItems(), raw->getItems() + raw->getCount()), entry);
    icon->release();
  }
}

TEST(IconImage, LargestEntryFormHasTheHeightDoubled) {
  IconImage* icon = IconImage::take();
  Picture picture(255, 255, 0xFF336699u);
  BufferedImage* image = toImage(picture);
  ASSERT_TRUE(icon->createFromImage(image, 32, true, 255, 255, 255));
  const std::vector<uint8_t> bytes = written(icon);
  ASSERT_GE(bytes.size(), 40u);
  EXPECT_EQ(bytes[8] | bytes[9] << 8, 510);
  EXPECT_EQ(bytes.size(), 40u + 255u * 255u * 4u + 32u * 255u);
  image->release();
  icon->release();
}

TEST(IconImage, LargerImagesAreWrittenAsPngAndReadBack) {
  Picture picture(256, 256, 0xFF336699u);
  picture.at(3, 5) = 0x00000000u;
  picture.at(200, 100) = 0x80FF0000u;
  BufferedImage* image = toImage(picture);
  IconImage* icon = IconImage::take();
  ASSERT_TRUE(icon->createFromImage(image, 32, true, 255, 255, 255));
  const std::vector<uint8_t> bytes = written(icon);
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 8),
            (std::vector<uint8_t>{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}));
  IconImage* again = IconImage::take();
  ASSERT_TRUE(readEntry(again, bytes));
  EXPECT_EQ(again->getBitCount(), 32);
  EXPECT_EQ(again->getWidth(), 256);
  const Picture p = decoded(again);
  EXPECT_EQ(p.at(0, 0), 0xFF336699u);
  EXPECT_EQ(p.at(3, 5) >> 24, 0u);
  EXPECT_EQ(p.at(200, 100), 0x80FF0000u);
  EXPECT_NE(again->getMaskLine(5)[0] & 0x10, 0) << "the mask marks alpha 0";
  // A PNG entry that does not decode is refused like any other.
  std::vector<uint8_t> broken(bytes.begin(), bytes.begin() + 20);
  EXPECT_FALSE(readEntry(again, broken));
  EXPECT_EQ(again->getWidth(), 0);
  again->release();
  icon->release();
  image->release();
}

TEST(IconImage, MadeFromImagesAtEachDepth) {
  // Opaque colours with one transparent and one faint pixel.
  Picture picture(6, 4, 0xFF0000FFu);
  for (int32_t x = 0; x < 6; ++x) picture.at(x, 1) = 0xFFFF0000u;
  picture.at(0, 0) = 0x00000000u;
  picture.at(5, 3) = 0x10FFFFFFu;  // below the binary threshold of 32
  picture.at(4, 3) = 0x80FF0000u;  // above it
  BufferedImage* image = toImage(picture);
  for (int32_t bits : {4, 8}) {
    IconImage* icon = IconImage::take();
    ASSERT_TRUE(icon->createFromImage(image, bits, true, 255, 255, 255)) << bits;
    EXPECT_EQ(icon->getBitCount(), bits);
    // The last index is the transparent one, black in the table.
    const int32_t transparent = (1 << bits) - 1;
    auto indexAt = [&](int32_t x, int32_t y) {
      const uint8_t b = icon->getLine(y)[bits == 8 ? x : x / 2];
      return bits == 8 ? b : (x % 2 == 0 ? b >> 4 : b & 15);
    };
    EXPECT_EQ(indexAt(0, 0), transparent);
    EXPECT_EQ(indexAt(5, 3), transparent);
    EXPECT_NE(indexAt(4, 3), transparent);
    EXPECT_EQ(icon->getColorTable()[transparent].rgbRed, 0);
    EXPECT_NE(icon->getMaskLine(0)[0] & 0x80, 0);
    EXPECT_NE(icon->getMaskLine(3)[0] & 0x04, 0);
    EXPECT_EQ(icon->getMaskLine(3)[0] & 0x08, 0);
    Picture p = decoded(icon);
    EXPECT_EQ(p.at(0, 0) >> 24, 0u);
    EXPECT_EQ(p.at(4, 3), 0xFFFF0000u);
    EXPECT_EQ(p.at(1, 1), 0xFFFF0000u);
    EXPECT_EQ(p.at(1, 2), 0xFF0000FFu);
    icon->release();
  }
  // 32 bits keep alpha as it is; the mask marks only alpha 0.
  IconImage* icon = IconImage::take();
  ASSERT_TRUE(icon->createFromImage(image, 32, true, 255, 255, 255));
  bool alpha = false;
  Picture p = decoded(icon, &alpha);
  EXPECT_TRUE(alpha);
  EXPECT_EQ(p.at(4, 3), 0x80FF0000u);
  EXPECT_EQ(p.at(5, 3), 0x10FFFFFFu);
  EXPECT_NE(icon->getMaskLine(0)[0] & 0x80, 0);
  EXPECT_EQ(icon->getMaskLine(3)[0] & 0x04, 0);
  // Without keepAlpha the image is composed over the colour and the mask stays clear.
  ASSERT_TRUE(icon->createFromImage(image, 8, false, 0, 255, 0));
  for (int32_t y = 0; y < 4; ++y) EXPECT_EQ(icon->getMaskLine(y)[0], 0) << y;
  p = decoded(icon, &alpha);
  EXPECT_FALSE(alpha);
  EXPECT_EQ(p.at(0, 0), 0xFF00FF00u);
  ASSERT_TRUE(icon->createFromImage(image, 24, false, 0, 255, 0));
  p = decoded(icon);
  EXPECT_EQ(p.at(0, 0), 0xFF00FF00u);
  EXPECT_EQ(p.at(2, 1), 0xFFFF0000u);
  icon->release();
  image->release();
}

TEST(IconImage, PlatformIconShowsTheDecodedPixels) {
  Picture picture(4, 3, 0xFF204060u);
  picture.at(1, 1) = 0x00000000u;
  picture.at(2, 2) = 0x80FFFFFFu;
  BufferedImage* image = toImage(picture);
  for (int32_t bits : {8, 32}) {
    IconImage* icon = IconImage::take();
    ASSERT_TRUE(icon->createFromImage(image, bits, true, 255, 255, 255));
    HICON handle = icon->createIcon();
    ASSERT_NE(handle, nullptr) << bits;
    EXPECT_GT(icon->getRawBytes()->getCount(), 40u);
    // The icon's colour bitmap and its mask, copied out as GetIconInfo hands them over.
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(handle, &info));
    auto copied = [](HBITMAP bitmap) {
      BufferedImage* out = BufferedImage::takeSized(4, 3);
      HDC source = CreateCompatibleDC(nullptr);
      HDC target = CreateCompatibleDC(nullptr);
      HGDIOBJ oldSource = SelectObject(source, bitmap);
      HGDIOBJ oldTarget = SelectObject(target, out->getHBitmap());
      EXPECT_TRUE(BitBlt(target, 0, 0, 4, 3, source, 0, 0, SRCCOPY));
      SelectObject(source, oldSource);
      SelectObject(target, oldTarget);
      DeleteDC(source);
      DeleteDC(target);
      Picture picture = toPicture(out);
      out->release();
      return picture;
    };
    const Picture colour = copied(info.hbmColor);
    const Picture mask = copied(info.hbmMask);
    const Picture expected = decoded(icon);
    for (int32_t y = 0; y < 3; ++y) {
      for (int32_t x = 0; x < 4; ++x) {
        const bool transparent = expected.at(x, y) >> 24 == 0;
        EXPECT_EQ(mask.at(x, y) & 0x00FFFFFFu, transparent ? 0x00FFFFFFu : 0u)
            << bits << " at " << x << "," << y;
        if (bits == 32) {
          EXPECT_EQ(colour.at(x, y), expected.at(x, y)) << x << "," << y;
        } else if (!transparent) {
          EXPECT_EQ(colour.at(x, y) & 0x00FFFFFFu, expected.at(x, y) & 0x00FFFFFFu)
              << x << "," << y;
        }
      }
    }
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(handle);
    icon->release();
  }
  image->release();
}

TEST(IconImage, HostileEntriesAreRefusedOrReadAsFarAsTheyGo) {
  const auto good = [] {
    return entryOf(
        8, 8, 8, std::vector<uint32_t>(256, 0x00FFFFFFu), 0, [](int32_t, int32_t) { return 7u; },
        [](int32_t, int32_t) { return true; });
  };
  auto patched = [&](size_t at, uint32_t value, int bytes) {
    std::vector<uint8_t> v = good();
    for (int b = 0; b < bytes; ++b) v[at + b] = static_cast<uint8_t>(value >> (8 * b));
    return v;
  };
  IconImage* icon = IconImage::take();
  const std::vector<std::pair<const char*, std::vector<uint8_t>>> refused = {
      {"header size 12", patched(0, 12, 4)},
      {"header size past the entry", patched(0, 5000, 4)},
      {"zero width", patched(4, 0, 4)},
      {"negative width", patched(4, 0xFFFFFFF0u, 4)},
      {"odd doubled height", patched(8, 15, 4)},
      {"top-down", patched(8, 0xFFFFFFF0u, 4)},
      {"65535 a side", patched(4, 65535, 4)},
      {"two planes", patched(12, 2, 2)},
      {"two bits", patched(14, 2, 2)},
      {"run-length", patched(16, 1, 4)},
      {"colours used 300", patched(32, 300, 4)},
      {"header only cut", std::vector<uint8_t>(40 - 1, 40)},
  };
  for (const auto& [what, bytes] : refused) {
    EXPECT_FALSE(readEntry(icon, bytes)) << what;
    EXPECT_EQ(icon->getWidth(), 0) << what;
    EXPECT_EQ(icon->getBits(), nullptr) << what;
  }
  // Cut inside its rows: what the entry holds is read, the rest stays zero.
  std::vector<uint8_t> cut = good();
  cut.resize(40 + 1024 + 8 * 3);
  // Each truncated copy lies in a block of its own size, so a read past it shows in the
  // sanitizer build.
  ASSERT_TRUE(readEntry(icon, cut));
  EXPECT_EQ(icon->getLine(7)[0], 7);
  EXPECT_EQ(icon->getLine(5)[0], 7);
  EXPECT_EQ(icon->getLine(4)[0], 0);
  EXPECT_EQ(icon->getMaskLine(7)[0], 0);
  const std::vector<uint8_t> whole = good();
  for (size_t size = 40; size < whole.size(); size += 7) {
    std::vector<uint8_t> part(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(size));
    EXPECT_TRUE(readEntry(icon, part)) << size;
    BufferedImage* image = icon->getImage(0, nullptr);
    EXPECT_EQ(image->getWidth(), 8);
    image->release();
  }
  icon->release();
}

}  // namespace
