// Sharpening and blurring by a signed level, a filter of the image's filter list.
#pragma once

#include "core/thread/ClassTail.h"
#include "core/thread/ObjLocker.h"
#include "imaging/filters/IFilter.h"

#include <cstdint>

namespace s::image::filters::convolution {
class Convolution;
}

namespace s::image::filters::sharpness {

/// Sharpens (level > 0) or blurs (level < 0) through a 3 x 3 kernel:
/// - blur, p = -level: corners trunc(p / 100 x 100), edges trunc(p / 100 x 200), centre 400;
/// - sharpen: edges trunc(level / 100 x -180), corners 0, centre 1100;
/// computed in single precision, each divided by the weights' sum. Level 0 keeps no kernel and
/// the filter only copies; so does a level of 153 or more, where the sharpening kernel's sum
/// would reach 0 or below (a division by zero, or an inverted picture). Blur levels below
/// kMinLevel count as kMinLevel, where the kernel's sum still fits 32 bits.
///
/// `setLevel` and `filter` may be called from two threads: the kernel is guarded by a lock, and
/// the kernel a new level replaces is released after the lock. Key "Sharpness"; owned by the list
/// after reset. Pooled (capacity 1000).
class Sharpness final : public IFilter {
  S_POOLED_CLASS(Sharpness, u"s_image_filters_sharpness_Sharpness")

  /// The strongest blur.
  static constexpr int32_t kMinLevel = -100000000;
  /// The first sharpening level whose kernel sums to 0 or below.
  static constexpr int32_t kFirstInvalidLevel = 153;

  Sharpness();
  explicit Sharpness(int32_t level);
  ~Sharpness() override;
  Sharpness(const Sharpness&) = delete;
  Sharpness& operator=(const Sharpness&) = delete;
  void reset() override;

  /// The key text; filter lists find it by this text's address.
  static const WCHAR* key();
  /// A pooled filter at `level` (null when out of memory).
  static Sharpness* takeLevel(int32_t level);

  const WCHAR* getKey() override { return key(); }
  bool isOwnedByList() override { return m_ownedByList; }
  void setOwnedByList(bool owned) override { m_ownedByList = owned; }
  /// Copies `source` into `destination` (a new pooled image when null) and runs the kernel over
  /// the copy; the copy keeps the source's has-alpha flag.
  image::win::BufferedImage* filter(image::win::BufferedImage* source,
                                    image::win::BufferedImage* destination) override;

  void setLevel(int32_t level);
  int32_t getLevel() const { return m_level; }
  /// Whether the level keeps a kernel (false for plain copies).
  bool hasKernel();
  /// The kernel's weight `index` and divisor; 0 without a kernel.
  int32_t getWeight(int32_t index);
  int32_t getDivisor();

 private:
  bool m_ownedByList = true;
  thread::ObjLocker m_lock;
  int32_t m_level = 0;
  convolution::Convolution* m_kernel = nullptr;
};

}  // namespace s::image::filters::sharpness
