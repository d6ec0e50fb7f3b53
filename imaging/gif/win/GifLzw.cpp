// The variable-width LZW coding of GIF pixel data.
#include "imaging/gif/win/GifLzw.h"

#include "core/io/IOutputStream.h"
#include "core/io/Io.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace s::image::gif::win {

namespace {

/// The number of doublings of the hash size below 65536, taken from 8: the hash mixes the pixel
/// in above the string code by this many bits.
constexpr int32_t kHashShift = 4;
constexpr int32_t kMaxWidth = 12;

}  // namespace

GifLzw::GifLzw() { reset(); }

void GifLzw::reset() {
  clearHash();
  std::memset(m_codes, 0, sizeof(m_codes));
  m_packetCount = 0;
  m_accumulator = 0;
  m_bitCount = 0;
  m_width = m_initialWidth = m_maxCode = m_nextCode = 0;
  m_clearPending = false;
  m_clearCode = m_endCode = 0;
  m_stream = nullptr;
  m_ok = true;
  m_decoding = Decoding::Ended;
}

void GifLzw::clearHash() { std::fill(m_hash, m_hash + kHashSize, -1); }

bool GifLzw::writePacket() {
  if (m_packetCount == 0) {
    return m_ok;
  }
  uint8_t length = static_cast<uint8_t>(m_packetCount);
  if (m_ok) {
    m_ok = io::writeFully(m_stream, &length, 1) &&
           io::writeFully(m_stream, m_packet, static_cast<uint32_t>(m_packetCount));
  }
  m_packetCount = 0;
  return m_ok;
}

void GifLzw::output(int32_t code) {
  m_accumulator |= static_cast<uint32_t>(code) << m_bitCount;
  m_bitCount += m_width;
  while (m_bitCount >= 8) {
    m_packet[m_packetCount++] = static_cast<uint8_t>(m_accumulator);
    m_accumulator >>= 8;
    m_bitCount -= 8;
    if (m_packetCount == kPacketSize) {
      writePacket();
    }
  }
  if (m_nextCode > m_maxCode || m_clearPending) {
    if (m_clearPending) {
      m_width = m_initialWidth;
      m_maxCode = (1 << m_width) - 1;
      m_clearPending = false;
    } else {
      ++m_width;
      m_maxCode = m_width == kMaxWidth ? kMaxCodes : (1 << m_width) - 1;
    }
  }
  if (code == m_endCode) {
    while (m_bitCount > 0) {
      m_packet[m_packetCount++] = static_cast<uint8_t>(m_accumulator);
      m_accumulator >>= 8;
      m_bitCount = std::max(0, m_bitCount - 8);
      if (m_packetCount == kPacketSize) {
        writePacket();
      }
    }
    writePacket();
  }
}

bool GifLzw::encode(const uint8_t* pixels, int32_t width, int32_t height, int32_t codeSize,
                    intptr_t stride, io::IOutputStream* stream) {
  if (stream == nullptr || pixels == nullptr || codeSize < 2 || codeSize > 8) {
    return false;
  }
  m_stream = stream;
  m_ok = true;
  m_packetCount = 0;
  m_accumulator = 0;
  m_bitCount = 0;
  m_initialWidth = codeSize + 1;
  m_width = m_initialWidth;
  m_maxCode = (1 << m_width) - 1;
  m_clearCode = 1 << codeSize;
  m_endCode = m_clearCode + 1;
  m_nextCode = m_clearCode + 2;
  m_clearPending = false;
  clearHash();
  output(m_clearCode);

  const int64_t total = int64_t{width} * std::max(height, 0);
  int32_t current = -1;
  for (int32_t y = 0; y < height && m_ok; ++y) {
    const uint8_t* row = pixels + stride * y;
    int32_t x = 0;
    if (current < 0 && width > 0) {
      current = row[0];
      x = 1;
    }
    for (; x < width; ++x) {
      const int32_t c = row[x];
      const int32_t key = (c << 12) + current;
      int32_t slot = (c << kHashShift) ^ current;
      if (m_hash[slot] == key) {
        current = m_codes[slot];
        continue;
      }
      if (m_hash[slot] >= 0) {
        const int32_t step = slot == 0 ? 1 : kHashSize - slot;
        bool found = false;
        do {
          slot -= step;
          if (slot < 0) {
            slot += kHashSize;
          }
          if (m_hash[slot] == key) {
            found = true;
            break;
          }
        } while (m_hash[slot] > 0);
        if (found) {
          current = m_codes[slot];
          continue;
        }
      }
      output(current);
      current = c;
      if (m_nextCode < kMaxCodes) {
        m_codes[slot] = static_cast<int16_t>(m_nextCode++);
        m_hash[slot] = key;
      } else {
        clearHash();
        m_nextCode = m_clearCode + 2;
        m_clearPending = true;
        output(m_clearCode);
      }
    }
  }
  if (total > 0 && current >= 0) {
    output(current);
  }
  output(m_endCode);
  m_stream = nullptr;
  return m_ok;
}

