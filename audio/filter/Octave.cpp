// The pitch shifter: analysis of each frame into bin frequencies and magnitudes, a move of every
// bin by the pitch factor, and resynthesis by overlap-add.
#include "audio/filter/Octave.h"

#include "audio/filter/Pcm.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace s::sound::filter {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;
constexpr int32_t kTableSize = 131072;
/// kTableSize / (2 pi): table entries per radian.
constexpr double kTableScale = 20860.756700940907;
/// Samples per channel converted to floats at a time, and the length of every work array.
constexpr int32_t kGroup = 8192;
constexpr int32_t kN = Octave::kFrameSize;

/// Four floats handled by one vector instruction. Each lane does exactly the scalar operations, so
/// the vector butterflies give the results of the scalar ones.
using Float4 = float __attribute__((vector_size(16)));

inline Float4 load4(const float* p) {
  Float4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline void store4(float* p, Float4 v) { std::memcpy(p, &v, sizeof v); }

/// The angle moved into (-pi, pi] by whole turns. Keeping the running phases there keeps their
/// float precision: unwrapped, a bin near 11 kHz gains about 2 pi / oversampling x 500 radians
/// per frame and loses its fraction within seconds, turning high frequencies into phase noise.
inline double wrapPhase(double p) {
  const double turns = (p - kPi) / kTwoPi;
  int64_t whole = static_cast<int64_t>(turns);
  if (static_cast<double>(whole) < turns) {
    ++whole;
  }
  return p - kTwoPi * static_cast<double>(whole);
}

}  // namespace

/// The work area of one channel. `transform` keeps the real parts in its first kN entries and the
/// imaginary parts in the next kN, so the butterflies run on four values at a time.
struct Octave::Channel {
  int32_t rover;
  float inQueue[kGroup];
  float outQueue[kGroup];
  float transform[kGroup];
  float lastPhase[kGroup];
  float phaseSum[kGroup];
  float accumulator[kGroup];
  float analysisFrequency[kGroup];
  float analysisMagnitude[kGroup];
  float synthesisFrequency[kGroup];
  float synthesisMagnitude[kGroup];
};

Octave::Octave() = default;
Octave::~Octave() = default;

void Octave::reset() {
  m_enabled = true;
  m_pitch = 0.0f;
  m_workBuffer.reset();
  m_window.reset();
  m_sineTable.reset();
  m_cosineTable.reset();
  m_leftReady = 0;
  m_leftState.reset();
  m_rightReady = 0;
  m_rightState.reset();
  m_frameSize = kFrameSize;
  m_oversampling = 4;
  m_bitReverse.reset();
  m_twiddles.reset();
  m_windowSquareSum = 0.0;
}

bool Octave::setOversampling(int32_t oversampling) {
  if (oversampling < 1 || oversampling > m_frameSize) {
    return false;
  }
  m_oversampling = oversampling;
  return true;
}

void Octave::process(void* samples, int32_t byteCount, bool stereo, int32_t sampleRate,
                     int32_t bitsPerSample) {
  if (samples == nullptr || byteCount <= 0 || sampleRate <= 0 ||
      (bitsPerSample != 8 && bitsPerSample != 16)) {
    return;
  }
  if (!prepare()) {
    return;
  }
  shiftPitch(static_cast<uint8_t*>(samples), byteCount, stereo, sampleRate, bitsPerSample);
}

int32_t Octave::tableIndex(double angle) {
  // Out of range for a 64-bit index (never for the phases of a finite signal): any entry will do.
  if (!(std::fabs(angle) < 1e15)) {
    return 0;
  }
  int64_t index = static_cast<int64_t>(angle * kTableScale + 0.5);
  if (index < -kTableSize || index >= kTableSize) {
    index %= kTableSize;
  }
  if (index < 0) {
    index += kTableSize;
  }
  return static_cast<int32_t>(index);
}

