// The weight table of one resampling pass.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <cstdint>

namespace s::col::_array {
class ArrayU08;
}

namespace s::image::filters::scale {

/// For each output pixel of a pass, one record of `recordSize` bytes: the first and last source
/// index (int32 each), then the weights of those sources as int32 fixed-point numbers with 16
/// fraction bits. Built by BilinearFilter::buildContributions; the scaler shares one instance
/// under its table lock. Pooled (capacity 1000).
class Contribution final : public base::IObject, public virtual thread::IPoolable {
  S_POOLED_CLASS(Contribution, u"s_image_filters_scale_Contribution")

  Contribution();
  ~Contribution() override;
  Contribution(const Contribution&) = delete;
  Contribution& operator=(const Contribution&) = delete;
  void reset() override;

  int32_t getCount() const { return m_count; }
  int32_t getWindowSize() const { return m_windowSize; }
  int32_t getRecordSize() const { return m_recordSize; }
  /// The record of output pixel `i`: [0] first, [1] last, then last - first + 1 weights.
  const int32_t* getRecord(int32_t i) const;
  int32_t* getRecord(int32_t i);
  /// Makes room for `count` records of a window of 2r + 1 weights; false when out of memory.
  bool prepare(int32_t count, int32_t r);

 private:
  int32_t m_count = 0;
  int32_t m_windowSize = 0;
  int32_t m_recordSize = 0;
  col::_array::ArrayU08* m_records = nullptr;
};

}  // namespace s::image::filters::scale
