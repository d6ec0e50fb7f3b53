// Test support: 32-bit DIB sections to paint into, and comparisons of their pixels with stored
// hashes; a mismatch writes the picture as a PNG file into the test's working folder (in the
// build folder) so a person can look at it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"

#include <cstdint>
#include <string>

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
  /// FNV-1a over the pixels, top row first.
  uint64_t hash() const {
    uint64_t h = 1469598103934665603ull;
    for (int y = 0; y < m_height; ++y) {
      for (int x = 0; x < m_width; ++x) {
        uint32_t v = at(x, y);
        for (int k = 0; k < 4; ++k) h = (h ^ ((v >> (8 * k)) & 0xFF)) * 1099511628211ull;
      }
    }
    return h;
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

#define EXPECT_PAINTED(canvas, expectedHash, name)                                                   \
  do {                                                                                            \
    uint64_t actual__ = (canvas).hash();                                                          \
    if (actual__ != (expectedHash)) (canvas).save(std::string(name) + ".png");                    \
    EXPECT_EQ(actual__, static_cast<uint64_t>(expectedHash)) << "painted pixels differ; see " << name << ".png"; \
  } while (0)
