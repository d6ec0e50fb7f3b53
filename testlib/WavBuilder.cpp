// WAV files built byte by byte.
#include "testlib/WavBuilder.h"

#include <cstring>

namespace lumetra::testlib {

namespace {

void put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) {
    out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
}

void putId(std::vector<uint8_t>& out, const std::string& id) {
  for (size_t i = 0; i < 4; ++i) {
    out.push_back(i < id.size() ? static_cast<uint8_t>(id[i]) : ' ');
  }
}

}  // namespace

WavBuilder& WavBuilder::fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                            uint32_t fmtSize, uint16_t subFormatTag) {
  std::vector<uint8_t> content;
  const uint16_t align = static_cast<uint16_t>(channels * (bits / 8));
  put16(content, tag);
  put16(content, channels);
  put32(content, rate);
  put32(content, rate * align);
  put16(content, align);
  put16(content, bits);
  if (fmtSize >= 18) {
    put16(content, static_cast<uint16_t>(fmtSize >= 40 ? 22 : fmtSize - 18));
  }
  if (fmtSize >= 40) {
    put16(content, bits);
    put32(content, 0);
    const uint8_t guidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                  0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    put16(content, subFormatTag);
    content.insert(content.end(), guidTail, guidTail + sizeof guidTail);
  }
  content.resize(fmtSize, 0);
  return chunk("fmt ", content);
}

WavBuilder& WavBuilder::chunk(const std::string& id, const std::vector<uint8_t>& content) {
  putId(m_body, id);
  put32(m_body, static_cast<uint32_t>(content.size()));
  m_body.insert(m_body.end(), content.begin(), content.end());
  if (content.size() % 2 != 0) {
    m_body.push_back(0);
  }
  return *this;
}

WavBuilder& WavBuilder::data16(const std::vector<int16_t>& samples) {
  return data(toBytes(samples));
}

WavBuilder& WavBuilder::ids(const std::string& riff, const std::string& wave) {
  m_riff = riff;
  m_wave = wave;
  return *this;
}

std::vector<uint8_t> WavBuilder::bytes() const {
  std::vector<uint8_t> out;
  putId(out, m_riff);
  put32(out, static_cast<uint32_t>(m_body.size() + 4));
  putId(out, m_wave);
  out.insert(out.end(), m_body.begin(), m_body.end());
  return out;
}

std::vector<uint8_t> WavBuilder::pcmFile(const std::vector<uint8_t>& pcm, uint16_t channels,
                                         uint32_t rate, uint16_t bits) {
  return WavBuilder().fmt(1, channels, rate, bits).data(pcm).bytes();
}

uint32_t readLe32(const std::vector<uint8_t>& bytes, size_t offset) {
  return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<uint32_t>(bytes[offset + 2]) << 16 |
         static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

uint16_t readLe16(const std::vector<uint8_t>& bytes, size_t offset) {
  return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

std::vector<uint8_t> toBytes(const std::vector<int16_t>& samples) {
  std::vector<uint8_t> out(samples.size() * 2);
  if (!out.empty()) {
    std::memcpy(out.data(), samples.data(), out.size());
  }
  return out;
}

std::vector<int16_t> toSamples(const uint8_t* bytes, size_t byteCount) {
  // An empty block may come without a buffer, which memcpy must not be given.
  std::vector<int16_t> out(byteCount / 2);
  if (!out.empty()) {
    std::memcpy(out.data(), bytes, out.size() * 2);
  }
  return out;
}

}  // namespace lumetra::testlib
