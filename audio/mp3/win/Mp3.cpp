// MP3 files: measuring, decoding through the mpglib calls, seeking, and encoding through the
// encoder driver.
#include "audio/mp3/win/Mp3.h"

#include "audio/InputEnd.h"
#include "audio/SpeedFactor.h"
#include "audio/mp3/win/Info.h"

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

uint32_t littleEndian32(const uint8_t* p) {
  return p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

/// The bytes of an ID3v2 tag's header, which tell the tag's length.
constexpr uint32_t kId3v2HeaderBytes = 10;
/// The bytes at the end of the audio data that tell a trailing tag: an APE tag's footer, or the
/// size and end mark of a Lyrics3 tag in its last 15.
constexpr int kTrailerBytes = 32;

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
  m_freeFormat = false;
  m_walkPosition = 0;
  m_dataEnd = 0;
  m_inputEnd = std::numeric_limits<int64_t>::max();
  m_bytesPassedOver = 0;
  m_walkFrame.reset();
  m_nextFrame.reset();
  m_peekBuffer.clear();
  m_peekStart = 0;
  m_peekAtEnd = false;
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
  // The average over the file from its play time in milliseconds (bits per millisecond are
  // kbps). Whole seconds would divide by zero for a file shorter than one second and overstate
  // the bitrate of other short files by up to a half.
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
  m_peekBuffer.setCount(0);
  m_peekStart = 0;
  m_peekAtEnd = false;
  if (m_decoder != nullptr) {
    ResetMP3(m_decoder);
  }
  readHeader();
  if (m_input != nullptr && m_frameFound) {
    m_input->seek(m_header.getPosition());
    m_walkPosition = m_header.getPosition();
  }
  m_bytesPassedOver = 0;
}

void Mp3::readHeader() {
  if (m_input == nullptr || m_headerRead) {
    return;
  }
  std::lock_guard<thread::ObjLocker> hold(m_lock);
  const int64_t position = m_input->getPosition();
  m_inputEnd = findInputEnd(m_input, m_startPosition, m_fileSize);
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
  // Free-format frames carry no length in their header, so neither the frame walk nor the
  // measurements can follow them; any "frame" a scan found in their data would be a false sync.
  uint8_t first[4];
  m_freeFormat = m_input->seek(scanFrom) && io::readFully(m_input, first, sizeof first) &&
                 m_walkFrame.decodeBytes(first) && m_walkFrame.isFreeFormat();
  m_frameFound = !m_freeFormat && m_input->seek(scanFrom) &&
                 FrameHeader::findFirstFrame(m_input, &m_header, m_inputEnd);
  if (!m_frameFound && !m_freeFormat && scanFrom != position) {
    m_frameFound =
        m_input->seek(position) && FrameHeader::findFirstFrame(m_input, &m_header, m_inputEnd);
  }

  // The bytes of a trailing ID3v1 tag are text, never audio: a "frame" found there (or one whose
  // header runs into it) is a false sync, and the file has no frames.
  if (m_frameFound && m_tag.getKind() == Id3Tag::kId3v1 &&
      m_header.getPosition() + 4 > m_fileSize - 128) {
    m_frameFound = false;
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
    m_dataLength =
        static_cast<int32_t>(std::clamp<int64_t>(length, -1, std::numeric_limits<int32_t>::max()));
  } else {
    m_dataLength = -1;
  }
  m_dataEnd = m_frameFound && m_dataLength >= 0
                  ? std::min({m_header.getPosition() + m_dataLength, m_fileSize, m_inputEnd})
                  : m_inputEnd;
  // The measurements of a file with both tags count its ID3v1 tag as data; the frame walk stops
  // before it, so that the tag is not taken for damage after the last frame.
  Id3Tag trailing;
  if (m_frameFound && m_tag.getKind() == Id3Tag::kId3v2 && m_fileSize > 128 &&
      m_dataEnd - 128 > m_header.getPosition() && m_input->seek(m_fileSize - 128) &&
      readTagSignature(&trailing, m_input) && trailing.getKind() == Id3Tag::kId3v1) {
    m_dataEnd -= 128;
  }
  leaveOutTrailingTags();
  m_input->seek(position);
  m_headerRead = true;
}

