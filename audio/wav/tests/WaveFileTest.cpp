// WAV files on disk along the conversion road: the reader and writer own their file streams, the
// writer's chain holds the effect's filter, and blocks of 4096 bytes go from one to the other.
#include "audio/filter/Octave.h"
#include "audio/wav/Wave.h"
#include "core/file/win/FileInputStream.h"
#include "core/file/win/FileOutputStream.h"
#include "testlib/Signal.h"
#include "testlib/TempDir.h"
#include "testlib/WavBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <vector>

using lumetra::testlib::channelOf;
using lumetra::testlib::makeNoise;
using lumetra::testlib::makeTone;
using lumetra::testlib::measureFrequency;
using lumetra::testlib::readLe16;
using lumetra::testlib::readLe32;
using lumetra::testlib::TempDir;
using lumetra::testlib::toBytes;
using lumetra::testlib::WavBuilder;
using s::sound::wav::Wave;

namespace {

using Bytes = std::vector<uint8_t>;

void writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

Bytes readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Converts `source` into `destination` as the conversion task does; false when a step failed.
bool convert(const std::u16string& source, const std::u16string& destination, float speed,
             s::sound::IFilter* filter) {
  Wave* reader = Wave::take();
  Wave* writer = Wave::take();
  s::file::win::FileInputStream* in = s::file::win::FileInputStream::take();
  s::file::win::FileOutputStream* out = s::file::win::FileOutputStream::take();
  bool ok = in->open(source.c_str()) && out->open(destination.c_str(), false);
  reader->setSpeedFactor(speed);
  reader->setInputStream(in, true);
  writer->setOutputStream(out, true);
  if (filter != nullptr) {
    writer->addFilter(filter);
  }
  uint8_t block[4096];
  uint32_t count = 0;
  while (ok && reader->read(block, sizeof block, &count)) {
    ok = writer->writeBlock(block, count, reader->getOutputSampleRate(), reader->isPcmStereo(),
                            reader->getPcmBitsPerSample());
  }
  ok = writer->close() && ok;
  reader->close();
  reader->release();
  writer->release();
  return ok;
}

}  // namespace

TEST(WaveFile, ConversionWithoutFilterCopiesTheDataChunk) {
  TempDir folder;
  const Bytes pcm = toBytes(makeNoise(21, 0.5, 30001, 2));
  // A source with a LIST chunk before its data: the copy has the plain 44-byte header.
  writeBytes(folder.file("in.wav"),
             WavBuilder().fmt(1, 2, 32000, 16).chunk("LIST", Bytes(13, 'x')).data(pcm).bytes());
  ASSERT_TRUE(convert(folder.windowsPath("in.wav"), folder.windowsPath("out.wav"), 1.0f, nullptr));
  const Bytes out = readBytes(folder.file("out.wav"));
  ASSERT_EQ(out.size(), 44 + pcm.size());
  EXPECT_EQ(readLe32(out, 4), out.size() - 8);
  EXPECT_EQ(readLe32(out, 24), 32000u);
  EXPECT_EQ(readLe32(out, 40), pcm.size());
  EXPECT_EQ(Bytes(out.begin() + 44, out.end()), pcm);
}

TEST(WaveFile, SpeedRelabelsTheRateAndThePitchShifterKeepsTheTone) {
  // The speed effects: the reader relabels 44100 Hz by the factor, the shifter gets
  // -100 log2(factor); played at the new rate the tone is still 440 Hz, in the same number of
  // frames (so the file lasts 1 / factor as long).
  TempDir folder;
  const size_t frames = 3 * 44100;
  writeBytes(folder.file("tone.wav"),
             WavBuilder::pcmFile(toBytes(makeTone(440.0, 0.3, 44100, frames, 2)), 2, 44100, 16));
  struct Case {
    float factor;
    uint32_t rate;
  };
  for (const Case& c :
       {Case{1.2f, 52920}, Case{0.5f, 22050}, Case{1.1f, 48510}, Case{0.75f, 33075}}) {
    SCOPED_TRACE(c.factor);
    s::sound::filter::Octave* octave = s::sound::filter::Octave::take();
    octave->setPitch(static_cast<float>(-100.0 * std::log2(static_cast<double>(c.factor))));
    ASSERT_TRUE(
        convert(folder.windowsPath("tone.wav"), folder.windowsPath("fast.wav"), c.factor, octave));
    const Bytes out = readBytes(folder.file("fast.wav"));
    ASSERT_EQ(out.size(), 44 + frames * 4);
    EXPECT_EQ(readLe32(out, 24), c.rate);
    EXPECT_EQ(readLe32(out, 28), c.rate * 4);
    EXPECT_EQ(readLe16(out, 22), 2);
    const std::vector<int16_t> samples = lumetra::testlib::toSamples(out.data() + 44, frames * 4);
    std::vector<double> right = channelOf(samples.data(), frames, 2, 1);
    right.erase(right.begin(), right.begin() + 3 * s::sound::filter::Octave::kFrameSize);
    EXPECT_NEAR(measureFrequency(right, static_cast<int32_t>(c.rate)), 440.0, 0.2);
  }
}
