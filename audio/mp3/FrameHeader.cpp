// MPEG audio frame headers: the bit fields, frame lengths, Xing data, the two-frame test and the
// bitrate and sample-rate tables of the MPEG audio standards.
#include "audio/mp3/FrameHeader.h"

#include "core/io/IInputStream.h"
#include "core/io/Io.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace s::sound::mp3 {

namespace {

// kbps by [low sampling frequency][layer - 1][bitrate index]; index 0 is free format, 15 is not
// allowed. MPEG-2 and MPEG-2.5 share the low-sampling-frequency rows.
constexpr int32_t kBitrates[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};

// Hz by [MPEG-1, MPEG-2, MPEG-2.5][sample-rate index]; index 3 is reserved.
constexpr int32_t kSampleRates[3][4] = {
    {44100, 48000, 32000, 0}, {22050, 24000, 16000, 0}, {11025, 12000, 8000, 0}};

// The scan reads blocks of this size and keeps at least the look-ahead after a candidate in
// memory: more than the longest frame there is (2,881 bytes: Layer II, 160 kbps, 8 kHz) plus the
// next header, so the two-frame test never needs another read.
constexpr uint32_t kScanBlock = 64 * 1024;
constexpr uint32_t kLookahead = 4096;

uint32_t bigEndian32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}

bool readBigEndian32(io::IInputStream* stream, int32_t* value) {
  uint8_t bytes[4];
  if (!io::readFully(stream, bytes, sizeof bytes)) {
    return false;
  }
  *value = static_cast<int32_t>(bigEndian32(bytes));
  return true;
}

}  // namespace

void FrameHeader::reset() {
  m_position = 0;
  m_lsf = false;
  m_mpeg25 = false;
  m_layer = 3;
  m_protected = false;
  m_sampleRateIndex = 0;
  m_bitrateIndex = 11;  // 192 kbps
  m_padding = false;
  m_privateBit = 0;
  m_channelMode = kModeStereo;
  m_modeExtension = 0;
  m_copyright = false;
  m_original = false;
  m_emphasis = 0;
  m_frameLength = 0;
  m_vbr = false;
  m_xingFlags = 0;
  m_xingFrames = 0;
  m_xingBytes = 0;
  m_xingQuality = 0;
  std::memset(m_toc, 0, sizeof m_toc);
}

bool FrameHeader::decode(uint32_t header) {
  // Eleven sync bits, and a version other than the reserved 01.
  if ((header & 0xFFE00000u) != 0xFFE00000u || ((header >> 19) & 3u) == 1u) {
    return false;
  }
  if ((header >> 20) & 1u) {
    m_mpeg25 = false;
    m_lsf = ((header >> 19) & 1u) == 0;
  } else {
    m_mpeg25 = true;
    m_lsf = true;
  }
  m_layer = 4 - static_cast<int32_t>((header >> 17) & 3u);
  m_protected = ((header >> 16) & 1u) == 0;
  m_bitrateIndex = static_cast<int32_t>((header >> 12) & 15u);
  m_sampleRateIndex = static_cast<int32_t>((header >> 10) & 3u);
  m_padding = ((header >> 9) & 1u) != 0;
  m_privateBit = static_cast<int32_t>((header >> 8) & 1u);
  m_channelMode = static_cast<int32_t>((header >> 6) & 3u);
  m_modeExtension = static_cast<int32_t>((header >> 4) & 3u);
  m_copyright = ((header >> 3) & 1u) != 0;
  m_original = ((header >> 2) & 1u) != 0;
  m_emphasis = static_cast<int32_t>(header & 3u);

  const int32_t rate = getSampleRate();
  const int32_t kbps = getBitrate();
  const int32_t padding = m_padding ? 1 : 0;
  m_frameLength = 0;
  if (rate > 0) {
    // Layer II frames hold 1,152 samples in every version; only Layer III halves its frames
    // (576 samples) at the low sampling frequencies.
    if (m_layer == 1) {
      m_frameLength = (12000 * kbps / rate + padding) * 4;
    } else if (m_layer == 2 || (m_layer == 3 && !m_lsf)) {
      m_frameLength = 144000 * kbps / rate + padding;
    } else if (m_layer == 3) {
      m_frameLength = 72000 * kbps / rate + padding;
    }
  }
  m_vbr = false;
  m_xingFlags = 0;
  m_xingFrames = 0;
  m_xingBytes = 0;
  m_xingQuality = 0;
  return true;
}

