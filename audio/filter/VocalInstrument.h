// The vocal or instrument filter: a lower level, a wider or narrower stereo image and a
// three-band equaliser.
#pragma once

#include "audio/filter/Equalizer.h"
#include "audio/filter/FilterBase.h"
#include "core/thread/ClassTail.h"

#include <cstdint>

namespace s::sound::filter {

/// The filter of the Vocal Boost and Instrument Boost effects. Every block is first scaled by
/// 1 - 0.05 x `level` (level 10 halves it), then:
/// - instrument mode: a stereo block is widened by `level` (as the stereo enhancer does), the
///   embedded equaliser runs, and with `boostAfter` the result is scaled by 1.2;
/// - vocal mode: a stereo block is narrowed toward its mid signal by 0.1 x `secondLevel`, and the
///   embedded equaliser runs.
/// The set-up operations choose the mode, the levels and the equaliser's gains and crossovers.
///
/// Handles 16-bit and 8-bit PCM, mono or stereo (the equaliser leaves 8-bit blocks alone); other
/// widths pass unchanged. Every scaling is truncated toward zero and clamped to the sample's
/// width. The equaliser keeps its state from block to block until `reset`. Pooled; after reset it
/// is enabled, in instrument mode at level 10 and second level 0, without the boost, with its
/// equaliser reset.
class VocalInstrument final : public FilterBase {
  S_POOLED_CLASS(VocalInstrument, u"s_sound_filter_VocalInstrument")

  VocalInstrument() { reset(); }
  void reset() override;

  void process(void* samples, int32_t byteCount, bool stereo, int32_t sampleRate,
               int32_t bitsPerSample) override;

  /// Vocal mode: middle gain 1 + 0.1 x `level`; by `secondLevel`, low and high gains 1 with
  /// crossovers 880 Hz and 5000 Hz (0 or less), 0 with 500 Hz and 9000 Hz (1 or 2), or 0 with
  /// 750 Hz and 7000 Hz (more).
  void setVocalBoost(int32_t level, int32_t secondLevel);
  /// Instrument mode: low and high gains 1 + 0.025 x `level`, middle gain 1 - 0.1 x
  /// `secondLevel`, crossovers 750 Hz and 7000 Hz. `boostAfter` is not changed.
  void setInstrumentBoost(int32_t level, int32_t secondLevel);

  bool isInstrumentMode() const { return m_instrumentMode; }
  int32_t getLevel() const { return m_level; }
  int32_t getSecondLevel() const { return m_secondLevel; }
  bool isBoostAfter() const { return m_boostAfter; }
  void setBoostAfter(bool boostAfter) { m_boostAfter = boostAfter; }
  /// The embedded equaliser, owned by this filter (never released on its own).
  Equalizer& getEqualizer() { return m_equalizer; }

  /// Scales every sample (8-bit or 16-bit) by 1 - 0.05 x `amount` in single precision, truncated
  /// toward zero and clamped to the sample's width.
  static void scaleLevel(int32_t amount, void* samples, int32_t byteCount, int32_t bitsPerSample);
  /// Moves both channels of every 16-bit stereo frame toward their mean by 0.1 x `secondLevel`
  /// of their distance from it (1 makes the frame mono); nothing for 8-bit data or a second
  /// level of 0 or less.
  static void centreStereo(int32_t secondLevel, void* samples, int32_t byteCount,
                           int32_t bitsPerSample);

 private:
  Equalizer m_equalizer;
  bool m_instrumentMode = true;
  int32_t m_level = 10;
  int32_t m_secondLevel = 0;
  bool m_boostAfter = false;
};

}  // namespace s::sound::filter
