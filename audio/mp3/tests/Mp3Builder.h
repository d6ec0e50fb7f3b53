// MP3 files built byte by byte for the reader tests: frame headers with any field, frames of a
// given length, Xing frames, and ID3v1 and ID3v2 tags.
#pragma once

#include "core/col/array/ArrayU08.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace mp3_testing {

using Bytes = std::vector<uint8_t>;

/// The values of a header's fields. `version` is the two version bits: 3 MPEG-1, 2 MPEG-2,
/// 0 MPEG-2.5, 1 reserved; `layerBits` 3 Layer I, 2 Layer II, 1 Layer III, 0 reserved.
struct Header {
  uint32_t version = 3;
  uint32_t layerBits = 1;
  uint32_t bitrateIndex = 9;  // 128 kbps for MPEG-1 Layer III
  uint32_t rateIndex = 0;
  bool padding = false;
  uint32_t mode = 1;

  /// Without CRC; the private, copyright and original bits and the emphasis are 0.
  uint32_t bits() const {
    return 0xFFE10000u | version << 19 | layerBits << 17 | bitrateIndex << 12 | rateIndex << 10 |
           (padding ? 1u : 0u) << 9 | mode << 6;
  }
  Bytes bytes() const {
    const uint32_t h = bits();
    return {static_cast<uint8_t>(h >> 24), static_cast<uint8_t>(h >> 16),
            static_cast<uint8_t>(h >> 8), static_cast<uint8_t>(h)};
  }
};

/// One frame: the header, then zeros up to `length` bytes.
inline Bytes frame(const Header& header, size_t length) {
  // Built at its full length and then filled: growing the four header bytes with resize() trips
  // GCC 12's -Warray-bounds in Release builds, a false positive of its inlined vector code.
  Bytes out(length, 0);
  const Bytes head = header.bytes();
  std::copy_n(head.begin(), std::min(length, head.size()), out.begin());
  return out;
}

/// `count` frames one after the other.
inline Bytes frames(const Header& header, size_t length, size_t count) {
  Bytes one = frame(header, length);
  Bytes out;
  out.reserve(length * count);
  for (size_t i = 0; i < count; ++i) out.insert(out.end(), one.begin(), one.end());
  return out;
}

inline void putBigEndian(Bytes& out, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

/// A frame carrying `signature` ("Xing", "Info") at `offset` with the flags and the fields they
/// announce: frames, bytes, a table of contents 0, 1, 2 ... 99, quality.
inline Bytes xingFrame(const Header& header, size_t length, size_t offset, uint32_t flags,
                       uint32_t frameCount, uint32_t byteCount, uint32_t quality,
                       const char* signature = "Xing") {
  Bytes out = frame(header, length);
  std::memcpy(out.data() + offset, signature, 4);
  size_t at = offset + 4;
  putBigEndian(out, at, flags);
  at += 4;
  if (flags & 1) putBigEndian(out, at, frameCount), at += 4;
  if (flags & 2) putBigEndian(out, at, byteCount), at += 4;
  if (flags & 4) {
    for (int i = 0; i < 100; ++i) out[at + i] = static_cast<uint8_t>(i);
    at += 100;
  }
  if (flags & 8) putBigEndian(out, at, quality);
  return out;
}

/// An ID3v2.4 tag around `body` (its size in the header, syncsafe), with a footer when asked.
inline Bytes id3v2(const Bytes& body, bool footer = false) {
  const uint32_t n = static_cast<uint32_t>(body.size());
  // Built at its full length and then filled, as `frame` is: growing the ten header bytes trips
  // GCC 12's -Warray-bounds in Release builds.
  Bytes out(10 + body.size() + (footer ? 10 : 0), 0);
  const uint8_t header[10] = {'I',
                              'D',
                              '3',
                              4,
                              0,
                              static_cast<uint8_t>(footer ? 0x10 : 0),
                              static_cast<uint8_t>((n >> 21) & 0x7F),
                              static_cast<uint8_t>((n >> 14) & 0x7F),
                              static_cast<uint8_t>((n >> 7) & 0x7F),
                              static_cast<uint8_t>(n & 0x7F)};
  std::copy_n(header, 10, out.begin());
  std::copy(body.begin(), body.end(), out.begin() + 10);
  if (footer) {
    std::copy_n(header, 10, out.end() - 10);
    out[out.size() - 10] = '3', out[out.size() - 9] = 'D', out[out.size() - 8] = 'I';
  }
  return out;
}

/// A 128-byte ID3v1 tag.
inline Bytes id3v1() {
  Bytes out(128, ' ');
  std::memcpy(out.data(), "TAG", 3);
  return out;
}

inline Bytes join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

/// The bytes of a file, and a file written with bytes.
inline Bytes readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}
inline void writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

/// A memory stream holding `bytes` at position 0; the caller releases it.
inline s::col::_array::ArrayU08* memoryOf(const Bytes& bytes) {
  s::col::_array::ArrayU08* array = s::col::_array::ArrayU08::take();
  array->add(bytes.data(), static_cast<uint32_t>(bytes.size()));
  array->rewind();
  return array;
}

inline Bytes contentOf(const s::col::_array::ArrayU08* array) {
  return Bytes(array->getItems(), array->getItems() + array->getCount());
}

}  // namespace mp3_testing
