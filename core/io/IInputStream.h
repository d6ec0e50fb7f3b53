// The byte input stream.
#pragma once

#include "core/thread/IPoolable.h"

#include <cstdint>

namespace s::io {

class IOutputStream;

/// Bytes read from a position. Texts and arrays read their own memory (sharing one position with
/// their output view), collections their elements, files their contents.
///
/// `release` and `reset` are those of the object that offers the stream. Positions are byte
/// offsets; memory streams keep them in 32 bits. Seeks on memory streams are not checked against
/// the size. A stream is used by one thread at a time.
class IInputStream : public virtual thread::IPoolable {
 public:
  /// Copies at most `size` bytes into `buffer` and advances the position; `*got` (when `got` is
  /// not null) receives the count. True when bytes were read (memory streams also for size 0);
  /// false at the end or on an error, with a count of 0.
  virtual bool read(void* buffer, uint32_t size, uint32_t* got) = 0;
  /// Memory streams: position 0. Files: the handle is closed. False when closing failed.
  virtual bool close() = 0;
  virtual int64_t getPosition() = 0;
  virtual bool isSeekable() = 0;
  /// Position 0; false when the stream cannot move.
  virtual bool rewind() = 0;
  /// Position = size; returns the new position.
  virtual int64_t seekToEnd() = 0;
  /// False when the stream cannot move there (the position then stays).
  virtual bool seek(int64_t position) = 0;
  /// Position = size - distance; returns the new position.
  virtual int64_t seekFromEnd(int64_t distance) = 0;
  virtual bool skip(int64_t n) = 0;
  virtual bool skipBack(int64_t n) = 0;
  /// Back to the unattached state (memory streams: position 0).
  virtual void resetStream() = 0;
  /// The user is done with the stream: memory views go to position 0 (their owner stays);
  /// standalone streams go back to their pool.
  virtual void dispose() = 0;

  /// Reads this stream to its end and writes everything into `output`. True when the input
  /// ended; false when a write failed (the output then holds a part). Any thread may copy.
  bool copyTo(IOutputStream* output);
};

}  // namespace s::io
