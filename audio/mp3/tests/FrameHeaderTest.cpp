// Frame headers built by hand: fields and frame lengths of every version and layer, validity,
// Xing data, the two-frame search for the first frame, the format setters and durations.
#include "audio/mp3/FrameHeader.h"
#include "audio/mp3/tests/Mp3Builder.h"
#include "core/io/IInputStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace mp3_testing;
using s::col::_array::ArrayU08;
using s::sound::mp3::FrameHeader;

namespace {

s::io::IInputStream* in(ArrayU08* array) { return static_cast<s::io::IInputStream*>(array); }

// Parses the first four bytes of `bytes` (and any Xing data behind them) into `header`.
bool parseBytes(const Bytes& bytes, FrameHeader& header) {
  ArrayU08* file = memoryOf(bytes);
  const bool ok = header.parse(in(file));
  file->release();
  return ok;
}

// The position findFirstFrame reports in `bytes`, or -1 when it finds none.
int64_t firstFrameIn(const Bytes& bytes) {
  ArrayU08* file = memoryOf(bytes);
  FrameHeader header;
  const bool found = FrameHeader::findFirstFrame(in(file), &header, FrameHeader::kNoEnd);
  file->release();
  return found ? header.getPosition() : -1;
}

// An input stream over a memory file that counts its read calls and notes how far they reached.
class CountingInput final : public s::io::IInputStream {
 public:
  explicit CountingInput(ArrayU08* file) : m_file(file) {}
  bool read(void* buffer, uint32_t size, uint32_t* got) override {
    ++reads;
    const bool ok = in(m_file)->read(buffer, size, got);
    furthest = std::max(furthest, in(m_file)->getPosition());
    return ok;
  }
  bool close() override { return true; }
  int64_t getPosition() override { return in(m_file)->getPosition(); }
  bool isSeekable() override { return true; }
  bool rewind() override { return in(m_file)->rewind(); }
  int64_t seekToEnd() override { return in(m_file)->seekToEnd(); }
  bool seek(int64_t position) override { return in(m_file)->seek(position); }
  int64_t seekFromEnd(int64_t distance) override { return in(m_file)->seekFromEnd(distance); }
  bool skip(int64_t n) override { return in(m_file)->skip(n); }
  bool skipBack(int64_t n) override { return in(m_file)->skipBack(n); }
  void resetStream() override {}
  void dispose() override {}
  void reset() override {}
  void release() override {}
  int reads = 0;
  int64_t furthest = 0;

 private:
  ArrayU08* m_file;
};

struct LayoutCase {
  const char* name;
  uint32_t version, layerBits, bitrateIndex, rateIndex;
  bool padding;
  float mpegVersion;
  int32_t layer, kbps, hz, frameLength, samplesPerFrame;
};

// Lengths by hand: Layer I (12,000 x kbps / rate + padding) x 4; Layer II 144,000 x kbps / rate
// in every version; Layer III 144,000 (MPEG-1) or 72,000 (MPEG-2, 2.5) x kbps / rate; + padding.
const LayoutCase kLayouts[] = {
    {"MPEG-1 Layer III", 3, 1, 9, 0, false, 1.0f, 3, 128, 44100, 417, 1152},
    {"MPEG-1 Layer III padded", 3, 1, 9, 0, true, 1.0f, 3, 128, 44100, 418, 1152},
    {"MPEG-1 Layer I", 3, 3, 12, 0, false, 1.0f, 1, 384, 44100, 416, 384},
    {"MPEG-1 Layer I padded", 3, 3, 12, 0, true, 1.0f, 1, 384, 44100, 420, 384},
    {"MPEG-1 Layer II", 3, 2, 10, 1, false, 1.0f, 2, 192, 48000, 576, 1152},
    {"MPEG-2 Layer III", 2, 1, 8, 0, false, 2.0f, 3, 64, 22050, 208, 576},
    {"MPEG-2 Layer II", 2, 2, 8, 0, false, 2.0f, 2, 64, 22050, 417, 1152},
    {"MPEG-2 Layer I", 2, 3, 4, 1, false, 2.0f, 1, 64, 24000, 128, 384},
    {"MPEG-2.5 Layer III", 0, 1, 4, 0, false, 2.5f, 3, 32, 11025, 208, 576},
    {"MPEG-2.5 Layer II", 0, 2, 1, 2, false, 2.5f, 2, 8, 8000, 144, 1152},
    {"MPEG-2.5 Layer I", 0, 3, 14, 2, false, 2.5f, 1, 256, 8000, 1536, 384},
};

}  // namespace