bool FrameHeader::parse(io::IInputStream* stream) {
  if (stream == nullptr) {
    return false;
  }
  m_position = stream->getPosition();
  uint8_t bytes[4];
  if (!io::readFully(stream, bytes, sizeof bytes) || !decode(bigEndian32(bytes))) {
    return false;
  }
  if (m_layer == 3) {
    readXing(stream);
  }
  return true;
}

void FrameHeader::readXing(io::IInputStream* stream) {
  // The Xing data follows the side information, whose size depends on version and channels.
  const int64_t offset = m_lsf ? (isMono() ? 13 : 21) : (isMono() ? 21 : 36);
  char signature[4];
  if (!stream->seek(m_position + offset) || !io::readFully(stream, signature, sizeof signature) ||
      std::memcmp(signature, "Xing", 4) != 0) {
    return;
  }
  m_vbr = true;
  // Data cut short by the end of the file leaves the fields not read at 0.
  if (!readBigEndian32(stream, &m_xingFlags)) {
    return;
  }
  if ((m_xingFlags & 1) != 0 && !readBigEndian32(stream, &m_xingFrames)) {
    return;
  }
  if ((m_xingFlags & 2) != 0 && !readBigEndian32(stream, &m_xingBytes)) {
    return;
  }
  if ((m_xingFlags & 4) != 0 && !io::readFully(stream, m_toc, sizeof m_toc)) {
    return;
  }
  if ((m_xingFlags & 8) != 0) {
    readBigEndian32(stream, &m_xingQuality);
  }
}

bool FrameHeader::decodeBytes(const uint8_t bytes[4]) { return decode(bigEndian32(bytes)); }

bool FrameHeader::isFreeFormat() const {
  return m_layer >= 1 && m_layer <= 3 && m_bitrateIndex == 0 && m_sampleRateIndex >= 0 &&
         m_sampleRateIndex <= 2;
}

bool FrameHeader::isValid() const {
  return m_layer >= 1 && m_layer <= 3 && m_bitrateIndex >= 1 && m_bitrateIndex <= 14 &&
         m_sampleRateIndex >= 0 && m_sampleRateIndex <= 2 && m_frameLength != 0;
}

bool FrameHeader::sameStreamAs(const FrameHeader& other) const {
  return m_lsf == other.m_lsf && m_mpeg25 == other.m_mpeg25 && m_layer == other.m_layer &&
         isMono() == other.isMono() && getSampleRate() == other.getSampleRate();
}

bool FrameHeader::findFirstFrame(io::IInputStream* stream, FrameHeader* record, int64_t end) {
  if (stream == nullptr) {
    return false;
  }
  FrameHeader* found = record != nullptr ? record : take();
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kScanBlock]);
  if (found == nullptr || buffer == nullptr) {
    if (found != nullptr && record == nullptr) {
      found->release();
    }
    return false;
  }
  uint8_t* const bytes = buffer.get();
  int64_t base = stream->getPosition();  // the stream position of bytes[0]
  uint32_t count = 0;
  uint32_t at = 0;
  bool ended = false;
  // Keeps the bytes from `at` on and reads behind them up to a full block, the stream's end or
  // `end`, whichever comes first.
  auto refill = [&]() {
    std::memmove(bytes, bytes + at, count - at);
    base += at;
    count -= at;
    at = 0;
    while (count < kScanBlock && !ended) {
      const int64_t left = end == kNoEnd ? kScanBlock : end - (base + count);
      uint32_t got = 0;
      if (left <= 0 ||
          !stream->read(bytes + count,
                        static_cast<uint32_t>(std::min<int64_t>(kScanBlock - count, left)), &got) ||
          got == 0) {
        ended = true;
      } else {
        count += got;
      }
    }
  };

  FrameHeader next;
  bool accepted = false;
  for (;;) {
    if (!ended && count - at < kLookahead) {
      refill();
    }
    const void* sync = at < count ? std::memchr(bytes + at, 0xFF, count - at) : nullptr;
    if (sync == nullptr) {
      if (ended) {
        break;
      }
      at = count;
      continue;
    }
    at = static_cast<uint32_t>(static_cast<const uint8_t*>(sync) - bytes);
    if (!ended && count - at < kLookahead) {
      continue;  // refilled at the top of the loop, keeping the candidate
    }
    if (count - at >= 4 && found->decode(bigEndian32(bytes + at))) {
      found->m_position = base + at;
      if (found->isValid()) {
        // Accepted when the stream ends where the frame does or after it, or when the next frame
        // belongs to the same stream.
        const uint64_t following =
            static_cast<uint64_t>(at) + static_cast<uint32_t>(found->m_frameLength);
        if (following >= count) {
          accepted = ended && following == count;
        } else if (ended && count - following < 4) {
          accepted = bytes[following] == 0xFF;
        } else {
          accepted = following + 4 <= count && bytes[following] == 0xFF &&
                     next.decode(bigEndian32(bytes + following)) && next.isValid() &&
                     found->sameStreamAs(next);
        }
        if (accepted) {
          break;
        }
      }
    }
    ++at;
  }
  // The accepted frame is parsed again from the stream, for its Xing data.
  const bool ok = accepted && stream->seek(base + at) && found->parse(stream);
  if (record == nullptr) {
    found->release();
  }
  return ok;
}

