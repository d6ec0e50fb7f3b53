// The encoder driver over the encoder library built beside the tests: the configuration record,
// the conversion of every input layout, blocks of any size, refusals, and a process without the
// library.
#include "audio/win/Mp3Encoder.h"
#include "testlib/Signal.h"
#include "testlib/TempDir.h"
#include "testlib/WavBuilder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using lumetra::testlib::makeTone;
using lumetra::testlib::toBytes;
using s::sound::win::Mp3Encoder;

namespace {

using Bytes = std::vector<uint8_t>;

struct Format {
  int32_t inputRate = 44100;
  bool inputStereo = true;
  int32_t inputBits = 16;
  int32_t outputRate = 44100;
  bool outputStereo = true;
  uint32_t kbps = 192;
};

// The whole stream of `blocks` encoded one after the other, then flushed.
Bytes encode(const Format& f, const std::vector<Bytes>& blocks, size_t misalign = 0) {
  Mp3Encoder* encoder = Mp3Encoder::take();
  EXPECT_TRUE(
      encoder->open(f.kbps, f.inputRate, f.inputStereo, f.inputBits, f.outputRate, f.outputStereo));
  Bytes out;
  for (const Bytes& block : blocks) {
    Bytes shifted(misalign, 0);
    shifted.insert(shifted.end(), block.begin(), block.end());
    const uint32_t bytes = static_cast<uint32_t>(block.size());
    Bytes buffer(encoder->getOutputBound(bytes));
    uint32_t count = 0;
    EXPECT_EQ(encoder->encode(shifted.data() + misalign, bytes, buffer.data(),
                              static_cast<uint32_t>(buffer.size()), &count),
              BE_ERR_SUCCESSFUL);
    out.insert(out.end(), buffer.begin(), buffer.begin() + count);
  }
  Bytes last(encoder->getOutputBufferSize());
  uint32_t count = 0;
  EXPECT_EQ(encoder->flush(last.data(), static_cast<uint32_t>(last.size()), &count),
            BE_ERR_SUCCESSFUL);
  out.insert(out.end(), last.begin(), last.begin() + count);
  encoder->release();
  return out;
}

Bytes unsigned8(const std::vector<int16_t>& samples) {
  Bytes out;
  for (int16_t s : samples) out.push_back(static_cast<uint8_t>((s >> 8) + 128));
  return out;
}

// Splits `bytes` into blocks of `size`.
std::vector<Bytes> blocksOf(const Bytes& bytes, size_t size) {
  std::vector<Bytes> out;
  for (size_t at = 0; at < bytes.size(); at += size) {
    out.emplace_back(bytes.begin() + at, bytes.begin() + std::min(bytes.size(), at + size));
  }
  return out;
}

}  // namespace

TEST(Mp3Encoder, FillsTheRecordFromTheWritersFormat) {
  Mp3Encoder* encoder = Mp3Encoder::take();
  ASSERT_TRUE(encoder->open(192, 48000, true, 16, 44100, true));
  const BE_CONFIG& c = encoder->getConfiguration();
  EXPECT_EQ(c.inputRate, 48000u);
  EXPECT_EQ(c.outputRate, 44100u) << "resampled to the writer's rate";
  EXPECT_EQ(c.mode, BE_MP3_MODE_JSTEREO) << "never plain stereo";
  EXPECT_EQ(c.bitrate, 192u);
  EXPECT_EQ(c.mpegVersion, 1u);
  EXPECT_EQ(c.disableReservoir, 1);
  EXPECT_GT(encoder->getOutputBufferSize(), 7200u);

  ASSERT_TRUE(encoder->open(32, 44100, true, 16, 44100, false));
  EXPECT_EQ(encoder->getConfiguration().outputRate, 0u) << "equal rates";
  EXPECT_EQ(encoder->getConfiguration().mode, BE_MP3_MODE_MONO);
  EXPECT_EQ(encoder->getConfiguration().mpegVersion, 0u) << "32 kbps";
  ASSERT_TRUE(encoder->open(40, 44100, false, 8, 44100, true));
  EXPECT_EQ(encoder->getConfiguration().mpegVersion, 1u);
  EXPECT_EQ(encoder->getConfiguration().mode, BE_MP3_MODE_JSTEREO);

  encoder->release();
  EXPECT_FALSE(encoder->isOpen()) << "going back to the pool closes the stream";
  EXPECT_EQ(encoder->getConfiguration().configKind, 0u);
}