TEST(FrameHeader, ParsesEveryVersionAndLayerWithItsFrameLengthAndSamples) {
  for (const LayoutCase& c : kLayouts) {
    SCOPED_TRACE(c.name);
    Header h;
    h.version = c.version;
    h.layerBits = c.layerBits;
    h.bitrateIndex = c.bitrateIndex;
    h.rateIndex = c.rateIndex;
    h.padding = c.padding;
    FrameHeader header;
    ASSERT_TRUE(parseBytes(frame(h, 1600), header));
    EXPECT_TRUE(header.isValid());
    EXPECT_EQ(header.getMpegVersion(), c.mpegVersion);
    EXPECT_EQ(header.isLowSamplingFrequency(), c.version != 3);
    EXPECT_EQ(header.isMpeg25(), c.version == 0);
    EXPECT_EQ(header.getLayer(), c.layer);
    EXPECT_EQ(header.getBitrate(), c.kbps);
    EXPECT_EQ(header.getSampleRate(), c.hz);
    EXPECT_EQ(header.getFrameLength(), c.frameLength);
    EXPECT_EQ(header.getSamplesPerFrame(), c.samplesPerFrame);
    // 1,000 frames last 1,000 x samples per frame / rate seconds.
    EXPECT_EQ(header.getDurationMillis(1000LL * c.frameLength),
              static_cast<int64_t>(c.samplesPerFrame) * 1000 * 1000 / c.hz);
  }
}

TEST(FrameHeader, RefusesMissingSyncAndReservedVersionAndInvalidatesReservedFields) {
  FrameHeader header;
  EXPECT_FALSE(parseBytes({0xFF, 0xC0, 0x90, 0x44}, header)) << "only ten sync bits";
  Header reservedVersion;
  reservedVersion.version = 1;
  EXPECT_FALSE(parseBytes(frame(reservedVersion, 417), header));
  EXPECT_FALSE(parseBytes({0xFF, 0xFB, 0x90}, header)) << "three bytes";

  Header freeFormat, badBitrate, badRate, badLayer;
  freeFormat.bitrateIndex = 0;
  badBitrate.bitrateIndex = 15;
  badRate.rateIndex = 3;
  badLayer.layerBits = 0;
  for (const Header& h : {freeFormat, badBitrate, badRate, badLayer}) {
    ASSERT_TRUE(parseBytes(frame(h, 417), header));
    EXPECT_FALSE(header.isValid()) << std::hex << h.bits();
  }
  EXPECT_EQ(header.getFrameLength(), 0);
}

