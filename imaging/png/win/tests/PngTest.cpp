// PNG images: pixel-exact round trips, every kind of file ImageMagick writes read to its pixels,
// ours read by ImageMagick to ours, the flattening and opaque rules, and damaged or hostile input
// answered without ending the process.
#include "imaging/png/win/Png.h"

#include "core/col/array/ArrayU08.h"
#include "core/file/win/FileOutputStream.h"
#include "imaging/tests/Pictures.h"
#include "imaging/win/BufferedImage.h"
#include "testlib/ImageGen.h"
#include "testlib/Process.h"
#include "testlib/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using lumetra::imaging_test::toImage;
using lumetra::imaging_test::toPicture;
using lumetra::testlib::makeAlphaRamp;
using lumetra::testlib::makeGradient;
using lumetra::testlib::makeHoles;
using lumetra::testlib::makeNoise;
using lumetra::testlib::Picture;
using lumetra::testlib::TempDir;
using s::col::_array::ArrayU08;
using s::image::png::win::Png;
using s::image::win::BufferedImage;

namespace {

std::vector<uint8_t> bytesOf(ArrayU08* a) {
  return std::vector<uint8_t>(a->getItems(), a->getItems() + a->getCount());
}

std::vector<uint8_t> readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> encode(const Picture& p, bool interlace, bool keep = true) {
  BufferedImage* image = toImage(p);
  ArrayU08* bytes = ArrayU08::take();
  EXPECT_TRUE(image->saveAsPng(bytes, interlace, keep, 255, 255, 255));
  std::vector<uint8_t> out = bytesOf(bytes);
  bytes->release();
  image->release();
  lumetra::imaging_test::keepSeed(IMAGING_FUZZ_SEEDS, "png",
                                  std::to_string(p.width) + "x" + std::to_string(p.height) +
                                      (interlace ? "_adam7" : "") + (p.hasAlpha() ? "_a" : "") +
                                      ".png",
                                  out);
  return out;
}

bool decode(Png* png, const std::vector<uint8_t>& file) {
  ArrayU08* bytes = ArrayU08::take();
  bytes->add(file.data(), static_cast<uint32_t>(file.size()));
  bytes->rewind();
  const bool ok = png->read(bytes);
  bytes->release();
  return ok;
}

/// The decoded picture and its has-alpha flag.
Picture decoded(Png* png, bool* hasAlpha = nullptr) {
  BufferedImage* image = png->getImage(0, nullptr);
  Picture p = toPicture(image);
  if (hasAlpha != nullptr) *hasAlpha = image->hasAlpha();
  image->release();
  return p;
}

/// The pixels of an 8-bit RGBA dump of `width` x `height`.
Picture fromRgba(const std::vector<uint8_t>& raw, int32_t width, int32_t height) {
  Picture p(width, height);
  if (raw.size() != p.pixels.size() * 4) return Picture();
  for (size_t i = 0; i < p.pixels.size(); ++i) {
    const uint8_t* s = &raw[i * 4];
    p.pixels[i] = (uint32_t{s[3]} << 24) | (uint32_t{s[0]} << 16) | (uint32_t{s[1]} << 8) | s[2];
  }
  return p;
}

/// What ImageMagick reads from `file`, as 8-bit RGBA.
Picture magickPixels(const TempDir& dir, const std::filesystem::path& file, int32_t w, int32_t h) {
  const auto raw = dir.file("magick.rgba");
  auto r = lumetra::testlib::run({"convert", file.string(), "-depth", "8", "rgba:" + raw.string()});
  EXPECT_EQ(0, r.exitCode) << r.output;
  return fromRgba(readFile(raw), w, h);
}

uint32_t crc(const uint8_t* data, size_t size) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    c ^= data[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}

void putBig32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    f[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

/// A chunk with its length and CRC.
std::vector<uint8_t> chunk(const char* type, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> c(8 + data.size() + 4);
  putBig32(c, 0, static_cast<uint32_t>(data.size()));
  std::memcpy(&c[4], type, 4);
  std::copy(data.begin(), data.end(), c.begin() + 8);
  putBig32(c, 8 + data.size(), crc(&c[4], 4 + data.size()));
  return c;
}

/// Where each chunk of a file starts (after the signature).
std::vector<size_t> chunkStarts(const std::vector<uint8_t>& f) {
  std::vector<size_t> starts;
  for (size_t at = 8; at + 12 <= f.size();) {
    starts.push_back(at);
    at += 12 + ((size_t{f[at]} << 24) | (size_t{f[at + 1]} << 16) | (size_t{f[at + 2]} << 8) |
                f[at + 3]);
  }
  return starts;
}

Picture withAlphaEverywhere(Picture p, uint8_t alpha) {
  for (auto& v : p.pixels) v = (v & 0x00FFFFFFu) | (uint32_t{alpha} << 24);
  return p;
}

}  // namespace

TEST(Png, RoundTripsArePixelExact) {
  Png* png = Png::take();
  for (bool interlace : {false, true}) {
    // Alpha of every level, transparent pixels keeping their colour.
    const Picture ramp = makeAlphaRamp(37, 23);
    bool alpha = false;
    ASSERT_TRUE(decode(png, encode(ramp, interlace)));
    EXPECT_EQ(ramp.pixels, decoded(png, &alpha).pixels);
    EXPECT_TRUE(alpha);
    // Opaque noise: alpha 255 and no alpha flag.
    const Picture noise = makeNoise(61, 19, 5);
    ASSERT_TRUE(decode(png, encode(noise, interlace)));
    EXPECT_EQ(noise.pixels, decoded(png, &alpha).pixels);
    EXPECT_FALSE(alpha);
    // Sizes smaller than one Adam7 block.
    for (int32_t side : {1, 2, 3, 7}) {
      const Picture small = makeNoise(side, side + 1, static_cast<uint32_t>(side));
      ASSERT_TRUE(decode(png, encode(small, interlace)));
      EXPECT_EQ(small.pixels, decoded(png).pixels) << side;
    }
  }
  png->release();
}

TEST(Png, WritesTheHeaderItsFlagsSay) {
  const auto plain = encode(makeGradient(5, 3), false);
  const auto adam7 = encode(makeGradient(5, 3), true);
  ASSERT_GT(plain.size(), 33u);
  EXPECT_EQ(0, std::memcmp(plain.data(), "\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(8, plain[24]);  // bit depth
  EXPECT_EQ(6, plain[25]);  // RGBA
  EXPECT_EQ(0, plain[28]);  // not interlaced
  EXPECT_EQ(1, adam7[28]);
}

TEST(Png, WritingLeavesTheBitmapAsItWas) {
  BufferedImage* image = toImage(makeAlphaRamp(17, 5));
  Png* png = Png::take();
  ASSERT_TRUE(png->createFrom(image, true, true, 0, 0, 0));
  EXPECT_TRUE(png->getInterlace());
  EXPECT_EQ(32, png->getBitCount());
  const std::vector<uint8_t> before(png->getBits(), png->getBits() + png->getStride() * 5);
  ArrayU08* bytes = ArrayU08::take();
  ASSERT_TRUE(png->write(bytes));
  EXPECT_EQ(before, std::vector<uint8_t>(png->getBits(), png->getBits() + png->getStride() * 5));
  // A stream that refuses bytes fails the write, and the bitmap is still as it was.
  auto* closed = s::file::win::FileOutputStream::take();
  EXPECT_FALSE(png->write(closed));
  closed->release();
  EXPECT_EQ(before, std::vector<uint8_t>(png->getBits(), png->getBits() + png->getStride() * 5));
  png->reset();
  EXPECT_FALSE(png->getInterlace());
  EXPECT_EQ(0, png->getWidth());
  EXPECT_FALSE(png->write(bytes));
  bytes->release();
  png->release();
  image->release();
}

TEST(Png, AlphaRules) {
  Png* png = Png::take();
  // Without keep, an image with alpha is composed over the background: alpha 255 everywhere.
  const Picture holes = makeHoles(20, 20, 5);
  ASSERT_TRUE(decode(png, encode(holes, false, false)));
  bool alpha = true;
  const Picture flat = decoded(png, &alpha);
  EXPECT_FALSE(alpha);
  for (size_t i = 0; i < flat.pixels.size(); ++i) {
    EXPECT_EQ(0xFFu, flat.pixels[i] >> 24);
    if ((holes.pixels[i] >> 24) == 0) {
      EXPECT_EQ(0xFFFFFFFFu, flat.pixels[i]);
    }
  }
  // A file whose every alpha is 0 decodes as an opaque image.
  BufferedImage* clear = toImage(withAlphaEverywhere(makeGradient(8, 8), 0));
  clear->setHasAlpha(true);
  ArrayU08* bytes = ArrayU08::take();
  ASSERT_TRUE(clear->saveAsPng(bytes, false, true, 0, 0, 0));
  ASSERT_TRUE(decode(png, bytesOf(bytes)));
  EXPECT_EQ(withAlphaEverywhere(makeGradient(8, 8), 255).pixels, decoded(png, &alpha).pixels);
  EXPECT_FALSE(alpha);
  // An image without the alpha flag is opaque whatever its fourth bytes hold, in the file too.
  clear->setHasAlpha(false);
  bytes->clear();
  ASSERT_TRUE(clear->saveAsPng(bytes, false, true, 0, 0, 0));
  ASSERT_TRUE(decode(png, bytesOf(bytes)));
  EXPECT_EQ(0xFF, png->getLine(3)[3 * 4 + 3]);
  bytes->release();
  clear->release();
  png->release();
}

TEST(Png, SavedFilesReadBack) {
  TempDir dir;
  BufferedImage* image = toImage(makeAlphaRamp(30, 12));
  const std::u16string path = dir.windowsPath("out.png");
  ASSERT_TRUE(image->saveAsPngFile(path.c_str(), true, true, 255, 255, 255));
  Png* png = Png::take();
  ASSERT_TRUE(png->loadFromFile(path.c_str()));
  EXPECT_EQ(makeAlphaRamp(30, 12).pixels, decoded(png).pixels);
  EXPECT_EQ(1, readFile(dir.file("out.png"))[28]);
  // createLike keeps transparency and interlaces.
  auto* like = static_cast<Png*>(png->createLike(image));
  ASSERT_NE(nullptr, like);
  EXPECT_TRUE(like->getInterlace());
  EXPECT_EQ(makeAlphaRamp(30, 12).pixels, decoded(like).pixels);
  like->release();
  png->release();
  image->release();
}

TEST(Png, ReadsEveryKindImageMagickWrites) {
  TempDir dir;
  const int32_t w = 29;
  const int32_t h = 17;
  const auto source = dir.file("source.pam");
  ASSERT_TRUE(lumetra::testlib::writePam(source.string(), makeAlphaRamp(w, h)));
  const auto opaque = dir.file("opaque.ppm");
  ASSERT_TRUE(lumetra::testlib::writePpm(opaque.string(), makeGradient(w, h)));
  // Grey samples stored at 16 bits are 257 x b, where truncating and rounding to 8 bits agree.
  Picture grey = makeGradient(w, h);
  for (auto& v : grey.pixels) v = 0xFF000000u | ((v & 0xFF) * 0x010101u);
  const auto greySource = dir.file("grey.ppm");
  ASSERT_TRUE(lumetra::testlib::writePpm(greySource.string(), grey));
  const auto holes = dir.file("holes.pam");
  ASSERT_TRUE(lumetra::testlib::writePam(holes.string(), makeHoles(w, h, 6)));
  struct Kind {
    std::string name;
    std::vector<std::string> arguments;
    int depth;
    int colorType;
  };
  const std::vector<Kind> kinds = {
      {"palette with tRNS", {holes.string(), "PNG8:"}, 8, 3},
      {"grey 1",
       {opaque.string(), "-colorspace", "gray", "-define", "png:bit-depth=1", "-define",
        "png:color-type=0", "PNG:"},
       1,
       0},
      {"grey 2",
       {opaque.string(), "-colorspace", "gray", "-define", "png:bit-depth=2", "-define",
        "png:color-type=0", "PNG:"},
       2,
       0},
      {"grey 4",
       {opaque.string(), "-colorspace", "gray", "-define", "png:bit-depth=4", "-define",
        "png:color-type=0", "PNG:"},
       4,
       0},
      {"grey 8",
       {opaque.string(), "-colorspace", "gray", "-define", "png:bit-depth=8", "-define",
        "png:color-type=0", "PNG:"},
       8,
       0},
      {"grey 16",
       {greySource.string(), "-colorspace", "gray", "-depth", "16", "-define", "png:bit-depth=16",
        "-define", "png:color-type=0", "PNG:"},
       16,
       0},
      {"grey with alpha",
       {source.string(), "-colorspace", "gray", "-define", "png:color-type=4", "PNG:"},
       8,
       4},
      {"RGB 16", {opaque.string(), "-depth", "16", "PNG48:"}, 16, 2},
      {"RGBA 16", {source.string(), "-depth", "16", "PNG64:"}, 16, 6},
      {"RGB interlaced", {opaque.string(), "-interlace", "PNG", "PNG24:"}, 8, 2},
      {"RGBA interlaced", {source.string(), "-interlace", "PNG", "PNG32:"}, 8, 6},
  };
  Png* png = Png::take();
  int index = 0;
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    const auto file = dir.file("kind" + std::to_string(index++) + ".png");
    std::vector<std::string> argv = {"convert"};
    argv.insert(argv.end(), kind.arguments.begin(), kind.arguments.end() - 1);
    argv.push_back(kind.arguments.back() + file.string());
    auto r = lumetra::testlib::run(argv);
    ASSERT_EQ(0, r.exitCode) << r.output;
    const auto bytes = readFile(file);
    ASSERT_GT(bytes.size(), 33u);
    EXPECT_EQ(kind.depth, bytes[24]);
    EXPECT_EQ(kind.colorType, bytes[25]);
    lumetra::imaging_test::keepSeed(IMAGING_FUZZ_SEEDS, "png",
                                    "magick" + std::to_string(index) + ".png", bytes);
    ASSERT_TRUE(decode(png, bytes));
    ASSERT_EQ(w, png->getWidth());
    ASSERT_EQ(h, png->getHeight());
    const Picture expected = magickPixels(dir, file, w, h);
    ASSERT_EQ(expected.pixels.size(), size_t{w} * h);
    // An opaque file gives alpha 255 and a file whose alpha is all 255 too.
    EXPECT_EQ(expected.pixels, decoded(png).pixels);
  }
  png->release();
}

TEST(Png, ImageMagickReadsOursToOurPixels) {
  TempDir dir;
  for (bool interlace : {false, true}) {
    const Picture ramp = makeAlphaRamp(41, 13);
    const auto file = dir.file(interlace ? "ours_i.png" : "ours.png");
    writeFile(file, encode(ramp, interlace));
    EXPECT_EQ(ramp.pixels, magickPixels(dir, file, 41, 13).pixels);
    // compare agrees: no pixel differs from the same picture as a PAM file.
    const auto reference = dir.file("reference.pam");
    ASSERT_TRUE(lumetra::testlib::writePam(reference.string(), ramp));
    auto r = lumetra::testlib::run(
        {"compare", "-metric", "AE", file.string(), reference.string(), "null:"});
    EXPECT_EQ(0, r.exitCode) << r.output;
    EXPECT_EQ("0", r.output);
  }
}

TEST(Png, DamagedInputAnswersWithoutEndingTheProcess) {
  Png* png = Png::take();
  const std::vector<uint8_t> whole = encode(makeNoise(64, 48, 2), false);
  ASSERT_TRUE(decode(png, whole));
  // Nothing, a bad signature, another format.
  EXPECT_FALSE(decode(png, {}));
  EXPECT_EQ(0, png->getWidth());
  std::vector<uint8_t> bad = whole;
  bad[1] = 'Q';
  EXPECT_FALSE(decode(png, bad));
  EXPECT_EQ(0, png->getWidth());
  EXPECT_FALSE(decode(png, std::vector<uint8_t>(500, 0x42)));
  // A bad CRC of the header is refused before anything is made; of the data, after.
  bad = whole;
  bad[29] ^= 1;
  EXPECT_FALSE(decode(png, bad));
  EXPECT_EQ(0, png->getWidth());
  const std::vector<size_t> starts = chunkStarts(whole);
  ASSERT_GE(starts.size(), 3u);
  bad = whole;
  bad[starts[1] + 12] ^= 0x55;
  EXPECT_FALSE(decode(png, bad));
  // Cut at every chunk boundary and inside every chunk: an answer, never a crash.
  for (size_t at : starts) {
    for (size_t cut : {at, at + 5, at + 20}) {
      if (cut >= whole.size()) continue;
      EXPECT_FALSE(decode(png, std::vector<uint8_t>(whole.begin(), whole.begin() + cut))) << cut;
    }
  }
  // A header of 65,535 x 65,535 (CRC right) is refused with nothing allocated.
  std::vector<uint8_t> huge(whole.begin(), whole.begin() + 8);
  std::vector<uint8_t> ihdr(whole.begin() + 16, whole.begin() + 29);
  putBig32(ihdr, 0, 65535);
  putBig32(ihdr, 4, 65535);
  const auto header = chunk("IHDR", ihdr);
  huge.insert(huge.end(), header.begin(), header.end());
  huge.insert(huge.end(), whole.begin() + 33, whole.end());
  EXPECT_FALSE(decode(png, huge));
  EXPECT_EQ(0, png->getWidth());
  // A side within libpng's range but beyond ours (40,000 x 1) is refused too.
  putBig32(ihdr, 0, 40000);
  putBig32(ihdr, 4, 1);
  const auto wide = chunk("IHDR", ihdr);
  std::copy(wide.begin(), wide.end(), huge.begin() + 8);
  EXPECT_FALSE(decode(png, huge));
  // An oversized text chunk before the data is passed over within libpng's limits; many small
  // ones are bounded in number. Either way the picture still reads.
  std::vector<uint8_t> texts(whole.begin(), whole.begin() + 33);
  std::vector<uint8_t> big = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0};
  big.resize(9u << 20, 'x');
  const auto text = chunk("tEXt", big);
  texts.insert(texts.end(), text.begin(), text.end());
  const auto small = chunk("tEXt", {'k', 0, 'v'});
  for (int i = 0; i < 2000; ++i) texts.insert(texts.end(), small.begin(), small.end());
  texts.insert(texts.end(), whole.begin() + 33, whole.end());
  EXPECT_TRUE(decode(png, texts));
  EXPECT_EQ(makeNoise(64, 48, 2).pixels, decoded(png).pixels);
  png->release();
}
