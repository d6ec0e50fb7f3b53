// MP3 files end to end: files measured from hand-built frames and tags, streams written through
// the encoder library and read back through the decoder, conversions with volume, pitch and
// speed, seeking, block sizes, writers whose encoder refuses, sources without end, tags after the
// audio, and files that lose part of their audio.
#include "audio/filter/Octave.h"
#include "audio/filter/Volume.h"
#include "audio/mp3/tests/Mp3Builder.h"
#include "audio/mp3/win/Mp3.h"
#include "audio/wav/Wave.h"
#include "audio/win/Mp3Encoder.h"
#include "core/file/win/FileInputStream.h"
#include "core/file/win/FileOutputStream.h"
#include "core/file/win/PathWin.h"
#include "core/io/IInputStream.h"
#include "core/io/IOutputStream.h"
#include "testlib/Signal.h"
#include "testlib/TempDir.h"
#include "testlib/Wait.h"
#include "testlib/WavBuilder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace mp3_testing;
using lumetra::testlib::channelOf;
using lumetra::testlib::makeTone;
using lumetra::testlib::measureFrequency;
using lumetra::testlib::rms;
using lumetra::testlib::TempDir;
using lumetra::testlib::toBytes;
using lumetra::testlib::toSamples;
using s::col::_array::ArrayU08;
using s::sound::mp3::FrameHeader;
using s::sound::mp3::Id3Tag;
using s::sound::mp3::win::Mp3;

namespace {

s::io::IInputStream* in(ArrayU08* array) { return static_cast<s::io::IInputStream*>(array); }
s::io::IOutputStream* out(ArrayU08* array) { return static_cast<s::io::IOutputStream*>(array); }

// The encoder's delay (576) and the decoder's (529): a decoded stream starts this much late.
constexpr int64_t kCodecDelay = 1105;

// A reader over `bytes`, measured with the file size known (or not).
Mp3* readerOf(ArrayU08* file, bool sizeKnown = true) {
  Mp3* reader = Mp3::take();
  if (sizeKnown) reader->setFileSize(file->getCount());
  reader->setInputStream(in(file), false);
  return reader;
}

// Everything `reader` decodes, in blocks of `capacity` bytes.
std::vector<int16_t> readAll(s::sound::IEncodedAudio* reader, uint32_t capacity = 4096) {
  Bytes pcm;
  Bytes block(capacity);
  uint32_t got = 0;
  while (reader->read(block.data(), capacity, &got))
    pcm.insert(pcm.end(), block.begin(), block.begin() + got);
  return toSamples(pcm.data(), pcm.size());
}

std::vector<int16_t> decode(const Bytes& mp3, uint32_t capacity = 4096) {
  ArrayU08* file = memoryOf(mp3);
  Mp3* reader = readerOf(file);
  std::vector<int16_t> pcm = readAll(reader, capacity);
  reader->release();
  file->release();
  return pcm;
}

// Writes `pcm` (interleaved 16-bit) through a writer into memory, in blocks of `block` bytes.
// `prepare` may set the writer's format or filters first.
template <typename Prepare>
Bytes encodeWith(const std::vector<int16_t>& pcm, int32_t rate, bool stereo, Prepare prepare,
                 size_t block = 4096) {
  ArrayU08* file = ArrayU08::take();
  Mp3* writer = Mp3::take();
  prepare(writer);
  writer->setOutputStream(out(file), false);
  const Bytes bytes = toBytes(pcm);
  for (size_t at = 0; at < bytes.size(); at += block) {
    const uint32_t n = static_cast<uint32_t>(std::min(block, bytes.size() - at));
    uint32_t written = 0;
    EXPECT_TRUE(writer->write(bytes.data() + at, n, &written, rate, stereo, 16));
    EXPECT_EQ(written, n);
  }
  EXPECT_TRUE(writer->close());
  writer->release();
  Bytes result = contentOf(file);
  file->release();
  return result;
}

Bytes encode(const std::vector<int16_t>& pcm, int32_t rate = 44100, bool stereo = true) {
  return encodeWith(pcm, rate, stereo, [](Mp3*) {});
}

// Reads `reader` to its end and writes every block into `writer` as the conversion task does.
void convert(s::sound::IEncodedAudio* reader, s::sound::IEncodedAudio* writer) {
  Bytes block(4096);
  uint32_t got = 0;
  while (reader->read(block.data(), 4096, &got)) {
    uint32_t written = 0;
    ASSERT_TRUE(writer->write(block.data(), got, &written, reader->getOutputSampleRate(),
                              reader->isPcmStereo(), reader->getPcmBitsPerSample()));
  }
}

// MP3 -> `filter` -> MP3, in memory, with the source's bitrate carried when above 192.
Bytes convertMp3(const Bytes& source, s::sound::IFilter* filter, float speed = 1.0f) {
  ArrayU08* input = memoryOf(source);
  ArrayU08* output = ArrayU08::take();
  Mp3* reader = Mp3::take();
  reader->setFileSize(input->getCount());
  reader->setSpeedFactor(speed);
  reader->setInputStream(in(input), false);
  Mp3* writer = Mp3::take();
  if (reader->getBitrate() > 192) writer->setBitrate(reader->getBitrate());
  writer->setOutputStream(out(output), false);
  if (filter != nullptr) writer->addFilter(filter);
  convert(reader, writer);
  EXPECT_TRUE(writer->close());
  writer->release();
  reader->release();
  Bytes result = contentOf(output);
  output->release();
  input->release();
  return result;
}

// Calls `check` with the header of every frame, walking the stream by frame lengths from its
// first byte; answers the number of frames.
template <typename Check>
size_t walk(const Bytes& mp3, Check check) {
  ArrayU08* file = memoryOf(mp3);
  FrameHeader h;
  size_t count = 0;
  for (int64_t at = 0; at < static_cast<int64_t>(mp3.size()); at += h.getFrameLength(), ++count) {
    in(file)->seek(at);
    if (!h.parse(in(file)) || !h.isValid()) {
      ADD_FAILURE() << "no frame at " << at;
      break;
    }
    check(h);
  }
  file->release();
  return count;
}

// The mpg123 program's test decoding of `mp3`: what it printed, and its status.
std::string mpg123Test(const Bytes& mp3, int* status) {
  TempDir folder;
  const std::filesystem::path path = folder.file("test.mp3");
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(mp3.data()), std::streamsize(mp3.size()));
  const std::string command =
      std::string(AUDIO_MPG123_PROGRAM) + " -t '" + path.string() + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string report;
  char line[512];
  while (pipe != nullptr && std::fgets(line, sizeof line, pipe) != nullptr) report += line;
  *status = pipe != nullptr ? pclose(pipe) : -1;
  return report;
}

