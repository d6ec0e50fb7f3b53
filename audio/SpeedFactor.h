// The speed factor of a reader: a speed effect relabels the sample rate by it, and every reader
// applies the same rule.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace s::sound {

/// Whether a speed factor can be applied: finite and above 0. Readers keep their last usable
/// factor when given another.
inline bool isUsableSpeedFactor(float factor) { return std::isfinite(factor) && factor > 0.0f; }

/// `rate` relabelled by `factor`: the rate itself when the factor is 1, else rate x factor (in
/// single precision) rounded half away from zero, at most INT32_MAX.
inline int32_t scaleSampleRate(int32_t rate, float factor) {
  if (factor == 1.0f) {
    return rate;
  }
  const float product = static_cast<float>(rate) * factor;
  // The largest float below 2^31: anything above would not fit the result.
  if (!(product < 2147483520.0f)) {
    return std::numeric_limits<int32_t>::max();
  }
  return static_cast<int32_t>(std::lround(product));
}

}  // namespace s::sound
