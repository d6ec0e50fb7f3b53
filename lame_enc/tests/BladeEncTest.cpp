// The encoder library as the program uses it: loaded through LoadLibraryW, fed generated PCM,
// its streams checked frame by frame, decoded with libmpg123 and tested by the mpg123 program.
#include "lame_enc/tests/EncoderLibrary.h"

#include <gtest/gtest.h>

#include "testlib/Process.h"
#include "testlib/TempDir.h"
#include <mpg123.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

using namespace codec_testing;

namespace {

// One frame header, read the way a player reads it.
struct Frame {
  int version = 0;  // 1, 2 or 25 (MPEG-2.5)
  int layer = 0;
  bool crc = false;
  int bitrateIndex = 0;
  int kbps = 0;
  int rate = 0;
  bool padding = false;
  bool privateBit = false;
  int mode = 0;
  bool copyright = false;
  bool original = false;
  size_t length = 0;
};

bool parseFrame(const uint8_t* p, size_t available, Frame& f) {
  static const int kMpeg1Layer3[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                       112, 128, 160, 192, 224, 256, 320, 0};
  static const int kLsfLayer3[16] = {0,  8,  16, 24,  32,  40,  48,  56,
                                     64, 80, 96, 112, 128, 144, 160, 0};
  static const int kRates[3] = {44100, 48000, 32000};
  if (available < 4 || p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
  int versionBits = (p[1] >> 3) & 3;
  if (versionBits == 1) return false;
  f.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
  f.layer = 4 - ((p[1] >> 1) & 3);
  f.crc = (p[1] & 1) == 0;
  f.bitrateIndex = p[2] >> 4;
  int rateIndex = (p[2] >> 2) & 3;
  if (f.layer != 3 || rateIndex == 3 || f.bitrateIndex == 0 || f.bitrateIndex == 15) return false;
  f.kbps = (f.version == 1 ? kMpeg1Layer3 : kLsfLayer3)[f.bitrateIndex];
  f.rate = kRates[rateIndex] / (f.version == 1 ? 1 : f.version == 2 ? 2 : 4);
  f.padding = (p[2] & 2) != 0;
  f.privateBit = (p[2] & 1) != 0;
  f.mode = p[3] >> 6;
  f.copyright = (p[3] & 8) != 0;
  f.original = (p[3] & 4) != 0;
  f.length = size_t((f.version == 1 ? 144000 : 72000) * f.kbps / f.rate + (f.padding ? 1 : 0));
  return true;
}

// Every frame of a stream that must consist of frames and nothing else.
std::vector<Frame> walkFrames(const std::vector<uint8_t>& mp3) {
  std::vector<Frame> frames;
  size_t at = 0;
  while (at < mp3.size()) {
    Frame f;
    if (!parseFrame(mp3.data() + at, mp3.size() - at, f)) {
      ADD_FAILURE() << "no frame header at byte " << at << " of " << mp3.size();
      break;
    }
    frames.push_back(f);
    at += f.length;
  }
  EXPECT_EQ(at, mp3.size()) << "the last frame is cut";
  return frames;
}

// Where a Xing or Info tag would sit in the first frame: after the side information.
std::string tagSignature(const std::vector<uint8_t>& mp3, const Frame& f) {
  size_t at = 4 + (f.version == 1 ? (f.mode == 3 ? 17 : 32) : (f.mode == 3 ? 9 : 17));
  return mp3.size() < at + 4 ? std::string()
                             : std::string(mp3.begin() + long(at), mp3.begin() + long(at) + 4);
}

struct Decoded {
  long rate = 0;
  int channels = 0;
  std::vector<int16_t> pcm;
  int errors = 0;
  size_t frames() const { return channels == 0 ? 0 : pcm.size() / size_t(channels); }
};

// libmpg123 as an independent decoder: native rate and channels, 16-bit.
Decoded decodeWithMpg123(const std::vector<uint8_t>& mp3) {
  static const int kInit = mpg123_init();
  (void)kInit;
  Decoded d;
  mpg123_handle* mh = mpg123_new(nullptr, nullptr);
  mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  mpg123_format_none(mh);
  const long* rates = nullptr;
  size_t rateCount = 0;
  mpg123_rates(&rates, &rateCount);
  for (size_t i = 0; i < rateCount; ++i)
    mpg123_format(mh, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  mpg123_open_feed(mh);
  mpg123_feed(mh, mp3.data(), mp3.size());
  std::vector<unsigned char> block(32768);
  for (;;) {
    size_t done = 0;
    int r = mpg123_read(mh, block.data(), block.size(), &done);
    const int16_t* s = reinterpret_cast<const int16_t*>(block.data());
    d.pcm.insert(d.pcm.end(), s, s + done / 2);
    if (r == MPG123_NEW_FORMAT) {
      int encoding = 0;
      mpg123_getformat(mh, &d.rate, &d.channels, &encoding);
    } else if (r == MPG123_NEED_MORE || r == MPG123_DONE) {
      break;
    } else if (r != MPG123_OK) {
      ++d.errors;
      break;
    }
  }
  mpg123_delete(mh);
  return d;
}

// Files handed to other programs live in one folder of the test program, removed when it ends.
const lumetra::testlib::TempDir& tempFolder() {
  static const lumetra::testlib::TempDir folder;
  return folder;
}

std::filesystem::path writeTemp(const std::vector<uint8_t>& bytes, const std::string& name) {
  std::filesystem::path path = tempFolder().file("lame_enc_" + name + ".mp3");
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path;
}

// The mpg123 program's test mode over the file; answers everything it printed, and its exit
// status in `status`.
std::string mpg123Test(const std::filesystem::path& path, int& status) {
  lumetra::testlib::RunResult result =
      lumetra::testlib::run({LAME_ENC_MPG123_PROGRAM, "-t", path.string()});
  status = result.exitCode;
  return result.output;
}

// The program test-decodes the stream without a note, a warning or an error.
void expectCleanForMpg123(const std::vector<uint8_t>& mp3, const std::string& name,
                          const std::string& expectedFormat) {
  std::filesystem::path path = writeTemp(mp3, name);
  int status = 0;
  std::string report = mpg123Test(path, status);
  std::filesystem::remove(path);
  EXPECT_EQ(status, 0) << report;
  for (const char* word : {"Note", "arning", "rror", "Frankenstein", "llegal"}) {
    EXPECT_EQ(report.find(word), std::string::npos) << report;
  }
  EXPECT_NE(report.find(expectedFormat), std::string::npos)
      << "expected \"" << expectedFormat << "\" in\n"
      << report;
}

class EncoderLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lib.complete()) << "liblame_enc.so is built beside the tests";
  }
  EncoderLibrary lib;
};

}  // namespace

