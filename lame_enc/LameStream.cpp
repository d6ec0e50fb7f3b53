// One encoder stream over libmp3lame: record checks, settings, and the output bound.
#include "lame_enc/LameStream.h"

#include <lame.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <mutex>
#include <string>
#include <vector>

namespace lame_enc {
namespace {

// One call encodes at most this many MPEG frames' worth of input: about 1.7 s at 44.1 kHz, far
// above any block a converter hands over, and small enough that the buffer every call needs
// stays below a few hundred kilobytes at every rate.
constexpr uint64_t kMaxFramesPerCall = 64;
// Room the encoder needs beyond the frames a call completes: frames it held back from earlier
// calls, the flush of its last samples, and the tag frame at the start of the stream.
constexpr uint64_t kEncoderSlack = 7200;

// The encoder reports through these; a library loaded into a program stays silent.
void quiet(const char*, va_list) {}

bool isMpegRate(uint32_t hz) {
  for (uint32_t rate : {8000u, 11025u, 12000u, 16000u, 22050u, 24000u, 32000u, 44100u, 48000u}) {
    if (hz == rate) return true;
  }
  return false;
}

// The longest frame the stream can hold: the highest bitrate of its MPEG version at its rate,
// plus the padding byte.
uint64_t longestFrameBytes(uint32_t outputRate) {
  bool mpeg1 = outputRate >= 32000;
  uint64_t bytesPerKbps = mpeg1 ? 144000 : 72000;
  uint64_t highestKbps = mpeg1 ? 320 : 160;
  return bytesPerKbps * highestKbps / outputRate + 1;
}

// The record's names are POSIX paths, or Windows paths on drive Z, which is the POSIX root.
std::string posixPath(const char* name) {
  std::string path(name);
  if (path.rfind("\\\\?\\", 0) == 0) path.erase(0, 4);
  if (path.size() >= 3 && (path[0] == 'Z' || path[0] == 'z') && path[1] == ':' &&
      (path[2] == '\\' || path[2] == '/')) {
    path.erase(0, 2);
    for (char& c : path) {
      if (c == '\\') c = '/';
    }
  }
  return path;
}

bool readAt(int fd, uint8_t* data, size_t size, off_t at) {
  while (size > 0) {
    ssize_t n = pread(fd, data, size, at);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
    at += n;
  }
  return true;
}

bool writeAt(int fd, const uint8_t* data, size_t size, off_t at) {
  while (size > 0) {
    ssize_t n = pwrite(fd, data, size, at);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
    at += n;
  }
  return true;
}

// Where the audio of a file starts: after an ID3v2 tag (header, syncsafe body size, footer).
off_t audioStart(int fd) {
  uint8_t h[10];
  if (!readAt(fd, h, sizeof h, 0) || h[0] != 'I' || h[1] != 'D' || h[2] != '3') return 0;
  off_t body = (off_t{h[6] & 0x7Fu} << 21) | (off_t{h[7] & 0x7Fu} << 14) |
               (off_t{h[8] & 0x7Fu} << 7) | off_t{h[9] & 0x7Fu};
  bool footer = (h[5] & 0x10) != 0;
  return 10 + body + (footer ? 10 : 0);
}

// Applies the record to a fresh encoder; anything it cannot honour is refused here or by the
// encoder's own check afterwards.
BE_ERR configure(lame_global_flags* lame, const BE_CONFIG& c) {
  if (c.inputRate == 0) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  if (c.outputRate != 0 && !isMpegRate(c.outputRate)) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  if (c.psychoModel != 0 || c.quality != 0) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  if (c.emphasis == 2 || c.emphasis > 3) return BE_ERR_INVALID_FORMAT_PARAMETERS;

  lame_set_errorf(lame, quiet);
  lame_set_debugf(lame, quiet);
  lame_set_msgf(lame, quiet);
  lame_set_in_samplerate(lame, static_cast<int>(c.inputRate));
  // 0 keeps the input rate; the encoder would otherwise pick a lower rate for low bitrates.
  uint32_t outputRate =
      c.outputRate != 0 ? c.outputRate : (isMpegRate(c.inputRate) ? c.inputRate : 0);
  lame_set_out_samplerate(lame, static_cast<int>(outputRate));

  switch (c.mode) {
    case BE_MP3_MODE_STEREO: lame_set_mode(lame, STEREO); break;
    case BE_MP3_MODE_JSTEREO: lame_set_mode(lame, JOINT_STEREO); break;
    case BE_MP3_MODE_MONO: lame_set_mode(lame, MONO); break;
    default: return BE_ERR_INVALID_FORMAT_PARAMETERS;  // dual channel included
  }
  lame_set_num_channels(lame, c.mode == BE_MP3_MODE_MONO ? 1 : 2);

  switch (c.preset) {
    case BE_PRESET_NONE: break;
    case BE_PRESET_NORMAL: lame_set_quality(lame, 5); break;
    case BE_PRESET_LOW: lame_set_quality(lame, 7); break;
    case BE_PRESET_HIGH: lame_set_quality(lame, 2); break;
    default: return BE_ERR_INVALID_FORMAT_PARAMETERS;
  }

  if (c.enableVbr) {
    if (c.vbrQuality < 0 || c.vbrQuality > 9) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    switch (c.vbrMethod) {
      case BE_VBR_METHOD_NONE:
      case BE_VBR_METHOD_DEFAULT: lame_set_VBR(lame, vbr_default); break;
      case BE_VBR_METHOD_OLD: lame_set_VBR(lame, vbr_rh); break;
      case BE_VBR_METHOD_NEW:
      case BE_VBR_METHOD_MTRH: lame_set_VBR(lame, vbr_mtrh); break;
      case BE_VBR_METHOD_ABR:
        if (c.abrBitrate < 8000 || c.abrBitrate > 320000) return BE_ERR_INVALID_FORMAT_PARAMETERS;
        lame_set_VBR(lame, vbr_abr);
        lame_set_VBR_mean_bitrate_kbps(lame, static_cast<int>(c.abrBitrate / 1000));
        break;
      default: return BE_ERR_INVALID_FORMAT_PARAMETERS;
    }
    lame_set_VBR_q(lame, c.vbrQuality);
    if (c.bitrate != 0) lame_set_VBR_min_bitrate_kbps(lame, static_cast<int>(c.bitrate));
    if (c.maxBitrate != 0) lame_set_VBR_max_bitrate_kbps(lame, static_cast<int>(c.maxBitrate));
  } else {
    if (c.bitrate == 0) return BE_ERR_INVALID_FORMAT_PARAMETERS;  // free format is not offered
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, static_cast<int>(c.bitrate));
  }

