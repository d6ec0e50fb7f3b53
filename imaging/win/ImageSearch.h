// The searches for the image nearest to a wanted size and key, shared by image sets and the
// frames of encoded images.
#pragma once

#include <cstdint>
#include <cstdlib>

namespace s::image::win {

/// Where the nearest-image searches start: no image is ever farther than this.
constexpr int32_t kSearchSentinel = -16777215;

/// Finds among `count` images, each described by `describe(i, &width, &height, &key)`, the first
/// of exactly that size and key; failing that (unless `exactOnly`), the one whose key is nearest
/// and then whose area is nearest (`areaFirst` swaps the two), the earlier one winning a full tie.
/// No images: index 0 and false; no exact match with `exactOnly`: index 0 and false.
template <class Describe>
bool searchImages(int32_t count, Describe describe, int32_t width, int32_t height, int32_t key,
                  bool exactOnly, bool areaFirst, int32_t* index) {
  *index = 0;
  for (int32_t i = 0; i < count; ++i) {
    int32_t w = 0, h = 0, k = 0;
    describe(i, &w, &h, &k);
    if (w == width && h == height && k == key) {
      *index = i;
      return true;
    }
  }
  if (exactOnly || count <= 0) {
    return false;
  }
  const int64_t wantedArea = int64_t{width} * height;
  int64_t candidateKey = kSearchSentinel;
  int64_t candidateArea = kSearchSentinel;
  for (int32_t i = 0; i < count; ++i) {
    int32_t w = 0, h = 0, k = 0;
    describe(i, &w, &h, &k);
    const int64_t area = int64_t{w} * h;
    const int64_t keyDistance = std::llabs(k - int64_t{key});
    const int64_t areaDistance = std::llabs(area - wantedArea);
    const int64_t bestKeyDistance = std::llabs(candidateKey - key);
    const int64_t bestAreaDistance = std::llabs(candidateArea - wantedArea);
    const int64_t first = areaFirst ? areaDistance : keyDistance;
    const int64_t bestFirst = areaFirst ? bestAreaDistance : bestKeyDistance;
    const int64_t second = areaFirst ? keyDistance : areaDistance;
    const int64_t bestSecond = areaFirst ? bestKeyDistance : bestAreaDistance;
    if (first < bestFirst || (first == bestFirst && second < bestSecond)) {
      candidateKey = k;
      candidateArea = area;
      *index = i;
    }
  }
  return true;
}

}  // namespace s::image::win