TEST(EncoderRecord, HasTheWireLayout) {
  EXPECT_EQ(sizeof(BE_CONFIG), 331u);
  const std::pair<size_t, size_t> fields[] = {
      {offsetof(BE_CONFIG, configKind), 0},      {offsetof(BE_CONFIG, recordVersion), 4},
      {offsetof(BE_CONFIG, recordSize), 8},      {offsetof(BE_CONFIG, inputRate), 12},
      {offsetof(BE_CONFIG, outputRate), 16},     {offsetof(BE_CONFIG, mode), 20},
      {offsetof(BE_CONFIG, bitrate), 24},        {offsetof(BE_CONFIG, maxBitrate), 28},
      {offsetof(BE_CONFIG, preset), 32},         {offsetof(BE_CONFIG, mpegVersion), 36},
      {offsetof(BE_CONFIG, psychoModel), 40},    {offsetof(BE_CONFIG, emphasis), 44},
      {offsetof(BE_CONFIG, privateBit), 48},     {offsetof(BE_CONFIG, crc), 52},
      {offsetof(BE_CONFIG, copyright), 56},      {offsetof(BE_CONFIG, original), 60},
      {offsetof(BE_CONFIG, writeVbrHeader), 64}, {offsetof(BE_CONFIG, enableVbr), 68},
      {offsetof(BE_CONFIG, vbrQuality), 72},     {offsetof(BE_CONFIG, abrBitrate), 76},
      {offsetof(BE_CONFIG, vbrMethod), 80},      {offsetof(BE_CONFIG, disableReservoir), 84},
      {offsetof(BE_CONFIG, strictIso), 88},      {offsetof(BE_CONFIG, quality), 92},
      {offsetof(BE_CONFIG, reserved), 94}};
  for (auto [actual, expected] : fields) EXPECT_EQ(actual, expected);
  EXPECT_EQ(sizeof(BE_CONFIG::quality), 2u);
  EXPECT_EQ(sizeof(BE_CONFIG::reserved), 237u);
}