// Root mean square of the middle half of one channel.
double middleRms(const std::vector<int16_t>& pcm, int32_t channels, int32_t channel = 0) {
  const std::vector<double> c = channelOf(pcm.data(), pcm.size() / channels, channels, channel);
  return rms(c, c.size() / 4, c.size() / 2);
}

double frequencyOf(const std::vector<int16_t>& pcm, int32_t channels, int32_t rate) {
  std::vector<double> c = channelOf(pcm.data(), pcm.size() / channels, channels, 0);
  // Leave out the codec's lead-in and the tail, where the tone starts and stops.
  c = std::vector<double>(c.begin() + c.size() / 8, c.end() - c.size() / 8);
  return measureFrequency(c, rate);
}

const std::vector<int16_t>& twoSecondTone() {
  static const std::vector<int16_t> tone = makeTone(1000.0, 0.5, 44100, 88200, 2);
  return tone;
}

const Bytes& twoSecondMp3() {
  static const Bytes mp3 = encode(twoSecondTone());
  return mp3;
}

// 128 kbps, 44,100 Hz, joint stereo frames of 417 bytes.
const Header kCbr;
constexpr size_t kCbrLength = 417;

}  // namespace

TEST(Mp3, WritesConstantBitrateJointStereoThatMpg123AcceptsWithoutAWord) {
  const Bytes& mp3 = twoSecondMp3();
  const size_t frameCount = walk(mp3, [](const FrameHeader& h) {
    EXPECT_EQ(h.getMpegVersion(), 1.0f);
    EXPECT_EQ(h.getLayer(), 3);
    EXPECT_EQ(h.getSampleRate(), 44100);
    EXPECT_EQ(h.getBitrate(), 192);
    EXPECT_EQ(h.getChannelMode(), FrameHeader::kModeJointStereo);
    EXPECT_FALSE(h.isProtected());
    EXPECT_EQ(h.getPrivateBit(), 1);
    EXPECT_TRUE(h.isCopyright());
    EXPECT_TRUE(h.isOriginal());
    EXPECT_FALSE(h.isVbr());
  });
  EXPECT_NE(std::string(mp3.begin() + 36, mp3.begin() + 40), "Info") << "no tag frame";

  int status = 0;
  const std::string report = mpg123Test(mp3, &status);
  EXPECT_EQ(status, 0) << report;
  for (const char* word : {"Note", "arning", "rror", "llegal"})
    EXPECT_EQ(report.find(word), std::string::npos) << report;

  ArrayU08* file = memoryOf(mp3);
  Mp3* reader = readerOf(file);
  EXPECT_EQ(reader->getBitrate(), 192);
  EXPECT_EQ(reader->getFrameCount(), static_cast<int32_t>(frameCount));
  EXPECT_EQ(reader->getFrameLength(), 626);
  EXPECT_EQ(reader->getDurationMillis(), static_cast<int32_t>(frameCount * 1152 * 1000 / 44100));
  EXPECT_EQ(reader->getPcmLength(), static_cast<int32_t>(frameCount * 1152 * 4));
  EXPECT_TRUE(reader->isPcmStereo());
  EXPECT_EQ(reader->getPcmSampleRate(), 44100);
  reader->release();
  file->release();
}