void Mp3::leaveOutTrailingTags() {
  // Each turn takes one tag of at least 15 bytes off the end, so the loop ends.
  while (m_frameFound && m_dataEnd != std::numeric_limits<int64_t>::max() &&
         m_dataEnd - m_header.getPosition() > kTrailerBytes) {
    uint8_t tail[kTrailerBytes];
    if (!m_input->seek(m_dataEnd - kTrailerBytes) || !io::readFully(m_input, tail, kTrailerBytes)) {
      return;
    }
    int64_t length = -1;
    const char* start = nullptr;
    if (std::memcmp(tail, "APETAGEX", 8) == 0) {
      // An APE tag's footer: its size counts the items and the footer, not the header that
      // bit 31 of its flags announces.
      const uint32_t size = littleEndian32(tail + 12);
      const bool header = (littleEndian32(tail + 20) & 0x80000000u) != 0;
      length = size >= kTrailerBytes ? static_cast<int64_t>(size) + (header ? 32 : 0) : -1;
      start = header ? "APETAGEX" : nullptr;
    } else if (std::memcmp(tail + kTrailerBytes - 9, "LYRICS200", 9) == 0) {
      // A Lyrics3 tag (version 2) ends with its size in six digits, which counts from its
      // "LYRICSBEGIN" up to them.
      length = 0;
      for (int i = kTrailerBytes - 15; i < kTrailerBytes - 9 && length >= 0; ++i) {
        length = tail[i] >= '0' && tail[i] <= '9' ? length * 10 + (tail[i] - '0') : -1;
      }
      length = length >= 11 ? length + 15 : -1;
      start = "LYRICSBEGIN";
    }
    // The tag must leave the first frame whole, and begin with its own mark where it has one.
    if (length <= 0 || length > m_dataEnd - m_header.getPosition() - 4) {
      return;
    }
    if (start != nullptr) {
      char mark[11];
      const size_t n = std::strlen(start);
      if (!m_input->seek(m_dataEnd - length) || !io::readFully(m_input, mark, n) ||
          std::memcmp(mark, start, n) != 0) {
        return;
      }
    }
    m_dataEnd -= length;
  }
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
  if (decodeMP3(m_decoder, input, static_cast<int>(size), pcm, static_cast<int>(kPcmChunk),
                &decoded) != MP3_OK ||
      decoded <= 0) {
    return false;
  }
  m_pcmBuffer.setCount(static_cast<uint32_t>(decoded));
  handOutKept(out, wanted, done);
  return true;
}

const uint8_t* Mp3::peek(int64_t position, uint32_t size, uint32_t* got) {
  const int64_t held = m_peekStart + m_peekBuffer.getCount();
  const bool inside = position >= m_peekStart && position <= held;
  if (!inside || (position + size > held && !m_peekAtEnd)) {
    m_peekBuffer.setCapacity(kPeekBlock);
    m_peekBuffer.setCount(0);
    m_peekStart = position;
    m_peekAtEnd = false;
    uint32_t count = 0;
    if (m_input->getPosition() == position || m_input->seek(position)) {
      while (count < kPeekBlock) {
        uint32_t n = 0;
        if (!m_input->read(m_peekBuffer.getItems() + count, kPeekBlock - count, &n) || n == 0) {
          m_peekAtEnd = true;
          break;
        }
        count += n;
      }
    } else {
      m_peekAtEnd = true;
    }
    m_peekBuffer.setCount(count);
  }
  const int64_t there = m_peekStart + m_peekBuffer.getCount() - position;
  *got = static_cast<uint32_t>(std::clamp<int64_t>(there, 0, size));
  return m_peekBuffer.getItems() + (position - m_peekStart);
}

uint32_t Mp3::walkFrames(uint8_t* buffer, uint32_t capacity) {
  uint32_t filled = 0;
  while (m_walkPosition < m_dataEnd) {
    uint32_t got = 0;
    const uint8_t* head = peek(m_walkPosition, kId3v2HeaderBytes, &got);
    if (got < 4) {
      passOverRest();
      break;
    }
    if (!m_walkFrame.decodeBytes(head) || !m_walkFrame.isValid()) {
      // A tag between frames (files joined, or a tag appended after the audio) is passed over
      // whole: its pictures may hold false syncs, and it is no damage.
      const int64_t tag = got == kId3v2HeaderBytes ? Id3Tag::id3v2Length(head) : -1;
      if (tag > 0 && tag <= m_dataEnd - m_walkPosition) {
        m_walkPosition += tag;
      } else {
        loseSync();
      }
      continue;
    }
    const uint32_t length = static_cast<uint32_t>(
        std::min<int64_t>(m_walkFrame.getFrameLength(), m_dataEnd - m_walkPosition));
    if (filled + length > capacity) {
      break;  // the frame goes first into the next call
    }
    const bool last = m_walkPosition + length >= m_dataEnd;
    const uint8_t* bytes = peek(m_walkPosition, length + (last ? 0 : kId3v2HeaderBytes), &got);
    if (got < length) {
      // A last frame cut short by the end of the file is fed as far as it goes.
      std::memcpy(buffer + filled, bytes, got);
      filled += got;
      m_walkPosition += got;
      passOverRest();
      break;
    }
    if (!last && got >= length + 4) {
      FrameHeader& next = m_nextFrame;
      const bool confirmed =
          (next.decodeBytes(bytes + length) && next.isValid() && next.sameStreamAs(m_walkFrame)) ||
          (got == length + kId3v2HeaderBytes && Id3Tag::id3v2Length(bytes + length) > 0);
      if (!confirmed) {
        // The sync is lost inside this frame: damaged or foreign bytes follow its header, so
        // the frame is not audio either.
        loseSync();
        continue;
      }
    }
    std::memcpy(buffer + filled, bytes, length);
    filled += length;
    m_walkPosition += length;
  }
  return filled;
}

