// Test support shared by the codec tests and benchmarks: the encoder library loaded the way
// the program loads it, a configuration record filled the way the program's MP3 writer fills
// it, generated signals, and a measurement of a tone's frequency.
#pragma once

#include <windows.h>

#include "lame_enc/BladeEnc.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace codec_testing {

/// "lame_enc.dll" through LoadLibraryW and GetProcAddress; every entry point is null when the
/// library or the entry point is missing.
class EncoderLibrary {
 public:
  EncoderLibrary() : m_module(LoadLibraryW(u"lame_enc.dll")) {
    if (m_module == nullptr) return;
    init = proc<BeInitStreamProc>("beInitStream");
    encodeChunk = proc<BeEncodeChunkProc>("beEncodeChunk");
    deinit = proc<BeDeinitStreamProc>("beDeinitStream");
    close = proc<BeCloseStreamProc>("beCloseStream");
    version = proc<BeVersionProc>("beVersion");
    writeVbrHeader = proc<BeWriteVbrHeaderProc>("beWriteVBRHeader");
    writeInfoTag = proc<BeWriteInfoTagProc>("beWriteInfoTag");
  }
  ~EncoderLibrary() {
    if (m_module != nullptr) FreeLibrary(m_module);
  }
  EncoderLibrary(const EncoderLibrary&) = delete;
  EncoderLibrary& operator=(const EncoderLibrary&) = delete;

  HMODULE module() const { return m_module; }
  bool complete() const {
    return init && encodeChunk && deinit && close && version && writeVbrHeader && writeInfoTag;
  }

  BeInitStreamProc init = nullptr;
  BeEncodeChunkProc encodeChunk = nullptr;
  BeDeinitStreamProc deinit = nullptr;
  BeCloseStreamProc close = nullptr;
  BeVersionProc version = nullptr;
  BeWriteVbrHeaderProc writeVbrHeader = nullptr;
  BeWriteInfoTagProc writeInfoTag = nullptr;

 private:
  // FARPROC has its own function type; the entry point's type is reached through void*.
  template <typename Proc>
  Proc proc(const char* name) {
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(m_module, name)));
  }

  HMODULE m_module;
};

/// The record as the program's MP3 writer fills it: joint stereo or mono, quality preset 2,
/// private, copyright and original bits, no CRC, no VBR, bit reservoir off.
inline BE_CONFIG writerConfig(uint32_t inputRate, uint32_t outputRate, bool stereo, uint32_t kbps) {
  BE_CONFIG c;
  std::memset(&c, 0, sizeof c);
  c.configKind = BE_CONFIG_LAME;
  c.recordVersion = BE_CONFIG_VERSION;
  c.recordSize = BE_CONFIG_SIZE;
  c.inputRate = inputRate;
  c.outputRate = outputRate == inputRate ? 0 : outputRate;
  c.mode = stereo ? BE_MP3_MODE_JSTEREO : BE_MP3_MODE_MONO;
  c.bitrate = kbps;
  c.preset = BE_PRESET_HIGH;
  c.mpegVersion = kbps > 32 ? 1 : 0;
  c.privateBit = 1;
  c.copyright = 1;
  c.original = 1;
  c.disableReservoir = 1;
  return c;
}

/// Interleaved 16-bit PCM: channel c carries a sine of hz[c] at `amplitude` of full scale.
inline std::vector<int16_t> tone(std::vector<double> hz, uint32_t rate, size_t frames,
                                 double amplitude = 0.5) {
  std::vector<int16_t> pcm(frames * hz.size());
  const double pi = std::acos(-1.0);
  for (size_t i = 0; i < frames; ++i) {
    for (size_t c = 0; c < hz.size(); ++c) {
      pcm[i * hz.size() + c] = static_cast<int16_t>(
          std::lround(amplitude * 32767.0 * std::sin(2 * pi * hz[c] * double(i) / rate)));
    }
  }
  return pcm;
}

/// Full-scale white noise, the costliest input for the encoder.
inline std::vector<int16_t> noise(size_t samples, uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> value(-32768, 32767);
  std::vector<int16_t> pcm(samples);
  for (int16_t& s : pcm) s = static_cast<int16_t>(value(random));
  return pcm;
}

/// Frequency of the tone in one channel of interleaved PCM, from the rising zero crossings of
/// its middle half (interpolated between samples, so a 1 kHz tone measures within a few Hz).
inline double measureFrequency(const std::vector<int16_t>& pcm, unsigned channels, unsigned channel,
                               uint32_t rate) {
  size_t frames = pcm.size() / channels;
  size_t from = frames / 4, to = frames * 3 / 4;
  double first = -1, last = -1;
  int crossings = 0;
  for (size_t i = from + 1; i < to; ++i) {
    double a = pcm[(i - 1) * channels + channel], b = pcm[i * channels + channel];
    if (a < 0 && b >= 0) {
      double at = double(i - 1) + (-a) / (b - a);
      if (first < 0) first = at;
      else ++crossings;
      last = at;
    }
  }
  if (crossings == 0) return 0;
  return crossings * double(rate) / (last - first);
}

/// Encodes `pcm` in calls of at most `chunkSamples` samples and finishes the stream. On any
/// failure returns the code and leaves `out` with what was encoded.
inline BE_ERR encodeAll(const EncoderLibrary& lib, const BE_CONFIG& config,
                        const std::vector<int16_t>& pcm, std::vector<uint8_t>& out,
                        size_t chunkSamples = 4096, HBE_STREAM* keepOpen = nullptr) {
  uint32_t perChunk = 0, bufferSize = 0;
  HBE_STREAM stream = 0;
  BE_ERR result = lib.init(&config, &perChunk, &bufferSize, &stream);
  if (result != BE_ERR_SUCCESSFUL) return result;
  std::vector<uint8_t> buffer(bufferSize);
  for (size_t at = 0; at < pcm.size() && result == BE_ERR_SUCCESSFUL; at += chunkSamples) {
    uint32_t n = static_cast<uint32_t>(std::min(chunkSamples, pcm.size() - at));
    uint32_t count = 0;
    result = lib.encodeChunk(stream, n, pcm.data() + at, buffer.data(), &count);
    out.insert(out.end(), buffer.begin(), buffer.begin() + count);
  }
  if (result == BE_ERR_SUCCESSFUL) {
    uint32_t count = 0;
    result = lib.deinit(stream, buffer.data(), &count);
    out.insert(out.end(), buffer.begin(), buffer.begin() + count);
  }
  if (keepOpen != nullptr && result == BE_ERR_SUCCESSFUL) {
    *keepOpen = stream;
  } else {
    lib.close(stream);
  }
  return result;
}

}  // namespace codec_testing