TEST_F(EncoderLibraryTest, LoadsBesideTheProgramAndReportsItsEngine) {
  WCHAR name[4096];
  DWORD n = GetModuleFileNameW(lib.module(), name, 4096);
  std::u16string file(name, n);
  EXPECT_EQ(file.substr(file.find_last_of(u'\\') + 1), u"liblame_enc.so");

  BE_VERSION v;
  std::memset(&v, 0xAB, sizeof v);
  lib.version(&v);
  EXPECT_EQ(v.libraryMajor, 1);
  EXPECT_EQ(v.engineMajor, 3) << "libmp3lame 3.x";
  EXPECT_GT(std::strlen(v.homepage), 0u);
  EXPECT_LT(std::strlen(v.homepage), sizeof v.homepage);
  lib.version(nullptr);  // no crash
}

// The program's writer at its three rates, both channel layouts and the bitrates it writes.
struct CbrCase {
  uint32_t rate;
  bool stereo;
  uint32_t kbps;
};

class CbrStream : public EncoderLibraryTest, public ::testing::WithParamInterface<CbrCase> {};

TEST_P(CbrStream, IsTheRequestedFormatAndKeepsTheTones) {
  const CbrCase p = GetParam();
  const size_t inputFrames = p.rate * 2;
  std::vector<double> tones =
      p.stereo ? std::vector<double>{1000.0, 1500.0} : std::vector<double>{1000.0};
  std::vector<int16_t> pcm = tone(tones, p.rate, inputFrames);
  std::vector<uint8_t> mp3;
  ASSERT_EQ(encodeAll(lib, writerConfig(p.rate, p.rate, p.stereo, p.kbps), pcm, mp3),
            BE_ERR_SUCCESSFUL);

  std::vector<Frame> frames = walkFrames(mp3);
  ASSERT_FALSE(frames.empty());
  for (const Frame& f : frames) {
    ASSERT_EQ(f.version, 1);
    ASSERT_EQ(f.rate, int(p.rate));
    ASSERT_EQ(f.kbps, int(p.kbps)) << "constant bitrate in every frame";
    ASSERT_EQ(f.mode, p.stereo ? 1 : 3) << "joint stereo or mono";
    ASSERT_TRUE(f.privateBit && f.copyright && f.original);
    ASSERT_FALSE(f.crc);
  }
  std::string signature = tagSignature(mp3, frames[0]);
  EXPECT_NE(signature, "Xing");
  EXPECT_NE(signature, "Info");

  Decoded d = decodeWithMpg123(mp3);
  EXPECT_EQ(d.errors, 0);
  EXPECT_EQ(d.rate, long(p.rate));
  EXPECT_EQ(d.channels, p.stereo ? 2 : 1);
  // Decoding gives whole frames: the encoder's delay (576), the input, and padding up to the
  // end of a frame, to which the encoder adds one more frame when less than its look-ahead
  // would remain.
  EXPECT_EQ(d.frames(), frames.size() * 1152);
  EXPECT_GE(d.frames(), inputFrames + 576);
  EXPECT_LE(d.frames(), inputFrames + 576 + 2 * 1152);
  for (unsigned c = 0; c < tones.size(); ++c) {
    EXPECT_NEAR(measureFrequency(d.pcm, unsigned(d.channels), c, p.rate), tones[c],
                tones[c] * 0.002);
  }
  char format[64];
  std::snprintf(format, sizeof format, "MPEG 1.0 L III cbr%u %u %s", p.kbps, p.rate,
                p.stereo ? "j-s" : "mono");
  expectCleanForMpg123(mp3, "cbr", format);
}