bool GifLzw::decode(const uint8_t* data, uint32_t size, uint8_t* pixels, int32_t codeSize,
                    intptr_t stride, int32_t width, int32_t height, bool interlaced) {
  startDecoding(pixels, codeSize, stride, width, height, interlaced);
  if (data != nullptr) {
    decodePiece(data, size);
  }
  return finishDecoding();
}

void GifLzw::startDecoding(uint8_t* pixels, int32_t codeSize, intptr_t stride, int32_t width,
                           int32_t height, bool interlaced) {
  if (width < 1 || height < 1) {
    m_decoding = Decoding::Ended;
    return;
  }
  // Pixels are bytes, so a larger code size would start past the tables.
  if (codeSize < 1 || codeSize > 8) {
    m_decoding = Decoding::Broken;
    return;
  }
  // The rows in the order the data fill them. Interlaced frames go in four passes: every 8th
  // row from 0, every 8th from 4, every 4th from 2, every 2nd from 1; rows at or past the height
  // are skipped, so short frames lose nothing.
  m_rows.resize(static_cast<size_t>(height));
  if (!interlaced) {
    for (int32_t r = 0; r < height; ++r) {
      m_rows[static_cast<size_t>(r)] = pixels + stride * r;
    }
  } else {
    static constexpr int32_t kPassStart[4] = {0, 4, 2, 1};
    static constexpr int32_t kPassStep[4] = {8, 8, 4, 2};
    size_t at = 0;
    for (int32_t pass = 0; pass < 4; ++pass) {
      for (int32_t r = kPassStart[pass]; r < height; r += kPassStep[pass]) {
        m_rows[at++] = pixels + stride * r;
      }
    }
  }

  // A pixel value's string is the value itself, taken from a table of every byte (with room for
  // a word's read past the last), so every code goes through the same copy.
  static constexpr auto kValues = [] {
    std::array<uint8_t, 256 + kWord> values{};
    for (int32_t v = 0; v < 256; ++v) {
      values[static_cast<size_t>(v)] = static_cast<uint8_t>(v);
    }
    return values;
  }();
  const int32_t clear = 1 << codeSize;
  for (int32_t c = 0; c < clear; ++c) {
    m_length[c] = 1;
    m_room[c] = kWord;
    m_from[c] = kValues.data() + c;
  }
  m_decoding = Decoding::Wanting;
  m_frameWidth = width;
  m_frameHeight = height;
  m_bits = 0;
  m_bitsHeld = 0;
  m_codeSize = codeSize;
  m_codeWidth = codeSize + 1;
  m_next = clear + 2;
  m_row = 0;
  m_x = 0;
  m_line = m_rows[0];
  m_previous = -1;
  m_previousRow = 0;
  m_previousX = 0;
  // Short strings are copied a whole word at a time, which writes up to seven pixels past the
  // string in its row; the next strings write them again. The row's pixels as they were before
  // are kept aside, so that pixels the data never reach keep their values however the data end.
  m_before.resize(static_cast<size_t>(width));
  std::memcpy(m_before.data(), m_line, static_cast<size_t>(width));
}

bool GifLzw::finishDecoding() {
  if (m_decoding == Decoding::Wanting) {
    // The data end before the end code: the frame ends there.
    if (m_row < m_frameHeight && m_x < m_frameWidth) {
      std::memcpy(m_line + m_x, m_before.data() + m_x, static_cast<size_t>(m_frameWidth - m_x));
    }
    m_decoding = Decoding::Broken;
  }
  return m_decoding == Decoding::Ended;
}

