// BMP images: the headers createDib makes, pixel-exact round trips at every depth we write,
// DIBs without file header, the colour key, icons, and hostile files refused with an empty image.
#include "imaging/bmp/win/Bitmap.h"

#include "core/col/array/ArrayU08.h"
#include "imaging/tests/Pictures.h"
#include "imaging/win/BufferedImage.h"
#include "testlib/ImageGen.h"
#include "testlib/TempDir.h"

#include <windows.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using lumetra::imaging_test::toImage;
using lumetra::imaging_test::toPicture;
using lumetra::testlib::makeAlphaRamp;
using lumetra::testlib::makeFewColours;
using lumetra::testlib::makeGradient;
using lumetra::testlib::Picture;
using s::col::_array::ArrayU08;
using s::image::bmp::win::Bitmap;
using s::image::win::BufferedImage;

namespace {

std::vector<uint8_t> bytesOf(ArrayU08* a) {
  return std::vector<uint8_t>(a->getItems(), a->getItems() + a->getCount());
}

/// Writes `image` at `bits` and reads the file back into a picture.
Picture roundTrip(const Picture& in, int32_t bits, std::vector<uint8_t>* file = nullptr) {
  BufferedImage* image = toImage(in);
  ArrayU08* bytes = ArrayU08::take();
  EXPECT_TRUE(image->saveAsBmp(bytes, bits, true, 255, 255, 255));
  if (file != nullptr) *file = bytesOf(bytes);
  lumetra::imaging_test::keepSeed(IMAGING_FUZZ_SEEDS, "bmp",
                                  std::to_string(in.width) + "x" + std::to_string(in.height) + "_" +
                                      std::to_string(bits) + ".bmp",
                                  bytesOf(bytes));
  bytes->rewind();
  Bitmap* bitmap = Bitmap::take();
  EXPECT_TRUE(bitmap->read(bytes));
  EXPECT_EQ(bits, bitmap->getBitCount());
  BufferedImage* decoded = bitmap->getImage(0, nullptr);
  Picture out = toPicture(decoded);
  decoded->release();
  bitmap->release();
  bytes->release();
  image->release();
  return out;
}

bool readBytes(Bitmap* bitmap, const std::vector<uint8_t>& file) {
  ArrayU08* bytes = ArrayU08::take();
  bytes->add(file.data(), static_cast<uint32_t>(file.size()));
  bytes->rewind();
  const bool ok = bitmap->read(bytes);
  bytes->release();
  return ok;
}

void put32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) f[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

TEST(Bitmap, CreateDibMakesTheHeaders) {
  Bitmap* b = Bitmap::take();
  ASSERT_TRUE(b->createDib(3, 2, 24));
  EXPECT_EQ(12, b->getStride());
  EXPECT_EQ(0, b->getColorCount());
  ArrayU08* bytes = ArrayU08::take();
  ASSERT_TRUE(b->write(bytes));
  std::vector<uint8_t> f = bytesOf(bytes);
  ASSERT_EQ(78u, f.size());
  EXPECT_EQ('B', f[0]);
  EXPECT_EQ(78u, f[2] | (f[3] << 8));    // file size
  EXPECT_EQ(54u, f[10] | (f[11] << 8));  // pixel offset
  EXPECT_EQ(18u, f[34] | (f[35] << 8));  // image size
  EXPECT_EQ(0u, f[46]);                  // colours used
  ASSERT_TRUE(b->createDib(10, 10, 8));
  EXPECT_EQ(256, b->getColorCount());
  EXPECT_EQ(12, b->getStride());
  bytes->setCount(0);
  bytes->rewind();
  ASSERT_TRUE(b->write(bytes));
  f = bytesOf(bytes);
  EXPECT_EQ(1078u, f[10] | (f[11] << 8));
  bytes->release();
  b->release();
}

TEST(Bitmap, RoundTripsAreExactAtEveryDepthWritten) {
  const Picture gradient = makeGradient(13, 7);
  EXPECT_EQ(gradient.pixels, roundTrip(gradient, 32).pixels);
  EXPECT_EQ(gradient.pixels, roundTrip(gradient, 24).pixels);
  const Picture few = makeFewColours(11, 9, 200, 5);
  EXPECT_EQ(few.pixels, roundTrip(few, 8).pixels);
  const Picture sixteen = makeFewColours(9, 5, 16, 9);
  EXPECT_EQ(sixteen.pixels, roundTrip(sixteen, 4).pixels);

  // Alpha survives at 32 bits; at 24 bits it is flattened over the background.
  // Kept transparency at 32 bits gives fully transparent pixels the background colour.
  const Picture ramp = makeAlphaRamp(8, 3);
  Picture recoloured = ramp;
  for (uint32_t& px : recoloured.pixels) {
    if ((px >> 24) == 0) px = 0x00FFFFFFu;
  }
  EXPECT_EQ(recoloured.pixels, roundTrip(ramp, 32).pixels);
  const Picture flat = roundTrip(ramp, 24);
  EXPECT_EQ(0xFFFFFFFFu, flat.at(0, 0));
  EXPECT_EQ(ramp.at(7, 2), flat.at(7, 2));

  // A 32-bit file whose alpha bytes are all 0 is opaque.
  const Picture clear(4, 4, 0x00336699u);
  BufferedImage* image = toImage(clear);
  image->setHasAlpha(false);
  ArrayU08* bytes = ArrayU08::take();
  ASSERT_TRUE(image->saveAsBmp(bytes, 32, true, 0, 0, 0));
  bytes->rewind();
  Bitmap* bitmap = Bitmap::take();
  ASSERT_TRUE(bitmap->read(bytes));
  BufferedImage* decoded = bitmap->getImage(0, nullptr);
  EXPECT_FALSE(decoded->hasAlpha());
  EXPECT_EQ(std::vector<uint32_t>(16, 0xFF336699u), toPicture(decoded).pixels);
  decoded->release();
  bitmap->release();
  bytes->release();
  image->release();
}

TEST(Bitmap, AnOpaqueImageSavedAt24BitsGivesTheBytesOfItsBitmap) {
  // Saved straight from the image's rows (spare capacity, rows padded to four bytes, alpha bytes
  // that are not 255), the file is the one a 24-bit bitmap made from it writes.
  for (const int32_t width : {13, 16, 1}) {
    Picture p = makeGradient(width, 7);
    for (uint32_t& px : p.pixels) px &= 0x7FFFFFFFu;
    BufferedImage* image = toImage(p);
    image->setHasAlpha(false);
    ArrayU08* straight = ArrayU08::take();
    ASSERT_TRUE(image->saveAsBmp(straight, 24, false, 0, 0, 0));
    Bitmap* bitmap = Bitmap::take();
    ASSERT_TRUE(bitmap->createFrom(image, 24, false, 0, 0, 0));
    ArrayU08* made = ArrayU08::take();
    ASSERT_TRUE(bitmap->write(made));
    EXPECT_EQ(
        std::vector<uint8_t>(straight->getItems(), straight->getItems() + straight->getCount()),
        std::vector<uint8_t>(made->getItems(), made->getItems() + made->getCount()))
        << width << " pixels wide";
    made->release();
    bitmap->release();
    straight->release();
    image->release();
  }
}

TEST(Bitmap, DibsWithoutFileHeaderAndTheColourKey) {
  const Picture p = makeGradient(5, 4);
  BufferedImage* image = toImage(p);
  Bitmap* bitmap = Bitmap::take();
  ASSERT_TRUE(bitmap->createFrom(image, 24, false, 0, 0, 0));
  ArrayU08* bytes = ArrayU08::take();
  ASSERT_TRUE(bitmap->writeDib(bytes));
  EXPECT_EQ(40u + 16u * 4u, bytes->getCount());
  bytes->rewind();
  Bitmap* again = Bitmap::take();
  ASSERT_TRUE(again->readDib(bytes));
  again->setTransparentColor(static_cast<uint8_t>(p.at(2, 1) >> 16),
                             static_cast<uint8_t>(p.at(2, 1) >> 8),
                             static_cast<uint8_t>(p.at(2, 1)));
  // A given target larger than the picture keeps its capacity.
  BufferedImage* target = BufferedImage::takeSized(20, 20);
  ASSERT_EQ(target, again->getImage(0, target));
  EXPECT_EQ(20, target->getCapacityWidth());
  EXPECT_EQ(5, target->getWidth());
  Picture out = toPicture(target);
  for (int32_t y = 0; y < 4; ++y) {
    for (int32_t x = 0; x < 5; ++x) {
      const bool key = (p.at(x, y) & 0xFFFFFF) == (p.at(2, 1) & 0xFFFFFF);
      EXPECT_EQ(key ? p.at(x, y) & 0xFFFFFF : p.at(x, y), out.at(x, y)) << x << ", " << y;
    }
  }
  EXPECT_TRUE(target->hasAlpha());
  target->release();
  again->release();
  bytes->release();
  bitmap->release();
  image->release();
}

TEST(Bitmap, SavingNeverOverwritesLeavesNothingWhenItFailsAndLoadingNeedsAFile) {
  lumetra::testlib::TempDir dir;
  BufferedImage* image = toImage(makeGradient(4, 4));
  Bitmap* bitmap = Bitmap::take();
  ASSERT_TRUE(bitmap->createFrom(image, 24, false, 0, 0, 0));
  const std::u16string path = dir.windowsPath("sub/a.bmp");
  ASSERT_TRUE(bitmap->saveToFile(path.c_str()));
  const auto size = std::filesystem::file_size(dir.file("sub/a.bmp"));
  Bitmap* bigger = Bitmap::take();
  ASSERT_TRUE(bigger->createDib(40, 40, 24));
  EXPECT_TRUE(bigger->saveToFile(path.c_str()));  // exists: untouched, still true
  EXPECT_EQ(size, std::filesystem::file_size(dir.file("sub/a.bmp")));
  EXPECT_TRUE(bigger->loadFromFile(path.c_str()));
  EXPECT_EQ(4, bigger->getWidth());
  EXPECT_FALSE(bigger->loadFromFile(dir.windowsPath("sub").c_str()));
  EXPECT_FALSE(bigger->loadFromFile(dir.windowsPath("missing.bmp").c_str()));

  // A save that fails (a full disk) leaves no part of a picture, so the next save writes one.
  static winapi::seam::WriteFileFunction s_real = nullptr;
  s_real = winapi::seam::replaceWriteFile(
      [](HANDLE, LPCVOID, DWORD, LPDWORD written, LPOVERLAPPED) -> BOOL {
        *written = 0;
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
      });
  const std::u16string full = dir.windowsPath("full.bmp");
  EXPECT_FALSE(bigger->saveToFile(full.c_str()));
  winapi::seam::replaceWriteFile(s_real);
  EXPECT_FALSE(std::filesystem::exists(dir.file("full.bmp")));
  EXPECT_TRUE(bigger->saveToFile(full.c_str()));
  EXPECT_EQ(std::filesystem::file_size(dir.file("full.bmp")), size) << "the picture loaded before";
  bigger->release();
  bitmap->release();
  image->release();
}

TEST(Bitmap, HostileFilesAreRefusedWithAnEmptyImage) {
  std::vector<uint8_t> good;
  roundTrip(makeFewColours(6, 5, 100, 3), 8, &good);
  Bitmap* b = Bitmap::take();
  ASSERT_TRUE(readBytes(b, good));

  for (size_t cut = 0; cut < 54 + 1024; cut += (cut < 60 ? 1 : 97)) {
    EXPECT_FALSE(readBytes(b, std::vector<uint8_t>(good.begin(), good.begin() + cut))) << cut;
    EXPECT_EQ(0, b->getWidth()) << cut;
  }
  struct Field {
    size_t at;
    uint32_t value;
    int bytes;
  };
  const Field refused[] = {
      {0, 'X', 1},           // signature
      {14, 12, 4},           // the 12-byte core header
      {26, 2, 2},            // planes
      {28, 7, 2},            // bit count
      {30, 1, 4},            // run-length
      {30, 4, 4},            // embedded JPEG
      {18, 0, 4},            // width 0
      {22, 0xFFFFFFFBu, 4},  // top-down
      {18, 65535, 4},        // too wide
      {10, 60, 4},           // pixels inside the table
  };
  for (const Field& f : refused) {
    std::vector<uint8_t> bad = good;
    for (int i = 0; i < f.bytes; ++i)
      bad[f.at + static_cast<size_t>(i)] = static_cast<uint8_t>(f.value >> (8 * i));
    EXPECT_FALSE(readBytes(b, bad)) << f.at << " = " << f.value;
    EXPECT_EQ(0, b->getWidth());
    EXPECT_EQ(0, b->getHeight());
  }
  std::vector<uint8_t> huge = good;
  put32(huge, 18, 65535);
  put32(huge, 22, 65535);
  EXPECT_FALSE(readBytes(b, huge));

  // 268 colours declared on a 24-bit file: 256 are kept, the rest passed over.
  std::vector<uint8_t> wide;
  const Picture p = makeGradient(3, 2);
  roundTrip(p, 24, &wide);
  std::vector<uint8_t> padded(wide.begin(), wide.begin() + 54);
  padded.resize(54 + 268 * 4, 0x77);
  padded.insert(padded.end(), wide.begin() + 54, wide.end());
  put32(padded, 46, 268);
  put32(padded, 10, 54 + 268 * 4);
  put32(padded, 2, static_cast<uint32_t>(padded.size()));
  ASSERT_TRUE(readBytes(b, padded));
  EXPECT_EQ(256, b->getColorCount());
  BufferedImage* decoded = b->getImage(0, nullptr);
  EXPECT_EQ(p.pixels, toPicture(decoded).pixels);
  decoded->release();
  b->release();
}

namespace {

// An 8 x 8 icon: its colour bitmap red, a quarter of it (top left) with the given alpha, and a
// mask that leaves the top-left quarter opaque.
HICON makeIcon(bool withAlpha) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 8;
  info.bmiHeader.biHeight = -8;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP colour = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  auto* pixels = static_cast<uint32_t*>(bits);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool inside = x < 4 && y < 4;
      pixels[y * 8 + x] =
          withAlpha ? (inside ? 0xFFFF0000u : 0x00000000u) : (inside ? 0x00FF0000u : 0);
    }
  }
  // The AND mask: 0 (keep the colour) in the top-left quarter, 1 elsewhere; rows of 16 bits.
  uint8_t mask[16] = {};
  for (int y = 0; y < 8; ++y) mask[y * 2] = y < 4 ? 0x0F : 0xFF;
  HBITMAP andMask = CreateBitmap(8, 8, 1, 1, mask);
  ICONINFO icon{TRUE, 0, 0, andMask, colour};
  HICON made = CreateIconIndirect(&icon);
  DeleteObject(colour);
  DeleteObject(andMask);
  return made;
}

