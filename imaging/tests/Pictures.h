// Moving generated pictures in and out of image buffers, for the imaging tests.
#pragma once

#include "imaging/win/BufferedImage.h"
#include "testlib/ImageGen.h"

#include <cstring>

namespace lumetra::imaging_test {

/// A pooled buffer holding `picture`, its capacity larger by `spare` pixels on each side so that
/// rows neither start at the bits nor lie one visible stride apart; the caller releases it.
inline s::image::win::BufferedImage* toImage(const testlib::Picture& picture, int32_t spare = 3) {
  auto* image =
      s::image::win::BufferedImage::takeSized(picture.width + spare, picture.height + spare);
  image->setSize(picture.width, picture.height);
  // Spare pixels hold a colour no test expects, so a read outside the image shows.
  for (int32_t y = 0; y < image->getCapacityHeight(); ++y) {
    auto* row = reinterpret_cast<uint32_t*>(image->getLine(y));
    for (int32_t x = 0; x < image->getCapacityWidth(); ++x) {
      row[x] = 0x5AA5C33Cu;
    }
  }
  for (int32_t y = 0; y < picture.height; ++y) {
    std::memcpy(image->getLine(y), &picture.pixels[static_cast<size_t>(y) * picture.width],
                static_cast<size_t>(picture.width) * 4);
  }
  image->setHasAlpha(picture.hasAlpha());
  return image;
}

/// The visible pixels of `image`.
inline testlib::Picture toPicture(s::image::win::BufferedImage* image) {
  testlib::Picture picture(image->getWidth(), image->getHeight());
  for (int32_t y = 0; y < picture.height; ++y) {
    std::memcpy(&picture.pixels[static_cast<size_t>(y) * picture.width], image->getLine(y),
                static_cast<size_t>(picture.width) * 4);
  }
  return picture;
}

inline uint32_t pixelAt(s::image::win::BufferedImage* image, int32_t x, int32_t y) {
  uint32_t v;
  std::memcpy(&v, image->getLine(y) + x * 4, 4);
  return v;
}

inline void setPixel(s::image::win::BufferedImage* image, int32_t x, int32_t y, uint32_t v) {
  std::memcpy(image->getLine(y) + x * 4, &v, 4);
}

}  // namespace lumetra::imaging_test

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace lumetra::imaging_test {

/// Keeps a small file a test made (at most 64 KiB) as a seed of the fuzz targets, in
/// `<build>/fuzz-corpus/<kind>/<name>`.
inline void keepSeed(const char* folder, const std::string& kind, const std::string& name,
                     const std::vector<uint8_t>& bytes) {
  if (bytes.size() > 65536) {
    return;
  }
  const std::filesystem::path dir = std::filesystem::path(folder) / kind;
  std::error_code ignored;
  std::filesystem::create_directories(dir, ignored);
  std::ofstream(dir / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

}  // namespace lumetra::imaging_test
