// GIF images: the LZW coder past full tables, the file layout, interlace, transparency, palettes,
// animations from image sets, files of and for other programs, and hostile input.
#include "imaging/gif/win/Gif.h"

#include "core/col/array/ArrayU08.h"
#include "imaging/bmp/win/Bitmap.h"
#include "imaging/gif/win/GifLzw.h"
#include "imaging/tests/Pictures.h"
#include "imaging/win/BufferedImage.h"
#include "imaging/win/BufferedImageSet.h"
#include "testlib/ImageGen.h"
#include "testlib/Process.h"
#include "testlib/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

using lumetra::imaging_test::pixelAt;
using lumetra::imaging_test::toImage;
using lumetra::imaging_test::toPicture;
using lumetra::testlib::makeFewColours;
using lumetra::testlib::makeGradient;
using lumetra::testlib::Picture;
using lumetra::testlib::TempDir;
using s::col::_array::ArrayU08;
using s::image::gif::win::Gif;
using s::image::gif::win::GifLzw;
using s::image::win::BufferedImage;
using s::image::win::BufferedImageSet;

namespace {

using Bytes = std::vector<uint8_t>;

template <class T>
struct Held {
  T* object;
  explicit Held(T* o) : object(o) {}
  ~Held() {
    if (object != nullptr) object->release();
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  T* operator->() const { return object; }
  operator T*() const { return object; }
};

Bytes bytesOf(ArrayU08* array) {
  return Bytes(array->getItems(), array->getItems() + array->getCount());
}

Bytes written(Gif* gif) {
  Held<ArrayU08> out(ArrayU08::take());
  EXPECT_TRUE(gif->write(out));
  return bytesOf(out);
}

bool readInto(Gif* gif, const Bytes& file) {
  Held<ArrayU08> in(ArrayU08::take());
  in->add(file.data(), static_cast<uint32_t>(file.size()));
  in->rewind();
  return gif->read(in);
}

Picture frameOf(Gif* gif, int32_t frame) {
  Held<BufferedImage> image(gif->getImage(frame, nullptr));
  return image.object != nullptr ? toPicture(image) : Picture();
}

void keepSeed(const std::string& name, const Bytes& file) {
  lumetra::imaging_test::keepSeed(IMAGING_FUZZ_SEEDS, "gif", name, file);
}

/// Codes written least significant bit first.
struct BitWriter {
  Bytes bytes;
  uint32_t accumulator = 0;
  int32_t bits = 0;
  void put(int32_t code, int32_t width) {
    accumulator |= static_cast<uint32_t>(code) << bits;
    bits += width;
    while (bits >= 8) {
      bytes.push_back(static_cast<uint8_t>(accumulator));
      accumulator >>= 8;
      bits -= 8;
    }
  }
  Bytes finish() {
    if (bits > 0) bytes.push_back(static_cast<uint8_t>(accumulator));
    bits = 0;
    return bytes;
  }
};

/// A plain dictionary LZW coder, written apart from the program's: with `deferClear` it never
/// clears a full table and goes on at 12 bits, as GIF allows.
Bytes plainLzw(const Bytes& pixels, int32_t codeSize, bool deferClear) {
  BitWriter out;
  const int32_t clear = 1 << codeSize;
  int32_t next = clear + 2;
  int32_t width = codeSize + 1;
  std::map<std::pair<int32_t, int32_t>, int32_t> table;
  out.put(clear, width);
  int32_t current = pixels[0];
  for (size_t i = 1; i < pixels.size(); ++i) {
    const auto found = table.find({current, pixels[i]});
    if (found != table.end()) {
      current = found->second;
      continue;
    }
    out.put(current, width);
    if (next > (1 << width) - 1 && width < 12) ++width;
    if (next < 4096) {
      table[{current, pixels[i]}] = next++;
    } else if (!deferClear) {
      out.put(clear, width);
      table.clear();
      next = clear + 2;
      width = codeSize + 1;
    }
    current = pixels[i];
  }
  out.put(current, width);
  out.put(clear + 1, width);
  return out.finish();
}

/// The LZW data in sub-blocks of up to 255 bytes and the terminator.
Bytes subBlocks(const Bytes& data) {
  Bytes out;
  for (size_t i = 0; i < data.size(); i += 255) {
    const size_t n = std::min<size_t>(255, data.size() - i);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), data.begin() + static_cast<long>(i),
               data.begin() + static_cast<long>(i + n));
  }
  out.push_back(0);
  return out;
}

void put16(Bytes& b, int32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}

