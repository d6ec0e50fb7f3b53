// The decoder adapter on streams made by the encoder library: every MPEG version and rate, the
// reader's chunked loop, gapless tags, seeking, and damaged or foreign input.
#include "mpglib/mpglib.h"

#include "lame_enc/tests/EncoderLibrary.h"

#include <gtest/gtest.h>

#include "testlib/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

using namespace codec_testing;

namespace {

// LAME starts every stream with this many samples of its own before the input.
constexpr size_t kEncoderDelay = 576;

struct Output {
  std::vector<int16_t> pcm;
  long rate = 0;
  int channels = 0;
  int errors = 0;
  size_t frames() const { return channels == 0 ? 0 : pcm.size() / size_t(channels); }
};

// Calls decodeMP3 as the MP3 reader does: once with the new input, then without input while it
// answers MP3_OK; checks every block it hands out.
void drain(mpstr* mp, const uint8_t* in, int n, std::vector<unsigned char>& block, Output& out,
           size_t limit = SIZE_MAX) {
  int done = -1;
  int result = decodeMP3(mp, in, n, block.data(), int(block.size()), &done);
  while (result == MP3_OK) {
    ASSERT_GT(done, 0) << "success comes with PCM";
    ASSERT_LE(size_t(done), block.size());
    ASSERT_GT(mp->channels, 0);
    ASSERT_EQ(done % (2 * mp->channels), 0) << "whole samples only";
    const int16_t* s = reinterpret_cast<const int16_t*>(block.data());
    out.pcm.insert(out.pcm.end(), s, s + done / 2);
    if (out.pcm.size() >= limit) return;
    result = decodeMP3(mp, nullptr, 0, block.data(), int(block.size()), &done);
  }
  ASSERT_TRUE(result == MP3_NEED_MORE || result == MP3_ERR) << result;
  ASSERT_EQ(done, 0);
  if (result == MP3_ERR) ++out.errors;
}

// A decoder state from the C allocator, uninitialised, as the reader keeps it.
struct State {
  State() : mp(static_cast<mpstr*>(std::malloc(sizeof(mpstr)))) {
    std::memset(mp, 0xCD, sizeof *mp);
    EXPECT_TRUE(InitMP3(mp));
  }
  ~State() {
    ExitMP3(mp);
    std::free(mp);
  }
  mpstr* mp;
};

Output decodeInChunks(const std::vector<uint8_t>& mp3, size_t chunk = 40960,
                      size_t blockSize = 8192) {
  State s;
  Output out;
  std::vector<unsigned char> block(blockSize);
  for (size_t at = 0; at < mp3.size(); at += chunk) {
    drain(s.mp, mp3.data() + at, int(std::min(chunk, mp3.size() - at)), block, out);
  }
  drain(s.mp, nullptr, 0, block, out);
  out.rate = s.mp->rate;
  out.channels = s.mp->channels;
  return out;
}

std::vector<uint8_t> encode(const EncoderLibrary& lib, const BE_CONFIG& config,
                            const std::vector<int16_t>& pcm) {
  std::vector<uint8_t> mp3;
  EXPECT_EQ(encodeAll(lib, config, pcm, mp3), BE_ERR_SUCCESSFUL);
  return mp3;
}

// An ID3v2.4 tag whose body is full of byte runs that look like frame headers.
std::vector<uint8_t> id3v2Tag(size_t bodySize, bool footer) {
  std::vector<uint8_t> tag = {'I',
                              'D',
                              '3',
                              4,
                              0,
                              uint8_t(footer ? 0x10 : 0),
                              uint8_t((bodySize >> 21) & 0x7F),
                              uint8_t((bodySize >> 14) & 0x7F),
                              uint8_t((bodySize >> 7) & 0x7F),
                              uint8_t(bodySize & 0x7F)};
  for (size_t i = 0; i < bodySize; ++i) {
    static const uint8_t kFalseSync[] = {0xFF, 0xFB, 0x90, 0x64, 0x00, 0x00};
    tag.push_back(kFalseSync[i % sizeof kFalseSync]);
  }
  if (footer) {
    tag.insert(tag.end(), tag.begin(), tag.begin() + 10);
    std::copy_n("3DI", 3, tag.end() - 10);
  }
  return tag;
}

class Decoder : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lib.complete()) << "liblame_enc.so is built beside the tests";
  }
  EncoderLibrary lib;
};

}  // namespace

