// image_bench: converts and resizes pictures, and times the imaging library in-process.
//
//   image_bench convert IN OUT [--quality Q] [--bpp N] [--interlace] [--keep | --background RRGGBB]
//                                              BMP, GIF, JPEG, PNG, PPM and PAM by extension
//   image_bench resize IN W H OUT [--quality Q]
//   image_bench sharpen IN LEVEL OUT           sharpened (level > 0) or blurred (level < 0)
//   image_bench animate OUT.gif DELAY_MS FRAME...   an animated GIF, looping for ever
//   image_bench decode IN | encode IN OUT | roundtrip IN | scale IN W H
//   image_bench sharpness IN LEVEL             megapixels per second of the filter
//   image_bench png IN.png                     our PNG decode and encode (plain and Adam7)
//                                              beside libpng's simplified API on the same data,
//                                              and our decode's two halves (read, getImage)
//                                              (timed: the median of 5 runs after a warm-up)
//   image_bench jpeg IN.ppm [QUALITY]          our JPEG encode of the picture (saveAsJpeg into
//                                              memory) and decode (read and getImage from
//                                              memory into the same codec and image each run)
//                                              beside libjpeg's own compress and decompress of
//                                              the same pixels in memory, and whether both
//                                              encodes gave the same bytes (timed: the median of
//                                              5 runs after a warm-up, alternating)
#include "core/col/array/ArrayU08.h"
#include "core/io/IOutputStream.h"
#include "imaging/bmp/win/Bitmap.h"
#include "imaging/filters/sharpness/Sharpness.h"
#include "imaging/gif/win/Gif.h"
#include "imaging/jpg/win/Jpeg.h"
#include "imaging/png/win/Png.h"
#include "imaging/win/BufferedImage.h"
#include "imaging/win/BufferedImageSet.h"
#include "testlib/ImageGen.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "imaging/jpg/win/JpegLib.h"

#include <png.h>

using s::col::_array::ArrayU08;
using s::image::IEncodedImage;
using s::image::bmp::win::Bitmap;
using s::image::gif::win::Gif;
using s::image::jpg::win::Jpeg;
using s::image::png::win::Png;
using s::image::win::BufferedImage;
using s::image::win::BufferedImageSet;

