// RIFF WAVE files: header parsing and writing, PCM blocks through the effect chain.
#include "audio/wav/Wave.h"
#include "audio/SpeedFactor.h"

#include "core/io/IInputStream.h"
#include "core/io/IOutputStream.h"
#include "core/io/Io.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>

namespace s::sound::wav {

namespace {

// Offsets of the header image, which are the file offsets of a header with a 40-byte fmt chunk.
constexpr int32_t kRiffSize = 4;
constexpr int32_t kFmtSize = 16;
constexpr int32_t kFormatTag = 20;
constexpr int32_t kChannels = 22;
constexpr int32_t kSampleRate = 24;
constexpr int32_t kByteRate = 28;
constexpr int32_t kBlockAlign = 32;
constexpr int32_t kBits = 34;
constexpr int32_t kExtensionSize = 36;
constexpr int32_t kSubFormat = 44;
constexpr int32_t kFact = 60;
constexpr int32_t kFactSize = 64;
constexpr int32_t kFactValue = 68;
constexpr int32_t kData = 72;
constexpr int32_t kDataSize = 76;

constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagExtensible = 0xFFFE;
/// The PCM sub-format of the extensible layout, 00000001-0000-0010-8000-00AA00389B71, as stored.
constexpr uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                       0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
/// The chunks examined after "fmt " before giving up on finding "data".
constexpr int32_t kMaxChunks = 10;

/// The image after reset: a 16-bit stereo 44100 Hz PCM header with an empty data chunk.
// clang-format off
constexpr uint8_t kDefaultHeader[Wave::kHeaderImageSize] = {
    'R', 'I', 'F', 'F', 80, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',  //
    16, 0, 0, 0, 1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 0x02, 0,           //
    4, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,                          //
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'f', 'a', 'c', 't',                   //
    0, 0, 0, 0, 0, 0, 0, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0};
// clang-format on

bool isId(const uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

}  // namespace

Wave::Wave() { reset(); }

Wave::~Wave() { reset(); }

void Wave::reset() {
  close();
  m_fileSize = -1;
  m_headerRead = false;
  m_headerWritten = false;
  m_headerDirty = false;
  std::memcpy(m_header, kDefaultHeader, sizeof m_header);
  m_basePosition = 0;
  m_speedFactor = 1.0f;
  m_output = nullptr;
  m_input = nullptr;
  m_ownsOutput = false;
  m_ownsInput = false;
  m_dataStart = 0;
  m_hasPcm = false;
  m_filterBuffer.freeAll();
  m_effect.reset();
}

uint32_t Wave::get32(int32_t offset) const {
  return static_cast<uint32_t>(m_header[offset]) |
         static_cast<uint32_t>(m_header[offset + 1]) << 8 |
         static_cast<uint32_t>(m_header[offset + 2]) << 16 |
         static_cast<uint32_t>(m_header[offset + 3]) << 24;
}

uint16_t Wave::get16(int32_t offset) const {
  return static_cast<uint16_t>(m_header[offset] | m_header[offset + 1] << 8);
}

void Wave::set32(int32_t offset, uint32_t value) {
  for (int32_t i = 0; i < 4; ++i) {
    m_header[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  }
}

void Wave::set16(int32_t offset, uint16_t value) {
  m_header[offset] = static_cast<uint8_t>(value);
  m_header[offset + 1] = static_cast<uint8_t>(value >> 8);
}

int32_t Wave::getSampleRate() { return static_cast<int32_t>(get32(kSampleRate)); }

bool Wave::isStereo() { return getChannels() == 2; }

int32_t Wave::getBitsPerSample() { return static_cast<int16_t>(get16(kBits)); }

void Wave::setSampleRate(int32_t hz) {
  if (hz == getSampleRate()) {
    return;
  }
  set32(kSampleRate, static_cast<uint32_t>(hz));
  set32(kByteRate, static_cast<uint32_t>(hz) * get16(kBlockAlign));
  m_headerDirty = true;
}

void Wave::setStereo(bool stereo) {
  const int32_t channels = stereo ? 2 : 1;
  if (channels == getChannels()) {
    return;
  }
  set16(kChannels, static_cast<uint16_t>(channels));
  set16(kBlockAlign, static_cast<uint16_t>(channels * (getBitsPerSample() / 8)));
  set32(kByteRate, get32(kSampleRate) * get16(kBlockAlign));
  m_headerDirty = true;
}

void Wave::setBitsPerSample(int32_t bits) {
  if (bits == getBitsPerSample()) {
    return;
  }
  set16(kBits, static_cast<uint16_t>(bits));
  set16(kBlockAlign, static_cast<uint16_t>(getChannels() * (bits / 8)));
  set32(kByteRate, get16(kBlockAlign) * get32(kSampleRate));
  m_headerDirty = true;
}

int32_t Wave::getPcmLength() {
  return static_cast<int32_t>(
      std::min<uint32_t>(getDataSize(), std::numeric_limits<int32_t>::max()));
}

int32_t Wave::getDurationMillis() {
  const int64_t divisor =
      static_cast<int64_t>(getSampleRate()) * getBitsPerSample() * getChannels();
  if (divisor <= 0) {
    return 0;
  }
  const int64_t millis = static_cast<int64_t>(getDataSize()) * 8000 / divisor;
  return static_cast<int32_t>(std::min<int64_t>(millis, std::numeric_limits<int32_t>::max()));
}

void Wave::setSpeedFactor(float factor) {
  if (isUsableSpeedFactor(factor)) {
    m_speedFactor = factor;
  }
}

int32_t Wave::getOutputSampleRate() { return scaleSampleRate(getSampleRate(), m_speedFactor); }

void Wave::setOutputStream(io::IOutputStream* stream, bool owned) {
  m_output = stream;
  m_ownsOutput = owned;
  m_basePosition = stream != nullptr ? stream->getPosition() : 0;
}

void Wave::setInputStream(io::IInputStream* stream, bool owned) {
  if (m_input != nullptr && m_input != stream && m_ownsInput) {
    m_input->dispose();
  }
  m_input = stream;
  m_ownsInput = owned;
  m_basePosition = stream != nullptr ? stream->getPosition() : 0;
  readHeader();
}

bool Wave::isAcceptedFormat() const {
  if (!isId(m_header, "RIFF") || !isId(m_header + 8, "WAVE") || !isId(m_header + 12, "fmt ") ||
      get32(kFmtSize) < 16) {
    return false;
  }
  const uint16_t tag = get16(kFormatTag);
  const bool pcm = tag == kTagPcm ||
                   (tag == kTagExtensible && get32(kFmtSize) >= 40 &&
                    std::memcmp(m_header + kSubFormat, kPcmSubFormat, sizeof kPcmSubFormat) == 0);
  const int32_t channels = getChannels();
  const int32_t bits = static_cast<int16_t>(get16(kBits));
  return pcm && (channels == 1 || channels == 2) && (bits == 8 || bits == 16) &&
         static_cast<int32_t>(get32(kSampleRate)) > 0;
}

void Wave::readHeader() {
  if (m_input == nullptr) {
    return;
  }
  std::lock_guard<thread::ObjLocker> hold(m_lock);
  m_hasPcm = false;
  set32(kDataSize, 0);
  if (m_input->getPosition() != m_basePosition) {
    m_input->seek(m_basePosition);
  }
  bool ok = io::readFully(m_input, m_header, 36);
  if (ok) {
    // The fmt chunk's extension: its size after a fmt chunk of 18 bytes or more, the whole
    // extensible layout after one of 40 or more. A longer chunk is passed over to its end, with
    // the pad byte of an odd size, so the chunk walk starts at the next chunk.
    const uint32_t fmtSize = get32(kFmtSize);
    uint32_t consumed = 16;
    if (fmtSize >= 40) {
      ok = io::readFully(m_input, m_header + kExtensionSize, 24);
      consumed = 40;
    } else if (fmtSize >= 18) {
      ok = io::readFully(m_input, m_header + kExtensionSize, 2);
      consumed = 18;
    }
    if (ok && fmtSize > consumed) {
      ok = m_input->skip(static_cast<int64_t>(fmtSize - consumed) + (fmtSize & 1));
    }
  }
  m_hasPcm = ok && isAcceptedFormat() && readChunks();
  if (!m_hasPcm) {
    set32(kDataSize, 0);
  }
  m_headerRead = true;
}

bool Wave::readChunks() {
  for (int32_t chunk = 0; chunk < kMaxChunks; ++chunk) {
    uint8_t id[4];
    uint8_t sizeBytes[4];
    if (!io::readFully(m_input, id, 4) || !io::readFully(m_input, sizeBytes, 4)) {
      return false;
    }
    const uint32_t size = static_cast<uint32_t>(sizeBytes[0]) | sizeBytes[1] << 8 |
                          sizeBytes[2] << 16 | static_cast<uint32_t>(sizeBytes[3]) << 24;
    if (isId(id, "data")) {
      std::memcpy(m_header + kData, id, 4);
      set32(kDataSize, size);
      m_dataStart = m_input->getPosition();
      return true;
    }
    // RIFF pads chunks of odd size to an even length; the pad byte is not counted in the size.
    int64_t rest = static_cast<int64_t>(size) + (size & 1);
    if (isId(id, "fact")) {
      std::memcpy(m_header + kFact, id, 4);
      set32(kFactSize, size);
      if (size >= 4) {
        if (!io::readFully(m_input, m_header + kFactValue, 4)) {
          return false;
        }
        rest -= 4;
      }
    }
    if (rest > 0 && !m_input->skip(rest)) {
      return false;
    }
  }
  return false;
}

bool Wave::read(void* buffer, uint32_t capacity, uint32_t* count) {
  if (count != nullptr) {
    *count = 0;
  }
  if (m_input == nullptr || buffer == nullptr) {
    return false;
  }
  uint32_t got = 0;
  {
    std::lock_guard<thread::ObjLocker> hold(m_lock);
    if (!m_headerRead) {
      readHeader();
    }
    if (!m_hasPcm) {
      return false;
    }
    const int64_t position = m_input->getPosition();
    const int64_t end = m_dataStart + getDataSize();
    if (position >= end) {
      return false;
    }
    uint32_t request = capacity < 5 ? capacity : capacity & ~3u;
    request = static_cast<uint32_t>(std::min<int64_t>(request, end - position));
    if (request == 0 || !m_input->read(buffer, request, &got) || got == 0) {
      return false;
    }
  }
  if (count != nullptr) {
    *count = got;
  }
  if (hasFilters()) {
    m_effect.process(buffer, static_cast<int32_t>(got), isPcmStereo(), getPcmSampleRate(),
                     getPcmBitsPerSample());
  }
  return true;
}

void Wave::seekPercent(float percent, int64_t* pcmPosition) {
  int64_t position = 0;
  if (m_input != nullptr && m_hasPcm) {
    const uint32_t dataSize = getDataSize();
    float bytes = static_cast<float>(dataSize) * (percent / 100.0f);
    // Kept inside the data chunk: before it lies the header, which is no PCM.
    if (!(bytes > 0.0f)) {
      bytes = 0.0f;
    }
    position = std::min<int64_t>(static_cast<int64_t>(std::min(bytes, 4294967296.0f)), dataSize);
    position &= ~static_cast<int64_t>(3);
    std::lock_guard<thread::ObjLocker> hold(m_lock);
    m_input->seek(m_dataStart + position);
  }
  if (pcmPosition != nullptr) {
    *pcmPosition = position;
  }
}

uint32_t Wave::getWrittenHeaderLength() const {
  switch (get32(kFmtSize)) {
    case 18:
      return 46;
    case 40:
      return 68;
    default:
      return 44;
  }
}

void Wave::setRiffSize() {
  const uint32_t data = getDataSize();
  set32(kRiffSize, data + (data & 1) + getWrittenHeaderLength() - 8);
}

bool Wave::writeHeaderImage() {
  if (m_output == nullptr) {
    return false;
  }
  if (m_output->getPosition() != m_basePosition && !m_output->seek(m_basePosition)) {
    return false;
  }
  // Only the three fmt sizes whose layout the image holds are written; any other (from a parsed
  // file) would describe bytes that are not there.
  const uint32_t fmtSize = get32(kFmtSize);
  if (fmtSize != 18 && fmtSize != 40) {
    set32(kFmtSize, 16);
  }
  setRiffSize();
  bool ok = io::writeFully(m_output, m_header, 36);
  if (fmtSize == 18) {
    const uint8_t noExtension[2] = {0, 0};
    ok = ok && io::writeFully(m_output, noExtension, 2);
  } else if (fmtSize == 40) {
    set16(kExtensionSize, 22);
    ok = ok && io::writeFully(m_output, m_header + kExtensionSize, 24);
  }
  ok = ok && io::writeFully(m_output, m_header + kData, 8);
  if (ok) {
    m_headerWritten = true;
    m_headerDirty = false;
  }
  return ok;
}

bool Wave::writeBlock(const void* data, uint32_t count, int32_t rate, bool stereo, int32_t bits) {
  if (m_output == nullptr || (data == nullptr && count != 0) ||
      count > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) {
    return false;
  }
  if (!m_headerWritten) {
    if (rate <= 0 || (bits != 8 && bits != 16)) {
      return false;
    }
    setSampleRate(rate);
    setStereo(stereo);
    setBitsPerSample(bits);
    if (!writeHeaderImage()) {
      return false;
    }
  }
  // The RIFF size counts the whole file less 8 bytes in 32 bits.
  const uint64_t total =
      static_cast<uint64_t>(getDataSize()) + count + 1 + getWrittenHeaderLength();
  if (total - 8 > std::numeric_limits<uint32_t>::max()) {
    return false;
  }
  bool ok;
  if (hasFilters() && count != 0) {
    m_filterBuffer.setCount(count);
    uint8_t* copy = m_filterBuffer.getItems();
    std::memcpy(copy, data, count);
    m_effect.process(copy, static_cast<int32_t>(count), stereo, rate, bits);
    ok = io::writeFully(m_output, copy, count);
  } else {
    ok = io::writeFully(m_output, data, count);
  }
  if (count != 0) {
    set32(kDataSize, getDataSize() + count);
    setRiffSize();
    m_headerDirty = true;
  }
  return ok;
}

bool Wave::close() {
  bool ok = true;
  if (m_output != nullptr) {
    if (m_headerWritten && (getDataSize() & 1) != 0) {
      const uint8_t pad = 0;
      ok = io::writeFully(m_output, &pad, 1);
    }
    if (m_ownsOutput) {
      if (m_headerDirty) {
        ok = writeHeaderImage() && ok;
      }
      // A failed final write-out is an error: a truncated file is not a converted file.
      ok = m_output->close() && ok;
      m_output->dispose();
    } else if (m_headerDirty) {
      const int64_t position = m_output->getPosition();
      ok = writeHeaderImage() && ok;
      m_output->seek(position);
    }
    m_output = nullptr;
  }
  if (m_input != nullptr) {
    if (m_ownsInput) {
      m_input->dispose();
    }
    m_input = nullptr;
  }
  return ok;
}

IInfo* Wave::createInfo(const WCHAR*) {
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return nullptr;
}

void Wave::fillInfo(IInfo*) {}

}  // namespace s::sound::wav