TEST(Mp3, DecodesBackToTheToneAtItsLength) {
  const std::vector<int16_t> pcm = decode(twoSecondMp3());
  const int64_t frames = static_cast<int64_t>(pcm.size() / 2);
  // The decoded stream holds the input, delayed by the codecs and padded to whole frames.
  EXPECT_GE(frames, 88200);
  EXPECT_LE(frames, 88200 + 1152 + kCodecDelay);
  EXPECT_NEAR(frequencyOf(pcm, 2, 44100), 1000.0, 1.0);
  // The codec takes about 0.3 dB off a pure tone at this bitrate.
  EXPECT_NEAR(middleRms(pcm, 2) / middleRms(twoSecondTone(), 2), 0.97, 0.02);
}

TEST(Mp3, CarriesHigherBitrates) {
  for (int32_t kbps : {224, 256, 320}) {
    const Bytes mp3 =
        encodeWith(twoSecondTone(), 44100, true, [&](Mp3* w) { w->setBitrate(kbps); });
    walk(mp3, [&](const FrameHeader& h) { EXPECT_EQ(h.getBitrate(), kbps); });
    // And the next conversion keeps it.
    walk(convertMp3(mp3, nullptr), [&](const FrameHeader& h) { EXPECT_EQ(h.getBitrate(), kbps); });
  }
}

TEST(Mp3, ConvertsWavToMp3AndMp3ToMp3WithTheVolumeFilterBetweenFiles) {
  TempDir folder;
  const Bytes wav = lumetra::testlib::WavBuilder::pcmFile(toBytes(twoSecondTone()), 2, 44100, 16);
  std::ofstream(folder.file("tone.wav"), std::ios::binary)
      .write(reinterpret_cast<const char*>(wav.data()), std::streamsize(wav.size()));

  // Converts `from` into `to` with a volume change, through file streams the objects own.
  auto run = [&](s::sound::IEncodedAudio* reader, const std::string& from,
                 s::sound::IEncodedAudio* writer, const std::string& to, float percent) {
    auto* input = s::file::win::FileInputStream::take();
    ASSERT_TRUE(input->open(folder.windowsPath(from).c_str()));
    reader->setFileSize(static_cast<int64_t>(std::filesystem::file_size(folder.file(from))));
    reader->setInputStream(input, true);
    auto* output = s::file::win::FileOutputStream::take();
    ASSERT_TRUE(output->open(folder.windowsPath(to).c_str(), false));
    writer->setOutputStream(output, true);
    auto* volume = s::sound::filter::Volume::take();
    volume->setPercent(percent);
    writer->addFilter(volume);
    convert(reader, writer);
    EXPECT_TRUE(writer->close());
    reader->close();
  };
  s::sound::wav::Wave* wave = s::sound::wav::Wave::take();
  Mp3* writer = Mp3::take();
  run(wave, "tone.wav", writer, "tone.mp3", -50.0f);
  wave->release();
  writer->release();

  Mp3* reader = Mp3::take();
  writer = Mp3::take();
  run(reader, "tone.mp3", writer, "tone (louder).mp3", 50.0f);
  reader->release();
  writer->release();

  auto readFile = [&](const std::string& name) {
    std::ifstream stream(folder.file(name), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(stream), {});
  };
  const std::vector<int16_t> half = decode(readFile("tone.mp3"));
  const std::vector<int16_t> louder = decode(readFile("tone (louder).mp3"));
  // Each step is compared with the same codec pass without the filter, which takes its own
  // fraction of a decibel off the tone whatever the level.
  const std::vector<int16_t> plain = decode(twoSecondMp3());
  const std::vector<int16_t> halfAgain = decode(convertMp3(readFile("tone.mp3"), nullptr));
  EXPECT_NEAR(middleRms(half, 2) / middleRms(plain, 2), 0.5, 0.005);
  EXPECT_NEAR(middleRms(louder, 2) / middleRms(halfAgain, 2), 1.5, 0.0075);
  EXPECT_NEAR(frequencyOf(louder, 2, 44100), 1000.0, 1.0);
  int status = 0;
  const std::string report = mpg123Test(readFile("tone (louder).mp3"), &status);
  EXPECT_EQ(status, 0) << report;
  EXPECT_EQ(report.find("arning"), std::string::npos) << report;
}

TEST(Mp3, PitchAndSpeedReachTheEncoder) {
  // One semitone up: 1,000 Hz becomes 1,059.5 Hz.
  auto* octave = s::sound::filter::Octave::take();
  octave->setPitch(100.0f / 12.0f);
  const std::vector<int16_t> higher = decode(convertMp3(twoSecondMp3(), octave));
  EXPECT_NEAR(frequencyOf(higher, 2, 44100), 1059.46, 3.0);

  // A speed factor of 1.25 relabels the PCM as 55,125 Hz; the encoder resamples it to 44,100 Hz,
  // so the tone rises to 1,250 Hz and the file lasts 0.8 times as long.
  ArrayU08* input = memoryOf(twoSecondMp3());
  Mp3* reader = Mp3::take();
  reader->setSpeedFactor(1.25f);
  reader->setInputStream(in(input), false);
  EXPECT_EQ(reader->getOutputSampleRate(), 55125);
  reader->release();
  input->release();
  const Bytes faster = convertMp3(twoSecondMp3(), nullptr, 1.25f);
  EXPECT_GT(walk(faster, [](const FrameHeader& h) { EXPECT_EQ(h.getSampleRate(), 44100); }), 0u);
  const std::vector<int16_t> fast = decode(faster);
  EXPECT_NEAR(frequencyOf(fast, 2, 44100), 1250.0, 2.0);
  const std::vector<int16_t> normal = decode(twoSecondMp3());
  EXPECT_NEAR(static_cast<double>(fast.size()) / normal.size(), 0.8, 0.03);
}

