// Audio files of the conversion tests: tones written as WAV files, MP3 files made from them by
// lame, and any converted file read back through the program's own readers.
#pragma once

#include "app/dialogs/effect/Conversion.h"
#include "audio/mp3/win/Mp3.h"
#include "audio/wav/Wave.h"
#include "testlib/Process.h"
#include "testlib/Signal.h"
#include "testlib/WavBuilder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace lumetra::apptest {

/// The rate of every source the tests write.
constexpr int32_t kToneRate = 44100;

inline void writeBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

/// A 44.1 kHz stereo 16-bit WAV of a tone of `hz` at half of full scale.
inline void writeTone(const std::filesystem::path& path, double hz, double seconds) {
  const auto frames = static_cast<size_t>(seconds * kToneRate);
  writeBytes(
      path,
      lumetra::testlib::WavBuilder::pcmFile(
          lumetra::testlib::toBytes(lumetra::testlib::makeTone(hz, 0.5, kToneRate, frames, 2)), 2,
          kToneRate, 16));
}

/// Encodes the WAV file `wav` into `mp3` with lame at a constant `kbps`.
inline ::testing::AssertionResult encodeMp3(const std::filesystem::path& wav,
                                            const std::filesystem::path& mp3, int kbps) {
  const auto result = lumetra::testlib::run({APP_LAME_PROGRAM, "--quiet", "--cbr", "-b",
                                             std::to_string(kbps), wav.string(), mp3.string()});
  if (result.exitCode != 0) {
    return ::testing::AssertionFailure() << "lame failed: " << result.output;
  }
  return ::testing::AssertionSuccess();
}

/// What the program's reader of a file says of it, and its samples (interleaved 16-bit).
struct Decoded {
  int32_t rate = 0;
  int32_t channels = 0;
  int32_t pcmLength = 0;
  int32_t bitrate = 0;
  std::vector<int16_t> samples;

  size_t frames() const { return channels > 0 ? samples.size() / channels : 0; }
  /// The left channel from `first` frames in to `last` frames before the end.
  std::vector<double> left(size_t first = 0, size_t last = 0) const {
    std::vector<double> all = lumetra::testlib::channelOf(samples.data(), frames(), channels, 0);
    if (first + last >= all.size()) {
      return {};
    }
    return std::vector<double>(all.begin() + static_cast<std::ptrdiff_t>(first),
                               all.end() - static_cast<std::ptrdiff_t>(last));
  }
};

/// Reads a WAV or MP3 file (by `mp3`) at a `Z:\` path through the program's own readers.
inline Decoded decode(const std::u16string& path, bool mp3) {
  using s::sound::gui::dialogs::effect::kBlockBytes;
  Decoded read;
  s::sound::IEncodedAudio* audio =
      mp3 ? static_cast<s::sound::IEncodedAudio*>(s::sound::mp3::win::Mp3::take())
          : s::sound::wav::Wave::take();
  if (s::sound::gui::dialogs::effect::setInputPath(audio, path.c_str())) {
    read.rate = audio->getSampleRate();
    read.channels = audio->isPcmStereo() ? 2 : 1;
    read.pcmLength = audio->getPcmLength();
    if (mp3) {
      read.bitrate = static_cast<s::sound::mp3::win::Mp3*>(audio)->getBitrate();
    }
    uint8_t block[kBlockBytes];
    uint32_t count = 0;
    while (audio->read(block, kBlockBytes, &count)) {
      const auto* samples = reinterpret_cast<const int16_t*>(block);
      read.samples.insert(read.samples.end(), samples, samples + count / 2);
    }
  }
  audio->releaseToPool();
  return read;
}

/// The frequency the left channel of a stereo file plays, in Hz. The pitch and speed effects'
/// first and last 2048 frames are their latency, and an MP3 adds its encoder's delay and
/// padding: the tone is measured between 4096 frames from either end. 0 for a file too short.
inline double playedFrequency(const Decoded& read) {
  if (read.frames() <= 3 * 4096) return 0.0;
  return lumetra::testlib::measureFrequency(read.left(4096, 4096), read.rate);
}

}  // namespace lumetra::apptest