bool Octave::prepare() {
  if (m_leftReady == 0) {
    if (!m_leftState) {
      m_leftState.reset(new (std::nothrow) Channel);
    }
    if (!m_window) {
      m_window.reset(new (std::nothrow) double[kN]);
    }
    if (!m_sineTable) {
      m_sineTable.reset(new (std::nothrow) float[kTableSize]);
    }
    if (!m_cosineTable) {
      m_cosineTable.reset(new (std::nothrow) float[kTableSize]);
    }
    if (!m_bitReverse) {
      m_bitReverse.reset(new (std::nothrow) uint16_t[kN]);
    }
    if (!m_twiddles) {
      m_twiddles.reset(new (std::nothrow) float[4 * kN]);
    }
    if (!m_leftState || !m_window || !m_sineTable || !m_cosineTable || !m_bitReverse ||
        !m_twiddles) {
      return false;
    }
    std::memset(m_leftState.get(), 0, sizeof(Channel));
    m_windowSquareSum = 0.0;
    for (int32_t k = 0; k < kN; ++k) {
      m_window[k] = 0.5 - 0.5 * std::cos(kTwoPi * k / kN);
      m_windowSquareSum += m_window[k] * m_window[k];
    }
    for (int32_t i = 0; i < kTableSize; ++i) {
      m_sineTable[i] = static_cast<float>(std::sin(kTwoPi * i / kTableSize));
      m_cosineTable[i] = static_cast<float>(std::cos(kTwoPi * i / kTableSize));
    }
    // Value k of a transform goes to slot bitReverse[k] (and value bitReverse[k] to slot k).
    for (int32_t k = 0; k < kN; ++k) {
      int32_t j = 0;
      for (int32_t bit = 1; bit < kN; bit <<= 1) {
        j = (j << 1) | ((k & bit) != 0 ? 1 : 0);
      }
      m_bitReverse[k] = static_cast<uint16_t>(j);
    }
    // The twiddles of the stage with half-span h (in complex values) start at entry h - 1: the
    // stage's angle pi / h looked up in the tables, then the product recurrence from 1 + 0i, in
    // float, one step per butterfly group.
    for (int32_t signIndex = 0; signIndex < 2; ++signIndex) {
      const float sign = signIndex == 0 ? -1.0f : 1.0f;
      float* re = m_twiddles.get() + 2 * kN * signIndex;
      float* im = re + kN;
      for (int32_t h = 1; h < kN; h <<= 1) {
        const float angle = static_cast<float>(kPi / h);
        const float wr = cosine(angle);
        const float wi = sign * sine(angle);
        float ur = 1.0f;
        float ui = 0.0f;
        for (int32_t j = 0; j < h; ++j) {
          re[h - 1 + j] = ur;
          im[h - 1 + j] = ui;
          const float next = ur * wr - ui * wi;
          ui = ur * wi + ui * wr;
          ur = next;
        }
      }
    }
    m_leftReady = 1;
  }
  if (m_rightReady == 0) {
    // The right area is prepared for mono streams too.
    if (!m_rightState) {
      m_rightState.reset(new (std::nothrow) Channel);
      if (!m_rightState) {
        return false;
      }
    }
    std::memset(m_rightState.get(), 0, sizeof(Channel));
    m_rightReady = 1;
  }
  if (!m_workBuffer) {
    m_workBuffer.reset(new (std::nothrow) float[kGroup]);
    if (!m_workBuffer) {
      return false;
    }
  }
  return true;
}