TEST(FrameHeader, ReadsXingDataAfterTheSideInformationOfLayerThree) {
  Header stereo;
  FrameHeader header;
  ASSERT_TRUE(parseBytes(xingFrame(stereo, 417, 36, 0x0F, 1000, 417000, 55), header));
  EXPECT_TRUE(header.isVbr());
  EXPECT_EQ(header.getXingFlags(), 0x0F);
  EXPECT_EQ(header.getXingFrames(), 1000);
  EXPECT_EQ(header.getXingBytes(), 417000);
  EXPECT_EQ(header.getXingQuality(), 55);
  EXPECT_EQ(header.getTableOfContents()[0], 0);
  EXPECT_EQ(header.getTableOfContents()[99], 99);

  // The side information ends at 21 (MPEG-1 mono), 21 (MPEG-2 stereo) or 13 (MPEG-2 mono) bytes.
  struct Place {
    uint32_t version, mode;
    size_t offset;
  };
  for (const Place& p : {Place{3, 3, 21}, Place{2, 1, 21}, Place{2, 3, 13}, Place{0, 3, 13}}) {
    Header h;
    h.version = p.version;
    h.mode = p.mode;
    h.bitrateIndex = 8;
    ASSERT_TRUE(parseBytes(xingFrame(h, 400, p.offset, 1, 7, 0, 0), header));
    EXPECT_TRUE(header.isVbr()) << p.version << " " << p.mode;
    EXPECT_EQ(header.getXingFrames(), 7);
    EXPECT_EQ(header.getXingBytes(), 0) << "not announced by the flags";
    ASSERT_TRUE(parseBytes(xingFrame(h, 400, p.offset + 4, 1, 7, 0, 0), header));
    EXPECT_FALSE(header.isVbr()) << "Xing at the wrong place";
  }

  ASSERT_TRUE(parseBytes(xingFrame(stereo, 417, 36, 0x0F, 1000, 417000, 55, "Info"), header));
  EXPECT_FALSE(header.isVbr()) << "the Info signature is not Xing";
  Header layer2;
  layer2.layerBits = 2;
  ASSERT_TRUE(parseBytes(xingFrame(layer2, 417, 36, 1, 1000, 0, 0), header));
  EXPECT_FALSE(header.isVbr()) << "only Layer III carries Xing data";
}

TEST(FrameHeader, XingDataCutShortIsNoErrorAndAnUnknownRateGivesNoDuration) {
  Header h;
  Bytes cut = xingFrame(h, 417, 36, 0x0F, 1000, 417000, 55);
  cut.resize(36 + 8 + 2);  // signature, flags and half the frame count
  FrameHeader header;
  ASSERT_TRUE(parseBytes(cut, header));
  EXPECT_TRUE(header.isVbr());
  EXPECT_EQ(header.getXingFrames(), 0);
  EXPECT_EQ(header.getDurationMillis(-1), -1);

  // A reserved rate with Xing frames: a duration of 0, not a division by zero.
  Header noRate;
  noRate.rateIndex = 3;
  ASSERT_TRUE(parseBytes(xingFrame(noRate, 417, 36, 1, 1000, 0, 0), header));
  EXPECT_EQ(header.getSampleRate(), 0);
  EXPECT_EQ(header.getDurationMillis(417000), 0);
  EXPECT_EQ(header.getDurationSeconds(417000), 0);
}

TEST(FrameHeader, FindsTheFirstFrameThatTheNextFrameConfirms) {
  Header h;
  const Bytes three = frames(h, 417, 3);
  EXPECT_EQ(firstFrameIn(join({Bytes(1000, 0x55), three})), 1000);

  // A header at 10 whose frame ends inside the real stream is passed over, and the scan goes on
  // one byte after it.
  Bytes fake = join({Bytes(10, 0), h.bytes(), Bytes(6, 0), three});
  EXPECT_EQ(firstFrameIn(fake), 20);

  // A lone valid frame at the very end is accepted: nothing follows it. So is one followed by
  // the start of a header cut short by the end of the file.
  EXPECT_EQ(firstFrameIn(join({Bytes(7, 1), frame(h, 417)})), 7);
  EXPECT_EQ(firstFrameIn(join({Bytes(7, 1), frame(h, 417), {0xFF, 0xFB}})), 7);
  // A header whose frame would run past the end is no frame: near the end of any file, a 0xFF
  // byte in the data would pass that test. Nor is one followed by a few bytes that begin none.
  EXPECT_EQ(firstFrameIn(join({Bytes(7, 1), h.bytes(), Bytes(300, 0)})), -1);
  EXPECT_EQ(firstFrameIn(join({Bytes(7, 1), frame(h, 417), {0x12, 0x34}})), -1);
  EXPECT_EQ(firstFrameIn(Bytes(5000, 0x12)), -1);
  EXPECT_EQ(firstFrameIn(Bytes(5000, 0xFF)), -1);
  EXPECT_EQ(firstFrameIn({}), -1);
}

