// The input and output stream views of an object that keeps its data in one growable block
// (texts and arrays).
#pragma once

#include "core/io/IInputStream.h"
#include "core/io/IOutputStream.h"

#include <cstdint>

namespace s::io {

/// Both stream views over the used bytes of a block of elements of 2^shift bytes, sharing one
/// 32-bit byte position. `read` copies up to the used bytes; `write` grows the block, copies at the
/// position and raises the element count to the whole elements below the position, so a trailing
/// partial element is not counted yet. Seeks are not checked against the size. `close`, `rewind`,
/// `resetStream` and `dispose` set the position to 0: the views never release their owner.
class MemoryStreams : public IInputStream, public IOutputStream {
 public:
  bool read(void* buffer, uint32_t size, uint32_t* got) override;
  /// False (nothing written) when the position would pass 4 GiB.
  bool write(const void* data, uint32_t size, uint32_t* written) override;
  bool flush() override { return true; }
  void truncate() override {}
  bool close() override;
  int64_t getPosition() override { return m_position; }
  bool isSeekable() override { return true; }
  bool rewind() override;
  int64_t seekToEnd() override;
  bool seek(int64_t position) override;
  int64_t seekFromEnd(int64_t distance) override;
  bool skip(int64_t n) override;
  bool skipBack(int64_t n) override;
  void resetStream() override { m_position = 0; }
  void dispose() override { m_position = 0; }

 protected:
  explicit MemoryStreams(int32_t shift) : m_shift(shift) {}
  ~MemoryStreams() override = default;

  /// The block (null before the first allocation) and the elements in use.
  virtual unsigned char* streamBlock() = 0;
  virtual uint32_t streamCount() const = 0;
  /// Grows the block to hold at least n elements; sets the elements in use.
  virtual void streamEnsure(uint32_t n) = 0;
  virtual void streamSetCount(uint32_t n) = 0;

  int32_t m_shift;
  uint32_t m_position = 0;

 private:
  uint64_t usedBytes() const { return static_cast<uint64_t>(streamCount()) << m_shift; }
};

}  // namespace s::io
