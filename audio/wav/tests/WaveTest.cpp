// WAV files in memory: headers written and rewritten, round trips, the layouts a reader accepts
// and the files it refuses, block sizes, seeking, speed factors and failing streams.
#include "audio/filter/Volume.h"
#include "audio/wav/Wave.h"
#include "core/col/array/ArrayU08.h"
#include "core/io/IOutputStream.h"
#include "testlib/Signal.h"
#include "testlib/WavBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using lumetra::testlib::makeNoise;
using lumetra::testlib::readLe16;
using lumetra::testlib::readLe32;
using lumetra::testlib::toBytes;
using lumetra::testlib::WavBuilder;
using s::col::_array::ArrayU08;
using s::sound::wav::Wave;

namespace {

using Bytes = std::vector<uint8_t>;

ArrayU08* memoryOf(const Bytes& bytes) {
  ArrayU08* array = ArrayU08::take();
  array->add(bytes.data(), static_cast<uint32_t>(bytes.size()));
  array->rewind();
  return array;
}

Bytes contentOf(const ArrayU08* array) {
  return Bytes(array->getItems(), array->getItems() + array->getCount());
}

Bytes pattern(size_t n, uint32_t seed = 1) {
  Bytes out(n);
  for (size_t i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    out[i] = static_cast<uint8_t>(seed >> 16);
  }
  return out;
}

// A reader over `file`; the caller releases both.
Wave* readerOf(ArrayU08* file) {
  Wave* wave = Wave::take();
  wave->setInputStream(static_cast<s::io::IInputStream*>(file), false);
  return wave;
}

Bytes readAllPcm(Wave* wave, uint32_t capacity = 4096) {
  Bytes out;
  Bytes block(capacity);
  uint32_t got = 0;
  while (wave->read(block.data(), capacity, &got)) {
    out.insert(out.end(), block.begin(), block.begin() + got);
  }
  return out;
}

// Writes `pcm` in blocks of `block` bytes into a memory file and closes the writer.
Bytes writeFile(const Bytes& pcm, int32_t rate, bool stereo, int32_t bits, size_t block = 4096,
                s::sound::IFilter* filter = nullptr) {
  ArrayU08* file = ArrayU08::take();
  Wave* writer = Wave::take();
  writer->setOutputStream(static_cast<s::io::IOutputStream*>(file), false);
  if (filter != nullptr) {
    writer->addFilter(filter);
  }
  for (size_t at = 0; at < pcm.size(); at += block) {
    const uint32_t n = static_cast<uint32_t>(std::min(block, pcm.size() - at));
    uint32_t written = 0;
    EXPECT_TRUE(writer->write(pcm.data() + at, n, &written, rate, stereo, bits));
    EXPECT_EQ(written, n);
  }
  EXPECT_TRUE(writer->close());
  writer->release();
  Bytes out = contentOf(file);
  file->release();
  return out;
}

// An output stream that fails: writes after `limit` bytes, or its closing.
class FailingOutput final : public s::io::IOutputStream {
 public:
  explicit FailingOutput(size_t limit, bool closes) : m_limit(limit), m_closes(closes) {}
  bool write(const void*, uint32_t size, uint32_t* written) override {
    if (m_position + size > m_limit) {
      if (written != nullptr) {
        *written = 0;
      }
      return false;
    }
    m_position += size;
    if (written != nullptr) {
      *written = size;
    }
    return true;
  }
  bool flush() override { return true; }
  void truncate() override {}
  bool close() override { return m_closes; }
  int64_t getPosition() override { return static_cast<int64_t>(m_position); }
  bool isSeekable() override { return true; }
  bool rewind() override { return seek(0); }
  int64_t seekToEnd() override { return getPosition(); }
  bool seek(int64_t position) override {
    m_position = static_cast<size_t>(position);
    return true;
  }
  int64_t seekFromEnd(int64_t) override { return getPosition(); }
  bool skip(int64_t n) override { return seek(getPosition() + n); }
  bool skipBack(int64_t n) override { return seek(getPosition() - n); }
  void resetStream() override {}
  void dispose() override {}
  void release() override {}
  void reset() override {}

 private:
  size_t m_position = 0;
  size_t m_limit;
  bool m_closes;
};

}  // namespace