/// A hand-made GIF: a header without global table, then images added one by one.
struct GifBuilder {
  Bytes file;
  GifBuilder(int32_t width, int32_t height) {
    const char* signature = "GIF89a";
    file.insert(file.end(), signature, signature + 6);
    put16(file, width);
    put16(file, height);
    file.push_back(0x00);
    file.push_back(0);
    file.push_back(0);
  }
  GifBuilder& control(int32_t packed, int32_t delay, int32_t index) {
    file.insert(file.end(), {0x21, 0xF9, 4, static_cast<uint8_t>(packed)});
    put16(file, delay);
    file.insert(file.end(), {static_cast<uint8_t>(index), 0});
    return *this;
  }
  GifBuilder& descriptor(int32_t width, int32_t height, int32_t packed) {
    file.push_back(0x2C);
    put16(file, 0);
    put16(file, 0);
    put16(file, width);
    put16(file, height);
    file.push_back(static_cast<uint8_t>(packed));
    return *this;
  }
  GifBuilder& image(int32_t width, int32_t height, int32_t packed, int32_t codeSize,
                    const Bytes& data) {
    descriptor(width, height, packed);
    file.push_back(static_cast<uint8_t>(codeSize));
    const Bytes blocks = subBlocks(data);
    file.insert(file.end(), blocks.begin(), blocks.end());
    return *this;
  }
  Bytes done() {
    file.push_back(0x3B);
    return file;
  }
};

/// Follows a code stream only far enough to know each code's width, as a reader must.
struct CodeTrace {
  int32_t clears = 0;
  int32_t widest = 0;
  bool clearAfterFullTable = true;
  bool widthBackAfterClear = true;
  bool ended = false;
};

CodeTrace traceCodes(const Bytes& data, int32_t codeSize) {
  CodeTrace trace;
  const int32_t clear = 1 << codeSize;
  int32_t width = codeSize + 1;
  int32_t next = clear + 2;
  bool first = true;
  uint64_t position = 0;
  while (position + width <= data.size() * 8) {
    int32_t code = 0;
    for (int32_t b = 0; b < width; ++b, ++position) {
      code |= ((data[position >> 3] >> (position & 7)) & 1) << b;
    }
    trace.widest = std::max(trace.widest, width);
    if (code == clear) {
      ++trace.clears;
      width = codeSize + 1;
      next = clear + 2;
      first = true;
      continue;
    }
    if (code == clear + 1) {
      trace.ended = true;
      break;
    }
    if (next == 4096) trace.clearAfterFullTable = false;  // a data code after the table filled
    if (!first && next < 4096) {
      ++next;
      if (next == (1 << width) && width < 12) ++width;
    }
    first = false;
  }
  return trace;
}

/// The LZW data of `encode`, without the sub-block lengths.
Bytes encodedData(const Bytes& pixels, int32_t width, int32_t height, int32_t codeSize) {
  Held<GifLzw> lzw(GifLzw::take());
  Held<ArrayU08> out(ArrayU08::take());
  EXPECT_TRUE(lzw->encode(pixels.data(), width, height, codeSize, width, out));
  const Bytes packets = bytesOf(out);
  Bytes data;
  for (size_t i = 0; i < packets.size();) {
    const size_t n = packets[i];
    EXPECT_LE(n, 254u);
    data.insert(data.end(), packets.begin() + static_cast<long>(i + 1),
                packets.begin() + static_cast<long>(i + 1 + n));
    i += 1 + n;
  }
  return data;
}

Bytes decoded(const Bytes& data, int32_t codeSize, int32_t width, int32_t height,
              bool interlaced = false, bool* whole = nullptr) {
  Held<GifLzw> lzw(GifLzw::take());
  Bytes pixels(static_cast<size_t>(width) * height, 0xEE);
  const bool ok = lzw->decode(data.data(), static_cast<uint32_t>(data.size()), pixels.data(),
                              codeSize, width, width, height, interlaced);
  if (whole != nullptr) *whole = ok;
  return pixels;
}

/// RGBA pixels of frame `frame` of a file as ImageMagick decodes it, as 0xAARRGGBB.
std::vector<uint32_t> magickPixels(const std::string& path, int32_t frame) {
  const auto result = lumetra::testlib::run(
      {"convert", path + "[" + std::to_string(frame) + "]", "+repage", "-depth", "8", "rgba:-"});
  std::vector<uint32_t> pixels;
  if (result.exitCode != 0) return pixels;
  const std::string& o = result.output;
  for (size_t i = 0; i + 4 <= o.size(); i += 4) {
    const auto b = [&](size_t k) { return static_cast<uint32_t>(static_cast<uint8_t>(o[i + k])); };
    pixels.push_back((b(3) << 24) | (b(0) << 16) | (b(1) << 8) | b(2));
  }
  return pixels;
}

bool haveConvert() { return lumetra::testlib::run({"convert", "-version"}).exitCode == 0; }

/// Equal pixels, where fully transparent ones need only agree on being transparent.
void expectSamePixels(const std::vector<uint32_t>& expected, const Picture& actual,
                      const std::string& what) {
  ASSERT_EQ(expected.size(), actual.pixels.size()) << what;
  int32_t wrong = 0;
  for (size_t i = 0; i < expected.size(); ++i) {
    const uint32_t e = expected[i], a = actual.pixels[i];
    const bool same = (e >> 24) == 0 ? (a >> 24) == 0 : e == a;
    if (!same && wrong++ < 3) {
      ADD_FAILURE() << what << ": pixel " << i << " expected " << std::hex << e << " got " << a;
    }
  }
  EXPECT_EQ(0, wrong) << what;
}

Bytes readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
}  // namespace