TEST(Mp3, ReadHandsOutWholeSampleFramesAndKeepsWhatDoesNotFit) {
  ArrayU08* file = memoryOf(twoSecondMp3());
  Mp3* reader = readerOf(file);
  uint8_t block[8] = {};
  uint32_t got = 0;
  ASSERT_TRUE(reader->read(block, 7, &got));
  EXPECT_EQ(got, 4u);
  ASSERT_TRUE(reader->read(block, 3, &got));
  EXPECT_EQ(got, 3u);
  reader->release();
  file->release();

  // The PCM does not depend on the block size.
  const std::vector<int16_t> reference = decode(twoSecondMp3(), 4096);
  EXPECT_EQ(decode(twoSecondMp3(), 100000), reference);
  EXPECT_EQ(decode(twoSecondMp3(), 4), reference);
  EXPECT_EQ(decode(twoSecondMp3(), 12348), reference);
}

TEST(Mp3, MeasuresFilesByTheirTagsAndFirstFrame) {
  const Bytes audio = frames(kCbr, kCbrLength, 100);
  // A picture in the ID3v2 tag that holds two frames of another stream: skipped by the tag's size.
  Header other;
  other.rateIndex = 1;
  const Bytes picture = join({Bytes(3000, 0x37), frames(other, 384, 2), Bytes(1000, 0xFF)});

  struct Case {
    const char* name;
    Bytes file;
    int64_t firstFrame;
    int32_t kind;
    int64_t dataLength;
  };
  const Bytes tagged = id3v2(picture);
  const Case cases[] = {
      {"no tags", audio, 0, Id3Tag::kNone, static_cast<int64_t>(audio.size())},
      {"no tags, junk in front: the junk counts", join({Bytes(50, 0), audio}), 50, Id3Tag::kNone,
       static_cast<int64_t>(audio.size() + 50)},
      {"ID3v1 only", join({audio, id3v1()}), 0, Id3Tag::kId3v1, static_cast<int64_t>(audio.size())},
      {"ID3v2 and ID3v1: the trailing tag counts", join({tagged, audio, id3v1()}),
       static_cast<int64_t>(tagged.size()), Id3Tag::kId3v2,
       static_cast<int64_t>(audio.size() + 128)},
      {"ID3v2 with a footer", join({id3v2(picture, true), audio}),
       static_cast<int64_t>(tagged.size() + 10), Id3Tag::kId3v2,
       static_cast<int64_t>(audio.size())},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ArrayU08* file = memoryOf(c.file);
    Mp3* reader = readerOf(file);
    EXPECT_EQ(reader->getTag().getKind(), c.kind);
    EXPECT_EQ(reader->getHeader().getPosition(), c.firstFrame);
    EXPECT_EQ(reader->getHeader().getSampleRate(), 44100);
    EXPECT_EQ(reader->getDataLength(), c.dataLength);
    EXPECT_EQ(in(file)->getPosition(), c.firstFrame) << "the input waits at the first frame";
    EXPECT_EQ(reader->getFrameCount(), static_cast<int32_t>(c.dataLength / kCbrLength));
    EXPECT_EQ(reader->getBitrate(), 128);
    EXPECT_EQ(reader->getDurationMillis(),
              static_cast<int32_t>(c.dataLength / kCbrLength * 1152 * 1000 / 44100));
    reader->release();
    file->release();
  }

  // A tag whose size runs past the end is scanned after all.
  Bytes lying = id3v2(Bytes(20, 0));
  lying[6] = 0x7F;
  ArrayU08* file = memoryOf(join({lying, audio}));
  Mp3* reader = readerOf(file);
  EXPECT_EQ(reader->getHeader().getPosition(), static_cast<int64_t>(lying.size()));
  EXPECT_EQ(reader->getFrameCount(), 100);
  reader->release();
  file->release();
}