TEST(WaveWriter, FirstBlockFixesTheFormatAndCloseWritesTheFinalSizes) {
  const Bytes pcm = pattern(10000);
  ArrayU08* file = ArrayU08::take();
  Wave* writer = Wave::take();
  writer->setOutputStream(static_cast<s::io::IOutputStream*>(file), false);
  EXPECT_TRUE(writer->writeBlock(pcm.data(), 4096, 22050, true, 16));
  EXPECT_TRUE(writer->isHeaderDirty());
  // Later blocks keep the format of the first, whatever they say.
  EXPECT_TRUE(writer->writeBlock(pcm.data() + 4096, 5001, 8000, false, 8));
  EXPECT_TRUE(writer->writeBlock(pcm.data() + 9097, 0, 22050, true, 16));
  EXPECT_TRUE(writer->writeBlock(pcm.data() + 9097, 903, 22050, true, 16));
  EXPECT_TRUE(writer->close());
  EXPECT_FALSE(writer->isHeaderDirty());
  const Bytes out = contentOf(file);
  writer->release();
  file->release();

  ASSERT_EQ(out.size(), 44u + 10000u);
  EXPECT_EQ(std::string(out.begin(), out.begin() + 4), "RIFF");
  EXPECT_EQ(readLe32(out, 4), 10000u + 36u);
  EXPECT_EQ(std::string(out.begin() + 8, out.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(readLe32(out, 16), 16u);
  EXPECT_EQ(readLe16(out, 20), 1);  // PCM
  EXPECT_EQ(readLe16(out, 22), 2);  // channels
  EXPECT_EQ(readLe32(out, 24), 22050u);
  EXPECT_EQ(readLe32(out, 28), 88200u);  // byte rate
  EXPECT_EQ(readLe16(out, 32), 4);       // block align
  EXPECT_EQ(readLe16(out, 34), 16);
  EXPECT_EQ(std::string(out.begin() + 36, out.begin() + 40), "data");
  EXPECT_EQ(readLe32(out, 40), 10000u);
  EXPECT_EQ(Bytes(out.begin() + 44, out.end()), pcm);
}

TEST(WaveWriter, RoundTripsKeepTheDataAndGiveConsistentSizes) {
  struct Case {
    int32_t rate;
    bool stereo;
    int32_t bits;
    size_t bytes;
    size_t block;
  };
  // 16-bit stereo, 8-bit mono of odd length (padded to an even chunk), 16-bit mono, 8-bit stereo.
  for (const Case& c : {Case{44100, true, 16, 176400, 4096}, Case{8000, false, 8, 12345, 4096},
                        Case{48000, false, 16, 96002, 1000}, Case{11025, true, 8, 22050, 333}}) {
    SCOPED_TRACE(std::to_string(c.bits) + " bits, rate " + std::to_string(c.rate));
    const Bytes pcm = pattern(c.bytes, static_cast<uint32_t>(c.bytes));
    const Bytes file = writeFile(pcm, c.rate, c.stereo, c.bits, c.block);
    const size_t padded = c.bytes + (c.bytes & 1);
    ASSERT_EQ(file.size(), 44 + padded);
    EXPECT_EQ(readLe32(file, 4), file.size() - 8);
    EXPECT_EQ(readLe32(file, 40), c.bytes);
    EXPECT_EQ(readLe16(file, 32), (c.stereo ? 2 : 1) * c.bits / 8);

    ArrayU08* memory = memoryOf(file);
    Wave* reader = readerOf(memory);
    EXPECT_EQ(reader->getSampleRate(), c.rate);
    EXPECT_EQ(reader->isPcmStereo(), c.stereo);
    EXPECT_EQ(reader->getPcmBitsPerSample(), c.bits);
    EXPECT_EQ(reader->getPcmLength(), static_cast<int32_t>(c.bytes));
    const int64_t frameBytes = (c.stereo ? 2 : 1) * c.bits / 8;
    EXPECT_EQ(reader->getDurationMillis(),
              static_cast<int32_t>(static_cast<int64_t>(c.bytes) / frameBytes * 1000 / c.rate));
    EXPECT_EQ(readAllPcm(reader), pcm);
    reader->release();
    memory->release();
  }
}

TEST(WaveReader, AcceptsTheLayoutsOfPcmFiles) {
  const std::vector<int16_t> samples = makeNoise(9, 0.5, 1000, 2);
  const Bytes pcm = toBytes(samples);
  struct Case {
    const char* name;
    Bytes file;
  };
  const Case cases[] = {
      {"fmt 16", WavBuilder().fmt(1, 2, 44100, 16).data(pcm).bytes()},
      {"fmt 18", WavBuilder().fmt(1, 2, 44100, 16, 18).data(pcm).bytes()},
      {"fmt 40, extensible PCM", WavBuilder().fmt(0xFFFE, 2, 44100, 16, 40).data(pcm).bytes()},
      {"fmt 20, passed over to its end", WavBuilder().fmt(1, 2, 44100, 16, 20).data(pcm).bytes()},
      {"fmt 41, odd and padded", WavBuilder().fmt(0xFFFE, 2, 44100, 16, 41).data(pcm).bytes()},
      {"odd LIST chunk before data",
       WavBuilder().fmt(1, 2, 44100, 16).chunk("LIST", pattern(27)).data(pcm).bytes()},
      {"fact and other chunks", WavBuilder()
                                    .fmt(1, 2, 44100, 16)
                                    .chunk("fact", {0xE8, 0x03, 0, 0})
                                    .chunk("JUNK", pattern(4))
                                    .chunk("bext", pattern(101))
                                    .data(pcm)
                                    .bytes()},
      {"long fact chunk",
       WavBuilder().fmt(1, 2, 44100, 16).chunk("fact", pattern(9)).data(pcm).bytes()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ArrayU08* memory = memoryOf(c.file);
    Wave* reader = readerOf(memory);
    EXPECT_EQ(reader->getSampleRate(), 44100);
    EXPECT_TRUE(reader->isStereo());
    EXPECT_EQ(reader->getBitsPerSample(), 16);
    EXPECT_EQ(reader->getPcmLength(), 4000);
    EXPECT_EQ(reader->getDurationMillis(), 22);
    EXPECT_EQ(readAllPcm(reader), pcm);
    if (std::string(c.name) == "fact and other chunks") {
      EXPECT_EQ(std::memcmp(reader->getHeaderImage() + 60, "fact", 4), 0);
      EXPECT_EQ(reader->getHeaderImage()[68], 0xE8);
    }
    reader->release();
    memory->release();
  }
}

TEST(WaveReader, RefusesWhatIsNotEightOrSixteenBitPcmInOneOrTwoChannels) {
  const Bytes pcm = pattern(4800);
  Bytes tenChunks = WavBuilder().fmt(1, 2, 44100, 16).bytes();
  WavBuilder many;
  many.fmt(1, 2, 44100, 16);
  for (int i = 0; i < 10; ++i) {
    many.chunk("JUNK", pattern(3));
  }
  struct Case {
    const char* name;
    Bytes file;
  };
  const Case cases[] = {
      {"float", WavBuilder().fmt(3, 2, 44100, 32).data(pcm).bytes()},
      {"ADPCM", WavBuilder().fmt(2, 2, 44100, 4, 20).data(pcm).bytes()},
      {"24-bit", WavBuilder().fmt(1, 2, 44100, 24).data(pcm).bytes()},
      {"32-bit", WavBuilder().fmt(1, 1, 44100, 32).data(pcm).bytes()},
      {"six channels", WavBuilder().fmt(1, 6, 44100, 16).data(pcm).bytes()},
      {"no channels", WavBuilder().fmt(1, 0, 44100, 16).data(pcm).bytes()},
      {"zero rate", WavBuilder().fmt(1, 2, 0, 16).data(pcm).bytes()},
      {"extensible float", WavBuilder().fmt(0xFFFE, 2, 44100, 32, 40, 3).data(pcm).bytes()},
      {"extensible without its layout",
       WavBuilder().fmt(0xFFFE, 2, 44100, 16, 18).data(pcm).bytes()},
      {"short fmt chunk", WavBuilder().fmt(1, 2, 44100, 16, 14).data(pcm).bytes()},
      {"not RIFF", WavBuilder().ids("RIFX", "WAVE").fmt(1, 2, 44100, 16).data(pcm).bytes()},
      {"not WAVE", WavBuilder().ids("RIFF", "AVI ").fmt(1, 2, 44100, 16).data(pcm).bytes()},
      {"fmt not first",
       WavBuilder().chunk("JUNK", pattern(8)).fmt(1, 2, 44100, 16).data(pcm).bytes()},
      {"no data chunk", tenChunks},
      {"data after ten chunks", many.data(pcm).bytes()},
      {"garbage", pattern(5000, 77)},
      {"truncated header", Bytes(tenChunks.begin(), tenChunks.begin() + 30)},
      {"empty", Bytes()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ArrayU08* memory = memoryOf(c.file);
    Wave* reader = readerOf(memory);
    uint8_t block[4096];
    uint32_t got = 1;
    EXPECT_FALSE(reader->read(block, sizeof block, &got));
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(reader->getPcmLength(), 0);
    EXPECT_EQ(reader->getDurationMillis(), 0);
    int64_t position = -1;
    reader->seekPercent(50.0f, &position);
    EXPECT_EQ(position, 0);
    reader->release();
    memory->release();
  }
}

TEST(WaveReader, RequestsWholeSampleGroupsCutToTheDataChunk) {
  const Bytes pcm = pattern(10000);
  ArrayU08* memory =
      memoryOf(WavBuilder().fmt(1, 2, 44100, 16).data(pcm).chunk("LIST", pattern(50)).bytes());
  Wave* reader = readerOf(memory);
  Bytes block(5000);
  uint32_t got = 0;
  ASSERT_TRUE(reader->read(block.data(), 4097, &got));
  EXPECT_EQ(got, 4096u);  // rounded down to a multiple of 4
  ASSERT_TRUE(reader->read(block.data(), 3, &got));
  EXPECT_EQ(got, 3u);  // small requests are taken as they are
  ASSERT_TRUE(reader->read(block.data(), 5000, &got));
  EXPECT_EQ(got, 5000u);
  ASSERT_TRUE(reader->read(block.data(), 5000, &got));
  EXPECT_EQ(got, 10000u - 4096u - 3u - 5000u);  // the rest: the LIST chunk after it is no PCM
  EXPECT_TRUE(std::equal(block.begin(), block.begin() + got, pcm.end() - got));
  EXPECT_FALSE(reader->read(block.data(), 5000, &got));
  EXPECT_EQ(got, 0u);
  reader->release();
  memory->release();

  Wave* unattached = Wave::take();
  EXPECT_FALSE(unattached->read(block.data(), 4096, &got));
  unattached->release();
}

TEST(WaveReader, SeekPercentLandsOnAMultipleOfFourInsideTheData) {
  const Bytes pcm = pattern(1002);
  ArrayU08* memory =
      memoryOf(WavBuilder().fmt(1, 2, 44100, 16).chunk("LIST", pattern(7)).data(pcm).bytes());
  Wave* reader = readerOf(memory);
  int64_t position = -1;
  reader->seekPercent(50.0f, &position);
  EXPECT_EQ(position, 500);
  uint8_t block[8];
  uint32_t got = 0;
  ASSERT_TRUE(reader->read(block, sizeof block, &got));
  EXPECT_TRUE(std::equal(block, block + 8, pcm.begin() + 500));

  reader->seekPercent(150.0f, &position);
  EXPECT_EQ(position, 1000);
  // Before the data lies the header: never read as PCM.
  reader->seekPercent(-20.0f, &position);
  EXPECT_EQ(position, 0);
  reader->seekPercent(std::numeric_limits<float>::quiet_NaN(), &position);
  EXPECT_EQ(position, 0);
  ASSERT_TRUE(reader->read(block, sizeof block, &got));
  EXPECT_TRUE(std::equal(block, block + 8, pcm.begin()));
  reader->release();
  memory->release();
}

TEST(WaveReader, SpeedFactorRelabelsTheOutputRate) {
  ArrayU08* memory = memoryOf(WavBuilder::pcmFile(pattern(400), 2, 44100, 16));
  Wave* reader = readerOf(memory);
  EXPECT_EQ(reader->getOutputSampleRate(), 44100);
  for (const auto& [factor, rate] : std::vector<std::pair<float, int32_t>>{
           {1.25f, 55125}, {1.2f, 52920}, {2.0f, 88200}, {0.5f, 22050}, {0.95f, 41895}}) {
    reader->setSpeedFactor(factor);
    EXPECT_EQ(reader->getOutputSampleRate(), rate) << factor;
    EXPECT_EQ(reader->getPcmSampleRate(), 44100);
  }
  // Factors that cannot relabel a rate are refused; the last valid one stays.
  for (float bad : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(),
                    std::numeric_limits<float>::infinity()}) {
    reader->setSpeedFactor(bad);
    EXPECT_EQ(reader->getOutputSampleRate(), 41895);
  }
  reader->release();
  memory->release();
}

TEST(WaveReader, DurationsOfLongFilesAreComputedInSixtyFourBits) {
  // A header announcing 400 MB of 16-bit stereo 44.1 kHz: about 38 minutes.
  Bytes file = WavBuilder::pcmFile(pattern(64), 2, 44100, 16);
  file[40] = 0x00;
  file[41] = 0x84;
  file[42] = 0xD7;
  file[43] = 0x17;  // 400,000,000
  ArrayU08* memory = memoryOf(file);
  Wave* reader = readerOf(memory);
  EXPECT_EQ(reader->getDurationMillis(), 2267573);
  EXPECT_EQ(reader->getDurationSeconds(), 2267);
  // The data that is there is read; then the end of the stream ends the reading.
  EXPECT_EQ(readAllPcm(reader).size(), 64u);
  reader->release();
  memory->release();
}

TEST(WaveWriter, FiltersActOnACopyAndAnOutputNotOwnedKeepsItsPosition) {
  std::vector<int16_t> samples = {1000, -1000, 20000, -20000, 3, 0};
  const Bytes pcm = toBytes(samples);
  s::sound::filter::Volume* volume = s::sound::filter::Volume::take();
  volume->setPercent(100.0f);

  // The file starts 10 bytes into the stream.
  ArrayU08* stream = ArrayU08::take();
  const Bytes prefix = pattern(10);
  stream->add(prefix.data(), 10);
  stream->seek(10);
  Wave* writer = Wave::take();
  writer->setOutputStream(static_cast<s::io::IOutputStream*>(stream), false);
  writer->addFilter(volume);
  EXPECT_TRUE(writer->hasFilters());
  EXPECT_TRUE(writer->writeBlock(pcm.data(), static_cast<uint32_t>(pcm.size()), 44100, true, 16));
  EXPECT_EQ(toBytes(samples), pcm);  // the caller's block is untouched
  const int64_t end = stream->getPosition();
  EXPECT_TRUE(writer->close());
  EXPECT_EQ(stream->getPosition(), end);
  writer->release();

  const Bytes out = contentOf(stream);
  stream->release();
  ASSERT_EQ(out.size(), 10 + 44 + pcm.size());
  EXPECT_TRUE(std::equal(prefix.begin(), prefix.end(), out.begin()));
  const Bytes file(out.begin() + 10, out.end());
  EXPECT_EQ(readLe32(file, 4), pcm.size() + 36);
  EXPECT_EQ(readLe32(file, 40), pcm.size());
  EXPECT_EQ(lumetra::testlib::toSamples(file.data() + 44, pcm.size()),
            (std::vector<int16_t>{2000, -2000, 32767, -32768, 6, 0}));
}

TEST(WaveWriter, StreamFailuresAreReportedNotCountedAsWritten) {
  const Bytes pcm = pattern(4096);
  uint32_t written = 7;

  Wave* unattached = Wave::take();
  EXPECT_FALSE(unattached->write(pcm.data(), 4096, &written, 44100, true, 16));
  EXPECT_EQ(written, 0u);
  unattached->release();

  // The disk fills during the second block.
  FailingOutput full(44 + 4096 + 100, true);
  Wave* writer = Wave::take();
  writer->setOutputStream(&full, false);
  EXPECT_TRUE(writer->write(pcm.data(), 4096, &written, 44100, true, 16));
  EXPECT_FALSE(writer->write(pcm.data(), 4096, &written, 44100, true, 16));
  EXPECT_EQ(written, 0u);
  writer->release();

  // The final write-out fails when the stream is closed.
  FailingOutput closing(1 << 20, false);
  writer = Wave::take();
  writer->setOutputStream(&closing, true);
  EXPECT_TRUE(writer->write(pcm.data(), 4096, &written, 44100, true, 16));
  EXPECT_FALSE(writer->close());
  writer->release();

  // A format a WAV file cannot carry is refused before anything is written.
  writer = Wave::take();
  ArrayU08* file = ArrayU08::take();
  writer->setOutputStream(static_cast<s::io::IOutputStream*>(file), false);
  EXPECT_FALSE(writer->writeBlock(pcm.data(), 4096, 44100, true, 24));
  EXPECT_FALSE(writer->writeBlock(pcm.data(), 4096, 0, true, 16));
  EXPECT_EQ(file->getCount(), 0u);
  writer->release();
  file->release();
}