TEST(GifLzw, RoundTripsRandomIndicesPastFullTablesAtEveryCodeSize) {
  std::mt19937 random(15);
  for (int32_t codeSize = 2; codeSize <= 8; ++codeSize) {
    // Random pixels make a new code nearly every pixel: 40,000 pass 4,096 codes several times.
    const int32_t width = 250, height = 160;
    Bytes pixels(static_cast<size_t>(width) * height);
    for (auto& p : pixels) p = static_cast<uint8_t>(random() & ((1u << codeSize) - 1));
    const Bytes data = encodedData(pixels, width, height, codeSize);
    const CodeTrace trace = traceCodes(data, codeSize);
    EXPECT_TRUE(trace.ended) << codeSize;
    EXPECT_EQ(12, trace.widest) << codeSize;
    EXPECT_GE(trace.clears, 3) << codeSize;
    EXPECT_TRUE(trace.clearAfterFullTable) << codeSize;
    bool whole = false;
    EXPECT_EQ(pixels, decoded(data, codeSize, width, height, false, &whole)) << codeSize;
    EXPECT_TRUE(whole);
    // The plain coder's stream, with and without its clears, decodes to the same pixels.
    EXPECT_EQ(pixels, decoded(plainLzw(pixels, codeSize, false), codeSize, width, height));
    EXPECT_EQ(pixels, decoded(plainLzw(pixels, codeSize, true), codeSize, width, height));
  }
  // Long runs of one value make long strings.
  const Bytes flat(300 * 300, 3);
  EXPECT_EQ(flat, decoded(encodedData(flat, 300, 300, 2), 2, 300, 300));
}

TEST(GifLzw, CorruptDataEndTheFrameWhereTheyBreak) {
  const Bytes pixels = {1, 2, 3, 1, 2, 3, 1, 2, 3, 0, 0, 0};
  const Bytes data = encodedData(pixels, 4, 3, 2);
  bool whole = true;
  // Code sizes outside 1 to 8 decode nothing.
  for (int32_t codeSize : {0, 9, 12, 200}) {
    EXPECT_EQ(Bytes(12, 0xEE), decoded(data, codeSize, 4, 3, false, &whole)) << codeSize;
    EXPECT_FALSE(whole);
  }
  // A code above the next free one: the pixels before it stay.
  BitWriter above;
  above.put(4, 3);
  above.put(1, 3);
  above.put(7, 3);  // the next free code is 6
  Bytes got = decoded(above.finish(), 2, 4, 3, false, &whole);
  EXPECT_FALSE(whole);
  EXPECT_EQ((Bytes{1, 0xEE, 0xEE, 0xEE}), Bytes(got.begin(), got.begin() + 4));
  // A first code after a clear that is no pixel value.
  BitWriter notPixel;
  notPixel.put(4, 3);
  notPixel.put(6, 3);
  got = decoded(notPixel.finish(), 2, 4, 3, false, &whole);
  EXPECT_FALSE(whole);
  EXPECT_EQ(0xEE, got[0]);
  // Data without an end code end where the data end; nothing is read past them.
  const Bytes cut(data.begin(), data.begin() + 2);
  got = decoded(cut, 2, 4, 3, false, &whole);
  EXPECT_FALSE(whole);
  EXPECT_EQ(1, got[0]);
  EXPECT_EQ(0xEE, got[11]);

  // Wide rows, where short strings move a word at a time: cut anywhere, interlaced or not, the
  // frame holds the pixels up to the cut in fill order and its own values from there on.
  std::mt19937 random(21);
  const int32_t width = 61, height = 9;
  Bytes wide(static_cast<size_t>(width) * height);
  for (auto& p : wide) p = static_cast<uint8_t>(random() % 5);
  for (const bool interlaced : {false, true}) {
    std::vector<int32_t> order;  // the rows in fill order
    for (int32_t pass = 0; pass < (interlaced ? 4 : 1); ++pass) {
      const int32_t start = interlaced ? std::array<int32_t, 4>{0, 4, 2, 1}[pass] : 0;
      const int32_t step = interlaced ? std::array<int32_t, 4>{8, 8, 4, 2}[pass] : 1;
      for (int32_t r = start; r < height; r += step) order.push_back(r);
    }
    Bytes filled;  // the pixels in fill order
    for (int32_t r : order)
      filled.insert(filled.end(), wide.begin() + r * width, wide.begin() + (r + 1) * width);
    const Bytes whole = encodedData(filled, width, height, 3);
    for (size_t length = 1; length < whole.size(); length += 3) {
      got = decoded(Bytes(whole.begin(), whole.begin() + static_cast<long>(length)), 3, width,
                    height, interlaced);
      size_t at = 0;  // the first pixel in fill order the data did not reach
      while (at < filled.size() &&
             got[static_cast<size_t>(order[at / width]) * width + at % width] == filled[at]) {
        ++at;
      }
      for (size_t i = at; i < filled.size(); ++i) {
        ASSERT_EQ(0xEE, got[static_cast<size_t>(order[i / width]) * width + i % width])
            << "cut after " << length << " bytes" << (interlaced ? ", interlaced" : "")
            << ": pixel " << i << " in fill order, past the first one not reached (" << at << ")";
      }
    }
  }
}

