// The volume filter: one constant gain on every 16-bit sample.
#pragma once

#include "audio/filter/FilterBase.h"
#include "core/thread/ClassTail.h"

namespace s::sound::filter {

/// The filter of the Volume Up and Volume Down effects. The gain is (percent + 100) / 100: +100
/// doubles, -100 silences. 8-bit blocks pass unchanged. Pooled; after reset it is enabled with a
/// change of 0 %.
class Volume final : public FilterBase {
  S_POOLED_CLASS(Volume, u"s_sound_filter_Volume")

  Volume() = default;
  void reset() override;

  /// Every 16-bit sample becomes sample x gain (in single precision), truncated toward zero and
  /// clamped to -32768..32767; an odd last byte is left alone.
  void process(void* samples, int32_t byteCount, bool stereo, int32_t sampleRate,
               int32_t bitsPerSample) override;

  float getPercent() const { return m_percent; }
  /// The change in percent; negative values lower the volume.
  void setPercent(float percent) { m_percent = percent; }

 private:
  float m_percent = 0.0f;
};

}  // namespace s::sound::filter