INSTANTIATE_TEST_SUITE_P(WriterFormats, CbrStream,
                         ::testing::Values(CbrCase{44100, true, 192}, CbrCase{44100, true, 320},
                                           CbrCase{44100, false, 192}, CbrCase{48000, true, 256},
                                           CbrCase{48000, false, 224}, CbrCase{32000, true, 192},
                                           CbrCase{32000, false, 320}),
                         [](const auto& info) {
                           return std::to_string(info.param.rate) +
                                  (info.param.stereo ? "Stereo" : "Mono") +
                                  std::to_string(info.param.kbps);
                         });

TEST_F(EncoderLibraryTest, SilenceStaysSilent) {
  std::vector<int16_t> pcm(44100 * 2, 0);
  std::vector<uint8_t> mp3;
  ASSERT_EQ(encodeAll(lib, writerConfig(44100, 44100, true, 192), pcm, mp3), BE_ERR_SUCCESSFUL);
  EXPECT_FALSE(walkFrames(mp3).empty());
  Decoded d = decodeWithMpg123(mp3);
  ASSERT_GE(d.frames(), 44100u);
  for (int16_t s : d.pcm) ASSERT_LE(std::abs(int(s)), 1);
  expectCleanForMpg123(mp3, "silence", "cbr192 44100 j-s");
}

TEST_F(EncoderLibraryTest, OutputDoesNotDependOnHowTheInputIsCut) {
  std::vector<int16_t> pcm = tone({440.0, 660.0}, 44100, 44100);
  std::vector<uint8_t> whole, blocks, odd;
  ASSERT_EQ(encodeAll(lib, writerConfig(44100, 44100, true, 192), pcm, whole, pcm.size()),
            BE_ERR_SUCCESSFUL);
  ASSERT_EQ(encodeAll(lib, writerConfig(44100, 44100, true, 192), pcm, blocks, 2048),
            BE_ERR_SUCCESSFUL);
  ASSERT_EQ(encodeAll(lib, writerConfig(44100, 44100, true, 192), pcm, odd, 2 * 37),
            BE_ERR_SUCCESSFUL);
  EXPECT_EQ(blocks, whole);
  EXPECT_EQ(odd, whole);
}

// The speed effect hands over PCM at another rate; the stream stays at the writer's rate.
TEST_F(EncoderLibraryTest, ResamplesToTheOutputRate) {
  for (uint32_t inputRate : {88200u, 55125u, 22050u, 48000u}) {
    SCOPED_TRACE(inputRate);
    std::vector<int16_t> pcm = tone({1000.0, 1000.0}, inputRate, inputRate);
    std::vector<uint8_t> mp3;
    ASSERT_EQ(encodeAll(lib, writerConfig(inputRate, 44100, true, 192), pcm, mp3),
              BE_ERR_SUCCESSFUL);
    for (const Frame& f : walkFrames(mp3)) ASSERT_EQ(f.rate, 44100);
    Decoded d = decodeWithMpg123(mp3);
    EXPECT_EQ(d.rate, 44100);
    EXPECT_GE(d.frames(), 44100u);
    EXPECT_LE(d.frames(), 44100u + 576 + 2 * 1152);
    EXPECT_NEAR(measureFrequency(d.pcm, 2, 0, 44100), 1000.0, 2.0)
        << "one second of input stays one second";
  }
}