TEST(GifLzw, DataInPiecesDecodeAsTheyDoWhole) {
  std::mt19937 random(33);
  const int32_t width = 97, height = 40;
  Bytes pixels(static_cast<size_t>(width) * height);
  // Runs of random length make strings of every length, some across rows.
  for (size_t i = 0; i < pixels.size();) {
    const auto value = static_cast<uint8_t>(random() % 7);
    for (size_t n = random() % 30 + 1; n > 0 && i < pixels.size(); --n) pixels[i++] = value;
  }
  const Bytes data = encodedData(pixels, width, height, 3);
  const Bytes corrupt = [&] {
    Bytes bytes = data;
    bytes[bytes.size() / 2] ^= 0xFF;
    return bytes;
  }();
  const Bytes cut(data.begin(), data.begin() + static_cast<long>(data.size() / 3));
  for (const bool interlaced : {false, true}) {
    for (const Bytes* stream : {&data, &corrupt, &cut}) {
      bool wholeEnded = false;
      const Bytes expected = decoded(*stream, 3, width, height, interlaced, &wholeEnded);
      // Pieces of one byte cut every code; longer ones cut codes at every bit offset.
      for (size_t piece : {size_t{1}, size_t{2}, size_t{5}, size_t{8}, size_t{9}, size_t{255}}) {
        Held<GifLzw> lzw(GifLzw::take());
        Bytes got(pixels.size(), 0xEE);
        lzw->startDecoding(got.data(), 3, width, width, height, interlaced);
        for (size_t at = 0; at < stream->size(); at += piece) {
          const size_t n = std::min(piece, stream->size() - at);
          lzw->decodePiece(stream->data() + at, static_cast<uint32_t>(n));
        }
        const std::string what = "pieces of " + std::to_string(piece) +
                                 (interlaced ? ", interlaced, " : ", ") +
                                 (stream == &data      ? "whole"
                                  : stream == &corrupt ? "corrupt"
                                                       : "cut");
        EXPECT_EQ(wholeEnded, lzw->finishDecoding()) << what;
        EXPECT_EQ(expected, got) << what;
      }
    }
    EXPECT_EQ(pixels, decoded(data, 3, width, height)) << "the oracle itself";
  }
}

TEST(Gif, WritesTheLayoutAndReadsItsTagsBack) {
  Held<Gif> gif(Gif::take());
  Held<BufferedImage> a(toImage(makeFewColours(20, 10, 12, 1)));
  Held<BufferedImage> b(toImage(makeFewColours(20, 10, 12, 2)));
  ASSERT_TRUE(gif->createFrom(a, 8, true, 255, 255, 255, 96));
  ASSERT_TRUE(gif->createFrom(b, 8, true, 255, 255, 255, 96));
  Held<BufferedImageSet> set(BufferedImageSet::take());
  set->addImageDefault(a->copy(nullptr))->addImageDefault(b->copy(nullptr));
  set->setAnimation(true, 0);
  EXPECT_EQ(8, gif->getBitCount());
  const Bytes file = written(gif);
  keepSeed("two-frames.gif", file);
  ASSERT_GT(file.size(), 60u);
  EXPECT_EQ(0, std::memcmp(file.data(), "GIF89a", 6));
  EXPECT_EQ(20, file[6]);
  EXPECT_EQ(10, file[8]);
  EXPECT_EQ(0x77, file[10]);  // no global table
  const Bytes loop = {0x21, 0xFF, 11,  'N', 'E', 'T', 'S', 'C', 'A', 'P',
                      'E',  '2',  '.', '0', 3,   1,   1,   0,   0};
  EXPECT_EQ(loop, Bytes(file.begin() + 13, file.begin() + 32));
  // A control block before each frame; the frames' descriptors carry local tables.
  int32_t controls = 0;
  for (size_t i = 32; i + 1 < file.size(); ++i) {
    if (file[i] == 0x21 && file[i + 1] == 0xF9 && file[i + 2] == 4) ++controls;
  }
  EXPECT_EQ(2, controls);
  EXPECT_EQ(0x21, file[32]);
  EXPECT_EQ(0x2C, file[40]);
  EXPECT_EQ(0x87, file[49]);
  EXPECT_EQ(0x3B, file.back());

  // Delays go as hundredths: 125 ms is written 12 and read 120.
  Held<Gif> animated(Gif::take());
  set->addImage(toImage(makeFewColours(20, 10, 12, 3)), 8, 125, 0);
  ASSERT_TRUE(animated->createFromSet(set, 8, true, 255, 255, 255));
  animated->setLoopCount(3);
  const Bytes again = written(animated);
  Held<Gif> back(Gif::take());
  ASSERT_TRUE(readInto(back, again));
  ASSERT_EQ(3, back->getFrameCount());
  EXPECT_EQ(120, back->getFrameDelay(2));
  EXPECT_EQ(1, back->getDisposal(1));
  EXPECT_EQ(3, back->getLoopCount());
  EXPECT_EQ(-1, back->getTransparentIndex(0));
  EXPECT_EQ(8, back->getBitsPerPixel());

  // No frame, nothing written; a frame past the end has no picture.
  Held<Gif> empty(Gif::take());
  Held<ArrayU08> out(ArrayU08::take());
  EXPECT_FALSE(empty->write(out));
  EXPECT_EQ(0u, out->getCount());
  EXPECT_EQ(nullptr, back->getImage(3, nullptr));
  EXPECT_EQ(0, empty->getWidth());
}