  lame_set_extension(lame, c.privateBit != 0);
  lame_set_error_protection(lame, c.crc != 0);
  lame_set_copyright(lame, c.copyright != 0);
  lame_set_original(lame, c.original != 0);
  lame_set_emphasis(lame, static_cast<int>(c.emphasis));
  lame_set_strict_ISO(lame, c.strictIso != 0);
  lame_set_disable_reservoir(lame, c.disableReservoir != 0);
  lame_set_bWriteVbrTag(lame, c.writeVbrHeader != 0);
  lame_set_write_id3tag_automatic(lame, 0);

  if (lame_init_params(lame) < 0) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  // The encoder quietly moves an unsupported bitrate or rate to the nearest one it has; a
  // stream other than the one asked for is refused instead.
  if (!c.enableVbr && lame_get_brate(lame) != static_cast<int>(c.bitrate))
    return BE_ERR_INVALID_FORMAT_PARAMETERS;
  if (c.outputRate != 0 && lame_get_out_samplerate(lame) != static_cast<int>(c.outputRate)) {
    return BE_ERR_INVALID_FORMAT_PARAMETERS;
  }
  return BE_ERR_SUCCESSFUL;
}

}  // namespace

BE_ERR LameStream::open(const BE_CONFIG& config, std::unique_ptr<LameStream>& stream) {
  if (config.configKind != BE_CONFIG_LAME || config.recordVersion != BE_CONFIG_VERSION ||
      config.recordSize != BE_CONFIG_SIZE) {
    return BE_ERR_INVALID_FORMAT;
  }
  // Setting a stream up may fill the encoder's process-wide tables; streams are therefore
  // opened one at a time, while encoding on several threads is free.
  static std::mutex opening;
  std::lock_guard<std::mutex> guard(opening);
  std::unique_ptr<LameStream> s(new LameStream);
  s->m_lame = lame_init();
  if (s->m_lame == nullptr) return BE_ERR_NO_MORE_HANDLES;
  BE_ERR result = configure(s->m_lame, config);
  if (result != BE_ERR_SUCCESSFUL) return result;

  uint64_t inputRate = static_cast<uint64_t>(lame_get_in_samplerate(s->m_lame));
  uint64_t outputRate = static_cast<uint64_t>(lame_get_out_samplerate(s->m_lame));
  uint64_t frameSize = static_cast<uint64_t>(lame_get_framesize(s->m_lame));
  uint64_t maxInputFrames = kMaxFramesPerCall * frameSize * inputRate / outputRate;
  if (maxInputFrames == 0 || maxInputFrames > UINT32_MAX / 2)
    return BE_ERR_INVALID_FORMAT_PARAMETERS;
  s->m_channels = static_cast<uint32_t>(lame_get_num_channels(s->m_lame));
  s->m_maxInputFrames = static_cast<uint32_t>(maxInputFrames);
  // The calls complete at most kMaxFramesPerCall frames from the new input, one more from the
  // resampler's rounding and one from samples held since the previous call.
  s->m_outputBound = static_cast<uint32_t>((kMaxFramesPerCall + 2) * longestFrameBytes(outputRate) +
                                           kEncoderSlack);
  s->m_writesTag = config.writeVbrHeader != 0;
  s->m_reservedSize = s->m_writesTag ? static_cast<size_t>(longestFrameBytes(outputRate)) : 0;
  stream = std::move(s);
  return BE_ERR_SUCCESSFUL;
}