TEST(Mp3, AveragesXingFilesAndAnswersMinusOneForWhatIsUnknown) {
  // 1,000 frames announced; the data holds the Xing frame and 99 frames of 417 bytes.
  const Bytes vbr =
      join({xingFrame(kCbr, kCbrLength, 36, 0x0F, 1000, 417000, 50), frames(kCbr, kCbrLength, 99)});
  ArrayU08* file = memoryOf(vbr);
  Mp3* reader = readerOf(file);
  EXPECT_EQ(reader->getFrameCount(), 1000);
  EXPECT_EQ(reader->getFrameLength(), 41);  // 41,700 bytes / 1,000 frames
  const int32_t millis = 1000 * 1152 * 1000 / 44100;
  EXPECT_EQ(reader->getDurationMillis(), millis);
  EXPECT_EQ(reader->getDurationSeconds(), 26);
  EXPECT_EQ(reader->getBitrate(), 41700 * 8 / millis);
  EXPECT_EQ(reader->getPcmLength(), 1000 * 1152 * 4);
  reader->release();
  file->release();

  // Without the file size a constant-bitrate file cannot be measured; Xing frames still can.
  file = memoryOf(frames(kCbr, kCbrLength, 10));
  reader = readerOf(file, false);
  EXPECT_EQ(reader->getDataLength(), -1);
  EXPECT_EQ(reader->getDurationMillis(), -1);
  EXPECT_EQ(reader->getPcmLength(), -1);
  EXPECT_EQ(reader->getFrameCount(), -1);
  EXPECT_EQ(reader->getBitrate(), 128);
  reader->release();
  file->release();
  file = memoryOf(vbr);
  reader = readerOf(file, false);
  EXPECT_EQ(reader->getDurationMillis(), millis);
  reader->release();
  file->release();

  // A file without frames reads as empty and measures nothing.
  file = memoryOf(Bytes(20000, 0x42));
  reader = readerOf(file);
  uint8_t block[4096];
  uint32_t got = 7;
  EXPECT_FALSE(reader->read(block, sizeof block, &got));
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(reader->getDurationMillis(), -1);
  EXPECT_EQ(reader->getBitrate(), -1);
  EXPECT_EQ(reader->getPcmLength(), -1);
  int64_t position = 5;
  reader->seekPercent(50.0f, &position);
  EXPECT_EQ(position, 0);
  EXPECT_TRUE(reader->close());
  reader->release();
  file->release();
}

TEST(Mp3, DecodesTheSameBehindALargeTagFullOfFalseSyncs) {
  std::mt19937 random(7);
  Bytes picture(300000);
  for (uint8_t& b : picture) b = static_cast<uint8_t>(random());
  // Two well-formed frames of the same format inside the picture.
  const Bytes fake = frames(kCbr, kCbrLength, 2);
  std::copy(fake.begin(), fake.end(), picture.begin() + 1000);
  const std::vector<int16_t> plain = decode(twoSecondMp3());
  const Bytes tagged = join({id3v2(picture), twoSecondMp3(), id3v1()});
  ArrayU08* file = memoryOf(tagged);
  Mp3* reader = readerOf(file);
  EXPECT_EQ(reader->getHeader().getPosition(), static_cast<int64_t>(picture.size() + 10));
  EXPECT_EQ(readAll(reader), plain);
  reader->release();
  file->release();
}

TEST(Mp3, SeekPercentMovesToTheFrameAndDecodingGoesOnFromThere) {
  // 1,000 frames of MPEG-1 stereo: half way is frame 500, PCM byte 2,304 x 2 x 500.
  ArrayU08* file = memoryOf(join({Bytes(100, 0), frames(kCbr, kCbrLength, 1000)}));
  Mp3* reader = readerOf(file);
  int64_t position = 0;
  reader->seekPercent(50.0f, &position);
  EXPECT_EQ(position, 2304000);
  EXPECT_EQ(in(file)->getPosition(), 100 + 500 * 417);
  reader->seekPercent(250.0f, &position);
  EXPECT_EQ(position, 2304 * 2 * 1000) << "at most the end";
  reader->seekPercent(-3.0f, &position);
  EXPECT_EQ(position, 0);
  EXPECT_EQ(in(file)->getPosition(), 100);
  reader->release();
  file->release();

  // A real stream decodes on from the frame reached: the rest of the tone, about half of it.
  file = memoryOf(twoSecondMp3());
  reader = readerOf(file);
  uint8_t block[4096];
  uint32_t got = 0;
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(reader->read(block, sizeof block, &got));
  reader->seekPercent(50.0f, &position);
  const std::vector<int16_t> rest = readAll(reader);
  const int64_t frames = reader->getFrameCount();
  EXPECT_NEAR(static_cast<double>(rest.size() / 2), static_cast<double>(frames - frames / 2) * 1152,
              2 * 1152);
  EXPECT_NEAR(frequencyOf(rest, 2, 44100), 1000.0, 1.0);
  reader->release();
  file->release();
}

TEST(Mp3, AWriterWhoseEncoderRefusesFailsCleanlyAndGivesTheEncoderBack) {
  auto& encoders = s::sound::win::Mp3Encoder::pool();
  const uint32_t freeBefore = encoders.getFreeCount();
  ArrayU08* file = ArrayU08::take();
  Mp3* writer = Mp3::take();
  writer->setBitrate(100);  // no such MPEG-1 bitrate: free format, which the encoder refuses
  writer->setOutputStream(out(file), false);
  const Bytes block = toBytes(makeTone(1000.0, 0.5, 44100, 1024, 2));
  uint32_t written = 99;
  EXPECT_FALSE(writer->write(block.data(), 4096, &written, 44100, true, 16));
  EXPECT_EQ(written, 0u);
  EXPECT_FALSE(writer->writeBlock(block.data(), 4096, 44100, true, 16)) << "and every later block";
  EXPECT_FALSE(writer->close()) << "no converted file";
  EXPECT_EQ(file->getCount(), 0u);
  EXPECT_GE(encoders.getFreeCount(), std::max(freeBefore, 1u))
      << "the encoder went back to its pool";
  writer->release();

  // The next file converts as if nothing had happened; a block of another format is refused.
  file->clear();
  writer = Mp3::take();
  writer->setOutputStream(out(file), false);
  EXPECT_FALSE(writer->writeBlock(block.data(), 4096, 0, true, 16)) << "a rate of 0";
  writer->release();
  writer = Mp3::take();
  writer->setOutputStream(out(file), false);
  EXPECT_TRUE(writer->writeBlock(block.data(), 4096, 44100, true, 16));
  EXPECT_FALSE(writer->writeBlock(block.data(), 4096, 22050, true, 16));
  EXPECT_FALSE(writer->writeBlock(block.data(), 4096, 44100, false, 16));
  EXPECT_TRUE(writer->writeBlock(block.data(), 4096, 44100, true, 16));
  EXPECT_TRUE(writer->close());
  EXPECT_GT(file->getCount(), 0u);
  writer->release();
  file->release();
}

