// MP3 files: measuring, decoding through the mpglib calls, seeking, and encoding through the
// encoder driver.
#include "audio/mp3/win/Mp3.h"
#include "audio/SpeedFactor.h"

#include "audio/win/Mp3Encoder.h"
#include "core/io/IInputStream.h"
#include "core/io/IOutputStream.h"
#include "core/io/Io.h"
#include "mpglib/mpglib.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>

namespace s::sound::mp3::win {

namespace {

int32_t clampToInt32(int64_t value) {
  return static_cast<int32_t>(std::min<int64_t>(value, std::numeric_limits<int32_t>::max()));
}

}  // namespace

Mp3::Mp3() { reset(); }

Mp3::~Mp3() { reset(); }

void Mp3::reset() {
  close();
  // The buffers keep their memory while the object is pooled: the next file needs the same.
  m_filterCopy.clear();
  m_inputBuffer.clear();
  m_pcmBuffer.clear();
  m_fileSize = -1;
  m_dataLength = -1;
  m_tag.reset();
  // A fresh writer's format: MPEG-1 Layer III, 192 kbps, 44,100 Hz, stereo.
  m_header.reset();
  m_headerRead = false;
  m_headerWritten = false;
  m_headerDirty = false;
  m_startPosition = 0;
  m_speedFactor = 1.0f;
  m_bitsPerSample = 16;
  m_output = nullptr;
  m_input = nullptr;
  m_ownsOutput = false;
  m_ownsInput = false;
  if (m_encoder != nullptr) {
    m_encoder->release();
    m_encoder = nullptr;
  }
  if (m_decoder != nullptr) {
    ExitMP3(m_decoder);
    std::free(m_decoder);
    m_decoder = nullptr;
  }
  m_frameFound = false;
  m_encoderRefused = false;
  m_blockRate = 0;
  m_blockStereo = true;
  m_blockBits = 16;
  m_effect.reset();
}

void Mp3::setStereo(bool stereo) {
  m_header.setChannelMode(stereo ? FrameHeader::kModeStereo : FrameHeader::kModeMono);
}

void Mp3::setSpeedFactor(float factor) {
  if (isUsableSpeedFactor(factor)) {
    m_speedFactor = factor;
  }
}

int32_t Mp3::getOutputSampleRate() { return scaleSampleRate(getSampleRate(), m_speedFactor); }

int32_t Mp3::getFrameCount() {
  const int64_t frames = m_header.getFrameCount(m_dataLength);
  return frames < 0 ? -1 : clampToInt32(frames);
}

int32_t Mp3::getFrameLength() {
  if (!m_header.isVbr()) {
    return m_header.getFrameLength();
  }
  if (m_dataLength <= 0 || m_header.getXingFrames() <= 0) {
    return -1;
  }
  return static_cast<int32_t>(static_cast<float>(m_dataLength) /
                              static_cast<float>(m_header.getXingFrames()));
}

int32_t Mp3::getBitrate() {
  if (m_input != nullptr && m_headerRead && !m_frameFound) {
    return -1;
  }
  if (!m_header.isVbr()) {
    return m_header.getBitrate();
  }
  // The average over the file: bits per millisecond are kbps. Whole seconds would overstate
  // the bitrate of short files by up to a half.
  const int64_t millis = m_header.getDurationMillis(m_dataLength);
  if (m_dataLength <= 0 || millis <= 0) {
    return -1;
  }
  return clampToInt32(static_cast<int64_t>(m_dataLength) * 8 / millis);
}

int32_t Mp3::getPcmLength() {
  const int64_t frames = m_header.getFrameCount(m_dataLength);
  if (frames < 0) {
    return -1;
  }
  return clampToInt32(frames * (isStereo() ? 2 : 1) * m_header.getSamplesPerFrame() * 2);
}

int32_t Mp3::getDurationSeconds() { return m_header.getDurationSeconds(m_dataLength); }

int32_t Mp3::getDurationMillis() {
  const int64_t millis = m_header.getDurationMillis(m_dataLength);
  return millis < 0 ? -1 : clampToInt32(millis);
}

void Mp3::setOutputStream(io::IOutputStream* stream, bool owned) {
  m_output = stream;
  m_ownsOutput = owned;
  m_startPosition = stream != nullptr ? stream->getPosition() : 0;
}

void Mp3::setInputStream(io::IInputStream* stream, bool owned) {
  std::lock_guard<thread::ObjLocker> hold(m_lock);
  if (m_input != nullptr && m_input != stream && m_ownsInput) {
    m_input->dispose();
  }
  m_input = stream;
  m_ownsInput = owned;
  m_startPosition = stream != nullptr ? stream->getPosition() : 0;
  m_headerRead = false;
  // Nothing of an earlier input may reach this one's PCM.
  m_pcmBuffer.clear();
  if (m_decoder != nullptr) {
    ResetMP3(m_decoder);
  }
  readHeader();
  if (m_input != nullptr && m_frameFound) {
    m_input->seek(m_header.getPosition());
  }
}

void Mp3::readHeader() {
  if (m_input == nullptr || m_headerRead) {
    return;
  }
  std::lock_guard<thread::ObjLocker> hold(m_lock);
  const int64_t position = m_input->getPosition();
  m_input->seek(m_startPosition);
  detectTag(m_input, m_fileSize, &m_tag);

  // A leading ID3v2 tag is passed over whole: its pictures may hold anything, frame syncs too,
  // and scanning megabytes of them is slow. A tag whose size points past every frame is scanned
  // after all.
  int64_t scanFrom = position;
  if (m_tag.getKind() == Id3Tag::kId3v2) {
    const int64_t tagEnd = m_tag.readId3v2End(m_input);
    if (tagEnd > position) {
      scanFrom = tagEnd;
    }
  }
  m_frameFound = m_input->seek(scanFrom) && FrameHeader::findFirstFrame(m_input, &m_header);
  if (!m_frameFound && scanFrom != position) {
    m_frameFound = m_input->seek(position) && FrameHeader::findFirstFrame(m_input, &m_header);
  }

  if (!m_frameFound) {
    // No audio: the reader reports nothing to decode and no measurements.
    m_header.reset();
    m_dataLength = m_fileSize >= 0 ? 0 : -1;
  } else if (m_fileSize >= 0) {
    int64_t length = m_fileSize;
    if (m_tag.getKind() == Id3Tag::kId3v1) {
      length = m_fileSize - m_header.getPosition() - 128;
    } else if (m_tag.getKind() == Id3Tag::kId3v2) {
      length = m_fileSize - m_header.getPosition();
    }
    m_dataLength = static_cast<int32_t>(std::clamp<int64_t>(length, -1, std::numeric_limits<int32_t>::max()));
  } else {
    m_dataLength = -1;
  }
  m_input->seek(position);
  m_headerRead = true;
}

void Mp3::writeHeader() {
  m_headerWritten = true;
  m_headerDirty = false;
}

bool Mp3::ensureDecoder() {
  if (m_decoder != nullptr) {
    return true;
  }
  auto* decoder = static_cast<mpstr*>(std::malloc(sizeof(mpstr)));
  if (decoder == nullptr) {
    return false;
  }
  if (!InitMP3(decoder)) {
    std::free(decoder);
    return false;
  }
  m_decoder = decoder;
  return true;
}

uint8_t* Mp3::pcmRoom(uint32_t bytes) {
  m_pcmBuffer.setCapacity(bytes);
  return m_pcmBuffer.getItems();
}

void Mp3::handOutKept(uint8_t* out, uint32_t wanted, uint32_t* done) {
  const uint32_t n = std::min(m_pcmBuffer.getCount(), wanted - *done);
  if (n != 0) {
    std::memcpy(out + *done, m_pcmBuffer.getItems(), n);
    m_pcmBuffer.removeFirst(n);
    *done += n;
  }
}

bool Mp3::decodeInto(const uint8_t* input, uint32_t size, uint8_t* out, uint32_t wanted,
                     uint32_t* done) {
  // Called only once the kept bytes are handed out, so the decoder writes at the buffer's start.
  uint8_t* pcm = pcmRoom(kPcmChunk);
  int decoded = 0;
  if (decodeMP3(m_decoder, input, static_cast<int>(size), pcm, static_cast<int>(kPcmChunk), &decoded) != MP3_OK ||
      decoded <= 0) {
    return false;
  }
  m_pcmBuffer.setCount(static_cast<uint32_t>(decoded));
  handOutKept(out, wanted, done);
  return true;
}

bool Mp3::read(void* buffer, uint32_t capacity, uint32_t* count) {
  if (count != nullptr) {
    *count = 0;
  }
  if (m_input == nullptr || buffer == nullptr) {
    return false;
  }
  uint8_t* out = static_cast<uint8_t*>(buffer);
  uint32_t done = 0;
  {
    std::lock_guard<thread::ObjLocker> hold(m_lock);
    if (!m_headerRead) {
      readHeader();
    }
    if (!m_frameFound || !ensureDecoder()) {
      return false;
    }
    m_inputBuffer.setCapacity(kInputChunk);
    // Whole sample frames of 16-bit stereo, unless the caller asks for less than one.
    const uint32_t wanted = capacity < 5 ? capacity : capacity & ~3u;
    handOutKept(out, wanted, &done);
    while (done < wanted) {
      if (decodeInto(nullptr, 0, out, wanted, &done)) {
        continue;
      }
      uint32_t got = 0;
      if (!m_input->read(m_inputBuffer.getItems(), kInputChunk, &got) || got == 0) {
        break;
      }
      // A damaged stretch answers like a request for more input: the decoder skips it.
      decodeInto(m_inputBuffer.getItems(), got, out, wanted, &done);
    }
  }
  if (done == 0) {
    return false;
  }
  if (count != nullptr) {
    *count = done;
  }
  if (hasFilters()) {
    m_effect.process(out, static_cast<int32_t>(done), isPcmStereo(), getPcmSampleRate(),
                     getPcmBitsPerSample());
  }
  return true;
}

void Mp3::seekPercent(float percent, int64_t* pcmPosition) {
  int64_t position = 0;
  const int64_t frames = m_header.getFrameCount(m_dataLength);
  const int32_t frameLength = getFrameLength();
  if (m_input != nullptr && m_frameFound && frames >= 1 && frameLength >= 1) {
    const float share = std::isnan(percent) ? 0.0f : std::clamp(percent, 0.0f, 100.0f) / 100.0f;
    const int64_t frame = std::min<int64_t>(static_cast<int64_t>(share * static_cast<float>(frames)), frames);
    position = static_cast<int64_t>(m_header.getSamplesPerFrame()) * 2 * (isStereo() ? 2 : 1) * frame;

    std::lock_guard<thread::ObjLocker> hold(m_lock);
    // The decoder forgets the old position whole; a drained decoder would still hold part of a
    // frame from there and glue it to the new bytes.
    if (m_decoder != nullptr) {
      ResetMP3(m_decoder);
    }
    const int64_t target = m_header.getPosition() + static_cast<int64_t>(frameLength) * frame;
    FrameHeader* next = FrameHeader::take();
    const bool found = next != nullptr && m_input->seek(target) && FrameHeader::findFirstFrame(m_input, next);
    m_input->seek(found ? next->getPosition() : target);
    if (next != nullptr) {
      next->release();
    }
    m_pcmBuffer.clear();
  }
  if (pcmPosition != nullptr) {
    *pcmPosition = position;
  }
}

bool Mp3::writeBlock(const void* data, uint32_t count, int32_t rate, bool stereo, int32_t bits) {
  if (m_output == nullptr || (data == nullptr && count != 0) ||
      count > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) {
    return false;
  }
  if (!m_headerWritten) {
    writeHeader();
  }
  if (m_encoder == nullptr) {
    if (m_encoderRefused) {
      return false;
    }
    m_encoder = sound::win::Mp3Encoder::take();
    if (m_encoder == nullptr ||
        !m_encoder->open(static_cast<uint32_t>(std::max(getBitrate(), 0)), rate, stereo, bits,
                         getSampleRate(), isStereo())) {
      // The file cannot be written; the caller learns it from this answer and goes on.
      if (m_encoder != nullptr) {
        m_encoder->release();
        m_encoder = nullptr;
      }
      m_encoderRefused = true;
      return false;
    }
    m_blockRate = rate;
    m_blockStereo = stereo;
    m_blockBits = bits;
  } else if (rate != m_blockRate || stereo != m_blockStereo || bits != m_blockBits) {
    // The stream was opened for the first block's format; another would be encoded as noise.
    return false;
  }
  if (count == 0) {
    return true;
  }

  const uint8_t* block = static_cast<const uint8_t*>(data);
  if (hasFilters()) {
    m_filterCopy.setCount(count);
    std::memcpy(m_filterCopy.getItems(), data, count);
    m_effect.process(m_filterCopy.getItems(), static_cast<int32_t>(count), stereo, rate, bits);
    block = m_filterCopy.getItems();
  }
  // Sized for this block, so no block can overflow it.
  const uint32_t capacity = std::max(m_encoder->getOutputBound(count), kLeastOutputBuffer);
  uint8_t* encoded = pcmRoom(capacity);
  uint32_t produced = 0;
  const BE_ERR result = m_encoder->encode(block, count, encoded, capacity, &produced);
  const bool written = io::writeFully(m_output, encoded, produced);
  return written && result == BE_ERR_SUCCESSFUL;
}

bool Mp3::close() {
  bool ok = true;
  if (m_output != nullptr) {
    ok = !m_encoderRefused;
    if (m_encoder != nullptr) {
      const uint32_t capacity = std::max(m_encoder->getOutputBufferSize(), kLeastOutputBuffer);
      uint8_t* encoded = pcmRoom(capacity);
      uint32_t produced = 0;
      // The last frames belong to the file: without them it is cut short.
      ok = m_encoder->flush(encoded, capacity, &produced) == BE_ERR_SUCCESSFUL && ok;
      ok = io::writeFully(m_output, encoded, produced) && ok;
      m_encoder->release();
      m_encoder = nullptr;
    }
    // MP3 has no header to rewrite: the encoded frames are the whole file.
    if (m_ownsOutput) {
      ok = m_output->close() && ok;
      m_output->dispose();
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

IInfo* Mp3::createInfo(const WCHAR*) {
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return nullptr;
}

void Mp3::fillInfo(IInfo*) {}

}  // namespace s::sound::mp3::win