int32_t FrameHeader::setBitrate(int32_t kbps) {
  m_bitrateIndex = 0;
  if (m_layer >= 1 && m_layer <= 3) {
    const int32_t* table = kBitrates[m_lsf ? 1 : 0][m_layer - 1];
    for (int32_t index = 1; index <= 14; ++index) {
      if (table[index] == kbps) {
        m_bitrateIndex = index;
        break;
      }
    }
  }
  return m_bitrateIndex;
}

void FrameHeader::setSampleRate(int32_t hz) {
  m_sampleRateIndex = 0;
  const int32_t* rates = kSampleRates[m_mpeg25 ? 2 : m_lsf ? 1 : 0];
  for (int32_t index = 0; index <= 2; ++index) {
    if (rates[index] == hz) {
      m_sampleRateIndex = index;
      break;
    }
  }
}

int32_t FrameHeader::getBitrate() const {
  if (m_layer < 1 || m_layer > 3 || m_bitrateIndex < 0 || m_bitrateIndex > 15) {
    return 0;
  }
  return kBitrates[m_lsf ? 1 : 0][m_layer - 1][m_bitrateIndex];
}

int32_t FrameHeader::getSampleRate() const {
  if (m_sampleRateIndex < 0 || m_sampleRateIndex > 3) {
    return 0;
  }
  return kSampleRates[m_mpeg25 ? 2 : m_lsf ? 1 : 0][m_sampleRateIndex];
}

float FrameHeader::getMpegVersion() const { return m_mpeg25 ? 2.5f : m_lsf ? 2.0f : 1.0f; }

int32_t FrameHeader::getSamplesPerFrame() const {
  if (m_layer == 1) {
    return 384;
  }
  return m_layer == 3 && m_lsf ? 576 : 1152;
}

int64_t FrameHeader::getFrameCount(int64_t dataLength) const {
  const int64_t frames =
      dataLength >= 1 && !m_vbr && m_frameLength != 0 ? dataLength / m_frameLength : m_xingFrames;
  return frames > 0 ? frames : -1;
}

int64_t FrameHeader::getDurationMillis(int64_t dataLength) const {
  const int64_t frames = getFrameCount(dataLength);
  if (frames < 0) {
    return -1;
  }
  const int32_t rate = getSampleRate();
  return rate > 0 ? getSamplesPerFrame() * frames * 1000 / rate : 0;
}

int32_t FrameHeader::getDurationSeconds(int64_t dataLength) const {
  const int64_t frames = getFrameCount(dataLength);
  if (frames < 0) {
    return -1;
  }
  const int32_t rate = getSampleRate();
  const int64_t seconds = rate > 0 ? getSamplesPerFrame() * frames / rate : 0;
  return static_cast<int32_t>(std::min<int64_t>(seconds, std::numeric_limits<int32_t>::max()));
}

}  // namespace s::sound::mp3