LameStream::~LameStream() {
  if (m_lame != nullptr) lame_close(m_lame);
}

BE_ERR LameStream::encode(uint32_t sampleCount, const int16_t* samples, uint8_t* output,
                          uint32_t* outputCount) {
  if (outputCount == nullptr) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  *outputCount = 0;
  if (m_flushed) return BE_ERR_INVALID_HANDLE;
  if (sampleCount == 0) return BE_ERR_SUCCESSFUL;
  if (samples == nullptr || output == nullptr || sampleCount % m_channels != 0) {
    return BE_ERR_INVALID_FORMAT_PARAMETERS;
  }
  uint32_t frames = sampleCount / m_channels;
  if (frames > m_maxInputFrames) return BE_ERR_BUFFER_TOO_SMALL;

  // The encoder reads the samples only; its interface just lacks the const.
  short* pcm = const_cast<short*>(samples);
  int n = m_channels == 2 ? lame_encode_buffer_interleaved(m_lame, pcm, static_cast<int>(frames),
                                                           output, static_cast<int>(m_outputBound))
                          : lame_encode_buffer(m_lame, pcm, pcm, static_cast<int>(frames), output,
                                               static_cast<int>(m_outputBound));
  if (n < 0) return n == -1 ? BE_ERR_BUFFER_TOO_SMALL : BE_ERR_INVALID_FORMAT_PARAMETERS;
  *outputCount = static_cast<uint32_t>(n);
  keepReservedFrame(output, *outputCount);
  return BE_ERR_SUCCESSFUL;
}

void LameStream::keepReservedFrame(const uint8_t* output, uint32_t count) {
  size_t wanted = std::min<size_t>(m_reservedSize - m_reservedFrame.size(), count);
  m_reservedFrame.insert(m_reservedFrame.end(), output, output + wanted);
}

BE_ERR LameStream::flush(uint8_t* output, uint32_t* outputCount) {
  if (outputCount == nullptr) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  *outputCount = 0;
  if (m_flushed) return BE_ERR_SUCCESSFUL;
  if (output == nullptr) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  int n = lame_encode_flush(m_lame, output, static_cast<int>(m_outputBound));
  if (n < 0) return n == -1 ? BE_ERR_BUFFER_TOO_SMALL : BE_ERR_INVALID_FORMAT_PARAMETERS;
  m_flushed = true;
  *outputCount = static_cast<uint32_t>(n);
  keepReservedFrame(output, *outputCount);
  return BE_ERR_SUCCESSFUL;
}

BE_ERR LameStream::writeInfoTag(const char* fileName) {
  // The tag counts every frame, so it exists only once the stream is finished, and only a
  // stream that reserved its first frame has a place for it.
  if (fileName == nullptr || !m_flushed || !m_writesTag) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  std::vector<uint8_t> tag(lame_get_lametag_frame(m_lame, nullptr, 0));
  if (tag.empty() || lame_get_lametag_frame(m_lame, tag.data(), tag.size()) != tag.size()) {
    return BE_ERR_INVALID_FORMAT_PARAMETERS;
  }
  int fd = ::open(posixPath(fileName).c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  // Only the very frame this stream reserved is replaced: anything else at that place is
  // audio, maybe of another stream, and is never overwritten.
  off_t at = audioStart(fd);
  std::vector<uint8_t> present(tag.size());
  bool ok = tag.size() <= m_reservedFrame.size() &&
            readAt(fd, present.data(), present.size(), at) &&
            std::equal(present.begin(), present.end(), m_reservedFrame.begin()) &&
            writeAt(fd, tag.data(), tag.size(), at);
  if (::close(fd) != 0) ok = false;
  return ok ? BE_ERR_SUCCESSFUL : BE_ERR_INVALID_FORMAT_PARAMETERS;
}

}  // namespace lame_enc
