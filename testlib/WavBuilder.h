// WAV files built byte by byte, for tests of readers: any format fields, any chunks in any order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumetra::testlib {

/// Builds the bytes of a RIFF file. Chunks are appended in call order, each with its pad byte when
/// its size is odd; `bytes` fills in the RIFF size.
///
///     auto file = WavBuilder().fmt(1, 2, 44100, 16).chunk("LIST", {1, 2, 3}).data(pcm).bytes();
class WavBuilder {
 public:
  /// A "fmt " chunk of `fmtSize` bytes (16, 18, 40 or any other; bytes past the fields written
  /// here are 0). For 40 and more the extensible fields follow: valid bits, channel mask 0, and
  /// the sub-format GUID whose first two bytes are `subFormatTag` (1 for PCM).
  WavBuilder& fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                  uint32_t fmtSize = 16, uint16_t subFormatTag = 1);
  WavBuilder& chunk(const std::string& id, const std::vector<uint8_t>& content);
  WavBuilder& data(const std::vector<uint8_t>& pcm) { return chunk("data", pcm); }
  /// A "data" chunk of 16-bit samples.
  WavBuilder& data16(const std::vector<int16_t>& samples);
  /// Overrides the "RIFF" and "WAVE" ids (for files that are something else).
  WavBuilder& ids(const std::string& riff, const std::string& wave);
  std::vector<uint8_t> bytes() const;

  /// The standard 44-byte-header file of 16-bit or 8-bit PCM around `pcm`.
  static std::vector<uint8_t> pcmFile(const std::vector<uint8_t>& pcm, uint16_t channels,
                                      uint32_t rate, uint16_t bits);

 private:
  std::string m_riff = "RIFF";
  std::string m_wave = "WAVE";
  std::vector<uint8_t> m_body;
};

/// Little-endian readers of a byte buffer.
uint32_t readLe32(const std::vector<uint8_t>& bytes, size_t offset);
uint16_t readLe16(const std::vector<uint8_t>& bytes, size_t offset);
/// The bytes of 16-bit samples, little-endian.
std::vector<uint8_t> toBytes(const std::vector<int16_t>& samples);
std::vector<int16_t> toSamples(const uint8_t* bytes, size_t byteCount);

}  // namespace lumetra::testlib