namespace {

/// Adam7 for the PNG files written.
bool g_interlace = false;
/// How a GIF or BMP keeps transparency: kept, or composed over the background (0xRRGGBB).
bool g_keep = false;
uint32_t g_background = 0xFFFFFF;

bool endsWith(const std::string& s, const char* tail) {
  const size_t n = std::strlen(tail);
  return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::vector<uint8_t> bytes(in ? static_cast<size_t>(in.tellg()) : 0);
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

/// Peak resident memory of this process in KiB (VmHWM).
long peakKib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

/// An output stream over a file of this process's own, through a 64 KiB buffer and plain write
/// calls; it only ever moves forward. Lives on the stack (release and reset do nothing).
class PlainFile final : public s::io::IOutputStream {
 public:
  explicit PlainFile(const std::string& path)
      : m_fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) {}
  ~PlainFile() override { close(); }
  bool ok() const { return m_fd >= 0; }
  bool write(const void* data, uint32_t size, uint32_t* written) override {
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (m_buffer.size() + size > kBufferSize && !flush()) {
      return false;
    }
    if (size >= kBufferSize) {
      if (!writeAll(bytes, size)) {
        return false;
      }
    } else {
      m_buffer.insert(m_buffer.end(), bytes, bytes + size);
    }
    m_position += size;
    if (written != nullptr) {
      *written = size;
    }
    return true;
  }
  bool flush() override {
    const bool done = writeAll(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
    return done;
  }
  bool close() override {
    if (m_fd < 0) {
      return false;
    }
    const bool done = flush();
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    return done && closed;
  }
  void truncate() override {}
  int64_t getPosition() override { return m_position; }
  bool isSeekable() override { return false; }
  bool rewind() override { return false; }
  int64_t seekToEnd() override { return m_position; }
  bool seek(int64_t) override { return false; }
  int64_t seekFromEnd(int64_t) override { return m_position; }
  bool skip(int64_t) override { return false; }
  bool skipBack(int64_t) override { return false; }
  void resetStream() override {}
  void dispose() override {}
  void release() override {}
  void reset() override {}

 private:
  static constexpr size_t kBufferSize = 64 << 10;

  bool writeAll(const uint8_t* bytes, size_t size) {
    while (size > 0) {
      const ssize_t n = ::write(m_fd, bytes, size);
      if (n <= 0) {
        return false;
      }
      bytes += n;
      size -= static_cast<size_t>(n);
    }
    return true;
  }

  int m_fd;
  int64_t m_position = 0;
  std::vector<uint8_t> m_buffer;
};

/// Decodes a file into a new buffer; null when it cannot be read.
BufferedImage* load(const std::string& path) {
  if (endsWith(path, ".ppm") || endsWith(path, ".pam") || endsWith(path, ".pgm")) {
    const lumetra::testlib::Picture p = lumetra::testlib::readPnm(path);
    if (p.width == 0) return nullptr;
    BufferedImage* image = BufferedImage::takeSized(p.width, p.height);
    for (int32_t y = 0; y < p.height; ++y) {
      std::memcpy(image->getLine(y), &p.pixels[static_cast<size_t>(y) * p.width],
                  static_cast<size_t>(p.width) * 4);
    }
    image->setHasAlpha(p.hasAlpha());
    return image;
  }
  // The file straight into the array the codec reads.
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  const std::streamsize size = in ? static_cast<std::streamsize>(in.tellg()) : 0;
  in.seekg(0);
  ArrayU08* array = ArrayU08::take();
  array->setCount(static_cast<uint32_t>(size));
  in.read(reinterpret_cast<char*>(array->getItems()), size);
  array->rewind();
  IEncodedImage* codec = nullptr;
  if (endsWith(path, ".bmp")) codec = Bitmap::take();
  else if (endsWith(path, ".png")) codec = Png::take();
  else if (endsWith(path, ".gif")) codec = Gif::take();
  else codec = Jpeg::take();
  BufferedImage* image = codec->read(array) ? codec->getImage(0, nullptr) : nullptr;
  codec->release();
  array->release();
  return image;
}

/// Encodes into `array` by the extension of `path`.
bool encodeAs(BufferedImage* image, const std::string& path, int32_t quality, int32_t bpp,
              s::io::IOutputStream* array) {
  const auto r = static_cast<uint8_t>(g_background >> 16);
  const auto g = static_cast<uint8_t>(g_background >> 8);
  const auto b = static_cast<uint8_t>(g_background);
  if (endsWith(path, ".bmp")) return image->saveAsBmp(array, bpp, true, 255, 255, 255);
  if (endsWith(path, ".png")) return image->saveAsPng(array, g_interlace, true, r, g, b);
  if (endsWith(path, ".gif")) return image->saveAsGif(array, bpp == 24 ? 8 : bpp, g_keep, r, g, b);
  return image->saveAsJpeg(array, quality, r, g, b);
}

bool writeBytes(ArrayU08* array, const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(array->getItems()), array->getCount());
  return static_cast<bool>(out);
}

bool save(BufferedImage* image, const std::string& path, int32_t quality, int32_t bpp) {
  if (endsWith(path, ".ppm") || endsWith(path, ".pam")) {
    lumetra::testlib::Picture p(image->getWidth(), image->getHeight());
    for (int32_t y = 0; y < p.height; ++y) {
      std::memcpy(&p.pixels[static_cast<size_t>(y) * p.width], image->getLine(y),
                  static_cast<size_t>(p.width) * 4);
    }
    return endsWith(path, ".pam") ? lumetra::testlib::writePam(path, p)
                                  : lumetra::testlib::writePpm(path, p);
  }
  // Encoded straight into the file through plain writes: the peers write theirs so, without
  // the program's flush to the disk at the end.
  PlainFile file(path);
  return file.ok() && encodeAs(image, path, quality, bpp, &file) && file.close();
}

/// An animated GIF of the frames, each shown `delay` milliseconds, looping for ever.
int animate(const std::string& out, int32_t delay, const std::vector<std::string>& frames) {
  BufferedImageSet* set = BufferedImageSet::take();
  for (const std::string& frame : frames) {
    BufferedImage* image = load(frame);
    if (image == nullptr) {
      std::fprintf(stderr, "image_bench: cannot read %s\n", frame.c_str());
      set->release();
      return 1;
    }
    set->addImage(image, 32, delay, 1);
  }
  set->setAnimation(true, 0);
  Gif* gif = Gif::take();
  ArrayU08* array = ArrayU08::take();
  bool ok = gif->createFromSet(set, 8, true, 255, 255, 255) && gif->write(array);
  ok = writeBytes(array, out) && ok;
  array->release();
  gif->release();
  set->release();
  return ok ? 0 : 1;
}

/// The median of five timed runs after a warm-up, in milliseconds.
template <class Run>
double median(Run run) {
  run();
  std::vector<double> ms;
  for (int i = 0; i < 5; ++i) {
    const auto start = std::chrono::steady_clock::now();
    run();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count());
  }
  std::sort(ms.begin(), ms.end());
  return ms[2];
}