TEST(Mp3, AfterLostSyncOnlyAFrameThatTheNextFrameConfirmsIsDecoded) {
  // 20 KB of junk in the middle of a tone at a quarter of full scale, at a frame boundary, inside
  // a frame, and as a run of random bytes or of false syncs: copies of the file's own frame
  // header, each with random bytes where its frame's data would be.
  const Bytes tone = encode(makeTone(1000.0, 0.25, 44100, 88200, 2));
  const std::vector<int16_t> plain = decode(tone);
  size_t boundary = 0;
  walk(tone, [&](const FrameHeader& h) {
    if (h.getPosition() < static_cast<int64_t>(tone.size() / 2))
      boundary = h.getPosition() + h.getFrameLength();
  });
  std::mt19937 random(11);
  Bytes noise(20000);
  for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
  Bytes syncs = noise;
  for (size_t at = 100; at + 4 < syncs.size(); at += 211) {
    std::copy(tone.begin() + static_cast<std::ptrdiff_t>(boundary),
              tone.begin() + static_cast<std::ptrdiff_t>(boundary + 4),
              syncs.begin() + static_cast<std::ptrdiff_t>(at));
  }
  for (const Bytes* junk : {&noise, &syncs}) {
    for (size_t at : {boundary, boundary + 100}) {
      SCOPED_TRACE(std::to_string(at) + (junk == &noise ? " noise" : " false syncs"));
      Bytes damaged(tone.begin(), tone.begin() + static_cast<std::ptrdiff_t>(at));
      damaged.insert(damaged.end(), junk->begin(), junk->end());
      damaged.insert(damaged.end(), tone.begin() + static_cast<std::ptrdiff_t>(at), tone.end());
      const std::vector<int16_t> pcm = decode(damaged);
      int peak = 0;
      for (int16_t v : pcm) peak = std::max(peak, std::abs(static_cast<int>(v)));
      // The tone's own peak is 8,192; junk decoded as audio comes out near full scale.
      EXPECT_LT(peak, 11000);
      // Only the frames the junk cut into are lost, a few of 1,152 stereo samples.
      EXPECT_GE(pcm.size() + 4 * 2304, plain.size());
      EXPECT_LE(pcm.size(), plain.size());
    }
  }
}

TEST(Mp3, AStreamThatChangesItsFormatIsWalkedToTheEnd) {
  // Two files joined: the frames of the second are confirmed by each other, not by the first's.
  const Bytes first = encode(makeTone(440.0, 0.25, 44100, 44100, 2));
  const Bytes second = encodeWith(makeTone(440.0, 0.25, 48000, 48000, 2), 48000, true,
                                  [](Mp3* writer) { writer->setSampleRate(48000); });
  const size_t apart = decode(first).size() + decode(second).size();
  EXPECT_GE(decode(join({first, second})).size() + 2 * 2304, apart);
}

TEST(Mp3, FreeFormatAndCutFilesAreMeasuredHonestly) {
  // Free format: bitrate index 0, frames whose length no header tells, with random data that
  // holds false syncs.
  Header free = kCbr;
  free.bitrateIndex = 0;
  std::mt19937 random(5);
  Bytes freeFormat;
  for (int i = 0; i < 40; ++i) {
    Bytes f = frame(free, 500);
    for (size_t j = 4; j < f.size(); ++j) f[j] = static_cast<uint8_t>(random());
    freeFormat.insert(freeFormat.end(), f.begin(), f.end());
  }
  ArrayU08* file = memoryOf(freeFormat);
  Mp3* reader = readerOf(file);
  EXPECT_TRUE(reader->isFreeFormat());
  EXPECT_FALSE(reader->hasFrames());
  EXPECT_EQ(reader->getPcmLength(), -1);
  uint8_t block[4096];
  EXPECT_FALSE(reader->read(block, sizeof block, nullptr));
  reader->release();
  file->release();

  // A frame in the text of a trailing ID3v1 tag, ending where the file does: no frame at all.
  Header tiny;
  tiny.version = 0;  // MPEG-2.5 Layer III, 8 kbps, 8,000 Hz: 72-byte frames
  tiny.bitrateIndex = 1;
  tiny.rateIndex = 2;
  Bytes tag = id3v1();
  const Bytes fake = frame(tiny, 72);
  std::copy(fake.begin(), fake.end(), tag.end() - 72);
  file = memoryOf(join({Bytes(1000, 0x11), tag}));
  reader = readerOf(file);
  EXPECT_EQ(reader->getTag().getKind(), Id3Tag::kId3v1);
  EXPECT_FALSE(reader->hasFrames());
  EXPECT_EQ(reader->getPcmLength(), -1);
  EXPECT_EQ(reader->getDataLength(), 0);
  reader->release();
  file->release();

  // One frame and two bytes of the next: one frame, nothing read past it.
  file = memoryOf(join({frame(kCbr, kCbrLength), {0xFF, 0xFB}}));
  reader = readerOf(file);
  EXPECT_FALSE(reader->isFreeFormat());
  EXPECT_TRUE(reader->hasFrames());
  EXPECT_EQ(reader->getFrameCount(), 1);
  EXPECT_LE(readAll(reader).size(), 2304u);
  reader->release();
  file->release();
}

