// Generated pictures for the imaging tests and benchmarks, and small PPM and PAM files to
// exchange pixels with the reference tools.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumetra::testlib {

/// A picture of 32-bit pixels 0xAARRGGBB, rows from the top.
struct Picture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;

  Picture() = default;
  Picture(int32_t w, int32_t h, uint32_t fill = 0xFF000000u)
      : width(w), height(h), pixels(static_cast<size_t>(w) * static_cast<size_t>(h), fill) {}
  uint32_t& at(int32_t x, int32_t y) { return pixels[static_cast<size_t>(y) * width + x]; }
  uint32_t at(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  /// Some pixel's alpha is below 255.
  bool hasAlpha() const;
};

/// Opaque: red grows to the right, green downwards, blue along the diagonal.
Picture makeGradient(int32_t width, int32_t height);
/// An opaque disc of `colour` with a soft edge over a plain background.
Picture makeSoftDisc(int32_t width, int32_t height, uint32_t colour, uint32_t background);
/// Opaque uniform noise from a fixed seed.
Picture makeNoise(int32_t width, int32_t height, uint32_t seed);
/// Opaque blocks of `colours` distinct colours (at most 256), from a fixed seed.
Picture makeFewColours(int32_t width, int32_t height, int32_t colours, uint32_t seed);
/// The gradient with alpha rising from 0 at the left to 255 at the right.
Picture makeAlphaRamp(int32_t width, int32_t height);
/// The gradient with fully transparent square holes every `period` pixels.
Picture makeHoles(int32_t width, int32_t height, int32_t period);

/// Writes a binary PPM (P6, the alpha dropped) or PAM (P7 RGB_ALPHA); false on an I/O error.
bool writePpm(const std::string& path, const Picture& picture);
bool writePam(const std::string& path, const Picture& picture);
/// Reads a binary PGM (P5), PPM (P6) or PAM (P7, GRAYSCALE, RGB or RGB_ALPHA) of 8-bit samples;
/// an empty picture when the file cannot be read.
Picture readPnm(const std::string& path);

}  // namespace lumetra::testlib
