// Fixed-size headers moved through byte streams.
#pragma once

#include <cstdint>

namespace s::io {
class IInputStream;
class IOutputStream;
}  // namespace s::io

namespace s::image {

/// Reads `size` bytes of a header, calling `read` again after a short transfer; false at the first
/// call that fails (the end of the stream or an error).
bool readHeader(io::IInputStream* stream, void* buffer, uint32_t size);
/// Writes `size` bytes of a header, continuing after a short transfer; false when a call fails or
/// writes nothing.
bool writeHeader(io::IOutputStream* stream, const void* data, uint32_t size);

}  // namespace s::image