TEST(Mp3, InterfaceClassNamesAreTheirOwn) {
  Mp3* mp3 = Mp3::take();
  EXPECT_EQ(std::u16string(mp3->getClassName()), u"s_sound_mp3_win_Mp3");
  EXPECT_EQ(std::u16string(mp3->IMp3::getClassName()), u"s_sound_mp3_IMp3");
  EXPECT_EQ(std::u16string(mp3->IEncodedAudio::getClassName()), u"s_sound_IEncodedAudio");
  mp3->release();
  s::sound::filter::Volume* volume = s::sound::filter::Volume::take();
  EXPECT_EQ(std::u16string(volume->IFilter::getClassName()), u"s_sound_IFilter");
  volume->release();
}

namespace {

// A file's input stream that the test can cut off: its reads fail from then on, as at the end of
// a file, so a reader caught in a source without end comes back and the test can say so.
class CuttableInput final : public s::io::IInputStream {
 public:
  explicit CuttableInput(s::file::win::FileInputStream* file) : m_file(file) {}
  bool read(void* buffer, uint32_t size, uint32_t* got) override {
    if (cut) {
      if (got != nullptr) *got = 0;
      return false;
    }
    return m_file->read(buffer, size, got);
  }
  bool close() override { return m_file->close(); }
  int64_t getPosition() override { return m_file->getPosition(); }
  bool isSeekable() override { return m_file->isSeekable(); }
  bool rewind() override { return m_file->rewind(); }
  int64_t seekToEnd() override { return m_file->seekToEnd(); }
  bool seek(int64_t position) override { return m_file->seek(position); }
  int64_t seekFromEnd(int64_t distance) override { return m_file->seekFromEnd(distance); }
  bool skip(int64_t n) override { return m_file->skip(n); }
  bool skipBack(int64_t n) override { return m_file->skipBack(n); }
  void resetStream() override {}
  void dispose() override {}
  void reset() override {}
  void release() override {}
  std::atomic<bool> cut{false};