void Octave::shiftPitch(uint8_t* samples, int32_t byteCount, bool stereo, int32_t sampleRate,
                        int32_t bitsPerSample) {
  const float factor = static_cast<float>(std::pow(2.0, m_pitch / 100.0));
  const int32_t width = bitsPerSample == 16 ? 2 : 1;
  const int32_t channels = stereo ? 2 : 1;
  const int32_t stride = width * channels;
  const int32_t perChannel = byteCount / stride;
  float* work = m_workBuffer.get();
  for (int32_t c = 0; c < channels; ++c) {
    Channel& state = c == 0 ? *m_leftState : *m_rightState;
    for (int32_t start = 0; start < perChannel; start += kGroup) {
      const int32_t count = std::min(kGroup, perChannel - start);
      uint8_t* first = samples + static_cast<size_t>(start) * stride + c * width;
      if (width == 2) {
        for (int32_t i = 0; i < count; ++i) {
          work[i] = static_cast<float>(pcm::load16(first + i * stride)) / 32768.0f;
        }
      } else {
        for (int32_t i = 0; i < count; ++i) {
          work[i] = static_cast<float>(pcm::from8(first[i * stride])) / 128.0f;
        }
      }
      vocode(state, factor, count, sampleRate, work);
      if (width == 2) {
        for (int32_t i = 0; i < count; ++i) {
          pcm::store16(first + i * stride, pcm::clampTo16(work[i] * 32768.0f));
        }
      } else {
        for (int32_t i = 0; i < count; ++i) {
          const float v = std::clamp(work[i] * 128.0f, -128.0f, 127.0f);
          first[i * stride] = pcm::to8(static_cast<int32_t>(v));
        }
      }
    }
  }
}

void Octave::vocode(Channel& channel, float factor, int32_t count, int32_t sampleRate,
                    float* buffer) {
  const int32_t step = m_frameSize / m_oversampling;
  const int32_t latency = m_frameSize - step;
  // A rover outside the queue window (first use, or the oversampling changed in mid-stream)
  // starts over at the latency.
  if (channel.rover < latency || channel.rover >= m_frameSize) {
    channel.rover = latency;
  }
  int32_t done = 0;
  while (done < count) {
    // Each sample enters the input queue at the rover and is replaced by the output queue's
    // entry at rover - latency; a frame is processed whenever the queue is full.
    const int32_t run = std::min(count - done, m_frameSize - channel.rover);
    float* in = channel.inQueue + channel.rover;
    const float* out = channel.outQueue + (channel.rover - latency);
    for (int32_t i = 0; i < run; ++i) {
      in[i] = buffer[done + i];
      buffer[done + i] = out[i];
    }
    channel.rover += run;
    done += run;
    if (channel.rover == m_frameSize) {
      channel.rover = latency;
      processFrame(channel, factor, sampleRate);
    }
  }
}