GifLzw::Decoding GifLzw::decodePiece(const uint8_t* data, uint32_t size) {
  if (m_decoding != Decoding::Wanting || data == nullptr) {
    return m_decoding;
  }
  // The state lives in locals while the piece is decoded: the pixel writes could alias members.
  const uint8_t* in = data;
  const uint8_t* const inEnd = data + size;
  const int32_t width = m_frameWidth;
  const int32_t height = m_frameHeight;
  const int32_t codeSize = m_codeSize;
  const int32_t clear = 1 << codeSize;
  const int32_t end = clear + 1;
  uint64_t bits = m_bits;
  int32_t bitsHeld = m_bitsHeld;
  int32_t codeWidth = m_codeWidth;
  uint32_t mask = (1u << codeWidth) - 1;
  int32_t next = m_next;
  int32_t row = m_row;
  int32_t x = m_x;
  uint8_t* line = m_line;
  int32_t previous = m_previous;
  // Where the previous string starts.
  int32_t previousRow = m_previousRow;
  int32_t previousX = m_previousX;

  const auto stop = [&](Decoding decoding) {
    if (decoding != Decoding::Wanting && row < height && x < width) {
      std::memcpy(line + x, m_before.data() + x, static_cast<size_t>(width - x));
    }
    m_decoding = decoding;
    m_bits = bits;
    m_bitsHeld = bitsHeld;
    m_codeWidth = codeWidth;
    m_next = next;
    m_row = row;
    m_x = x;
    m_line = line;
    m_previous = previous;
    m_previousRow = previousRow;
    m_previousX = previousX;
    return decoding;
  };
  const auto nextRow = [&] {
    x = 0;
    if (++row < height) {
      line = m_rows[static_cast<size_t>(row)];
      std::memcpy(m_before.data(), line, static_cast<size_t>(width));
    }
  };
  for (;;) {
    if (bitsHeld < codeWidth) {
      if (inEnd - in >= 8) {
        // A whole word at once: as many bytes as fit beside the bits held. The bits above those
        // counted are the next bytes' own, so reading them again later changes nothing.
        uint64_t word;
        std::memcpy(&word, in, 8);
        bits |= word << bitsHeld;
        in += (63 - bitsHeld) >> 3;
        bitsHeld |= 56;
      } else {
        while (bitsHeld < codeWidth && in < inEnd) {
          bits |= uint64_t{*in++} << bitsHeld;
          bitsHeld += 8;
        }
        if (bitsHeld < codeWidth) {
          return stop(Decoding::Wanting);  // the code goes on in the next piece
        }
      }
    }
    const int32_t code = static_cast<int32_t>(bits & mask);
    bits >>= codeWidth;
    bitsHeld -= codeWidth;

    if (code == clear) {
      codeWidth = codeSize + 1;
      mask = (1u << codeWidth) - 1;
      next = clear + 2;
      previous = -1;
      continue;
    }
    if (code == end) {
      return stop(Decoding::Ended);
    }
    // Every string in the table is the previous string followed by one pixel, so it already
    // stands among the pixels written: each entry keeps where it starts (and how much of its row
    // follows there), and a code is copied from there instead of being spelled out through its
    // chain of prefixes. Right after a clear, `next` lets only pixel values through.
    const uint8_t* from;
    int32_t length;
    int32_t room;
    bool unknown = false;
    if (code < next) {
      from = m_from[code];
      length = m_length[code];
      room = m_room[code];
    } else {
      if (code > next || next >= kMaxCodes || previous < 0) {
        // Past the table, or a first code after a clear that is no pixel value.
        return stop(Decoding::Broken);
      }
      // A code not yet in the table is the previous string followed by its own first pixel: the
      // place the previous string was just written to, one longer (the pixel past it is where
      // this string starts, so its first pixel is copied there first).
      unknown = true;
      from = m_rows[static_cast<size_t>(previousRow)] + previousX;
      length = m_length[previous] + 1;
      room = width - previousX;
    }
    const int32_t startRow = row;
    const int32_t startX = x;
    if (!unknown && length <= kWord && x + kWord <= width && room >= kWord) {
      // The usual string: a few pixels, one word's read and write.
      uint64_t word;
      std::memcpy(&word, from, kWord);
      std::memcpy(line + x, &word, kWord);
      x += length;
    } else if (x + length <= width && length <= room) {
      // Both in one row each; byte by byte in order where the string overlaps its source (the
      // unknown code's last pixel is its first).
      uint8_t* to = line + x;
      if (to >= from + length || from >= to + length) {
        std::memcpy(to, from, static_cast<size_t>(length));
      } else {
        for (int32_t i = 0; i < length; ++i) {
          to[i] = from[i];
        }
      }
      x += length;
    } else {
      // Across the end of a row: pixel by pixel, source and target each moving on to their next
      // row in fill order; the frame's last pixel ends the copy.
      int32_t fromRow = unknown ? previousRow : m_fromRow[code];
      int32_t fromX = unknown ? previousX : m_fromX[code];
      for (int32_t i = 0; i < length && row < height; ++i) {
        line[x] = m_rows[static_cast<size_t>(fromRow)][fromX];
        if (++fromX == width) {
          fromX = 0;
          ++fromRow;
        }
        if (++x == width) {
          nextRow();
        }
      }
    }
    if (x == width) {
      nextRow();
    }
    if (previous >= 0 && next < kMaxCodes) {
      // When the table is full it stops growing; codes stay 12 bits wide until a clear.
      m_length[next] = static_cast<uint16_t>(m_length[previous] + 1);
      m_fromRow[next] = static_cast<uint16_t>(previousRow);
      m_fromX[next] = static_cast<uint16_t>(previousX);
      m_from[next] = m_rows[static_cast<size_t>(previousRow)] + previousX;
      m_room[next] = static_cast<uint16_t>(width - previousX);
      ++next;
      if (next == (1 << codeWidth) && codeWidth < kMaxWidth) {
        ++codeWidth;
        mask = (1u << codeWidth) - 1;
      }
    }
    previous = code;
    previousRow = startRow;
    previousX = startX;
    if (row >= height) {
      return stop(Decoding::Ended);  // the last pixel is written
    }
  }
}

}  // namespace s::image::gif::win