 private:
  s::file::win::FileInputStream* m_file;
};

// An APE tag (version 2, with its header) holding a title.
Bytes apeTag() {
  const std::string title = "A title";
  Bytes item(8, 0);
  item[0] = static_cast<uint8_t>(title.size());
  for (char c : std::string("Title")) item.push_back(static_cast<uint8_t>(c));
  item.push_back(0);
  item.insert(item.end(), title.begin(), title.end());
  auto frameOfTag = [&](bool header) {
    Bytes b(32, 0);
    std::memcpy(b.data(), "APETAGEX", 8);
    const uint32_t version = 2000;
    const uint32_t size = static_cast<uint32_t>(item.size()) + 32;  // the items and the footer
    const uint32_t flags = 0x80000000u | (header ? 0x20000000u : 0u);
    for (int i = 0; i < 4; ++i) {
      b[8 + i] = static_cast<uint8_t>(version >> (8 * i));
      b[12 + i] = static_cast<uint8_t>(size >> (8 * i));
      b[20 + i] = static_cast<uint8_t>(flags >> (8 * i));
    }
    b[16] = 1;  // one item
    return b;
  };
  return join({frameOfTag(true), item, frameOfTag(false)});
}

// A Lyrics3 tag (version 2) holding a line of lyrics; it stands before an ID3v1 tag.
Bytes lyrics3Tag() {
  const std::string body =
      "LYRICSBEGININD00002"
      "10LYR00012"
      "A line, sung";
  char size[7];
  std::snprintf(size, sizeof size, "%06zu", body.size());
  const std::string tag = body + size + "LYRICS200";
  return Bytes(tag.begin(), tag.end());
}

Bytes randomBytes(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(count);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

// `seconds` of a tone in noise at 192 kbps: frames whose lengths and contents vary as music's do.
Bytes noisyMp3(size_t seconds) {
  const size_t frames = seconds * 44100;
  std::vector<int16_t> pcm = makeTone(440.0, 0.3, 44100, frames, 2);
  const std::vector<int16_t> noise = lumetra::testlib::makeNoise(9, 0.2, frames, 2);
  for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<int16_t>(pcm[i] + noise[i]);
  return encode(pcm);
}

}  // namespace

TEST(Mp3, ASourceWithoutEndIsReadOnlyAsFarAsItsSize) {
  // A device gives bytes for ever and reports a size of 0; in its zeros no frame starts.
  TempDir folder;
  std::filesystem::create_symlink("/dev/zero", folder.file("zeros.mp3"));
  const std::u16string name = folder.windowsPath("zeros.mp3");
  s::file::win::PathWin* path = s::file::win::PathWin::newFromText(name.c_str());
  const int64_t size = path->getSize(false, true, nullptr, nullptr, true);
  path->release();
  auto* file = s::file::win::FileInputStream::take();
  ASSERT_TRUE(file->open(name.c_str()));
  CuttableInput input(file);
  Mp3* reader = Mp3::take();
  std::atomic<bool> done{false};
  uint64_t decoded = 0;
  std::thread reading([&] {
    reader->setFileSize(size);
    reader->setInputStream(&input, false);
    uint8_t block[4096];
    uint32_t got = 0;
    while (reader->read(block, sizeof block, &got)) decoded += got;
    done = true;
  });
  const bool ended =
      lumetra::testlib::waitUntil([&] { return done.load(); }, std::chrono::seconds(60));
  input.cut = true;
  reading.join();
  EXPECT_TRUE(ended) << "the reader was still reading a source of " << size << " bytes";
  EXPECT_EQ(size, 0);
  EXPECT_FALSE(reader->hasFrames());
  EXPECT_EQ(reader->getPcmLength(), -1);
  EXPECT_EQ(decoded, 0u);
  reader->release();
  file->dispose();
}

TEST(Mp3, TagsAfterTheAudioCostNoneOfIt) {
  // Taggers append APE and Lyrics3 tags before the ID3v1 tag, and some an ID3v2 tag at the end;
  // a picture in it may hold anything, well-formed frames of the file's own format too.
  const Bytes& audio = twoSecondMp3();
  const std::vector<int16_t> plain = decode(audio);
  Bytes picture = randomBytes(30000, 21);
  const Bytes fake = frames(kCbr, kCbrLength, 3);
  std::copy(fake.begin(), fake.end(), picture.begin() + 5000);
  struct Case {
    const char* name;
    Bytes file;
  };
  const Case cases[] = {
      {"APE", join({audio, apeTag()})},
      {"APE and ID3v1", join({audio, apeTag(), id3v1()})},
      {"Lyrics3 and ID3v1", join({audio, lyrics3Tag(), id3v1()})},
      {"ID3v2 with a picture", join({audio, id3v2(picture)})},
      {"ID3v2 with a footer", join({audio, id3v2(picture, true)})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(decode(c.file), plain) << "the last frame is audio, and the tag is not";
  }
}

TEST(Mp3, AFileThatLosesMoreThanWholeFilesDoHasLostAudio) {
  const Bytes long30 = noisyMp3(30);
  const Bytes short3 = noisyMp3(3);
  auto overwrite = [](Bytes file, size_t at, const Bytes& with) {
    std::copy(with.begin(), with.begin() + std::min(with.size(), file.size() - at),
              file.begin() + static_cast<std::ptrdiff_t>(at));
    return file;
  };
  const size_t tenth = long30.size() / 10;
  const size_t third = short3.size() / 3;
  struct Case {
    const char* name;
    Bytes file;
    bool lost;
  };
  const Case cases[] = {
      {"whole", long30, false},
      {"random bytes from 3 s on", overwrite(long30, tenth, randomBytes(long30.size(), 1)), true},
      {"zeros from 3 s on", overwrite(long30, tenth, Bytes(long30.size(), 0)), true},
      {"200,000 random bytes in the middle",
       overwrite(long30, long30.size() / 2, randomBytes(200000, 2)), true},
      {"2,000 random bytes in the middle",
       overwrite(long30, long30.size() / 2, randomBytes(2000, 3)), false},
      {"a damaged last frame", overwrite(long30, long30.size() - 200, randomBytes(200, 4)), false},
      {"300 bytes of junk after it", join({long30, randomBytes(300, 5)}), false},
      {"5,000 bytes of junk after it", join({long30, randomBytes(5000, 6)}), false},
      {"4,096 zeros after it", join({long30, Bytes(4096, 0)}), false},
      {"cut inside a frame", Bytes(long30.begin(), long30.end() - 300), false},
      {"a short file, whole", short3, false},
      {"a short file, random bytes from 1 s on",
       overwrite(short3, third, randomBytes(short3.size(), 7)), true},
      {"a short file with 5,000 bytes of junk after it", join({short3, randomBytes(5000, 8)}),
       false},
  };
  for (const Case& c : cases) {
    ArrayU08* file = memoryOf(c.file);
    Mp3* reader = readerOf(file);
    readAll(reader);
    EXPECT_EQ(reader->hasLostAudio(), c.lost) << c.name << ": " << reader->getBytesPassedOver()
                                              << " of " << c.file.size() << " bytes passed over";
    reader->release();
    file->release();
  }
}