// Each input layout must reach the library as the 16-bit block it stands for, so the encoded
// stream is byte for byte that of the 16-bit block (the encoder is deterministic).
TEST(Mp3Encoder, EveryInputLayoutBecomesTheSixteenBitBlockItStandsFor) {
  const size_t frames = 44100 / 2;
  const std::vector<int16_t> left = makeTone(440.0, 0.6, 44100, frames, 1);
  const std::vector<int16_t> right = makeTone(660.0, 0.4, 44100, frames, 1);
  std::vector<int16_t> stereo16;
  for (size_t i = 0; i < frames; ++i) stereo16.insert(stereo16.end(), {left[i], right[i]});

  Format stereoIn;
  Format stereoToMono = stereoIn;
  stereoToMono.outputStereo = false;
  Format monoIn = stereoIn;
  monoIn.inputStereo = false;
  Format monoToMono = monoIn;
  monoToMono.outputStereo = false;

  {
    SCOPED_TRACE("16-bit stereo to mono: (left + right) / 2");
    std::vector<int16_t> mixed;
    for (size_t i = 0; i < frames; ++i)
      mixed.push_back(static_cast<int16_t>((left[i] + right[i]) / 2));
    EXPECT_EQ(encode(stereoToMono, {toBytes(stereo16)}), encode(monoToMono, {toBytes(mixed)}));
  }
  {
    SCOPED_TRACE("16-bit mono to stereo: each sample twice");
    std::vector<int16_t> doubled;
    for (int16_t s : left) doubled.insert(doubled.end(), {s, s});
    EXPECT_EQ(encode(monoIn, {toBytes(left)}), encode(stereoIn, {toBytes(doubled)}));
  }

  Format eightBit = stereoIn;
  eightBit.inputBits = 8;
  const Bytes stereo8 = unsigned8(stereo16);
  std::vector<int16_t> widened;
  for (uint8_t b : stereo8) widened.push_back(static_cast<int16_t>(b * 256 - 32768));
  {
    SCOPED_TRACE("8-bit stereo: s x 256 - 32768");
    EXPECT_EQ(encode(eightBit, {stereo8}), encode(stereoIn, {toBytes(widened)}));
  }
  {
    SCOPED_TRACE("8-bit stereo to mono, beginning with 80 80 FF 00: 0 and -128");
    Bytes block = {0x80, 0x80, 0xFF, 0x00};
    block.insert(block.end(), stereo8.begin(), stereo8.end());
    std::vector<int16_t> expected = {0, -128};
    for (size_t i = 0; i < frames; ++i) {
      expected.push_back(
          static_cast<int16_t>((stereo8[2 * i] + stereo8[2 * i + 1] - 256) * 256 / 2));
    }
    Format eightToMono = eightBit;
    eightToMono.outputStereo = false;
    EXPECT_EQ(encode(eightToMono, {block}), encode(monoToMono, {toBytes(expected)}));
  }
  {
    SCOPED_TRACE("8-bit mono to stereo and to mono");
    const Bytes mono8 = unsigned8(left);
    std::vector<int16_t> doubled, single;
    for (uint8_t b : mono8) {
      const auto s = static_cast<int16_t>(b * 256 - 32768);
      doubled.insert(doubled.end(), {s, s});
      single.push_back(s);
    }
    Format eightMono = eightBit;
    eightMono.inputStereo = false;
    EXPECT_EQ(encode(eightMono, {mono8}), encode(stereoIn, {toBytes(doubled)}));
    eightMono.outputStereo = false;
    EXPECT_EQ(encode(eightMono, {mono8}), encode(monoToMono, {toBytes(single)}));
  }
  {
    SCOPED_TRACE("a block at an odd address, and a partial frame at a block's end");
    Bytes odd = toBytes(stereo16);
    EXPECT_EQ(encode(stereoIn, {odd}, 1), encode(stereoIn, {odd}));
    Bytes ragged = odd;
    ragged.insert(ragged.end(), {1, 2, 3});
    EXPECT_EQ(encode(stereoIn, {ragged}), encode(stereoIn, {odd}));
  }
}

