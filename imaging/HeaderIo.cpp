// Fixed-size headers moved through byte streams.
#include "imaging/HeaderIo.h"

#include "core/io/IInputStream.h"
#include "core/io/IOutputStream.h"

namespace s::image {

bool readHeader(io::IInputStream* stream, void* buffer, uint32_t size) {
  auto* at = static_cast<uint8_t*>(buffer);
  while (size > 0) {
    uint32_t got = 0;
    if (!stream->read(at, size, &got) || got == 0) {
      return false;
    }
    at += got;
    size -= got;
  }
  return true;
}

bool writeHeader(io::IOutputStream* stream, const void* data, uint32_t size) {
  const auto* at = static_cast<const uint8_t*>(data);
  while (size > 0) {
    uint32_t written = 0;
    if (!stream->write(at, size, &written) || written == 0) {
      return false;
    }
    at += written;
    size -= written;
  }
  return true;
}

}  // namespace s::image
