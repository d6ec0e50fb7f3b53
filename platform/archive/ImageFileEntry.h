// What the entries of icon and cursor files share: the directory record and the image's bytes.
#pragma once

#include "core/col/array/ArrayU08.h"
#include "core/thread/IPoolable.h"
#include "platform/archive/IEntry.h"

#include <cstdint>

namespace s::io {
class IInputStream;
}

namespace s::archive {

/// One image of an icon or cursor file: its 16-byte directory record as stored (width, height,
/// colour count, reserved, two 16-bit fields that icons and cursors read differently, the byte
/// count and the offset from the file's start) and the image's bytes, loaded on first use. Owned
/// by its archive, which gives it back to its pool on `close`. One thread at a time.
class ImageFileEntry : public IEntry, public virtual thread::IPoolable {
 public:
  static constexpr uint32_t kRecordSize = 16;

  /// Position 0, record zero, bytes emptied, not loaded.
  void reset() override;
  /// The record's byte count.
  uint64_t getSize() const override { return getByteCount(); }

  int64_t getPosition() const { return m_position; }
  void setPosition(int64_t position) { m_position = position; }
  uint8_t* getRecord() { return m_record; }
  const uint8_t* getRecord() const { return m_record; }
  /// The width and height bytes, 0 read as 256 as the file format means it.
  int32_t getWidth() const { return m_record[0] == 0 ? 256 : m_record[0]; }
  int32_t getHeight() const { return m_record[1] == 0 ? 256 : m_record[1]; }
  int32_t getColorCount() const { return m_record[2]; }
  uint32_t getByteCount() const { return get32(8); }
  void setByteCount(uint32_t count);
  uint32_t getOffset() const { return get32(12); }
  col::_array::ArrayU08* getBytes() { return &m_bytes; }
  bool isLoaded() const { return m_loaded; }
  /// Replaces the bytes with `size` bytes at `data` and marks them loaded.
  void setBytes(const uint8_t* data, uint32_t size);
  /// Reads the image's bytes (byte count bytes at base + offset) from `input` unless they are
  /// loaded; false, nothing loaded, when they lie outside the `fileSize` bytes of the file or
  /// cannot be read.
  bool loadData(io::IInputStream* input, int64_t base, int64_t fileSize);

 protected:
  ImageFileEntry() = default;
  uint16_t get16(int at) const {
    return static_cast<uint16_t>(m_record[at] | m_record[at + 1] << 8);
  }
  uint32_t get32(int at) const { return get16(at) | static_cast<uint32_t>(get16(at + 2)) << 16; }

 private:
  int64_t m_position = 0;
  uint8_t m_record[kRecordSize] = {};
  col::_array::ArrayU08 m_bytes;
  bool m_loaded = false;
};

}  // namespace s::archive
