// RIFF WAVE files: header parsing and writing, PCM blocks through the effect chain.
#include "audio/wav/Wave.h"

#include "audio/InputEnd.h"
#include "audio/SpeedFactor.h"
#include "audio/wav/Info.h"

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
  m_fault = Fault::kNone;
  m_systemError = 0;
  m_filterBuffer.freeAll();
  m_ahead.freeAll();
  dropReadAhead();
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

Wave::Fault Wave::checkFormat() const {
  if (get32(kFmtSize) < 16) {
    return Fault::kTruncated;
  }
  const uint16_t tag = get16(kFormatTag);
  const bool pcm = tag == kTagPcm ||
                   (tag == kTagExtensible && get32(kFmtSize) >= 40 &&
                    std::memcmp(m_header + kSubFormat, kPcmSubFormat, sizeof kPcmSubFormat) == 0);
  const int32_t channels = getChannels();
  const int32_t bits = static_cast<int16_t>(get16(kBits));
  if (!pcm) {
    return Fault::kNotPcm;
  }
  if (bits != 8 && bits != 16) {
    return Fault::kUnsupportedBits;
  }
  if (channels != 1 && channels != 2) {
    return Fault::kUnsupportedChannels;
  }
  return static_cast<int32_t>(get32(kSampleRate)) > 0 ? Fault::kNone : Fault::kNoSampleRate;
}

const WCHAR* Wave::describeFault(Fault fault) {
  switch (fault) {
    case Fault::kNone: return u"no fault";
    case Fault::kNotWave: return u"the file is not a RIFF WAVE file";
    case Fault::kTruncated: return u"the header is incomplete";
    case Fault::kNoFormat: return u"the file has no \"fmt \" chunk";
    case Fault::kNotPcm: return u"the audio is not PCM";
    case Fault::kUnsupportedBits: return u"the samples are not of 8 or 16 bits";
    case Fault::kUnsupportedChannels: return u"the audio has neither one nor two channels";
    case Fault::kNoSampleRate: return u"the sample rate is 0";
    case Fault::kNoData: return u"the file has no \"data\" chunk";
    case Fault::kSizeLimit: return u"a WAV file cannot hold more than 4 GiB";
    case Fault::kWriteFailed: return u"the output refused the bytes";
  }
  return u"unknown fault";
}

void Wave::readHeader() {
  if (m_input == nullptr) {
    return;
  }
  std::lock_guard<thread::ObjLocker> hold(m_lock);
  dropReadAhead();
  m_hasPcm = false;
  m_dataStart = 0;
  set32(kDataSize, 0);
  if (m_input->getPosition() != m_basePosition) {
    m_input->seek(m_basePosition);
  }
  // Where the file ends bounds the chunk walk and the data.
  const int64_t end = findInputEnd(m_input, m_basePosition, m_fileSize);
  if (!io::readFully(m_input, m_header, 12)) {
    m_fault = Fault::kTruncated;
  } else if (!isId(m_header, "RIFF") || !isId(m_header + 8, "WAVE")) {
    m_fault = Fault::kNotWave;
  } else {
    m_fault = readChunks(end);
  }
  m_hasPcm = m_fault == Fault::kNone;
  if (!m_hasPcm) {
    set32(kDataSize, 0);
    m_dataStart = 0;
  }
  m_headerRead = true;
}

Wave::Fault Wave::readFormat(uint32_t size) {
  set32(kFmtSize, size);
  if (size < 16) {
    return Fault::kTruncated;
  }
  if (!io::readFully(m_input, m_header + kFormatTag, 16)) {
    return Fault::kTruncated;
  }
  // The fmt chunk's extension: its size after a fmt chunk of 18 bytes or more, the whole
  // extensible layout after one of 40 or more.
  if (size >= 40) {
    if (!io::readFully(m_input, m_header + kExtensionSize, 24)) {
      return Fault::kTruncated;
    }
  } else if (size >= 18) {
    if (!io::readFully(m_input, m_header + kExtensionSize, 2)) {
      return Fault::kTruncated;
    }
  }
  return checkFormat();
}