TEST(Gif, InterlacedFramesFillTheirRowsInTheFourPassOrder) {
  const std::map<int32_t, std::vector<int32_t>> orders = {
      {1, {0}},
      {2, {0, 1}},
      {3, {0, 2, 1}},
      {4, {0, 2, 1, 3}},
      {16, {0, 8, 4, 12, 2, 6, 10, 14, 1, 3, 5, 7, 9, 11, 13, 15}}};
  for (const auto& [height, order] : orders) {
    // Row k of the stream holds the value k.
    Bytes pixels;
    for (int32_t k = 0; k < height; ++k) pixels.insert(pixels.end(), 5, static_cast<uint8_t>(k));
    const Bytes file =
        GifBuilder(5, height).image(5, height, 0x40, 8, plainLzw(pixels, 8, false)).done();
    if (height == 16) keepSeed("interlaced.gif", file);
    Held<Gif> gif(Gif::take());
    ASSERT_TRUE(readInto(gif, file)) << height;
    for (int32_t k = 0; k < height; ++k) {
      EXPECT_EQ(k, gif->getFrame(0)->getLine(order[k])[4]) << height << " row " << order[k];
    }
  }
}

TEST(Gif, FramesWithoutTablesAreGreyAndSmallFramesAreCentredOnWhite) {
  Bytes ramp(256);
  for (int i = 0; i < 256; ++i) ramp[i] = static_cast<uint8_t>(i);
  const Bytes file = GifBuilder(16, 16).image(16, 16, 0, 8, plainLzw(ramp, 8, false)).done();
  keepSeed("grey.gif", file);
  Held<Gif> gif(Gif::take());
  ASSERT_TRUE(readInto(gif, file));
  const Picture grey = frameOf(gif, 0);
  EXPECT_EQ(0xFF000000u, grey.at(0, 0));
  EXPECT_EQ(0xFF818181u, grey.at(1, 8));
  EXPECT_EQ(0xFFFFFFFFu, grey.at(15, 15));

  Held<Gif> sizes(Gif::take());
  ASSERT_TRUE(sizes->createFrom(Held<BufferedImage>(toImage(Picture(200, 100, 0xFF0000FFu))), 8,
                                true, 255, 255, 255, 96));
  ASSERT_TRUE(sizes->createFrom(Held<BufferedImage>(toImage(Picture(100, 50, 0xFFFF0000u))), 8,
                                true, 255, 255, 255, 96));
  Held<BufferedImageSet> set(static_cast<BufferedImageSet*>(sizes->getImageSet()));
  ASSERT_EQ(2, set->getImageCount());
  EXPECT_TRUE(set->isAnimated());
  EXPECT_EQ(8, set->getKey(1));
  BufferedImage* small = set->getImage(1);
  EXPECT_EQ(200, small->getWidth());
  EXPECT_EQ(0xFFFFFFFFu, pixelAt(small, 49, 25));
  EXPECT_EQ(0xFFFF0000u, pixelAt(small, 50, 25));
  EXPECT_EQ(0xFFFF0000u, pixelAt(small, 149, 74));
  EXPECT_EQ(0xFFFFFFFFu, pixelAt(small, 150, 74));
  EXPECT_EQ(0xFFFFFFFFu, pixelAt(small, 50, 24));

  // Frames of very different shapes are not centred in a canvas of every frame's largest side.
  Held<Gif> shapes(Gif::take());
  ASSERT_TRUE(shapes->createFrom(Held<BufferedImage>(toImage(Picture(1, 20000, 0xFF0000FFu))), 8,
                                 true, 255, 255, 255, 96));
  ASSERT_TRUE(shapes->createFrom(Held<BufferedImage>(toImage(Picture(20000, 1, 0xFF0000FFu))), 8,
                                 true, 255, 255, 255, 96));
  Held<BufferedImageSet> own(static_cast<BufferedImageSet*>(shapes->getImageSet()));
  ASSERT_EQ(2, own->getImageCount());
  EXPECT_EQ(1, own->getImage(0)->getWidth());
  EXPECT_EQ(20000, own->getImage(1)->getWidth());
  EXPECT_EQ(1, own->getImage(1)->getHeight());

  int32_t index = -1;
  EXPECT_TRUE(sizes->findExactFrame(100, 50, 8, &index));
  EXPECT_EQ(1, index);
  EXPECT_TRUE(sizes->findBestFrame(90, 40, 8, &index));
  EXPECT_EQ(1, index);
  EXPECT_FALSE(Held<Gif>(Gif::take())->findBestFrame(1, 1, 8, &index));
  EXPECT_EQ(0, index);
}

