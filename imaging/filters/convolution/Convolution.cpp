// A 3 x 3 integer convolution of 32-bit images, in place.
#include "imaging/filters/convolution/Convolution.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace s::image::filters::convolution {

namespace {

inline uint32_t load(const uint8_t* row, int32_t x) {
  uint32_t v;
  std::memcpy(&v, row + static_cast<intptr_t>(x) * 4, 4);
  return v;
}

inline uint32_t channel(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFF; }

/// One channel of one pixel: the weighted sum, divided and clamped.
template <bool kDivide>
inline uint32_t convolve(const int32_t* w, int32_t divisor, const uint32_t* p, int shift) {
  // 64 bits: weights are free integers, and 255 times their sum need not fit 32 bits.
  int64_t sum = 0;
  for (int i = 0; i < 9; ++i) {
    sum += int64_t{w[i]} * channel(p[i], shift);
  }
  if constexpr (kDivide) {
    sum /= divisor;
  }
  return static_cast<uint32_t>(std::clamp<int64_t>(sum, 0, 255));
}

template <bool kDivide>
void run(const int32_t* w, int32_t divisor, uint8_t** rows, int32_t width, int32_t height) {
  for (int32_t y = 0; y < height; ++y) {
    // Edges repeat: above the top row is the top row, below the last row the last row. The row
    // above has been filtered already; this row is filtered as we go.
    const uint8_t* up = rows[y > 0 ? y - 1 : 0];
    uint8_t* row = rows[y];
    const uint8_t* down = rows[y + 1 < height ? y + 1 : y];
    for (int32_t x = 0; x < width; ++x) {
      const int32_t left = x > 0 ? x - 1 : 0;
      const int32_t right = x + 1 < width ? x + 1 : x;
      const uint32_t p[9] = {load(up, left),   load(up, x),   load(up, right),
                             load(row, left),  load(row, x),  load(row, right),
                             load(down, left), load(down, x), load(down, right)};
      const uint32_t out = (convolve<kDivide>(w, divisor, p, 24) << 24) |
                           (convolve<kDivide>(w, divisor, p, 16) << 16) |
                           (convolve<kDivide>(w, divisor, p, 8) << 8) |
                           convolve<kDivide>(w, divisor, p, 0);
      std::memcpy(row + static_cast<intptr_t>(x) * 4, &out, 4);
    }
  }
}

}  // namespace

void Convolution::reset() {
  std::fill(std::begin(m_weights), std::end(m_weights), 0);
  m_weights[4] = 1;
  m_divisor = 1;
}

Convolution* Convolution::make(int32_t w0, int32_t w1, int32_t w2, int32_t w3, int32_t w4,
                               int32_t w5, int32_t w6, int32_t w7, int32_t w8) {
  Convolution* kernel = take();
  if (kernel == nullptr) {
    return nullptr;
  }
  const int32_t weights[9] = {w0, w1, w2, w3, w4, w5, w6, w7, w8};
  int64_t sum = 0;
  for (int i = 0; i < 9; ++i) {
    kernel->m_weights[i] = weights[i];
    sum += weights[i];
  }
  // A sum beyond 32 bits cannot be a divisor; such a kernel is refused.
  if (sum < INT32_MIN || sum > INT32_MAX) {
    kernel->release();
    return nullptr;
  }
  kernel->m_divisor = static_cast<int32_t>(sum);
  return kernel;
}

void Convolution::apply(uint8_t** rows, int32_t width, int32_t height) const {
  if (rows == nullptr || width <= 0 || height <= 0) {
    return;
  }
  if (m_divisor == 1 || m_divisor == 0) {
    run<false>(m_weights, 1, rows, width, height);
  } else {
    run<true>(m_weights, m_divisor, rows, width, height);
  }
}

}  // namespace s::image::filters::convolution
