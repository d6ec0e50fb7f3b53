// The stereo enhancer: moves each channel of a stereo signal away from the mid signal.
#pragma once

#include "audio/filter/FilterBase.h"
#include "core/thread/ClassTail.h"

#include <cstdint>

namespace s::sound::filter {

/// Widens a stereo signal: each frame's side signal (left minus the mean of both) grows by
/// 0.15 x `level`, limited so that neither channel leaves the sample range; with `attenuate` the
/// widened 16-bit samples are then scaled by 0.9 to leave headroom. Frames whose channels are
/// equal pass unchanged, so a mono signal in a stereo file stays as it is.
///
/// Handles 16-bit and 8-bit stereo PCM; mono blocks and other widths pass unchanged. Keeps no
/// state between blocks. Pooled; after reset it is enabled at level 10 without attenuation.
class StereoEnhancer final : public FilterBase {
  S_POOLED_CLASS(StereoEnhancer, u"s_sound_filter_StereoEnhancer")

  StereoEnhancer() = default;
  void reset() override;

  void process(void* samples, int32_t byteCount, bool stereo, int32_t sampleRate,
               int32_t bitsPerSample) override;

  int32_t getLevel() const { return m_level; }
  void setLevel(int32_t level) { m_level = level; }
  bool isAttenuating() const { return m_attenuate; }
  void setAttenuate(bool attenuate) { m_attenuate = attenuate; }

  /// Widens `byteCount` bytes of interleaved stereo PCM of 16 or 8 bits in place by the side
  /// factor 0.15 x `level` (nothing for a level of 0 or less); shared with the vocal and
  /// instrument filter.
  static void widenStereo(int32_t level, void* samples, int32_t byteCount, int32_t bitsPerSample);
  /// Scales every 16-bit sample by 0.9, truncating toward zero; 8-bit blocks are left alone.
  static void scaleBy09(void* samples, int32_t byteCount, int32_t bitsPerSample);

 private:
  int32_t m_level = 10;
  bool m_attenuate = false;
};

}  // namespace s::sound::filter