TEST(Gif, AStreamThatDefersItsClearDecodesWhole) {
  std::mt19937 random(7);
  Bytes pixels(120 * 100);
  for (auto& p : pixels) p = static_cast<uint8_t>(random() % 200);
  const Bytes file = GifBuilder(120, 100).image(120, 100, 0, 8, plainLzw(pixels, 8, true)).done();
  Held<Gif> gif(Gif::take());
  ASSERT_TRUE(readInto(gif, file));
  for (int32_t y = 0; y < 100; ++y) {
    ASSERT_EQ(0,
              std::memcmp(&pixels[static_cast<size_t>(y) * 120], gif->getFrame(0)->getLine(y), 120))
        << "row " << y;
  }
}

TEST(Gif, FewColoursRoundTripExactlyAndTransparencyKeepsItsIndex) {
  for (const auto& [bits, colours] : {std::pair{8, 255}, std::pair{4, 15}, std::pair{1, 1}}) {
    const Picture picture = makeFewColours(37, 23, colours, 11);
    Held<BufferedImage> image(toImage(picture));
    Held<ArrayU08> out(ArrayU08::take());
    ASSERT_TRUE(image->saveAsGif(out, bits, true, 255, 255, 255)) << bits;
    keepSeed("few" + std::to_string(bits) + ".gif", bytesOf(out));
    out->rewind();
    Held<Gif> gif(Gif::take());
    ASSERT_TRUE(gif->read(out)) << bits;
    EXPECT_EQ(picture.pixels, frameOf(gif, 0).pixels) << bits;
    EXPECT_FALSE(gif->hasTransparentColor());
  }
  // With keep, alpha below 96 becomes the last index, whose entry is 0; the rest is opaque.
  for (int32_t bits : {4, 8}) {
    Picture picture = makeFewColours(16, 8, 6, 3);
    picture.at(0, 0) = 0x5F112233u;
    picture.at(1, 0) = 0x60112233u;
    picture.at(2, 0) = 0x00000000u;
    Held<BufferedImage> image(toImage(picture));
    Held<Gif> gif(Gif::take());
    ASSERT_TRUE(gif->createFrom(image, bits, true, 9, 9, 9, 96));
    const int32_t transparent = (1 << bits) - 1;
    EXPECT_EQ(transparent, gif->getTransparentIndex(0));
    EXPECT_EQ(transparent, gif->getFrame(0)->getLine(0)[0]);
    EXPECT_EQ(0u,
              *reinterpret_cast<const uint32_t*>(&gif->getFrame(0)->getColorTable()[transparent]));
    Held<Gif> back(Gif::take());
    ASSERT_TRUE(readInto(back, written(gif)));
    const Picture got = frameOf(back, 0);
    EXPECT_EQ(0u, got.at(0, 0) >> 24) << bits;
    EXPECT_EQ(0xFF112233u, got.at(1, 0)) << bits;
    EXPECT_EQ(0u, got.at(2, 0) >> 24) << bits;
    EXPECT_EQ(picture.at(5, 5), got.at(5, 5)) << bits;
    // The caller's picture keeps its alpha.
    EXPECT_EQ(0x5F112233u, pixelAt(image, 0, 0));
  }
  // Without keep the picture is composed over the background.
  Picture holes(4, 4, 0xFF00FF00u);
  holes.at(3, 3) = 0x00000000u;
  Held<BufferedImage> image(toImage(holes));
  Held<Gif> flat(Gif::take());
  ASSERT_TRUE(flat->createFrom(image, 8, false, 0x10, 0x20, 0x30, 96));
  EXPECT_EQ(-1, flat->getTransparentIndex(0));
  EXPECT_EQ(0xFF102030u, frameOf(flat, 0).at(3, 3));
  EXPECT_FALSE(flat->createFrom(image, 9, true, 0, 0, 0, 96));
}

TEST(Gif, AnimationsFromSetsStoreOnlyTheChangedPixels) {
  Held<BufferedImageSet> set(BufferedImageSet::take());
  std::vector<Picture> pictures;
  Picture picture = makeFewColours(24, 16, 20, 5);
  for (int32_t i = 0; i < 4; ++i) {
    for (int32_t x = 0; x < 6; ++x) picture.at(x + i * 4, 3 + i) = 0xFF0000FFu + i;
    pictures.push_back(picture);
    set->addImage(toImage(picture), 32, 50 * (i + 1), i == 0 ? 0 : 1);
  }
  set->setAnimation(true, 2);
  Held<Gif> gif(Gif::take());
  ASSERT_TRUE(gif->createFromSet(set, 8, true, 255, 255, 255));
  ASSERT_EQ(4, gif->getFrameCount());
  EXPECT_EQ(2, gif->getLoopCount());
  EXPECT_EQ(200, gif->getFrameDelay(3));
  const Bytes file = written(gif);
  keepSeed("animation.gif", file);
  Held<Gif> back(Gif::take());
  ASSERT_TRUE(readInto(back, file));
  // A later frame is transparent wherever nothing changed.
  const Picture second = frameOf(back, 1);
  int32_t opaque = 0;
  for (uint32_t p : second.pixels) opaque += (p >> 24) != 0 ? 1 : 0;
  EXPECT_EQ(6, opaque);
  EXPECT_EQ(0xFF0000FEu + 2, second.at(4, 4));
  EXPECT_EQ(255, back->getTransparentIndex(1));
  EXPECT_EQ(-1, back->getTransparentIndex(0));
  // Composed again, the frames are the set's pictures.
  Held<BufferedImageSet> frames(static_cast<BufferedImageSet*>(back->getImageSet()));
  EXPECT_EQ(1, frames->getMode(2));
  EXPECT_TRUE(frames->mustComposeFrames());
  Held<BufferedImageSet> composed(frames->composeFrames());
  for (int32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(pictures[i].pixels, toPicture(composed->getImage(i)).pixels) << "frame " << i;
  }
  // A set that is not animated gives one frame of its best image.
  set->setAnimation(false, 0);
  Held<Gif> still(static_cast<Gif*>(gif->createLikeFromSet(set)));
  EXPECT_EQ(1, still->getFrameCount());
  set->setAnimation(true, 0);
  Held<Gif> like(static_cast<Gif*>(Held<Gif>(Gif::take())->createLikeFromSet(set)));
  EXPECT_EQ(4, like->getFrameCount());
}