/// One timed run in milliseconds.
template <class Run>
double median1(Run run) {
  const auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

template <class Ours, class Peer>
std::pair<double, double> alternating(Ours ours, Peer peer);

int jpegRows(BufferedImage* image, int32_t quality);

/// Our PNG decode and encode of `path` beside libpng's simplified API, which reads into RGBA and
/// writes RGBA at the library's default compression, as ours does.
int pngRows(const std::string& path, BufferedImage* image) {
  const std::vector<uint8_t> file = readFile(path);
  ArrayU08* bytes = ArrayU08::take();
  bytes->add(file.data(), static_cast<uint32_t>(file.size()));
  std::vector<uint8_t> rgba;
  const auto [ours, simplified] = alternating(
      [&] {
        bytes->rewind();
        Png* png = Png::take();
        png->read(bytes);
        BufferedImage* decoded = png->getImage(0, nullptr);
        decoded->release();
        png->release();
      },
      [&] {
        png_image peer{};
        peer.version = PNG_IMAGE_VERSION;
        png_image_begin_read_from_memory(&peer, file.data(), file.size());
        peer.format = PNG_FORMAT_RGBA;
        rgba.resize(PNG_IMAGE_SIZE(peer));
        png_image_finish_read(&peer, nullptr, rgba.data(), 0, nullptr);
        png_image_free(&peer);
      });
  // The two halves of our decode: libpng into the PNG's bitmap, and the copy into a new buffer.
  Png* kept = Png::take();
  const auto [readMs, copyMs] = alternating(
      [&] {
        bytes->rewind();
        kept->read(bytes);
      },
      [&] { kept->getImage(0, nullptr)->release(); });
  kept->release();
  const int32_t w = image->getWidth(), h = image->getHeight();
  std::printf("png decode %dx%d: ours %.2f ms, libpng simplified %.2f ms, ratio %.3f\n", w, h, ours,
              simplified, ours / simplified);
  std::printf("png decode parts: read %.2f ms, getImage %.2f ms\n", readMs, copyMs);
  for (bool adam7 : {false, true}) {
    ArrayU08* out = ArrayU08::take();
    std::vector<uint8_t> written;
    size_t size = 0;
    // The simplified API writes into a buffer of the size a first call measured; that call
    // compresses too, so only the second call is timed.
    png_image probe{};
    probe.version = PNG_IMAGE_VERSION;
    probe.width = static_cast<png_uint_32>(w);
    probe.height = static_cast<png_uint_32>(h);
    probe.format = PNG_FORMAT_RGBA;
    png_image_write_to_memory(&probe, nullptr, &size, 0, rgba.data(), 0, nullptr);
    written.resize(size);
    const auto [encode, peerMs] = alternating(
        [&] {
          out->clear();
          image->saveAsPng(out, adam7, true, 255, 255, 255);
        },
        [&] {
          png_image peer = probe;
          size_t room = written.size();
          png_image_write_to_memory(&peer, written.data(), &room, 0, rgba.data(), 0, nullptr);
        });
    std::printf("png encode%s: ours %.2f ms (%u bytes)", adam7 ? " adam7" : "", encode,
                out->getCount());
    if (!adam7) {
      std::printf(", libpng simplified %.2f ms (%zu bytes), ratio %.3f", peerMs, size,
                  encode / peerMs);
    }
    std::printf("\n");
    out->release();
  }
  bytes->release();
  return 0;
}

/// Our JPEG encode and decode of `image` beside libjpeg's own compress and decompress of the same
/// pixels, all in memory: libjpeg compresses red-green-blue rows at the quality with its other
/// settings at their defaults, as cjpeg does, and decompresses into red-green-blue rows, as djpeg
/// does before it writes its file.
int jpegRows(BufferedImage* image, int32_t quality) {
  const int32_t w = image->getWidth(), h = image->getHeight();
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* in = image->getLine(y);
    uint8_t* out = &rgb[static_cast<size_t>(y) * w * 3];
    for (int32_t x = 0; x < w; ++x) {
      out[3 * x] = in[4 * x + 2];
      out[3 * x + 1] = in[4 * x + 1];
      out[3 * x + 2] = in[4 * x];
    }
  }
  unsigned char* peerBytes = nullptr;
  unsigned long peerSize = 0;
  auto compress = [&] {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    std::free(peerBytes);
    peerBytes = nullptr;
    peerSize = 0;
    jpeg_mem_dest(&cinfo, &peerBytes, &peerSize);
    cinfo.image_width = static_cast<JDIMENSION>(w);
    cinfo.image_height = static_cast<JDIMENSION>(h);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
      JSAMPROW row = &rgb[static_cast<size_t>(cinfo.next_scanline) * w * 3];
      jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
  };
  ArrayU08* ours = ArrayU08::take();
  const auto [encodeMs, compressMs] = alternating(
      [&] {
        ours->clear();
        image->saveAsJpeg(ours, quality, 255, 255, 255);
      },
      compress);
  const bool same =
      ours->getCount() == peerSize && std::memcmp(ours->getItems(), peerBytes, peerSize) == 0;
  std::vector<uint8_t> decoded(rgb.size());
  auto decompress = [&] {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, peerBytes, peerSize);
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW row = &decoded[static_cast<size_t>(cinfo.output_scanline) * w * 3];
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
  };
  // Both decoders keep their output from run to run, as a program showing one picture after
  // another does: ours its codec and target image, libjpeg its rows.
  ArrayU08* file = ArrayU08::take();
  file->add(peerBytes, static_cast<uint32_t>(peerSize));
  Jpeg* jpeg = Jpeg::take();
  BufferedImage* target = BufferedImage::take();
  const auto [decodeMs, decompressMs] = alternating(
      [&] {
        file->rewind();
        if (jpeg->read(file)) {
          jpeg->getImage(0, target);
        }
      },
      decompress);
  target->release();
  jpeg->release();
  std::printf("jpeg encode %dx%d q%d: ours %.2f ms, libjpeg %.2f ms, ratio %.3f, same bytes: %s\n",
              w, h, quality, encodeMs, compressMs, compressMs / encodeMs, same ? "yes" : "no");
  std::printf("jpeg decode %dx%d: ours %.2f ms, libjpeg %.2f ms, ratio %.3f\n", w, h, decodeMs,
              decompressMs, decompressMs / decodeMs);
  file->release();
  ours->release();
  std::free(peerBytes);
  return same ? 0 : 1;
}

