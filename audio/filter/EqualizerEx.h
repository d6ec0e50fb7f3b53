// The ten-band graphic equaliser: ten peaking sections per channel, in series, and an output gain.
#pragma once

#include "audio/filter/FilterBase.h"
#include "core/thread/ClassTail.h"
#include "core/thread/ObjLocker.h"

#include <cstdint>

namespace s::sound::filter {

/// A graphic equaliser of ten peaking bands at fixed centres (100 Hz to 16.2 kHz), each a
/// second-order section per channel computed for 44100 Hz whatever the rate of the blocks. After
/// reset every band stands at 0 dB, so an enabled equaliser re-quantises the signal at unity gain
/// through the output gain; a disabled one still runs its sections (their state keeps following
/// the stream) and leaves the samples as they are.
///
/// Handles 16-bit PCM, mono (the left sections) or stereo; 8-bit blocks and other widths pass
/// unchanged. Pooled. `process` and `setBand` hold the object's lock, so a band may be set from
/// another thread while a stream is filtered.
class EqualizerEx final : public FilterBase {
  S_POOLED_CLASS(EqualizerEx, u"s_sound_filter_EqualizerEx")

  static constexpr int32_t kBands = 10;
  /// The bands after reset: centres in Hz and bandwidths in octaves.
  static constexpr float kCentres[kBands] = {100.0f,  200.0f,  400.0f,   800.0f,   1600.0f,
                                             3200.0f, 6400.0f, 12800.0f, 14400.0f, 16200.0f};
  static constexpr float kBandwidths[kBands] = {1.0f, 1.0f, 1.0f,     1.0f,     1.0f,
                                                1.0f, 1.0f, 0.16666f, 0.16666f, 0.16666f};
  /// The rate the sections are computed for.
  static constexpr float kSectionRate = 44100.0f;

  /// One second-order section with its history: y = b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2.
  struct Section {
    float b0, b1, b2, a1, a2;
    float x1, x2, y1, y2;
  };

  EqualizerEx();
  EqualizerEx(const EqualizerEx&) = delete;
  EqualizerEx& operator=(const EqualizerEx&) = delete;
  /// Enabled, output gain 1, every band back at its centre and bandwidth at 0 dB with its
  /// history cleared.
  void reset() override;

  void process(void* samples, int32_t byteCount, bool stereo, int32_t sampleRate,
               int32_t bitsPerSample) override;

  float getOutputGain() const { return m_outputGain; }
  void setOutputGain(float gain) { m_outputGain = gain; }

  /// Sets band `band` (0 to 9) to a peaking section at `frequency` Hz, `bandwidth` octaves wide,
  /// with `gainDb` (0 dB unless given), for both channels, clearing their history. Refused
  /// (false, nothing changed) for a band outside 0 to 9, a frequency outside the open range 0 to
  /// half of 44100 Hz, or a bandwidth of 0 or less.
  bool setBand(int32_t band, float frequency, float bandwidth, float gainDb = 0.0f);
  float getBandFrequency(int32_t band) const { return m_frequencies[band]; }
  /// A copy of a band's section of channel 0 (left or mono) or 1 (right), taken under the lock.
  Section getSection(int32_t band, int32_t channel);

  /// A peaking section (the usual cookbook form with the bandwidth in octaves), with cleared
  /// history, computed in single precision.
  static Section computeSection(float gainDb, float frequency, float sampleRate,
                                float bandwidthOctaves);

 private:
  void filterChunk(uint8_t* samples, int32_t frames, int32_t channels);

  thread::ObjLocker m_lock;
  float m_outputGain = 1.0f;
  /// The centre of every band, and the sections of channel 0 (left or mono) and 1 (right).
  float m_frequencies[kBands] = {};
  Section m_sections[2][kBands] = {};
};

}  // namespace s::sound::filter
