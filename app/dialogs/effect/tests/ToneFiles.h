// Tone files for the conversion tests: WAV and MP3 sources made by the test, and what the
// program's own readers find in a converted file, down to the pitch it plays.
#pragma once

#include "app/dialogs/effect/Conversion.h"
#include "audio/mp3/win/Mp3.h"
#include "audio/wav/Wave.h"
#include "testlib/Process.h"
#include "testlib/Signal.h"
#include "testlib/TempDir.h"
#include "testlib/WavBuilder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace lumetra::apptest {

inline constexpr int32_t kToneRate = 44100;

inline void writeBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

/// A 44.1 kHz stereo 16-bit WAV of a tone at half of full scale.
inline void writeTone(const std::filesystem::path& path, double hz, double seconds) {
  const auto frames = static_cast<size_t>(seconds * kToneRate);
  writeBytes(path, testlib::WavBuilder::pcmFile(
                       testlib::toBytes(testlib::makeTone(hz, 0.5, kToneRate, frames, 2)), 2,
                       kToneRate, 16));
}

/// An MP3 of such a 440 Hz tone of `seconds`, encoded at `kbps` by the `lame` program (its
/// scratch WAV lives in `dir` meanwhile). A failing encoder fails the test.
inline void writeMp3Tone(const std::string& lame, const testlib::TempDir& dir,
                         const std::filesystem::path& path, int kbps, double seconds = 1.0) {
  const std::filesystem::path wav = dir.file("lame-source.wav");
  writeTone(wav, 440.0, seconds);
  const auto result = testlib::run(
      {lame, "--quiet", "--cbr", "-b", std::to_string(kbps), wav.string(), path.string()});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  std::filesystem::remove(wav);
}

/// What a reader of the file says of it.
struct Read {
  bool opened = false;
  int32_t rate = 0;
  int32_t pcmLength = 0;
  int32_t bitrate = 0;
  std::vector<int16_t> samples;  // interleaved stereo
};

/// `windowsPath` read through the program's own WAV or MP3 reader.
inline Read readBack(const std::u16string& windowsPath, bool mp3) {
  Read read;
  s::sound::IEncodedAudio* audio =
      mp3 ? static_cast<s::sound::IEncodedAudio*>(s::sound::mp3::win::Mp3::take())
          : s::sound::wav::Wave::take();
  if (s::sound::gui::dialogs::effect::setInputPath(audio, windowsPath.c_str())) {
    read.opened = true;
    read.rate = audio->getSampleRate();
    read.pcmLength = audio->getPcmLength();
    if (mp3) read.bitrate = static_cast<s::sound::mp3::win::Mp3*>(audio)->getBitrate();
    uint8_t block[s::sound::gui::dialogs::effect::kBlockBytes];
    uint32_t count = 0;
    while (audio->read(block, s::sound::gui::dialogs::effect::kBlockBytes, &count)) {
      const auto* samples = reinterpret_cast<const int16_t*>(block);
      read.samples.insert(read.samples.end(), samples, samples + count / 2);
    }
  }
  audio->releaseToPool();
  return read;
}

inline Read readBack(const testlib::TempDir& dir, const std::string& name, bool mp3) {
  return readBack(dir.windowsPath(name), mp3);
}

/// The frequency the left channel of a stereo file plays, in Hz. The pitch and speed effects'
/// first and last 2048 frames are their latency, and an MP3 adds its encoder's delay and
/// padding: the tone is measured between 4096 frames from either end. 0 for a file too short.
inline double playedFrequency(const Read& read) {
  const size_t frames = read.samples.size() / 2;
  if (frames <= 3 * 4096) return 0.0;
  const std::vector<double> left = testlib::channelOf(read.samples.data(), frames, 2, 0);
  return testlib::measureFrequency(std::vector<double>(left.begin() + 4096, left.end() - 4096),
                                   read.rate);
}

}  // namespace lumetra::apptest
