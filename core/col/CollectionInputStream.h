// A read-only byte stream over the elements of a collection.
#pragma once

#include "core/base/IObject.h"
#include "core/col/IEnumerable.h"
#include "core/io/IInputStream.h"
#include "core/thread/ClassTail.h"

namespace s::col {

class IteratorBase;

/// Reads a collection's elements in order as bytes, whole elements only and at most 64 bytes per
/// `read`. It takes an iterator on the first read and gives it back on `close`, so the next read
/// starts again at the first element. It does not own the collection. Pooled; `dispose` closes
/// it and gives it back. It cannot seek: its position is always 0.
class CollectionInputStream final : public base::IObject, public io::IInputStream {
  S_POOLED_CLASS(CollectionInputStream, u"s_col_CollectionInputStream")

  CollectionInputStream() = default;
  ~CollectionInputStream() override;
  void reset() override { resetStream(); }

  /// Attaches the collection whose elements are `elementSize` bytes each; reading starts at its
  /// first element.
  void attach(IEnumerable* source, uint32_t elementSize);

  bool read(void* buffer, uint32_t size, uint32_t* got) override;
  bool close() override;
  int64_t getPosition() override { return 0; }
  bool isSeekable() override { return false; }
  bool rewind() override { return false; }
  int64_t seekToEnd() override { return 0; }
  bool seek(int64_t) override { return false; }
  int64_t seekFromEnd(int64_t) override { return 0; }
  bool skip(int64_t) override { return false; }
  bool skipBack(int64_t) override { return false; }
  void resetStream() override;
  void dispose() override;

  /// Most bytes one `read` delivers.
  static constexpr uint32_t kChunk = 64;

 private:
  IEnumerable* m_source = nullptr;
  IteratorBase* m_iterator = nullptr;
  uint32_t m_elementSize = 0;
};

}  // namespace s::col