TEST(Mp3Encoder, ABlockOfAnySizeFitsItsBoundAndNothingIsWrittenPastTheCapacity) {
  // Ten seconds in one block: more samples than one library call takes.
  const Bytes pcm = toBytes(makeTone(1000.0, 0.5, 44100, 441000, 2));
  Format f;
  const Bytes whole = encode(f, {pcm});
  EXPECT_EQ(whole, encode(f, blocksOf(pcm, 4096)));
  EXPECT_GT(whole.size(), 10u * 192000 / 8 * 99 / 100);

  Mp3Encoder* encoder = Mp3Encoder::take();
  ASSERT_TRUE(encoder->open(192, 44100, true, 16, 44100, true));
  const uint32_t bound = encoder->getOutputBound(static_cast<uint32_t>(pcm.size()));
  EXPECT_GE(bound, 2 * encoder->getOutputBufferSize()) << "two calls or more";
  // Room for less than the bound: the block stops at the first call that lacks room, and the
  // bytes behind the buffer stay as they were.
  const uint32_t capacity = encoder->getOutputBufferSize() + 100;
  Bytes buffer(capacity + 64, 0xA5);
  uint32_t count = 0;
  EXPECT_EQ(encoder->encode(pcm.data(), static_cast<uint32_t>(pcm.size()), buffer.data(), capacity,
                            &count),
            BE_ERR_BUFFER_TOO_SMALL);
  EXPECT_LE(count, capacity);
  EXPECT_EQ(Bytes(buffer.begin() + capacity, buffer.end()), Bytes(64, 0xA5));
  Bytes tooSmall(16);
  EXPECT_EQ(encoder->flush(tooSmall.data(), 16, &count), BE_ERR_BUFFER_TOO_SMALL);
  EXPECT_EQ(count, 0u);
  encoder->release();
}

TEST(Mp3Encoder, RefusesFormatsItCannotEncodeWithoutThrowing) {
  Mp3Encoder* encoder = Mp3Encoder::take();
  EXPECT_FALSE(encoder->open(100, 44100, true, 16, 44100, true)) << "no such bitrate";
  EXPECT_FALSE(encoder->isOpen());
  EXPECT_FALSE(encoder->open(192, 44100, true, 24, 44100, true)) << "24-bit blocks";
  EXPECT_FALSE(encoder->open(192, 0, true, 16, 44100, true));
  EXPECT_FALSE(encoder->open(192, 44100, true, 16, 22222, true)) << "no MPEG rate";

  const uint8_t pcm[8] = {};
  uint8_t out[16];
  uint32_t count = 7;
  EXPECT_EQ(encoder->encode(pcm, sizeof pcm, out, sizeof out, &count), BE_ERR_INVALID_HANDLE);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(encoder->flush(out, sizeof out, &count), BE_ERR_INVALID_HANDLE);
  EXPECT_EQ(encoder->getOutputBound(4096), 0u);

  // A refusal leaves nothing behind: the same encoder opens a good stream next.
  EXPECT_TRUE(encoder->open(192, 44100, true, 16, 44100, true));
  encoder->release();
}

TEST(Mp3Encoder, WithoutTheLibraryTheUserIsToldOnceAndWritersFailCleanly) {
  // A copy of the probe in a folder of its own cannot find the library beside itself.
  lumetra::testlib::TempDir folder;
  char self[4096] = {};
  ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
  const std::filesystem::path probe =
      std::filesystem::path(self).parent_path() / "audio_encoder_probe";
  const std::filesystem::path copy = folder.file("audio_encoder_probe");
  std::filesystem::copy_file(probe, copy);
  const std::string command = "'" + copy.string() + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) output += line;
  EXPECT_EQ(pclose(pipe), 0) << output;

  const std::string message = "Failed to Load lame_enc.dll!!\nError Code - 126\n";
  const size_t shown = output.find(message);
  EXPECT_NE(shown, std::string::npos) << output;
  EXPECT_EQ(output.find(message, shown + 1), std::string::npos) << "shown once\n" << output;
  EXPECT_NE(output.find("first: block=0 again=0 close=0 bytes=0\n"), std::string::npos) << output;
  EXPECT_NE(output.find("second: block=0 again=0 close=0 bytes=0\n"), std::string::npos) << output;
  EXPECT_NE(output.find("encoder: open=0 encode=4 count=0 loaded=0\n"), std::string::npos)
      << output;
}
