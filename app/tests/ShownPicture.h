// Where a picture shows, scaled to fit, in a screenshot: the tests of the About window look for
// the program's skin picture in it.
#pragma once

#include "imaging/win/BufferedImage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>

namespace lumetra::apptest {

/// How far `picture` is from showing in a `width` x `height` screenshot (0xRRGGBB pixels from
/// `pixel(x, y)`) at its best place and a width within [minWidth, maxWidth] (its height keeps the
/// ratio) with its top in the upper third: the mean difference per colour channel, 0 to 255, over a
/// grid of 32 x 12 points, each read at the middle of the picture's pixel so that the scaler's
/// blending at the picture's edges counts little. A picture that is there scores a few units; a
/// white panel or another picture scores far more.
inline double pictureMismatch(int width, int height, const std::function<uint32_t(int, int)>& pixel,
                              s::image::win::BufferedImage* picture, int minWidth, int maxWidth) {
  constexpr int kColumns = 32;
  constexpr int kRows = 12;
  const int pictureWidth = picture->getWidth();
  const int pictureHeight = picture->getHeight();
  double best = 255.0;
  for (int shownWidth = std::max(minWidth, 1); shownWidth <= maxWidth; ++shownWidth) {
    const int shownHeight = static_cast<int>(
        std::lround(static_cast<double>(pictureHeight) * shownWidth / pictureWidth));
    for (int top = 0; top <= height / 3 && top + shownHeight <= height; ++top) {
      for (int left = 0; left + shownWidth <= width; ++left) {
        long total = 0;
        for (int j = 0; j < kRows; ++j) {
          const int py = (2 * j + 1) * pictureHeight / (2 * kRows);
          const auto* line = reinterpret_cast<const uint32_t*>(picture->getLine(py));
          const int y = top + static_cast<int>((py + 0.5) * shownHeight / pictureHeight);
          for (int i = 0; i < kColumns; ++i) {
            const int px = (2 * i + 1) * pictureWidth / (2 * kColumns);
            const int x = left + static_cast<int>((px + 0.5) * shownWidth / pictureWidth);
            const uint32_t shown = pixel(x, y);
            for (int shift : {0, 8, 16}) {
              total += std::abs(static_cast<int>((shown >> shift) & 0xFF) -
                                static_cast<int>((line[px] >> shift) & 0xFF));
            }
          }
        }
        best = std::min(best, static_cast<double>(total) / (kColumns * kRows * 3));
      }
    }
  }
  return best;
}

}  // namespace lumetra::apptest