Wave::Fault Wave::readChunks(int64_t end) {
  bool formatSeen = false;
  int64_t position = m_basePosition + 12;
  // Every turn moves at least 8 bytes towards the end of the file, so the walk ends there
  // however many chunks come first; seeking to each chunk's computed start (never skipping by a
  // size) keeps a huge size from wrapping a stream's position round to where it was.
  while (position <= end - 8) {
    uint8_t head[8];
    if (!io::readFully(m_input, head, sizeof head)) {
      break;
    }
    const uint32_t size = static_cast<uint32_t>(head[4]) | head[5] << 8 | head[6] << 16 |
                          static_cast<uint32_t>(head[7]) << 24;
    const int64_t body = position + 8;
    if (isId(head, "data")) {
      if (!formatSeen) {
        return Fault::kNoFormat;
      }
      std::memcpy(m_header + kData, head, 4);
      m_dataStart = body;
      const int64_t held = end - body;
      uint32_t dataSize = size;
      if (held < static_cast<int64_t>(size)) {
        // Cut short (or a streaming recorder's placeholder size): the data is what the file
        // holds, down to the last whole sample frame, so no half sample is handed out as audio.
        // The frame size from the checked format, not the file's block-align field.
        const int64_t align = getChannels() * (static_cast<int16_t>(get16(kBits)) / 8);
        dataSize = static_cast<uint32_t>(held - held % align);
      }
      set32(kDataSize, dataSize);
      return Fault::kNone;
    }
    // RIFF pads chunks of odd size to an even length; the pad byte is not counted in the size.
    const int64_t next = body + size + (size & 1);
    if (isId(head, "fmt ")) {
      if (!formatSeen) {
        std::memcpy(m_header + 12, head, 4);
        if (next - (size & 1) > end) {
          return Fault::kTruncated;
        }
        const Fault fault = readFormat(size);
        if (fault != Fault::kNone) {
          return fault;
        }
        formatSeen = true;
      }
    } else if (isId(head, "fact")) {
      std::memcpy(m_header + kFact, head, 4);
      set32(kFactSize, size);
      if (size >= 4 && !io::readFully(m_input, m_header + kFactValue, 4)) {
        break;
      }
    }
    const bool moved =
        m_input->isSeekable() ? m_input->seek(next) : m_input->skip(next - m_input->getPosition());
    if (next > end || !moved) {
      break;
    }
    position = next;
  }
  return formatSeen ? Fault::kNoData : Fault::kNoFormat;
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
    const uint32_t request = capacity < 5 ? capacity : capacity & ~3u;
    got = request == 0 ? 0 : readAhead(static_cast<uint8_t*>(buffer), request);
    if (got == 0) {
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

uint32_t Wave::readAhead(uint8_t* buffer, uint32_t request) {
  // 65536 bytes: sixteen of the conversion's blocks, and a whole number of sample frames.
  constexpr uint32_t kAheadSize = 65536;
  uint32_t copied = 0;
  while (copied < request) {
    if (m_aheadNext == m_aheadEnd) {
      const int64_t position = m_input->getPosition();
      const int64_t end = m_dataStart + getDataSize();
      if (position >= end) {
        break;
      }
      if (m_ahead.getCount() < kAheadSize) {
        m_ahead.setCount(kAheadSize);
      }
      const uint32_t want = static_cast<uint32_t>(std::min<int64_t>(kAheadSize, end - position));
      uint32_t got = 0;
      if (!m_input->read(m_ahead.getItems(), want, &got) || got == 0) {
        break;
      }
      m_aheadNext = 0;
      m_aheadEnd = got;
    }
    const uint32_t part = std::min(request - copied, m_aheadEnd - m_aheadNext);
    std::memcpy(buffer + copied, m_ahead.getItems() + m_aheadNext, part);
    m_aheadNext += part;
    copied += part;
  }
  return copied;
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
    dropReadAhead();
    m_input->seek(m_dataStart + position);
  }
  if (pcmPosition != nullptr) {
    *pcmPosition = position;
  }
}

uint32_t Wave::getWrittenHeaderLength() const {
  switch (get32(kFmtSize)) {
    case 18: return 46;
    case 40: return 68;
    default: return 44;
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
      noteWriteFault(rate <= 0 ? Fault::kNoSampleRate : Fault::kUnsupportedBits, 0);
      return false;
    }
    setSampleRate(rate);
    setStereo(stereo);
    setBitsPerSample(bits);
    if (!writeHeaderImage()) {
      noteWriteFault(Fault::kWriteFailed, GetLastError());
      return false;
    }
  }
  // A block that would pass the limit is refused before any of it is written, so the file
  // written so far stays whole and `close` gives it a header with its true sizes.
  if (!canHold(static_cast<uint64_t>(getDataSize()) + count)) {
    noteWriteFault(Fault::kSizeLimit, 0);
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
  if (!ok) {
    noteWriteFault(Fault::kWriteFailed, GetLastError());
  }
  if (count != 0) {
    set32(kDataSize, getDataSize() + count);
    setRiffSize();
    m_headerDirty = true;
  }
  return ok;
}

bool Wave::canHold(uint64_t dataBytes) const {
  // The RIFF size counts the whole file less 8 bytes in 32 bits, the pad byte included.
  return dataBytes + 1 + getWrittenHeaderLength() - 8 <= std::numeric_limits<uint32_t>::max();
}

void Wave::noteWriteFault(Fault fault, DWORD systemError) {
  // The first failure is the cause; a failed stream fails every later write as well.
  if (m_fault == Fault::kNone) {
    m_fault = fault;
    m_systemError = systemError;
  }
}

bool Wave::close() {
  bool ok = true;
  if (m_output != nullptr) {
    // Kept although a reader of the data chunk alone never needs it: RIFF pads a chunk of odd
    // size with one byte, and readers that walk chunks past "data" count on it.
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
      if (!ok) {
        noteWriteFault(Fault::kWriteFailed, GetLastError());
      }
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
  dropReadAhead();
  return ok;
}

IInfo* Wave::createInfo(const WCHAR* path) {
  Info* info = Info::take();
  if (info == nullptr) return nullptr;
  if (path != nullptr) info->setFilePath(path);
  fillInfo(info);
  return info;
}

void Wave::fillInfo(IInfo* info) {
  if (info == nullptr) return;
  info->setSampleRate(getSampleRate());
  info->setStereo(isStereo());
  info->setPlayTimeMillis(getDurationMillis());
}

}  // namespace s::sound::wav
