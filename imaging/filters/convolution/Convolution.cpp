// A 3 x 3 integer convolution of 32-bit images, in place.
#include "imaging/filters/convolution/Convolution.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>

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

/// Any kernel, one pixel at a time in 64-bit sums.
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

/// Truncating division of a sum by a divisor of 2 or more, clamped to 0..255, by a multiply and a
/// shift instead of a hardware division. A sum is first clamped to 0..255 x divisor, which gives
/// the same result (a negative sum truncates to 0 or below, a larger one to 255 or above) and
/// keeps the dividend below 2^31. For dividends n < 2^31, l = ceil(log2 divisor) and
/// m = ceil(2^(31 + l) / divisor), floor(n / divisor) = (n x m) >> (31 + l), and n x m < 2^63.
class Divider {
 public:
  explicit Divider(int32_t divisor) : m_limit(divisor * 255) {
    int shift = 0;
    while ((int64_t{1} << shift) < divisor) ++shift;
    m_shift = 31 + shift;
    m_magic = ((uint64_t{1} << m_shift) + static_cast<uint64_t>(divisor) - 1) /
              static_cast<uint64_t>(divisor);
  }

  int32_t operator()(int32_t sum) const {
    const auto n = static_cast<uint64_t>(std::clamp(sum, 0, m_limit));
    return static_cast<int32_t>((n * m_magic) >> m_shift);
  }

 private:
  int32_t m_limit;
  int m_shift = 0;
  uint64_t m_magic = 0;
};

/// No division: the sum clamped.
struct Clamp {
  int32_t operator()(int32_t sum) const { return std::clamp(sum, 0, 255); }
};

/// The first pass over columns 1 to width - 2 (bytes 4 to bytes - 4) of a row: the weighted sum
/// of every neighbour but the left one in the row itself. With `Weight` int16_t, where every
/// weight fits, the products are formed in 16-bit lanes, which SSE2 multiplies directly; kPlus
/// leaves out the corners, which are all 0.
template <class Weight, bool kPlus>
void sumInner(const int32_t* w, const uint8_t* up, const uint8_t* row, const uint8_t* down,
              int32_t* __restrict sums, int32_t bytes) {
  const auto w0 = static_cast<Weight>(w[0]), w1 = static_cast<Weight>(w[1]),
             w2 = static_cast<Weight>(w[2]), w4 = static_cast<Weight>(w[4]),
             w5 = static_cast<Weight>(w[5]), w6 = static_cast<Weight>(w[6]),
             w7 = static_cast<Weight>(w[7]), w8 = static_cast<Weight>(w[8]);
  for (int32_t i = 4; i < bytes - 4; ++i) {
    if constexpr (kPlus) {
      sums[i] = w1 * up[i] + w4 * row[i] + w5 * row[i + 4] + w7 * down[i];
    } else {
      sums[i] = w0 * up[i - 4] + w1 * up[i] + w2 * up[i + 4] + w4 * row[i] + w5 * row[i + 4] +
                w6 * down[i - 4] + w7 * down[i] + w8 * down[i + 4];
    }
  }
}

using SumInner = void (*)(const int32_t*, const uint8_t*, const uint8_t*, const uint8_t*, int32_t*,
                          int32_t);

/// Kernels whose sums fit 32 bits and whose divisor is not negative, a row at a time in two
/// passes. Of a pixel's nine neighbours only those in the row being filtered and to its left
/// have been filtered already: the left neighbour, and also the upper-left or lower-left one
/// where the top or bottom row repeats itself. Everything else is read as it stands before the
/// row is touched, so the first pass sums it for the whole row with no order between pixels; the
/// second pass goes left to right adding the filtered left neighbour times its weight.
template <class Divide>
void runRows(const int32_t* w, Divide divide, SumInner sumInner, uint8_t** rows, int32_t width,
             int32_t height, int32_t* sums) {
  const int32_t bytes = width * 4;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = rows[y];
    const uint8_t* sources[3] = {rows[y > 0 ? y - 1 : 0], row, rows[y + 1 < height ? y + 1 : y]};
    // Weights of the left column whose source is this row wait for the second pass.
    int32_t leftWeight = 0;
    int32_t weights[9];
    std::copy(w, w + 9, weights);
    for (int k = 0; k < 3; ++k) {
      if (sources[k] == row) {
        leftWeight += weights[k * 3];
        weights[k * 3] = 0;
      }
    }
    const uint8_t* up = sources[0];
    const uint8_t* down = sources[2];
    // Column 0 is its own left neighbour, still unfiltered; the last column its own right one.
    for (int32_t x : {0, width - 1}) {
      const int32_t left = x > 0 ? x - 1 : 0;
      const int32_t right = x + 1 < width ? x + 1 : x;
      for (int32_t c = 0; c < 4; ++c) {
        const int32_t l = left * 4 + c, m = x * 4 + c, r = right * 4 + c;
        int32_t sum = weights[0] * up[l] + weights[1] * up[m] + weights[2] * up[r] +
                      weights[4] * row[m] + weights[5] * row[r] + weights[6] * down[l] +
                      weights[7] * down[m] + weights[8] * down[r];
        if (x == 0) sum += leftWeight * row[c];
        sums[m] = sum;
      }
    }
    sumInner(weights, up, row, down, sums, bytes);
    int32_t previous[4];
    for (int32_t c = 0; c < 4; ++c) {
      previous[c] = divide(sums[c]);
      row[c] = static_cast<uint8_t>(previous[c]);
    }
    for (int32_t i = 4; i < bytes; i += 4) {
      for (int32_t c = 0; c < 4; ++c) {
        previous[c] = divide(sums[i + c] + leftWeight * previous[c]);
        row[i + c] = static_cast<uint8_t>(previous[c]);
      }
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
  const bool divide = m_divisor != 1 && m_divisor != 0;
  // The row passes sum in 32 bits: every partial sum stays within 255 times the weights'
  // magnitudes.
  int64_t magnitude = 0;
  for (int32_t weight : m_weights) {
    magnitude += std::abs(int64_t{weight});
  }
  if (magnitude * 255 <= INT32_MAX && m_divisor >= 0) {
    std::unique_ptr<int32_t[]> sums(new (std::nothrow) int32_t[static_cast<size_t>(width) * 4]);
    if (sums != nullptr) {
      const bool plus =
          m_weights[0] == 0 && m_weights[2] == 0 && m_weights[6] == 0 && m_weights[8] == 0;
      const bool narrow =
          std::all_of(std::begin(m_weights), std::end(m_weights),
                      [](int32_t weight) { return weight >= INT16_MIN && weight <= INT16_MAX; });
      const SumInner inner = narrow ? (plus ? sumInner<int16_t, true> : sumInner<int16_t, false>)
                                    : (plus ? sumInner<int32_t, true> : sumInner<int32_t, false>);
      if (divide) {
        runRows(m_weights, Divider(m_divisor), inner, rows, width, height, sums.get());
      } else {
        runRows(m_weights, Clamp(), inner, rows, width, height, sums.get());
      }
      return;
    }
  }
  if (divide) {
    run<true>(m_weights, m_divisor, rows, width, height);
  } else {
    run<false>(m_weights, 1, rows, width, height);
  }
}

}  // namespace s::image::filters::convolution
