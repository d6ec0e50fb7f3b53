// Test support of the layer: 32-bit DIB sections to paint into, and comparisons of painted pixels
// with stored hashes. A mismatch writes the picture as a PNG file into the test's working folder
// (in the build folder) so a person can look at it. With LUMETRA_UPDATE_GOLDENS=1 a mismatch
// does not fail: the new hash is printed and the PNG written, for review before the hash in the
// test is replaced.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

/// FNV-1a over width x height pixels, top row first, each pixel's bytes lowest first. `stride`
/// is the distance between rows in pixels (negative for bottom-up storage).
inline uint64_t pixelHash(const uint32_t* topRow, ptrdiff_t stride, int width, int height) {
  uint64_t h = 1469598103934665603ull;
  for (int y = 0; y < height; ++y) {
    const uint32_t* row = topRow + y * stride;
    for (int x = 0; x < width; ++x) {
      for (int k = 0; k < 4; ++k) h = (h ^ ((row[x] >> (8 * k)) & 0xFF)) * 1099511628211ull;
    }
  }
  return h;
}

/// True when LUMETRA_UPDATE_GOLDENS=1: painting checks report new hashes instead of failing.
inline bool updatingGoldens() {
  const char* value = std::getenv("LUMETRA_UPDATE_GOLDENS");
  return value != nullptr && std::strcmp(value, "1") == 0;
}

/// Compares a picture's hash with its stored one. On a mismatch `save` writes the picture as
/// `name`.png; it fails, or, when goldens are being updated, prints the new hash and passes.
inline ::testing::AssertionResult matchesGolden(uint64_t actual, uint64_t expected, const std::string& name,
                                                const std::function<bool(const std::string&)>& save) {
  if (actual == expected) return ::testing::AssertionSuccess();
  const std::string file = name + ".png";
  bool saved = save(file);
  char hex[32];
  std::snprintf(hex, sizeof hex, "0x%016llxull", static_cast<unsigned long long>(actual));
  if (updatingGoldens()) {
    std::printf("[ GOLDEN   ] %s: %s (picture in %s)\n", name.c_str(), hex, saved ? file.c_str() : "no file");
    return ::testing::AssertionSuccess();
  }
  char wanted[32];
  std::snprintf(wanted, sizeof wanted, "0x%016llxull", static_cast<unsigned long long>(expected));
  return ::testing::AssertionFailure() << "painted pixels of " << name << " hash to " << hex << ", expected " << wanted
                                       << "; " << (saved ? "see " + file : "the picture could not be written")
                                       << " (LUMETRA_UPDATE_GOLDENS=1 prints the new hashes)";
}

/// A memory DC with a top-down (or bottom-up) 32-bit DIB section selected into it.
class Canvas {
 public:
  Canvas(int width, int height, bool topDown = true) : m_width(width), m_height(height), m_topDown(topDown) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = topDown ? -height : height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    m_dc = CreateCompatibleDC(nullptr);
    m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &m_bits, nullptr, 0);
    m_old = SelectObject(m_dc, m_bitmap);
  }
  ~Canvas() {
    SelectObject(m_dc, m_old);
    DeleteObject(m_bitmap);
    DeleteDC(m_dc);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return m_dc; }
  HBITMAP bitmap() const { return m_bitmap; }
  int width() const { return m_width; }
  int height() const { return m_height; }
  /// The pixel at (x, y), y counted from the top, as 0xAARRGGBB.
  uint32_t at(int x, int y) const {
    int row = m_topDown ? y : m_height - 1 - y;
    return static_cast<const uint32_t*>(m_bits)[row * m_width + x];
  }
  void fill(uint32_t value) {
    for (int i = 0; i < m_width * m_height; ++i) static_cast<uint32_t*>(m_bits)[i] = value;
  }
  uint64_t hash() const {
    const auto* bits = static_cast<const uint32_t*>(m_bits);
    if (m_topDown) return pixelHash(bits, m_width, m_width, m_height);
    return pixelHash(bits + static_cast<ptrdiff_t>(m_height - 1) * m_width, -m_width, m_width, m_height);
  }
  bool save(const std::string& path) const {
    return winapi::HeadlessDriver::savePng(m_bits, m_width, m_height, !m_topDown, path.c_str());
  }

 private:
  int m_width, m_height;
  bool m_topDown;
  HDC m_dc;
  HBITMAP m_bitmap;
  HGDIOBJ m_old;
  void* m_bits = nullptr;
};

#define EXPECT_PAINTED(canvas, expectedHash, name)                                        \
  EXPECT_TRUE(matchesGolden((canvas).hash(), static_cast<uint64_t>(expectedHash), (name), \
                            [&](const std::string& path__) { return (canvas).save(path__); }))
