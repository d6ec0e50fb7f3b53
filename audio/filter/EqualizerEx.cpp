// The ten-band graphic equaliser: its peaking sections and the pipeline that runs them.
//
// The ten sections of a channel are in series, and each depends on its own previous output, so a
// plain loop waits for ten recursions one after the other on every sample. The pipeline instead
// keeps one section per vector lane and staggers them: at step t, section k filters sample t - k,
// whose input section k - 1 produced at step t - 1. All ten recursions then advance together,
// each lane doing exactly the scalar operations in the scalar order, so the results are those of
// the sections run one by one. A chunk starts with an empty pipeline and ends drained: for the
// first and last nine steps some lanes have no sample, and their state is left as it was.
#include "audio/filter/EqualizerEx.h"

#include "audio/filter/Pcm.h"
#include "audio/filter/Simd.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <utility>

namespace s::sound::filter {

namespace {

/// Frames filtered at a time. The fill and drain steps of each chunk cost nine steps; a chunk of
/// 1024 frames keeps that under one percent and its work arrays in the first-level cache.
constexpr int32_t kChunk = 1024;
constexpr int32_t kBands = EqualizerEx::kBands;
constexpr int32_t kLastLane = kBands - 1;

using Float4 = float __attribute__((vector_size(16)));
using Int4 = int32_t __attribute__((vector_size(16)));

inline Float4 splat(float v) { return Float4{v, v, v, v}; }

/// Every lane's index, in a vector of width W.
template <int32_t W, class Sequence = std::make_index_sequence<W>>
struct LaneMasks;

template <int32_t W, size_t... I>
struct LaneMasks<W, std::index_sequence<I...>> {
  typedef int32_t Int __attribute__((vector_size(4 * W)));
  static constexpr Int kLane = {static_cast<int32_t>(I)...};
};

/// The last lane of `before` followed by lanes 0 to W - 2 of `after`: the inputs of the
/// sections at a step, when `before` is the sample (in every lane) and `after` the previous
/// outputs of the first vector, or `before` the previous outputs of the vector before and
/// `after` those of this one. The lane numbers are constants, so that any compiler with the
/// portable shuffle builds one permute from them. The vectors pass by reference: GCC warns that
/// a 256-bit vector passed or returned by value, where AVX is not enabled, changes the ABI.
template <class V, size_t... I>
S_SIMD_INLINE void shiftIn(const V& before, const V& after, V* into, std::index_sequence<I...>) {
  constexpr int32_t kWidth = sizeof...(I);
  *into = __builtin_shufflevector(before, after, (kWidth - 1 + static_cast<int32_t>(I))...);
}

/// The sections of one channel in vectors of W lanes, lane k holding section k (lanes past the
/// tenth have zero coefficients and stay silent), with the outputs of the previous step. Every
/// member is inlined into the function of its vector width, compiled for that width's
/// instructions.
template <int32_t W>
struct Pipeline {
  typedef float Float __attribute__((vector_size(4 * W)));
  typedef int32_t Int __attribute__((vector_size(4 * W)));
  static constexpr int32_t kVectors = (kBands + W - 1) / W;

  Float b0[kVectors], b1[kVectors], b2[kVectors], a1[kVectors], a2[kVectors];
  Float x1[kVectors], x2[kVectors], y1[kVectors], y2[kVectors];
  Float previous[kVectors];

  S_SIMD_INLINE void load(const EqualizerEx::Section* sections) {
    float lanes[9][kVectors * W] = {};
    for (int32_t k = 0; k < kBands; ++k) {
      const EqualizerEx::Section& s = sections[k];
      const float fields[9] = {s.b0, s.b1, s.b2, s.a1, s.a2, s.x1, s.x2, s.y1, s.y2};
      for (int32_t f = 0; f < 9; ++f) {
        lanes[f][k] = fields[f];
      }
    }
    Float* targets[9] = {b0, b1, b2, a1, a2, x1, x2, y1, y2};
    for (int32_t f = 0; f < 9; ++f) {
      std::memcpy(targets[f], lanes[f], sizeof lanes[f]);
    }
    for (Float& p : previous) {
      p = Float{};
    }
  }

