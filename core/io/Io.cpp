// Whole-buffer reads and writes, little-endian integers, and copies between streams.
#include "core/io/Io.h"

namespace s::io {

namespace {

// Bytes a copy moves per step.
constexpr uint32_t kCopyChunk = 1024;

}  // namespace

bool readFully(IInputStream* stream, void* buffer, uint32_t size) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  for (uint32_t done = 0; done < size;) {
    uint32_t got = 0;
    if (!stream->read(bytes + done, size - done, &got) || got == 0) {
      return false;
    }
    done += got;
  }
  return true;
}

bool writeFully(IOutputStream* stream, const void* data, uint32_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (uint32_t done = 0; done < size;) {
    uint32_t written = 0;
    if (!stream->write(bytes + done, size - done, &written) || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

namespace {

bool writeLittleEndian(IOutputStream* stream, uint32_t value, uint32_t bytes) {
  unsigned char data[4];
  for (uint32_t i = 0; i < bytes; ++i) {
    data[i] = static_cast<unsigned char>(value >> (8 * i));
  }
  return writeFully(stream, data, bytes);
}

// Each copy moves its bytes through a buffer of its own, so copies on different threads never
// wait for one another.
bool copy(IInputStream* input, IOutputStream* output) {
  unsigned char buffer[kCopyChunk];
  uint32_t got = 0;
  while (input->read(buffer, kCopyChunk, &got)) {
    if (!writeFully(output, buffer, got)) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool writeInt8(IOutputStream* stream, uint32_t value) {
  return writeLittleEndian(stream, value, 1);
}
bool writeInt16(IOutputStream* stream, uint32_t value) {
  return writeLittleEndian(stream, value, 2);
}
bool writeInt32(IOutputStream* stream, uint32_t value) {
  return writeLittleEndian(stream, value, 4);
}

bool IInputStream::copyTo(IOutputStream* output) { return copy(this, output); }

bool IOutputStream::copyFrom(IInputStream* input) { return copy(input, this); }

}  // namespace s::io