struct StreamCase {
  uint32_t rate;
  bool stereo;
  uint32_t kbps;
};

class DecoderFormats : public Decoder, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(DecoderFormats, GiveTheStreamsOwnRateChannelsAndLength) {
  const StreamCase p = GetParam();
  const size_t inputFrames = p.rate * 3 / 2;
  std::vector<double> tones =
      p.stereo ? std::vector<double>{500.0, 750.0} : std::vector<double>{500.0};
  Output out = decodeInChunks(encode(lib, writerConfig(p.rate, p.rate, p.stereo, p.kbps),
                                     tone(tones, p.rate, inputFrames)));
  EXPECT_EQ(out.errors, 0);
  EXPECT_EQ(out.rate, long(p.rate)) << "never resampled";
  EXPECT_EQ(out.channels, p.stereo ? 2 : 1) << "never remixed";
  // Whole frames: the encoder's delay, the input, then padding to the end of a frame, which
  // the encoder lengthens by one frame when too little of its look-ahead would be left.
  const size_t frameSize = p.rate >= 32000 ? 1152 : 576;
  EXPECT_EQ(out.frames() % frameSize, 0u);
  EXPECT_GE(out.frames(), inputFrames + kEncoderDelay);
  EXPECT_LT(out.frames(), inputFrames + kEncoderDelay + 2 * frameSize);
  for (unsigned c = 0; c < tones.size(); ++c) {
    EXPECT_NEAR(measureFrequency(out.pcm, unsigned(out.channels), c, p.rate), tones[c],
                tones[c] * 0.003);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Mpeg1And2And25, DecoderFormats,
    ::testing::Values(StreamCase{48000, true, 192}, StreamCase{44100, true, 192},
                      StreamCase{44100, false, 128}, StreamCase{32000, true, 256},
                      StreamCase{24000, true, 96}, StreamCase{22050, false, 64},
                      StreamCase{16000, true, 64}, StreamCase{12000, false, 32},
                      StreamCase{11025, true, 48}, StreamCase{8000, false, 24}),
    [](const auto& info) {
      return std::to_string(info.param.rate) + (info.param.stereo ? "Stereo" : "Mono") +
             std::to_string(info.param.kbps);
    });

TEST_F(Decoder, OutputDoesNotDependOnChunkOrBlockSizes) {
  std::vector<uint8_t> mp3 =
      encode(lib, writerConfig(44100, 44100, true, 192), tone({440.0, 660.0}, 44100, 44100));
  Output reference = decodeInChunks(mp3);
  ASSERT_GT(reference.frames(), 44100u);
  const std::pair<size_t, size_t> sizes[] = {{1, 8192},  {417, 8192},   {mp3.size(), 8192},
                                             {40960, 4}, {40960, 4098}, {3000, 1001}};
  for (auto [chunk, block] : sizes) {
    Output out = decodeInChunks(mp3, chunk, block);
    EXPECT_EQ(out.pcm, reference.pcm) << "chunks of " << chunk << ", blocks of " << block;
  }
}

// Gapless decoding: a stream whose first frame records the encoder's delay and padding decodes
// to exactly its input, and that frame is not output.
TEST_F(Decoder, CutsTheDelayAndPaddingATagRecords) {
  const size_t inputFrames = 44100 * 2 + 123;
  std::vector<int16_t> pcm = tone({440.0, 440.0}, 44100, inputFrames);
  BE_CONFIG c = writerConfig(44100, 44100, true, 192);
  c.writeVbrHeader = 1;
  std::vector<uint8_t> mp3;
  HBE_STREAM stream = 0;
  ASSERT_EQ(encodeAll(lib, c, pcm, mp3, 4096, &stream), BE_ERR_SUCCESSFUL);
  lumetra::testlib::TempDir folder;
  std::filesystem::path path = folder.file("gapless.mp3");
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(mp3.data()), std::streamsize(mp3.size()));
  ASSERT_EQ(lib.writeInfoTag(stream, path.c_str()), BE_ERR_SUCCESSFUL);
  lib.close(stream);
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> tagged((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());

  Output whole = decodeInChunks(tagged);
  EXPECT_EQ(whole.frames(), inputFrames);
  Output fine = decodeInChunks(tagged, 97, 8192);
  EXPECT_EQ(fine.pcm, whole.pcm);
}

TEST_F(Decoder, SkipsAnId3v2TagInFront) {
  std::vector<uint8_t> mp3 =
      encode(lib, writerConfig(44100, 44100, true, 192), tone({440.0, 660.0}, 44100, 44100));
  Output plain = decodeInChunks(mp3);
  for (bool footer : {false, true}) {
    std::vector<uint8_t> tagged = id3v2Tag(50000, footer);
    tagged.insert(tagged.end(), mp3.begin(), mp3.end());
    Output out = decodeInChunks(tagged);
    EXPECT_EQ(out.pcm, plain.pcm) << (footer ? "with a footer" : "without a footer");
  }
}

TEST_F(Decoder, TruncatedStreamsGiveWhatTheyHold) {
  std::vector<uint8_t> mp3 =
      encode(lib, writerConfig(44100, 44100, true, 192), tone({440.0, 660.0}, 44100, 44100));
  Output full = decodeInChunks(mp3);
  const size_t frameBytes = 626;  // 192 kbps at 44.1 kHz, without padding
  for (size_t cut :
       {size_t{0}, size_t{1}, size_t{3}, size_t{700}, mp3.size() / 2 + 17, mp3.size() - 1}) {
    SCOPED_TRACE(cut);
    Output out = decodeInChunks(std::vector<uint8_t>(mp3.begin(), mp3.begin() + long(cut)));
    ASSERT_LE(out.pcm.size(), full.pcm.size());
    EXPECT_TRUE(std::equal(out.pcm.begin(), out.pcm.end(), full.pcm.begin()))
        << "the frames before the cut decode as in the whole";
    size_t wholeFrames = cut / (frameBytes + 1);
    EXPECT_GE(out.frames() + 1152, wholeFrames * 1152) << "no more than the cut frame is lost";
  }
}

TEST_F(Decoder, KeepsRunningOnGarbage) {
  std::vector<std::vector<uint8_t>> inputs;
  std::vector<int16_t> random = noise(40000, 11);
  inputs.emplace_back(reinterpret_cast<const uint8_t*>(random.data()),
                      reinterpret_cast<const uint8_t*>(random.data() + random.size()));
  inputs.emplace_back(50000, uint8_t{0});
  inputs.emplace_back(50000, uint8_t{0xFF});
  std::vector<uint8_t> tag = id3v2Tag(60000, false);
  inputs.push_back(tag);                             // a tag and nothing after it
  inputs.emplace_back(tag.begin() + 10, tag.end());  // runs of false frame headers
  for (const auto& input : inputs) {
    Output out = decodeInChunks(input);
    EXPECT_LE(out.frames(), input.size() * 8)
        << "nothing invented beyond what false frames could hold";
  }

  // A stream broken in the middle: the decoder finds its way back to the frames after it.
  std::vector<uint8_t> mp3 =
      encode(lib, writerConfig(44100, 44100, true, 192), tone({1000.0, 1000.0}, 44100, 44100 * 2));
  std::vector<uint8_t> broken = mp3;
  std::vector<int16_t> junk = noise(5000, 5);
  std::memcpy(broken.data() + broken.size() / 3, junk.data(), 10000);
  Output out = decodeInChunks(broken);
  EXPECT_GT(out.frames(), 44100u * 2 * 3 / 4) << "the frames after the damage decode";
  std::vector<int16_t> tail(out.pcm.end() - 44100, out.pcm.end());
  EXPECT_NEAR(measureFrequency(tail, 2, 0, 44100), 1000.0, 3.0);
}

// After a seek the reader moves its input and resets the decoder: PCM and input buffered from
// the old position never come out, and the new bytes may start inside a frame.
TEST_F(Decoder, ResetStartsAfreshAtAnyByte) {
  const size_t half = 44100 * 3;
  std::vector<int16_t> pcm = tone({500.0, 500.0}, 44100, 2 * half);
  std::vector<int16_t> second = tone({2000.0, 2000.0}, 44100, half);
  std::copy(second.begin(), second.end(), pcm.begin() + long(2 * half));
  std::vector<uint8_t> mp3 = encode(lib, writerConfig(44100, 44100, true, 192), pcm);

  State s;
  Output out;
  std::vector<unsigned char> block(8192);
  drain(s.mp, mp3.data(), 40960, block, out, 1);  // one block taken, much left buffered
  ASSERT_EQ(out.pcm.size(), 8192u / 2);
  ASSERT_TRUE(ResetMP3(s.mp));
  out.pcm.clear();
  const size_t from = mp3.size() * 2 / 3 + 7;
  for (size_t at = from; at < mp3.size(); at += 40960) {
    drain(s.mp, mp3.data() + at, int(std::min<size_t>(40960, mp3.size() - at)), block, out);
  }
  drain(s.mp, nullptr, 0, block, out);
  EXPECT_EQ(s.mp->channels, 2);
  size_t framesLeft = (mp3.size() - from) / 626;
  EXPECT_LE(out.pcm.size() / 2, (framesLeft + 1) * 1152) << "only the new position is decoded";
  EXPECT_GE(out.pcm.size() / 2, (framesLeft - 2) * 1152);
  std::vector<int16_t> start(out.pcm.begin(), out.pcm.begin() + 2 * 8192);
  EXPECT_NEAR(measureFrequency(start, 2, 0, 44100), 2000.0, 10.0) << "nothing of the old position";
}

TEST_F(Decoder, RefusesBadArguments) {
  std::vector<unsigned char> out(8192);
  unsigned char in[4] = {0xFF, 0xFB, 0x90, 0x64};
  int done = 7;
  EXPECT_EQ(decodeMP3(nullptr, in, 4, out.data(), 8192, &done), MP3_ERR);
  EXPECT_EQ(done, 0);
  EXPECT_FALSE(InitMP3(nullptr));
  EXPECT_FALSE(ResetMP3(nullptr));
  ExitMP3(nullptr);

  State s;
  EXPECT_EQ(decodeMP3(s.mp, in, 4, nullptr, 8192, &done), MP3_ERR);
  EXPECT_EQ(decodeMP3(s.mp, in, 4, out.data(), 0, &done), MP3_ERR);
  EXPECT_EQ(decodeMP3(s.mp, in, 4, out.data(), 3, &done), MP3_ERR) << "no room for one sample";
  EXPECT_EQ(decodeMP3(s.mp, in, -1, out.data(), 8192, &done), MP3_ERR);
  EXPECT_EQ(decodeMP3(s.mp, nullptr, 4, out.data(), 8192, &done), MP3_ERR);
  EXPECT_EQ(decodeMP3(s.mp, in, 4, out.data(), 8192, nullptr), MP3_ERR);
  EXPECT_EQ(decodeMP3(s.mp, nullptr, 0, out.data(), 8192, &done), MP3_NEED_MORE);

  ExitMP3(s.mp);
  ExitMP3(s.mp);  // a second exit does nothing
  EXPECT_EQ(decodeMP3(s.mp, in, 4, out.data(), 8192, &done), MP3_ERR) << "ended";
  EXPECT_FALSE(ResetMP3(s.mp));
  ASSERT_TRUE(InitMP3(s.mp)) << "an ended state starts again";
  std::vector<uint8_t> mp3 =
      encode(lib, writerConfig(22050, 22050, false, 64), tone({500.0}, 22050, 22050));
  Output decoded;
  drain(s.mp, mp3.data(), int(mp3.size()), out, decoded);
  EXPECT_EQ(s.mp->rate, 22050);
  EXPECT_GT(decoded.pcm.size(), 22050u);
}