TEST(Gif, ReadsFilesOfImageMagickToItsPixels) {
  if (!haveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  TempDir dir;
  const std::string ppm = dir.file("in.ppm").string();
  const std::string pam = dir.file("in.pam").string();
  ASSERT_TRUE(lumetra::testlib::writePpm(ppm, makeGradient(61, 37)));
  ASSERT_TRUE(lumetra::testlib::writePam(pam, lumetra::testlib::makeHoles(40, 30, 8)));
  ASSERT_TRUE(lumetra::testlib::writePpm(dir.file("b.ppm").string(), makeFewColours(61, 37, 9, 2)));
  ASSERT_TRUE(
      lumetra::testlib::writePpm(dir.file("c.ppm").string(), makeFewColours(61, 37, 30, 4)));
  struct Case {
    std::string name;
    std::vector<std::string> arguments;
    int32_t frames;
  };
  const std::vector<Case> cases = {
      {"256.gif", {ppm, "-colors", "256"}, 1},
      {"2.gif", {ppm, "-colors", "2"}, 1},
      {"interlaced.gif", {ppm, "-colors", "200", "-interlace", "GIF"}, 1},
      {"transparent.gif", {pam, "-colors", "64"}, 1},
      {"animated.gif",
       {"-delay", "20", "-loop", "3", ppm, dir.file("b.ppm").string(), dir.file("c.ppm").string()},
       3}};
  for (const Case& c : cases) {
    std::vector<std::string> argv = {"convert"};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    argv.push_back(dir.file(c.name).string());
    ASSERT_EQ(0, lumetra::testlib::run(argv).exitCode) << c.name;
    const Bytes file = readFile(dir.file(c.name));
    keepSeed("magick-" + c.name, file);
    Held<Gif> gif(Gif::take());
    ASSERT_TRUE(readInto(gif, file)) << c.name;
    ASSERT_EQ(c.frames, gif->getFrameCount()) << c.name;
    for (int32_t i = 0; i < c.frames; ++i) {
      expectSamePixels(magickPixels(dir.file(c.name).string(), i), frameOf(gif, i),
                       c.name + " frame " + std::to_string(i));
    }
    if (c.frames == 3) {
      // ImageMagick stores the repeats after the first showing: one less than its -loop.
      EXPECT_EQ(2, gif->getLoopCount());
      EXPECT_EQ(200, gif->getFrameDelay(1));
    }
  }
}

TEST(Gif, OurFilesDecodeInOtherProgramsToOurPixels) {
  if (!haveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  TempDir dir;
  Picture picture = makeGradient(50, 30);
  for (int32_t x = 0; x < 10; ++x) picture.at(x, 7) = 0x00000000u;
  Held<BufferedImage> image(toImage(picture));
  for (int32_t bits : {8, 4}) {
    const std::string path = dir.file("ours" + std::to_string(bits) + ".gif").string();
    std::u16string wide = dir.windowsPath("ours" + std::to_string(bits) + ".gif");
    ASSERT_TRUE(image->saveAsGifFile(wide.c_str(), bits, true, 255, 255, 255));
    Held<Gif> gif(Gif::take());
    ASSERT_TRUE(gif->loadFromFile(wide.c_str()));
    const Picture ours = frameOf(gif, 0);
    EXPECT_EQ(0u, ours.at(3, 7) >> 24);
    expectSamePixels(magickPixels(path, 0), ours, "convert " + path);
    if (lumetra::testlib::run({"gif2rgb", "-h"}).exitCode != 127) {
      const std::string rgb = dir.file("out.rgb").string();
      ASSERT_EQ(0, lumetra::testlib::run({"gif2rgb", "-1", "-o", rgb, path}).exitCode);
      const Bytes triples = readFile(rgb);
      ASSERT_EQ(ours.pixels.size() * 3, triples.size());
      for (size_t i = 0; i < ours.pixels.size(); ++i) {
        if ((ours.pixels[i] >> 24) == 0) continue;
        const uint32_t p = 0xFF000000u | (uint32_t{triples[i * 3]} << 16) |
                           (uint32_t{triples[i * 3 + 1]} << 8) | triples[i * 3 + 2];
        ASSERT_EQ(ours.pixels[i], p) << "gif2rgb pixel " << i;
      }
    }
  }
}

TEST(Gif, HostileInputAnswersWithoutHarm) {
  const Bytes pixels(64, 1);
  const Bytes good =
      GifBuilder(8, 8).control(1, 10, 0).image(8, 8, 0, 2, plainLzw(pixels, 2, false)).done();
  Held<Gif> gif(Gif::take());
  ASSERT_TRUE(readInto(gif, good));
  // Truncated at every byte: never more than one frame, false inside a block.
  for (size_t n = 0; n < good.size(); ++n) {
    Held<Gif> cut(Gif::take());
    const bool ok = readInto(cut, Bytes(good.begin(), good.begin() + static_cast<long>(n)));
    EXPECT_LE(cut->getFrameCount(), 1) << n;
    // Only a file that stops right before the trailer is whole.
    EXPECT_EQ(n == good.size() - 1, ok) << n;
  }
  EXPECT_FALSE(readInto(gif, Bytes()));
  EXPECT_FALSE(readInto(gif, GifBuilder(8, 8).done()));  // no frame

  // Code sizes the frame cannot have: the frame is kept, empty.
  for (int32_t codeSize : {0, 9, 12}) {
    const Bytes file = GifBuilder(8, 8).image(8, 8, 0, codeSize, {0x44, 0x01}).done();
    Held<Gif> g(Gif::take());
    EXPECT_TRUE(readInto(g, file)) << codeSize;
    ASSERT_EQ(1, g->getFrameCount());
    EXPECT_EQ(0, g->getFrame(0)->getLine(0)[0]);
  }
  // A zero-size frame is passed over.
  Bytes zero = GifBuilder(8, 8)
                   .image(0, 8, 0, 2, {0x44})
                   .image(8, 8, 0, 2, plainLzw(pixels, 2, false))
                   .done();
  Held<Gif> z(Gif::take());
  EXPECT_TRUE(readInto(z, zero));
  EXPECT_EQ(1, z->getFrameCount());
  // 65,535 x 65,535 is refused before anything is allocated.
  Bytes huge = GifBuilder(65535, 65535).image(65535, 65535, 0, 8, {0x00}).done();
  Held<Gif> h(Gif::take());
  EXPECT_FALSE(readInto(h, huge));
  EXPECT_EQ(0, h->getFrameCount());
  // A global table, local tables of two entries and stray bytes between blocks.
  Bytes tables = GifBuilder(2, 1).file;
  tables[10] = 0x80;  // two global entries
  tables.insert(tables.end(), {10, 20, 30, 40, 50, 60, 0x00, 0x21, 0x01, 0x00});
  GifBuilder rest(2, 1);
  rest.file.clear();
  rest.image(2, 1, 0x80, 2, plainLzw({0, 1}, 2, false));
  rest.file.insert(rest.file.begin() + 10, {1, 2, 3, 4, 5, 6});
  tables.insert(tables.end(), rest.file.begin(), rest.file.end());
  tables.push_back(0x3B);
  keepSeed("tables.gif", tables);
  Held<Gif> t(Gif::take());
  ASSERT_TRUE(readInto(t, tables));
  EXPECT_EQ(1, t->getBitsPerPixel());
  EXPECT_EQ(0xFF040506u, frameOf(t, 0).at(1, 0));
}

TEST(Gif, PackedFramesWriteOneIndexAPixel) {
  for (int32_t bits : {1, 4}) {
    Held<Gif> gif(Gif::take());
    ASSERT_TRUE(gif->createDib(9, 3, bits));
    EXPECT_EQ(1, gif->getFrameCount());
    EXPECT_EQ(bits, gif->getBitCount());
    RGBQUAD* table = gif->getFrame(0)->getColorTable();
    table[1] = RGBQUAD{30, 20, 10, 0};
    // Pixel 5 of row 1 takes index 1: bit 2 of the first byte at 1 bit, the low nibble of byte 2
    // at 4 bits.
    uint8_t* row = gif->getFrame(0)->getLine(1);
    if (bits == 1) row[0] = 0x04;
    else row[2] = 0x01;
    Held<Gif> back(Gif::take());
    ASSERT_TRUE(readInto(back, written(gif))) << bits;
    EXPECT_EQ(bits, back->getBitsPerPixel());
    EXPECT_EQ(1, back->getFrame(0)->getLine(1)[5]) << bits;
    EXPECT_EQ(0, back->getFrame(0)->getLine(1)[4]) << bits;
    EXPECT_EQ(0xFF0A141Eu, frameOf(back, 0).at(5, 1)) << bits;
  }
  Held<Gif> deep(Gif::take());
  ASSERT_TRUE(deep->createDib(4, 4, 24));
  Held<ArrayU08> out(ArrayU08::take());
  EXPECT_FALSE(deep->write(out));
  EXPECT_EQ(0u, out->getCount());
}
