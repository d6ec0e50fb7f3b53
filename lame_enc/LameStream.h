// One encoder stream of the library: a configuration record turned into libmp3lame settings,
// and the encode, flush and tag calls with the library's own bound on their output.
#pragma once

#include "lame_enc/BladeEnc.h"

#include <cstdint>
#include <memory>
#include <vector>

struct lame_global_struct;

namespace lame_enc {

/// An open libmp3lame encoder. Owned by the stream table of the entry points; one thread at a
/// time (the table serialises calls on one stream). Sample counts are per channel ("frames")
/// inside, over all channels at the interface.
class LameStream {
 public:
  /// Checks `config` and opens the encoder; fills `stream` only on BE_ERR_SUCCESSFUL.
  static BE_ERR open(const BE_CONFIG& config, std::unique_ptr<LameStream>& stream);
  ~LameStream();

  LameStream(const LameStream&) = delete;
  LameStream& operator=(const LameStream&) = delete;

  /// The most samples over all channels that one `encode` takes.
  uint32_t samplesPerChunk() const { return m_maxInputFrames * m_channels; }
  /// The output buffer size every call needs: nothing is ever written past it.
  uint32_t outputBufferSize() const { return m_outputBound; }

  BE_ERR encode(uint32_t sampleCount, const int16_t* samples, uint8_t* output,
                uint32_t* outputCount);
  BE_ERR flush(uint8_t* output, uint32_t* outputCount);
  /// Writes the stream's tag frame over the first frame of the file `fileName`.
  BE_ERR writeInfoTag(const char* fileName);

 private:
  LameStream() = default;
  void keepReservedFrame(const uint8_t* output, uint32_t count);

  lame_global_struct* m_lame = nullptr;
  uint32_t m_channels = 2;
  uint32_t m_maxInputFrames = 0;
  uint32_t m_outputBound = 0;
  bool m_writesTag = false;
  std::vector<uint8_t> m_reservedFrame;  // the stream's first bytes, up to the longest frame
  size_t m_reservedSize = 0;
  bool m_flushed = false;
};

}  // namespace lame_enc
