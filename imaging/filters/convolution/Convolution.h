// A 3 x 3 integer convolution of 32-bit images, in place.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <cstdint>

namespace s::image::filters::convolution {

/// Nine integer weights in row order (top-left, top, top-right, left, centre, right,
/// bottom-left, bottom, bottom-right) and a divisor. After reset it is the identity (centre 1,
/// divisor 1).
///
/// `apply` works in place, row by row from the top and left to right, so a pixel sees its
/// neighbours above and to the left already filtered. Each of the four channels is summed on
/// its own, divided (truncating toward zero) unless the divisor is 1 or 0, and clamped to 0 to
/// 255; edges repeat the border pixels. Pooled (capacity 1000); one thread at a time.
class Convolution final : public base::IObject, public virtual thread::IPoolable {
  S_POOLED_CLASS(Convolution, u"s_image_filters_convolution_Convolution")

  Convolution() { reset(); }
  Convolution(const Convolution&) = delete;
  Convolution& operator=(const Convolution&) = delete;
  void reset() override;

  /// A pooled kernel of these weights whose divisor is their sum; weights that sum to 0 are
  /// left undivided (divisor 0). Null when out of memory.
  static Convolution* make(int32_t w0, int32_t w1, int32_t w2, int32_t w3, int32_t w4, int32_t w5,
                           int32_t w6, int32_t w7, int32_t w8);
  /// Filters width x height pixels of 32 bits given by their row addresses, top row first.
  void apply(uint8_t** rows, int32_t width, int32_t height) const;

  int32_t getWeight(int32_t index) const { return m_weights[index]; }
  int32_t getDivisor() const { return m_divisor; }

 private:
  int32_t m_weights[9] = {};
  int32_t m_divisor = 1;
};

}  // namespace s::image::filters::convolution
