// Files dropped on the program's window come out converted with the effect the user picked:
// named by it, of the same kind, of the right length, and with the effect measured on the
// decoded samples.
#include "app/dialogs/effect/EffectTable.h"
#include "app/tests/e2e/EndToEnd.h"
#include "audio/filter/Equalizer.h"
#include "audio/filter/tests/Response.h"
#include "testlib/Signal.h"
#include "testlib/WavBuilder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace lumetra::e2e {
namespace {

using namespace s::sound::gui::dialogs::effect;
using lumetra::apptest::decode;
using lumetra::apptest::Decoded;
using lumetra::apptest::encodeMp3;
using lumetra::apptest::kToneRate;
using lumetra::apptest::writeTone;

std::vector<uint8_t> readAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// The header of a converted WAV file: 16-bit PCM at `rate` in two channels, with a data chunk
/// of `frames` frames right after the standard 44-byte header.
::testing::AssertionResult isWaveOf(const fs::path& file, uint32_t rate, size_t frames) {
  const std::vector<uint8_t> bytes = readAll(file);
  using lumetra::testlib::readLe16;
  using lumetra::testlib::readLe32;
  if (bytes.size() < 44 || std::string(bytes.begin(), bytes.begin() + 4) != "RIFF" ||
      std::string(bytes.begin() + 8, bytes.begin() + 16) != "WAVEfmt ") {
    return ::testing::AssertionFailure() << file << " has no RIFF WAVE header";
  }
  if (readLe16(bytes, 20) != 1 || readLe16(bytes, 22) != 2 || readLe32(bytes, 24) != rate ||
      readLe16(bytes, 34) != 16) {
    return ::testing::AssertionFailure()
           << file << ": format " << readLe16(bytes, 20) << ", " << readLe16(bytes, 22)
           << " channels, " << readLe32(bytes, 24) << " Hz, " << readLe16(bytes, 34) << " bits";
  }
  if (std::string(bytes.begin() + 36, bytes.begin() + 40) != "data" ||
      readLe32(bytes, 40) != frames * 4 || readLe32(bytes, 4) != bytes.size() - 8) {
    return ::testing::AssertionFailure()
           << file << ": data of " << readLe32(bytes, 40) << " bytes, expected " << frames * 4;
  }
  return ::testing::AssertionSuccess();
}

/// Walks the MPEG frames of an MP3 file (after an ID3v2 tag, up to an ID3v1 tag): every one
/// must be MPEG-1 Layer III at 44.1 kHz and `kbps`. Their number goes to `frameCount`.
::testing::AssertionResult isMpegOf(const fs::path& file, int kbps, size_t* frameCount) {
  const std::vector<uint8_t> bytes = readAll(file);
  size_t at = 0;
  if (bytes.size() >= 10 && bytes[0] == 'I' && bytes[1] == 'D' && bytes[2] == '3') {
    at = 10 + ((bytes[6] & 0x7Fu) << 21 | (bytes[7] & 0x7Fu) << 14 | (bytes[8] & 0x7Fu) << 7 |
               (bytes[9] & 0x7Fu));
  }
  size_t end = bytes.size();
  if (end >= 128 && bytes[end - 128] == 'T' && bytes[end - 127] == 'A' && bytes[end - 126] == 'G') {
    end -= 128;
  }
  // MPEG-1 Layer III bitrates by index.
  static constexpr int kBitrates[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                        112, 128, 160, 192, 224, 256, 320, 0};
  size_t frames = 0;
  while (at + 4 <= end) {
    const uint8_t* h = bytes.data() + at;
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) {
      return ::testing::AssertionFailure() << file << ": no frame header at byte " << at;
    }
    const int version = (h[1] >> 3) & 3;
    const int layer = (h[1] >> 1) & 3;
    const int bitrate = kBitrates[h[2] >> 4];
    const int rateIndex = (h[2] >> 2) & 3;
    if (version != 3 || layer != 1 || rateIndex != 0 || bitrate != kbps) {
      return ::testing::AssertionFailure()
             << file << ": frame " << frames << " has version bits " << version << ", layer bits "
             << layer << ", rate index " << rateIndex << ", " << bitrate << " kbps";
    }
    at += static_cast<size_t>(144 * bitrate * 1000 / 44100 + ((h[2] >> 1) & 1));
    ++frames;
  }
  if (at != end || frames == 0) {
    return ::testing::AssertionFailure() << file << ": frames end at " << at << " of " << end;
  }
  *frameCount = frames;
  return ::testing::AssertionSuccess();
}