void Mp3::loseSync() {
  const int64_t from = m_walkPosition;
  if (resync()) {
    m_bytesPassedOver += m_walkPosition - from;
  } else {
    passOverRest();
  }
}

bool Mp3::hasLostAudio() const {
  // What real files leave, measured on files lame writes (CBR 32 to 320 kbps, VBR, ABR, mono
  // MPEG-2, with ID3v2, ID3v1 and APE tags): nothing at all, as every byte of their data is a
  // frame or a tag. A last frame cut short is fed as it is; junk after the last frame costs
  // itself and the frame before it (a few hundred bytes of junk about a thousand bytes, 5,000
  // bytes of junk or a sector's 4,096 bytes of zero padding at most 6,045); a short stretch of
  // damage costs itself and the frames it cuts into (2,000 random bytes 2,090 to 3,135). 8 KiB
  // stays clear of all of them and is a second of audio at 64 kbps. Beyond 64 KiB (4 s at
  // 128 kbps) a file of any length has lost audio that a listener misses; below it, a tenth of
  // the data is lost audio for a short file. A file whose data stops being audio after 10 s of
  // 120 s passes over 92 % of its data.
  const int64_t data = m_frameFound ? m_dataEnd - m_header.getPosition() : 0;
  return m_bytesPassedOver > kMostPassedOver ||
         (m_bytesPassedOver > kLeastDamage && m_bytesPassedOver * 10 > data);
}

void Mp3::passOverRest() {
  m_bytesPassedOver += std::max<int64_t>(m_dataEnd - m_walkPosition, 0);
  m_walkPosition = m_dataEnd;
}

bool Mp3::resync() {
  // The same two-frame test as for the first frame of the file: a lone header in damaged bytes
  // is as likely as any other four bytes to look like one.
  m_peekBuffer.setCount(0);
  m_peekAtEnd = false;
  if (!m_input->seek(m_walkPosition + 1) ||
      !FrameHeader::findFirstFrame(m_input, &m_walkFrame, m_inputEnd) ||
      m_walkFrame.getPosition() >= m_dataEnd) {
    return false;
  }
  m_walkPosition = m_walkFrame.getPosition();
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
      const uint32_t got = walkFrames(m_inputBuffer.getItems(), kInputChunk);
      if (got == 0) {
        break;
      }
      // A frame that does not decode answers like a request for more input: the decoder skips it.
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
    const int64_t frame =
        std::min<int64_t>(static_cast<int64_t>(share * static_cast<float>(frames)), frames);
    position =
        static_cast<int64_t>(m_header.getSamplesPerFrame()) * 2 * (isStereo() ? 2 : 1) * frame;

    std::lock_guard<thread::ObjLocker> hold(m_lock);
    // The decoder forgets the old position whole; a drained decoder would still hold part of a
    // frame from there and glue it to the new bytes.
    if (m_decoder != nullptr) {
      ResetMP3(m_decoder);
    }
    const int64_t target = m_header.getPosition() + static_cast<int64_t>(frameLength) * frame;
    FrameHeader* next = FrameHeader::take();
    const bool found = next != nullptr && m_input->seek(target) &&
                       FrameHeader::findFirstFrame(m_input, next, m_inputEnd);
    m_walkPosition = found ? next->getPosition() : target;
    m_bytesPassedOver = 0;
    m_input->seek(m_walkPosition);
    m_peekBuffer.setCount(0);
    m_peekAtEnd = false;
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
    if (m_encoder == nullptr || !m_encoder->open(static_cast<uint32_t>(std::max(getBitrate(), 0)),
                                                 rate, stereo, bits, getSampleRate(), isStereo())) {
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
    // Refused rather than re-opened: the encoder was started for the first block's rate,
    // channels and width, and frames of another format cannot follow them in one stream; fed
    // as they are, the samples would be encoded as noise.
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

sound::IInfo* Mp3::createInfo(const WCHAR* path) {
  Info* info = Info::take();
  if (info == nullptr) return nullptr;
  // A file whose tags cannot be read still gives a record of its format.
  if (path != nullptr) info->readFromFile(path);
  fillInfo(info);
  return info;
}

void Mp3::fillInfo(sound::IInfo* info) {
  if (info == nullptr) return;
  info->setSampleRate(getSampleRate());
  info->setStereo(isStereo());
  info->setBitrate(getBitrate());
  info->setPlayTimeMillis(getDurationMillis());
}

}  // namespace s::sound::mp3::win