TEST(FrameHeader, TheNextFrameMustShareVersionLayerChannelsAndRate) {
  Header first;
  Header otherRate = first, otherLayer = first, otherChannels = first, otherVersion = first;
  otherRate.rateIndex = 1;   // 48,000 Hz: 384-byte frames
  otherLayer.layerBits = 2;  // Layer II, index 9 is 160 kbps: 522 bytes
  otherChannels.mode = 3;    // mono
  otherVersion.version = 2;  // MPEG-2 Layer III at 64 kbps, 22,050 Hz: 208 bytes
  otherVersion.bitrateIndex = 8;
  struct Case {
    const char* name;
    Header second;
    size_t length;
  };
  for (const Case& c : {Case{"rate", otherRate, 384}, Case{"layer", otherLayer, 522},
                        Case{"channels", otherChannels, 417}, Case{"version", otherVersion, 208}}) {
    // The first frame's successor differs, so the search settles on the second stream.
    EXPECT_EQ(firstFrameIn(join({frame(first, 417), frames(c.second, c.length, 3)})), 417)
        << c.name;
  }
  // A different bitrate is the same stream (variable bitrate).
  Header faster = first;
  faster.bitrateIndex = 11;
  EXPECT_EQ(firstFrameIn(join({frame(first, 417), frames(faster, 626, 2)})), 0);
}

TEST(FrameHeader, FindsFramesAcrossTheScanBlocks) {
  Header h;
  for (size_t junk : {65534u, 65536u - 200u, 65536u - 4096u + 1u, 65536u + 7u, 200000u}) {
    EXPECT_EQ(firstFrameIn(join({Bytes(junk, 0x33), frames(h, 417, 2)})),
              static_cast<int64_t>(junk));
    // The first frame's successor lies beyond a block boundary of the scan.
    Bytes wrong = join({Bytes(junk, 0x33), h.bytes(), Bytes(800, 0x33), frames(h, 417, 2)});
    EXPECT_EQ(firstFrameIn(wrong), static_cast<int64_t>(junk + 804)) << junk;
  }
}

TEST(FrameHeader, ScansThroughLargeReadsAndParsesTheFrameFoundWithItsXingData) {
  Header h;
  ArrayU08* file =
      memoryOf(join({Bytes(1 << 20, 0), xingFrame(h, 417, 36, 3, 99, 41283, 0), frame(h, 417)}));
  CountingInput counting(file);
  FrameHeader header;
  ASSERT_TRUE(FrameHeader::findFirstFrame(&counting, &header, FrameHeader::kNoEnd));
  EXPECT_EQ(header.getPosition(), 1 << 20);
  EXPECT_TRUE(header.isVbr());
  EXPECT_EQ(header.getXingFrames(), 99);
  EXPECT_LT(counting.reads, 40) << "a megabyte is not read byte by byte";
  file->release();

  // Without a record the search still answers, with one from the pool.
  ArrayU08* again = memoryOf(frames(h, 417, 2));
  EXPECT_TRUE(FrameHeader::findFirstFrame(in(again), nullptr, FrameHeader::kNoEnd));
  again->release();
}

TEST(FrameHeader, TheSearchReadsNothingFromTheEndItIsGivenOn) {
  // Frames behind 100,000 bytes of junk: a stream that went on for ever past the size it was
  // given would be read no further than that size.
  Header h;
  const int64_t junk = 100000;
  ArrayU08* file = memoryOf(join({Bytes(junk, 0x33), frames(h, 417, 3)}));
  struct Case {
    int64_t end;
    int64_t found;
  };
  for (const Case& c : {Case{junk, -1}, Case{junk + 416, -1}, Case{junk + 417, junk},
                        Case{junk + 417 + 2, junk}, Case{junk + 1000, junk}}) {
    SCOPED_TRACE(c.end);
    in(file)->rewind();
    CountingInput counting(file);
    FrameHeader header;
    const bool found = FrameHeader::findFirstFrame(&counting, &header, c.end);
    EXPECT_EQ(found ? header.getPosition() : -1, c.found);
    if (!found) {
      EXPECT_LE(counting.furthest, c.end);
    }
  }
  file->release();
}