// The pitch shifter's latency (2048 frames at each end) and the encoder's and decoder's delays
// are kept out of the measurements.
constexpr size_t kEdge = 8192;
// A decoded MP3 may differ in length from its source by one frame of 1152 samples plus the
// encoder's delay (576 frames) and the decoder's (529 frames).
constexpr long kMp3Slack = 1152 + 576 + 529;

class EndToEndConversion : public EndToEnd {
 protected:
  /// A WAV tone and an MP3 made from another such tone by lame, names with capitals and spaces.
  void makeSources(double hz, double seconds) {
    writeTone(m_dir.file("Tone For Wave.wav"), hz, seconds);
    writeTone(m_dir.file("lame source.wav"), hz, seconds);
    ASSERT_TRUE(encodeMp3(m_dir.file("lame source.wav"), m_dir.file("Tone For Mpeg.mp3"), 192));
    fs::remove(m_dir.file("lame source.wav"));
  }
};

}  // namespace

TEST_F(EndToEndConversion, PitchUpRaisesTheToneOfAWaveAndAnMp3BySemitone) {
  makeSources(440.0, 2.0);
  start();
  useLargeView();
  pickEffect(kPitchUp, 1, 8);
  dropAndConvert({path("Tone For Wave.wav"), path("Tone For Mpeg.mp3")},
                 m_dir.file("Tone For Mpeg (Pit,+1).mp3"));
  EXPECT_TRUE(messageBoxes(1, 200).empty()) << "everything converted: no report";
  EXPECT_EQ(std::u16string(dialog()->getStatusText()), u"Ready");

  const double expected = 440.0 * std::pow(2.0, 1.0 / 12);  // 466.16 Hz
  const Decoded sourceWave = decode(path("Tone For Wave.wav"), false);
  const Decoded wave = decode(path("Tone For Wave (Pit,+1).wav"), false);
  EXPECT_TRUE(isWaveOf(m_dir.file("Tone For Wave (Pit,+1).wav"), kToneRate, sourceWave.frames()));
  EXPECT_NEAR(lumetra::testlib::measureFrequency(wave.left(kEdge, kEdge), wave.rate), expected,
              expected * 0.005);

  size_t mpegFrames = 0;
  EXPECT_TRUE(isMpegOf(m_dir.file("Tone For Mpeg (Pit,+1).mp3"), 192, &mpegFrames));
  const Decoded sourceMpeg = decode(path("Tone For Mpeg.mp3"), true);
  const Decoded mpeg = decode(path("Tone For Mpeg (Pit,+1).mp3"), true);
  EXPECT_EQ(mpeg.rate, kToneRate);
  EXPECT_EQ(mpeg.bitrate, 192);
  EXPECT_LE(std::labs(static_cast<long>(mpeg.frames()) - static_cast<long>(sourceMpeg.frames())),
            kMp3Slack)
      << mpeg.frames() << " decoded frames from a source of " << sourceMpeg.frames();
  EXPECT_NEAR(lumetra::testlib::measureFrequency(mpeg.left(kEdge, kEdge), mpeg.rate), expected,
              expected * 0.005);

  // The drop took the rows that were clicked.
  EXPECT_EQ(dialog()->getSetting().getIndex(), kPitchUp);
  EXPECT_EQ(dialog()->getSetting().getLevel(), 1);
  EXPECT_EQ(dialog()->getSetting().getQuality(), 8) << "the quality row clicked";
}

