// Whole-buffer reads and writes and little-endian integers on byte streams.
#pragma once

#include "core/io/IInputStream.h"
#include "core/io/IOutputStream.h"

#include <cstdint>

namespace s::io {

/// Reads exactly `size` bytes, calling `read` until they are all there. True for size 0 without
/// a call; false at the first read that fails (the end before `size` bytes, or an error).
bool readFully(IInputStream* stream, void* buffer, uint32_t size);
/// Writes exactly `size` bytes, calling `write` until they are all written; false at the first
/// write that fails.
bool writeFully(IOutputStream* stream, const void* data, uint32_t size);

/// The low 1, 2 or 4 bytes of `value`, least significant first, with writeFully.
bool writeInt8(IOutputStream* stream, uint32_t value);
bool writeInt16(IOutputStream* stream, uint32_t value);
bool writeInt32(IOutputStream* stream, uint32_t value);

}  // namespace s::io
