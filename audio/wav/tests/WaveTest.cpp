// WAV files in memory: headers written and rewritten, round trips, the layouts a reader accepts
// and the files it refuses, block sizes, seeking, speed factors and failing streams.
#include "audio/filter/Volume.h"
#include "audio/wav/Wave.h"
#include "core/col/array/ArrayU08.h"
#include "core/io/IOutputStream.h"
#include "testlib/Signal.h"
#include "testlib/WavBuilder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
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
  WavBuilder manyChunks;
  manyChunks.fmt(1, 2, 44100, 16);
  for (int i = 0; i < 40; ++i) {
    manyChunks.chunk(i % 2 == 0 ? "JUNK" : "LIST", pattern(i % 5));
  }
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
      {"JUNK before fmt, as recorders write",
       WavBuilder().chunk("JUNK", pattern(28)).fmt(1, 2, 44100, 16).data(pcm).bytes()},
      {"chunks of odd size before fmt", WavBuilder()
                                            .chunk("bext", pattern(3))
                                            .chunk("JUNK", Bytes())
                                            .fmt(1, 2, 44100, 16)
                                            .data(pcm)
                                            .bytes()},
      {"more than ten chunks before data", manyChunks.data(pcm).bytes()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ArrayU08* memory = memoryOf(c.file);
    Wave* reader = readerOf(memory);
    EXPECT_EQ(reader->getSampleRate(), 44100);
    EXPECT_TRUE(reader->isStereo());
    EXPECT_EQ(reader->getBitsPerSample(), 16);
    EXPECT_EQ(reader->getFault(), Wave::Fault::kNone);
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

TEST(WaveReader, RefusesWhatIsNotEightOrSixteenBitPcmInOneOrTwoChannelsAndSaysWhy) {
  const Bytes pcm = pattern(4800);
  const Bytes fmtOnly = WavBuilder().fmt(1, 2, 44100, 16).bytes();
  WavBuilder many;
  many.fmt(1, 2, 44100, 16);
  for (int i = 0; i < 12; ++i) {
    many.chunk("JUNK", pattern(3));
  }
  // A chunk whose size, added to a 32-bit stream position, would wrap it back to itself.
  Bytes wrapping = WavBuilder().fmt(1, 2, 44100, 16).chunk("JUNK", Bytes()).bytes();
  wrapping[40] = 0xF8;
  wrapping[41] = wrapping[42] = wrapping[43] = 0xFF;
  using Fault = Wave::Fault;
  struct Case {
    const char* name;
    Bytes file;
    Fault fault;
  };
  const Case cases[] = {
      {"float", WavBuilder().fmt(3, 2, 44100, 32).data(pcm).bytes(), Fault::kNotPcm},
      {"ADPCM", WavBuilder().fmt(2, 2, 44100, 4, 20).data(pcm).bytes(), Fault::kNotPcm},
      {"24-bit", WavBuilder().fmt(1, 2, 44100, 24).data(pcm).bytes(), Fault::kUnsupportedBits},
      {"32-bit", WavBuilder().fmt(1, 1, 44100, 32).data(pcm).bytes(), Fault::kUnsupportedBits},
      {"six channels", WavBuilder().fmt(1, 6, 44100, 16).data(pcm).bytes(),
       Fault::kUnsupportedChannels},
      {"no channels", WavBuilder().fmt(1, 0, 44100, 16).data(pcm).bytes(),
       Fault::kUnsupportedChannels},
      {"zero rate", WavBuilder().fmt(1, 2, 0, 16).data(pcm).bytes(), Fault::kNoSampleRate},
      {"extensible float", WavBuilder().fmt(0xFFFE, 2, 44100, 32, 40, 3).data(pcm).bytes(),
       Fault::kNotPcm},
      {"extensible without its layout",
       WavBuilder().fmt(0xFFFE, 2, 44100, 16, 18).data(pcm).bytes(), Fault::kNotPcm},
      {"short fmt chunk", WavBuilder().fmt(1, 2, 44100, 16, 14).data(pcm).bytes(),
       Fault::kTruncated},
      {"not RIFF", WavBuilder().ids("RIFX", "WAVE").fmt(1, 2, 44100, 16).data(pcm).bytes(),
       Fault::kNotWave},
      {"not WAVE", WavBuilder().ids("RIFF", "AVI ").fmt(1, 2, 44100, 16).data(pcm).bytes(),
       Fault::kNotWave},
      {"data before fmt", WavBuilder().data(pcm).fmt(1, 2, 44100, 16).bytes(), Fault::kNoFormat},
      {"no fmt chunk", WavBuilder().chunk("JUNK", pattern(8)).bytes(), Fault::kNoFormat},
      {"no data chunk", fmtOnly, Fault::kNoData},
      {"no data after many chunks", many.bytes(), Fault::kNoData},
      {"a chunk size that wraps the position", wrapping, Fault::kNoData},
      {"garbage", pattern(5000, 77), Fault::kNotWave},
      {"cut inside fmt", Bytes(fmtOnly.begin(), fmtOnly.begin() + 30), Fault::kTruncated},
      {"cut inside the RIFF header", Bytes(fmtOnly.begin(), fmtOnly.begin() + 10),
       Fault::kTruncated},
      {"empty", Bytes(), Fault::kTruncated},
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
    EXPECT_EQ(static_cast<int>(reader->getFault()), static_cast<int>(c.fault));
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

TEST(WaveReader, BlocksOfAnySizeAndSeeksAcrossTheReadAheadGiveTheFilesBytes) {
  // Longer than several read-ahead fills and no multiple of one, with a chunk behind the data.
  const Bytes pcm = pattern(3 * 65536 + 4 * 999);
  ArrayU08* memory =
      memoryOf(WavBuilder().fmt(1, 2, 44100, 16).data(pcm).chunk("LIST", pattern(64)).bytes());
  Wave* reader = readerOf(memory);
  for (uint32_t capacity : {4096u, 4100u, 65536u + 8u, 200000u}) {
    reader->seekPercent(0.0f, nullptr);
    EXPECT_EQ(readAllPcm(reader, capacity), pcm) << "blocks of " << capacity;
  }
  // A seek in the middle of a fill forgets what was read ahead.
  Bytes block(4096);
  uint32_t got = 0;
  reader->seekPercent(0.0f, nullptr);
  ASSERT_TRUE(reader->read(block.data(), 4096, &got));
  int64_t position = 0;
  reader->seekPercent(75.0f, &position);
  ASSERT_TRUE(reader->read(block.data(), 4096, &got));
  ASSERT_EQ(got, 4096u);
  EXPECT_TRUE(std::equal(block.begin(), block.end(), pcm.begin() + position));
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

TEST(WaveReader, TheDataSizeIsTheDeclaredSizeOrWhatTheFileHoldsIfThatIsLess) {
  // A streaming recorder's placeholder sizes over 1000 bytes of 16-bit stereo.
  const Bytes pcm = pattern(1000);
  Bytes streamed = WavBuilder::pcmFile(pcm, 2, 44100, 16);
  for (size_t at : {4u, 40u}) {
    streamed[at] = streamed[at + 1] = streamed[at + 2] = streamed[at + 3] = 0xFF;
  }
  for (bool sizeGiven : {false, true}) {
    SCOPED_TRACE(sizeGiven ? "file size given" : "file size from the stream");
    ArrayU08* memory = memoryOf(streamed);
    Wave* reader = Wave::take();
    if (sizeGiven) {
      reader->setFileSize(static_cast<int64_t>(streamed.size()));
    }
    reader->setInputStream(static_cast<s::io::IInputStream*>(memory), false);
    EXPECT_EQ(reader->getDataLength(), 1000);
    EXPECT_EQ(reader->getPcmLength(), 1000);
    EXPECT_EQ(reader->getDurationMillis(), 1000 * 1000 / 176400);
    int64_t position = -1;
    reader->seekPercent(100.0f, &position);
    EXPECT_EQ(position, 1000);
    reader->seekPercent(50.0f, &position);
    EXPECT_EQ(position, 500);
    EXPECT_EQ(readAllPcm(reader), Bytes(pcm.begin() + 500, pcm.end()));
    reader->release();
    memory->release();
  }

  // Cut inside the data: only whole sample frames are audio, so 3 bytes of a 4-byte frame are
  // none, and a file that ends with its header holds no audio at all.
  const Bytes whole = WavBuilder::pcmFile(pattern(40000), 2, 44100, 16);
  for (size_t cut : {44u, 47u, 50u}) {
    SCOPED_TRACE(cut);
    ArrayU08* memory = memoryOf(Bytes(whole.begin(), whole.begin() + cut));
    Wave* reader = readerOf(memory);
    EXPECT_EQ(reader->getFault(), Wave::Fault::kNone);
    EXPECT_EQ(reader->getPcmLength(), static_cast<int32_t>((cut - 44) / 4 * 4));
    EXPECT_EQ(readAllPcm(reader).size(), (cut - 44) / 4 * 4);
    reader->release();
    memory->release();
  }
}

namespace {

// A seekable input of `size` bytes: `head`, then zeros. Stands in for files of gigabytes.
class SparseInput final : public s::io::IInputStream {
 public:
  SparseInput(Bytes head, int64_t size) : m_head(std::move(head)), m_size(size) {}
  bool read(void* buffer, uint32_t size, uint32_t* got) override {
    const int64_t n = std::max<int64_t>(0, std::min<int64_t>(size, m_size - m_position));
    auto* out = static_cast<uint8_t*>(buffer);
    for (int64_t i = 0; i < n; ++i) {
      const int64_t at = m_position + i;
      out[i] = at < static_cast<int64_t>(m_head.size()) ? m_head[static_cast<size_t>(at)] : 0;
    }
    m_position += n;
    if (got != nullptr) {
      *got = static_cast<uint32_t>(n);
    }
    return n > 0 || size == 0;
  }
  bool close() override { return true; }
  int64_t getPosition() override { return m_position; }
  bool isSeekable() override { return true; }
  bool rewind() override { return seek(0); }
  int64_t seekToEnd() override { return m_position = m_size; }
  bool seek(int64_t position) override {
    m_position = position;
    return position >= 0;
  }
  int64_t seekFromEnd(int64_t distance) override { return m_position = m_size - distance; }
  bool skip(int64_t n) override { return seek(m_position + n); }
  bool skipBack(int64_t n) override { return seek(m_position - n); }
  void resetStream() override { m_position = 0; }
  void dispose() override {}
  void release() override {}
  void reset() override {}

 private:
  Bytes m_head;
  int64_t m_size;
  int64_t m_position = 0;
};

}  // namespace

TEST(WaveReader, DurationsOfLongFilesAreComputedInSixtyFourBits) {
  // 400 MB of 16-bit stereo 44.1 kHz: about 38 minutes.
  Bytes head = WavBuilder::pcmFile(pattern(64), 2, 44100, 16);
  head[40] = 0x00;
  head[41] = 0x84;
  head[42] = 0xD7;
  head[43] = 0x17;  // 400,000,000
  SparseInput file(head, 44 + 400000000);
  Wave* reader = Wave::take();
  reader->setInputStream(&file, false);
  EXPECT_EQ(reader->getDurationMillis(), 2267573);
  EXPECT_EQ(reader->getDurationSeconds(), 2267);
  reader->release();

  // A placeholder size over 3 GiB of data: the length the interface can carry stops at
  // INT32_MAX, while durations and seeks measure all of it.
  head[40] = head[41] = head[42] = head[43] = 0xFF;
  const int64_t data = int64_t{3} << 30;
  SparseInput big(head, 44 + data);
  reader = Wave::take();
  reader->setInputStream(&big, false);
  EXPECT_EQ(reader->getDataLength(), data);
  EXPECT_EQ(reader->getPcmLength(), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(reader->getDurationMillis(), data * 1000 / 176400);
  int64_t position = -1;
  reader->seekPercent(100.0f, &position);
  EXPECT_EQ(position, data);
  reader->release();
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

  // The disk fills during the second block; the writer says so with the system's reason.
  FailingOutput full(44 + 4096 + 100, true);
  Wave* writer = Wave::take();
  writer->setOutputStream(&full, false);
  EXPECT_TRUE(writer->write(pcm.data(), 4096, &written, 44100, true, 16));
  SetLastError(ERROR_DISK_FULL);
  EXPECT_FALSE(writer->write(pcm.data(), 4096, &written, 44100, true, 16));
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(writer->getFault(), Wave::Fault::kWriteFailed);
  EXPECT_EQ(writer->getSystemError(), static_cast<DWORD>(ERROR_DISK_FULL));
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
  EXPECT_EQ(writer->getFault(), Wave::Fault::kUnsupportedBits);
  EXPECT_FALSE(writer->writeBlock(pcm.data(), 4096, 0, true, 16));
  EXPECT_EQ(file->getCount(), 0u);
  writer->release();
  file->release();
}

TEST(WaveWriter, AFileReachingFourGibibytesRefusesTheBlockAndKeepsAWholeHeader) {
  // Blocks of 64 MiB into an output that keeps only the header: 64 of them would pass the
  // 4 GiB that the RIFF size counts.
  const uint32_t block = 64u << 20;
  const Bytes pcm(block);
  class HeaderOnly final : public s::io::IOutputStream {
   public:
    Bytes header = Bytes(44);
    bool write(const void* data, uint32_t size, uint32_t* written) override {
      for (uint32_t i = 0; i < size && m_position + i < 44; ++i) {
        header[static_cast<size_t>(m_position + i)] = static_cast<const uint8_t*>(data)[i];
      }
      m_position += size;
      m_end = std::max(m_end, m_position);
      if (written != nullptr) *written = size;
      return true;
    }
    bool flush() override { return true; }
    void truncate() override {}
    bool close() override { return true; }
    int64_t getPosition() override { return m_position; }
    bool isSeekable() override { return true; }
    bool rewind() override { return seek(0); }
    int64_t seekToEnd() override { return m_position = m_end; }
    bool seek(int64_t position) override { return (m_position = position) >= 0; }
    int64_t seekFromEnd(int64_t distance) override { return m_position = m_end - distance; }
    bool skip(int64_t n) override { return seek(m_position + n); }
    bool skipBack(int64_t n) override { return seek(m_position - n); }
    void resetStream() override {}
    void dispose() override {}
    void release() override {}
    void reset() override {}
    int64_t m_position = 0;
    int64_t m_end = 0;
  } output;
  Wave* writer = Wave::take();
  writer->setOutputStream(&output, false);
  int blocks = 0;
  while (writer->writeBlock(pcm.data(), block, 44100, true, 16)) {
    ++blocks;
    ASSERT_LT(blocks, 64);
  }
  EXPECT_EQ(blocks, 63);
  EXPECT_EQ(writer->getFault(), Wave::Fault::kSizeLimit);
  // What remains below the limit still fits, to the last byte the sizes can count.
  const uint32_t room = 0xFFFFFFFFu - 36u - static_cast<uint32_t>(63u * block) - 1u;
  EXPECT_TRUE(writer->writeBlock(pcm.data(), room & ~3u, 44100, true, 16));
  EXPECT_TRUE(writer->close());
  writer->release();
  const uint64_t data = 63ull * block + (room & ~3u);
  EXPECT_EQ(readLe32(output.header, 40), data);
  EXPECT_EQ(readLe32(output.header, 4), data + 36);
  EXPECT_EQ(output.m_end, static_cast<int64_t>(44 + data));
}
