// Throughput of ten seconds of 44.1 kHz stereo: encoded through the encoder library as the
// program loads it, encoded through libmp3lame directly with the same settings (the gap is the
// library's cost), and decoded through the mpglib adapter in the reader's chunk sizes.
#include "lame_enc/tests/EncoderLibrary.h"
#include "mpglib/mpglib.h"

#include <benchmark/benchmark.h>
#include <lame.h>

#include <cstdlib>

namespace {

constexpr uint32_t kRate = 44100;
constexpr size_t kSeconds = 10;
// The converter hands the writer blocks of 4096 bytes: 1024 stereo samples.
constexpr size_t kBlockSamples = 2048;

// Something like music: a few partials per channel over quiet noise, so the encoder has work
// in every band.
const std::vector<int16_t>& music() {
  static const std::vector<int16_t> pcm = [] {
    std::vector<int16_t> mix = codec_testing::tone({220.0, 330.0}, kRate, kRate * kSeconds, 0.3);
    std::vector<int16_t> upper =
        codec_testing::tone({1760.0, 2637.0}, kRate, kRate * kSeconds, 0.15);
    std::vector<int16_t> hiss = codec_testing::noise(mix.size(), 1);
    for (size_t i = 0; i < mix.size(); ++i) mix[i] = int16_t(mix[i] + upper[i] + hiss[i] / 64);
    return mix;
  }();
  return pcm;
}

void report(benchmark::State& state) {
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(music().size() * sizeof(int16_t)));
  state.counters["x_realtime"] =
      benchmark::Counter(double(state.iterations()) * kSeconds, benchmark::Counter::kIsRate);
}

void EncodeThroughLibrary(benchmark::State& state) {
  codec_testing::EncoderLibrary lib;
  if (!lib.complete()) {
    state.SkipWithError("liblame_enc.so is not beside the benchmark");
    return;
  }
  const BE_CONFIG config = codec_testing::writerConfig(kRate, kRate, true, 192);
  size_t bytes = 0;
  for (auto _ : state) {
    std::vector<uint8_t> mp3;
    if (codec_testing::encodeAll(lib, config, music(), mp3, kBlockSamples) != BE_ERR_SUCCESSFUL) {
      state.SkipWithError("the encoder library failed");
      return;
    }
    bytes = mp3.size();
    benchmark::DoNotOptimize(mp3.data());
  }
  state.counters["mp3_bytes"] = double(bytes);
  report(state);
}
BENCHMARK(EncodeThroughLibrary)->Unit(benchmark::kMillisecond);

// libmp3lame with the settings the library derives from the program's record.
void EncodeWithLibmp3lame(benchmark::State& state) {
  const std::vector<int16_t>& pcm = music();
  size_t bytes = 0;
  for (auto _ : state) {
    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, kRate);
    lame_set_out_samplerate(lame, kRate);
    lame_set_num_channels(lame, 2);
    lame_set_mode(lame, JOINT_STEREO);
    lame_set_brate(lame, 192);
    lame_set_quality(lame, 2);
    lame_set_VBR(lame, vbr_off);
    lame_set_extension(lame, 1);
    lame_set_copyright(lame, 1);
    lame_set_original(lame, 1);
    lame_set_disable_reservoir(lame, 1);
    lame_set_bWriteVbrTag(lame, 0);
    lame_set_write_id3tag_automatic(lame, 0);
    if (lame_init_params(lame) < 0) {
      state.SkipWithError("lame_init_params failed");
      return;
    }
    std::vector<uint8_t> mp3;
    std::vector<uint8_t> out(kBlockSamples * 5 / 8 + 7200);
    for (size_t at = 0; at < pcm.size(); at += kBlockSamples) {
      int frames = int(std::min(kBlockSamples, pcm.size() - at) / 2);
      int n = lame_encode_buffer_interleaved(lame, const_cast<short*>(pcm.data() + at), frames,
                                             out.data(), int(out.size()));
      mp3.insert(mp3.end(), out.begin(), out.begin() + std::max(n, 0));
    }
    int n = lame_encode_flush(lame, out.data(), int(out.size()));
    mp3.insert(mp3.end(), out.begin(), out.begin() + std::max(n, 0));
    lame_close(lame);
    bytes = mp3.size();
    benchmark::DoNotOptimize(mp3.data());
  }
  state.counters["mp3_bytes"] = double(bytes);
  report(state);
}
BENCHMARK(EncodeWithLibmp3lame)->Unit(benchmark::kMillisecond);

// The reader's pattern: 40,960-byte chunks in, 8,192-byte blocks out.
void DecodeThroughAdapter(benchmark::State& state) {
  codec_testing::EncoderLibrary lib;
  std::vector<uint8_t> mp3;
  if (!lib.complete() ||
      codec_testing::encodeAll(lib, codec_testing::writerConfig(kRate, kRate, true, 192), music(),
                               mp3) != BE_ERR_SUCCESSFUL) {
    state.SkipWithError("no stream to decode");
    return;
  }
  std::vector<unsigned char> block(8192);
  size_t samples = 0;
  for (auto _ : state) {
    mpstr* mp = static_cast<mpstr*>(std::malloc(sizeof(mpstr)));
    InitMP3(mp);
    samples = 0;
    for (size_t at = 0; at <= mp3.size(); at += 40960) {
      int n = int(std::min<size_t>(40960, mp3.size() - at));
      int done = 0;
      int result = decodeMP3(mp, n > 0 ? mp3.data() + at : nullptr, n, block.data(),
                             int(block.size()), &done);
      while (result == MP3_OK) {
        samples += size_t(done) / 2;
        benchmark::DoNotOptimize(block.data());
        result = decodeMP3(mp, nullptr, 0, block.data(), int(block.size()), &done);
      }
    }
    ExitMP3(mp);
    std::free(mp);
  }
  if (samples < music().size()) state.SkipWithError("the stream decoded short");
  report(state);
}
BENCHMARK(DecodeThroughAdapter)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
