// The vocal or instrument filter: its set-ups and the level and centring steps around the
// equaliser.
#include "audio/filter/VocalInstrument.h"

#include "audio/filter/Pcm.h"
#include "audio/filter/StereoEnhancer.h"

#include <algorithm>

namespace s::sound::filter {

void VocalInstrument::reset() {
  m_enabled = true;
  m_equalizer.reset();
  m_instrumentMode = true;
  m_level = 10;
  m_secondLevel = 0;
  m_boostAfter = false;
}

void VocalInstrument::setInstrumentBoost(int32_t level, int32_t secondLevel) {
  m_instrumentMode = true;
  m_level = level;
  m_secondLevel = secondLevel;
  const double outer = 1.0 + 0.025 * level;
  m_equalizer.setGains(outer, 1.0 - 0.1 * secondLevel, outer);
  m_equalizer.setCrossovers(750, 7000);
}

void VocalInstrument::setVocalBoost(int32_t level, int32_t secondLevel) {
  m_instrumentMode = false;
  m_level = level;
  m_secondLevel = secondLevel;
  const double middle = 1.0 + 0.1 * level;
  if (secondLevel <= 0) {
    m_equalizer.setGains(1.0, middle, 1.0);
    m_equalizer.setCrossovers(880, 5000);
  } else if (secondLevel <= 2) {
    m_equalizer.setGains(0.0, middle, 0.0);
    m_equalizer.setCrossovers(500, 9000);
  } else {
    m_equalizer.setGains(0.0, middle, 0.0);
    m_equalizer.setCrossovers(750, 7000);
  }
}

void VocalInstrument::process(void* samples, int32_t byteCount, bool stereo, int32_t sampleRate,
                              int32_t bitsPerSample) {
  if (samples == nullptr || byteCount <= 0 || (bitsPerSample != 8 && bitsPerSample != 16)) {
    return;
  }
  scaleLevel(m_level, samples, byteCount, bitsPerSample);
  if (m_instrumentMode) {
    if (stereo) {
      StereoEnhancer::widenStereo(m_level, samples, byteCount, bitsPerSample);
    }
    m_equalizer.process(samples, byteCount, stereo, sampleRate, bitsPerSample);
    if (m_boostAfter) {
      scaleLevel(-4, samples, byteCount, bitsPerSample);  // x 1.2
    }
  } else {
    if (stereo && m_secondLevel > 0) {
      centreStereo(m_secondLevel, samples, byteCount, bitsPerSample);
    }
    m_equalizer.process(samples, byteCount, stereo, sampleRate, bitsPerSample);
  }
}

void VocalInstrument::scaleLevel(int32_t amount, void* samples, int32_t byteCount,
                                 int32_t bitsPerSample) {
  if (samples == nullptr || byteCount <= 0) {
    return;
  }
  const float factor = 1.0f - static_cast<float>(amount) * 0.05f;
  uint8_t* p = static_cast<uint8_t*>(samples);
  // A factor above 1 (the boost after the equaliser) can carry a product past the width's
  // range; it is clamped there, as wrapping around would turn a loud peak into a click.
  if (bitsPerSample == 16) {
    pcm::scale16(p, byteCount / 2, factor);
  } else if (bitsPerSample == 8) {
    // Unsigned around 128: scaled as the signed distance from silence.
    for (int32_t i = 0; i < byteCount; ++i) {
      const float scaled = static_cast<float>(pcm::from8(p[i])) * factor;
      p[i] = pcm::to8(static_cast<int32_t>(std::clamp(scaled, -129.0f, 128.0f)));
    }
  }
}

void VocalInstrument::centreStereo(int32_t secondLevel, void* samples, int32_t byteCount,
                                   int32_t bitsPerSample) {
  if (bitsPerSample != 16 || secondLevel <= 0 || samples == nullptr || byteCount <= 0) {
    return;
  }
  const float share = static_cast<float>(secondLevel) * 0.1f;
  uint8_t* p = static_cast<uint8_t*>(samples);
  const int32_t frames = byteCount / 4;
  for (int32_t i = 0; i < frames; ++i) {
    const int32_t left = pcm::load16(p + 4 * i);
    const int32_t right = pcm::load16(p + 4 * i + 2);
    const int32_t mean = (left + right) >> 1;
    // Up to a second level of 10 both results stay within the range; a larger one (which no
    // menu offers) would overshoot, so the results are clamped.
    const float k = std::clamp(static_cast<float>(left - mean) * share, -65536.0f, 65536.0f);
    const int32_t shift = static_cast<int32_t>(k);
    pcm::store16(p + 4 * i, static_cast<int16_t>(std::clamp(left - shift, -32768, 32767)));
    pcm::store16(p + 4 * i + 2, static_cast<int16_t>(std::clamp(right + shift, -32768, 32767)));
  }
}

}  // namespace s::sound::filter