TEST_F(EncoderLibraryTest, VariableBitrateWithItsTagDecodesToTheExactLength) {
  const size_t half = 44100 * 3;
  // A quiet tone, then full-scale noise: the bitrate must follow the material.
  std::vector<int16_t> pcm = tone({440.0, 440.0}, 44100, 2 * half, 0.05);
  std::vector<int16_t> loud = noise(2 * half, 7);
  std::copy(loud.begin(), loud.end(), pcm.begin() + long(2 * half));
  BE_CONFIG c = writerConfig(44100, 44100, true, 32);
  c.enableVbr = 1;
  c.vbrQuality = 2;
  c.vbrMethod = BE_VBR_METHOD_NEW;
  c.writeVbrHeader = 1;
  c.disableReservoir = 0;
  std::vector<uint8_t> mp3;
  HBE_STREAM stream = 0;
  ASSERT_EQ(encodeAll(lib, c, pcm, mp3, 4096, &stream), BE_ERR_SUCCESSFUL);
  std::filesystem::path path = writeTemp(mp3, "vbr");
  std::string windowsPath = "Z:" + path.string();
  std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
  ASSERT_EQ(lib.writeInfoTag(stream, windowsPath.c_str()), BE_ERR_SUCCESSFUL)
      << "drive Z is the POSIX root";
  EXPECT_EQ(lib.close(stream), BE_ERR_SUCCESSFUL);
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> tagged((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
  ASSERT_EQ(tagged.size(), mp3.size());

  std::vector<Frame> frames = walkFrames(tagged);
  ASSERT_GT(frames.size(), 2u);
  EXPECT_EQ(tagSignature(tagged, frames[0]), "Xing");
  size_t low = 320, high = 0;
  for (const Frame& f : frames) {
    low = std::min(low, size_t(f.kbps));
    high = std::max(high, size_t(f.kbps));
  }
  EXPECT_LT(low, 128u);
  EXPECT_GE(high, 256u);
  // With the encoder's delay and padding in the tag, the decoder hands back the input exactly.
  Decoded d = decodeWithMpg123(tagged);
  EXPECT_EQ(d.frames(), 2 * half);
  EXPECT_NEAR(measureFrequency(std::vector<int16_t>(d.pcm.begin(), d.pcm.begin() + long(2 * half)),
                               2, 0, 44100),
              440.0, 1.0);
  int status = 0;
  std::string report = mpg123Test(path, status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(report.find("vbr"), std::string::npos) << report;
  EXPECT_EQ(report.find("rror"), std::string::npos) << report;
  std::filesystem::remove(path);
}

TEST_F(EncoderLibraryTest, AverageBitrateIsKept) {
  std::vector<int16_t> pcm = noise(44100 * 2 * 4, 3);
  BE_CONFIG c = writerConfig(44100, 44100, true, 0);
  c.enableVbr = 1;
  c.vbrMethod = BE_VBR_METHOD_ABR;
  c.abrBitrate = 160000;
  std::vector<uint8_t> mp3;
  ASSERT_EQ(encodeAll(lib, c, pcm, mp3), BE_ERR_SUCCESSFUL);
  std::vector<Frame> frames = walkFrames(mp3);
  double kbps = double(mp3.size()) * 8 / (double(frames.size()) * 1152 / 44100) / 1000;
  EXPECT_NEAR(kbps, 160.0, 16.0);
}

TEST_F(EncoderLibraryTest, TagNeedsAFinishedStreamThatReservedIt) {
  std::vector<int16_t> pcm = tone({440.0, 440.0}, 44100, 44100);
  std::vector<uint8_t> mp3;
  HBE_STREAM plain = 0;
  ASSERT_EQ(encodeAll(lib, writerConfig(44100, 44100, true, 192), pcm, mp3, 4096, &plain),
            BE_ERR_SUCCESSFUL);
  std::filesystem::path path = writeTemp(mp3, "plain");
  EXPECT_EQ(lib.writeInfoTag(plain, path.c_str()), BE_ERR_INVALID_FORMAT_PARAMETERS)
      << "no frame was reserved";
  EXPECT_EQ(lib.writeVbrHeader(path.c_str()), BE_ERR_INVALID_FORMAT_PARAMETERS)
      << "the stream finished last is this one";
  lib.close(plain);
  EXPECT_EQ(lib.writeVbrHeader(path.c_str()), BE_ERR_INVALID_HANDLE) << "it is closed";

  BE_CONFIG c = writerConfig(44100, 44100, true, 192);
  c.writeVbrHeader = 1;
  uint32_t perChunk = 0, size = 0;
  HBE_STREAM open = 0;
  ASSERT_EQ(lib.init(&c, &perChunk, &size, &open), BE_ERR_SUCCESSFUL);
  std::vector<uint8_t> out(size);
  uint32_t count = 0;
  ASSERT_EQ(lib.encodeChunk(open, uint32_t(pcm.size()), pcm.data(), out.data(), &count),
            BE_ERR_SUCCESSFUL);
  EXPECT_EQ(lib.writeInfoTag(open, path.c_str()), BE_ERR_INVALID_FORMAT_PARAMETERS)
      << "not finished";
  ASSERT_EQ(lib.deinit(open, out.data(), &count), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(lib.writeInfoTag(open, path.c_str()), BE_ERR_INVALID_FORMAT_PARAMETERS)
      << "the file is another stream's";
  EXPECT_EQ(lib.writeInfoTag(open, "/no/such/folder/x.mp3"), BE_ERR_INVALID_FORMAT_PARAMETERS);
  lib.close(open);
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> after((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  EXPECT_EQ(after, mp3) << "a refused tag leaves the file alone";
  std::filesystem::remove(path);
}

TEST_F(EncoderLibraryTest, RefusesRecordsItCannotHonour) {
  uint32_t perChunk = 77, size = 77;
  HBE_STREAM stream = 77;
  auto refused = [&](const BE_CONFIG& c) { return lib.init(&c, &perChunk, &size, &stream); };
  const BE_CONFIG good = writerConfig(44100, 44100, true, 192);
  struct Bad {
    const char* what;
    void (*change)(BE_CONFIG&);
    BE_ERR expected;
  };
  const Bad cases[] = {
      {"the plain MP3 record", [](BE_CONFIG& c) { c.configKind = 0; }, BE_ERR_INVALID_FORMAT},
      {"another version", [](BE_CONFIG& c) { c.recordVersion = 2; }, BE_ERR_INVALID_FORMAT},
      {"another size", [](BE_CONFIG& c) { c.recordSize = 330; }, BE_ERR_INVALID_FORMAT},
      {"no input rate", [](BE_CONFIG& c) { c.inputRate = 0; }, BE_ERR_INVALID_FORMAT_PARAMETERS},
      {"an output rate MPEG lacks", [](BE_CONFIG& c) { c.outputRate = 44000; },
       BE_ERR_INVALID_FORMAT_PARAMETERS},
      {"a bitrate MPEG-1 lacks", [](BE_CONFIG& c) { c.bitrate = 100; },
       BE_ERR_INVALID_FORMAT_PARAMETERS},
      {"a bitrate above MPEG-2's",
       [](BE_CONFIG& c) {
         c.inputRate = 22050;
         c.bitrate = 320;
       },
       BE_ERR_INVALID_FORMAT_PARAMETERS},
      {"free format", [](BE_CONFIG& c) { c.bitrate = 0; }, BE_ERR_INVALID_FORMAT_PARAMETERS},
      {"dual channel", [](BE_CONFIG& c) { c.mode = BE_MP3_MODE_DUALCHANNEL; },
       BE_ERR_INVALID_FORMAT_PARAMETERS},
      {"an unknown mode", [](BE_CONFIG& c) { c.mode = 7; }, BE_ERR_INVALID_FORMAT_PARAMETERS},
      {"an unknown preset", [](BE_CONFIG& c) { c.preset = 9; }, BE_ERR_INVALID_FORMAT_PARAMETERS},
      {"a quality word", [](BE_CONFIG& c) { c.quality = 0x00FF; },
       BE_ERR_INVALID_FORMAT_PARAMETERS},
      {"a second psychoacoustic model", [](BE_CONFIG& c) { c.psychoModel = 1; },
       BE_ERR_INVALID_FORMAT_PARAMETERS},
      {"reserved emphasis", [](BE_CONFIG& c) { c.emphasis = 2; }, BE_ERR_INVALID_FORMAT_PARAMETERS},
      {"VBR quality 10",
       [](BE_CONFIG& c) {
         c.enableVbr = 1;
         c.vbrQuality = 10;
       },
       BE_ERR_INVALID_FORMAT_PARAMETERS},
      {"an unknown VBR method",
       [](BE_CONFIG& c) {
         c.enableVbr = 1;
         c.vbrMethod = 5;
       },
       BE_ERR_INVALID_FORMAT_PARAMETERS},
      {"ABR without a bitrate",
       [](BE_CONFIG& c) {
         c.enableVbr = 1;
         c.vbrMethod = BE_VBR_METHOD_ABR;
       },
       BE_ERR_INVALID_FORMAT_PARAMETERS},
  };
  for (const Bad& b : cases) {
    BE_CONFIG c = good;
    b.change(c);
    EXPECT_EQ(refused(c), b.expected) << b.what;
    EXPECT_EQ(stream, 77u) << b.what << ": nothing filled";
    EXPECT_EQ(size, 77u) << b.what;
  }
  EXPECT_EQ(lib.init(nullptr, &perChunk, &size, &stream), BE_ERR_INVALID_FORMAT_PARAMETERS);
  EXPECT_EQ(lib.init(&good, nullptr, &size, &stream), BE_ERR_INVALID_FORMAT_PARAMETERS);
  EXPECT_EQ(lib.init(&good, &perChunk, nullptr, &stream), BE_ERR_INVALID_FORMAT_PARAMETERS);
  EXPECT_EQ(lib.init(&good, &perChunk, &size, nullptr), BE_ERR_INVALID_FORMAT_PARAMETERS);
  // The program's 32 kbps record asks for MPEG-2, which 44.1 kHz cannot be: the rate decides.
  BE_CONFIG low = writerConfig(44100, 44100, false, 32);
  ASSERT_EQ(refused(low), BE_ERR_SUCCESSFUL);
  lib.close(stream);
}

TEST_F(EncoderLibraryTest, RefusesBadCallsOnStreams) {
  BE_CONFIG c = writerConfig(44100, 44100, true, 192);
  uint32_t perChunk = 0, size = 0;
  HBE_STREAM stream = 0;
  ASSERT_EQ(lib.init(&c, &perChunk, &size, &stream), BE_ERR_SUCCESSFUL);
  ASSERT_NE(stream, 0u);
  std::vector<uint8_t> out(size);
  std::vector<int16_t> pcm(perChunk + 2, 0);
  uint32_t count = 99;

  for (HBE_STREAM wrong : {HBE_STREAM{0}, stream + 1000, ~stream}) {
    EXPECT_EQ(lib.encodeChunk(wrong, 2, pcm.data(), out.data(), &count), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(lib.deinit(wrong, out.data(), &count), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(lib.close(wrong), BE_ERR_INVALID_HANDLE);
  }
  EXPECT_EQ(lib.encodeChunk(stream, 3, pcm.data(), out.data(), &count),
            BE_ERR_INVALID_FORMAT_PARAMETERS)
      << "half a stereo pair";
  EXPECT_EQ(lib.encodeChunk(stream, perChunk + 2, pcm.data(), out.data(), &count),
            BE_ERR_BUFFER_TOO_SMALL);
  EXPECT_EQ(lib.encodeChunk(stream, 2, nullptr, out.data(), &count),
            BE_ERR_INVALID_FORMAT_PARAMETERS);
  EXPECT_EQ(lib.encodeChunk(stream, 2, pcm.data(), nullptr, &count),
            BE_ERR_INVALID_FORMAT_PARAMETERS);
  EXPECT_EQ(lib.encodeChunk(stream, 2, pcm.data(), out.data(), nullptr),
            BE_ERR_INVALID_FORMAT_PARAMETERS);
  EXPECT_EQ(lib.encodeChunk(stream, 0, nullptr, out.data(), &count), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(lib.deinit(stream, out.data(), nullptr), BE_ERR_INVALID_FORMAT_PARAMETERS);

  // The refused calls left the stream whole: it still encodes and finishes to a clean stream.
  std::vector<uint8_t> mp3;
  std::vector<int16_t> sound = tone({440.0, 440.0}, 44100, 44100);
  ASSERT_EQ(lib.encodeChunk(stream, uint32_t(sound.size()), sound.data(), out.data(), &count),
            BE_ERR_SUCCESSFUL);
  mp3.insert(mp3.end(), out.begin(), out.begin() + count);
  ASSERT_EQ(lib.deinit(stream, out.data(), &count), BE_ERR_SUCCESSFUL);
  mp3.insert(mp3.end(), out.begin(), out.begin() + count);
  EXPECT_EQ(walkFrames(mp3).size() * 1152, decodeWithMpg123(mp3).frames());

  EXPECT_EQ(lib.encodeChunk(stream, 2, pcm.data(), out.data(), &count), BE_ERR_INVALID_HANDLE)
      << "finished";
  EXPECT_EQ(lib.deinit(stream, out.data(), &count), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(count, 0u) << "a second flush writes nothing";
  EXPECT_EQ(lib.close(stream), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(lib.close(stream), BE_ERR_INVALID_HANDLE);
  EXPECT_EQ(lib.encodeChunk(stream, 2, pcm.data(), out.data(), &count), BE_ERR_INVALID_HANDLE);
}

// The interface passes no output capacity: the library must keep within the size it announced
// with the costliest input, at the highest bitrate, and when it resamples upwards.
TEST_F(EncoderLibraryTest, NeverWritesPastTheAnnouncedBuffer) {
  struct Case {
    uint32_t inputRate, outputRate;
    bool stereo;
    uint32_t kbps;
  };
  const Case cases[] = {{44100, 44100, true, 320}, {32000, 32000, true, 320},
                        {8000, 8000, false, 64},   {22050, 44100, true, 320},
                        {8000, 48000, true, 320},  {96000, 32000, false, 320}};
  const uint8_t kGuard = 0xA5;
  for (const Case& k : cases) {
    SCOPED_TRACE(std::to_string(k.inputRate) + " -> " + std::to_string(k.outputRate));
    BE_CONFIG c = writerConfig(k.inputRate, k.outputRate, k.stereo, k.kbps);
    uint32_t perChunk = 0, size = 0;
    HBE_STREAM stream = 0;
    ASSERT_EQ(lib.init(&c, &perChunk, &size, &stream), BE_ERR_SUCCESSFUL);
    EXPECT_GE(size, 7200u);
    EXPECT_LE(size, 512u * 1024) << "a buffer a caller can afford";
    std::vector<uint8_t> out(size + 4096, kGuard);
    size_t total = 0;
    for (uint32_t call = 0; call < 4; ++call) {
      std::vector<int16_t> pcm = noise(perChunk, call);
      uint32_t count = 0;
      ASSERT_EQ(lib.encodeChunk(stream, perChunk, pcm.data(), out.data(), &count),
                BE_ERR_SUCCESSFUL);
      EXPECT_LE(count, size);
      total += count;
    }
    uint32_t count = 0;
    ASSERT_EQ(lib.deinit(stream, out.data(), &count), BE_ERR_SUCCESSFUL);
    EXPECT_LE(count, size);
    for (size_t i = size; i < out.size(); ++i)
      ASSERT_EQ(out[i], kGuard) << "byte " << i - size << " past the end";
    EXPECT_GT(total, 0u);
    lib.close(stream);
  }
}

TEST_F(EncoderLibraryTest, StreamsOnSeveralThreadsDoNotMeet) {
  std::vector<int16_t> pcm = tone({440.0, 550.0}, 44100, 44100);
  std::vector<uint8_t> expected;
  ASSERT_EQ(encodeAll(lib, writerConfig(44100, 44100, true, 192), pcm, expected),
            BE_ERR_SUCCESSFUL);
  std::vector<std::vector<uint8_t>> results(4);
  std::vector<BE_ERR> codes(4, 99);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < results.size(); ++i) {
    threads.emplace_back([&, i] {
      codes[i] = encodeAll(lib, writerConfig(44100, 44100, true, 192), pcm, results[i], 2048);
    });
  }
  for (std::thread& t : threads) t.join();
  for (size_t i = 0; i < results.size(); ++i) {
    EXPECT_EQ(codes[i], BE_ERR_SUCCESSFUL);
    EXPECT_EQ(results[i], expected) << "thread " << i;
  }
}
