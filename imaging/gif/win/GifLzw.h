// The variable-width LZW coding of GIF pixel data.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <cstdint>
#include <vector>

namespace s::io {
class IOutputStream;
}

namespace s::image::gif::win {

/// The LZW coder of GIF frames: codes of codeSize + 1 up to 12 bits, least significant bit first,
/// in data sub-blocks of up to 254 bytes each led by its length byte.
///
/// The encoder is the classic hashed one (a table of 5003 slots, secondary probing) that clears
/// its table when 4096 codes are in use; it allocates nothing. The decoder takes the compressed
/// frame whole or in pieces of any size, and is safe on any input: it never reads past the data,
/// never writes past its tables or past width x height pixels, and stops at the first corrupt
/// code. Every Gif holds one by value; pooled as a library class. One thread at a time.
class GifLzw final : public base::IObject, public virtual thread::IPoolable {
  S_POOLED_CLASS(GifLzw, u"s_image_gif_win_GifLzw")

  static constexpr int32_t kHashSize = 5003;
  static constexpr int32_t kMaxCodes = 4096;
  static constexpr int32_t kPacketSize = 254;
  /// The bytes the decoder moves at once.
  static constexpr int32_t kWord = 8;

  GifLzw();
  ~GifLzw() override = default;
  GifLzw(const GifLzw&) = delete;
  GifLzw& operator=(const GifLzw&) = delete;
  void reset() override;

  /// Codes `height` rows of `width` one-byte pixels, the top row first. `pixels` is the top row
  /// and `stride` the distance in bytes from a row to the next one down (negative for a bottom-up
  /// bitmap). `codeSize` is 2 to 8; every pixel must lie below 1 << codeSize. Writes the sub-blocks
  /// without the terminator; false as soon as the stream refuses bytes.
  bool encode(const uint8_t* pixels, int32_t width, int32_t height, int32_t codeSize,
              intptr_t stride, io::IOutputStream* stream);
  /// Adds one code to the bit stream (a packet is written whenever it fills); after the end code
  /// the last bits and packet go out.
  void output(int32_t code);

  /// Decodes `size` bytes of LZW data into width x height pixels, rows laid out as for `encode`,
  /// in the GIF interlace order when `interlaced`. Pixels that the data do not reach keep their
  /// values. Answers true when the end code (or the last pixel) was reached; false for a code size
  /// outside 1 to 8, a corrupt code or data that end before the end code, where the frame keeps the
  /// pixels decoded so far.
  bool decode(const uint8_t* data, uint32_t size, uint8_t* pixels, int32_t codeSize,
              intptr_t stride, int32_t width, int32_t height, bool interlaced);

  /// Where a frame decoded in pieces stands: wanting more data, ended (the end code or the last
  /// pixel was reached) or broken (a code size outside 1 to 8, or a corrupt code).
  enum class Decoding { Wanting, Ended, Broken };
  /// Starts a frame decoded in pieces, with the arguments of `decode`; a frame without pixels has
  /// ended at once.
  void startDecoding(uint8_t* pixels, int32_t codeSize, intptr_t stride, int32_t width,
                     int32_t height, bool interlaced);
  /// Decodes the next `size` bytes of the frame's data: a code cut by the end of the piece waits
  /// for the next piece. Once the frame has ended or broken, pieces are passed over.
  Decoding decodePiece(const uint8_t* data, uint32_t size);
  /// Ends a frame decoded in pieces, as `decode` ends: true when it ended, false when it broke or
  /// its data stopped before the end code.
  bool finishDecoding();

 private:
  void clearHash();
  bool writePacket();

  // The encoder's state.
  int32_t m_hash[kHashSize];
  int16_t m_codes[kHashSize];
  uint8_t m_packet[kPacketSize + 1];
  int32_t m_packetCount = 0;
  uint32_t m_accumulator = 0;
  int32_t m_bitCount = 0;
  int32_t m_width = 0;
  int32_t m_initialWidth = 0;
  int32_t m_maxCode = 0;
  int32_t m_nextCode = 0;
  bool m_clearPending = false;
  int32_t m_clearCode = 0;
  int32_t m_endCode = 0;
  io::IOutputStream* m_stream = nullptr;
  bool m_ok = true;

  // The decoder's table: each code's length and where its string first stands among the pixels
  // (its address, the bytes of its row from there on, the row in fill order and the column);
  // and the rows in fill order.
  uint16_t m_length[kMaxCodes];
  const uint8_t* m_from[kMaxCodes];
  uint16_t m_room[kMaxCodes];
  uint16_t m_fromRow[kMaxCodes];
  uint16_t m_fromX[kMaxCodes];
  std::vector<uint8_t*> m_rows;
  /// The row being filled as it was before.
  std::vector<uint8_t> m_before;
  // The frame being decoded: its state, its shape, the bits read but not yet used, the code size
  // and width, the next free code, the pixel the next string starts at (row in fill order,
  // column, the row's address), and the previous code and where its string starts.
  Decoding m_decoding = Decoding::Ended;
  int32_t m_frameWidth = 0;
  int32_t m_frameHeight = 0;
  uint64_t m_bits = 0;
  int32_t m_bitsHeld = 0;
  int32_t m_codeSize = 0;
  int32_t m_codeWidth = 0;
  int32_t m_next = 0;
  int32_t m_row = 0;
  int32_t m_x = 0;
  uint8_t* m_line = nullptr;
  int32_t m_previous = -1;
  int32_t m_previousRow = 0;
  int32_t m_previousX = 0;
};

}  // namespace s::image::gif::win
