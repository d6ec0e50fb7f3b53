// The byte output stream.
#pragma once

#include "core/thread/IPoolable.h"

#include <cstdint>

namespace s::io {

class IInputStream;

/// Bytes written at a position. Texts and arrays grow their own memory (sharing one position with
/// their input view); files write through a buffer. The positioning operations mean what they mean
/// on s::io::IInputStream.
class IOutputStream : public virtual thread::IPoolable {
 public:
  /// Writes `size` bytes from `data` at the position and advances it; `*written` (when not null)
  /// receives the count. False on an error.
  virtual bool write(const void* data, uint32_t size, uint32_t* written) = 0;
  /// Pushes buffered bytes to their destination; false on an error.
  virtual bool flush() = 0;
  /// Ends the data at the position (memory streams: nothing).
  virtual void truncate() = 0;
  /// False when the final write-out failed: what was written is then incomplete.
  virtual bool close() = 0;
  virtual int64_t getPosition() = 0;
  virtual bool isSeekable() = 0;
  virtual bool rewind() = 0;
  virtual int64_t seekToEnd() = 0;
  virtual bool seek(int64_t position) = 0;
  virtual int64_t seekFromEnd(int64_t distance) = 0;
  virtual bool skip(int64_t n) = 0;
  virtual bool skipBack(int64_t n) = 0;
  virtual void resetStream() = 0;
  virtual void dispose() = 0;

  /// Writes everything `input` holds from its position to its end into this stream; as
  /// IInputStream::copyTo.
  bool copyFrom(IInputStream* input);
};

}  // namespace s::io