  S_SIMD_INLINE void store(EqualizerEx::Section* sections) const {
    float lanes[4][kVectors * W];
    std::memcpy(lanes[0], x1, sizeof lanes[0]);
    std::memcpy(lanes[1], x2, sizeof lanes[1]);
    std::memcpy(lanes[2], y1, sizeof lanes[2]);
    std::memcpy(lanes[3], y2, sizeof lanes[3]);
    for (int32_t k = 0; k < kBands; ++k) {
      sections[k].x1 = lanes[0][k];
      sections[k].x2 = lanes[1][k];
      sections[k].y1 = lanes[2][k];
      sections[k].y2 = lanes[3][k];
    }
  }
};

/// Runs steps `first` to `last - 1` of a chunk of `frames` values of C channels, in place: at
/// step t, value t enters section 0 and the output of value t - 9 leaves section 9, written over
/// its input. With `Masked`, a lane keeps its new state only when it has a sample,
/// 0 <= t - k < frames; without, every lane must have one. The channels share the loop, so that
/// one's recursion runs while the other's waits; the state lives in local variables meanwhile,
/// so that the compiler keeps it in registers.
template <int32_t W, int32_t C, bool Masked>
S_SIMD_INLINE void runSteps(Pipeline<W>* pipelines, float* const* values, int32_t first,
                            int32_t last, int32_t frames) {
  using Masks = LaneMasks<W>;
  using Float = typename Pipeline<W>::Float;
  using Int = typename Pipeline<W>::Int;
  constexpr int32_t kVectors = Pipeline<W>::kVectors;
  Float sx1[C][kVectors], sx2[C][kVectors], sy1[C][kVectors], sy2[C][kVectors], out[C][kVectors];
  for (int32_t c = 0; c < C; ++c) {
#pragma GCC unroll 4
    for (int32_t v = 0; v < kVectors; ++v) {
      sx1[c][v] = pipelines[c].x1[v];
      sx2[c][v] = pipelines[c].x2[v];
      sy1[c][v] = pipelines[c].y1[v];
      sy2[c][v] = pipelines[c].y2[v];
      out[c][v] = pipelines[c].previous[v];
    }
  }
  for (int32_t t = first; t < last; ++t) {
    Int active[kVectors];
    if constexpr (Masked) {
#pragma GCC unroll 4
      for (int32_t v = 0; v < kVectors; ++v) {
        const Int index = t - (Masks::kLane + v * W);
        active[v] = (index >= 0) & (index < frames);
      }
    }
#pragma GCC unroll 2
    for (int32_t c = 0; c < C; ++c) {
      const Pipeline<W>& p = pipelines[c];
      const float sample = !Masked || t < frames ? values[c][t] : 0.0f;
      Float x[kVectors];
      shiftIn(Float{} + sample, out[c][0], &x[0], std::make_index_sequence<W>());
#pragma GCC unroll 4
      for (int32_t v = 1; v < kVectors; ++v) {
        shiftIn(out[c][v - 1], out[c][v], &x[v], std::make_index_sequence<W>());
      }
#pragma GCC unroll 4
      for (int32_t v = 0; v < kVectors; ++v) {
        const Float y = p.b0[v] * x[v] + p.b1[v] * sx1[c][v] + p.b2[v] * sx2[c][v] -
                        p.a1[v] * sy1[c][v] - p.a2[v] * sy2[c][v];
        if constexpr (Masked) {
          sx2[c][v] = active[v] ? sx1[c][v] : sx2[c][v];
          sx1[c][v] = active[v] ? x[v] : sx1[c][v];
          sy2[c][v] = active[v] ? sy1[c][v] : sy2[c][v];
          sy1[c][v] = active[v] ? y : sy1[c][v];
        } else {
          sx2[c][v] = sx1[c][v];
          sx1[c][v] = x[v];
          sy2[c][v] = sy1[c][v];
          sy1[c][v] = y;
        }
        out[c][v] = y;
      }
      if (!Masked || t >= kLastLane) {
        values[c][t - kLastLane] = out[c][kLastLane / W][kLastLane % W];
      }
    }
  }
  for (int32_t c = 0; c < C; ++c) {
#pragma GCC unroll 4
    for (int32_t v = 0; v < kVectors; ++v) {
      pipelines[c].x1[v] = sx1[c][v];
      pipelines[c].x2[v] = sx2[c][v];
      pipelines[c].y1[v] = sy1[c][v];
      pipelines[c].y2[v] = sy2[c][v];
      pipelines[c].previous[v] = out[c][v];
    }
  }
}

/// Every step of a chunk of C channels: the fill, the steady run and the drain.
template <int32_t W, int32_t C>
S_SIMD_INLINE void runSections(EqualizerEx::Section (*sections)[kBands], float* const* values,
                               int32_t frames) {
  Pipeline<W> pipelines[C];
  for (int32_t c = 0; c < C; ++c) {
    pipelines[c].load(sections[c]);
  }
  const int32_t fillEnd = std::min(kLastLane, frames);
  runSteps<W, C, true>(pipelines, values, 0, fillEnd, frames);
  runSteps<W, C, false>(pipelines, values, fillEnd, frames, frames);
  runSteps<W, C, true>(pipelines, values, std::max(fillEnd, frames), frames + kLastLane, frames);
  for (int32_t c = 0; c < C; ++c) {
    pipelines[c].store(sections[c]);
  }
}

template <int32_t W>
S_SIMD_INLINE void runChannels(EqualizerEx::Section (*sections)[kBands], float* const* values,
                               int32_t channels, int32_t frames) {
  if (channels == 2) {
    runSections<W, 2>(sections, values, frames);
  } else {
    runSections<W, 1>(sections, values, frames);
  }
}

// One function per vector width; both give the same results, lane by lane. The 256-bit one
// runs the two channels' sections in four vectors and about half again as fast.
__attribute__((target("avx2"))) void runChannels8(EqualizerEx::Section (*sections)[kBands],
                                                  float* const* values, int32_t channels,
                                                  int32_t frames) {
  runChannels<8>(sections, values, channels, frames);
}

void runChannels4(EqualizerEx::Section (*sections)[kBands], float* const* values, int32_t channels,
                  int32_t frames) {
  runChannels<4>(sections, values, channels, frames);
}

}  // namespace

EqualizerEx::EqualizerEx() { reset(); }

void EqualizerEx::reset() {
  m_enabled = true;
  m_outputGain = 1.0f;
  for (int32_t k = 0; k < kBands; ++k) {
    setBand(k, kCentres[k], kBandwidths[k]);
  }
}

EqualizerEx::Section EqualizerEx::computeSection(float gainDb, float frequency, float sampleRate,
                                                 float bandwidthOctaves) {
  const float a = std::pow(10.0f, gainDb / 40.0f);
  const float w0 = 2.0f * static_cast<float>(M_PI) * frequency / sampleRate;
  const float sn = std::sin(w0);
  const float cs = std::cos(w0);
  const float alpha = sn * std::sinh(static_cast<float>(M_LN2) / 2.0f * bandwidthOctaves * w0 / sn);
  const float n = 1.0f + alpha / a;
  Section s = {};
  s.b0 = (1.0f + alpha * a) / n;
  s.b1 = -2.0f * cs / n;
  s.b2 = (1.0f - alpha * a) / n;
  s.a1 = s.b1;
  s.a2 = (1.0f - alpha / a) / n;
  return s;
}

bool EqualizerEx::setBand(int32_t band, float frequency, float bandwidth, float gainDb) {
  // Written so that NaN fails every test.
  if (band < 0 || band >= kBands || !(frequency > 0.0f && frequency < kSectionRate / 2.0f) ||
      !(bandwidth > 0.0f) || !std::isfinite(gainDb)) {
    return false;
  }
  const Section section = computeSection(gainDb, frequency, kSectionRate, bandwidth);
  std::lock_guard<thread::ObjLocker> hold(m_lock);
  m_frequencies[band] = frequency;
  m_sections[0][band] = section;
  m_sections[1][band] = section;
  return true;
}

EqualizerEx::Section EqualizerEx::getSection(int32_t band, int32_t channel) {
  std::lock_guard<thread::ObjLocker> hold(m_lock);
  return m_sections[channel == 0 ? 0 : 1][band];
}

void EqualizerEx::process(void* samples, int32_t byteCount, bool stereo, int32_t,
                          int32_t bitsPerSample) {
  if (bitsPerSample != 16 || samples == nullptr || byteCount <= 0) {
    return;
  }
  const int32_t channels = stereo ? 2 : 1;
  const int32_t frames = byteCount / (2 * channels);
  uint8_t* p = static_cast<uint8_t*>(samples);
  std::lock_guard<thread::ObjLocker> hold(m_lock);
  for (int32_t at = 0; at < frames; at += kChunk) {
    filterChunk(p + 2 * channels * at, std::min(kChunk, frames - at), channels);
  }
}

void EqualizerEx::filterChunk(uint8_t* samples, int32_t frames, int32_t channels) {
  alignas(16) float values[2][kChunk];
  for (int32_t c = 0; c < channels; ++c) {
    int32_t i = 0;
    // Four at a time without branches: the sign picks the divisor lane by lane.
    for (; i + 4 <= frames; i += 4) {
      const Float4 s = {static_cast<float>(pcm::load16(samples + 2 * (channels * i + c))),
                        static_cast<float>(pcm::load16(samples + 2 * (channels * (i + 1) + c))),
                        static_cast<float>(pcm::load16(samples + 2 * (channels * (i + 2) + c))),
                        static_cast<float>(pcm::load16(samples + 2 * (channels * (i + 3) + c)))};
      const Float4 x = s / (s < 0.0f ? splat(32768.0f) : splat(32767.0f));
      std::memcpy(&values[c][i], &x, sizeof x);
    }
    for (; i < frames; ++i) {
      const int16_t s = pcm::load16(samples + 2 * (channels * i + c));
      values[c][i] = s < 0 ? s / 32768.0f : s / 32767.0f;
    }
  }

  float* const channelValues[2] = {values[0], values[1]};
  if (simd::useAvx2()) {
    runChannels8(m_sections, channelValues, channels, frames);
  } else {
    runChannels4(m_sections, channelValues, channels, frames);
  }

  if (!m_enabled) {
    return;  // the sections have advanced; the samples stay
  }
  const Float4 gain = splat(m_outputGain);
  for (int32_t c = 0; c < channels; ++c) {
    int32_t i = 0;
    for (; i + 4 <= frames; i += 4) {
      Float4 y;
      std::memcpy(&y, &values[c][i], sizeof y);
      Float4 v = y * gain * (y >= 0.0f ? splat(32767.0f) : splat(32768.0f));
      v = v < 32767.0f ? v : splat(32767.0f);
      v = v > -32768.0f ? v : splat(-32768.0f);
      const Int4 out = __builtin_convertvector(v, Int4);
      for (int32_t j = 0; j < 4; ++j) {
        pcm::store16(samples + 2 * (channels * (i + j) + c), static_cast<int16_t>(out[j]));
      }
    }
    for (; i < frames; ++i) {
      const float y = values[c][i];
      const float scale = y >= 0.0f ? 32767.0f : 32768.0f;
      pcm::store16(samples + 2 * (channels * i + c), pcm::clampTo16(y * m_outputGain * scale));
    }
  }
}

}  // namespace s::sound::filter