void Octave::processFrame(Channel& channel, float factor, int32_t sampleRate) {
  const int32_t n = m_frameSize;
  const int32_t half = n / 2;
  const int32_t o = m_oversampling;
  const int32_t step = n / o;
  const double binWidth = static_cast<double>(sampleRate) / n;
  const double expected = kTwoPi * step / n;
  float* re = channel.transform;
  float* im = channel.transform + n;
  const uint16_t* reverse = m_bitReverse.get();

  // Windowed input, placed straight into bit-reversed order.
  for (int32_t k = 0; k < n; ++k) {
    re[reverse[k]] = static_cast<float>(channel.inQueue[k] * m_window[k]);
    im[k] = 0.0f;
  }
  transform(re, im, -1);

  // Analysis: the true frequency of every bin from its phase advance since the last frame.
  for (int32_t k = 0; k <= half; ++k) {
    const float r = re[k];
    const float i = im[k];
    const float magnitude = 2.0f * std::sqrt(r * r + i * i);
    const float phase = std::atan2(i, r);
    double d = static_cast<double>(phase) - channel.lastPhase[k];
    channel.lastPhase[k] = phase;
    d -= k * expected;
    // Bring d into (-pi, pi] with an even number of half turns, rounded away from zero.
    int64_t q = static_cast<int64_t>(d / kPi);
    q = q >= 0 ? q + (q & 1) : q - (q & 1);
    d -= kPi * static_cast<double>(q);
    channel.analysisFrequency[k] = static_cast<float>((k + d * o / kTwoPi) * binWidth);
    channel.analysisMagnitude[k] = magnitude;
  }

  // The shift: bin k moves to bin k x factor; bins past the Nyquist bin are dropped.
  std::memset(channel.synthesisMagnitude, 0, sizeof(float) * n);
  std::memset(channel.synthesisFrequency, 0, sizeof(float) * n);
  const float limit = static_cast<float>(half + 1);
  for (int32_t k = 0; k <= half; ++k) {
    const float target = static_cast<float>(k) * factor;
    if (target < limit) {
      const int32_t j = static_cast<int32_t>(target);
      channel.synthesisMagnitude[j] += channel.analysisMagnitude[k];
      channel.synthesisFrequency[j] = channel.analysisFrequency[k] * factor;
    }
  }

  // Synthesis: advance every bin's running phase by its frequency; the bins above the Nyquist bin
  // stay 0, so the real part of the inverse carries the signal.
  for (int32_t k = 0; k <= half; ++k) {
    const double d =
        ((channel.synthesisFrequency[k] - k * binWidth) / binWidth) * (kTwoPi / o) + k * expected;
    channel.phaseSum[k] = static_cast<float>(wrapPhase(channel.phaseSum[k] + d));
    const float magnitude = channel.synthesisMagnitude[k];
    re[reverse[k]] = magnitude * cosine(channel.phaseSum[k]);
    im[reverse[k]] = magnitude * sine(channel.phaseSum[k]);
  }
  for (int32_t k = half + 1; k < n; ++k) {
    re[reverse[k]] = 0.0f;
    im[reverse[k]] = 0.0f;
  }
  transform(re, im, 1);

  // Overlap-add. The inverse of the doubled one-sided spectrum is n times the windowed frame;
  // windowed again and summed over the o frames that cover a sample, the sample comes out scaled
  // by o x (the window's sum of squares), which the scale divides out: unity gain. (The classic
  // scale 2 / ((n / 2) o) leaves 1.5 with this window: 3.5 dB too loud, so loud material clips.)
  const double scale = 1.0 / (o * m_windowSquareSum);
  for (int32_t k = 0; k < n; ++k) {
    channel.accumulator[k] =
        static_cast<float>(channel.accumulator[k] + m_window[k] * re[k] * scale);
  }
  std::memcpy(channel.outQueue, channel.accumulator, sizeof(float) * step);
  // The accumulator's entries from n on are never written and stay 0, so the move brings zeros in.
  std::memmove(channel.accumulator, channel.accumulator + step, sizeof(float) * n);
  std::memmove(channel.inQueue, channel.inQueue + step, sizeof(float) * (n - step));
}

void Octave::transform(float* re, float* im, int32_t sign) const {
  const int32_t n = m_frameSize;
  const float* twiddleRe = m_twiddles.get() + (sign < 0 ? 0 : 2 * n);
  const float* twiddleIm = twiddleRe + n;
  // Butterflies of one stage are independent of each other, so they run block by block here
  // instead of twiddle by twiddle; every butterfly computes exactly what it would in either order.
  for (int32_t h = 1; h < n; h <<= 1) {
    const float* ur = twiddleRe + h - 1;
    const float* ui = twiddleIm + h - 1;
    for (int32_t block = 0; block < n; block += 2 * h) {
      float* r0 = re + block;
      float* i0 = im + block;
      float* r1 = r0 + h;
      float* i1 = i0 + h;
      if (h < 4) {
        for (int32_t j = 0; j < h; ++j) {
          const float tr = r1[j] * ur[j] - i1[j] * ui[j];
          const float ti = r1[j] * ui[j] + i1[j] * ur[j];
          r1[j] = r0[j] - tr;
          i1[j] = i0[j] - ti;
          r0[j] += tr;
          i0[j] += ti;
        }
        continue;
      }
      for (int32_t j = 0; j < h; j += 4) {
        const Float4 wr = load4(ur + j);
        const Float4 wi = load4(ui + j);
        const Float4 ar = load4(r1 + j);
        const Float4 ai = load4(i1 + j);
        const Float4 tr = ar * wr - ai * wi;
        const Float4 ti = ar * wi + ai * wr;
        const Float4 br = load4(r0 + j);
        const Float4 bi = load4(i0 + j);
        store4(r1 + j, br - tr);
        store4(i1 + j, bi - ti);
        store4(r0 + j, br + tr);
        store4(i0 + j, bi + ti);
      }
    }
  }
}

}  // namespace s::sound::filter