/// The medians of five runs of `ours` and `peer`, alternating after a warm-up of each, so both
/// meet the same load.
template <class Ours, class Peer>
std::pair<double, double> alternating(Ours ours, Peer peer) {
  ours();
  peer();
  std::vector<double> a, b;
  for (int i = 0; i < 5; ++i) {
    a.push_back(median1(ours));
    b.push_back(median1(peer));
  }
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  return {a[2], b[2]};
}

int usage() {
  std::fprintf(stderr,
               "usage: image_bench convert IN OUT [--quality Q] [--bpp N] [--interlace] [--keep | "
               "--background RRGGBB]\n"
               "       image_bench resize IN W H OUT [--quality Q]\n"
               "       image_bench sharpen IN LEVEL OUT\n"
               "       image_bench animate OUT.gif DELAY_MS FRAME...\n"
               "       image_bench decode IN | encode IN OUT | roundtrip IN | scale IN W H\n"
               "       image_bench sharpness IN LEVEL | png IN.png | jpeg IN.ppm [QUALITY]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  int32_t quality = 75, bpp = 24;
  for (size_t i = 0; i < args.size();) {
    if (args[i] == "--interlace" || args[i] == "--keep") {
      (args[i] == "--interlace" ? g_interlace : g_keep) = true;
      args.erase(args.begin() + static_cast<long>(i));
      continue;
    }
    if (i + 1 >= args.size()) break;
    if (args[i] == "--quality") quality = std::stoi(args[i + 1]);
    else if (args[i] == "--background") g_background = std::stoul(args[i + 1], nullptr, 16);
    else if (args[i] == "--bpp") bpp = std::stoi(args[i + 1]);
    else {
      ++i;
      continue;
    }
    args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
  }
  if (args.size() < 2) return usage();
  const std::string& mode = args[0];
  if (mode == "animate") {
    if (args.size() < 4) return usage();
    return animate(args[1], std::stoi(args[2]),
                   std::vector<std::string>(args.begin() + 3, args.end()));
  }
  const long baseline = peakKib();
  BufferedImage* image = load(args[1]);
  if (image == nullptr) {
    std::fprintf(stderr, "image_bench: cannot read %s\n", args[1].c_str());
    return 1;
  }
  int rc = 0;
  if (mode == "convert" && args.size() == 3) {
    rc = save(image, args[2], quality, bpp) ? 0 : 1;
  } else if (mode == "resize" && args.size() == 5) {
    BufferedImage* small = image->getScaled(std::stoi(args[2]), std::stoi(args[3]), false);
    rc = save(small, args[4], quality, bpp) ? 0 : 1;
  } else if (mode == "sharpen" && args.size() == 4) {
    auto* sharpness = s::image::filters::sharpness::Sharpness::takeLevel(std::stoi(args[2]));
    BufferedImage* sharp = sharpness->filter(image, nullptr);
    rc = save(sharp, args[3], quality, bpp) ? 0 : 1;
    sharp->release();
    sharpness->release();
  } else if (mode == "sharpness" && args.size() == 3) {
    auto* sharpness = s::image::filters::sharpness::Sharpness::takeLevel(std::stoi(args[2]));
    BufferedImage* target = BufferedImage::take();
    const double ms = median([&] { sharpness->filter(image, target); });
    const double mp = static_cast<double>(image->getWidth()) * image->getHeight() / 1e6;
    std::printf("sharpness %s %dx%d: %.2f ms, %.1f MP/s\n", args[2].c_str(), image->getWidth(),
                image->getHeight(), ms, mp / (ms / 1000));
    target->release();
    sharpness->release();
  } else if (mode == "png" && args.size() == 2) {
    rc = pngRows(args[1], image);
  } else if (mode == "jpeg" && (args.size() == 2 || args.size() == 3)) {
    rc = jpegRows(image, args.size() == 3 ? std::stoi(args[2]) : quality);
  } else if (mode == "decode" && args.size() == 2) {
    const double ms = median([&] {
      BufferedImage* i = load(args[1]);
      i->release();
    });
    std::printf("decode %s %dx%d: %.2f ms\n", args[1].c_str(), image->getWidth(),
                image->getHeight(), ms);
    if (endsWith(args[1], ".gif")) {
      // The reader alone: blocks and LZW decoding into the frame bitmaps, no 32-bit picture.
      const std::vector<uint8_t> bytes = readFile(args[1]);
      ArrayU08* array = ArrayU08::take();
      array->add(bytes.data(), static_cast<uint32_t>(bytes.size()));
      Gif* gif = Gif::take();
      const double readMs = median([&] {
        array->rewind();
        gif->read(array);
      });
      std::printf("read (LZW) %s: %.2f ms, %.1f MP/s\n", args[1].c_str(), readMs,
                  static_cast<double>(image->getWidth()) * image->getHeight() / 1e3 / readMs);
      gif->release();
      array->release();
    }
  } else if (mode == "encode" && args.size() == 3) {
    const double ms = median([&] { save(image, args[2], quality, bpp); });
    std::printf("encode %s: %.2f ms\n", args[2].c_str(), ms);
  } else if (mode == "roundtrip" && args.size() == 2) {
    const double ms = median([&] {
      BufferedImage* i = load(args[1]);
      ArrayU08* array = ArrayU08::take();
      encodeAs(i, args[1], quality, bpp, array);
      array->release();
      i->release();
    });
    std::printf("roundtrip %s: %.2f ms\n", args[1].c_str(), ms);
  } else if (mode == "scale" && args.size() == 4) {
    const int32_t w = std::stoi(args[2]), h = std::stoi(args[3]);
    BufferedImage* target = BufferedImage::take();
    const double ms = median([&] {
      image->getScaled(w, h, false);
      image->setScaledCache(nullptr);
    });
    const double mp = static_cast<double>(image->getWidth()) * image->getHeight() / 1e6;
    std::printf("scale %dx%d -> %dx%d: %.2f ms, %.1f source MP/s, %.1f destination MP/s\n",
                image->getWidth(), image->getHeight(), w, h, ms, mp / (ms / 1000),
                static_cast<double>(w) * h / 1e6 / (ms / 1000));
    target->release();
  } else {
    rc = usage();
  }
  image->release();
  if (mode != "convert" && mode != "resize" && mode != "sharpen") {
    std::printf("peak resident memory: %ld KiB (%ld above the start)\n", peakKib(),
                peakKib() - baseline);
  }
  return rc;
}