TEST_F(EndToEndConversion, VolumeUpScalesTheSamplesAndSpeedUpRelabelsTheRate) {
  makeSources(440.0, 1.0);
  start();
  useLargeView();
  pickEffect(kVolumeUp, 30);
  dropAndConvert({path("Tone For Wave.wav"), path("Tone For Mpeg.mp3")},
                 m_dir.file("Tone For Mpeg (Vol,+30%).mp3"));

  const Decoded sourceWave = decode(path("Tone For Wave.wav"), false);
  const Decoded wave = decode(path("Tone For Wave (Vol,+30%).wav"), false);
  EXPECT_TRUE(isWaveOf(m_dir.file("Tone For Wave (Vol,+30%).wav"), kToneRate, sourceWave.frames()));
  const size_t frames = sourceWave.frames();
  EXPECT_NEAR(lumetra::testlib::rms(wave.left(), 0, frames) /
                  lumetra::testlib::rms(sourceWave.left(), 0, frames),
              1.3, 0.013);

  size_t mpegFrames = 0;
  EXPECT_TRUE(isMpegOf(m_dir.file("Tone For Mpeg (Vol,+30%).mp3"), 192, &mpegFrames));
  const Decoded sourceMpeg = decode(path("Tone For Mpeg.mp3"), true);
  const Decoded mpeg = decode(path("Tone For Mpeg (Vol,+30%).mp3"), true);
  // Both decoded tones are steady between their edges; their levels compare there. Each pass
  // through the encoder changes this tone's level by the same small factor (about -0.26 dB),
  // which the source shows against its WAV: the converted file has been through it once more.
  const std::vector<double> louder = mpeg.left(kEdge, kEdge);
  const std::vector<double> before = sourceMpeg.left(kEdge, kEdge);
  ASSERT_FALSE(louder.empty());
  ASSERT_FALSE(before.empty());
  const double encoderFactor = lumetra::testlib::rms(before, 0, before.size()) /
                               lumetra::testlib::rms(sourceWave.left(), 0, frames);
  EXPECT_NEAR(encoderFactor, 1.0, 0.05);
  EXPECT_NEAR(lumetra::testlib::rms(louder, 0, louder.size()) /
                  lumetra::testlib::rms(before, 0, before.size()),
              1.3 * encoderFactor, 0.013);

  // Speed Up +20 %: the same samples, labelled 1.2 times the rate, play 1/1.2 as long.
  pickEffect(kSpeedUp, 20, 4);
  dropAndConvert({path("Tone For Wave.wav")}, m_dir.file("Tone For Wave (Spd,+20%).wav"));
  EXPECT_TRUE(isWaveOf(m_dir.file("Tone For Wave (Spd,+20%).wav"), 52920, sourceWave.frames()));
  const Decoded faster = decode(path("Tone For Wave (Spd,+20%).wav"), false);
  EXPECT_NEAR(static_cast<double>(faster.frames()) / faster.rate,
              static_cast<double>(sourceWave.frames()) / kToneRate / 1.2, 1e-4);
}

TEST_F(EndToEndConversion, BassBoostLiftsALowToneByTheThreeBandResponse) {
  writeTone(m_dir.file("Low Hum.wav"), 100.0, 2.0);
  start();
  useLargeView();
  pickEffect(kBassBoost, 5, 3);
  dropAndConvert({path("Low Hum.wav")}, m_dir.file("Low Hum (BB,5,NM).wav"));

  const Decoded source = decode(path("Low Hum.wav"), false);
  const Decoded boosted = decode(path("Low Hum (BB,5,NM).wav"), false);
  EXPECT_TRUE(isWaveOf(m_dir.file("Low Hum (BB,5,NM).wav"), kToneRate, source.frames()));
  // Half a second of settling, then a second measured by projection on the tone.
  const double gainDb = lumetra::filtertest::decibels(
      lumetra::filtertest::amplitudeAt(boosted.left(), 100.0, kToneRate, kToneRate / 2, kToneRate) /
      lumetra::filtertest::amplitudeAt(source.left(), 100.0, kToneRate, kToneRate / 2, kToneRate));
  s::sound::filter::Equalizer* eq = s::sound::filter::Equalizer::take();
  eq->setBassBoost(5, 3);
  const double expectedDb = lumetra::filtertest::equalizerResponseDb(*eq, 100.0, kToneRate);
  eq->release();
  EXPECT_GT(expectedDb, 2.0) << "a boost worth measuring";
  EXPECT_NEAR(gainDb, expectedDb, 0.2);
}

}  // namespace lumetra::e2e
