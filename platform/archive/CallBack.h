// A small status record that an archive's user keeps alongside a long-running job.
#pragma once

#include "core/base/IObject.h"
#include "core/col/array/ArrayP.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <cstdint>

namespace s::archive {

/// A plain record whose owner fills and reads it: the drag-and-drop window keeps its status label
/// and progress bar among the pointers, its progress range and position in the two values, and
/// may attach a history of texts. The record owns the held object (released on reset) and the
/// history's elements when the history has a disposer; the pointers are not owned. Pooled
/// (capacity 1000), or embedded by value. One thread at a time.
class CallBack final : public base::IObject, public virtual thread::IPoolable {
  S_POOLED_CLASS(CallBack, u"s_archive_CallBack")

  CallBack() = default;
  ~CallBack() override;
  /// Pointers null, both values 100, the history emptied, the held object released.
  void reset() override;

  static constexpr int kPointerCount = 5;
  void* pointers[kPointerCount] = {};
  int64_t rangeMaximum = 100;
  int64_t position = 100;
  col::_array::ArrayP history;
  thread::IPoolable* held = nullptr;
};

}  // namespace s::archive
