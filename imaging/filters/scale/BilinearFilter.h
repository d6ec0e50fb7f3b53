// The two-pass resampling scaler with its triangular weight filter.
#pragma once

#include "core/thread/ClassTail.h"
#include "imaging/filters/scale/Contribution.h"
#include "imaging/filters/scale/IScaleFilter.h"

#include <cstdint>

namespace s::image::win {
class BufferedImage;
}

namespace s::image::filters::scale {

/// A triangular weight (support - |x|, 0 beyond the support) and the scaler built on it: a
/// horizontal pass into a shared intermediate buffer, then a vertical pass into the destination,
/// with the support widened by 1 / scale when shrinking. Weights are fixed point with 16 fraction
/// bits; a pixel fed by a single source is that source unchanged.
///
/// One shared instance (`shared`) serves every scaling of the process. Any thread may scale:
/// a process-wide buffer lock serialises whole scalings and a table lock guards the shared weight
/// table, always taken in that order. Pooled (capacity 1000).
class BilinearFilter final : public IScaleFilter {
  S_POOLED_CLASS(BilinearFilter, u"s_image_filters_scale_BilinearFilter")

  BilinearFilter() { reset(); }
  void reset() override { m_support = 1.0; }

  double weight(double x) override;
  double getSupport() override { return m_support; }
  void setSupport(double support) override { m_support = support; }

  /// The scaler shared by the process, built on first use by any thread.
  static BilinearFilter* shared();

  /// Resamples the visible srcWidth x srcHeight of `source` into `destination`, which is grown
  /// to dstWidth x dstHeight (its capacity reused) and given the source's has-alpha flag. An
  /// empty source or a zero side leaves the destination at 0 x 0.
  void scale(int32_t srcWidth, int32_t srcHeight, win::BufferedImage* source, int32_t dstWidth,
             int32_t dstHeight, win::BufferedImage* destination);
  /// The two passes over pixel memory: `src` and `dst` point at the top rows, and the strides
  /// (bytes from one row to the next below it, negative for bottom-up stores) step between rows.
  /// False, with nothing written, when a side is not positive or memory runs out.
  bool resample(const uint8_t* src, int32_t srcWidth, intptr_t srcStride, int32_t srcHeight,
                uint8_t* dst, int32_t dstWidth, intptr_t dstStride, int32_t dstHeight);
  /// Fills the shared table for one pass of srcSize to dstSize pixels (scale = dstSize /
  /// srcSize); false for a side that is not positive or when out of memory. The caller holds the
  /// table lock.
  bool buildContributions(double scale, int32_t dstSize, int32_t srcSize);

  /// The shared weight table; read it between `lockTable` and `unlockTable`.
  static Contribution* sharedTable();
  static void lockTable();
  static void unlockTable();

 private:
  double m_support = 1.0;
};

}  // namespace s::image::filters::scale
