// The three-band equaliser: two four-pole low-pass cascades split each channel into a low, a middle
// and a high band, which are mixed back with one gain each.
#pragma once

#include "audio/filter/FilterBase.h"
#include "core/thread/ClassTail.h"

#include <cstdint>

namespace s::sound::filter {

/// The filter of the Bass, Middle and High Boost, Suppress and Only effects. The low band is the
/// input through four one-pole low-passes at the low crossover; the high band is the input
/// delayed by three frames minus the same cascade at the high crossover; the middle band is what
/// remains. With all three gains 1 the output is the input delayed by three frames.
///
/// The preset setters take an effect level (a gain step of 0.1 per level) and a type of 1 to 5
/// that picks the two crossovers; any other type changes only the gains. Crossovers are in Hz;
/// the coefficients are computed from them again for every block at the block's sample rate.
///
/// Handles 16-bit PCM, mono or stereo (each channel with its own state, kept from block to block
/// until `reset`); 8-bit blocks, other widths and rates of 0 or less pass unchanged. Pooled; one
/// stream per filter, on one thread at a time.
class Equalizer final : public FilterBase {
  S_POOLED_CLASS(Equalizer, u"s_sound_filter_Equalizer")

  Equalizer() { reset(); }
  /// Enabled, gains 1, crossovers 880 Hz and 5000 Hz, coefficients and filter state 0.
  void reset() override;

  void process(void* samples, int32_t byteCount, bool stereo, int32_t sampleRate,
               int32_t bitsPerSample) override;

  void setBassBoost(int32_t level, int32_t type);
  void setBassSuppress(int32_t level, int32_t type);
  void setBassOnly(int32_t level, int32_t type);
  void setMiddleBoost(int32_t level, int32_t type);
  void setMiddleSuppress(int32_t level, int32_t type);
  void setMiddleOnly(int32_t level, int32_t type);
  void setHighBoost(int32_t level, int32_t type);
  void setHighSuppress(int32_t level, int32_t type);
  void setHighOnly(int32_t level, int32_t type);

  double getLowGain() const { return m_lowGain; }
  double getMiddleGain() const { return m_middleGain; }
  double getHighGain() const { return m_highGain; }
  void setGains(double low, double middle, double high) {
    m_lowGain = low;
    m_middleGain = middle;
    m_highGain = high;
  }
  int32_t getLowFrequency() const { return m_lowFrequency; }
  int32_t getHighFrequency() const { return m_highFrequency; }
  /// Sets both crossovers and their coefficients for 44100 Hz (the next block recomputes them at
  /// its own rate).
  void setCrossovers(int32_t lowFrequency, int32_t highFrequency);
  double getLowCoefficient() const { return m_lowCoefficient; }
  double getHighCoefficient() const { return m_highCoefficient; }

  /// The coefficient 2 sin(pi f / rate) of the one-pole low-passes at crossover `frequency`. A
  /// crossover is kept below a fixed share of the rate (see the source), so low-rate sources get
  /// a stable filter without a resonance at the top of their band; a crossover of 0 or less gives
  /// 0 (the cascade stops following the input).
  static double coefficient(int32_t frequency, int32_t sampleRate);

 private:
  void applyPreset(double low, double middle, double high, const int32_t (*crossovers)[2],
                   int32_t type);

  double m_antiDenormal = 0.0;
  double m_lowCoefficient = 0.0;
  double m_lowPoles[2][4] = {};
  double m_highCoefficient = 0.0;
  double m_highPoles[2][4] = {};
  /// The last three input values of each channel, newest first.
  double m_history[2][3] = {};
  double m_lowGain = 1.0;
  double m_middleGain = 1.0;
  double m_highGain = 1.0;
  int32_t m_lowFrequency = 880;
  int32_t m_highFrequency = 5000;
};

}  // namespace s::sound::filter