TEST(BitmapFromIcon, AnAlphaIconKeepsItsAlphaAndAMaskIconGetsAColourKey) {
  for (bool withAlpha : {true, false}) {
    SCOPED_TRACE(withAlpha ? "alpha icon" : "mask icon");
    HICON icon = makeIcon(withAlpha);
    ASSERT_NE(icon, nullptr);
    Bitmap* bitmap = Bitmap::take();
    ASSERT_TRUE(bitmap->createFromIcon(icon));
    EXPECT_EQ(bitmap->getBitCount(), withAlpha ? 32 : 24);
    EXPECT_EQ(bitmap->hasTransparentColor(), !withAlpha);
    BufferedImage* image = bitmap->getImage(0, nullptr);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->getWidth(), 8);
    EXPECT_TRUE(image->hasAlpha());
    const uint8_t* top = image->getLine(1);
    EXPECT_EQ(top[1 * 4 + 2], 255) << "red inside";
    EXPECT_EQ(top[1 * 4 + 3], 255);
    const uint8_t* bottom = image->getLine(6);
    EXPECT_EQ(bottom[6 * 4 + 3], 0) << "transparent outside the icon's shape";
    image->release();
    bitmap->release();
    DestroyIcon(icon);
  }
  Bitmap* bitmap = Bitmap::take();
  EXPECT_FALSE(bitmap->createFromIcon(nullptr));
  bitmap->release();
}

}  // namespace
